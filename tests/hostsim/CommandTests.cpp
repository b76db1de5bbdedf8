// The host's answers to memory reads and writes and to the input word.

#include "HostTestFrames.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace hostsim_test;
using hostsim::SimulatedHost;

TEST(HostCommands, MemoryReadEchoesAddressPutsDataAtIndex13AndStaysInside128KiB) {
    SimulatedHost host(false);
    auto memory = host.Memory();
    for (std::size_t i = 0; i < 128; ++i) {
        memory[0xD800 + i] = static_cast<std::uint8_t>(i * 3);
    }
    // The address and count echoed, then the bytes.
    Bytes payload{0x00, 0xD8, 0x00, 0x00, 0x80, 0x00};
    payload.insert(payload.end(), memory.begin() + 0xD800, memory.begin() + 0xD800 + 128);
    EXPECT_EQ(Exchange(host, MemoryRead(0xD800, 128, 7)), Frame(1, 7, 1, payload));

    memory[0xB800] = 0x11;
    memory[0x1FFFF] = 0xEE;
    memory[0] = 0x22;
    // Only the low 17 bits of the address count.
    EXPECT_EQ(Exchange(host, MemoryRead(0x2B800, 1)).at(13), 0x11);
    // A read across the top wraps round to address 0.
    const Bytes wrapped = Exchange(host, MemoryRead(0x1FFFF, 2));
    ASSERT_EQ(wrapped.size(), 17u);
    EXPECT_EQ(Bytes(wrapped.begin() + 13, wrapped.end() - 2), (Bytes{0xEE, 0x22}));
    // The largest read the count byte allows.
    EXPECT_EQ(Exchange(host, MemoryRead(0x1FF80, 255)).size(), 9u + 6 + 255);
}

TEST(HostCommands, MemoryWriteStoresTheBytesPresentAndReadsBack) {
    SimulatedHost host(false);
    Bytes payload{0x40, 0x80, 0x00, 0x00, 0x40, 0x00};
    for (int i = 0; i < 64; ++i) {
        payload.push_back(static_cast<std::uint8_t>('A' + i % 26));
    }
    const Bytes reply = Exchange(host, Frame(1, 3, 2, payload));
    ASSERT_EQ(reply.size(), 15u);
    EXPECT_EQ(Bytes(reply.begin() + 7, reply.begin() + 13),
              Bytes(payload.begin(), payload.begin() + 6));
    const Bytes back = Exchange(host, MemoryRead(0x8040, 64));
    EXPECT_EQ(Bytes(back.begin() + 13, back.begin() + 77),
              Bytes(payload.begin() + 6, payload.end()));

    // A count larger than the data sent stores only what came.
    const Bytes shortWrite = Frame(1, 4, 2, {0x00, 0x90, 0, 0, 0x40, 0x00, 0xAB, 0xCD});
    Exchange(host, shortWrite);
    const Bytes after = Exchange(host, MemoryRead(0x9000, 3));
    EXPECT_EQ(Bytes(after.begin() + 13, after.end() - 2), (Bytes{0xAB, 0xCD, 0x00}));
}

TEST(HostCommands, InputWordAndUnknownRequests) {
    SimulatedHost host(false);
    host.SetInputWord(0xBEEF);
    Bytes reply = Exchange(host, Frame(3, 2, 5));
    ASSERT_EQ(reply.size(), 11u);
    EXPECT_EQ(Le(reply, 7, 2), 0xBEEFu);

    // A request the host does not know gets an empty answer, not silence.
    reply = Exchange(host, Frame(9, 3, 9, {1, 2, 3}));
    ASSERT_EQ(reply.size(), 9u);
    EXPECT_EQ(reply[0], 9);
    EXPECT_EQ(reply[6], 9);
}
