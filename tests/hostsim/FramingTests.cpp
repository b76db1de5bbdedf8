// Reassembly of request frames from the byte stream (the reply frame is
// checked whole in CommandTests.cpp).

#include "HostTestFrames.h"

#include <gtest/gtest.h>

using namespace hostsim_test;
using hostsim::SimulatedHost;

TEST(HostFraming, FrameArrivingInPiecesIsAnsweredOnceComplete) {
    SimulatedHost host(false);
    const Bytes request = MemoryRead(0xD800, 16);
    for (std::size_t i = 0; i + 1 < request.size(); ++i) {
        host.Receive(std::span(&request[i], 1));
        EXPECT_EQ(host.Available(), 0u) << "answered after byte " << i;
    }
    host.Receive(std::span(&request.back(), 1));
    EXPECT_EQ(TakeAll(host).size(), 9u + 6 + 16);

    // Two frames in one write, the second cut in two writes.
    Bytes both = Frame(3, 1, 5);
    const Bytes second = Frame(3, 2, 5);
    both.insert(both.end(), second.begin(), second.begin() + 4);
    host.Receive(both);
    host.Receive(std::span(second).subspan(4));
    const Bytes replies = TakeAll(host);
    ASSERT_EQ(replies.size(), 22u);
    EXPECT_EQ(replies[3], 1);
    EXPECT_EQ(replies[11 + 3], 2);
}

TEST(HostFraming, GarbageAndDamagedFramesAreSkippedUntilAGoodFrame) {
    SimulatedHost host(false);
    // Noise: impossible lengths, then a byte pair claiming a 300-byte frame
    // that never comes, then the real request.
    Bytes stream{0xFF, 0xFF, 0x00, 0x05, 0x01, 0x2C, 0x01, 0x7E};
    const Bytes request = Frame(3, 9, 5);
    stream.insert(stream.end(), request.begin(), request.end());
    const Bytes reply = Exchange(host, stream);
    ASSERT_EQ(reply.size(), 11u);
    EXPECT_EQ(reply[3], 9);
    ASSERT_EQ(host.Requests().size(), 1u);
    EXPECT_EQ(host.Requests()[0], request);

    // A frame with a bad CRC gets no reply; the next frame still does.
    host.ClearRequests();
    Bytes damaged = MemoryRead(0xD800, 8, 4);
    damaged[8] ^= 0x01;
    EXPECT_TRUE(Exchange(host, damaged).empty());
    EXPECT_TRUE(host.Requests().empty());

    const Bytes next = Exchange(host, Frame(3, 5, 5));
    ASSERT_EQ(next.size(), 11u);
    EXPECT_EQ(next[3], 5);
    EXPECT_EQ(host.Requests().size(), 1u);
}
