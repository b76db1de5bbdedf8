#include "hostsim/PtyServer.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

namespace hostsim {

namespace {

constexpr std::size_t kReadChunk = 4096;

} // namespace

PtyServer::PtyServer(SimulatedHost& host) : host_(host) {
    Open();
}

bool PtyServer::Open() {
    error_.clear();
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (master_ < 0) {
        return Fail("posix_openpt");
    }
    if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
        return Fail("grantpt/unlockpt");
    }
    std::array<char, 256> name{};
    if (ptsname_r(master_, name.data(), name.size()) != 0) {
        return Fail("ptsname_r");
    }
    slavePath_ = name.data();
    slave_ = open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (slave_ < 0) {
        return Fail("open " + slavePath_);
    }
    // Raw 8-bit line: no echo, no line editing, no CR/LF translation, so
    // frames pass through byte for byte.
    termios raw{};
    if (tcgetattr(slave_, &raw) != 0) {
        return Fail("tcgetattr");
    }
    cfmakeraw(&raw);
    if (tcsetattr(slave_, TCSANOW, &raw) != 0) {
        return Fail("tcsetattr");
    }
    return UpdateLink();
}

PtyServer::~PtyServer() {
    HangUp();
}

void PtyServer::HangUp() {
    RemoveLink();
    if (slave_ >= 0) {
        close(slave_);
        slave_ = -1;
    }
    if (master_ >= 0) {
        close(master_);
        master_ = -1;
    }
    unsent_.clear();
}

bool PtyServer::Serve() {
    HangUp();
    return Open();
}

bool PtyServer::SetLinkPath(std::string path) {
    RemoveLink();
    linkPath_ = std::move(path);
    if (IsOpen() && !UpdateLink()) {
        linkPath_.clear();
        return false;
    }
    return true;
}

bool PtyServer::UpdateLink() {
    if (linkPath_.empty()) {
        return true;
    }
    // A new link beside the old one, renamed over it, so the name never
    // points nowhere while the line is served.
    struct stat existing {};
    if (lstat(linkPath_.c_str(), &existing) == 0 && !S_ISLNK(existing.st_mode)) {
        errno = EEXIST;
        return Fail("link path " + linkPath_ + " is not a symbolic link");
    }
    const std::string fresh = linkPath_ + ".new";
    unlink(fresh.c_str());
    if (symlink(slavePath_.c_str(), fresh.c_str()) != 0) {
        return Fail("symlink " + fresh);
    }
    if (rename(fresh.c_str(), linkPath_.c_str()) != 0) {
        const bool failed = Fail("rename to " + linkPath_);
        unlink(fresh.c_str());
        return failed;
    }
    return true;
}

void PtyServer::RemoveLink() {
    // Only ever a link this server made; a file in its place is left alone.
    struct stat existing {};
    if (!linkPath_.empty() && lstat(linkPath_.c_str(), &existing) == 0 &&
        S_ISLNK(existing.st_mode)) {
        unlink(linkPath_.c_str());
    }
}

bool PtyServer::IsOpen() const {
    return master_ >= 0 && slave_ >= 0 && error_.empty();
}
const std::string& PtyServer::SlavePath() const {
    return slavePath_;
}
const std::string& PtyServer::Error() const {
    return error_;
}

bool PtyServer::Fail(const std::string& what) {
    error_ = what + ": " + std::strerror(errno);
    return false;
}

std::chrono::milliseconds PtyServer::NextWait(std::chrono::milliseconds maxWait) const {
    if (host_.Ready() > 0) {
        return std::chrono::milliseconds{0}; // more than one chunk came at once
    }
    std::chrono::steady_clock::time_point due;
    if (!host_.NextDue(due)) {
        return maxWait;
    }
    const auto left =
        std::chrono::ceil<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
    return std::clamp(left, std::min(kPieceGap, maxWait), maxWait);
}

bool PtyServer::ServeOnce(std::chrono::milliseconds maxWait, const sigset_t* waitMask) {
    if (!IsOpen()) {
        return false;
    }
    pollfd watch{master_, POLLIN, 0};
    if (!unsent_.empty()) {
        watch.events |= POLLOUT;
    }
    const std::chrono::milliseconds wait =
        NextWait(std::max(maxWait, std::chrono::milliseconds{0}));
    const timespec timeout{static_cast<time_t>(wait.count() / 1000),
                           static_cast<long>(wait.count() % 1000) * 1000000L};
    const int ready = ppoll(&watch, 1, &timeout, waitMask);
    if (ready < 0) {
        // A signal ended the wait: the caller looks at its stop flag.
        return errno == EINTR ? true : Fail("ppoll");
    }
    if ((watch.revents & POLLIN) != 0 && !ReadRequests()) {
        return false;
    }
    CollectReplies();
    return WriteReplies();
}

bool PtyServer::ReadRequests() {
    std::array<std::uint8_t, kReadChunk> chunk{};
    for (;;) {
        const ssize_t n = read(master_, chunk.data(), chunk.size());
        if (n > 0) {
            bytesReceived_ += static_cast<std::uint64_t>(n);
            host_.Receive(std::span<const std::uint8_t>(chunk.data(), static_cast<std::size_t>(n)));
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        // EAGAIN: all read. EIO: no client has the line open just now.
        if (n == 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == EIO) {
            return true;
        }
        return Fail("read");
    }
}

void PtyServer::CollectReplies() {
    // One poll of the host per round (Take is the poll), so a split reply
    // goes out in pieces.
    std::array<std::uint8_t, kReadChunk> chunk{};
    const std::size_t n = host_.Take(chunk);
    unsent_.insert(unsent_.end(), chunk.begin(), chunk.begin() + static_cast<std::ptrdiff_t>(n));
    if (unsent_.size() > kMaxUnsent) {
        unsent_.erase(unsent_.begin(), unsent_.end() - static_cast<std::ptrdiff_t>(kMaxUnsent));
    }
}

bool PtyServer::WriteReplies() {
    std::size_t done = 0;
    while (done < unsent_.size()) {
        const ssize_t n = write(master_, unsent_.data() + done, unsent_.size() - done);
        if (n > 0) {
            done += static_cast<std::size_t>(n);
            bytesSent_ += static_cast<std::uint64_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            break; // the line is full; POLLOUT tells when to go on
        }
        unsent_.erase(unsent_.begin(), unsent_.begin() + static_cast<std::ptrdiff_t>(done));
        return Fail("write");
    }
    unsent_.erase(unsent_.begin(), unsent_.begin() + static_cast<std::ptrdiff_t>(done));
    return true;
}

} // namespace hostsim
