// orvane-printersim: a ticket printer's line on a pseudo-terminal, for the
// terminal window. Prints the pseudo-terminal's path on its own line, then
// sends sample tickets in the chosen printer's byte language at a chosen
// pace and echoes whatever it receives, until SIGINT or SIGTERM.

#include "hostsim/SimCommandLines.h"
#include "hostsim/ToolCommandLine.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <optional>
#include <poll.h>
#include <string>
#include <string_view>
#include <termios.h>
#include <unistd.h>

namespace {

constexpr std::string_view kUsage =
    "Usage: orvane-printersim [options]\n"
    "Serves a ticket printer's line on a pseudo-terminal and prints its path.\n"
    "\n"
    "  --model M      epson (default), citizen or generic\n"
    "  --cps N        characters per second on the line, 1..1000000 (default 480,\n"
    "                 about 4800 baud)\n"
    "  --every S      seconds from one ticket to the next, 0..3600 (default 5)\n"
    "  --first S      seconds before the first ticket, 0..3600 (default 0)\n"
    "  --tickets N    stop sending after N tickets (default: no end)\n"
    "  --help         show this text\n"
    "Bytes received are echoed back.\n";

volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int) {
    stopRequested = 1;
}

} // namespace

int main(int argc, char** argv) {
    hostsim::PrintersimOptions options;
    std::string error;
    const bool parsed = hostsim::ParsePrintersimOptions(
        std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc), options, error);
    if (const auto exitCode = hostsim::EndAfterCommandLine("orvane-printersim", kUsage, parsed,
                                                           error, options.help)) {
        return *exitCode;
    }
    hostsim::HandleSignal(SIGINT, RequestStop);
    hostsim::HandleSignal(SIGTERM, RequestStop);

    const int master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        std::cerr << "orvane-printersim: no pseudo-terminal: " << std::strerror(errno) << "\n";
        return 1;
    }
    std::array<char, 256> name{};
    ptsname_r(master, name.data(), name.size());
    // Held open so that the line stays up while no terminal has it open;
    // raw, so every byte passes as it is.
    const int slave = open(name.data(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    termios raw{};
    if (slave < 0 || tcgetattr(slave, &raw) != 0) {
        std::cerr << "orvane-printersim: cannot open " << name.data() << "\n";
        return 1;
    }
    cfmakeraw(&raw);
    tcsetattr(slave, TCSANOW, &raw);
    std::cout << name.data() << std::endl;

    using Clock = std::chrono::steady_clock;
    // The line is paced in slices of 20 ms.
    constexpr auto kSlice = std::chrono::milliseconds(20);
    const std::size_t perSlice = std::max<std::size_t>(1, options.cps / 50);
    std::string unsent;
    long printed = 0;
    auto nextTicket = Clock::now() + std::chrono::seconds(options.first);
    auto nextSlice = Clock::now();
    while (stopRequested == 0) {
        const auto now = Clock::now();
        if (unsent.empty() && (options.tickets < 0 || printed < options.tickets) &&
            now >= nextTicket) {
            unsent = hostsim::SampleTicket(options.model, static_cast<int>(++printed));
            nextTicket = now + std::chrono::seconds(options.every);
        }
        if (!unsent.empty() && now >= nextSlice) {
            const std::size_t n = std::min(perSlice, unsent.size());
            const ssize_t done = write(master, unsent.data(), n);
            if (done > 0) {
                unsent.erase(0, static_cast<std::size_t>(done));
            }
            nextSlice = now + kSlice;
        }
        auto wake = unsent.empty() ? nextTicket : nextSlice;
        if (unsent.empty() && options.tickets >= 0 && printed >= options.tickets) {
            wake = now + std::chrono::hours(1);
        }
        const auto wait = std::chrono::duration_cast<std::chrono::milliseconds>(wake - now);
        pollfd in{master, POLLIN, 0};
        const int ready = poll(&in, 1, static_cast<int>(std::clamp<long>(wait.count(), 0, 1000)));
        if (ready > 0 && (in.revents & POLLIN) != 0) {
            std::array<char, 512> echo{};
            const ssize_t got = read(master, echo.data(), echo.size());
            // Echoed at once, between two slices of a ticket.
            for (ssize_t done = 0; got > 0 && done < got;) {
                const ssize_t n =
                    write(master, echo.data() + done, static_cast<std::size_t>(got - done));
                if (n > 0) {
                    done += n;
                } else if (errno == EAGAIN) {
                    pollfd out{master, POLLOUT, 0};
                    poll(&out, 1, 100);
                } else {
                    break;
                }
            }
        }
    }
    close(slave);
    close(master);
    return 0;
}
