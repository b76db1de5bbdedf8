// orvane-cli: the host jobs of orvane from a shell, with no display.

#include "startup/DeviceBackend.h"
#include "startup/ProgramFolder.h"
#include "startup/SignalRelay.h"
#include "cli/CliOptions.h"
#include "cli/CliRun.h"
#include "common/ProgramState.h"
#include "link/clsUSBInterface.h"
#include "link/codeFTDIDirect.h"
#include "platform/SafeFile.h"

#include <QCoreApplication>
#include <QStandardPaths>

#include <cstdio>
#include <iostream>
#include <memory>
#include <unistd.h>

#ifndef ORVANE_INSTALLED_BINDIR
#define ORVANE_INSTALLED_BINDIR ""
#endif
#ifndef ORVANE_VERSION
#define ORVANE_VERSION "0.0.0"
#endif

int main(int argc, char** argv) {
    // From the very start, SIGINT, SIGTERM and SIGHUP end a run at its next
    // exchange instead of killing the process in the middle of one.
    SignalRelay::InstallHandlers();
    const std::string programName = "orvane-cli";
    std::vector<std::string> args(argv + (argc > 0 ? 1 : 0), argv + argc);
    const cli::CliParse parsed = cli::ParseCliCommandLine(args);
    if (!parsed.options) {
        std::cerr << programName << ": " << parsed.error << "\n"
                  << "Try '" << programName << " --help'.\n";
        return cli::kExitUsage;
    }
    const cli::CliOptions& options = *parsed.options;
    if (options.common.help) {
        std::cout << cli::CliUsageText();
        return cli::kExitDone;
    }
    if (options.common.version) {
        std::cout << "orvane-cli " << ORVANE_VERSION << "\n";
        return cli::kExitDone;
    }

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName("Orvane");
    QCoreApplication::setApplicationVersion(ORVANE_VERSION);

    const ProgramFolderChoice folder = ChooseProgramFolder(
        options.common.folder,
        PortableFolderCandidate(platform::FileNameBytes(QCoreApplication::applicationDirPath()),
                                ORVANE_INSTALLED_BINDIR),
        platform::FileNameBytes(QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)),
        // A --folder that is not there is never made: the commands that go
        // by its files refuse to run without them.
        false);
    if (folder.folder.empty()) {
        std::cerr << programName << ": " << folder.error << "\n";
        return cli::kExitUsage;
    }
    ProgramState::Instance().SetProgramFolder(folder.folder);

    SetFtdiBackend(MakeBackend(options.common.device));
    int status = cli::kExitLink;
    {
        clsUSBInterface link;
        ProgramState::Instance().Link = &link;
        SignalRelay relay;
        QObject::connect(&relay, &SignalRelay::TerminationRequested, &link,
                         [&link] { link.RequestStop(); });
        if (!link.DeviceOpen()) {
            std::cerr << programName << ": the device " << options.common.device
                      << " could not be opened: " << link.StatusText(link.DeviceFailure())
                      << (link.DeviceFailure() == platform::FT_DEVICE_NOT_OPENED
                              ? cli::kDeviceHeldHint
                              : "")
                      << "\n";
        } else {
            const bool showProgress = !options.quiet && ::isatty(STDERR_FILENO) == 1;
            bool progressShown = false;
            cli::CliEnvironment env;
            env.link = &link;
            env.folder = folder.folder;
            env.out = [](const std::string& text) { std::cout << text << std::flush; };
            env.err = [&progressShown](const std::string& text) {
                if (progressShown) {
                    std::cerr << "\r\033[K";
                    progressShown = false;
                }
                std::cerr << text << std::flush;
            };
            if (showProgress) {
                env.progress = [&progressShown](const std::string& text) {
                    std::cerr << "\r\033[K" << text << std::flush;
                    progressShown = true;
                };
            }
            env.stopSignal = [&relay] { return relay.LastSignal(); };
            env.clock = [] { return QDateTime::currentDateTime(); };
            status = cli::RunCommand(options, env);
            if (progressShown) {
                std::cerr << "\r\033[K" << std::flush;
            }
        }
        ProgramState::Instance().Link = nullptr;
    }
    SetFtdiBackend(nullptr);
    return status;
}
