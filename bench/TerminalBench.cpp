// The terminal window's costs on a busy printer line, measured over a
// pseudo-terminal with the real frmTerminal (offscreen) while a child
// process feeds the line. Prints one table:
//   sustained: 115200 baud (11520 bytes/s) for 60 s (--seconds N to change;
//              --sustained-only skips the rest),
//              CPU as a share of one core, text (Epson filter) and hex;
//   burst:     1 MB as fast as the line takes it: CPU seconds and the
//              longest stall of the event loop, text and hex;
//   memory:    resident size growth over 10 MB received in text;
// and whether every capture file held exactly the displayed text.
#include "common/ProgramState.h"
#include "hostsim/PrinterSim.h"
#include "platform/FileDialog.h"
#include "platform/IniProfile.h"
#include "terminal/TerminalCore.h"
#include "terminal/frmTerminal.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <fstream>
#include <random>
#include <signal.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

namespace {

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& t) { return t.tv_sec + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

double RssMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::atof(line.c_str() + 6) / 1024.0;
        }
    }
    return 0;
}

struct Pty {
    int master = -1;
    std::string slave;
    Pty() {
        master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        grantpt(master);
        unlockpt(master);
        slave = ptsname(master);
        const int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
        termios raw{};
        tcgetattr(fd, &raw);
        cfmakeraw(&raw);
        tcsetattr(fd, TCSANOW, &raw);
        close(fd);
    }
    ~Pty() { close(master); }
};

// Writes `bytes` on the master from a child process: `perTick` bytes every
// 10 ms, or all as fast as the line takes them when perTick is 0.
pid_t Feed(int master, const std::string& bytes, std::size_t perTick) {
    const pid_t child = fork();
    if (child != 0) {
        return child;
    }
    timespec next{};
    clock_gettime(CLOCK_MONOTONIC, &next);
    std::size_t at = 0;
    while (at < bytes.size()) {
        const std::size_t n =
            perTick == 0 ? bytes.size() - at : std::min(perTick, bytes.size() - at);
        const ssize_t done = write(master, bytes.data() + at, n);
        if (done < 0 && errno != EINTR) {
            _exit(1);
        }
        at += done > 0 ? static_cast<std::size_t>(done) : 0;
        if (perTick != 0) {
            next.tv_nsec += 10'000'000;
            if (next.tv_nsec >= 1'000'000'000) {
                next.tv_nsec -= 1'000'000'000;
                ++next.tv_sec;
            }
            clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &next, nullptr);
        }
    }
    _exit(0);
}

struct Result {
    double cpu = 0;       // seconds
    double wall = 0;      // seconds
    double stallMs = 0;   // longest gap between monitor ticks beyond their interval
    double rssGrowth = 0; // MB
    bool exact = false;
};

std::string TicketText(std::size_t size) {
    std::string text;
    for (int n = 1; text.size() < size; ++n) {
        text += hostsim::SampleTicket(hostsim::PrinterModel::Epson, n);
    }
    text.resize(size);
    return text;
}

std::string RandomBytes(std::size_t size) {
    std::mt19937 random(7);
    std::string bytes(size, '\0');
    for (char& b : bytes) {
        b = static_cast<char>(random());
    }
    return bytes;
}

// Runs one measurement: opens a fresh terminal window on a fresh line,
// captures to a file, feeds `bytes` and waits until all of it is captured.
Result Run(const std::string& bytes, bool hex, std::size_t perTick, int monitorMs,
           const std::string& warmUp = {}) {
    QTemporaryDir dir;
    ProgramState::Instance().SetProgramFolder(dir.path().toStdString());
    Pty pty;
    const std::string settings = ProgramState::Instance().SettingsPath;
    platform::WriteProfileString("Terminal", "CommPortDevice", pty.slave, settings);
    platform::WriteProfileString("Terminal", "BaudRate", "8", settings);
    platform::WriteProfileString("Terminal", "PrinterType", hex ? "0" : "1", settings);
    const QString capturePath = dir.filePath("Capture.txt");
    platform::SetFileDialogHook([&](const platform::FileDialogRequest&) { return capturePath; });

    auto* window = new frmTerminal;
    window->show();
    if (!QTest::qWaitForWindowExposed(window)) {
        std::fprintf(stderr, "the terminal window was never shown\n");
    }
    window->findChild<QCheckBox*>("chkDisplayHex")->setChecked(hex);
    QTest::mouseClick(window->findChild<QPushButton*>("cmdCapture"), Qt::LeftButton);

    terminal::ReceiveOptions options;
    options.DisplayHex = hex;
    options.PrinterType = hex ? 0 : 1;
    terminal::ReceiveState state;
    std::string expected;
    const auto expect = [&](const std::string& data) {
        terminal::ReceiveText(
            std::span(reinterpret_cast<const std::uint8_t*>(data.data()), data.size()), options,
            state, expected);
    };
    const auto captured = [&] { return QFileInfo(capturePath).size(); };
    if (!warmUp.empty()) {
        expect(warmUp);
        const pid_t child = Feed(pty.master, warmUp, 0);
        const auto size = static_cast<qint64>(expected.size());
        (void)QTest::qWaitFor([&] { return captured() >= size; }, 60000);
        waitpid(child, nullptr, 0);
        window->UpdateView();
    }
    expect(bytes);
    const auto total = static_cast<qint64>(expected.size());

    Result r;
    const double rssBefore = RssMegabytes();
    QElapsedTimer sinceTick;
    QTimer monitor;
    monitor.setTimerType(Qt::PreciseTimer);
    monitor.setInterval(monitorMs);
    QObject::connect(&monitor, &QTimer::timeout, [&] {
        const double gap = static_cast<double>(sinceTick.nsecsElapsed()) / 1e6 - monitorMs;
        r.stallMs = std::max(r.stallMs, gap);
        sinceTick.start();
    });
    QEventLoop loop;
    QTimer done;
    QObject::connect(&done, &QTimer::timeout, [&] {
        if (captured() >= total) {
            loop.quit();
        }
    });

    QElapsedTimer wall;
    const double cpuBefore = CpuSeconds();
    wall.start();
    sinceTick.start();
    monitor.start();
    done.start(perTick == 0 ? 5 : 100);
    const pid_t child = Feed(pty.master, bytes, perTick);
    loop.exec();
    window->UpdateView();
    r.cpu = CpuSeconds() - cpuBefore;
    r.wall = static_cast<double>(wall.nsecsElapsed()) / 1e9;
    r.rssGrowth = RssMegabytes() - rssBefore;
    monitor.stop();
    waitpid(child, nullptr, 0);

    QFile file(capturePath);
    file.open(QIODevice::ReadOnly);
    r.exact = file.readAll() == QByteArray::fromStdString(expected);
    window->close();
    QTest::qWait(0);
    platform::SetFileDialogHook({});
    return r;
}

} // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    bool sustainedOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--sustained-only") == 0) {
            sustainedOnly = true;
        }
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Orvane");

    constexpr std::size_t kPerTick = 115; // 11500 bytes per second
    const std::size_t sustained = kPerTick * 100 * static_cast<std::size_t>(seconds);
    const std::size_t kMegabyte = 1 << 20;
    bool exact = true;
    const auto row = [](const char* what, double value, const char* unit, double target) {
        std::printf("%-44s %9.3f %-3s %9.3f %-3s %s\n", what, value, unit, target, unit,
                    value <= target ? "ok" : "OVER");
    };
    std::printf("%-44s %13s %13s\n", "terminal over a pseudo-terminal", "measured", "target");

    const char* modes[2] = {"text (Epson filter)", "hex"};
    for (int hex = 0; hex < 2; ++hex) {
        const std::string bytes = hex ? RandomBytes(sustained) : TicketText(sustained);
        const Result r = Run(bytes, hex != 0, kPerTick, 100);
        exact = exact && r.exact;
        const std::string what =
            std::string(modes[hex]) + ", 115200 baud for " + std::to_string(seconds) + " s: CPU";
        row(what.c_str(), 100.0 * r.cpu / r.wall, "%", hex ? 5.0 : 3.0);
    }
    if (sustainedOnly) {
        std::printf("%-44s %9s\n", "every capture file exact", exact ? "yes" : "NO");
        return exact ? 0 : 1;
    }
    for (int hex = 0; hex < 2; ++hex) {
        const std::string bytes = hex ? RandomBytes(kMegabyte) : TicketText(kMegabyte);
        const Result r = Run(bytes, hex != 0, 0, 5);
        exact = exact && r.exact;
        row((std::string(modes[hex]) + ", 1 MB burst: CPU").c_str(), r.cpu, "s", hex ? 0.4 : 0.1);
        row((std::string(modes[hex]) + ", 1 MB burst: longest stall").c_str(), r.stallMs, "ms",
            100);
    }
    {
        const Result r = Run(TicketText(10 * kMegabyte), false, 0, 50, TicketText(kMegabyte / 4));
        exact = exact && r.exact;
        row("text, 10 MB received: resident size growth", r.rssGrowth, "MB", 5);
    }
    std::printf("%-44s %9s\n", "every capture file exact", exact ? "yes" : "NO");
    return exact ? 0 : 1;
}
