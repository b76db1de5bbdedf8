#include "hostsim/SampleContent.h"

#include "common/TransactionEntry.h"
#include "hostsim/RecordFields.h"

#include <random>
#include <vector>

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
    put("Trace Mask", kSampleStoreMask);
    put("Trace Print Mask", kSamplePrintMask);
    put("Trace Index", kSampleTransactions);
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

// One transaction of the sample log and the seconds since the one before.
struct LoggedEvent {
    records::TransactionType type;
    int game;
    int acct;
    std::uint32_t amount;
    int gapSeconds;
};

// A site's recent history: card sessions at the games, money in at the
// kiosk, accounts opened and changed, progressive awards and the odd fault,
// oldest first. A fixed seed keeps it the same on every start.
std::vector<LoggedEvent> SampleHistory() {
    using T = records::TransactionType;
    std::minstd_rand rng(1047);
    const auto pick = [&rng](int n) { return static_cast<int>(rng() % static_cast<unsigned>(n)); };
    constexpr int kKiosk = kSampleHighNode;
    constexpr std::uint32_t kNotes[] = {100, 500, 1000, 2000}; // cents
    std::vector<LoggedEvent> events;
    const auto add = [&](T type, int game, int acct, std::uint32_t amount, int gap) {
        events.push_back({type, game, acct, amount, gap});
    };
    while (events.size() < static_cast<std::size_t>(kSampleTransactions)) {
        const int acct = 1001 + pick(kSampleRecords);
        const int game = 1 + pick(kKiosk - 1);
        const int idle = 120 + pick(2400); // between two visits
        switch (pick(20)) {
        case 0:
        case 1:
        case 2:
        case 3:
        case 4:
        case 5:
        case 6: { // a card session at a game
            add(T::Insert, game, acct, 0, idle);
            const std::uint32_t in = kNotes[pick(4)];
            add(T::GameIn, game, acct, in, 20 + pick(60));
            add(T::CrdSend, game, acct, in, 2);
            const std::uint32_t won = (in / 50) * static_cast<std::uint32_t>(pick(5)) * 10;
            if (won > 0) {
                add(T::Disp, game, acct, won, 60 + pick(600));
                add(T::DispIn, game, acct, won / 2, 5 + pick(30));
            }
            if (pick(3) == 0) {
                add(T::Clear, game, acct, in / 2 + won / 2, 30 + pick(300));
            }
            add(T::Remove, game, acct, 0, 10 + pick(200));
            break;
        }
        case 7:
        case 8: // notes at the kiosk
            add(T::KioskIn, kKiosk, acct, 2000, idle);
            add(T::BillIn, kKiosk, acct, 2000, 1);
            add(T::AddBal, kKiosk, acct, 2000, 2);
            break;
        case 9:
            add(T::Redeem, kKiosk, acct, 500 * static_cast<std::uint32_t>(1 + pick(8)), idle);
            break;
        case 10:
            add(T::Create, kKiosk, 1018 + pick(40), 0, idle);
            add(T::Modify, kKiosk, acct, 0, 40 + pick(100));
            break;
        case 11:
            add(T::Promo, kKiosk, acct, 500, idle);
            break;
        case 12:
            add(T::CardBsy, game, acct, 0, idle);
            add(T::AddFlt, game, acct, 40 + static_cast<std::uint32_t>(pick(200)), 30);
            break;
        case 13:
            add(T::NoCard, game, 0, 0, idle);
            add(T::Overdrw, game, acct, 250, 90 + pick(300));
            break;
        case 14:
            add(T::AwrdPrg, game, acct, 5000 + 25 * static_cast<std::uint32_t>(pick(400)), idle);
            add(T::DpnPool, game, acct, 5000, 1);
            break;
        case 15:
            add(T::SetCnt, game, 0, 1000 * static_cast<std::uint32_t>(game) + 37, idle);
            break;
        case 16:
            add(T::TktErr, kKiosk, acct, 0, idle);
            break;
        case 17:
            add(T::NodeGPF, game, 0, 0x01, idle);
            break;
        case 18:
            add(T::DpnIn, game, acct, 25 * static_cast<std::uint32_t>(1 + pick(20)), idle);
            break;
        default:
            if (pick(4) == 0) {
                add(T::Delete, kKiosk, 1018 + pick(40), 0, idle);
            }
            break;
        }
    }
    events.resize(static_cast<std::size_t>(kSampleTransactions));
    return events;
}

// The sample history in the log region, the newest entry a few minutes
// before `now`; the entries after it are cleared, as on a host whose log
// has not yet filled.
void FillTransactionLog(std::span<std::uint8_t> memory, const CivilTime& now) {
    const std::span<std::uint8_t> log =
        memory.subspan(records::kTransactionLogBase, records::kTransactionLogSize);
    std::fill(log.begin(), log.end(), std::uint8_t{0});
    const std::vector<LoggedEvent> events = SampleHistory();
    // From the start of the current minute, like the other records' dates,
    // so two hosts filled within the same minute hold the same log.
    CivilTime when = now;
    when.second = 0;
    when = AddSeconds(when, -std::chrono::seconds(240));
    for (std::size_t k = events.size(); k-- > 0;) {
        const LoggedEvent& e = events[k];
        records::TransactionEntry entry;
        entry.type = static_cast<std::uint8_t>(e.type);
        entry.date = PackedDateTime(when);
        entry.seconds = static_cast<std::uint8_t>(when.second);
        entry.game = static_cast<std::uint16_t>(e.game);
        entry.acct = static_cast<std::uint16_t>(e.acct);
        entry.amount = e.amount;
        const auto bytes = records::EncodeTransactionEntry(entry);
        std::copy(bytes.begin(), bytes.end(),
                  log.begin() + static_cast<std::ptrdiff_t>(k) * records::kTransactionEntrySize);
        when = AddSeconds(when, -std::chrono::seconds(e.gapSeconds));
    }
}

} // namespace

void FillSampleContent(std::span<std::uint8_t> memory, const CivilTime& now) {
    FillSite(memory, now);
    for (int i = 0; i < kSampleRecords; ++i) {
        FillPlayer(memory, now, i);
        FillRemote(memory, now, i);
    }
    FillTransactionLog(memory, now);
}

} // namespace hostsim
