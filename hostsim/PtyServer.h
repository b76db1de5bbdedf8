#pragma once
// Serves a simulated host on a pseudo-terminal, so the real program (or a
// test) can reach it through its serial backend at SlavePath(). One thread:
// the caller runs ServeOnce in a loop; it sleeps in ppoll until request
// bytes arrive or a delayed reply piece falls due.

#include "hostsim/SimulatedHost.h"

#include <chrono>
#include <csignal>
#include <cstdint>
#include <string>
#include <vector>

namespace hostsim {

class PtyServer {
public:
    // Opens the pseudo-terminal pair and puts its line discipline in raw
    // mode; check IsOpen() (and Error() for the reason).
    explicit PtyServer(SimulatedHost& host);
    ~PtyServer();
    PtyServer(const PtyServer&) = delete;
    PtyServer& operator=(const PtyServer&) = delete;

    bool IsOpen() const;
    const std::string& SlavePath() const;
    const std::string& Error() const;

    // A host that goes away and comes back: HangUp closes the pseudo-
    // terminal (a client's reads then fail, as when a USB serial adapter is
    // pulled out); Serve opens a new one. A new pseudo-terminal has a new
    // path, so a client that is to find it again uses a link path.
    void HangUp();
    bool Serve();

    // Keeps a symbolic link at `path` to the pseudo-terminal being served
    // (replaced at each Serve, removed by HangUp and at the end), so a
    // client can open the same name before and after. False (and Error)
    // when it cannot be made.
    bool SetLinkPath(std::string path);

    // Waits at most `maxWait` for request bytes or a reply piece that falls
    // due, then feeds requests to the host and writes its replies. While it
    // waits, the signal mask is `waitMask` when given (as in ppoll), so a
    // caller can keep its stop signals blocked except during the wait.
    // Returns false (and sets Error) when the pseudo-terminal fails.
    bool ServeOnce(std::chrono::milliseconds maxWait, const sigset_t* waitMask = nullptr);

    // How long the next ServeOnce(maxWait) would sleep if no request came:
    // less than maxWait while reply bytes are waiting or falling due.
    std::chrono::milliseconds NextWait(std::chrono::milliseconds maxWait) const;

    // Bytes read from the line (requests) and written to it (replies)
    // since the server was made, across hang-ups.
    std::uint64_t BytesReceived() const { return bytesReceived_; }
    std::uint64_t BytesSent() const { return bytesSent_; }

    // Time left between two pieces of a split reply, so a reader sees them
    // arrive separately.
    static constexpr std::chrono::milliseconds kPieceGap{2};
    // Replies nobody reads are dropped beyond this many bytes.
    static constexpr std::size_t kMaxUnsent = 64 * 1024;

private:
    bool ReadRequests();
    void CollectReplies();
    bool WriteReplies();
    bool Fail(const std::string& what);
    bool Open();
    bool UpdateLink();
    void RemoveLink();

    SimulatedHost& host_;
    int master_ = -1;
    // Held open so the master never sees a hang-up while no client is
    // connected (which would wake ppoll at once, again and again).
    int slave_ = -1;
    std::string slavePath_;
    std::string linkPath_;
    std::string error_;
    std::vector<std::uint8_t> unsent_;
    std::uint64_t bytesReceived_ = 0;
    std::uint64_t bytesSent_ = 0;
};

} // namespace hostsim
