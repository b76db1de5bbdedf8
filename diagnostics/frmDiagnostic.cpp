#include "diagnostics/frmDiagnostic.h"

#include "common/LinkLog.h"
#include "common/ProgramState.h"
#include "common/codeCommon.h"
#include "diagnostics/DiagnosticTexts.h"
#include "diagnostics/RecordReadCheck.h"
#include "link/LinkSequence.h"
#include "link/clsUSBInterface.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <optional>
#include <utility>

namespace {

// Default client area: 11070 x 9540 twips at 96 dots per inch.
constexpr int kDefaultWidth = 738;
constexpr int kDefaultHeight = 636;
// Outer margin and gaps between the control columns (120 twips).
constexpr int kMargin = 8;
// Extra space above "Clear Text" and "Close" (345 twips), which sets them
// apart from the two link buttons.
constexpr int kButtonGap = 23;
// Width of the type and index column (1215 twips).
constexpr int kIndexColumnWidth = 81;
// Height of the record list and of the log box (7410 and 1695 twips); their
// ratio is kept when the window is resized.
constexpr int kOutputHeight = 494;
constexpr int kStatusHeight = 113;
// Value text of the longest record line: four 9-digit counters and their
// separators.
constexpr int kWidestValueChars = 4 * 9 + 3 * 2;

QFont FixedPitchFont() {
    QFont font(diagtext::kFixedFontFamily);
    font.setPointSizeF(diagtext::kFixedFontPoints);
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    if (!QFontInfo(font).fixedPitch()) {
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        font.setPointSizeF(diagtext::kFixedFontPoints);
    }
    return font;
}

// The log keeps the CR LF of its lines; the box shows each as one break.
QString ForDisplay(QString text) {
    text.remove(QChar('\r'));
    return text;
}

QString FromAscii(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// Reads `place` through the device link. Returns the reply when it holds the
// record, with `note` set to any warning; otherwise no reply, and `note`
// says why.
std::optional<clsUSBInterface::ReplyBuffer> ReadRecord(const records::RecordPlace& place,
                                                       const std::string& name, std::string& note) {
    QPointer<clsUSBInterface> link = ProgramState::Instance().Link;
    if (link == nullptr) {
        note = records::ReadFailedLine(name, diagtext::kNoLink);
        return std::nullopt;
    }
    // Another window's command may be talking to the host (this read was
    // chosen inside its wait): say so rather than interleave with it.
    LinkSequence run(link);
    if (!run.Claimed()) {
        note = records::ReadFailedLine(name, run.RefusalText());
        return std::nullopt;
    }
    const clsUSBInterface::ReplyBuffer reply = link->NovRamRead(place.address, place.readLength);
    if (link == nullptr) { // released while the read waited
        note = records::ReadFailedLine(name, diagtext::kNoLink);
        return std::nullopt;
    }
    records::ReadVerdict verdict = records::CheckRecordReply(*link, name, place.decodedSize);
    note = std::move(verdict.note);
    if (!verdict.show) {
        return std::nullopt;
    }
    return reply;
}

} // namespace

frmDiagnostic::frmDiagnostic(QWidget* parent)
    : QWidget(parent), players_(kTableSize), remotes_(kTableSize) {
    setObjectName("frmDiagnostic");
    setWindowTitle(diagtext::kCaption);
    BuildControls();
    ArrangeControls();
    ShowWholeLog();
    ConnectControls();
    resize(kDefaultWidth, kDefaultHeight);
    Form_Load();
}

void frmDiagnostic::BuildControls() {
    const QFont fixed = FixedPitchFont();

    optDiagTypeGroup = new QButtonGroup(this);
    optDiagTypeGroup->setObjectName("optDiagType");
    for (int i = 0; i < 3; ++i) {
        optDiagType[i] = new QRadioButton(diagtext::kTypeCaptions[i], this);
        optDiagType[i]->setObjectName(QString("optDiagType_%1").arg(i));
        optDiagTypeGroup->addButton(optDiagType[i], i);
    }

    lstDiagIndex = new QListWidget(this);
    lstDiagIndex->setObjectName("lstDiagIndex");
    lstDiagIndex->setAccessibleName(diagtext::kIndexListName);
    lstDiagIndex->setFont(fixed);
    lstDiagIndex->setSelectionMode(QAbstractItemView::SingleSelection);
    lstDiagIndex->viewport()->installEventFilter(this);

    lstOutput = new QListWidget(this);
    lstOutput->setObjectName("lstOutput");
    lstOutput->setAccessibleName(diagtext::kOutputListName);
    lstOutput->setFont(fixed);
    lstOutput->setSelectionMode(QAbstractItemView::ExtendedSelection);
    lstOutput->setUniformItemSizes(true);
    // A clipped value would hide digits: scroll instead of eliding.
    lstOutput->setTextElideMode(Qt::ElideNone);
    lstOutput->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    lstOutput->installEventFilter(this);

    cmdUSBListDevices = new QPushButton(diagtext::kListDevices, this);
    cmdUSBListDevices->setObjectName("cmdUSBListDevices");
    cmdUSBTest = new QPushButton(diagtext::kTestUsb, this);
    cmdUSBTest->setObjectName("cmdUSBTest");
    cmdClearText = new QPushButton(diagtext::kClearText, this);
    cmdClearText->setObjectName("cmdClearText");
    cmdClose = new QPushButton(diagtext::kClose, this);
    cmdClose->setObjectName("cmdClose");

    txtStatus = new QPlainTextEdit(this);
    txtStatus->setObjectName("txtStatus");
    txtStatus->setAccessibleName(diagtext::kStatusBoxName);
    txtStatus->setFont(fixed);
    txtStatus->setReadOnly(true);
    txtStatus->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    txtStatus->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtStatus->setTabChangesFocus(true);
    txtStatus->setUndoRedoEnabled(false);

    // Keyboard order: the buttons and the log first, then the lists and the
    // record types.
    setTabOrder(cmdClose, txtStatus);
    setTabOrder(txtStatus, cmdUSBTest);
    setTabOrder(cmdUSBTest, cmdUSBListDevices);
    setTabOrder(cmdUSBListDevices, cmdClearText);
    setTabOrder(cmdClearText, lstOutput);
    setTabOrder(lstOutput, lstDiagIndex);
    setTabOrder(lstDiagIndex, optDiagType[0]);
    setTabOrder(optDiagType[0], optDiagType[1]);
    setTabOrder(optDiagType[1], optDiagType[2]);
    cmdClose->setFocus();
}

void frmDiagnostic::ArrangeControls() {
    // Types above the index list on the left, the record list in the middle,
    // the buttons on the right and the log across the bottom.
    auto* left = new QVBoxLayout;
    left->setSpacing(0);
    for (QRadioButton* option : optDiagType) {
        left->addWidget(option);
    }
    left->addSpacing(kMargin);
    left->addWidget(lstDiagIndex, 1);
    lstDiagIndex->setFixedWidth(kIndexColumnWidth);

    auto* right = new QVBoxLayout;
    right->addWidget(cmdUSBListDevices);
    right->addWidget(cmdUSBTest);
    right->addSpacing(kButtonGap);
    right->addWidget(cmdClearText);
    right->addSpacing(kButtonGap);
    right->addWidget(cmdClose);
    right->addStretch(1);

    // Wide enough for the longest record line (the remote node's counters)
    // with the vertical scroll bar in place.
    const int widestLine = records::kLabelWidth + kWidestValueChars;
    lstOutput->setMinimumWidth(
        lstOutput->fontMetrics().horizontalAdvance(QString(widestLine + 2, QChar('0'))) +
        lstOutput->verticalScrollBar()->sizeHint().width() + 2 * lstOutput->frameWidth());
    lstOutput->setMinimumHeight(kOutputHeight / 2);
    txtStatus->setMinimumHeight(kStatusHeight / 2);

    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(kMargin, kMargin, kMargin, kMargin);
    grid->setSpacing(kMargin);
    grid->addLayout(left, 0, 0);
    grid->addWidget(lstOutput, 0, 1);
    grid->addLayout(right, 0, 2);
    grid->addWidget(txtStatus, 1, 0, 1, 3);
    grid->setColumnStretch(1, 1);
    grid->setRowStretch(0, kOutputHeight);
    grid->setRowStretch(1, kStatusHeight);
}

void frmDiagnostic::ConnectControls() {
    // A type is read once whenever the choice changes, whatever changed it
    // (mouse, keyboard, or an assistive technology's toggle, which sets the
    // state without a click); a click on the type already chosen reads it
    // again. Every click path emits pressed before it toggles.
    for (QRadioButton* option : optDiagType) {
        connect(option, &QRadioButton::pressed, this,
                [this, option] { typeCheckedAtPress_ = option->isChecked(); });
    }
    connect(optDiagTypeGroup, &QButtonGroup::idToggled, this, [this](int id, bool checked) {
        if (checked) {
            optDiagType_Click(id);
        }
    });
    connect(optDiagTypeGroup, &QButtonGroup::idClicked, this, [this](int id) {
        if (std::exchange(typeCheckedAtPress_, false)) {
            optDiagType_Click(id);
        }
    });

    // The same for the index: every change of the selected row reads
    // (keyboard moves and clicks also move the current row, an assistive
    // technology's select may not); a click on the index already chosen
    // reads it again.
    connect(lstDiagIndex, &QListWidget::itemSelectionChanged, this, [this] {
        // A selection emptied on the way to another row reads nothing.
        if (!lstDiagIndex->selectedItems().isEmpty()) {
            lstDiagIndex_Click();
        }
    });
    connect(lstDiagIndex, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) {
        if (lstDiagIndex->row(item) == rowAtPress_) {
            lstDiagIndex_Click();
        }
    });

    connect(cmdUSBListDevices, &QPushButton::clicked, this,
            &frmDiagnostic::cmdUSBListDevices_Click);
    connect(cmdUSBTest, &QPushButton::clicked, this, &frmDiagnostic::cmdUSBTest_Click);
    connect(cmdClearText, &QPushButton::clicked, this, &frmDiagnostic::cmdClearText_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmDiagnostic::cmdClose_Click);

    connect(&LinkLog::Instance(), &LinkLog::Appended, this, &frmDiagnostic::AppendLog);
    connect(&LinkLog::Instance(), &LinkLog::Reset, this, &frmDiagnostic::ShowWholeLog);
}

void frmDiagnostic::Form_Load() {
    // The selection and the type set here raise their handlers while ready
    // is still false, so loading reads nothing from the host.
    lstDiagIndex->clear();
    for (int i = 0; i < kIndexCount; ++i) {
        lstDiagIndex->addItem(QString::number(i));
    }
    lstDiagIndex->setCurrentRow(0);
    optDiagType[0]->setChecked(true);
    recordType_ = 0;
    ready_ = true;
}

void frmDiagnostic::optDiagType_Click(int index) {
    recordType_ = index;
    if (ready_) {
        lstDiagIndex_Click();
    }
}

void frmDiagnostic::lstDiagIndex_Click() {
    if (!ready_) {
        return;
    }
    if (reading_) {
        readAgain_ = true;
        return;
    }
    reading_ = true;
    const QPointer<frmDiagnostic> alive(this);
    do {
        readAgain_ = false;
        ShowChosenRecord();
        if (alive == nullptr) {
            return;
        }
    } while (readAgain_);
    reading_ = false;
}

int frmDiagnostic::ChosenRow() const {
    const QList<QListWidgetItem*> selected = lstDiagIndex->selectedItems();
    return selected.isEmpty() ? lstDiagIndex->currentRow() : lstDiagIndex->row(selected.first());
}

void frmDiagnostic::ShowChosenRecord() {
    const int row = ChosenRow();
    if (row < 0) {
        return;
    }
    const auto index = static_cast<std::int16_t>(row);
    switch (recordType_) {
    case static_cast<int>(records::RecordType::Player):
        DisplayPlayer(index);
        break;
    case static_cast<int>(records::RecordType::Remote):
        DisplayRemote(index);
        break;
    case static_cast<int>(records::RecordType::SiteParam):
        DisplaySiteParam();
        break;
    default:
        break;
    }
}

std::optional<clsUSBInterface::ReplyBuffer>
frmDiagnostic::ReadForDisplay(const records::RecordPlace& place, const std::string& name,
                              std::string& note) {
    lstOutput->clear();
    const QPointer<frmDiagnostic> alive(this);
    auto reply = ReadRecord(place, name, note);
    if (alive == nullptr) {
        return std::nullopt; // the window went away while the read waited
    }
    if (!reply) {
        ShowLines(note, {});
    }
    return reply;
}

void frmDiagnostic::DisplayPlayer(std::int16_t index) {
    std::string note;
    const auto reply = ReadForDisplay(records::PlayerPlace(index),
                                      diagtext::kPlayerRecordName + std::to_string(index), note);
    if (!reply) {
        return;
    }
    const records::PlayerRecord record = records::DecodePlayer(*reply);
    if (index >= 0 && index < kTableSize) {
        players_[static_cast<std::size_t>(index)] = record;
    }
    ShowLines(note, records::RecordLines(records::kPlayerLayout, record));
}

void frmDiagnostic::DisplayRemote(std::int16_t index) {
    std::string note;
    const auto reply = ReadForDisplay(records::RemotePlace(index),
                                      diagtext::kRemoteRecordName + std::to_string(index), note);
    if (!reply) {
        return;
    }
    const records::RemoteRecord record = records::DecodeRemote(*reply);
    if (index >= 0 && index < kTableSize) {
        remotes_[static_cast<std::size_t>(index)] = record;
    }
    ShowLines(note, records::RecordLines(records::kRemoteLayout, record));
}

void frmDiagnostic::DisplaySiteParam() {
    std::string note;
    const auto reply = ReadForDisplay(records::SitePlace(), diagtext::kSiteRecordName, note);
    if (!reply) {
        return;
    }
    site_ = records::DecodeSite(*reply);
    ShowLines(note, records::RecordLines(records::kSiteLayout, site_));
}

void frmDiagnostic::ShowLines(const std::string& note, const std::vector<std::string>& lines) {
    lstOutput->clear();
    if (!note.empty()) {
        lstOutput->addItem(FromAscii(note));
    }
    for (const std::string& line : lines) {
        lstOutput->addItem(FromAscii(line));
    }
}

void frmDiagnostic::cmdUSBListDevices_Click() {
    if (clsUSBInterface* link = ProgramState::Instance().Link) {
        link->ListDevices();
    } else {
        AppendStatusText(diagtext::kNoLinkLogLine);
    }
}

void frmDiagnostic::cmdUSBTest_Click() {
    if (clsUSBInterface* link = ProgramState::Instance().Link) {
        LinkSequence run(link);
        if (!run.Claimed()) {
            AppendStatusText(std::string(run.RefusalText()) + "\r\n");
            return;
        }
        // Only the exchange's log line matters; the input word is dropped.
        static_cast<void>(link->ReadInputs());
    } else {
        AppendStatusText(diagtext::kNoLinkLogLine);
    }
}

void frmDiagnostic::cmdClearText_Click() {
    LinkLog::Instance().Clear();
}

void frmDiagnostic::cmdClose_Click() {
    hide();
}

void frmDiagnostic::closeEvent(QCloseEvent* event) {
    // Unloading would throw away the chosen record and the decoded tables;
    // hide instead, as "Close" does.
    event->ignore();
    hide();
}

bool frmDiagnostic::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstDiagIndex->viewport() && event->type() == QEvent::MouseButtonPress) {
        rowAtPress_ = lstDiagIndex->currentRow();
    } else if (watched == lstOutput && event->type() == QEvent::KeyPress &&
               static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy)) {
        CopySelectedOutput();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmDiagnostic::CopySelectedOutput() const {
    QStringList lines;
    for (int row = 0; row < lstOutput->count(); ++row) {
        if (lstOutput->item(row)->isSelected()) {
            lines << lstOutput->item(row)->text();
        }
    }
    if (!lines.isEmpty()) {
        QApplication::clipboard()->setText(lines.join('\n') + '\n');
    }
}

void frmDiagnostic::ScrollLogToEnd() {
    txtStatus->ensureCursorVisible();
    QScrollBar* bar = txtStatus->verticalScrollBar();
    bar->setValue(bar->maximum());
}

void frmDiagnostic::ShowWholeLog() {
    txtStatus->setPlainText(ForDisplay(LinkLog::Instance().Text()));
    QTextCursor end = txtStatus->textCursor();
    end.movePosition(QTextCursor::End);
    txtStatus->setTextCursor(end);
    ScrollLogToEnd();
}

void frmDiagnostic::AppendLog(const QString& msg, bool cut) {
    if (cut) {
        ShowWholeLog();
        return;
    }
    // New text goes at the end with the caret after it and nothing selected,
    // and the box scrolls there.
    QTextCursor end = txtStatus->textCursor();
    end.clearSelection();
    end.movePosition(QTextCursor::End);
    end.insertText(ForDisplay(msg));
    txtStatus->setTextCursor(end);
    ScrollLogToEnd();
}
