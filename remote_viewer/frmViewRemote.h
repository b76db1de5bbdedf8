#pragma once
// The remote node viewer: talks to one remote game node over the field
// network through the host. The operator picks a node 1..16 (from the list
// or with the keys 1 to 9) and polls it, reads its counters, dumps its
// memory, lists and clears its error counters; the results are written into
// the output box.
//
// While the viewer is open the host's node count is 0, so the host leaves
// the field network to it: the count is saved and 0 is sent as the viewer
// opens, and the saved count is sent back however it closes ("Close", the
// close box, the main window's shut-down); while another window's command
// holds the link the window stays open and sends it when that command ends.
// If the host does not confirm it, the operator is told and may try again.

#include "ui_frmViewRemote.h"

#include <QWidget>

#include <cstdint>
#include <span>
#include <string>

namespace remoteview {
class FieldSession;
}

// The controls and their layout are the form frmViewRemote.ui.
class frmViewRemote : public QWidget, private Ui::frmViewRemote {
    Q_OBJECT
public:
    // Builds the controls and runs the load: node 1 chosen, the node count
    // saved. The site parameters with node count 0 go to the host as soon
    // as the event loop runs.
    explicit frmViewRemote(QWidget* parent = nullptr);
    ~frmViewRemote() override;

    // Appends `msg` to the output box, emptying it first once it holds
    // more than 20000 characters.
    void DisplayMsg(const std::string& msg);
    // One line of buffer[start] .. buffer[start + count - 1] in hexadecimal.
    void DisplayBuffer(std::span<const std::uint8_t> buffer, int start, int count);

    std::uint8_t RemoteNumber() const { return remoteNumber_; }
    std::uint8_t SavedMaxNode() const { return savedMaxNode_; }
    // The opening site parameters have been sent (whatever came of them).
    bool Opened() const { return opened_; }
    // A command's run of exchanges is under way.
    bool Running() const { return running_; }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using Run = int (*)(remoteview::FieldSession&);

    // The fixed-pitch font and the sizes that follow the fonts.
    void FitControlsToFont();
    void ConnectControls();

    // Handlers.
    void Form_Load();
    void lstRemote_Click();
    void cmdClearText_Click();
    void RunCommand(Run run, const char* name);

    // Sends the site parameter record as it stands; false with the reason
    // when the host did not confirm it.
    bool SendConfig(std::string& why);
    void SendOpeningParameters();
    // Sends the saved node count back: at once when the link is free, else
    // as soon as the command holding it has ended. When the host does not
    // confirm it, the operator is asked whether to try again; `closed_` is
    // set once it went through or was given up.
    void RestoreNodeCount();
    void LinkFreed();
    // Gives up the restore, saying what it means for the site.
    void AbandonRestore();
    void HoldNodeCount(bool hold);
    void SetBusy(bool busy);
    void SetText(const std::string& text);

    std::uint8_t remoteNumber_ = 1;
    std::uint8_t savedMaxNode_ = 0;
    // Characters shown in the output box, counted as written (with CR LF).
    std::size_t shownCharacters_ = 0;

    bool opened_ = false;
    bool running_ = false;
    bool closePending_ = false;
    bool closing_ = false;
    bool closed_ = false;
    bool holding_ = false;
    bool waitingForLink_ = false;
    bool restoring_ = false;
};
