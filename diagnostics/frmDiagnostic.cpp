#include "diagnostics/frmDiagnostic.h"

#include "common/FixedPitchFont.h"
#include "common/LinkLog.h"
#include "common/ProgramState.h"
#include "common/codeCommon.h"
#include "diagnostics/DiagnosticTexts.h"
#include "diagnostics/RecordReadCheck.h"
#include "ui_frmDiagnostic.h"
#include "link/LinkSequence.h"
#include "link/clsUSBInterface.h"

#include <QApplication>
#include <QButtonGroup>
#include <QClipboard>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>

#include <optional>
#include <utility>

namespace {

// Value text of the longest record line: four 9-digit counters and their
// separators.
constexpr int kWidestValueChars = 4 * 9 + 3 * 2;

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
    SetUpControls();
    ShowWholeLog();
    ConnectControls();
    Form_Load();
}

void frmDiagnostic::SetUpControls() {
    // The controls, their layout and keyboard order come from the form.
    Ui::frmDiagnostic ui;
    ui.setupUi(this);
    optDiagType = {ui.optDiagType_0, ui.optDiagType_1, ui.optDiagType_2};
    optDiagTypeGroup = ui.optDiagType;
    for (int i = 0; i < 3; ++i) {
        optDiagTypeGroup->setId(optDiagType[i], i); // the id is the record type
    }
    lstDiagIndex = ui.lstDiagIndex;
    lstOutput = ui.lstOutput;
    cmdUSBListDevices = ui.cmdUSBListDevices;
    cmdUSBTest = ui.cmdUSBTest;
    cmdClearText = ui.cmdClearText;
    cmdClose = ui.cmdClose;
    txtStatus = ui.txtStatus;

    const QFont fixed = FixedPitchFont(diagtext::kFixedFontFamily, diagtext::kFixedFontPoints);
    for (QWidget* shown : {static_cast<QWidget*>(lstDiagIndex), static_cast<QWidget*>(lstOutput),
                           static_cast<QWidget*>(txtStatus)}) {
        shown->setFont(fixed);
    }
    // Wide enough for the longest record line (the remote node's counters)
    // with the vertical scroll bar in place.
    const int widestLine = records::kLabelWidth + kWidestValueChars;
    lstOutput->setMinimumWidth(
        lstOutput->fontMetrics().horizontalAdvance(QString(widestLine + 2, QChar('0'))) +
        lstOutput->verticalScrollBar()->sizeHint().width() + 2 * lstOutput->frameWidth());

    lstDiagIndex->viewport()->installEventFilter(this);
    lstOutput->installEventFilter(this);
    cmdClose->setFocus();
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
