#pragma once
// The main window: the site parameters, options, printer, note-in value and
// ticket texts, the "Program" button that sends them to the host, the file
// buttons of the ticket texts and the buttons that open the tool windows.
// Its construction is the program's start-up (Settings.ini, the ticket text
// files, the device link); closing it is the shut-down.

#include "host_config/SiteConfig.h"
#include "host_config/TicketTextFiles.h"

#include <QDateTime>
#include <QMainWindow>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTimer;
class clsUSBInterface;
class LinkSequence;
namespace hostconfig {
class ConnectionBar;
}

enum class ToolWindow { GameSetup, Diagnostic, Terminal, Transactions, ViewRemote };

class frmOrvane : public QMainWindow {
    Q_OBJECT
public:
    // Sets up the form and runs the start-up: reads Settings.ini from
    // ProgramState's settings path (set the program folder first), loads the
    // ticket texts, creates the device link on the installed FTDI backend
    // and builds the site parameter record.
    explicit frmOrvane(QWidget* parent = nullptr);
    // Runs the shut-down if the window was never closed.
    ~frmOrvane() override;

    // The tool windows live in other folders; the program registers how to
    // make each. `make` returns a new window (parentless or not); the main
    // window owns it from then on. A button without a factory stays disabled.
    using ToolWindowFactory = std::function<QWidget*()>;
    void SetToolWindowFactory(ToolWindow which, ToolWindowFactory make);
    // The open tool window of `which`, or null.
    QWidget* ToolWindowIfOpen(ToolWindow which) const;

    // Where "Date and Time" takes the PC's clock from (tests fix it).
    void SetClock(std::function<QDateTime()> clock);

    // Ends the program as "Exit" does (signals, session end). Deferred while
    // an exchange with the host is waiting.
    void ShutDownFromOutside();
    bool HasShutDown() const { return shutDownDone_; }

    // The window's procedures that build and send the host messages.
    // Rebuilds ProgramState's site parameter record from the entries; the
    // record is left as it was when an entry is refused (returns false).
    // The senders return whether their message(s) went out whole; during
    // "Program" they stop before an exchange when the run must stop.
    bool SetParameters();
    bool SendConfig();
    bool SendDateTime();
    bool SendHeaderFooter(int choice, const QString& sText);
    // FileAction 0 load location, 1 save location, 2 load disclaimer,
    // 3 save disclaimer, as TicketTextFiles::LoadSave.
    bool FileLoadSave(int fileAction, const std::string& sFileName);

    // What start-up found wrong with Settings.ini and the text files, one
    // line each (also shown to the operator once the window is up).
    const QStringList& StartUpProblems() const { return startUpProblems_; }

    std::uint8_t GlobalOptions() const { return globalOptions_; }
    int PrinterType() const { return printerType_; }
    const std::string& LocationFileName() const { return ticketFiles_.FileName(0); }
    const std::string& DisclaimerFileName() const { return ticketFiles_.FileName(1); }

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void SetUpControls();
    void ConnectHandlers();
    void StartUp();
    void ShutDown();
    bool ShutDownMustWait() const;

    void cmdProgram_Click();
    void cmdFileOps_Click(int n);
    void OpenToolWindow(ToolWindow which);
    void UpdateToolButtons();
    void UpdateTicketSize(int n);
    // The text of header/footer box n, every character kept.
    QString BoxText(int n) const;
    void MarkSend(int n);
    // Before each exchange of a "Program" run: false when the run must stop.
    bool MayStartExchange() const;
    // The site parameter record as the parameters message carries it now.
    SiteParamRecord SiteParamsToSend() const;
    hostconfig::SiteEntries Entries() const;
    void Refuse(const char* intro, const QStringList& problems);

    // Controls, named as in the window's table (the form frmOrvane.ui
    // makes them).
    std::array<QCheckBox*, 8> chkOptions{};
    std::array<QLabel*, hostconfig::kParameterCount> lblParameters{};
    std::array<QLineEdit*, hostconfig::kParameterCount> txtParameters{};
    QComboBox* cboKioskNoteInValue = nullptr;
    QPushButton* cmdProgram = nullptr;
    QCheckBox* chkSendAll = nullptr;
    std::array<QCheckBox*, 4> chkSend{};
    std::array<QPlainTextEdit*, 2> txtHeaderFooter{};
    std::array<QLabel*, 2> lblHeaderFooterSize{};
    std::array<QPushButton*, 4> cmdFileOps{};
    std::array<QRadioButton*, 6> optPrinter{};
    std::array<QPushButton*, 5> toolButtons_{};
    QPushButton* cmdExit = nullptr;
    QTimer* ocxTimer = nullptr;
    hostconfig::ConnectionBar* statusConnection = nullptr;

    // Window state kept in Settings.ini.
    int printerType_ = 0;
    std::uint8_t globalOptions_ = 0;

    // The ticket texts' file names and where each box's text came from.
    hostconfig::TicketTextFiles ticketFiles_;
    QStringList startUpProblems_;

    std::unique_ptr<clsUSBInterface> link_;
    std::array<ToolWindowFactory, 5> toolFactories_{};
    std::array<QPointer<QWidget>, 5> toolWindows_{};
    // Counts the changes that marked each part, so a "Program" run clears a
    // mark only when no change came while its part was being sent.
    std::array<unsigned, 4> markChanges_{};
    // The run of "Program" under way, if any; the senders check it.
    LinkSequence* run_ = nullptr;
    // Blocks of a ticket text that went out in the last SendHeaderFooter.
    int blocksSent_ = 0;
    std::function<QDateTime()> clock_;

    bool programRunning_ = false;
    bool closePending_ = false;
    bool shuttingDown_ = false;
    bool shutDownDone_ = false;
    bool fromOutside_ = false;
    // The shut-down's "not saved" box is open; the window closes after it.
    bool noticePending_ = false;
};
