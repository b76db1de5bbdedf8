#pragma once
// The far end of a pseudo-terminal: the code under test opens SlavePath()
// as its serial port, the test writes and reads the master.

#include <array>
#include <cstdint>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <string_view>
#include <termios.h>
#include <unistd.h>

class PtyPair {
public:
    // `raw` false leaves the line as the pseudo-terminal starts it (cooked),
    // for a test of code that must set the line up itself.
    explicit PtyPair(bool raw = true) {
        master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        if (master_ >= 0 && grantpt(master_) == 0 && unlockpt(master_) == 0) {
            if (const char* name = ptsname(master_)) {
                slavePath_ = name;
            }
        }
        // Raw from the start, so nothing written before the port is opened
        // is echoed or translated.
        const int slave = raw ? ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC) : -1;
        if (slave >= 0) {
            termios raw{};
            tcgetattr(slave, &raw);
            cfmakeraw(&raw);
            tcsetattr(slave, TCSANOW, &raw);
            ::close(slave);
        }
    }
    ~PtyPair() {
        CloseMaster();
        if (held_ >= 0) {
            ::close(held_);
        }
    }
    PtyPair(const PtyPair&) = delete;
    PtyPair& operator=(const PtyPair&) = delete;

    bool Ready() const { return master_ >= 0 && !slavePath_.empty(); }
    const std::string& SlavePath() const { return slavePath_; }

    bool Send(std::string_view bytes) {
        std::size_t done = 0;
        while (done < bytes.size()) {
            const ssize_t n = ::write(master_, bytes.data() + done, bytes.size() - done);
            if (n <= 0) {
                return false;
            }
            done += static_cast<std::size_t>(n);
        }
        return true;
    }

    // Writes as much of `bytes` as the line takes now, without waiting;
    // returns how much that was.
    std::size_t Offer(std::string_view bytes) {
        const int flags = ::fcntl(master_, F_GETFL);
        ::fcntl(master_, F_SETFL, flags | O_NONBLOCK);
        const ssize_t n = ::write(master_, bytes.data(), bytes.size());
        ::fcntl(master_, F_SETFL, flags);
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }

    // What the port sent, until `count` bytes came or the line stayed quiet
    // for `quietMs`.
    std::string Receive(std::size_t count, int quietMs = 5000) {
        std::string bytes;
        while (bytes.size() < count) {
            pollfd wait{master_, POLLIN, 0};
            if (::poll(&wait, 1, quietMs) <= 0) {
                break;
            }
            std::array<char, 256> chunk{};
            const ssize_t got = ::read(master_, chunk.data(), chunk.size());
            if (got <= 0) {
                break;
            }
            bytes.append(chunk.data(), static_cast<std::size_t>(got));
        }
        return bytes;
    }

    // The line hangs up and its device node goes. The pair keeps a slave
    // open until it is destroyed, so the number is not given to another
    // pseudo-terminal meanwhile (another test's, run at the same time),
    // which the code under test would take for its port come back.
    void CloseMaster() {
        if (master_ >= 0) {
            if (held_ < 0) {
                held_ = ::open(slavePath_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
            }
            ::close(master_);
            master_ = -1;
        }
    }

private:
    int master_ = -1;
    int held_ = -1;
    std::string slavePath_;
};
