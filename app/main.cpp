// Orvane: set up and diagnose a Tolvex host controller.

#include "startup/CommandLine.h"
#include "startup/DeviceBackend.h"
#include "startup/ProgramFolder.h"
#include "startup/SignalRelay.h"

#include "common/ProgramState.h"
#include "diagnostics/frmDiagnostic.h"
#include "game_setup/frmGameSetup.h"
#include "host_config/frmOrvane.h"
#include "link/codeFTDIDirect.h"
#include "platform/SafeFile.h"
#include "remote_viewer/frmViewRemote.h"
#include "terminal/frmTerminal.h"
#include "transactions/frmTransactions.h"

#include <QApplication>
#include <QIcon>
#include <QSessionManager>
#include <QStandardPaths>

#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>

#ifndef ORVANE_INSTALLED_BINDIR
#define ORVANE_INSTALLED_BINDIR ""
#endif
#ifndef ORVANE_VERSION
#define ORVANE_VERSION "0.0.0"
#endif

namespace {

constexpr const char* kProductName = "Orvane";

// Options of Qt itself (single dash) are left for QApplication; the ones
// listed here take a value.
bool IsQtOption(const char* arg, bool& takesValue) {
    static const char* const withValue[] = {"-platform",        "-platformpluginpath",
                                            "-platformtheme",   "-plugin",
                                            "-qwindowgeometry", "-qwindowicon",
                                            "-qwindowtitle",    "-style",
                                            "-stylesheet",      "-display",
                                            "-geometry",        "-session"};
    static const char* const alone[] = {"-reverse", "-widgetcount", "-nograb", "-dograb", "-sync"};
    for (const char* option : withValue) {
        if (std::strcmp(arg, option) == 0) {
            takesValue = true;
            return true;
        }
    }
    for (const char* option : alone) {
        if (std::strcmp(arg, option) == 0) {
            takesValue = false;
            return true;
        }
    }
    return false;
}

std::vector<std::string> ProgramArguments(int argc, char** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        bool takesValue = false;
        if (IsQtOption(argv[i], takesValue)) {
            i += takesValue ? 1 : 0;
            continue;
        }
        args.emplace_back(argv[i]);
    }
    return args;
}

} // namespace

int main(int argc, char** argv) {
    // From the very start, ending the program from outside is deferred to
    // the shut-down of the main window instead of killing the process.
    SignalRelay::InstallHandlers();
    const std::string programName = "orvane";
    const CommandLineResult parsed = ParseCommandLine(ProgramArguments(argc, argv));
    if (!parsed.options) {
        std::cerr << programName << ": " << parsed.error << "\n\n" << UsageText(programName);
        return 2;
    }
    const CommandLine& options = *parsed.options;
    if (options.help) {
        std::cout << UsageText(programName);
        return 0;
    }
    if (options.version) {
        std::cout << kProductName << " " << ORVANE_VERSION << "\n";
        return 0;
    }

    QApplication app(argc, argv);
    QApplication::setApplicationName(kProductName);
    QApplication::setApplicationVersion(ORVANE_VERSION);
    QApplication::setDesktopFileName("orvane");
    QApplication::setWindowIcon(QIcon(":/orvane.svg"));

    const ProgramFolderChoice folder = ChooseProgramFolder(
        options.folder,
        PortableFolderCandidate(platform::FileNameBytes(QCoreApplication::applicationDirPath()),
                                ORVANE_INSTALLED_BINDIR),
        platform::FileNameBytes(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)));
    if (folder.folder.empty()) {
        // A start that cannot go on, as a bad option.
        std::cerr << programName << ": " << folder.error << "\n";
        return 2;
    }
    ProgramState::Instance().SetProgramFolder(folder.folder);

    SetFtdiBackend(MakeBackend(options.device));

    int status = 0;
    {
        frmOrvane mainWindow;
        mainWindow.SetToolWindowFactory(ToolWindow::Diagnostic, [] { return new frmDiagnostic(); });
        mainWindow.SetToolWindowFactory(ToolWindow::GameSetup, [] { return new frmGameSetup(); });
        mainWindow.SetToolWindowFactory(ToolWindow::Transactions,
                                        [] { return new frmTransactions(); });
        mainWindow.SetToolWindowFactory(ToolWindow::Terminal, [] { return new frmTerminal(); });
        mainWindow.SetToolWindowFactory(ToolWindow::ViewRemote, [] { return new frmViewRemote(); });

        // Ending the program from outside saves exactly like "Exit".
        SignalRelay relay;
        QObject::connect(&relay, &SignalRelay::TerminationRequested, &mainWindow,
                         &frmOrvane::ShutDownFromOutside);
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &mainWindow,
                         [&mainWindow](QSessionManager&) { mainWindow.ShutDownFromOutside(); });

        mainWindow.show();
        status = QApplication::exec();
    }
    SetFtdiBackend(nullptr);
    return status;
}
