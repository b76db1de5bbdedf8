// orvane-hostsim: the simulated Tolvex host on a pseudo-terminal, so the
// program can be run against it with --device tty:PATH. Prints the path on
// its own line, then serves until SIGINT or SIGTERM. SIGUSR1 pulls the host
// out (the pseudo-terminal closes; prints "unplugged"), SIGUSR2 plugs it in
// again on a new pseudo-terminal (prints its path); --link keeps one name
// for whichever is served. With --count-bytes it ends by printing how many
// bytes it read from the line and wrote to it.

#include "hostsim/PtyServer.h"
#include "hostsim/SimCommandLines.h"
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

} // namespace

int main(int argc, char** argv) {
    hostsim::HostsimOptions options;
    std::string error;
    const bool parsed = hostsim::ParseHostsimOptions(
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), options, error);
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
