// The device link over the serial backend, end to end: orvane-hostsim serves
// the simulated host on a pseudo-terminal, and the link talks to it exactly
// as it would to /dev/ttyUSB0.
#include "common/LinkLog.h"
#include "link/clsUSBInterface.h"
#include "link/codeFTDIDirect.h"
#include "platform/TtyDevice.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <csignal>

#include <memory>

namespace {

// The next line orvane-hostsim prints (empty when none comes).
QString NextLine(QProcess& process) {
    while (!process.canReadLine()) {
        if (!process.waitForReadyRead(10000)) {
            return {};
        }
    }
    return QString::fromLocal8Bit(process.readLine()).trimmed();
}

// Starts orvane-hostsim with `args` and returns the path it serves on.
QString StartHostsim(QProcess& process, const QStringList& args) {
    process.start(ORVANE_HOSTSIM_EXE, QStringList{"--pty"} + args);
    if (!process.waitForStarted(10000)) {
        return {};
    }
    return NextLine(process);
}

// Stops it as a service manager would; it ends cleanly.
void StopHostsim(QProcess& process) {
    process.terminate(); // SIGTERM
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
}

class LinkOverPty : public ::testing::Test {
protected:
    // Opens `device`, or else the path orvane-hostsim prints.
    void Connect(const QStringList& hostsimArgs, const QString& device = {}) {
        path = StartHostsim(hostsim, hostsimArgs);
        ASSERT_TRUE(path.startsWith("/dev/")) << path.toStdString();
        FtHandle = 0;
        SetFtdiBackend(std::make_shared<platform::TtyDevice>(
            (device.isEmpty() ? path : device).toStdString(), 115200));
        link = std::make_unique<clsUSBInterface>();
        ASSERT_NE(FtHandle, 0u) << LinkLog::Instance().Text().toStdString();
        LinkLog::Instance().Clear();
    }
    // A freshly started orvane-hostsim on a busy machine may not answer its
    // first request within the link's reply time-out; the exchanges under
    // test start once it has answered one.
    void WaitUntilTheHostAnswers() {
        for (attempts = 1; attempts <= 20; ++attempts) {
            link->ReadInputs();
            if (link->LastOutcome() == ExchangeOutcome::Ok) {
                LinkLog::Instance().Clear();
                return;
            }
        }
        FAIL() << "orvane-hostsim never answered: " << LinkLog::Instance().Text().toStdString();
    }
    void TearDown() override {
        link.reset();
        SetFtdiBackend(nullptr);
        StopHostsim(hostsim); // again, if the test stopped it: no harm
    }

    QProcess hostsim;
    QString path;
    std::unique_ptr<clsUSBInterface> link;
    int attempts = 0; // requests WaitUntilTheHostAnswers made
};

TEST_F(LinkOverPty, RepliesInPiecesOverTheSerialPath) {
    Connect({"--split", "4", "--count-bytes"});
    WaitUntilTheHostAnswers();
    link->NovRamRead(0xD800, 128);
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok) << LinkLog::Instance().Text().toStdString();
    EXPECT_EQ(link->LastReplyBytes(), 13 + 128 + 2);
    // Every request was answered in turn; on stopping the host says what
    // passed the line, counted both ways.
    StopHostsim(hostsim);
    EXPECT_EQ(hostsim.readAll().trimmed().toStdString(),
              "received " + std::to_string(9 * attempts + 15) + " bytes, sent " +
                  std::to_string(11 * attempts + 143) + " bytes");
}

TEST_F(LinkOverPty, HostThatNeverAnswersTimesOut) {
    Connect({"--drop-rate", "1"});
    link->ReadInputs();
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Timeout);
    EXPECT_EQ(LinkLog::Instance().Text(), "  Timeout\r\n");

    QProcess bad;
    bad.start(ORVANE_HOSTSIM_EXE, {"--pty", "--baud", "299"});
    ASSERT_TRUE(bad.waitForFinished(10000));
    EXPECT_EQ(bad.exitCode(), 2);
}

TEST_F(LinkOverPty, HostUnpluggedAndPluggedInAgainIsReachedWithoutARestart) {
    QTemporaryDir dir;
    const QString name = dir.filePath("tolvex");
    Connect({"--link", name}, name);

    ::kill(static_cast<pid_t>(hostsim.processId()), SIGUSR1);
    ASSERT_EQ(NextLine(hostsim), "unplugged");
    EXPECT_FALSE(QFileInfo(name).isSymLink());
    link->ReadInputs();
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Status);
    EXPECT_FALSE(link->DeviceOpen());

    ::kill(static_cast<pid_t>(hostsim.processId()), SIGUSR2);
    ASSERT_TRUE(NextLine(hostsim).startsWith("/dev/"));
    LinkLog::Instance().Clear();
    link->ReadInputs();
    EXPECT_EQ(link->LastOutcome(), ExchangeOutcome::Ok) << LinkLog::Instance().Text().toStdString();
    EXPECT_TRUE(LinkLog::Instance().Text().startsWith("Device opened again\r\n"));
}

} // namespace
