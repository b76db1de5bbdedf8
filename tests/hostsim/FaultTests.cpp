// Each injected fault changes exactly the next reply, the way it says.

#include "HostTestFrames.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <thread>

using namespace hostsim_test;
using hostsim::SimulatedHost;

namespace {

const Bytes kRead = MemoryRead(0xD800, 32, 1);

} // namespace

TEST(HostFaults, DropCorruptGarbageAndLengthsEachApplyOnce) {
    SimulatedHost host(true);
    const Bytes normal = Exchange(host, kRead);
    host.DropNextReply();
    EXPECT_TRUE(Exchange(host, kRead).empty());
    EXPECT_EQ(host.Requests().size(), 2u); // the request itself was taken
    EXPECT_EQ(Exchange(host, kRead), normal);

    host.CorruptNextReplyCrc();
    const Bytes corrupt = Exchange(host, kRead);
    ASSERT_EQ(corrupt.size(), normal.size());
    EXPECT_NE(common::Crc16(corrupt), 0);
    EXPECT_TRUE(std::equal(normal.begin(), normal.end() - 2, corrupt.begin()));
    EXPECT_EQ(Exchange(host, kRead), normal);

    host.PrefixNextReplyWithGarbage(5);
    Bytes expected(5, SimulatedHost::kGarbageByte);
    std::copy(normal.begin(), normal.end(), std::back_inserter(expected));
    EXPECT_EQ(Exchange(host, kRead), expected);
    host.PrefixNextReplyWith({0x00, 0x01});
    EXPECT_EQ(Exchange(host, kRead).at(1), 0x01);

    host.AnswerNextWithHugeLength();
    const Bytes huge = Exchange(host, kRead);
    ASSERT_EQ(huge.size(), normal.size());
    EXPECT_GE(Le(huge, 1, 2), 0x8000u);
    EXPECT_EQ(common::Crc16(huge), 0);

    host.AnswerNextOversized(250);
    const Bytes oversized = Exchange(host, kRead);
    ASSERT_EQ(oversized.size(), 250u);
    EXPECT_EQ(Le(oversized, 1, 2), 250u);
    EXPECT_EQ(common::Crc16(oversized), 0);
    EXPECT_TRUE(std::equal(normal.begin() + 3, normal.end() - 2, oversized.begin() + 3));
    EXPECT_EQ(Exchange(host, kRead), normal);
}

TEST(HostFaults, SplitReplyComesOnePiecePerPollAndADelayedOneWhenDue) {
    SimulatedHost host(true);
    const Bytes normal = Exchange(host, kRead);
    host.SplitNextReply(3);
    host.Receive(kRead);
    const std::size_t first = host.Available();
    EXPECT_GT(first, 0u);
    const std::size_t second = host.Available();
    EXPECT_GT(second, first);
    EXPECT_LT(second, normal.size());
    // Take is a poll too: it releases the last piece.
    Bytes got(normal.size() + 10);
    got.resize(host.Take(got));
    EXPECT_EQ(got, normal);

    // A delayed reply is held until it is due, and keeps its place ahead of
    // a later prompt one.
    const auto before = std::chrono::steady_clock::now();
    host.DelayNextReply(std::chrono::milliseconds(30));
    host.Receive(kRead);
    host.Receive(Frame(3, 2, 5));
    EXPECT_EQ(host.Available(), 0u);
    std::chrono::steady_clock::time_point due;
    ASSERT_TRUE(host.NextDue(due));
    EXPECT_GE(due, before + std::chrono::milliseconds(30));
    std::this_thread::sleep_until(due); // the condition itself: the due time
    const Bytes both = TakeAll(host);
    ASSERT_EQ(both.size(), normal.size() + 11);
    EXPECT_TRUE(std::equal(normal.begin(), normal.end(), both.begin()));
    EXPECT_FALSE(host.NextDue(due));
}
