#include "remote_viewer/frmViewRemote.h"

#include "common/FixedPitchFont.h"
#include "common/ProgramState.h"
#include "common/CommandButtons.h"
#include "common/codeCommon.h"
#include "host_config/SiteConfig.h"
#include "link/LinkSequence.h"
#include "link/clsUSBInterface.h"
#include "platform/MessageBox.h"
#include "remote_viewer/RemoteViewerCore.h"
#include "remote_viewer/ViewRemoteTexts.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>

namespace t = remoteview::texts;

namespace {

// The node list is as wide as its label and this gap.
constexpr int kMargin = 8;
// The output box is wide enough for the longest error count line.
constexpr int kOutputColumns = 64;

QString Arg(const char* text, const QString& a) {
    return QString(text).arg(a);
}

} // namespace

frmViewRemote::frmViewRemote(QWidget* parent) : QWidget(parent) {
    setupUi(this);
    setAttribute(Qt::WA_DeleteOnClose);
    FitControlsToFont();
    // The window sees every key before its controls.
    for (QWidget* child : findChildren<QWidget*>()) {
        child->installEventFilter(this);
    }
    ConnectControls();
    Form_Load();
}

frmViewRemote::~frmViewRemote() {
    // Gone without its close (the program ended while the count waited for
    // the link or for the operator's answer): the main window's messages
    // carry the site's count again, and the log says the host's is still 0.
    if (!closed_) {
        HoldNodeCount(false);
        if (closing_) {
            AbandonRestore();
        }
    }
}

void frmViewRemote::FitControlsToFont() {
    const QFont fixed = FixedPitchFont(t::kFixedFontFamily, t::kFixedFontPoints);
    lstRemote->setFont(fixed);
    txtStatus->setFont(fixed);
    lstRemote->setFixedWidth(lblRemoteNumber->sizeHint().width() + kMargin);
    // The commands start level with the node list, below its label.
    commandsTop->changeSize(0, lblRemoteNumber->sizeHint().height(), QSizePolicy::Minimum,
                            QSizePolicy::Fixed);
    commands->invalidate();
    txtStatus->setMinimumWidth(
        txtStatus->fontMetrics().horizontalAdvance(QString(kOutputColumns, QChar('0'))) +
        txtStatus->verticalScrollBar()->sizeHint().width() + 2 * txtStatus->frameWidth());
}

void frmViewRemote::ConnectControls() {
    connect(lstRemote, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) {
            lstRemote_Click();
        }
    });
    connect(lstRemote, &QListWidget::itemClicked, this, [this] { lstRemote_Click(); });
    connect(cmdPollRemote, &QPushButton::clicked, this,
            [this] { RunCommand(&remoteview::PollRemote, t::kPollRemote); });
    connect(cmdGetCounts, &QPushButton::clicked, this,
            [this] { RunCommand(&remoteview::GetCounts, t::kGetCounts); });
    connect(cmdDumpNV, &QPushButton::clicked, this,
            [this] { RunCommand(&remoteview::DumpNV, t::kDumpNV); });
    connect(cmdDumpRemoteErrorCounts, &QPushButton::clicked, this,
            [this] { RunCommand(&remoteview::DumpRemoteErrorCounts, t::kDumpRemoteErrorCounts); });
    connect(cmdClearRemoteErrorCounts, &QPushButton::clicked, this, [this] {
        RunCommand(&remoteview::ClearRemoteErrorCounts, t::kClearRemoteErrorCounts);
    });
    connect(cmdClearText, &QPushButton::clicked, this, &frmViewRemote::cmdClearText_Click);
    connect(cmdClose, &QPushButton::clicked, this, &QWidget::close);
}

// ------------------------------------------------------------ load, unload

void frmViewRemote::Form_Load() {
    setWindowTitle(QString(t::kCaption) + t::kCaptionGap + t::kVersion +
                   QCoreApplication::applicationVersion());
    for (int node = 1; node <= remoteview::kNodeCount; ++node) {
        lstRemote->addItem(QString::number(node));
    }
    lstRemote->setCurrentRow(0);
    lstRemote->setFocus();

    // The shared record keeps the site's node count (the game setup window
    // works from it); only what is sent while the viewer is open carries 0.
    savedMaxNode_ = ProgramState::Instance().SiteParams.MaxNode;
    HoldNodeCount(true);
    // Nothing may talk to a node before the host has been told to leave the
    // field network alone; the message goes out once the window is in place.
    SetBusy(true);
    QTimer::singleShot(0, this, &frmViewRemote::SendOpeningParameters);
}

void frmViewRemote::HoldNodeCount(bool hold) {
    ProgramState& state = ProgramState::Instance();
    if (hold) {
        // "Program" in the main window sends the site parameters too: the
        // host keeps 0 as long as the viewer is open, and the count entered
        // there is the one sent when the viewer closes.
        state.SiteParamsHold = [](SiteParamRecord& record) { record.MaxNode = 0; };
    } else if (holding_) {
        state.SiteParamsHold = nullptr;
    }
    holding_ = hold;
}

void frmViewRemote::SendOpeningParameters() {
    if (closing_ || closed_) {
        return;
    }
    running_ = true;
    std::string why;
    const bool sent = SendConfig(why);
    running_ = false;
    opened_ = true;
    if (!sent) {
        DisplayMsg(Arg(t::kOpenFailed, QString::fromStdString(why)).toStdString() +
                   remoteview::kCrLf);
    }
    SetBusy(false);
    // The list was disabled while the message went out, which moved the
    // focus on; the keyboard starts at the node list.
    lstRemote->setFocus();
    if (closePending_) {
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

bool frmViewRemote::SendConfig(std::string& why) {
    const QPointer<clsUSBInterface> link = ProgramState::Instance().Link;
    LinkSequence run(link);
    if (!run.Claimed()) {
        why = link == nullptr ? t::kReasonNoLink : t::kReasonRefused;
        return false;
    }
    return remoteview::SendViewerSiteParams(link, ProgramState::Instance().SiteParams, holding_,
                                            why);
}

void frmViewRemote::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    if (running_) {
        // The run stops at its next command; the window closes after it.
        closePending_ = true;
        event->ignore();
        return;
    }
    if (!closing_) {
        closing_ = true;
        SetBusy(true);
        HoldNodeCount(false);
        // The record holds the site's count: the one saved as the viewer
        // opened, or the one "Program" has sent since.
        savedMaxNode_ = ProgramState::Instance().SiteParams.MaxNode;
        RestoreNodeCount();
    } else {
        // Closed again while the count waits for the link or for the
        // operator's answer: the program's shut-down, which comes when the
        // link is free. The window goes after this, so try now.
        RestoreNodeCount();
    }
    if (closed_) {
        event->accept();
    } else {
        event->ignore();
    }
}

void frmViewRemote::RestoreNodeCount() {
    if (restoring_ || closed_) {
        return;
    }
    const QPointer<clsUSBInterface> link = ProgramState::Instance().Link;
    if (link != nullptr && link->InUse()) {
        // Another window's command holds the link; asking the operator now
        // could only end with the count left at 0. The count goes out as
        // soon as that command has ended.
        if (!waitingForLink_) {
            waitingForLink_ = true;
            DisplayMsg(std::string(t::kRestoreWaiting) + remoteview::kCrLf);
            connect(link, &clsUSBInterface::Idle, this, &frmViewRemote::LinkFreed,
                    Qt::UniqueConnection);
        }
        return;
    }
    waitingForLink_ = false;
    if (link != nullptr) {
        disconnect(link, &clsUSBInterface::Idle, this, &frmViewRemote::LinkFreed);
    }
    restoring_ = true;
    std::string why;
    const QPointer<frmViewRemote> alive(this);
    const bool sent = SendConfig(why);
    if (alive == nullptr) {
        return;
    }
    restoring_ = false;
    if (sent) {
        closed_ = true;
        return;
    }
    const QString count = QString::number(savedMaxNode_);
    const QString text = QString(t::kRestoreFailed).arg(count, QString::fromStdString(why));
    platform::ShowMessage(this, {platform::MessageKind::Question, t::kRestoreTitle, text},
                          [this, count](platform::MessageAnswer answer) {
                              if (answer == platform::MessageAnswer::Yes) {
                                  RestoreNodeCount();
                              } else {
                                  AbandonRestore();
                              }
                              if (closed_) {
                                  QTimer::singleShot(0, this, &QWidget::close);
                              }
                          });
}

void frmViewRemote::LinkFreed() {
    // Not from inside the signal: the command that freed the link is still
    // unwinding.
    QTimer::singleShot(0, this, [this] {
        if (!waitingForLink_) {
            return;
        }
        RestoreNodeCount();
        if (closed_) {
            close();
        }
    });
}

void frmViewRemote::AbandonRestore() {
    if (closed_) {
        return;
    }
    closed_ = true;
    // Not silent: the log keeps it too.
    const QString text = Arg(t::kRestoreAbandoned, QString::number(savedMaxNode_));
    AppendStatusText(text.toStdString());
    qWarning("%s", qPrintable(text.trimmed()));
}

// ---------------------------------------------------------------- commands

void frmViewRemote::lstRemote_Click() {
    SetText({});
    remoteNumber_ = static_cast<std::uint8_t>(lstRemote->currentRow() + 1);
}

void frmViewRemote::cmdClearText_Click() {
    SetText({});
}

void frmViewRemote::SetBusy(bool busy) {
    EnableCommandButtons(this, !busy);
    // The node may not change under a run.
    lstRemote->setEnabled(!busy);
}

void frmViewRemote::RunCommand(Run run, const char* name) {
    if (running_ || closing_ || closed_ || !opened_) {
        return;
    }
    LinkSequence claim(ProgramState::Instance().Link);
    if (!claim.Claimed()) {
        DisplayMsg(std::string(claim.RefusalText()) + remoteview::kCrLf);
        return;
    }
    const QPointer<frmViewRemote> alive(this);
    const QPointer<QWidget> focus = QApplication::focusWidget();
    running_ = true;
    SetBusy(true);
    const std::uint8_t node = remoteNumber_;
    const QPointer<frmViewRemote> self(this);
    remoteview::LinkFieldSession session(
        ProgramState::Instance().Link, node,
        [self, &claim] { return self == nullptr || self->closePending_ || claim.ShouldStop(); },
        [self](const std::string& text) {
            if (self != nullptr) {
                self->DisplayMsg(text);
            }
        },
        [self](const std::string& text) {
            if (self != nullptr) {
                self->SetText(text);
            }
        });
    const int notSent = run(session);
    if (notSent > 0) {
        AppendStatusText(QString(t::kStoppedLog).arg(name).arg(node).arg(notSent).toStdString());
    }
    claim.Release();
    if (alive == nullptr) {
        return;
    }
    running_ = false;
    SetBusy(false);
    if (focus != nullptr && focus->isEnabled()) {
        focus->setFocus();
    }
    if (closePending_) {
        QTimer::singleShot(0, this, &QWidget::close);
    }
}

// ----------------------------------------------------------------- output

void frmViewRemote::DisplayMsg(const std::string& msg) {
    if (remoteview::MustEmptyBeforeAppend(shownCharacters_)) {
        txtStatus->clear();
        shownCharacters_ = 0;
    }
    shownCharacters_ += msg.size();
    // The box shows each CR LF as one line break; the caret ends up after
    // the new text with nothing selected.
    QString text = QString::fromLatin1(msg.data(), static_cast<qsizetype>(msg.size()));
    text.remove(QChar('\r'));
    QTextCursor end = txtStatus->textCursor();
    end.clearSelection();
    end.movePosition(QTextCursor::End);
    end.insertText(text);
    txtStatus->setTextCursor(end);
    txtStatus->ensureCursorVisible();
}

void frmViewRemote::DisplayBuffer(std::span<const std::uint8_t> buffer, int start, int count) {
    DisplayMsg(remoteview::BufferLine(buffer, start, count));
}

void frmViewRemote::SetText(const std::string& text) {
    txtStatus->clear();
    shownCharacters_ = 0;
    if (!text.empty()) {
        DisplayMsg(text);
    }
}

bool frmViewRemote::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const QString text = key->text();
        const bool plain =
            (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) == 0;
        if (plain && text.size() == 1 && lstRemote->isEnabled()) {
            const int n = text.at(0).unicode() - u'1';
            if (n >= 0 && n <= 8 && n < lstRemote->count()) {
                if (lstRemote->currentRow() == n) {
                    lstRemote_Click();
                } else {
                    lstRemote->setCurrentRow(n);
                }
                // Other controls still get the key; the list's own type-ahead
                // would move on to "10".."16", so it does not.
                return watched == lstRemote;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}
