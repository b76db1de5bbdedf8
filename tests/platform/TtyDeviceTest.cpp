#include "platform/TtyDevice.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace platform;

namespace {

// The far end of a pseudo-terminal stands in for the host: the device under
// test opens the slave path, the test reads and writes the master.
class PtyPair {
public:
    PtyPair() {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
            if (const char* name = ptsname(master_)) {
                slavePath_ = name;
            }
        }
    }
    ~PtyPair() { CloseMaster(); }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ready() const { return master_ >= 0 && !slavePath_.empty(); }
    const std::string& SlavePath() const { return slavePath_; }

    void Send(const std::vector<std::uint8_t>& bytes) {
        ASSERT_EQ(::write(master_, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }

    // Everything the device writes, until `count` bytes came or the line
    // stays quiet for a generous while.
    std::vector<std::uint8_t> Receive(std::size_t count) {
        std::vector<std::uint8_t> bytes;
        while (bytes.size() < count) {
            pollfd wait{master_, POLLIN, 0};
            if (::poll(&wait, 1, 5000) <= 0) {
                break;
            }
            std::array<std::uint8_t, 256> chunk{};
            const ssize_t got = ::read(master_, chunk.data(), chunk.size());
            if (got <= 0) {
                break;
            }
            bytes.insert(bytes.end(), chunk.begin(), chunk.begin() + got);
        }
        return bytes;
    }

    void CloseMaster() {
        if (master_ >= 0) {
            ::close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    std::string slavePath_;
};

// Waits on the device until `count` bytes are queued (or it stops
// delivering); the queued count it last saw.
std::uint32_t WaitUntilQueued(TtyDevice& device, FT_HANDLE handle, std::uint32_t count) {
    std::uint32_t queued = 0;
    for (int round = 0; round < 50; ++round) {
        if (device.GetQueueStatus(handle, queued) != FT_OK || queued >= count) {
            break;
        }
        if (device.WaitForData(handle, count, 100) != FT_OK) {
            break;
        }
    }
    return queued;
}

} // namespace

class TtyDeviceTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!pty_.Ready()) {
            GTEST_SKIP() << "no pseudo-terminal available";
        }
    }
    PtyPair pty_;
};

TEST_F(TtyDeviceTest, CarriesEveryByteValueUnchangedBothWays) {
    TtyDevice device(pty_.SlavePath());
    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    EXPECT_NE(handle, 0u);

    std::uint32_t queued = 99;
    EXPECT_EQ(device.GetQueueStatus(handle, queued), FT_OK);
    EXPECT_EQ(queued, 0u);
    std::array<std::uint8_t, 8> buffer{};
    std::uint32_t got = 99;
    EXPECT_EQ(device.Read(handle, buffer, got), FT_OK) << "an empty queue is not an error";
    EXPECT_EQ(got, 0u);

    // Bytes a cooked terminal would eat or change: CR, LF, XON, XOFF, ^C,
    // ^D, DEL, 0 and 0xFF.
    const std::vector<std::uint8_t> reply = {0x03, 0x0D, 0x0A, 0x11, 0x13, 0x04,
                                             0x7F, 0x00, 0xFF, 0x1A, 0x5C, 0x0D};
    pty_.Send(reply);
    ASSERT_EQ(WaitUntilQueued(device, handle, 12), 12u);

    // A read takes at most what is asked and leaves the rest queued.
    std::array<std::uint8_t, 5> head{};
    ASSERT_EQ(device.Read(handle, head, got), FT_OK);
    ASSERT_EQ(got, 5u);
    EXPECT_EQ(std::vector<std::uint8_t>(head.begin(), head.end()),
              std::vector<std::uint8_t>(reply.begin(), reply.begin() + 5));
    EXPECT_EQ(device.GetQueueStatus(handle, queued), FT_OK);
    EXPECT_EQ(queued, 7u);
    std::array<std::uint8_t, 64> rest{};
    ASSERT_EQ(device.Read(handle, rest, got), FT_OK);
    ASSERT_EQ(got, 7u);
    EXPECT_EQ(std::vector<std::uint8_t>(rest.begin(), rest.begin() + 7),
              std::vector<std::uint8_t>(reply.begin() + 5, reply.end()));

    // The request frame of a first ReadInputs, plus line-end bytes that a
    // terminal's output processing would expand.
    const std::vector<std::uint8_t> request = {0x03, 0x09, 0x00, 0x01, 0x00, 0x00,
                                               0x05, 0xB6, 0x71, 0x0A, 0x0D, 0x09};
    std::uint32_t written = 0;
    ASSERT_EQ(device.Write(handle, request, written), FT_OK);
    EXPECT_EQ(written, request.size());
    EXPECT_EQ(pty_.Receive(request.size()), request);

    // A frame larger than the terminal's buffers in one piece still goes out whole.
    std::vector<std::uint8_t> large(3000);
    for (std::size_t i = 0; i < large.size(); ++i) {
        large[i] = static_cast<std::uint8_t>(i * 7);
    }
    ASSERT_EQ(device.Write(handle, large, written), FT_OK);
    EXPECT_EQ(written, large.size());
    EXPECT_EQ(pty_.Receive(large.size()), large);

    EXPECT_EQ(device.Close(handle), FT_OK);
}

TEST_F(TtyDeviceTest, OnlyTheOpenHandleIsAccepted) {
    TtyDevice device(pty_.SlavePath());
    std::array<std::uint8_t, 4> buffer{};
    std::uint32_t count = 0;
    const std::array<std::uint8_t, 1> byte{0x55};

    EXPECT_EQ(device.Read(0, buffer, count), FT_INVALID_HANDLE);
    EXPECT_EQ(device.Close(0), FT_INVALID_HANDLE);

    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    for (const FT_HANDLE wrong : {FT_HANDLE{0}, handle + 1}) {
        EXPECT_EQ(device.Write(wrong, byte, count), FT_INVALID_HANDLE);
        EXPECT_EQ(device.Read(wrong, buffer, count), FT_INVALID_HANDLE);
        EXPECT_EQ(device.GetQueueStatus(wrong, count), FT_INVALID_HANDLE);
        EXPECT_EQ(device.WaitForData(wrong, 1, 0), FT_INVALID_HANDLE);
        EXPECT_EQ(device.Close(wrong), FT_INVALID_HANDLE);
    }

    FT_HANDLE second = 77;
    EXPECT_EQ(device.Open(0, second), FT_DEVICE_NOT_OPENED) << "already open";
    EXPECT_EQ(second, 0u);
    TtyDevice otherProgram(pty_.SlavePath());
    EXPECT_EQ(otherProgram.Open(0, second), FT_DEVICE_NOT_OPENED) << "held by another";

    ASSERT_EQ(device.Close(handle), FT_OK);
    EXPECT_EQ(device.Close(handle), FT_INVALID_HANDLE);
    EXPECT_EQ(device.GetQueueStatus(handle, count), FT_INVALID_HANDLE);

    // A handle from before a close never reaches the device opened after it.
    FT_HANDLE reopened = 0;
    ASSERT_EQ(device.Open(0, reopened), FT_OK);
    EXPECT_NE(reopened, 0u);
    EXPECT_NE(reopened, handle);
    EXPECT_EQ(device.Read(handle, buffer, count), FT_INVALID_HANDLE);
    EXPECT_EQ(device.Close(reopened), FT_OK);

    FT_HANDLE other = 0;
    EXPECT_EQ(device.Open(1, other), FT_DEVICE_NOT_FOUND) << "a path is one device";
}

TEST_F(TtyDeviceTest, WaitSleepsUntilMoreThanIsQueuedArrives) {
    TtyDevice device(pty_.SlavePath());
    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    pty_.Send({1, 2, 3});
    ASSERT_EQ(WaitUntilQueued(device, handle, 3), 3u);

    // Three bytes wait, four are wanted: the bytes already there must not
    // end the sleep (a spinning wait returns at once).
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(device.WaitForData(handle, 4, 60), FT_OK);
    EXPECT_GE(clock.elapsed(), 55);
    std::uint32_t queued = 0;
    ASSERT_EQ(device.GetQueueStatus(handle, queued), FT_OK);
    EXPECT_EQ(queued, 3u);

    // The fourth byte ends it, and the bytes come out in their order.
    std::thread late([this] { pty_.Send({4}); });
    EXPECT_EQ(device.WaitForData(handle, 4, 60000), FT_OK);
    late.join();
    ASSERT_EQ(device.GetQueueStatus(handle, queued), FT_OK);
    EXPECT_EQ(queued, 4u);
    std::array<std::uint8_t, 2> firstTwo{};
    std::array<std::uint8_t, 8> rest{};
    std::uint32_t got = 0;
    ASSERT_EQ(device.Read(handle, firstTwo, got), FT_OK);
    EXPECT_EQ(firstTwo, (std::array<std::uint8_t, 2>{1, 2}));
    ASSERT_EQ(device.Read(handle, rest, got), FT_OK);
    ASSERT_EQ(got, 2u);
    EXPECT_EQ(rest[0], 3);
    EXPECT_EQ(rest[1], 4);
}

TEST_F(TtyDeviceTest, WriteToAPeerThatDoesNotReadFailsWithinTheTimeout) {
    TtyDevice device(pty_.SlavePath());
    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    EXPECT_EQ(device.SetWriteTimeout(handle, 0), FT_INVALID_PARAMETER);
    ASSERT_EQ(device.SetWriteTimeout(handle, 50), FT_OK);
    // The test never reads the master, so the line fills up.
    const std::vector<std::uint8_t> lots(1 << 20, 0x5A);
    std::uint32_t written = 0;
    EXPECT_EQ(device.Write(handle, lots, written), FT_FAILED_TO_WRITE_DEVICE);
    EXPECT_GT(written, 0u);
    EXPECT_LT(written, lots.size());
}

TEST_F(TtyDeviceTest, HangUpIsAnErrorNotAWait) {
    TtyDevice device(pty_.SlavePath());
    FT_HANDLE handle = 0;
    ASSERT_EQ(device.Open(0, handle), FT_OK);
    pty_.CloseMaster();

    // Would sit out the whole minute if the hang-up were taken for silence.
    EXPECT_EQ(device.WaitForData(handle, 1, 60000), FT_IO_ERROR);
    std::uint32_t count = 0;
    EXPECT_EQ(device.GetQueueStatus(handle, count), FT_IO_ERROR);
    EXPECT_EQ(count, 0u);
    std::array<std::uint8_t, 8> buffer{};
    EXPECT_EQ(device.Read(handle, buffer, count), FT_IO_ERROR);
    EXPECT_EQ(count, 0u);
    const std::array<std::uint8_t, 3> frame{1, 2, 3};
    EXPECT_NE(device.Write(handle, frame, count), FT_OK);
    EXPECT_EQ(device.Close(handle), FT_OK);
}

TEST(TtyDeviceOpenTest, RefusesWhatIsNotAUsableSerialDevice) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string missing = dir.filePath("ttyNothing").toStdString();

    TtyDevice absent(missing);
    FT_HANDLE handle = 55;
    EXPECT_EQ(absent.Open(0, handle), FT_DEVICE_NOT_FOUND);
    EXPECT_EQ(handle, 0u);
    std::uint32_t count = 9;
    EXPECT_EQ(absent.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 0u);

    // An ordinary file exists but is no terminal (and, unreadable, cannot
    // even be opened by an ordinary user): "Device Not Opened" either way.
    const std::string plain = dir.filePath("plain").toStdString();
    const int fd = ::open(plain.c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    TtyDevice notATerminal(plain);
    EXPECT_EQ(notATerminal.ListDevices(count), FT_OK);
    EXPECT_EQ(count, 1u);
    EXPECT_EQ(notATerminal.Open(0, handle), FT_DEVICE_NOT_OPENED);
    ::chmod(plain.c_str(), 0);
    EXPECT_EQ(notATerminal.Open(0, handle), FT_DEVICE_NOT_OPENED);
    EXPECT_EQ(handle, 0u);

    PtyPair pty;
    if (pty.Ready()) {
        TtyDevice oddRate(pty.SlavePath(), 12345);
        EXPECT_EQ(oddRate.Open(0, handle), FT_INVALID_BAUD_RATE);
        EXPECT_EQ(handle, 0u);
        for (const int baud : {1200, 9600, 115200, 230400}) {
            TtyDevice device(pty.SlavePath(), baud);
            ASSERT_EQ(device.Open(0, handle), FT_OK) << baud;
            EXPECT_EQ(device.Close(handle), FT_OK);
        }
    }
    EXPECT_FALSE(IsSupportedTtyBaud(0));
    EXPECT_FALSE(IsSupportedTtyBaud(-9600));
}
