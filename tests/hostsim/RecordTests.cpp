// The records of DeviceID 12 and 13 and their effect on the host's memory
// and clock, and the sample content. Offsets are those of the stored
// records, written out here on purpose.

#include "HostTestFrames.h"

#include <gtest/gtest.h>

using namespace hostsim_test;
using hostsim::CivilTime;
using hostsim::SimulatedHost;

namespace {

constexpr std::size_t kSite = 0xD800;

Bytes Site(const SimulatedHost& host) {
    const auto memory = host.Memory();
    return Bytes(memory.begin() + kSite, memory.begin() + kSite + 128);
}

std::uint8_t Status(const Bytes& reply) {
    return reply.at(11);
}

// The month, day, year, hour and minute fields of a packed date-time.
CivilTime Unpack(std::uint32_t packed) {
    return CivilTime{
        2000 + static_cast<int>(packed >> 9 & 0x7F), static_cast<int>(packed & 0xF),
        static_cast<int>(packed >> 4 & 0x1F),        static_cast<int>(packed >> 16 & 0x1F),
        static_cast<int>(packed >> 21 & 0x3F),       0};
}

} // namespace

TEST(HostRecords, SiteParametersLandAtTheStoredRecordOffsets) {
    SimulatedHost host(false);
    // Max node 16, options 0x05, printer 2, card prefix 1234, alarm 4:00
    // with automatic cash drop on weekday 3, percentage 1, odds 5000, refill
    // $50.00, operator prefix 4321, note-in index 3, limit 70000.
    const Bytes payload{6,    20,   16,   0x05, 2,    0xD2, 0x04, 0x84, 0x80, 0x83, 1,
                        0x88, 0x13, 0x88, 0x13, 0xE1, 0x10, 3,    0x70, 0x11, 0x01, 0x00};
    const Bytes reply = Exchange(host, Frame(12, 1, 4, payload));
    ASSERT_GE(reply.size(), 14u);
    EXPECT_EQ(reply[7], 6);
    EXPECT_EQ(Status(reply), SimulatedHost::kStatusOk);

    // Max node to the second odds lie at 1 to 13 in the payload's order.
    const Bytes site = Site(host);
    EXPECT_EQ(Bytes(site.begin() + 1, site.begin() + 14),
              Bytes(payload.begin() + 2, payload.begin() + 15));
    EXPECT_EQ(Le(site, 16, 4), 70000u);
    EXPECT_EQ(Le(site, 92, 2), 4321u);
    EXPECT_EQ(site[94], 3);
    // The running values in between are left alone.
    EXPECT_EQ(Le(site, 20, 4), 0u);
    EXPECT_EQ(Le(site, 76, 4), 0u);

    // A record with the wrong byte count is refused and changes nothing.
    Bytes shortRecord = payload;
    shortRecord[1] = 19;
    shortRecord[2] = 99;
    EXPECT_EQ(Status(Exchange(host, Frame(12, 2, 4, shortRecord))), SimulatedHost::kStatusRejected);
    // So is one that declares its 20 bytes but brings 19.
    const Bytes cut(payload.begin(), payload.end() - 1);
    EXPECT_EQ(Status(Exchange(host, Frame(12, 3, 4, cut))), SimulatedHost::kStatusRejected);
    EXPECT_EQ(Site(host), site);
}

TEST(HostRecords, MasksAndNodeSettings) {
    SimulatedHost host(true);
    // Store mask 2, print mask 2^22.
    Bytes reply = Exchange(host, Frame(12, 1, 4, {10, 8, 0x02, 0, 0, 0, 0, 0, 0x40, 0}));
    EXPECT_EQ(Status(reply), SimulatedHost::kStatusOk);
    const Bytes site = Site(host);
    EXPECT_EQ(Le(site, 76, 4), 2u);
    EXPECT_EQ(Le(site, 80, 4), 0x400000u);

    // Node 4 (a node in play, operation flags set): keydown 5 / denomination 2, note-in 4 / coin-in
    // 0, kiosk, game 1337, group 1.
    const std::size_t node4 = 0x8800 + 96 * 4;
    const std::uint8_t operationFlags = host.Memory()[node4 + 6] & 0xF0;
    ASSERT_NE(operationFlags, 0);
    // A stored node is answered with its record type and no data bytes.
    reply = Exchange(host, Frame(12, 2, 4, {8, 7, 4, 0x52, 0x40, 0x01, 0x39, 0x05, 1}));
    EXPECT_EQ(Bytes(reply.begin() + 7, reply.end() - 2), (Bytes{8, 0}));
    const auto memory = host.Memory();
    EXPECT_EQ(Bytes(memory.begin() + node4, memory.begin() + node4 + 7),
              (Bytes{0xC3, 0x52, 0x40, 0x01, 0x39, 0x05,
                     static_cast<std::uint8_t>(operationFlags | 0x01)}));
    EXPECT_EQ(memory[node4 + 92], 0x3C);

    // Node 127 is the last: its record ends right below the player accounts.
    reply = Exchange(host, Frame(12, 4, 4, {8, 7, 127, 0x52, 0x40, 0x01, 0x39, 0x05, 1}));
    EXPECT_EQ(reply.size(), 9u + 2);
    EXPECT_EQ(memory[0x8800 + 96 * 127 + 4], 0x39);

    // Node 128's record would lie over the player accounts: not stored,
    // answered with an empty payload.
    const Bytes players(memory.begin() + 0xB800, memory.begin() + 0xBA20);
    reply = Exchange(host, Frame(12, 3, 4, {8, 7, 128, 0x52, 0x40, 0x01, 0x39, 0x05, 1}));
    EXPECT_EQ(reply.size(), 9u);
    EXPECT_EQ(Bytes(memory.begin() + 0xB800, memory.begin() + 0xBA20), players);
}

TEST(HostRecords, ClockTakesValidBcdOnly) {
    SimulatedHost host(false);
    const CivilTime known{2020, 1, 1, 0, 0, 0};
    ASSERT_TRUE(host.SetClock(known));

    const auto send = [&](std::uint8_t device, Bytes bcd) {
        Bytes payload{1, 6};
        payload.insert(payload.end(), bcd.begin(), bcd.end());
        return Status(Exchange(host, Frame(device, 1, 4, payload)));
    };
    // Not BCD, month 13, 30 February, hour 24, and the right record on the
    // wrong device: all refused, clock untouched.
    const std::pair<std::uint8_t, Bytes> refused[] = {
        {13, {0x1A, 0x05, 0x26, 0x08, 0x09, 0x07}}, {13, {0x13, 0x05, 0x26, 0x08, 0x09, 0x07}},
        {13, {0x02, 0x30, 0x26, 0x08, 0x09, 0x07}}, {13, {0x12, 0x05, 0x26, 0x24, 0x09, 0x07}},
        {12, {0x12, 0x05, 0x26, 0x08, 0x09, 0x07}}};
    for (const auto& [device, bcd] : refused) {
        EXPECT_EQ(send(device, bcd), SimulatedHost::kStatusRejected);
    }
    EXPECT_EQ(host.Clock().year, 2020);

    // 5 December 2026 08:09:07.
    EXPECT_EQ(send(13, {0x12, 0x05, 0x26, 0x08, 0x09, 0x07}), SimulatedHost::kStatusOk);
    const CivilTime now = host.Clock();
    EXPECT_EQ((CivilTime{now.year, now.month, now.day, now.hour, now.minute, 0}),
              (CivilTime{2026, 12, 5, 8, 9, 0}));

    // The clock dates the records: player 0 was last updated 3 hours ago.
    host.LoadSampleContent();
    const Bytes reply = Exchange(host, MemoryRead(0xB800, 32));
    EXPECT_EQ(Unpack(Le(reply, 13 + 17, 4)), (CivilTime{2026, 12, 5, 5, 9, 0}));
}
