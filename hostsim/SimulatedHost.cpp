// The byte stream side of the simulated host: framing of requests, the
// queue of reply pieces, and fault injection. What the host does with a
// request is in HostRequests.cpp.

#include "hostsim/SimulatedHost.h"

#include "common/Crc16.h"
#include "hostsim/HostFrame.h"
#include "hostsim/SampleContent.h"

#include <algorithm>
#include <utility>

namespace hostsim {

namespace {

using Clock = std::chrono::steady_clock;

// Largest length a reply may claim before it stops being a plausible frame;
// the huge-length fault sets bit 15 on purpose, oversized replies stay below.
constexpr std::size_t kMaxReplyLength = 0x7FFF;

bool IsGoodFrameAt(std::span<const std::uint8_t> bytes, std::size_t& length) {
    if (bytes.size() < 3) {
        return false;
    }
    length = LengthField(bytes);
    return length >= kFrameOverhead && length <= SimulatedHost::kMaxFrameLength &&
           length <= bytes.size() && common::Crc16(bytes.first(length)) == 0;
}

} // namespace

SimulatedHost::SimulatedHost(bool sampleContent) : memory_(kMemorySize, 0) {
    if (sampleContent) {
        LoadSampleContent();
    }
}

void SimulatedHost::LoadSampleContent() {
    std::fill(memory_.begin(), memory_.end(), 0);
    FillSampleContent(memory_, clock_.Now());
}

// --- request stream --------------------------------------------------------

void SimulatedHost::Receive(std::span<const std::uint8_t> bytes) {
    received_.insert(received_.end(), bytes.begin(), bytes.end());
    ScanFrames();
}

void SimulatedHost::ScanFrames() {
    while (received_.size() - receivedStart_ >= 3) {
        const std::span<const std::uint8_t> rest =
            std::span<const std::uint8_t>(received_).subspan(receivedStart_);
        const std::size_t length = LengthField(rest);
        if (length < kFrameOverhead || length > kMaxFrameLength) {
            ++receivedStart_; // cannot start a frame
            continue;
        }
        if (length <= rest.size()) {
            if (common::Crc16(rest.first(length)) == 0) {
                // Copy first: answering may arm faults through the hook, but
                // must not see the receive buffer move under it.
                const std::vector<std::uint8_t> frame(rest.begin(), rest.begin() + length);
                receivedStart_ += length;
                Accept(frame);
            } else {
                ++receivedStart_; // bad CRC: no reply, look for the next frame
            }
            continue;
        }
        // An incomplete candidate may be noise claiming a long length; if a
        // complete good frame already follows it, the candidate was noise.
        std::size_t skip = 0;
        std::size_t found = 0;
        for (std::size_t k = 1; k + kFrameOverhead <= rest.size(); ++k) {
            if (IsGoodFrameAt(rest.subspan(k), found)) {
                skip = k;
                break;
            }
        }
        if (skip == 0) {
            break; // wait for more bytes
        }
        receivedStart_ += skip;
    }
    // Keep the buffer from growing: drop what has been consumed.
    if (receivedStart_ == received_.size()) {
        received_.clear();
        receivedStart_ = 0;
    } else if (receivedStart_ > kMaxFrameLength) {
        received_.erase(received_.begin(),
                        received_.begin() + static_cast<std::ptrdiff_t>(receivedStart_));
        receivedStart_ = 0;
    }
}

void SimulatedHost::Accept(std::span<const std::uint8_t> frame) {
    if (recordRequests_) {
        requests_.emplace_back(frame.begin(), frame.end());
    }
    if (hook_) {
        hook_(*this, frame);
    }
    Emit(frame, Answer(frame));
}

// --- replies -----------------------------------------------------------------

void SimulatedHost::Emit(std::span<const std::uint8_t> request, std::vector<std::uint8_t> payload) {
    const ReplyFaults faults = std::exchange(nextFaults_, ReplyFaults{});
    if (faults.drop) {
        return;
    }
    if (faults.payload) {
        payload = *faults.payload;
    }
    if (faults.oversizedTotal > payload.size() + kFrameOverhead) {
        payload.resize(std::min(faults.oversizedTotal, kMaxReplyLength) - kFrameOverhead, 0);
    }
    const FrameView view = ViewFrame(request);
    std::vector<std::uint8_t> frame = BuildFrame(view.deviceId, view.sequence, view.cmnd, payload);
    if (faults.hugeLength) {
        frame[2] |= 0x80;
        SealFrame(frame);
    }
    if (faults.corruptCrc) {
        frame.back() ^= 0xFF;
    }
    frame.insert(frame.begin(), faults.prefix.begin(), faults.prefix.end());

    if (baud_ > 0) {
        // On the wire: the request is heard once its last byte is in, and
        // the reply follows byte by byte, after any reply still going out.
        const auto byteTime =
            std::chrono::duration_cast<Clock::duration>(std::chrono::nanoseconds(10'000'000'000LL / baud_));
        Clock::time_point start = Clock::now() + faults.delay +
                                  byteTime * static_cast<long>(request.size());
        if (!pending_.empty()) {
            start = std::max(start, pending_.back().due);
        }
        for (std::size_t k = 0; k < frame.size(); ++k) {
            pending_.push_back(Piece{std::vector<std::uint8_t>{frame[k]},
                                     start + byteTime * static_cast<long>(k + 1), false});
        }
        return;
    }
    const Clock::time_point due = Clock::now() + faults.delay;
    const std::size_t pieces = std::clamp<std::size_t>(
        static_cast<std::size_t>(std::max(faults.pieces, 1)), 1, frame.size());
    std::size_t start = 0;
    for (std::size_t i = 0; i < pieces; ++i) {
        const std::size_t end = frame.size() * (i + 1) / pieces;
        pending_.push_back(
            Piece{std::vector<std::uint8_t>(frame.begin() + start, frame.begin() + end), due,
                  pieces > 1});
        start = end;
    }
}

void SimulatedHost::Release() {
    const Clock::time_point now = Clock::now();
    bool polledPieceReleased = false;
    while (!pending_.empty()) {
        Piece& piece = pending_.front();
        if (piece.due > now) {
            break;
        }
        if (piece.onePerPoll) {
            if (polledPieceReleased) {
                break;
            }
            polledPieceReleased = true;
        }
        if (readyStart_ == ready_.size()) {
            ready_.clear();
            readyStart_ = 0;
        }
        ready_.insert(ready_.end(), piece.bytes.begin(), piece.bytes.end());
        pending_.pop_front();
    }
}

std::size_t SimulatedHost::Available() {
    Release();
    return ready_.size() - readyStart_;
}

std::size_t SimulatedHost::Take(std::span<std::uint8_t> out) {
    Release();
    const std::size_t n = std::min(out.size(), ready_.size() - readyStart_);
    std::copy_n(ready_.begin() + static_cast<std::ptrdiff_t>(readyStart_), n, out.begin());
    readyStart_ += n;
    if (readyStart_ == ready_.size()) {
        ready_.clear();
        readyStart_ = 0;
    }
    return n;
}

std::size_t SimulatedHost::Ready() const {
    return ready_.size() - readyStart_;
}

bool SimulatedHost::NextDue(std::chrono::steady_clock::time_point& when) const {
    if (pending_.empty()) {
        return false;
    }
    when = pending_.front().due;
    return true;
}

bool SimulatedHost::DueFor(std::size_t count, std::chrono::steady_clock::time_point& when) const {
    std::size_t have = Ready();
    if (have >= count) {
        when = Clock::now();
        return true;
    }
    for (const Piece& piece : pending_) {
        have += piece.bytes.size();
        if (have >= count) {
            when = piece.due;
            return true;
        }
    }
    return false;
}

void SimulatedHost::SetBaud(int baud) {
    baud_ = std::max(baud, 0);
}
int SimulatedHost::Baud() const {
    return baud_;
}

// --- state -------------------------------------------------------------------

std::span<std::uint8_t> SimulatedHost::Memory() {
    return memory_;
}
std::span<const std::uint8_t> SimulatedHost::Memory() const {
    return memory_;
}

const std::vector<std::vector<std::uint8_t>>& SimulatedHost::Requests() const {
    return requests_;
}
void SimulatedHost::ClearRequests() {
    requests_.clear();
}
void SimulatedHost::SetRecordRequests(bool record) {
    recordRequests_ = record;
}
void SimulatedHost::OnEachRequest(RequestHook hook) {
    hook_ = std::move(hook);
}

void SimulatedHost::SetInputWord(std::uint16_t word) {
    inputWord_ = word;
}
std::uint16_t SimulatedHost::InputWord() const {
    return inputWord_;
}

CivilTime SimulatedHost::Clock() const {
    return clock_.Now();
}
bool SimulatedHost::SetClock(const CivilTime& time) {
    return clock_.Set(time);
}

// --- faults ------------------------------------------------------------------

void SimulatedHost::DropNextReply() {
    nextFaults_.drop = true;
}
void SimulatedHost::CorruptNextReplyCrc() {
    nextFaults_.corruptCrc = true;
}
void SimulatedHost::DelayNextReply(std::chrono::milliseconds delay) {
    nextFaults_.delay = delay;
}
void SimulatedHost::SplitNextReply(int pieces) {
    nextFaults_.pieces = pieces;
}
void SimulatedHost::PrefixNextReplyWithGarbage(std::size_t bytes) {
    nextFaults_.prefix.assign(bytes, kGarbageByte);
}
void SimulatedHost::PrefixNextReplyWith(std::vector<std::uint8_t> bytes) {
    nextFaults_.prefix = std::move(bytes);
}
void SimulatedHost::AnswerNextWithHugeLength() {
    nextFaults_.hugeLength = true;
}
void SimulatedHost::AnswerNextOversized(std::size_t totalBytes) {
    nextFaults_.oversizedTotal = totalBytes;
}
void SimulatedHost::AnswerNextWith(std::vector<std::uint8_t> payload) {
    nextFaults_.payload = std::move(payload);
}
void SimulatedHost::SetUnplugged(bool unplugged) {
    if (unplugged && !unplugged_) {
        ++unpluggings_;
    }
    unplugged_ = unplugged;
}
bool SimulatedHost::Unplugged() const {
    return unplugged_;
}

} // namespace hostsim
