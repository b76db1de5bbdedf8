#pragma once
// The simulated Tolvex host: the device side of the protocol. It reassembles
// request frames from the byte stream, acts on them against an emulated
// 128 KiB non-volatile memory and answers in the same frame format. It shares
// only the CRC routine and the record layout tables with the program's own
// link code, so a misunderstanding on one side shows up as a failing test.
//
// CONTRACT (other folders code against these names; extend, do not rename).

#include "hostsim/FieldNetwork.h"
#include "hostsim/HostClock.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace hostsim {

class SimulatedHost {
public:
    static constexpr std::size_t kMemorySize = 0x20000;
    // Longest request frame the host takes; a length field outside 9..this
    // marks a byte that cannot start a frame.
    static constexpr std::size_t kMaxFrameLength = 1024;
    static constexpr std::uint16_t kDefaultInputWord = 0x1234;
    // Status byte of a record acknowledgement (reply byte 11) of the clock,
    // site parameter and mask records; the node record has none. The
    // program reads a status only in field-network replies.
    static constexpr std::uint8_t kStatusOk = 0;
    static constexpr std::uint8_t kStatusRejected = 1;
    // The byte that PrefixNextReplyWithGarbage sends.
    static constexpr std::uint8_t kGarbageByte = 0x55;

    // With sample content the memory holds believable records (site record,
    // players, remote nodes); without, it is all zero.
    explicit SimulatedHost(bool sampleContent = true);

    // Bytes written by the PC.
    void Receive(std::span<const std::uint8_t> bytes);
    // Reply bytes that may be read now (delayed and split replies become
    // available as time passes / as they are polled).
    std::size_t Available();
    // Moves up to out.size() available bytes to `out`; returns their number.
    std::size_t Take(std::span<std::uint8_t> out);
    // Bytes already released and waiting to be taken; unlike Available()
    // this is no poll and releases nothing.
    std::size_t Ready() const;
    // When the next delayed piece becomes available, if any is pending.
    bool NextDue(std::chrono::steady_clock::time_point& when) const;
    // When at least `count` bytes will be ready to take, if the replies
    // under way hold that many; a time already past means they come with
    // the next polls.
    bool DueFor(std::size_t count, std::chrono::steady_clock::time_point& when) const;

    // Wire speed: 0 (the default) hands every reply over at once; a baud
    // rate paces requests and replies as on a real 8N1 line of that speed,
    // one byte every 10 bits, so a reply arrives byte by byte.
    void SetBaud(int baud);
    int Baud() const;

    std::span<std::uint8_t> Memory();
    std::span<const std::uint8_t> Memory() const;
    // Every request frame with a good CRC, in arrival order, as received.
    const std::vector<std::vector<std::uint8_t>>& Requests() const;
    void ClearRequests();
    // A long-running host (the pseudo-terminal server) keeps no request list.
    void SetRecordRequests(bool record);

    // Fault injection for the next reply (each applies once).
    void DropNextReply();
    void CorruptNextReplyCrc();
    void DelayNextReply(std::chrono::milliseconds delay);
    void SplitNextReply(int pieces);                    // delivered across that many polls
    void PrefixNextReplyWithGarbage(std::size_t bytes); // kGarbageByte each
    void PrefixNextReplyWith(std::vector<std::uint8_t> bytes);
    void AnswerNextWithHugeLength();                  // length field of 0x8000 or more
    void AnswerNextOversized(std::size_t totalBytes); // a valid frame longer than 201 bytes
    // The next reply carries `payload` instead of the host's own answer (the
    // request still takes effect): another host's way of answering.
    void AnswerNextWith(std::vector<std::uint8_t> payload);
    void SetUnplugged(bool unplugged);
    bool Unplugged() const;
    // How many times the host has been unplugged: a handle opened before an
    // unplugging stays dead after the host is plugged in again.
    unsigned Unpluggings() const { return unpluggings_; }

    // Called for every good request before its reply is built, so a caller
    // can arm faults per request (the pseudo-terminal server's fault rates).
    using RequestHook = std::function<void(SimulatedHost&, std::span<const std::uint8_t>)>;
    void OnEachRequest(RequestHook hook);

    // The input word that DeviceID 3 Cmnd 5 reads.
    void SetInputWord(std::uint16_t word);
    std::uint16_t InputWord() const;

    // The host's clock, which dates the records it keeps.
    CivilTime Clock() const;
    bool SetClock(const CivilTime& time);

    // Replaces the memory with the sample records, dated by the clock.
    void LoadSampleContent();

    // The remote game nodes that answer field-network commands.
    FieldNetwork& Field() { return field_; }
    const FieldNetwork& Field() const { return field_; }

private:
    struct ReplyFaults {
        bool drop = false;
        bool corruptCrc = false;
        bool hugeLength = false;
        std::chrono::milliseconds delay{0};
        int pieces = 1;
        std::vector<std::uint8_t> prefix;
        std::size_t oversizedTotal = 0;
        std::optional<std::vector<std::uint8_t>> payload;
    };
    struct Piece {
        std::vector<std::uint8_t> bytes;
        std::chrono::steady_clock::time_point due;
        bool onePerPoll = false;
    };

    void ScanFrames();
    void Accept(std::span<const std::uint8_t> frame);
    std::vector<std::uint8_t> Answer(std::span<const std::uint8_t> frame);
    std::vector<std::uint8_t> AnswerMemoryRead(std::span<const std::uint8_t> payload) const;
    std::vector<std::uint8_t> AnswerMemoryWrite(std::span<const std::uint8_t> payload);
    std::vector<std::uint8_t> AnswerRecord(std::uint8_t deviceId,
                                           std::span<const std::uint8_t> payload);
    std::uint8_t StoreSiteParameters(std::span<const std::uint8_t> data);
    std::uint8_t StoreNode(std::span<const std::uint8_t> data);
    std::uint8_t StoreMasks(std::span<const std::uint8_t> data);
    std::uint8_t SetClockFromRecord(std::span<const std::uint8_t> data);
    void Emit(std::span<const std::uint8_t> request, std::vector<std::uint8_t> payload);
    void Release();

    std::vector<std::uint8_t> memory_;
    HostClock clock_;
    std::uint16_t inputWord_ = kDefaultInputWord;
    FieldNetwork field_;

    std::vector<std::uint8_t> received_; // request bytes not yet framed
    std::size_t receivedStart_ = 0;
    std::vector<std::vector<std::uint8_t>> requests_;
    bool recordRequests_ = true;
    RequestHook hook_;

    ReplyFaults nextFaults_;
    std::deque<Piece> pending_;       // reply pieces not yet readable
    std::vector<std::uint8_t> ready_; // readable reply bytes from readyStart_
    std::size_t readyStart_ = 0;

    bool unplugged_ = false;
    unsigned unpluggings_ = 0;
    int baud_ = 0;
};

} // namespace hostsim
