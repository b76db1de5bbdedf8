#include "hostsim/SampleContent.h"

#include "hostsim/RecordFields.h"

namespace hostsim {

namespace {

using std::chrono::hours;

constexpr std::uint8_t kSiteTag1 = 0xA5;
constexpr std::uint8_t kSiteTag2 = 0x5A;
constexpr std::uint8_t kPlayerTag1 = 0xA5;
constexpr std::uint8_t kPlayerTag2 = 0x5A;
constexpr std::uint8_t kNodeTag1 = 0xC3;
constexpr std::uint8_t kNodeTag2 = 0x3C;

std::uint32_t PackedBefore(const CivilTime& now, hours back) {
    return PackedDateTime(AddSeconds(now, -std::chrono::duration_cast<std::chrono::seconds>(back)));
}

// The site record as the program's default settings would program it, with
// running progressive and audit values of a site that has been in use.
void FillSite(std::span<std::uint8_t> memory, const CivilTime& now) {
    const std::span<std::uint8_t> site =
        memory.subspan(records::kSiteAddress, records::kSiteRecordSize);
    const auto put = [&](std::string_view label, std::uint32_t value, int element = 0) {
        PutField(site, records::kSiteLayout, label, value, element);
    };
    put("Tag 1", kSiteTag1);
    put("High Node", kSampleHighNode);
    put("Global Options", 0x00);
    put("Printer Type", 0);
    put("Card Prefix", kSampleCardPrefix);
    put("Alarm Hour", 0x04);
    put("Alarm Minute", 0x00);
    put("Cash Drop Weekday", 0x00);
    put("Progressive Set Percent", 1);
    put("Progressive Set Odds", 5000);
    put("Progressive Refill", 5000);
    put("Progressive Limit", 100000);
    put("Progressive Pool", 27450);
    put("Progressive Base Profit", 1215);
    put("Progressive Audit Left Over", 37);
    put("Progressive Overage", 0);
    put("Progressive Total Chances 0, 1", 48211, 0);
    put("Progressive Total Chances 0, 1", 1290, 1);
    put("Progressive Total Awarded 0, 1", 15400, 0);
    put("Progressive Total Awarded 0, 1", 5000, 1);
    put("Progressive Number Awarded 0, 1", 7, 0);
    put("Progressive Number Awarded 0, 1", 1, 1);
    put("Ticket Number", 1047);
    put("Audit Print Date/Time 0, 1", PackedBefore(now, hours{20}), 0);
    put("Audit Print Date/Time 0, 1", PackedBefore(now, hours{8 * 24 + 20}), 1);
    put("Audit Clear Date/Time 0, 1", PackedBefore(now, hours{7 * 24 + 2}), 0);
    put("Audit Clear Date/Time 0, 1", PackedBefore(now, hours{30 * 24 + 2}), 1);
    put("Trace Mask", 0);
    put("Trace Print Mask", 0);
    put("Trace Index", 12);
    put("Backup Index", 3);
    put("Ticket Queue Put Index", 5);
    put("Ticket Queue Get Index", 5);
    put("Operator Card Prefix", kSampleCardPrefix);
    put("Note-In Value", 0);
    put("Tag 2", kSiteTag2);
    SealRecord(site, records::kSiteLayout);
}

void FillPlayer(std::span<std::uint8_t> memory, const CivilTime& now, int i) {
    const std::span<std::uint8_t> player = memory.subspan(
        records::kPlayerBase + static_cast<std::size_t>(records::kPlayerSlotSize) * i,
        records::kPlayerSlotSize);
    const auto put = [&](std::string_view label, std::uint32_t value) {
        PutField(player, records::kPlayerLayout, label, value);
    };
    const std::uint32_t totalIn = 2000 + 1375 * static_cast<std::uint32_t>(i);
    const std::uint32_t totalOut = totalIn * (i % 4) / 5;
    put("Tag 1", kPlayerTag1);
    put("Filler 1", 0);
    put("Account Number", 1001 + i);
    put("Credits", (totalIn - totalOut) % 2500);
    put("Total In", totalIn);
    put("Total Out", totalOut);
    put("Status", i % 5 == 0 ? 0x00 : 0x01); // every fifth account idle
    put("Update Date/Time", PackedBefore(now, hours{3 + 11 * i}));
    put("Tag 2", kPlayerTag2);
    SealRecord(player.first(records::kPlayerDecodedSize), records::kPlayerLayout);
}

void FillRemote(std::span<std::uint8_t> memory, const CivilTime& now, int i) {
    const std::span<std::uint8_t> node = memory.subspan(
        records::kRemoteBase + static_cast<std::size_t>(records::kRemoteRecordSize) * i,
        records::kRemoteRecordSize);
    const auto put = [&](std::string_view label, std::uint32_t value, int element = 0) {
        PutField(node, records::kRemoteLayout, label, value, element);
    };
    const auto n = static_cast<std::uint32_t>(i);
    const bool kiosk = i == kSampleHighNode;
    const bool playing = i % 3 == 1;
    put("Tag 1", kNodeTag1);
    put("Denomination", n % 7);
    put("Keydown", n % 4);
    put("Coin-In Value", 0);
    put("Note-In Value", kiosk ? 4 : (n + 3) % 7);
    put("Configuration Flags", kiosk ? 0x01 : 0x00);
    put("Game Number", 100 + n);
    put("Game Group", n % 2);
    put("Operation Flags", playing ? 0x1 : 0x0);
    put("Magnetic Card Status", playing ? 0x01 : 0x00);
    put("Miscellaneous Status Flags", 0x00);
    put("Player Index", playing ? n : 0);
    put("Account Number", playing ? 1001 + n : 0);
    put("Retries", i % 5 == 4 ? 1 : 0);
    put("State", playing ? 2 : 1);
    put("Progressive Qualification Count", n % 32);
    put("Progressive Bill Count", n % 8);
    put("Progressive Timer", playing ? 30 : 0);
    for (int c = 0; c < 8; ++c) {
        const int row = c / 4;
        put(row == 0 ? "Count 0 - 3" : "Count 4 - 7", 1000 * (n + 1) + 37 * c, c % 4);
    }
    put("Audit Cash In Count 0, 1", 12000 + 500 * n, 0);
    put("Audit Cash In Count 0, 1", 3400 + 100 * n, 1);
    put("Audit Dispense In Count 0, 1", 800 + 25 * n, 0);
    put("Audit Dispense In Count 0, 1", 150 + 5 * n, 1);
    put("Audit Credit Out Count 0, 1", 9100 + 410 * n, 0);
    put("Audit Credit Out Count 0, 1", 2600 + 90 * n, 1);
    put("Cash Drop 0, 1", 2500 + 125 * n, 0);
    put("Cash Drop 0, 1", 2100 + 115 * n, 1);
    put("Credits Float", playing ? 40 + n : 0);
    put("Cash Drop Date/Time", PackedBefore(now, hours{24 * (1 + i % 7) + 20}));
    put("Progressive Cash Played", 4800 + 260 * n);
    put("Tag 2", kNodeTag2);
    put("Filler 2", 0);
    SealRecord(node, records::kRemoteLayout);
}

} // namespace

void FillSampleContent(std::span<std::uint8_t> memory, const CivilTime& now) {
    FillSite(memory, now);
    for (int i = 0; i < kSampleRecords; ++i) {
        FillPlayer(memory, now, i);
        FillRemote(memory, now, i);
    }
}

} // namespace hostsim
