// orvane-hostsim: the simulated Tolvex host on a pseudo-terminal, so the
// program can be run against it with --device tty:PATH. Prints the path on
// its own line, then serves until SIGINT or SIGTERM. SIGUSR1 pulls the host
// out (the pseudo-terminal closes; prints "unplugged"), SIGUSR2 plugs it in
// again on a new pseudo-terminal (prints its path); --link keeps one name
// for whichever is served. With --count-bytes it ends by printing how many
// bytes it read from the line and wrote to it.

#include "hostsim/PtyServer.h"
#include "hostsim/RandomFaults.h"
#include "hostsim/SimulatedHost.h"
#include "hostsim/ToolCommandLine.h"

#include <climits>
#include <csignal>
#include <cstdint>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr std::string_view kUsage =
    "Usage: orvane-hostsim --pty [options]\n"
    "Serves a simulated Tolvex host on a pseudo-terminal and prints its path.\n"
    "\n"
    "  --pty               open a pseudo-terminal and serve on it (required)\n"
    "  --no-sample         start with all memory zero instead of sample records\n"
    "  --drop-rate P       share 0..1 of replies that are never sent\n"
    "  --corrupt-rate P    share 0..1 of replies sent with a bad CRC\n"
    "  --garbage-rate P    share 0..1 of replies sent after 3 garbage bytes\n"
    "  --delay-ms N        delay replies by N milliseconds\n"
    "  --delay-rate P      share 0..1 of replies delayed (default 1 with --delay-ms)\n"
    "  --split N           send replies in N pieces\n"
    "  --split-rate P      share 0..1 of replies split (default 1 with --split)\n"
    "  --seed S            seed of the fault choices (default 1)\n"
    "  --fail-node A:N     remote node A (1..16) falls silent from its N-th command\n"
    "  --link PATH         keep a symbolic link PATH to the pseudo-terminal\n"
    "  --baud B            pace replies as on a line of B baud (300..921600),\n"
    "                      byte by byte; without it replies go out at once\n"
    "  --count-bytes       on stopping, print \"received R bytes, sent S bytes\":\n"
    "                      the bytes read from the line and written to it\n"
    "  --help              show this text\n"
    "\n"
    "SIGUSR1 closes the pseudo-terminal, as if the host were unplugged, and prints\n"
    "\"unplugged\"; SIGUSR2 serves on a new one and prints its path.\n";

volatile std::sig_atomic_t stopRequested = 0;
volatile std::sig_atomic_t unplugRequested = 0;
volatile std::sig_atomic_t plugRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

void RequestUnplug(int) {
    unplugRequested = 1;
}

void RequestPlug(int) {
    plugRequested = 1;
}

struct Options {
    bool pty = false;
    bool sample = true;
    bool help = false;
    bool countBytes = false;
    int baud = 0;
    hostsim::FaultRates faults;
    std::optional<double> delayRate;
    std::optional<double> splitRate;
    int failNode = 0;
    int failFrom = 0;
    std::string link;
};

std::optional<double> ParseRate(std::string_view text) {
    return hostsim::NumberIn(text, 0.0, 1.0);
}

// Fills `options` from the command line; on a bad argument writes why to
// `error` and returns false.
bool ParseOptions(int argc, char** argv, Options& options, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const auto value = [&]() -> std::optional<std::string_view> {
            if (i + 1 >= argc) {
                return std::nullopt;
            }
            return std::string_view(argv[++i]);
        };
        const auto bad = [&](std::string_view what) {
            error = std::string(arg) + " needs " + std::string(what);
            return false;
        };
        const auto rateOf = [&](double& target) {
            const auto text = value();
            const std::optional<double> rate = text ? ParseRate(*text) : std::nullopt;
            if (!rate) {
                return bad("a share between 0 and 1");
            }
            target = *rate;
            return true;
        };
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--pty") {
            options.pty = true;
        } else if (arg == "--count-bytes") {
            options.countBytes = true;
        } else if (arg == "--no-sample") {
            options.sample = false;
        } else if (arg == "--drop-rate") {
            if (!rateOf(options.faults.drop))
                return false;
        } else if (arg == "--corrupt-rate") {
            if (!rateOf(options.faults.corrupt))
                return false;
        } else if (arg == "--garbage-rate") {
            if (!rateOf(options.faults.garbage))
                return false;
        } else if (arg == "--delay-rate") {
            double rate = 0;
            if (!rateOf(rate))
                return false;
            options.delayRate = rate;
        } else if (arg == "--split-rate") {
            double rate = 0;
            if (!rateOf(rate))
                return false;
            options.splitRate = rate;
        } else if (arg == "--delay-ms") {
            const auto text = value();
            const auto ms = text ? hostsim::NumberIn(*text, 0, 60000) : std::nullopt;
            if (!ms) {
                return bad("a number of milliseconds 0..60000");
            }
            options.faults.delayBy = std::chrono::milliseconds(*ms);
        } else if (arg == "--split") {
            const auto text = value();
            const auto pieces = text ? hostsim::NumberIn(*text, 1, 1000) : std::nullopt;
            if (!pieces) {
                return bad("a number of pieces 1..1000");
            }
            options.faults.pieces = *pieces;
        } else if (arg == "--link") {
            const auto path = value();
            if (!path || path->empty()) {
                return bad("a path");
            }
            options.link = std::string(*path);
        } else if (arg == "--baud") {
            const auto text = value();
            const auto baud = text ? hostsim::NumberIn(*text, 300, 921600) : std::nullopt;
            if (!baud) {
                return bad("a line speed of 300..921600 baud");
            }
            options.baud = *baud;
        } else if (arg == "--seed") {
            const auto text = value();
            const auto seed =
                text ? hostsim::NumberIn<std::uint64_t>(*text, 0, UINT64_MAX) : std::nullopt;
            if (!seed) {
                return bad("a whole number");
            }
            options.faults.seed = *seed;
        } else if (arg == "--fail-node") {
            const auto text = value();
            const auto colon = text ? text->find(':') : std::string_view::npos;
            const auto node =
                colon != std::string_view::npos
                    ? hostsim::NumberIn(text->substr(0, colon), 1, hostsim::FieldNetwork::kNodes)
                    : std::nullopt;
            const auto from = colon != std::string_view::npos
                                  ? hostsim::NumberIn(text->substr(colon + 1), 1, INT_MAX)
                                  : std::nullopt;
            if (!node || !from) {
                return bad("a node 1..16, a colon and a command number from 1");
            }
            options.failNode = *node;
            options.failFrom = *from;
        } else {
            error = "unknown option " + std::string(arg);
            return false;
        }
    }
    options.faults.delay =
        options.delayRate.value_or(options.faults.delayBy.count() > 0 ? 1.0 : 0.0);
    options.faults.split = options.splitRate.value_or(options.faults.pieces > 1 ? 1.0 : 0.0);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string error;
    const bool parsed = ParseOptions(argc, argv, options, error);
    if (const auto exitCode =
            hostsim::EndAfterCommandLine("orvane-hostsim", kUsage, parsed, error, options.help)) {
        return *exitCode;
    }
    if (!options.pty) {
        std::cerr << "orvane-hostsim: nothing to do without --pty\n" << kUsage;
        return 2;
    }

    // The signals stay blocked except while the server sleeps in ppoll (or
    // sigsuspend while unplugged), so none can slip in between the flag
    // check and the wait.
    sigset_t handled;
    sigemptyset(&handled);
    for (const int signal : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) {
        sigaddset(&handled, signal);
    }
    sigset_t waitMask;
    sigprocmask(SIG_BLOCK, &handled, &waitMask);
    for (const int signal : {SIGINT, SIGTERM, SIGUSR1, SIGUSR2}) {
        sigdelset(&waitMask, signal);
    }
    hostsim::HandleSignal(SIGINT, RequestStop);
    hostsim::HandleSignal(SIGTERM, RequestStop);
    hostsim::HandleSignal(SIGUSR1, RequestUnplug);
    hostsim::HandleSignal(SIGUSR2, RequestPlug);

    hostsim::SimulatedHost host(options.sample);
    host.SetRecordRequests(false); // a long run must not grow without bound
    host.SetBaud(options.baud);
    host.OnEachRequest(hostsim::MakeRandomFaults(options.faults));
    if (options.failNode > 0) {
        host.Field().FailNodeFrom(static_cast<std::uint8_t>(options.failNode), options.failFrom);
    }

    hostsim::PtyServer server(host);
    if (!server.IsOpen() || !server.SetLinkPath(options.link)) {
        std::cerr << "orvane-hostsim: cannot open a pseudo-terminal: " << server.Error() << "\n";
        return 1;
    }
    std::cout << server.SlavePath() << std::endl;

    bool plugged = true;
    while (stopRequested == 0) {
        if (unplugRequested != 0) {
            unplugRequested = 0;
            if (plugged) {
                server.HangUp();
                plugged = false;
                std::cout << "unplugged" << std::endl;
            }
        }
        if (plugRequested != 0) {
            plugRequested = 0;
            if (!plugged) {
                if (!server.Serve()) {
                    std::cerr << "orvane-hostsim: cannot open a pseudo-terminal: " << server.Error()
                              << "\n";
                    return 1;
                }
                plugged = true;
                std::cout << server.SlavePath() << std::endl;
            }
        }
        if (!plugged) {
            sigsuspend(&waitMask);
            continue;
        }
        if (!server.ServeOnce(std::chrono::seconds(1), &waitMask)) {
            std::cerr << "orvane-hostsim: " << server.Error() << "\n";
            return 1;
        }
    }
    if (options.countBytes) {
        std::cout << "received " << server.BytesReceived() << " bytes, sent " << server.BytesSent()
                  << " bytes" << std::endl;
    }
    return 0;
}
