// The field network behind the simulated host: which nodes answer, what
// each command returns, and the node that falls silent.
#include "HostTestFrames.h"
#include "hostsim/FieldNetwork.h"
#include "hostsim/RecordFields.h"

#include <gtest/gtest.h>

#include <optional>

using namespace hostsim;
using namespace hostsim_test;

namespace {

struct NodeReply {
    std::uint8_t node;
    std::uint8_t cmnd;
    std::uint8_t status;
    std::uint32_t value;
};

// One field-network command over the wire: record type 5, 7 bytes, node,
// command, 0, count (32-bit little-endian).
NodeReply Command(SimulatedHost& host, std::uint8_t node, std::uint8_t cmnd, std::uint32_t cnt) {
    const Bytes reply = Exchange(
        host, Frame(12, 1, 4,
                    {5, 7, node, cmnd, 0, static_cast<std::uint8_t>(cnt),
                     static_cast<std::uint8_t>(cnt >> 8), static_cast<std::uint8_t>(cnt >> 16),
                     static_cast<std::uint8_t>(cnt >> 24)}));
    EXPECT_EQ(reply.size(), 18u);
    if (reply.size() != 18u) {
        return {};
    }
    EXPECT_EQ(reply[7], 5);
    EXPECT_EQ(reply[8], 7);
    return {reply[9], reply[10], reply[11], Le(reply, 12, 4)};
}

} // namespace

TEST(FieldNetwork, EachCommandAnswersFromItsNodeAndRefusesWhatIsOutOfRange) {
    SimulatedHost host(true);
    const std::span<std::uint8_t> record = host.Memory().subspan(records::kRemoteBase + 96 * 7, 96);
    PutField(record, records::kRemoteLayout, "Count 4 - 7", 0x7FFF1234, 3);
    const Bytes memory(host.Field().NodeMemory(3).begin(), host.Field().NodeMemory(3).end());
    const auto counter = [&](int c) {
        return GetField(record, records::kRemoteLayout, c < 4 ? "Count 0 - 3" : "Count 4 - 7",
                        c % 4);
    };
    constexpr auto kOk = FieldNetwork::kStatusOk;
    constexpr auto kBad = FieldNetwork::kStatusBadCommand;
    constexpr auto kSilent = FieldNetwork::kStatusNoAnswer;
    struct Row {
        std::uint8_t node;
        std::uint8_t cmnd;
        std::uint32_t cnt;
        std::uint8_t status;
        std::optional<std::uint32_t> value;
    };
    const Row rows[] = {
        // Nodes 1 to 12 answer; 13 to 16 are absent, and so are 0 and those
        // past the network.
        {1, FieldNetwork::kPoll, 0, kOk, std::nullopt},
        {12, FieldNetwork::kPoll, 0, kOk, std::nullopt},
        {0, FieldNetwork::kPoll, 0, kSilent, 0},
        {13, FieldNetwork::kPoll, 0, kSilent, 0},
        {16, FieldNetwork::kPoll, 0, kSilent, 0},
        {17, FieldNetwork::kPoll, 0, kSilent, 0},
        // The counters come from the node's record in host memory.
        {7, FieldNetwork::kReadCounter, 3, kOk, counter(3)},
        {7, FieldNetwork::kReadCounter, 4, kOk, counter(4)},
        {7, FieldNetwork::kReadCounter, 7, kOk, 0x7FFF1234},
        {7, FieldNetwork::kReadCounter, 8, kBad, std::nullopt},
        {7, FieldNetwork::kLatchCounters, 255, kOk, 0x08FF},
        // Node memory: four bytes at each offset up to 124.
        {3, FieldNetwork::kReadMemory, 0, kOk, Le(memory, 0, 4)},
        {3, FieldNetwork::kReadMemory, 124, kOk, Le(memory, 124, 4)},
        {3, FieldNetwork::kReadMemory, 2, kBad, std::nullopt},
        {3, FieldNetwork::kReadMemory, 128, kBad, std::nullopt},
        {3, FieldNetwork::kReadMemory, 0xFFFFFFFC, kBad, std::nullopt},
        // Error counters 0 to 21.
        {2, FieldNetwork::kReadErrorCount, 3, kOk, 12},
        {2, FieldNetwork::kReadErrorCount, 21, kOk, 0},
        {2, FieldNetwork::kReadErrorCount, 22, kBad, std::nullopt},
        {5, 99, 0, kBad, std::nullopt},
        // Clearing one node's error counts leaves the others'.
        {2, FieldNetwork::kClearErrorCounts, 0, kOk, std::nullopt},
        {2, FieldNetwork::kReadErrorCount, 3, kOk, 0},
        {5, FieldNetwork::kReadErrorCount, 1, kOk, 4},
    };
    // In order: a row may count on those before it.
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << "row " << &row - rows);
        const NodeReply r = Command(host, row.node, row.cmnd, row.cnt);
        EXPECT_EQ(r.node, row.node);
        EXPECT_EQ(r.cmnd, row.cmnd);
        EXPECT_EQ(r.status, row.status);
        if (row.value) {
            EXPECT_EQ(r.value, *row.value);
        }
    }
}

TEST(FieldNetwork, ANodeFallsSilentFromItsNthCommand) {
    SimulatedHost host(true);
    Command(host, 4, FieldNetwork::kPoll, 0); // before the fault: not counted
    host.Field().FailNodeFrom(4, 3);
    EXPECT_EQ(Command(host, 4, FieldNetwork::kPoll, 0).status, FieldNetwork::kStatusOk);
    EXPECT_EQ(Command(host, 5, FieldNetwork::kPoll, 0).status, FieldNetwork::kStatusOk);
    EXPECT_EQ(Command(host, 4, FieldNetwork::kPoll, 0).status, FieldNetwork::kStatusOk);
    EXPECT_EQ(Command(host, 4, FieldNetwork::kPoll, 0).status, FieldNetwork::kStatusNoAnswer);
    EXPECT_EQ(Command(host, 4, FieldNetwork::kPoll, 0).status, FieldNetwork::kStatusNoAnswer);
    host.Field().FailNodeFrom(4, 0);
    EXPECT_EQ(Command(host, 4, FieldNetwork::kPoll, 0).status, FieldNetwork::kStatusOk);
}
