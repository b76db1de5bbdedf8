// The main window's behaviour: start-up and shut-down, marks, "Program",
// the file buttons and the tool windows.

#include "host_config/frmOrvane.h"

#include "common/ProgramState.h"
#include "common/CommandButtons.h"
#include "common/codeCommon.h"
#include "host_config/ConnectionBar.h"
#include "host_config/MainWindowTexts.h"
#include "host_config/SettingsFile.h"
#include "host_config/SiteProgramming.h"
#include "host_config/TicketTextFile.h"
#include "link/LinkSequence.h"
#include "link/clsUSBInterface.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTextDocument>
#include <QTimer>

namespace t = hostconfig::texts;
using namespace hostconfig;

namespace {

std::size_t Index(ToolWindow which) {
    return static_cast<std::size_t>(which);
}

} // namespace

frmOrvane::frmOrvane(QWidget* parent)
    : QMainWindow(parent),
      ticketFiles_([this](std::size_t box) { return BoxText(static_cast<int>(box)); },
                   [this](std::size_t box, const QString& text) {
                       txtHeaderFooter[box]->setPlainText(text);
                   }),
      clock_([] { return QDateTime::currentDateTime(); }) {
    SetUpControls();
    ConnectHandlers();
    StartUp();
}

frmOrvane::~frmOrvane() {
    if (!shutDownDone_ && !shuttingDown_) {
        ShutDown();
    }
}

// ------------------------------------------------------ start-up, shut-down

void frmOrvane::StartUp() {
    setWindowTitle(QCoreApplication::applicationName() + t::kVersionSeparator +
                   QCoreApplication::applicationVersion());

    ProgramState& state = ProgramState::Instance();
    state.SetProgramFolder(state.ProgramFolder);
    startUpProblems_.clear();
    const MainSettings s =
        ReadMainSettings(state.SettingsPath, state.ProgramFolder, &startUpProblems_);
    ticketFiles_.SetFileName(0, s.LocationFileName);
    ticketFiles_.SetFileName(1, s.DisclaimerFileName);
    printerType_ = s.PrinterType;
    globalOptions_ = s.GlobalOptions;
    for (std::size_t n = 0; n < txtParameters.size(); ++n) {
        txtParameters[n]->setText(QString::fromStdString(s.Parameters[n]));
    }
    cboKioskNoteInValue->setCurrentIndex(s.KioskNoteInValue);
    for (int n = 0; n < 8; ++n) {
        if ((globalOptions_ & (1u << n)) != 0) {
            chkOptions[static_cast<std::size_t>(n)]->setChecked(true);
        }
    }
    optPrinter[static_cast<std::size_t>(printerType_)]->setChecked(true);
    for (int n = 1; n <= 3; ++n) {
        optPrinter[static_cast<std::size_t>(n)]->setEnabled(false);
    }
    startUpProblems_ << ticketFiles_.LoadAtStartUp();
    // Filling the controls marked every part as changed; nothing is yet.
    for (QCheckBox* box : chkSend) {
        box->setChecked(false);
    }

    link_ = std::make_unique<clsUSBInterface>();
    link_->SetTimer(ocxTimer);
    link_->FlushRcv();
    state.Link = link_.get();
    statusConnection->Attach(link_.get());
    connect(link_.get(), &clsUSBInterface::Idle, this, [this] {
        if (closePending_) {
            QTimer::singleShot(0, this, [this] { close(); });
        }
    });

    SetParameters();

    if (!startUpProblems_.isEmpty()) {
        // Shown once the window is up, so the operator sees what it is about.
        QTimer::singleShot(0, this, [this] {
            platform::ShowMessage(this, {platform::MessageKind::Warning, t::kStartUpTitle,
                                         QString(t::kStartUpIntro) + QStringLiteral("\n\n") +
                                             startUpProblems_.join(QChar('\n'))});
        });
    }
}

bool frmOrvane::ShutDownMustWait() const {
    return programRunning_ || (link_ != nullptr && link_->InUse());
}

void frmOrvane::ShutDownFromOutside() {
    fromOutside_ = true;
    close();
}

void frmOrvane::closeEvent(QCloseEvent* event) {
    if (shutDownDone_) {
        event->accept();
        return;
    }
    if (shuttingDown_) {
        event->ignore();
        return;
    }
    if (ShutDownMustWait()) {
        // Releasing the link now would pull it from under the exchange that
        // is waiting; a running command stops at its next exchange, and the
        // window closes as soon as the link is free.
        closePending_ = true;
        if (link_ != nullptr) {
            link_->RequestStop();
        }
        event->ignore();
        return;
    }
    ShutDown();
    if (noticePending_) {
        event->ignore();
        return;
    }
    event->accept();
}

void frmOrvane::ShutDown() {
    shuttingDown_ = true;
    closePending_ = false;
    ProgramState& state = ProgramState::Instance();
    if (link_ != nullptr) {
        // What the shut-down itself sends (a tool window putting the host
        // back as it found it) must still go out.
        link_->ClearStopRequest();
    }

    MainSettings s;
    s.LocationFileName = ticketFiles_.FileName(0);
    s.DisclaimerFileName = ticketFiles_.FileName(1);
    s.PrinterType = printerType_;
    s.GlobalOptions = globalOptions_;
    for (std::size_t n = 0; n < txtParameters.size(); ++n) {
        s.Parameters[n] = txtParameters[n]->text().toStdString();
    }
    s.KioskNoteInValue = cboKioskNoteInValue->currentIndex();
    QStringList failed;
    if (!WriteMainSettings(s, state.SettingsPath)) {
        failed << QString::fromUtf8(state.SettingsPath);
    }
    failed << ticketFiles_.SaveAtShutDown();
    if (!failed.isEmpty()) {
        const QString text = QString(t::kNotSaved).arg(failed.join(QChar('\n')));
        if (fromOutside_) {
            qWarning("%s", qPrintable(text));
        } else {
            // The window stays until the operator has read what was lost.
            noticePending_ = true;
            platform::ShowMessage(this, {platform::MessageKind::Warning, t::kNotSavedTitle, text},
                                  [this](platform::MessageAnswer) {
                                      noticePending_ = false;
                                      QTimer::singleShot(0, this, [this] { close(); });
                                  });
        }
    }

    // The tool windows close while the link still exists: some of them talk
    // to the host as they close.
    for (QPointer<QWidget>& window : toolWindows_) {
        if (window != nullptr) {
            window->close();
            delete window.data();
        }
    }
    state.Link = nullptr;
    link_.reset();
    shutDownDone_ = true;
}

// ------------------------------------------------------------- tool windows

void frmOrvane::SetToolWindowFactory(ToolWindow which, ToolWindowFactory make) {
    toolFactories_[Index(which)] = std::move(make);
    UpdateToolButtons();
}

QWidget* frmOrvane::ToolWindowIfOpen(ToolWindow which) const {
    return toolWindows_[Index(which)].data();
}

void frmOrvane::UpdateToolButtons() {
    for (std::size_t k = 0; k < toolButtons_.size(); ++k) {
        toolButtons_[k]->setEnabled(toolFactories_[k] != nullptr && !programRunning_);
    }
}

void frmOrvane::OpenToolWindow(ToolWindow which) {
    const std::size_t k = Index(which);
    if (which == ToolWindow::GameSetup || which == ToolWindow::ViewRemote) {
        // These windows work from the site parameter record.
        const QStringList problems = ParameterProblemLines(Entries().parameters);
        if (!problems.isEmpty()) {
            Refuse(t::kNotOpenedIntro, problems);
            return;
        }
        SetParameters();
    }
    if (toolWindows_[k] == nullptr) {
        if (!toolFactories_[k]) {
            return;
        }
        QWidget* made = toolFactories_[k]();
        if (made == nullptr) {
            return;
        }
        if (made->parent() == nullptr) {
            made->setParent(this, made->windowFlags() | Qt::Window);
        }
        toolWindows_[k] = made;
    }
    QWidget* window = toolWindows_[k];
    window->show();
    window->raise();
    window->activateWindow();
}

void frmOrvane::SetClock(std::function<QDateTime()> clock) {
    clock_ = std::move(clock);
}

// ------------------------------------------------------------ marking, keys

void frmOrvane::MarkSend(int n) {
    ++markChanges_[static_cast<std::size_t>(n)];
    chkSend[static_cast<std::size_t>(n)]->setChecked(true);
}

bool frmOrvane::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress ||
        std::find(txtParameters.begin(), txtParameters.end(), watched) == txtParameters.end()) {
        return QMainWindow::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    const QString text = key->text();
    // Keys that type nothing (arrows, Tab, Home) move around; they are not
    // entries.
    if (text.isEmpty() || key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) {
        return false;
    }
    const char16_t c = text.at(0).unicode();
    const bool control = c < 32 || c == 127;
    if (!control && !((c >= u'0' && c <= u'9') || c == u':' || c == u'.')) {
        return true; // discarded
    }
    MarkSend(1);
    return false;
}

QString frmOrvane::BoxText(int n) const {
    // Not toPlainText(): it turns a no-break space into a plain one.
    return TicketTextFromRaw(txtHeaderFooter[static_cast<std::size_t>(n)]->document()->toRawText());
}

void frmOrvane::UpdateTicketSize(int n) {
    const auto i = static_cast<std::size_t>(n);
    const QString text = TicketSizeText(EncodeTicketText(BoxText(n)));
    lblHeaderFooterSize[i]->setText(text);
    txtHeaderFooter[i]->setAccessibleDescription(text);
}

// ------------------------------------------------------------- programming

SiteEntries frmOrvane::Entries() const {
    SiteEntries e;
    for (std::size_t n = 0; n < txtParameters.size(); ++n) {
        e.parameters[n] = txtParameters[n]->text();
    }
    e.globalOptions = globalOptions_;
    e.printerType = static_cast<std::uint8_t>(printerType_);
    e.kioskNoteInValue =
        static_cast<std::uint8_t>(std::max(0, cboKioskNoteInValue->currentIndex()));
    return e;
}

void frmOrvane::Refuse(const char* intro, const QStringList& problems) {
    platform::ShowMessage(this,
                          {platform::MessageKind::Warning, t::kRefusedTitle,
                           QString(intro) + QStringLiteral("\n\n") + problems.join(QChar('\n'))});
}

bool frmOrvane::SetParameters() {
    ProgramState& state = ProgramState::Instance();
    const auto record = BuildSiteParams(Entries(), state.SiteParams);
    if (!record) {
        return false;
    }
    state.SiteParams = *record;
    return true;
}

bool frmOrvane::MayStartExchange() const {
    // The window may have closed while events were processed, and a quit
    // ends a run at the next exchange.
    return link_ != nullptr && (run_ == nullptr || !run_->ShouldStop());
}

SiteParamRecord frmOrvane::SiteParamsToSend() const {
    const ProgramState& state = ProgramState::Instance();
    SiteParamRecord sent = state.SiteParams;
    if (state.SiteParamsHold) {
        state.SiteParamsHold(sent);
    }
    return sent;
}

bool frmOrvane::SendConfig() {
    return MayStartExchange() && SendSiteParams(link_.get(), SiteParamsToSend());
}

bool frmOrvane::SendDateTime() {
    return MayStartExchange() && SendClock(link_.get(), clock_());
}

bool frmOrvane::SendHeaderFooter(int choice, const QString& sText) {
    return SendTicketText(
        link_.get(), choice, sText, [this] { return !MayStartExchange(); }, &blocksSent_);
}

void frmOrvane::cmdProgram_Click() {
    if (programRunning_ || shuttingDown_) {
        return;
    }
    // Another window's command may be waiting for the host (this click then
    // arrives inside its wait): refuse before anything changes.
    LinkSequence run(link_.get());
    if (!run.Claimed()) {
        platform::ShowMessage(this, {platform::MessageKind::Warning, LinkSequence::kRefusedTitle,
                                     run.RefusalText()});
        return;
    }
    // Everything that will be sent is checked first, so a refused press sends
    // nothing and keeps the marks for the next try. The texts are taken as
    // they stand now; the boxes stay editable while blocks go.
    const QString header = BoxText(0);
    const QString footer = BoxText(1);
    const std::array<bool, 4> send{chkSend[0]->isChecked(), chkSend[1]->isChecked(),
                                   chkSend[2]->isChecked(), chkSend[3]->isChecked()};
    if (const QStringList problems = ProgramProblems(send, Entries().parameters, header, footer);
        !problems.isEmpty()) {
        Refuse(t::kRefusedIntro, problems);
        return;
    }

    programRunning_ = true;
    run_ = &run;
    EnableCommandButtons(this, false);
    SetParameters();
    const std::array<unsigned, 4> changesAtStart = markChanges_;

    ProgramJob job{send, SiteParamsToSend(), header, footer, clock_};
    const ProgramControl control{{}, [this] { return !MayStartExchange(); }};
    const ProgramOutcome outcome = ProgramSite(link_.get(), job, control);
    if (link_ != nullptr) {
        for (std::size_t i = 0; i < send.size(); ++i) {
            // A mark stays until its part has gone out, and when the part
            // was changed again while it went, for the change.
            if (outcome.went[i] && markChanges_[i] == changesAtStart[i]) {
                chkSend[i]->setChecked(false);
            }
        }
    }
    run_ = nullptr;
    programRunning_ = false;
    EnableCommandButtons(this, true);
    UpdateToolButtons();
    run.Release();
    if (closePending_) {
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

// ------------------------------------------------------------------- files

bool frmOrvane::FileLoadSave(int fileAction, const std::string& sFileName) {
    return ticketFiles_.LoadSave(fileAction, sFileName);
}

void frmOrvane::cmdFileOps_Click(int n) {
    platform::ShowFileDialog(this, ticketFiles_.DialogFor(n), [this, n](const QString& chosen) {
        if (shuttingDown_) {
            return;
        }
        if (const auto notice = ticketFiles_.Chosen(n, chosen)) {
            platform::ShowMessage(this, *notice);
        }
    });
}
