#pragma once
// The game setup window: the site's game nodes 1..MaxNode with their game
// number and group, denomination, key-down, note-in value and kiosk flag.
// The table is read from NodeInfo.ini when the window opens and written back
// by "OK"; "Read File" and "Write File" exchange it with NodeInfo.txt (and
// write the backups); "Program Selected" and "Program All" send nodes to the
// host. The window closes (and is destroyed) on "OK", "Cancel" or the
// title-bar close box.

#include "game_setup/NodeProgramming.h"
#include "game_setup/NodeRecord.h"
#include "game_setup/Notice.h"
#include "ui_frmGameSetup.h"

#include <QWidget>

#include <cstdint>
#include <map>
#include <string>

class LinkSequence;

// The controls and their layout are the form frmGameSetup.ui.
class frmGameSetup : public QWidget, private Ui::frmGameSetup {
    Q_OBJECT
public:
    // Reads MaxNode and CardPrefix from the program's site parameters and
    // the node table from NodeInfo.ini, and shows node 1.
    explicit frmGameSetup(QWidget* parent = nullptr);

    // Node whose values the controls show; 0 = none.
    int CurrentNode() const { return currentNode_; }
    int MaxNode() const { return maxNode_; }
    const gamesetup::NodeTable& Table() const { return table_; }
    bool Programming() const { return running_; }

    // The selection step: stores the controls into the current node (unless
    // it is 0), then shows the node chosen in the node list. False, and the
    // operator kept on the node, when its game number cannot be taken.
    bool SelectionStep();

protected:
    // The close box acts like "Cancel"; during a programming run it stops
    // the run and the window closes when the run has ended.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    // Sizes that follow the font: list widths and heights fitting their items.
    void FitControlsToFont();
    void ConnectControls();
    void Form_Load();

    void lstNodeNumber_Click();
    void cmdAutoSetGameNumber_Click();
    void cmdSetAllToSelected_Click();
    void cmdProgramSelected_Click();
    void cmdProgramAll_Click();
    void cmdOK_Click();
    void cmdCancel_Click();
    void cmdFileRead_Click();
    void cmdFileWrite_Click();

    bool StoreEntries();
    void ShowCurrent();
    // Programming runs: claim the link (true, with the refusal told, when
    // it is taken), then disable the window's commands and entries while
    // the run lasts.
    bool ClaimFailed(const LinkSequence& run, const char* title);
    void SetRunning(bool running);
    // The run's end: the commands back, the link released, the report shown
    // (its box when `tell`), and the window closed if that was asked for
    // during the run.
    void EndRun(LinkSequence& run, const gamesetup::RunReport& report, bool tell);
    void Tell(const gamesetup::Notice& notice);
    void SetStatus(const std::string& text);

    gamesetup::NodeTable table_{};
    // Values of NodeInfo.ini that fit no field; "OK" leaves them as stored
    // unless they were changed.
    std::vector<gamesetup::FieldProblem> unfit_;
    int currentNode_ = 0;
    int maxNode_ = 0;
    std::int16_t cardPrefix_ = 0;
    // Shown once the window is on screen: a NodeInfo.ini that could not be
    // read, or nodes with values outside their lists.
    gamesetup::Notice openNotice_;
    bool noticeShown_ = false;
    // Stored game numbers that fit no game number, by node, until the
    // operator enters one.
    std::map<int, long> storedGameNumbers_;
    // The game number text the window last put into its box: the box is
    // edited when it shows anything else.
    std::string shownGameNumber_;

    bool selecting_ = false; // the node list is moved by the window itself
    bool running_ = false;
    bool stopRun_ = false;
    bool closeAfterRun_ = false;
};
