// The host served on a pseudo-terminal: in-process, and as the
// orvane-hostsim executable.

#include "HostTestFrames.h"
#include "hostsim/PtyServer.h"
#include "hostsim/ToolCommandLine.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QFileInfo>
#include <QTemporaryDir>

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

using namespace hostsim_test;
using hostsim::PtyServer;
using hostsim::SimulatedHost;

namespace {

class ClientLine {
public:
    explicit ClientLine(const std::string& path)
        : fd_(open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK)) {}
    ~ClientLine() {
        if (fd_ >= 0) {
            close(fd_);
        }
    }
    bool IsOpen() const { return fd_ >= 0; }
    bool Send(const Bytes& bytes) {
        return write(fd_, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    }
    // True when the line reports a hang-up (the other end closed).
    bool HungUp() const {
        pollfd watch{fd_, POLLIN, 0};
        return poll(&watch, 1, 0) > 0 && (watch.revents & POLLHUP) != 0;
    }
    // Reads what has arrived within `ms` (0: only what is there now).
    Bytes Receive(int ms) {
        pollfd watch{fd_, POLLIN, 0};
        Bytes got;
        if (poll(&watch, 1, ms) > 0) {
            std::array<std::uint8_t, 512> chunk{};
            const ssize_t n = read(fd_, chunk.data(), chunk.size());
            if (n > 0) {
                got.assign(chunk.begin(), chunk.begin() + n);
            }
        }
        return got;
    }

private:
    int fd_;
};

} // namespace

// One exchange over `line`: a ReadInputs request and its 11-byte reply.
Bytes ReadInputsOver(PtyServer& server, ClientLine& line) {
    if (!line.Send(Request(3, 1, 5))) {
        return {};
    }
    Bytes reply;
    for (int round = 0; round < 50 && reply.size() < 11; ++round) {
        if (!server.ServeOnce(std::chrono::milliseconds(100))) {
            break;
        }
        const Bytes got = line.Receive(20);
        reply.insert(reply.end(), got.begin(), got.end());
    }
    return reply;
}

std::string LinkTarget(const std::string& link) {
    std::array<char, 256> target{};
    const ssize_t n = readlink(link.c_str(), target.data(), target.size() - 1);
    return n > 0 ? std::string(target.data(), static_cast<std::size_t>(n)) : std::string{};
}

TEST(PtyServer, HangsUpAndServesAgainUnderTheSameLinkName) {
    QTemporaryDir dir;
    const std::string link = (dir.path() + "/host").toStdString();
    SimulatedHost host(true);
    PtyServer server(host);
    ASSERT_TRUE(server.SetLinkPath(link)) << server.Error();
    EXPECT_EQ(LinkTarget(link), server.SlavePath());
    {
        ClientLine line(link);
        ASSERT_TRUE(line.IsOpen());
        EXPECT_EQ(ReadInputsOver(server, line).size(), 11u);

        server.HangUp();
        EXPECT_FALSE(server.IsOpen());
        EXPECT_TRUE(line.HungUp());
        EXPECT_FALSE(QFileInfo::exists(QString::fromStdString(link)));
        EXPECT_FALSE(server.ServeOnce(std::chrono::milliseconds(1)));
    }
    ASSERT_TRUE(server.Serve()) << server.Error();
    EXPECT_EQ(LinkTarget(link), server.SlavePath());
    ClientLine again(link);
    ASSERT_TRUE(again.IsOpen());
    EXPECT_EQ(ReadInputsOver(server, again).size(), 11u);
}

TEST(PtyServer, NeverReplacesAFileWithItsLink) {
    QTemporaryDir dir;
    const QString path = dir.path() + "/Settings.ini";
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("[Settings]\n");
    file.close();
    SimulatedHost host(true);
    {
        PtyServer server(host);
        EXPECT_FALSE(server.SetLinkPath(path.toStdString()));
        EXPECT_NE(server.Error().find("not a symbolic link"), std::string::npos) << server.Error();
    }
    EXPECT_EQ(QFileInfo(path).size(), 11); // still the file, after the server ended
}

TEST(PtyServer, ExecutablePrintsPathServesAndStopsCleanly) {
    QProcess process;
    // At wire speed the reply comes byte by byte, but whole.
    process.start(QStringLiteral(ORVANE_HOSTSIM_EXE),
                  {QStringLiteral("--pty"), QStringLiteral("--baud"), QStringLiteral("9600"),
                   QStringLiteral("--count-bytes")});
    ASSERT_TRUE(process.waitForStarted(10000));
    ASSERT_TRUE(process.waitForReadyRead(10000));
    const std::string path = process.readLine().trimmed().toStdString();
    ASSERT_FALSE(path.empty());

    ClientLine line(path);
    ASSERT_TRUE(line.IsOpen()) << path;
    const Bytes request = Request(3, 1, 5);
    ASSERT_TRUE(line.Send(request));
    Bytes reply;
    while (reply.size() < 11) {
        const Bytes got = line.Receive(10000);
        ASSERT_FALSE(got.empty()) << "no reply";
        reply.insert(reply.end(), got.begin(), got.end());
    }
    EXPECT_EQ(Le(reply, 7, 2), 0x1234u);

    process.terminate(); // SIGTERM
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    // What passed the line, counted both ways.
    EXPECT_EQ(process.readAll().trimmed().toStdString(),
              "received " + std::to_string(request.size()) + " bytes, sent 11 bytes");

}

TEST(ToolCommandLine, NumbersAreTakenWholeAndWithinTheirBounds) {
    using hostsim::NumberIn;
    struct Row {
        const char* text;
        std::optional<int> baud;     // 300..921600
        std::optional<double> share; // 0..1
    };
    const Row rows[] = {
        {"300", 300, std::nullopt},
        {"299", std::nullopt, std::nullopt},
        {"921600", 921600, std::nullopt},
        {"921601", std::nullopt, std::nullopt},
        {"0", std::nullopt, 0.0},
        {"1", std::nullopt, 1.0},
        {"0.25", std::nullopt, 0.25},
        {"1.0001", std::nullopt, std::nullopt},
        {"-0.5", std::nullopt, std::nullopt},
        {"nan", std::nullopt, std::nullopt},
        {"", std::nullopt, std::nullopt},
        {"400x", std::nullopt, std::nullopt},
        {" 400", std::nullopt, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(NumberIn(row.text, 300, 921600), row.baud);
        EXPECT_EQ(NumberIn(row.text, 0.0, 1.0), row.share);
    }
}
