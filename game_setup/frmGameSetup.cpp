#include "game_setup/frmGameSetup.h"

#include "common/ProgramState.h"
#include "common/StatusLine.h"
#include "common/codeCommon.h"
#include "game_setup/GameSetupTexts.h"
#include "game_setup/NodeFiles.h"
#include "link/LinkSequence.h"
#include "link/clsUSBInterface.h"
#include "platform/IniProfile.h"
#include "platform/MessageBox.h"

#include <QCloseEvent>
#include <QPointer>
#include <QTimer>

namespace t = gamesetup::texts;
using gamesetup::NodeRecord;

namespace {

// Failures listed by name in a summary before "... and N more".
constexpr std::size_t kListedFailures = 12;
constexpr std::size_t kListedProblems = 12;
constexpr std::size_t kListedSkippedLines = 5;

template <class Table> void FillList(QListWidget* list, const Table& table) {
    for (const auto& entry : table) {
        list->addItem(entry.listText);
    }
}

// Shows `value` as the list's chosen row; a value outside the list chooses
// nothing rather than a wrong item.
void ShowIndex(QListWidget* list, int value) {
    if (value >= 0 && value < list->count()) {
        list->setCurrentRow(value);
        list->scrollToItem(list->currentItem());
    } else {
        list->setCurrentRow(-1);
        list->clearSelection();
    }
}

// The list's chosen row into `field`; without a choice the field keeps its
// value.
void StoreIndex(const QListWidget* list, std::uint8_t& field) {
    const int row = list->currentRow();
    if (row >= 0) {
        field = static_cast<std::uint8_t>(row);
    }
}

std::string Join(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line;
        text += '\n';
    }
    return text;
}

} // namespace

frmGameSetup::frmGameSetup(QWidget* parent) : QWidget(parent) {
    setupUi(this);
    // Each opening reads NodeInfo.ini again; "Cancel" leaves nothing behind.
    setAttribute(Qt::WA_DeleteOnClose);
    MakeStatusLine(lblStatus, t::kStatusName);
    FillList(lstDenomination, gamesetup::kDenomTable);
    FillList(lstKeyDown, gamesetup::kKeyDownTable);
    FillList(lstNoteInValue, gamesetup::kDenomTable);
    FitControlsToFont();
    ConnectControls();
    Form_Load();
}

void frmGameSetup::FitControlsToFont() {
    lstNodeNumber->setFixedWidth(lstNodeNumber->fontMetrics().horizontalAdvance("0000000") + 30);
    // The group list shows both groups; the game number box seven digits.
    lstGameGroup->setFixedHeight(lstGameGroup->sizeHintForRow(0) * 2 +
                                 2 * lstGameGroup->frameWidth());
    lstGameGroup->setFixedWidth(lstGameGroup->fontMetrics().horizontalAdvance("MM") + 24);
    txtGameNumber->setFixedWidth(txtGameNumber->fontMetrics().horizontalAdvance("0000000") + 12);
    // The denomination lists show all seven items.
    const int denomRows = static_cast<int>(gamesetup::kDenomTable.size());
    const int listHeight =
        lstDenomination->sizeHintForRow(0) * denomRows + 2 * lstDenomination->frameWidth();
    for (QListWidget* list : {lstDenomination, lstKeyDown, lstNoteInValue}) {
        list->setMinimumHeight(listHeight);
        list->setMinimumWidth(list->fontMetrics().horizontalAdvance("10 Dollars") + 36);
    }
    lblStatus->setMinimumHeight(2 * lblStatus->fontMetrics().lineSpacing());
}

void frmGameSetup::ConnectControls() {
    connect(lstNodeNumber, &QListWidget::currentRowChanged, this,
            [this] { lstNodeNumber_Click(); });
    connect(cmdAutoSetGameNumber, &QPushButton::clicked, this,
            [this] { cmdAutoSetGameNumber_Click(); });
    connect(cmdSetAllToSelected, &QPushButton::clicked, this,
            [this] { cmdSetAllToSelected_Click(); });
    connect(cmdProgramSelected, &QPushButton::clicked, this,
            [this] { cmdProgramSelected_Click(); });
    connect(cmdProgramAll, &QPushButton::clicked, this, [this] { cmdProgramAll_Click(); });
    connect(cmdOK, &QPushButton::clicked, this, [this] { cmdOK_Click(); });
    connect(cmdCancel, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });
    connect(cmdFileRead, &QPushButton::clicked, this, [this] { cmdFileRead_Click(); });
    connect(cmdFileWrite, &QPushButton::clicked, this, [this] { cmdFileWrite_Click(); });
    // Escape does not leave: it would throw away every edit not yet saved
    // with "OK". Leaving without saving is "Cancel", a choice in words.
}

// ------------------------------------------------------------ opening

void frmGameSetup::Form_Load() {
    const ProgramState& state = ProgramState::Instance();
    maxNode_ = state.SiteParams.MaxNode;
    cardPrefix_ = state.SiteParams.CardPrefix;
    currentNode_ = 0;

    const platform::ProfileBatch ini(state.NodeFilePath);
    gamesetup::IniLoad load = gamesetup::LoadNodeIni(ini, cardPrefix_, maxNode_);
    table_ = load.table;
    unfit_ = load.unfit;
    storedGameNumbers_.clear();
    for (const gamesetup::FieldProblem& p : load.unfit) {
        if (p.field == t::kFieldGameNumber) {
            storedGameNumbers_[p.node] = p.value;
        }
    }
    if (!load.readable) {
        openNotice_ = t::IniUnreadable(state.NodeFilePath);
        openNoticeTitle_ = t::kIniUnreadableTitle;
    } else {
        openNoticeTitle_ = t::kProblemsTitle;
        std::vector<gamesetup::FieldProblem> problems = std::move(load.unfit);
        for (gamesetup::FieldProblem& p : gamesetup::TableProblems(table_, maxNode_)) {
            problems.push_back(std::move(p));
        }
        if (!problems.empty()) {
            openNotice_ =
                t::kProblemsOnOpen + gamesetup::DescribeProblems(problems, kListedProblems);
        }
    }
    SetStatus(openNotice_);

    selecting_ = true;
    for (int node = 1; node <= maxNode_; ++node) {
        lstNodeNumber->addItem(QString::number(node));
    }
    selecting_ = false;
    if (maxNode_ != 0) {
        selecting_ = true;
        lstNodeNumber->setCurrentRow(0);
        selecting_ = false;
        SelectionStep();
    }
}

void frmGameSetup::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!noticeShown_ && !openNotice_.empty()) {
        noticeShown_ = true;
        QTimer::singleShot(0, this, [this] { Tell(true, openNoticeTitle_, openNotice_); });
    }
}

// ------------------------------------------------------------ selection

bool frmGameSetup::StoreEntries() {
    NodeRecord& r = table_[static_cast<std::size_t>(currentNode_)];
    const std::string typed = txtGameNumber->text().toStdString();
    // A game number nobody edited stays as it is, also one the node could
    // not hold when it was read.
    const std::optional<std::int16_t> game = txtGameNumber->isModified()
                                                 ? gamesetup::ParseGameNumber(typed)
                                                 : std::optional<std::int16_t>(r.GameNumber);
    if (!game) {
        // Back to the node whose entry is wrong, before the operator is told.
        selecting_ = true;
        lstNodeNumber->setCurrentRow(currentNode_ - 1);
        selecting_ = false;
        const auto stored = storedGameNumbers_.find(currentNode_);
        Tell(true, t::kGameNumberTitle,
             typed.empty() && stored != storedGameNumbers_.end()
                 ? t::StoredGameNumberRefused(currentNode_, stored->second)
                 : t::GameNumberRefused(currentNode_, typed));
        txtGameNumber->setFocus();
        txtGameNumber->selectAll();
        return false;
    }
    r.GameNumber = *game;
    if (txtGameNumber->isModified()) {
        storedGameNumbers_.erase(currentNode_);
    }
    StoreIndex(lstGameGroup, r.GameGroup);
    StoreIndex(lstNoteInValue, r.NoteInValue);
    StoreIndex(lstDenomination, r.Denom);
    StoreIndex(lstKeyDown, r.KeyDown);
    r.Config = chkKiosk->isChecked() ? gamesetup::kKioskBit : 0;
    return true;
}

bool frmGameSetup::SelectionStep() {
    if (currentNode_ > 0 && !StoreEntries()) {
        return false;
    }
    currentNode_ = lstNodeNumber->currentRow() + 1;
    ShowCurrent();
    return true;
}

void frmGameSetup::ShowCurrent() {
    if (currentNode_ <= 0) {
        return;
    }
    const NodeRecord& r = table_[static_cast<std::size_t>(currentNode_)];
    const auto stored = storedGameNumbers_.find(currentNode_);
    if (stored != storedGameNumbers_.end() && r.GameNumber == gamesetup::kUnfitGameNumber) {
        // Not a number the operator typed: the box stays empty and names
        // what NodeInfo.ini holds.
        txtGameNumber->clear();
        txtGameNumber->setPlaceholderText(
            QString::fromStdString(t::StoredGameNumberHint(stored->second)));
    } else {
        txtGameNumber->setText(QString::number(r.GameNumber));
        txtGameNumber->setPlaceholderText({});
    }
    ShowIndex(lstGameGroup, r.GameGroup);
    ShowIndex(lstDenomination, r.Denom);
    ShowIndex(lstKeyDown, r.KeyDown);
    ShowIndex(lstNoteInValue, r.NoteInValue);
    chkKiosk->setChecked((r.Config & gamesetup::kKioskBit) != 0);
}

void frmGameSetup::lstNodeNumber_Click() {
    if (!selecting_) {
        SelectionStep();
    }
}

// ------------------------------------------------------------ table commands

void frmGameSetup::cmdAutoSetGameNumber_Click() {
    gamesetup::AutoSetGameNumbers(table_, maxNode_);
    currentNode_ = 0; // what the controls hold now is dropped, not stored
    SelectionStep();
}

void frmGameSetup::cmdSetAllToSelected_Click() {
    if (!SelectionStep() || currentNode_ <= 0) {
        return;
    }
    gamesetup::SetAllToNode(table_, currentNode_, maxNode_);
}

// ------------------------------------------------------------ programming

bool frmGameSetup::ClaimFailed(const LinkSequence& run, const char* title) {
    if (run.Claimed()) {
        return false;
    }
    Tell(true, title, run.RefusalText());
    return true;
}

void frmGameSetup::BeginRun() {
    running_ = true;
    stopRun_ = false;
    EnableCommandButtons(this, false);
    for (QWidget* w :
         std::initializer_list<QWidget*>{lstNodeNumber, txtGameNumber, lstGameGroup,
                                         lstDenomination, lstKeyDown, lstNoteInValue, chkKiosk}) {
        w->setEnabled(false);
    }
}

void frmGameSetup::EndRun() {
    for (QWidget* w :
         std::initializer_list<QWidget*>{lstNodeNumber, txtGameNumber, lstGameGroup,
                                         lstDenomination, lstKeyDown, lstNoteInValue, chkKiosk}) {
        w->setEnabled(true);
    }
    EnableCommandButtons(this, true);
    running_ = false;
}

std::optional<std::string> frmGameSetup::SendNode(int addr) {
    const NodeRecord empty{};
    const bool inTable = addr >= 1 && addr < gamesetup::kNodeTableSize;
    return gamesetup::SendNode(ProgramState::Instance().Link, addr,
                               inTable ? table_[static_cast<std::size_t>(addr)] : empty);
}

void frmGameSetup::cmdProgramSelected_Click() {
    LinkSequence run(ProgramState::Instance().Link);
    if (ClaimFailed(run, t::kProgramSelectedTitle)) {
        return;
    }
    BeginRun();
    if (!SelectionStep() || currentNode_ <= 0) {
        EndRun();
        return;
    }
    const int node = currentNode_;
    SetStatus(t::ProgressOne(node));
    const std::optional<std::string> failure = SendNode(node);
    EndRun();
    run.Release();
    if (!failure) {
        SetStatus(t::NodeProgrammed(node));
    } else {
        const gamesetup::ProgramRun result{1, 0, {{node, *failure}}};
        const std::string summary = gamesetup::RunSummary(result, kListedFailures);
        SetStatus(summary);
        AppendStatusText(summary + "\r\n");
        Tell(true, t::kProgramSelectedTitle, summary);
    }
    if (closeAfterRun_) {
        close();
    }
}

void frmGameSetup::cmdProgramAll_Click() {
    LinkSequence run(ProgramState::Instance().Link);
    if (ClaimFailed(run, t::kProgramTitle)) {
        return;
    }
    BeginRun();
    if (!SelectionStep()) {
        EndRun();
        return;
    }
    if (maxNode_ == 0) {
        EndRun();
        SetStatus(t::kNoNodes);
        return;
    }
    std::vector<int> nodes;
    for (int node = 1; node <= maxNode_; ++node) {
        nodes.push_back(node);
    }
    const gamesetup::RunControl control{
        [this](int done, int total) { SetStatus(t::Progress(done + 1, total)); },
        [this, &run] { return run.ShouldStop() || stopRun_; }};
    int stoppedAt = -1;
    const gamesetup::ProgramRun result =
        gamesetup::ProgramNodes(ProgramState::Instance().Link, table_, nodes, control, &stoppedAt);
    const bool quitting = stoppedAt >= 0 && run.ShouldStop();
    if (stoppedAt >= 0) {
        AppendStatusText(t::kProgramTitle + std::string(": ") + t::kWhyStopped + ", nodes " +
                         std::to_string(nodes[static_cast<std::size_t>(stoppedAt)]) + " to " +
                         std::to_string(maxNode_) + "\r\n");
    }
    EndRun();
    run.Release();
    const std::string summary = gamesetup::RunSummary(result, kListedFailures);
    SetStatus(summary);
    AppendStatusText(t::kProgramTitle + std::string(": ") +
                     gamesetup::RunSummary(result, result.failures.size()) + "\r\n");
    if (!quitting && !closeAfterRun_) {
        Tell(!result.AllAccepted(), t::kProgramTitle, summary);
    }
    if (closeAfterRun_) {
        close();
    }
}

// ------------------------------------------------------------ leaving

void frmGameSetup::cmdOK_Click() {
    if (!SelectionStep()) {
        return;
    }
    const std::string& path = ProgramState::Instance().NodeFilePath;
    if (!gamesetup::SaveNodeIni(path, table_, cardPrefix_, maxNode_, unfit_)) {
        Tell(true, t::kNotSavedTitle, t::NotWritten(path));
        return;
    }
    close();
}

void frmGameSetup::cmdCancel_Click() {
    close();
}

void frmGameSetup::closeEvent(QCloseEvent* event) {
    if (running_) {
        // Leaving now would pull the table from under the run: the run
        // stops at its next node and the window closes after it.
        stopRun_ = true;
        closeAfterRun_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

// ------------------------------------------------------------ files

void frmGameSetup::cmdFileRead_Click() {
    if (maxNode_ == 0) {
        return;
    }
    const std::string path = ProgramState::Instance().ProgramFolder + "/" + t::kNodeTextName;
    std::string contents;
    switch (gamesetup::ReadWholeFile(path, contents)) {
    case gamesetup::TextRead::Missing:
        Tell(true, t::kReadFileTitle, t::TextFileMissing(path));
        return;
    case gamesetup::TextRead::Unreadable:
        Tell(true, t::kReadFileTitle, t::TextFileUnreadable(path));
        return;
    case gamesetup::TextRead::Ok:
        break;
    }
    const gamesetup::TextImport import =
        gamesetup::ReadNodeText(contents, cardPrefix_, maxNode_, table_);
    // Show the chosen node from the file, without storing the entries.
    currentNode_ = lstNodeNumber->currentRow() + 1;
    ShowCurrent();

    SetStatus(t::ImportSummary(import.nodesRead, import.skipped.size()));
    Tell(!import.skipped.empty(), t::kReadFileTitle,
         gamesetup::ImportReport(import, kListedSkippedLines));
}

void frmGameSetup::cmdFileWrite_Click() {
    if (!SelectionStep()) {
        return;
    }
    const std::vector<gamesetup::FieldProblem> problems =
        gamesetup::TableProblems(table_, maxNode_);
    if (!problems.empty()) {
        Tell(true, t::kProblemsTitle,
             t::kWriteRefused + gamesetup::DescribeProblems(problems, kListedProblems));
        return;
    }
    // The files describe the table the window holds: its node count and site.
    SiteParamRecord site = ProgramState::Instance().SiteParams;
    site.MaxNode = static_cast<std::uint8_t>(maxNode_);
    site.CardPrefix = cardPrefix_;
    const std::vector<std::string> failed =
        gamesetup::WriteNodeFiles(ProgramState::Instance().ProgramFolder, table_, site);
    if (!failed.empty()) {
        Tell(true, t::kNotSavedTitle, t::NotWritten(Join(failed)));
        return;
    }
    SetStatus(t::kFilesWritten);
}

// ------------------------------------------------------------ telling

void frmGameSetup::Tell(bool warning, const char* title, const std::string& text) {
    platform::ShowMessage(
        this, {warning ? platform::MessageKind::Warning : platform::MessageKind::Information, title,
               QString::fromStdString(text)});
}

void frmGameSetup::SetStatus(const std::string& text) {
    ShowStatusLine(lblStatus, QString::fromStdString(text));
}
