// The terminal window's costs on a busy printer line, measured over a
// pseudo-terminal with the real frmTerminal (offscreen) while a child
// process feeds the line. Prints one table:
//   sustained: 115200 baud (11520 bytes/s) for 60 s (--seconds N to change;
//              --sustained-only skips the rest),
//              CPU as a share of one core, text (Epson filter) and hex;
//   burst:     1 MB as fast as the line takes it: CPU seconds and the
//              longest stall of the event loop, text and hex;
//   memory:    resident size growth over 10 MB received in text;
//   flood:     a line written as fast as it takes bytes for the same N s,
//              text, hex, and text on a line that then hangs up (the printer
//              unplugged): the highest resident size growth, CPU, and the
//              longest wait for a click to be answered while it lasts
//              (--flood-only runs just these);
// and whether every capture file held exactly the displayed text (after a
// hang-up: a beginning of it, short by no more than what the line held).
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

#include <poll.h>

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

// A terminal window on a fresh line, capturing to a file.
struct Session {
    QTemporaryDir dir;
    Pty pty;
    QString capturePath;
    frmTerminal* window = nullptr;

    explicit Session(bool hex) {
        ProgramState::Instance().SetProgramFolder(dir.path().toStdString());
        const std::string settings = ProgramState::Instance().SettingsPath;
        platform::WriteProfileString("Terminal", "CommPortDevice", pty.slave, settings);
        platform::WriteProfileString("Terminal", "BaudRate", "8", settings);
        platform::WriteProfileString("Terminal", "PrinterType", hex ? "0" : "1", settings);
        capturePath = dir.filePath("Capture.txt");
        platform::SetFileDialogHook([this](const platform::FileDialogRequest&) { return capturePath; });
        window = new frmTerminal;
        window->show();
        if (!QTest::qWaitForWindowExposed(window)) {
            std::fprintf(stderr, "the terminal window was never shown\n");
        }
        window->findChild<QCheckBox*>("chkDisplayHex")->setChecked(hex);
        QTest::mouseClick(window->findChild<QPushButton*>("cmdCapture"), Qt::LeftButton);
    }
    ~Session() {
        window->close();
        QTest::qWait(0);
        platform::SetFileDialogHook({});
    }
    qint64 Captured() const { return QFileInfo(capturePath).size(); }
};

// Runs one measurement: opens a fresh terminal window on a fresh line,
// captures to a file, feeds `bytes` and waits until all of it is captured.
Result Run(const std::string& bytes, bool hex, std::size_t perTick, int monitorMs,
           const std::string& warmUp = {}) {
    Session session(hex);
    Pty& pty = session.pty;
    frmTerminal* window = session.window;
    const QString& capturePath = session.capturePath;

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
    return r;
}


struct FloodResult {
    double cpuShare = 0;  // % of one core while the flood lasts
    double rssGrowth = 0; // MB, the highest while it lasts
    double answerMs = 0;  // the longest wait for a click to be answered
    double sentMb = 0;
    double shortKb = 0;       // text of what was sent missing at the capture's end
    bool inOrder = false;     // the capture is the text of what was sent, or its beginning
};

// Writes `period` over and over on the master for `seconds`, as fast as the
// line takes it, from a child process; the count of bytes written comes back
// on `report` when it ends.
pid_t FloodFeed(int master, const std::string& period, int seconds, int report) {
    const pid_t child = fork();
    if (child != 0) {
        return child;
    }
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const double end = now.tv_sec + now.tv_nsec / 1e9 + seconds;
    fcntl(master, F_SETFL, fcntl(master, F_GETFL) | O_NONBLOCK);
    std::uint64_t sent = 0;
    for (;;) {
        clock_gettime(CLOCK_MONOTONIC, &now);
        const double left = end - (now.tv_sec + now.tv_nsec / 1e9);
        if (left <= 0) {
            break;
        }
        pollfd out{master, POLLOUT, 0};
        if (poll(&out, 1, static_cast<int>(left * 1000) + 1) <= 0) {
            continue;
        }
        const std::size_t at = sent % period.size();
        const ssize_t done = write(master, period.data() + at, period.size() - at);
        if (done > 0) {
            sent += static_cast<std::uint64_t>(done);
        } else if (errno != EAGAIN && errno != EINTR) {
            break;
        }
    }
    (void)!write(report, &sent, sizeof sent);
    _exit(0);
}

// Whether the capture file holds the text of the first `sent` bytes of
// `period` repeated, or a beginning of it, compared piece by piece;
// `expectedSize` is set to the size of all of that text.
bool CaptureMatches(const QString& path, const std::string& period, std::uint64_t sent,
                    bool hex, qint64& expectedSize) {
    terminal::ReceiveOptions options;
    options.DisplayHex = hex;
    options.PrinterType = hex ? 0 : 1;
    terminal::ReceiveState state;
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    bool same = true;
    expectedSize = 0;
    std::string expected;
    for (std::uint64_t at = 0; at < sent; at += period.size()) {
        const auto n = static_cast<std::size_t>(std::min<std::uint64_t>(period.size(), sent - at));
        expected.clear();
        terminal::ReceiveText(std::span(reinterpret_cast<const std::uint8_t*>(period.data()), n),
                              options, state, expected);
        expectedSize += static_cast<qint64>(expected.size());
        if (same && !file.atEnd()) {
            const QByteArray got = file.read(static_cast<qint64>(expected.size()));
            same = got == QByteArray::fromStdString(expected.substr(0, got.size()));
        }
    }
    return same && file.atEnd();
}

FloodResult Flood(bool hex, bool hangUp, int seconds) {
    const std::string period = hex ? RandomBytes(1 << 20) : TicketText(1 << 20);
    Session session(hex);
    int report[2];
    if (pipe(report) != 0) {
        std::perror("pipe");
        std::exit(2);
    }
    QCheckBox* button = session.window->findChild<QCheckBox*>("chkCRToCRLF");
    FloodResult r;
    const double rssBefore = RssMegabytes();
    QTimer sample;
    QObject::connect(&sample, &QTimer::timeout,
                     [&] { r.rssGrowth = std::max(r.rssGrowth, RssMegabytes() - rssBefore); });
    // A click on "CR->CR/LF" every 100 ms, which neither the Epson filter
    // nor the hex dump looks at: how long from the click until it is done.
    QTimer click;
    QObject::connect(&click, &QTimer::timeout, [&] {
        QElapsedTimer since;
        since.start();
        QMetaObject::invokeMethod(
            button,
            [&r, button, since] {
                QTest::mouseClick(button, Qt::LeftButton);
                r.answerMs = std::max(r.answerMs, static_cast<double>(since.nsecsElapsed()) / 1e6);
            },
            Qt::QueuedConnection);
    });

    QElapsedTimer wall;
    const double cpuBefore = CpuSeconds();
    wall.start();
    const pid_t child = FloodFeed(session.pty.master, period, seconds, report[1]);
    close(report[1]);
    if (hangUp) {
        // The child's copy is the line's last: it hangs up when it ends.
        close(session.pty.master);
        session.pty.master = -1;
    }
    sample.start(50);
    click.start(100);
    QTest::qWait(seconds * 1000);
    r.cpuShare = 100.0 * (CpuSeconds() - cpuBefore) / (static_cast<double>(wall.nsecsElapsed()) / 1e9);
    sample.stop();
    click.stop();
    std::uint64_t sent = 0;
    (void)!read(report[0], &sent, sizeof sent);
    close(report[0]);
    waitpid(child, nullptr, 0);
    r.sentMb = static_cast<double>(sent) / (1 << 20);

    // What the line still holds comes in; a flood held in memory takes long.
    qint64 expectedSize = 0;
    CaptureMatches(session.capturePath, period, sent, hex, expectedSize);
    const int drainMs = std::max(20, 2 * seconds) * 1000;
    (void)QTest::qWaitFor(
        [&] {
            session.window->UpdateView();
            return session.Captured() >= expectedSize && (!hangUp || !session.window->PortOpen());
        },
        drainMs);
    session.window->UpdateView();
    r.inOrder = CaptureMatches(session.capturePath, period, sent, hex, expectedSize);
    r.shortKb = static_cast<double>(expectedSize - session.Captured()) / 1024;
    return r;
}

} // namespace

int main(int argc, char** argv) {
    int seconds = 60;
    bool sustainedOnly = false;
    bool floodOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::max(1, std::atoi(argv[i + 1]));
        } else if (std::strcmp(argv[i], "--sustained-only") == 0) {
            sustainedOnly = true;
        } else if (std::strcmp(argv[i], "--flood-only") == 0) {
            floodOnly = true;
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
    for (int hex = 0; hex < 2 && !floodOnly; ++hex) {
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
    for (int hex = 0; hex < 2 && !floodOnly; ++hex) {
        const std::string bytes = hex ? RandomBytes(kMegabyte) : TicketText(kMegabyte);
        const Result r = Run(bytes, hex != 0, 0, 5);
        exact = exact && r.exact;
        row((std::string(modes[hex]) + ", 1 MB burst: CPU").c_str(), r.cpu, "s", hex ? 0.4 : 0.1);
        row((std::string(modes[hex]) + ", 1 MB burst: longest stall").c_str(), r.stallMs, "ms",
            100);
    }
    if (!floodOnly) {
        const Result r = Run(TicketText(10 * kMegabyte), false, 0, 50, TicketText(kMegabyte / 4));
        exact = exact && r.exact;
        row("text, 10 MB received: resident size growth", r.rssGrowth, "MB", 5);
    }
    const char* floods[3] = {"text", "hex", "text, hung up"};
    for (int kind = 0; kind < 3; ++kind) {
        const FloodResult r = Flood(kind == 1, kind == 2, seconds);
        // What the line held when it hung up is gone with it; all else is
        // captured.
        exact = exact && r.inOrder && r.shortKb <= (kind == 2 ? 64 : 0);
        const std::string what =
            std::string("flood ") + std::to_string(seconds) + " s, " + floods[kind] + ": ";
        row((what + "RSS growth").c_str(), r.rssGrowth, "MB", 5);
        row((what + "CPU").c_str(), r.cpuShare, "%", 25);
        row((what + "click answer").c_str(), r.answerMs, "ms", 50);
        std::printf("%-44s %9.1f MB sent; capture %s, %.1f KB short\n",
                    (what + "line").c_str(), r.sentMb, r.inOrder ? "in order" : "WRONG",
                    r.shortKb);
    }
    std::printf("%-44s %9s\n", "every capture file exact", exact ? "yes" : "NO");
    return exact ? 0 : 1;
}
