#pragma once
// The Tamber field network behind the simulated host: sixteen remote game
// nodes that answer the host's field-network commands (record type 5).
// Nodes 1..12 are on the network; 13..16 are absent and every command to
// them comes back with the no-answer status. A node's counters are those of
// its remote node record in the host's memory, so the viewer and the
// diagnostic window agree.

#include <array>
#include <cstdint>
#include <span>

namespace hostsim {

class FieldNetwork {
public:
    static constexpr int kNodes = 16;
    static constexpr int kPresentNodes = 12;
    static constexpr int kMemorySize = 128;
    static constexpr int kErrorCounters = 22;
    static constexpr int kCounters = 8;

    // Node status of a reply (reply byte 11).
    static constexpr std::uint8_t kStatusOk = 0;
    static constexpr std::uint8_t kStatusNoAnswer = 0x02; // node absent or silent
    static constexpr std::uint8_t kStatusBadCommand = 0x03;

    // Commands the nodes know.
    static constexpr std::uint8_t kPoll = 1;
    static constexpr std::uint8_t kLatchCounters = 2;
    static constexpr std::uint8_t kReadCounter = 3;
    static constexpr std::uint8_t kReadMemory = 28;
    static constexpr std::uint8_t kReadErrorCount = 29;
    static constexpr std::uint8_t kClearErrorCounts = 30;

    struct Answer {
        std::uint8_t status = kStatusNoAnswer;
        std::array<std::uint8_t, 4> value{};
    };

    // Nodes with believable memory (version, configuration, serial number)
    // and a few non-zero error counters.
    FieldNetwork();

    // Command `cmnd` with argument `cnt` to node `node`; `hostMemory` is the
    // host's non-volatile memory, which holds the nodes' records.
    Answer Command(std::span<const std::uint8_t> hostMemory, std::uint8_t node, std::uint8_t cmnd,
                   std::uint32_t cnt);

    // From now on node `node` answers n - 1 more commands, then falls silent
    // (its n-th command and every later one get kStatusNoAnswer). n of 0
    // ends the fault.
    void FailNodeFrom(std::uint8_t node, int n);

    bool Present(std::uint8_t node) const;
    std::span<const std::uint8_t, kMemorySize> NodeMemory(std::uint8_t node) const;
    std::uint32_t ErrorCount(std::uint8_t node, int index) const;
    void SetErrorCount(std::uint8_t node, int index, std::uint32_t count);
    // Commands node `node` has been sent since the start.
    int CommandsTo(std::uint8_t node) const;

private:
    struct Node {
        bool present = false;
        std::array<std::uint8_t, kMemorySize> memory{};
        std::array<std::uint32_t, kErrorCounters> errors{};
        int commands = 0;
        int failFrom = 0; // command number (counted in `commands`) from which it is silent
    };
    // Indexed by node address; address 0 is never a node.
    std::array<Node, kNodes + 1> nodes_{};
};

} // namespace hostsim
