#include "platform/TtyDevice.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <linux/serial.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <utility>

namespace platform {

namespace {

// Bytes held back from the kernel at most; a wait never needs more than
// one reply's worth.
constexpr std::size_t kHeldLimit = 64 * 1024;

struct BaudRate {
    int baud;
    speed_t speed;
};

constexpr BaudRate kBaudRates[] = {
    {300, B300},     {600, B600},       {1200, B1200},     {2400, B2400},
    {4800, B4800},   {9600, B9600},     {19200, B19200},   {38400, B38400},
    {57600, B57600}, {115200, B115200}, {230400, B230400},
};

bool SpeedFor(int baud, speed_t& speed) {
    const auto* found = std::find_if(std::begin(kBaudRates), std::end(kBaudRates),
                                     [baud](const BaudRate& rate) { return rate.baud == baud; });
    if (found == std::end(kBaudRates)) {
        return false;
    }
    speed = found->speed;
    return true;
}

FT_STATUS OpenFailure(int error) {
    switch (error) {
    case ENOENT:
    case ENOTDIR:
    case ENXIO: // a device node whose device is gone, or a pty without master
    case ENODEV:
        return FT_DEVICE_NOT_FOUND;
    default:
        return FT_DEVICE_NOT_OPENED;
    }
}

bool SetRaw(int fd, speed_t speed) {
    termios settings{};
    if (tcgetattr(fd, &settings) != 0) {
        return false; // not a terminal
    }
    cfmakeraw(&settings);
    settings.c_cflag &= ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB | CRTSCTS);
    settings.c_cflag |= CS8 | CLOCAL | CREAD;
    settings.c_iflag &= ~static_cast<tcflag_t>(IXON | IXOFF | IXANY);
    // VMIN 1 with O_NONBLOCK: an empty queue reads as EAGAIN, so a read of 0
    // bytes can only mean the line hung up.
    settings.c_cc[VMIN] = 1;
    settings.c_cc[VTIME] = 0;
    if (cfsetispeed(&settings, speed) != 0 || cfsetospeed(&settings, speed) != 0) {
        return false;
    }
    return tcsetattr(fd, TCSANOW, &settings) == 0;
}

// The kernel's usb-serial and 8250 drivers otherwise hold received bytes
// back for several milliseconds; drivers without the setting (a pty) refuse
// the call, which is harmless.
void AskForLowLatency(int fd) {
    serial_struct serial{};
    if (ioctl(fd, TIOCGSERIAL, &serial) == 0) {
        serial.flags |= ASYNC_LOW_LATENCY;
        ioctl(fd, TIOCSSERIAL, &serial);
    }
}

} // namespace

bool IsSupportedTtyBaud(int baud) {
    speed_t speed{};
    return SpeedFor(baud, speed);
}

TtyDevice::TtyDevice(std::string path, int baud)
    : path_(std::move(path)), baud_(baud), writeTimeoutMs_(kDefaultTtyWriteTimeoutMs) {}

TtyDevice::~TtyDevice() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

FT_STATUS TtyDevice::Open(int index, FT_HANDLE& handle) {
    handle = 0;
    if (handle_.IsOpen()) {
        return FT_DEVICE_NOT_OPENED;
    }
    if (index != 0) {
        return FT_DEVICE_NOT_FOUND;
    }
    speed_t speed{};
    if (!SpeedFor(baud_, speed)) {
        return FT_INVALID_BAUD_RATE;
    }
    const int fd = ::open(path_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return OpenFailure(errno);
    }
    if (!SetRaw(fd, speed)) {
        ::close(fd);
        return FT_DEVICE_NOT_OPENED;
    }
    // Like a D2XX open, the port belongs to this program alone while open:
    // the lock keeps a second Orvane or orvane-cli off it (root included,
    // whom TIOCEXCL does not stop).
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        ::close(fd);
        return FT_DEVICE_NOT_OPENED;
    }
    ioctl(fd, TIOCEXCL);
    AskForLowLatency(fd);
    tcflush(fd, TCIOFLUSH);
    held_.clear();
    fd_ = fd;
    handle = handle_.Issue();
    return FT_OK;
}

FT_STATUS TtyDevice::Close(FT_HANDLE handle) {
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    handle_.Release();
    held_.clear();
    const int fd = std::exchange(fd_, -1);
    ioctl(fd, TIOCNXCL); // a pty slave keeps the flag past its close
    return ::close(fd) == 0 ? FT_OK : FT_IO_ERROR;
}

FT_STATUS TtyDevice::ListDevices(std::uint32_t& count) {
    struct stat info {};
    count = ::stat(path_.c_str(), &info) == 0 ? 1 : 0;
    return FT_OK;
}

FT_STATUS TtyDevice::Write(FT_HANDLE handle, std::span<const std::uint8_t> data,
                           std::uint32_t& written) {
    written = 0;
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    // The whole write must finish within the time-out: a peer that stopped
    // reading must not hold the caller longer than that.
    using Clock = std::chrono::steady_clock;
    const auto stallDeadline = Clock::now() + std::chrono::milliseconds(writeTimeoutMs_);
    std::size_t done = 0;
    while (done < data.size()) {
        const ssize_t result = ::write(fd_, data.data() + done, data.size() - done);
        if (result > 0) {
            done += static_cast<std::size_t>(result);
            written = static_cast<std::uint32_t>(done);
            continue;
        }
        if (result < 0 && errno == EINTR) {
            continue;
        }
        if (result < 0 && errno != EAGAIN) {
            return FT_IO_ERROR;
        }
        // Output buffer full: sleep until it has room again.
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(stallDeadline - Clock::now());
        if (left.count() <= 0) {
            return FT_FAILED_TO_WRITE_DEVICE;
        }
        pollfd wait{fd_, POLLOUT, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            return FT_IO_ERROR;
        }
        if (ready > 0 && (wait.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0) {
            return FT_IO_ERROR;
        }
    }
    return FT_OK;
}

FT_STATUS TtyDevice::Read(FT_HANDLE handle, std::span<std::uint8_t> buffer, std::uint32_t& got) {
    got = 0;
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    if (buffer.empty()) {
        return FT_OK;
    }
    // Bytes held from an earlier wait come first; they arrived first.
    const std::size_t fromHeld = std::min(buffer.size(), held_.size());
    std::copy_n(held_.begin(), fromHeld, buffer.begin());
    held_.erase(held_.begin(), held_.begin() + static_cast<std::ptrdiff_t>(fromHeld));
    got = static_cast<std::uint32_t>(fromHeld);
    if (fromHeld == buffer.size()) {
        return FT_OK;
    }
    const ssize_t result = ::read(fd_, buffer.data() + fromHeld, buffer.size() - fromHeld);
    if (result > 0) {
        got += static_cast<std::uint32_t>(result);
        return FT_OK;
    }
    if (fromHeld > 0 || (result < 0 && (errno == EAGAIN || errno == EINTR))) {
        return FT_OK; // nothing (more) waiting; a hang-up shows on the next call
    }
    return FT_IO_ERROR; // 0 = hung up; EIO = the other end is gone
}

bool TtyDevice::TakeFromKernel() {
    std::array<std::uint8_t, 512> chunk{};
    while (held_.size() < kHeldLimit) {
        const std::size_t room = std::min(chunk.size(), kHeldLimit - held_.size());
        const ssize_t result = ::read(fd_, chunk.data(), room);
        if (result > 0) {
            held_.insert(held_.end(), chunk.begin(), chunk.begin() + result);
            continue;
        }
        if (result < 0 && errno == EINTR) {
            continue;
        }
        return result < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
    }
    return true;
}

bool TtyDevice::HungUp() const {
    pollfd check{fd_, POLLIN, 0};
    return ::poll(&check, 1, 0) > 0 && (check.revents & (POLLERR | POLLHUP | POLLNVAL)) != 0;
}

FT_STATUS TtyDevice::GetQueueStatus(FT_HANDLE handle, std::uint32_t& queued) {
    queued = 0;
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    int waiting = 0;
    if (ioctl(fd_, FIONREAD, &waiting) != 0 || waiting < 0) {
        return FT_IO_ERROR;
    }
    // An unplugged adapter can still answer FIONREAD with 0; without this the
    // link would only ever see a time-out.
    if (waiting == 0 && held_.empty() && HungUp()) {
        return FT_IO_ERROR;
    }
    queued = static_cast<std::uint32_t>(static_cast<std::size_t>(waiting) + held_.size());
    return FT_OK;
}

FT_STATUS TtyDevice::WaitForData(FT_HANDLE handle, std::uint32_t atLeast, int milliseconds) {
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::milliseconds(std::max(milliseconds, 0));
    for (;;) {
        // Empty the kernel's queue, so poll() sleeps until bytes beyond
        // those already here arrive.
        if (!TakeFromKernel()) {
            // Hung up: nothing more will come. Bytes already here can still
            // be read; otherwise it is an error, not a reason to wait.
            if (held_.empty()) {
                return FT_IO_ERROR;
            }
            std::this_thread::sleep_until(deadline);
            return FT_OK;
        }
        if (held_.size() >= atLeast) {
            return FT_OK;
        }
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return FT_OK;
        }
        pollfd wait{fd_, POLLIN, 0};
        const int ready = ::poll(&wait, 1, static_cast<int>(left.count()));
        if (ready < 0 && errno != EINTR) {
            return FT_IO_ERROR;
        }
        // Woken: bytes arrived (or the line hung up); take them and look again.
    }
}

FT_STATUS TtyDevice::SetWriteTimeout(FT_HANDLE handle, int milliseconds) {
    if (!handle_.Matches(handle)) {
        return FT_INVALID_HANDLE;
    }
    if (milliseconds <= 0) {
        return FT_INVALID_PARAMETER;
    }
    writeTimeoutMs_ = milliseconds;
    return FT_OK;
}

DeviceDescription TtyDevice::Describe() const {
    DeviceDescription description;
    description.kind = DeviceDescription::Kind::Tty;
    description.path = path_;
    description.baud = baud_;
    return description;
}

} // namespace platform
