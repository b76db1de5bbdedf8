// The field network behind the simulated host: which nodes answer, what
// each command returns, and the node that falls silent.
#include "HostTestFrames.h"
#include "hostsim/FieldNetwork.h"
#include "hostsim/RecordFields.h"

#include <gtest/gtest.h>

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
        host, Request(12, 1, 4,
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

TEST(FieldNetwork, NodesOneToTwelveAnswerThirteenToSixteenAreAbsent) {
    SimulatedHost host(true);
    for (int node : {1, 12}) {
        const NodeReply r = Command(host, static_cast<std::uint8_t>(node), FieldNetwork::kPoll, 0);
        EXPECT_EQ(r.node, node);
        EXPECT_EQ(r.cmnd, FieldNetwork::kPoll);
        EXPECT_EQ(r.status, FieldNetwork::kStatusOk) << node;
    }
    for (int node : {0, 13, 16, 17, 255}) {
        const NodeReply r = Command(host, static_cast<std::uint8_t>(node), FieldNetwork::kPoll, 0);
        EXPECT_EQ(r.node, node);
        EXPECT_EQ(r.status, FieldNetwork::kStatusNoAnswer) << node;
        EXPECT_EQ(r.value, 0u);
    }
}

TEST(FieldNetwork, CountersComeFromTheNodesRecordInHostMemory) {
    SimulatedHost host(true);
    const std::span<std::uint8_t> record = host.Memory().subspan(records::kRemoteBase + 96 * 7, 96);
    PutField(record, records::kRemoteLayout, "Count 4 - 7", 0x7FFF1234, 3);
    for (std::uint32_t c = 0; c < 8; ++c) {
        const std::uint32_t expected =
            GetField(record, records::kRemoteLayout, c < 4 ? "Count 0 - 3" : "Count 4 - 7",
                     static_cast<int>(c % 4));
        const NodeReply r = Command(host, 7, FieldNetwork::kReadCounter, c);
        EXPECT_EQ(r.status, FieldNetwork::kStatusOk);
        EXPECT_EQ(r.value, expected) << c;
    }
    EXPECT_EQ(Command(host, 7, FieldNetwork::kReadCounter, 7).value, 0x7FFF1234u);
    EXPECT_EQ(Command(host, 7, FieldNetwork::kReadCounter, 8).status,
              FieldNetwork::kStatusBadCommand);
    // The latch of all eight counters.
    const NodeReply latch = Command(host, 7, FieldNetwork::kLatchCounters, 255);
    EXPECT_EQ(latch.status, FieldNetwork::kStatusOk);
    EXPECT_EQ(latch.value, 0x08FFu);
}

TEST(FieldNetwork, MemoryReadsFourBytesAtEachOffsetUpTo124) {
    SimulatedHost host(true);
    const auto memory = host.Field().NodeMemory(3);
    EXPECT_EQ(memory[0], 0xA5);
    EXPECT_EQ(memory[3], 3); // its own address
    std::uint32_t sum = 0;
    for (int i = 0; i < 127; ++i) {
        sum += memory[static_cast<std::size_t>(i)];
    }
    EXPECT_EQ(memory[127], sum & 0xFF);
    for (std::uint32_t offset : {0u, 124u}) {
        const NodeReply r = Command(host, 3, FieldNetwork::kReadMemory, offset);
        EXPECT_EQ(r.status, FieldNetwork::kStatusOk);
        EXPECT_EQ(r.value, Le(Bytes(memory.begin(), memory.end()), offset, 4));
    }
    for (std::uint32_t offset : {2u, 128u, 0xFFFFFFFCu}) {
        EXPECT_EQ(Command(host, 3, FieldNetwork::kReadMemory, offset).status,
                  FieldNetwork::kStatusBadCommand)
            << offset;
    }
}

TEST(FieldNetwork, ErrorCountsReadAndClear) {
    SimulatedHost host(true);
    EXPECT_EQ(Command(host, 2, FieldNetwork::kReadErrorCount, 3).value, 12u);
    EXPECT_EQ(Command(host, 2, FieldNetwork::kReadErrorCount, 21).value, 0u);
    EXPECT_EQ(Command(host, 2, FieldNetwork::kReadErrorCount, 22).status,
              FieldNetwork::kStatusBadCommand);
    // Clearing one node leaves the others' counts.
    EXPECT_EQ(Command(host, 2, FieldNetwork::kClearErrorCounts, 0).status, FieldNetwork::kStatusOk);
    EXPECT_EQ(Command(host, 2, FieldNetwork::kReadErrorCount, 3).value, 0u);
    EXPECT_EQ(Command(host, 5, FieldNetwork::kReadErrorCount, 1).value, 4u);
    EXPECT_EQ(Command(host, 5, 99, 0).status, FieldNetwork::kStatusBadCommand);
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
