#pragma once
// The transaction window: which transaction types the host prints and which
// it stores in its log (two masks, one box per type and column), "Program"
// to send both masks, "Dump" to read and list the whole log and "Save..." to
// keep the last listing. "Close" hands the masks to the site parameter
// record and hides the window; the masks are saved in Settings.ini when the
// close box hides the window and when the window unloads at shut-down.
// Hiding the window stops a running dump at its next block.

#include "transactions/TransactionDump.h"
#include "transactions/TransactionMasks.h"
#include "transactions/TransactionTypes.h"
#include "ui_frmTransactions.h"

#include <QWidget>

#include <array>
#include <optional>

class LinkSequence;
class QCheckBox;

// The controls and their layout are the form frmTransactions.ui, apart from
// the check boxes, one print and one store box per type of the type table.
class frmTransactions : public QWidget, private Ui::frmTransactions {
    Q_OBJECT
public:
    // Builds the controls and runs the load handler (reads the masks from
    // Settings.ini; talks to no host).
    explicit frmTransactions(QWidget* parent = nullptr);
    // Unloads the window if it was not closed by the program.
    ~frmTransactions() override;

    std::int32_t PrintMask() const { return print_.Mask(); }
    std::int32_t StoreMask() const { return store_.Mask(); }
    // The last dump, once one has run.
    const std::optional<transactions::TransactionDump>& LastDump() const { return lastDump_; }
    bool DumpRunning() const { return dumpRunning_; }

    // The handlers of the buttons, also reached by their clicks.
    void cmdProgram_Click();
    void cmdDump_Click();
    void cmdSave_Click();
    void cmdClose_Click();

protected:
    // The title-bar close box hides the window like "Close" (without handing
    // over the masks); a close by the program unloads it.
    void closeEvent(QCloseEvent* event) override;

private:
    static constexpr int kBoxes = transactions::kLastSelectableType + 1; // index 0 unused

    // The print and store boxes with their Clear All and Set All pairs, made
    // from the type table and placed in the form's box grid.
    void BuildBoxes();
    void PlaceBoxes();
    // The listing's fixed-pitch font and a width for its widest line.
    void FitListToFont();
    void ConnectControls();

    void Form_Load();
    // Writes the masks to Settings.ini, once.
    void Form_Unload();
    // Writes the masks to Settings.ini.
    void WriteSettings();
    // A running dump stops before its next block.
    void StopDump();
    // The rest of "Save...", once the operator has chosen a file.
    void SaveListing(const QString& path);

    void chkTransactionPrint_Click(int index, bool checked);
    void chkTransactionStore_Click(int index, bool checked);
    // index 0 Clear All, 1 Set All, for the print (false) or store column.
    void SetClrAll_Click(bool storeColumn, int index);

    void SetCommandsEnabled(bool enabled);
    // The start "Program" and "Dump" share: the link claimed, or the refusal
    // shown before anything changes; then `running` and the buttons off.
    bool StartCommand(const LinkSequence& run, bool& running);
    void EndCommand(bool& running);
    void ShowResult(const QString& text);
    void ShowListing(const std::vector<std::string>& lines);

    std::array<QCheckBox*, kBoxes> chkTransactionPrint{};
    std::array<QCheckBox*, kBoxes> chkTransactionStore{};
    std::array<QCheckBox*, 2> chkTransactionPrintSetClrAll{};
    std::array<QCheckBox*, 2> chkTransactionStoreSetClrAll{};

    transactions::MaskColumn print_;
    transactions::MaskColumn store_;
    std::optional<transactions::TransactionDump> lastDump_;
    bool dumpRunning_ = false;
    // The window was closed during the dump.
    bool dumpStopped_ = false;
    bool programRunning_ = false;
    bool unloaded_ = false;
};
