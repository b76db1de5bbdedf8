#include "platform/TtyDevice.h"
#include "tests/terminal/PtyPair.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace platform;

namespace {

using Bytes = std::vector<std::uint8_t>;

class TtyDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pty_.Ready()) {
            GTEST_SKIP() << "no pseudo-terminal available";
        }
        ASSERT_EQ(device_.Open(0, handle_), FT_OK);
    }
    Bytes ReadBytes(std::size_t room) {
        Bytes bytes(room);
        std::uint32_t got = 99;
        EXPECT_EQ(device_.Read(handle_, bytes, got), FT_OK);
        bytes.resize(std::min<std::size_t>(got, room));
        return bytes;
    }

    PtyPair pty_{false};
    TtyDevice device_{pty_.SlavePath()};
    FT_HANDLE handle_ = 0;
};

TEST_F(TtyDeviceTest, CarriesEveryByteValueUnchangedBothWays) {
    EXPECT_EQ(ReadBytes(8), Bytes{}) << "an empty queue is not an error";

    // Bytes a cooked terminal would eat or change: CR, LF, XON, XOFF, ^C,
    // ^D, DEL, 0, 0xFF and ^Z.
    const Bytes reply = {0x03, 0x0D, 0x0A, 0x11, 0x13, 0x04, 0x7F, 0x00, 0xFF, 0x1A, 0x5C, 0x0D};
    ASSERT_TRUE(pty_.Send(std::string(reply.begin(), reply.end())));
    ASSERT_EQ(device_.WaitForData(handle_, 12, 60000), FT_OK);
    // A read takes at most what is asked and leaves the rest queued.
    EXPECT_EQ(ReadBytes(5), Bytes(reply.begin(), reply.begin() + 5));
    EXPECT_EQ(ReadBytes(64), Bytes(reply.begin() + 5, reply.end()));

    // Line-end bytes a terminal's output processing would expand, then a
    // frame larger than the terminal's buffers, which still goes out whole.
    Bytes large{0x0A, 0x0D, 0x09};
    for (std::size_t i = 0; i < 3000; ++i) {
        large.push_back(static_cast<std::uint8_t>(i * 7));
    }
    std::uint32_t written = 0;
    ASSERT_EQ(device_.Write(handle_, large, written), FT_OK);
    EXPECT_EQ(written, large.size());
    EXPECT_EQ(pty_.Receive(large.size()), std::string(large.begin(), large.end()));
}

TEST_F(TtyDeviceTest, OnlyTheOpenHandleIsAccepted) {
    std::array<std::uint8_t, 4> buffer{};
    std::uint32_t count = 0;
    for (const FT_HANDLE wrong : {FT_HANDLE{0}, handle_ + 1}) {
        EXPECT_EQ(device_.Write(wrong, buffer, count), FT_INVALID_HANDLE);
        EXPECT_EQ(device_.Read(wrong, buffer, count), FT_INVALID_HANDLE);
        EXPECT_EQ(device_.GetQueueStatus(wrong, count), FT_INVALID_HANDLE);
        EXPECT_EQ(device_.WaitForData(wrong, 1, 0), FT_INVALID_HANDLE);
        EXPECT_EQ(device_.Close(wrong), FT_INVALID_HANDLE);
    }
    FT_HANDLE second = 77;
    EXPECT_EQ(device_.Open(0, second), FT_DEVICE_NOT_OPENED) << "already open";
    EXPECT_EQ(second, 0u);
    EXPECT_EQ(TtyDevice(pty_.SlavePath()).Open(0, second), FT_DEVICE_NOT_OPENED)
        << "held by another";

    ASSERT_EQ(device_.Close(handle_), FT_OK);
    EXPECT_EQ(device_.Close(handle_), FT_INVALID_HANDLE);
    // A handle from before a close never reaches the device opened after it.
    FT_HANDLE reopened = 0;
    ASSERT_EQ(device_.Open(0, reopened), FT_OK);
    EXPECT_NE(reopened, handle_);
    EXPECT_EQ(device_.Read(handle_, buffer, count), FT_INVALID_HANDLE);
    EXPECT_EQ(device_.Close(reopened), FT_OK);
    EXPECT_EQ(device_.Open(1, second), FT_DEVICE_NOT_FOUND) << "a path is one device";
}

TEST_F(TtyDeviceTest, WaitSleepsUntilMoreThanIsQueuedArrives) {
    ASSERT_TRUE(pty_.Send("\x01\x02\x03"));
    ASSERT_EQ(device_.WaitForData(handle_, 3, 60000), FT_OK);
    // Three bytes wait, four are wanted: the bytes already there must not
    // end the sleep (a spinning wait returns at once).
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(device_.WaitForData(handle_, 4, 60), FT_OK);
    EXPECT_GE(clock.elapsed(), 55);

    // The fourth byte ends it, and the bytes come out in their order.
    std::thread late([this] { pty_.Send("\x04"); });
    EXPECT_EQ(device_.WaitForData(handle_, 4, 60000), FT_OK);
    late.join();
    EXPECT_EQ(ReadBytes(8), (Bytes{1, 2, 3, 4}));
}

TEST_F(TtyDeviceTest, AWriteToAPeerThatDoesNotReadFailsAndAHangUpIsAnErrorNotAWait) {
    EXPECT_EQ(device_.SetWriteTimeout(handle_, 0), FT_INVALID_PARAMETER);
    ASSERT_EQ(device_.SetWriteTimeout(handle_, 50), FT_OK);
    // The test never reads the master, so the line fills up.
    const Bytes lots(1 << 20, 0x5A);
    std::uint32_t written = 0;
    EXPECT_EQ(device_.Write(handle_, lots, written), FT_FAILED_TO_WRITE_DEVICE);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, lots.size());

    pty_.CloseMaster();
    // Would sit out the whole minute if the hang-up were taken for silence.
    EXPECT_EQ(device_.WaitForData(handle_, 1, 60000), FT_IO_ERROR);
    std::uint32_t count = 9;
    EXPECT_EQ(device_.GetQueueStatus(handle_, count), FT_IO_ERROR);
    EXPECT_EQ(count, 0u);
    std::array<std::uint8_t, 8> buffer{};
    EXPECT_EQ(device_.Read(handle_, buffer, count), FT_IO_ERROR);
    EXPECT_NE(device_.Write(handle_, buffer, count), FT_OK);
    EXPECT_EQ(device_.Close(handle_), FT_OK);
}

TEST(TtyDeviceOpenTest, RefusesWhatIsNotAUsableSerialDevice) {
    QTemporaryDir dir;
    TtyDevice absent(dir.filePath("ttyNothing").toStdString());
    FT_HANDLE handle = 55;
    EXPECT_EQ(absent.Open(0, handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, 0u);
    std::uint32_t count = 9;
    EXPECT_EQ(absent.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 0u);

    // An ordinary file exists but is no terminal (and, unreadable, cannot
    // even be opened by an ordinary user): "Device Not Opened" either way.
    const std::string plain = dir.filePath("plain").toStdString();
    ::close(::open(plain.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600));
    TtyDevice notATerminal(plain);
    EXPECT_EQ(notATerminal.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(notATerminal.Open(0, handle), FT_DEVICE_NOT_OPENED);
    ::chmod(plain.c_str(), 0);
    EXPECT_EQ(notATerminal.Open(0, handle), FT_DEVICE_NOT_OPENED);

    PtyPair pty(false);
    for (const int baud : {12345, 1200, 230400}) {
        TtyDevice device(pty.SlavePath(), baud);
        EXPECT_EQ(device.Open(0, handle), baud == 12345 ? FT_INVALID_BAUD_RATE : FT_OK) << baud;
        device.Close(handle);
    }
    EXPECT_FALSE(IsSupportedTtyBaud(0));
    EXPECT_FALSE(IsSupportedTtyBaud(-9600));
}

} // namespace
