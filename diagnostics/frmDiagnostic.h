#pragma once
// The diagnostic window: reads the host's player, remote node and site
// parameter records and lists their fields, and shows the link log with two
// buttons that exercise the link. "Close" and the title-bar close box only
// hide it, so its record list and the log stay as they were.

#include "diagnostics/RecordDecoder.h"
#include "link/clsUSBInterface.h"

#include <QWidget>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class QButtonGroup;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

class frmDiagnostic : public QWidget {
    Q_OBJECT
public:
    static constexpr int kIndexCount = 17; // the index list offers 0..16
    static constexpr int kTableSize = 256; // decoded records kept per type

    // Sets up the form and runs the load handler (reads nothing).
    explicit frmDiagnostic(QWidget* parent = nullptr);

    // Read one record from the host and replace the output list with its
    // lines (or with one line saying why it could not be read).
    void DisplayPlayer(std::int16_t index);
    void DisplayRemote(std::int16_t index);
    void DisplaySiteParam();

    // The chosen record type: 0 player, 1 remote, 2 site parameters.
    int RecordType() const { return recordType_; }

protected:
    // The close box hides the window like "Close" instead of unloading it.
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpControls();
    void ConnectControls();

    // Handlers.
    void Form_Load();
    void optDiagType_Click(int index);
    void lstDiagIndex_Click();
    void cmdUSBListDevices_Click();
    void cmdUSBTest_Click();
    void cmdClearText_Click();
    void cmdClose_Click();

    // Reads the record chosen by type and index.
    void ShowChosenRecord();
    // The selected index row (the current row when nothing is selected).
    int ChosenRow() const;
    // Clears the output list and reads `place`. Returns the reply when it
    // holds the record (`note` then carries any warning); otherwise shows
    // why it could not be read and returns nothing.
    std::optional<clsUSBInterface::ReplyBuffer>
    ReadForDisplay(const records::RecordPlace& place, const std::string& name, std::string& note);
    // Replaces the output list with `note` (if any) and `lines`.
    void ShowLines(const std::string& note, const std::vector<std::string>& lines);
    void CopySelectedOutput() const;

    // Link log view.
    void ShowWholeLog();
    void AppendLog(const QString& msg, bool cut);
    void ScrollLogToEnd();

    std::array<QRadioButton*, 3> optDiagType{};
    QButtonGroup* optDiagTypeGroup = nullptr;
    QListWidget* lstDiagIndex = nullptr;
    QListWidget* lstOutput = nullptr;
    QPushButton* cmdUSBListDevices = nullptr;
    QPushButton* cmdUSBTest = nullptr;
    QPushButton* cmdClearText = nullptr;
    QPushButton* cmdClose = nullptr;
    QPlainTextEdit* txtStatus = nullptr;

    int recordType_ = 0;
    bool ready_ = false;
    // A read waits for its reply while events are processed, so a click can
    // arrive inside it; the click is remembered and served once the read is
    // done, so the list always ends up showing the chosen record.
    bool reading_ = false;
    bool readAgain_ = false;
    // Current index row when a mouse button went down on the index list: a
    // click on the row already chosen reads again, while a click that moves
    // the choice has already read through the row change.
    int rowAtPress_ = -1;
    // Whether the type button pressed last was already the chosen one: its
    // click changes nothing and reads again.
    bool typeCheckedAtPress_ = false;

    std::vector<records::PlayerRecord> players_;
    std::vector<records::RemoteRecord> remotes_;
    records::SiteRecord site_{};
};
