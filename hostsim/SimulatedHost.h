#pragma once
// The simulated Tolvex host: the device side of the protocol. It reassembles
// request frames from the byte stream, acts on them against an emulated
// 128 KiB non-volatile memory and answers in the same frame format. It shares
// only the CRC routine and the record layout tables with the program's own
// link code, so a misunderstanding on one side shows up as a failing test.
//
// CONTRACT (other folders code against these names; extend, do not rename).

#include <chrono>
#include <cstdint>
#include <span>
#include <vector>

namespace hostsim {

class SimulatedHost {
public:
    static constexpr std::size_t kMemorySize = 0x20000;

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
    // When the next delayed piece becomes available, if any is pending.
    bool NextDue(std::chrono::steady_clock::time_point& when) const;

    std::span<std::uint8_t> Memory();
    // Every request frame with a good CRC, in arrival order, as received.
    const std::vector<std::vector<std::uint8_t>>& Requests() const;
    void ClearRequests();

    // Fault injection for the next reply (each applies once).
    void DropNextReply();
    void CorruptNextReplyCrc();
    void DelayNextReply(std::chrono::milliseconds delay);
    void SplitNextReply(int pieces); // delivered across that many polls
    void PrefixNextReplyWithGarbage(std::size_t bytes);
    void AnswerNextWithHugeLength();   // length field of 0x8000 or more
    void AnswerNextOversized(std::size_t totalBytes); // a valid frame longer than 201 bytes
    // Fault injection of the device itself (see SimFtdiDevice).
    void FailNextQueueStatus(std::uint32_t status);
    void SetUnplugged(bool unplugged);
};

} // namespace hostsim
