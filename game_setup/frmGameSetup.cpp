#include "game_setup/frmGameSetup.h"

#include "common/ProgramState.h"
#include "common/StatusLine.h"
#include "common/CommandButtons.h"
#include "common/codeCommon.h"
#include "game_setup/FileCommands.h"
#include "game_setup/GameSetupTexts.h"
#include "game_setup/NodeFiles.h"
#include "link/LinkSequence.h"
#include "link/clsUSBInterface.h"
#include "platform/MessageBox.h"

#include <QCloseEvent>
#include <QTimer>

namespace t = gamesetup::texts;
using gamesetup::NodeRecord;

namespace {

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
// value. Only a selected row is a choice: a list that gets the focus with no
// current row (as when a run disables the controls and the focus passes
// through it) makes its first row current without selecting it.
void StoreIndex(const QListWidget* list, std::uint8_t& field) {
    const QListWidgetItem* item = list->currentItem();
    if (item != nullptr && item->isSelected()) {
        field = static_cast<std::uint8_t>(list->row(item));
    }
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

    gamesetup::Opening opening =
        gamesetup::OpenNodeTable(state.NodeFilePath, cardPrefix_, maxNode_);
    table_ = opening.table;
    unfit_ = std::move(opening.unfit);
    storedGameNumbers_ = std::move(opening.storedGameNumbers);
    openNotice_ = std::move(opening.notice);
    SetStatus(openNotice_.text);

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
    if (!noticeShown_ && !openNotice_.text.empty()) {
        noticeShown_ = true;
        QTimer::singleShot(0, this, [this] { Tell(openNotice_); });
    }
}

// ------------------------------------------------------------ selection

bool frmGameSetup::StoreEntries() {
    NodeRecord& r = table_[static_cast<std::size_t>(currentNode_)];
    const std::string typed = txtGameNumber->text().toStdString();
    // The box is judged by what it shows, not by how its text got there: a
    // text set by assistive technology is no edit to QLineEdit::isModified.
    // A box still showing what the window put there keeps the node's number,
    // also one the node could not hold when it was read.
    const std::optional<std::int16_t> game =
        gamesetup::GameNumberEntry(typed, shownGameNumber_, r.GameNumber);
    if (!game) {
        // Back to the node whose entry is wrong, before the operator is told.
        selecting_ = true;
        lstNodeNumber->setCurrentRow(currentNode_ - 1);
        selecting_ = false;
        Tell({true, t::kGameNumberTitle,
              gamesetup::GameNumberRefusal(currentNode_, typed, storedGameNumbers_)});
        txtGameNumber->setFocus();
        txtGameNumber->selectAll();
        return false;
    }
    r.GameNumber = *game;
    if (typed != shownGameNumber_) {
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
    shownGameNumber_ = txtGameNumber->text().toStdString();
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
    Tell({true, title, run.RefusalText()});
    return true;
}

void frmGameSetup::SetRunning(bool running) {
    running_ = running;
    if (running) {
        stopRun_ = false;
    }
    EnableCommandButtons(this, !running);
    for (QWidget* w :
         std::initializer_list<QWidget*>{lstNodeNumber, txtGameNumber, lstGameGroup,
                                         lstDenomination, lstKeyDown, lstNoteInValue, chkKiosk}) {
        w->setEnabled(!running);
    }
}

void frmGameSetup::EndRun(LinkSequence& run, const gamesetup::RunReport& report, bool tell) {
    SetRunning(false);
    run.Release();
    SetStatus(report.status);
    if (!report.log.empty()) {
        AppendStatusText(report.log);
    }
    if (tell) {
        Tell(report.box);
    }
    if (closeAfterRun_) {
        close();
    }
}

void frmGameSetup::cmdProgramSelected_Click() {
    LinkSequence run(ProgramState::Instance().Link);
    if (ClaimFailed(run, t::kProgramSelectedTitle)) {
        return;
    }
    SetRunning(true);
    if (!SelectionStep() || currentNode_ <= 0) {
        SetRunning(false);
        return;
    }
    const int node = currentNode_;
    SetStatus(t::ProgressOne(node));
    const std::optional<std::string> failure = gamesetup::SendNode(
        ProgramState::Instance().Link, node, table_[static_cast<std::size_t>(node)]);
    EndRun(run, gamesetup::ReportSelected(node, failure), true);
}

void frmGameSetup::cmdProgramAll_Click() {
    LinkSequence run(ProgramState::Instance().Link);
    if (ClaimFailed(run, t::kProgramTitle)) {
        return;
    }
    SetRunning(true);
    if (!SelectionStep() || maxNode_ == 0) {
        SetRunning(false);
        if (maxNode_ == 0) {
            SetStatus(t::kNoNodes);
        }
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
        AppendStatusText(t::RunStopped(nodes[static_cast<std::size_t>(stoppedAt)], maxNode_));
    }
    EndRun(run, gamesetup::ReportAll(result), !quitting && !closeAfterRun_);
}

// ------------------------------------------------------------ leaving

void frmGameSetup::cmdOK_Click() {
    if (!SelectionStep()) {
        return;
    }
    const gamesetup::FileOutcome saved = gamesetup::SaveNodeTable(
        ProgramState::Instance().NodeFilePath, table_, cardPrefix_, maxNode_, unfit_);
    Tell(saved.notice);
    if (saved.done) {
        close();
    }
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
    const gamesetup::FileOutcome read = gamesetup::ReadNodeTextFile(
        ProgramState::Instance().ProgramFolder, cardPrefix_, maxNode_, table_);
    if (read.done) {
        // Show the chosen node from the file, without storing the entries.
        currentNode_ = lstNodeNumber->currentRow() + 1;
        ShowCurrent();
        SetStatus(read.status);
    }
    Tell(read.notice);
}

void frmGameSetup::cmdFileWrite_Click() {
    if (!SelectionStep()) {
        return;
    }
    const ProgramState& state = ProgramState::Instance();
    const gamesetup::FileOutcome written = gamesetup::WriteNodeTableFiles(
        state.ProgramFolder, table_, state.SiteParams, cardPrefix_, maxNode_);
    if (written.done) {
        SetStatus(written.status);
    }
    Tell(written.notice);
}

// ------------------------------------------------------------ telling

void frmGameSetup::Tell(const gamesetup::Notice& notice) {
    if (notice.text.empty()) {
        return;
    }
    platform::ShowMessage(
        this, {notice.warning ? platform::MessageKind::Warning : platform::MessageKind::Information,
               notice.title, QString::fromStdString(notice.text)});
}

void frmGameSetup::SetStatus(const std::string& text) {
    ShowStatusLine(lblStatus, QString::fromStdString(text));
}
