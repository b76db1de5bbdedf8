// The terminal's port over a pseudo-terminal: it opens although the line has
// no modem signals, passes bytes both ways and reports a failed open. A far
// end that closes, and capture files that cannot be opened or are appended
// to, are tried through the Terminal window.
#include "terminal/SerialPort.h"
#include "terminal/CaptureFile.h"
#include "terminal/Reception.h"

#include "PtyPair.h"
#include "tests/WindowTestSupport.h"

#include <QDir>
#include <QFile>
#include <QSerialPort>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

using namespace terminal;

namespace {

PortSettings On(const std::string& path, int handshaking = 0) {
    return {QString::fromStdString(path), 115200, handshaking};
}

TEST(SerialPort, PassesBytesBothWaysOnAPseudoTerminal) {
    for (int handshaking = 0; handshaking < 4; ++handshaking) {
        PtyPair pty;
        ASSERT_TRUE(pty.Ready());
        SerialPort port;
        ASSERT_TRUE(port.Open(On(pty.SlavePath(), handshaking)))
            << handshaking << ": " << port.ErrorText().toStdString();
        EXPECT_TRUE(port.IsOpen());

        ASSERT_TRUE(pty.Send("ticket\r\n"));
        QByteArray got;
        ASSERT_TRUE(QTest::qWaitFor([&] {
            got += port.ReadAll();
            return got.size() >= 8;
        }));
        EXPECT_EQ(got, "ticket\r\n");

        ASSERT_TRUE(port.Write("key"));
        QByteArray sent;
        EXPECT_TRUE(QTest::qWaitFor([&] {
            sent += QByteArray::fromStdString(pty.Receive(3, 10));
            return sent.size() >= 3;
        }));
        EXPECT_EQ(sent, "key");
    }
}

// A line faster than the terminal is held back by the line: until the
// port's bytes are taken it reads no more, so the line takes no more than
// its own buffer and the port's. Whatever pieces the bytes then come in,
// each is delivered once, in order.
TEST(SerialPort, AFloodIsHeldBackByTheLineAndArrivesWholeAndInOrder) {
    PtyPair pty;
    ASSERT_TRUE(pty.Ready());
    SerialPort port;
    ASSERT_TRUE(port.Open(On(pty.SlavePath())));
    std::string sent(256 * 1024, '\0');
    for (std::size_t i = 0; i < sent.size(); ++i) {
        sent[i] = static_cast<char>(i * 7 + i / 251);
    }
    std::size_t offered = 0;
    for (int round = 0; round < 64; ++round) {
        offered += pty.Offer(std::string_view(sent).substr(offered));
        QTest::qWait(2);
    }
    EXPECT_LT(offered, static_cast<std::size_t>(SerialPort::kReadLimit) + 128 * 1024);

    QByteArray got;
    QObject::connect(&port, &SerialPort::DataReceived, [&] { got += port.ReadAll(); });
    ASSERT_TRUE(QTest::qWaitFor([&] {
        offered += pty.Offer(std::string_view(sent).substr(offered));
        return offered == sent.size() && static_cast<std::size_t>(got.size()) >= sent.size();
    }));
    EXPECT_EQ(got, QByteArray::fromStdString(sent));
}

TEST(SerialPort, AMissingDeviceDoesNotOpen) {
    // A name too long for any device is said so, not taken for a locking
    // permission error.
    const struct {
        std::string path;
        const char* says;
    } cases[] = {{"/dev/orvane-no-such-port", "No such file"},
                 {"/dev/" + std::string(495, 'x'), "too long"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.says);
        SerialPort port;
        EXPECT_FALSE(port.Open(On(c.path)));
        EXPECT_FALSE(port.IsOpen());
        EXPECT_EQ(port.ErrorNumber(), static_cast<int>(QSerialPort::DeviceNotFoundError));
        EXPECT_TRUE(port.ErrorText().contains(c.says)) << port.ErrorText().toStdString();
        EXPECT_FALSE(port.Write("x"));
    }
}

TEST(CaptureFile, AFileDeletedWhileCapturingEndsCaptureAtTheNextWrite) {
    for (const bool removeFolder : {false, true}) {
        SCOPED_TRACE(removeFolder ? "folder removed" : "file deleted");
        QTemporaryDir dir;
        QDir(dir.path()).mkdir("caps");
        const QString path = dir.filePath("caps/Capture.txt");
        CaptureFile capture;
        QString error;
        ASSERT_TRUE(capture.Open(path, error));
        ASSERT_TRUE(capture.Append("first", error) && capture.Flush(error));
        EXPECT_FALSE(capture.Deleted());

        ASSERT_TRUE(removeFolder ? QDir(dir.filePath("caps")).removeRecursively()
                                 : QFile::remove(path));
        EXPECT_FALSE(capture.Append("second", error));
        EXPECT_TRUE(capture.Deleted());
        EXPECT_FALSE(capture.IsOpen());
        EXPECT_FALSE(error.isEmpty());
    }
}

// A capture that fails ends with a reason in the status line's words; what
// was received still reaches the display, and a new capture starts clean.
TEST(Reception, AFailedCaptureEndsAndTheDisplayGoesOn) {
    if (!QFile::exists("/dev/full")) {
        GTEST_SKIP() << "no /dev/full";
    }
    QTemporaryDir dir;
    Reception reception;
    QString error;
    ASSERT_TRUE(reception.StartCapture("/dev/full", error));
    EXPECT_TRUE(reception.Take("one\r\n", {}));
    EXPECT_FALSE(reception.FlushCapture());
    EXPECT_FALSE(reception.Capturing());
    EXPECT_TRUE(reception.CaptureFailure().contains("/dev/full"));
    EXPECT_TRUE(reception.Take("two", {}));
    EXPECT_EQ(reception.Display().Text(), "one\r\ntwo");

    const QString path = dir.filePath("Capture.txt");
    ASSERT_TRUE(reception.StartCapture(path, error));
    EXPECT_TRUE(reception.CaptureFailure().isEmpty());
    ReceiveOptions ithica;
    ithica.PrinterType = kPrinterIthica;
    EXPECT_FALSE(reception.Take("hidden", ithica));
    EXPECT_TRUE(reception.Take("three", {}));
    reception.EndCapture();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "three");
}

// A report far larger than the box leaves the box within its limit and one
// piece, showing the report's end, and gives the capture all of its text.
TEST(Reception, AHugeReportLeavesTheBoxBoundedAndTheCaptureWhole) {
    QTemporaryDir dir;
    Reception reception;
    QString error;
    ASSERT_TRUE(reception.StartCapture(dir.filePath("Capture.txt"), error));
    std::vector<std::uint8_t> bytes(1 << 20);
    std::generate(bytes.begin(), bytes.end(), [n = 0]() mutable { return n++ % 253; });
    const ReceiveOptions hex{.DisplayHex = true};
    ASSERT_TRUE(reception.Take(QByteArrayView(bytes), hex));
    ReceiveState state;
    std::string text;
    ReceiveText(bytes, hex, state, text);
    // Pieces of 4096 bytes, whose hex dump is 4.25 characters a byte.
    EXPECT_LE(reception.Display().Text().size(), DisplayBuffer::kLimit + 5 * 4096);
    EXPECT_TRUE(text.ends_with(reception.Display().Text()));
    reception.EndCapture();
    EXPECT_TRUE(windowtest::ReadFile(dir.filePath("Capture.txt")) == text);
}

} // namespace
