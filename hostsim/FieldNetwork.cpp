#include "hostsim/FieldNetwork.h"

#include "hostsim/RecordFields.h"

#include <algorithm>
#include <bit>
#include <numeric>

namespace hostsim {

namespace {

constexpr std::uint8_t kMemorySignature = 0xA5;
constexpr std::uint8_t kFirmwareMajor = 3;
constexpr std::uint8_t kFirmwareMinor = 12;
constexpr std::uint32_t kFirstSerial = 20260000;
constexpr std::uint8_t kErased = 0xFF;
constexpr char kModelText[] = "TAMBER GAME NODE";

std::array<std::uint8_t, 4> Le32(std::uint32_t value) {
    return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

// The node's 128 bytes: signature, firmware version, address, serial
// number, configuration, model name, erased bytes and a checksum.
std::array<std::uint8_t, FieldNetwork::kMemorySize> SampleMemory(int node) {
    std::array<std::uint8_t, FieldNetwork::kMemorySize> m{};
    m.fill(kErased);
    const auto n = static_cast<std::uint32_t>(node);
    m[0] = kMemorySignature;
    m[1] = kFirmwareMajor;
    m[2] = kFirmwareMinor;
    m[3] = static_cast<std::uint8_t>(node);
    const auto serial = Le32(kFirstSerial + 37 * n);
    std::copy(serial.begin(), serial.end(), m.begin() + 4);
    // Configuration: denomination, keydown, coin-in and note-in codes,
    // option flags, game number (little-endian), game group.
    const std::uint32_t game = 100 + n;
    const std::array<std::uint8_t, 8> config{static_cast<std::uint8_t>(n % 7),
                                             static_cast<std::uint8_t>(n % 4),
                                             0,
                                             static_cast<std::uint8_t>((n + 3) % 7),
                                             static_cast<std::uint8_t>(node == 12 ? 0x01 : 0x00),
                                             static_cast<std::uint8_t>(game & 0xFF),
                                             static_cast<std::uint8_t>(game >> 8),
                                             static_cast<std::uint8_t>(n % 2)};
    std::copy(config.begin(), config.end(), m.begin() + 8);
    std::copy(std::begin(kModelText), std::end(kModelText) - 1, m.begin() + 16);
    m[FieldNetwork::kMemorySize - 1] =
        static_cast<std::uint8_t>(std::accumulate(m.begin(), m.end() - 1, 0u) & 0xFF);
    return m;
}

} // namespace

FieldNetwork::FieldNetwork() {
    for (int node = 1; node <= kPresentNodes; ++node) {
        Node& n = nodes_[static_cast<std::size_t>(node)];
        n.present = true;
        n.memory = SampleMemory(node);
    }
    // A few nodes have had trouble.
    SetErrorCount(2, 3, 12);
    SetErrorCount(2, 7, 3);
    SetErrorCount(5, 1, 4);
    SetErrorCount(5, 14, 2);
    SetErrorCount(9, 0, 1);
    SetErrorCount(9, 21, 7);
    SetErrorCount(11, 19, 25);
}

bool FieldNetwork::Present(std::uint8_t node) const {
    return node <= kNodes && nodes_[node].present;
}

std::span<const std::uint8_t, FieldNetwork::kMemorySize>
FieldNetwork::NodeMemory(std::uint8_t node) const {
    return nodes_[node <= kNodes ? node : 0].memory;
}

std::uint32_t FieldNetwork::ErrorCount(std::uint8_t node, int index) const {
    if (node > kNodes || index < 0 || index >= kErrorCounters) {
        return 0;
    }
    return nodes_[node].errors[static_cast<std::size_t>(index)];
}

void FieldNetwork::SetErrorCount(std::uint8_t node, int index, std::uint32_t count) {
    if (node > kNodes || index < 0 || index >= kErrorCounters) {
        return;
    }
    nodes_[node].errors[static_cast<std::size_t>(index)] = count;
}

int FieldNetwork::CommandsTo(std::uint8_t node) const {
    return node <= kNodes ? nodes_[node].commands : 0;
}

void FieldNetwork::FailNodeFrom(std::uint8_t node, int n) {
    if (node > kNodes) {
        return;
    }
    Node& target = nodes_[node];
    target.failFrom = n > 0 ? target.commands + n : 0;
}

FieldNetwork::Answer FieldNetwork::Command(std::span<const std::uint8_t> hostMemory,
                                           std::uint8_t node, std::uint8_t cmnd,
                                           std::uint32_t cnt) {
    Answer answer;
    if (node > kNodes) {
        return answer;
    }
    Node& n = nodes_[node];
    ++n.commands;
    if (!n.present || (n.failFrom > 0 && n.commands >= n.failFrom)) {
        return answer;
    }
    // The node's record in the host's memory holds its counters and state.
    const std::size_t recordAt =
        records::kRemoteBase + static_cast<std::size_t>(records::kRemoteRecordSize) * node;
    const std::span<const std::uint8_t> record =
        hostMemory.size() >= recordAt + records::kRemoteRecordSize
            ? hostMemory.subspan(recordAt, records::kRemoteRecordSize)
            : std::span<const std::uint8_t>{};
    const auto field = [&](std::string_view label, int element = 0) -> std::uint32_t {
        return record.empty() ? 0 : GetField(record, records::kRemoteLayout, label, element);
    };
    answer.status = kStatusOk;
    switch (cmnd) {
    case kPoll: {
        // State, card status and the credits float (16 bits).
        const std::uint32_t credits = field("Credits Float");
        answer.value = {static_cast<std::uint8_t>(field("State")),
                        static_cast<std::uint8_t>(field("Magnetic Card Status")),
                        static_cast<std::uint8_t>(credits & 0xFF),
                        static_cast<std::uint8_t>((credits >> 8) & 0xFF)};
        break;
    }
    case kLatchCounters: {
        // Latches the counters named by the mask; answers the mask and how
        // many were latched.
        if (cnt > 0xFF) {
            answer.status = kStatusBadCommand;
            break;
        }
        const auto mask = static_cast<std::uint8_t>(cnt);
        answer.value = {mask, static_cast<std::uint8_t>(std::popcount(mask)), 0, 0};
        break;
    }
    case kReadCounter:
        if (cnt >= static_cast<std::uint32_t>(kCounters)) {
            answer.status = kStatusBadCommand;
            break;
        }
        answer.value =
            Le32(field(cnt < 4 ? "Count 0 - 3" : "Count 4 - 7", static_cast<int>(cnt % 4)));
        break;
    case kReadMemory:
        if (cnt % 4 != 0 || cnt > kMemorySize - 4) {
            answer.status = kStatusBadCommand;
            break;
        }
        std::copy_n(n.memory.begin() + cnt, 4, answer.value.begin());
        break;
    case kReadErrorCount:
        if (cnt >= static_cast<std::uint32_t>(kErrorCounters)) {
            answer.status = kStatusBadCommand;
            break;
        }
        answer.value = Le32(n.errors[cnt]);
        break;
    case kClearErrorCounts:
        n.errors.fill(0);
        break;
    default:
        answer.status = kStatusBadCommand;
        break;
    }
    return answer;
}

} // namespace hostsim
