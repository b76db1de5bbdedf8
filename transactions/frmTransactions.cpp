#include "transactions/frmTransactions.h"

#include "common/FixedPitchFont.h"
#include "common/ProgramState.h"
#include "common/StatusLine.h"
#include "common/TransactionEntry.h"
#include "common/codeCommon.h"
#include "link/LinkSequence.h"
#include "link/clsUSBInterface.h"
#include "platform/FileDialog.h"
#include "platform/IniProfile.h"
#include "platform/MessageBox.h"
#include "transactions/TransactionTexts.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFile>
#include <QPointer>
#include <QScrollBar>
#include <QShortcut>

namespace {

using transactions::kFirstSelectableType;
using transactions::kLastSelectableType;

// Bytes of a memory-read reply before the data.
constexpr int kReplyDataOffset = clsUSBInterface::kMemoryDataOffset;
static_assert(transactions::kBlockReplyBytes ==
              kReplyDataOffset + records::kTransactionBlockSize + 2);

// The gap above the Clear All and Set All rows.
constexpr int kMargin = 8;
// The widest listing line: a 10-digit amount and a year past 2099.
constexpr int kWidestLineChars = 58;

QString FromAscii(std::string_view text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

QString Description(int type) {
    return FromAscii(transactions::Description(static_cast<std::uint8_t>(type)));
}

} // namespace

frmTransactions::frmTransactions(QWidget* parent) : QWidget(parent) {
    // The boxes come first, so the keyboard starts at them.
    BuildBoxes();
    setupUi(this);
    PlaceBoxes();
    FitListToFont();
    MakeStatusLine(lblResult, txtext::kResultName);
    ConnectControls();
    Form_Load();
}

frmTransactions::~frmTransactions() {
    Form_Unload();
}

// ------------------------------------------------------------------ controls

void frmTransactions::BuildBoxes() {
    // Row by row, so Tab goes print box, store box, next row.
    for (int i = kFirstSelectableType; i <= kLastSelectableType; ++i) {
        const auto k = static_cast<std::size_t>(i);
        chkTransactionPrint[k] = new QCheckBox(this);
        chkTransactionPrint[k]->setObjectName(QString("chkTransactionPrint_%1").arg(i));
        chkTransactionPrint[k]->setAccessibleName(txtext::kPrintBoxName + Description(i));
        chkTransactionStore[k] = new QCheckBox(Description(i), this);
        chkTransactionStore[k]->setObjectName(QString("chkTransactionStore_%1").arg(i));
        chkTransactionStore[k]->setAccessibleName(txtext::kStoreBoxName + Description(i));
    }
    const char* const pairCaptions[2] = {txtext::kClearAll, txtext::kSetAll};
    for (int j = 0; j < 2; ++j) {
        const auto k = static_cast<std::size_t>(j);
        chkTransactionPrintSetClrAll[k] = new QCheckBox(this);
        chkTransactionPrintSetClrAll[k]->setObjectName(
            QString("chkTransactionPrintSetClrAll_%1").arg(j));
        chkTransactionPrintSetClrAll[k]->setAccessibleName(QString(txtext::kPrintBoxName) +
                                                           pairCaptions[j]);
        chkTransactionStoreSetClrAll[k] = new QCheckBox(pairCaptions[j], this);
        chkTransactionStoreSetClrAll[k]->setObjectName(
            QString("chkTransactionStoreSetClrAll_%1").arg(j));
        chkTransactionStoreSetClrAll[k]->setAccessibleName(QString(txtext::kStoreBoxName) +
                                                           pairCaptions[j]);
    }
}

void frmTransactions::PlaceBoxes() {
    // One row per type under the form's label, with the Clear All and Set
    // All rows below.
    for (int i = kFirstSelectableType; i <= kLastSelectableType; ++i) {
        const auto k = static_cast<std::size_t>(i);
        // The print box has no caption: centre it on its row's store box.
        boxes->addWidget(chkTransactionPrint[k], i, 0, Qt::AlignVCenter);
        boxes->addWidget(chkTransactionStore[k], i, 1);
    }
    const int pairRow = kLastSelectableType + 1;
    boxes->setRowMinimumHeight(pairRow, kMargin);
    for (int j = 0; j < 2; ++j) {
        const auto k = static_cast<std::size_t>(j);
        boxes->addWidget(chkTransactionPrintSetClrAll[k], pairRow + 1 + j, 0, Qt::AlignVCenter);
        boxes->addWidget(chkTransactionStoreSetClrAll[k], pairRow + 1 + j, 1);
    }
    boxes->setRowStretch(pairRow + 3, 1);
    lblTransaction->setBuddy(chkTransactionPrint[kFirstSelectableType]);

    // Tab goes through the boxes, then the list and the buttons.
    QWidget* previous = chkTransactionStoreSetClrAll[1];
    for (QWidget* next :
         std::initializer_list<QWidget*>{lstOutput, cmdProgram, cmdDump, cmdSave, cmdClose}) {
        setTabOrder(previous, next);
        previous = next;
    }
}

void frmTransactions::FitListToFont() {
    lstOutput->setFont(FixedPitchFont(txtext::kFixedFontFamily, txtext::kFixedFontPoints));
    lstOutput->setMinimumWidth(
        lstOutput->fontMetrics().horizontalAdvance(QString(kWidestLineChars, QChar('0'))) +
        lstOutput->verticalScrollBar()->sizeHint().width() + 2 * lstOutput->frameWidth() + 4);
}

void frmTransactions::ConnectControls() {
    for (int i = kFirstSelectableType; i <= kLastSelectableType; ++i) {
        const auto k = static_cast<std::size_t>(i);
        // Programmatic changes (load, Set All, Clear All) run the same rule.
        connect(chkTransactionPrint[k], &QCheckBox::toggled, this,
                [this, i](bool on) { chkTransactionPrint_Click(i, on); });
        connect(chkTransactionStore[k], &QCheckBox::toggled, this,
                [this, i](bool on) { chkTransactionStore_Click(i, on); });
    }
    for (int j = 0; j < 2; ++j) {
        const auto k = static_cast<std::size_t>(j);
        connect(chkTransactionPrintSetClrAll[k], &QCheckBox::clicked, this,
                [this, j] { SetClrAll_Click(false, j); });
        connect(chkTransactionStoreSetClrAll[k], &QCheckBox::clicked, this,
                [this, j] { SetClrAll_Click(true, j); });
    }
    connect(cmdProgram, &QPushButton::clicked, this, &frmTransactions::cmdProgram_Click);
    connect(cmdDump, &QPushButton::clicked, this, &frmTransactions::cmdDump_Click);
    connect(cmdSave, &QPushButton::clicked, this, &frmTransactions::cmdSave_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmTransactions::cmdClose_Click);
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &frmTransactions::cmdClose_Click);
}

// ------------------------------------------------------------ load, unload

void frmTransactions::Form_Load() {
    std::vector<std::string> unreadable;
    const transactions::TransactionSettings settings =
        transactions::ReadTransactionSettings(ProgramState::Instance().SettingsPath, &unreadable);
    print_ = transactions::MaskColumn(settings.PrintMask);
    store_ = transactions::MaskColumn(settings.StoreMask);
    if (!unreadable.empty()) {
        QStringList lines;
        for (const std::string& line : unreadable) {
            lines << QString::fromStdString(line);
        }
        ShowResult(lines.join(QChar('\n')));
    }
    // Checking a box sets the bit that is already set; bits without a box
    // stay as loaded.
    for (int i = kFirstSelectableType; i <= kLastSelectableType; ++i) {
        const auto k = static_cast<std::size_t>(i);
        chkTransactionPrint[k]->setChecked(print_.BoxChecked(i));
        chkTransactionStore[k]->setChecked(store_.BoxChecked(i));
    }
}

void frmTransactions::Form_Unload() {
    if (unloaded_) {
        return;
    }
    unloaded_ = true;
    WriteSettings();
}

void frmTransactions::WriteSettings() {
    // No message box here: the shut-down may come from a signal with nobody
    // to answer it, and the main window already reports a Settings.ini it
    // could not write.
    if (!transactions::WriteTransactionSettings({print_.Mask(), store_.Mask()},
                                                ProgramState::Instance().SettingsPath)) {
        qWarning(
            "%s",
            qPrintable(QString(txtext::kSettingsNotSaved)
                           .arg(QFile::decodeName(ProgramState::Instance().SettingsPath.c_str()))));
    }
}

void frmTransactions::closeEvent(QCloseEvent* event) {
    if (event->spontaneous()) {
        // The close box: keep the boxes and the listing, as "Close" does,
        // but the masks are saved now, as at an unload, so a later crash or
        // kill does not lose them.
        event->ignore();
        StopDump();
        WriteSettings();
        hide();
        return;
    }
    StopDump();
    Form_Unload();
    event->accept();
}

// -------------------------------------------------------------------- masks

void frmTransactions::chkTransactionPrint_Click(int index, bool checked) {
    print_.BoxClicked(index, checked);
}

void frmTransactions::chkTransactionStore_Click(int index, bool checked) {
    store_.BoxClicked(index, checked);
}

void frmTransactions::SetClrAll_Click(bool storeColumn, int index) {
    const auto& column = storeColumn ? chkTransactionStore : chkTransactionPrint;
    for (int i = kFirstSelectableType; i <= kLastSelectableType; ++i) {
        column[static_cast<std::size_t>(i)]->setChecked(index == 1);
    }
    transactions::MaskColumn& mask = storeColumn ? store_ : print_;
    if (index == 1) {
        mask.SetAll();
    } else {
        mask.ClearAll();
    }
    // The pair acts as two push buttons: neither stays checked.
    for (QCheckBox* box :
         storeColumn ? chkTransactionStoreSetClrAll : chkTransactionPrintSetClrAll) {
        box->setChecked(false);
    }
}

// ----------------------------------------------------------------- commands

void frmTransactions::SetCommandsEnabled(bool enabled) {
    cmdProgram->setEnabled(enabled);
    cmdDump->setEnabled(enabled);
    cmdSave->setEnabled(enabled && lastDump_.has_value());
}

void frmTransactions::ShowResult(const QString& text) {
    ShowStatusLine(lblResult, text);
}

void frmTransactions::ShowListing(const std::vector<std::string>& lines) {
    lstOutput->clear();
    for (const std::string& line : lines) {
        lstOutput->addItem(FromAscii(line));
    }
}

bool frmTransactions::StartCommand(const LinkSequence& run, bool& running) {
    if (!run.Claimed()) {
        ShowResult(run.RefusalText());
        return false;
    }
    running = true;
    SetCommandsEnabled(false);
    ShowResult({});
    return true;
}

void frmTransactions::EndCommand(bool& running) {
    running = false;
    SetCommandsEnabled(true);
}

void frmTransactions::cmdProgram_Click() {
    if (dumpRunning_ || programRunning_) {
        return;
    }
    LinkSequence run(ProgramState::Instance().Link);
    if (!StartCommand(run, programRunning_)) {
        return;
    }
    const QPointer<frmTransactions> alive(this);
    const QPointer<clsUSBInterface> link = ProgramState::Instance().Link;
    const auto payload = transactions::TransactionMaskPayload(store_.Mask(), print_.Mask());
    link->SendMessage(transactions::kMaskDeviceId, transactions::kMaskMsgLen,
                      transactions::kMaskCmnd, payload);
    if (alive == nullptr) {
        return; // the window went away while the message waited
    }
    const std::string result =
        link == nullptr
            ? QString(txtext::kProgramFailed).arg(txtext::kNoLink).toStdString()
            : transactions::ProgramResult(
                  link->LastOutcome(), link->OutcomeText(link->LastOutcome(), link->LastStatus()));
    EndCommand(programRunning_);
    ShowResult(FromAscii(result));
}

void frmTransactions::cmdDump_Click() {
    if (dumpRunning_ || programRunning_) {
        return;
    }
    LinkSequence run(ProgramState::Instance().Link);
    if (!StartCommand(run, dumpRunning_)) {
        return;
    }
    const QPointer<frmTransactions> alive(this);
    const QPointer<clsUSBInterface> link = ProgramState::Instance().Link;
    lstOutput->clear();
    lstOutput->addItem(txtext::kGettingData);

    const transactions::DumpControl control{
        [this](int block, int total) {
            lstOutput->item(0)->setText(QString(txtext::kGettingData) +
                                        QString(txtext::kProgress).arg(block + 1).arg(total));
        },
        [this, &run, &alive] { return alive == nullptr || run.ShouldStop() || dumpStopped_; },
        [this, &alive] {
            return std::string(alive != nullptr && dumpStopped_ ? txtext::kClosed : txtext::kStopped);
        }};
    dumpStopped_ = false;
    transactions::TransactionDump dump = transactions::ReadTransactionLog(link, control);
    if (alive == nullptr) {
        return; // the window went away while a read waited
    }
    ShowListing(dump.Lines());
    lastDump_ = std::move(dump);
    EndCommand(dumpRunning_);
}

void frmTransactions::cmdSave_Click() {
    if (!lastDump_ || dumpRunning_) {
        return;
    }
    platform::FileDialogRequest request;
    request.kind = platform::FileDialogKind::Save;
    request.title = txtext::kSaveTitle;
    request.filter = txtext::kSaveFilter;
    request.initialFileName = QFile::decodeName(ProgramState::Instance().ProgramFolder.c_str()) +
                              txtext::kSaveDefaultName;
    platform::ShowFileDialog(this, request, [this](const QString& path) { SaveListing(path); });
}

void frmTransactions::SaveListing(const QString& path) {
    if (!lastDump_ || dumpRunning_) {
        return; // a dump started while the dialog was open
    }
    const bool csv = path.endsWith(txtext::kCsvSuffix, Qt::CaseInsensitive);
    const std::string contents = csv ? lastDump_->CsvText() : lastDump_->ListingText();
    if (!platform::WriteFileAtomically(QFile::encodeName(path).toStdString(), contents)) {
        ShowResult(QString(txtext::kSaveFailed).arg(path));
        platform::ShowMessage(this, {platform::MessageKind::Warning, txtext::kSaveFailedTitle,
                                     QString(txtext::kSaveFailed).arg(path)});
        return;
    }
    ShowResult(QString(txtext::kSaved).arg(path));
}

void frmTransactions::StopDump() {
    // A dump of a hidden window would hold the link for nothing: it stops
    // at its next block and lists what it did not read.
    if (dumpRunning_) {
        dumpStopped_ = true;
    }
}

void frmTransactions::cmdClose_Click() {
    StopDump();
    SiteParamRecord& site = ProgramState::Instance().SiteParams;
    site.TransactionStoreMask = static_cast<std::uint32_t>(store_.Mask());
    site.TransactionPrintMask = static_cast<std::uint32_t>(print_.Mask());
    hide();
}
