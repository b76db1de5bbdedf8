// The site configuration core: number reading, entry checks, the site
// parameter record and the payloads of the three programming messages.

#include "host_config/SiteConfig.h"

#include <gtest/gtest.h>

#include <vector>

using namespace hostconfig;

namespace {

std::array<QString, kParameterCount> DefaultBoxes() {
    return {"0", "1234", "1234", "4:00", "0", "1", "5000", "50", "0"};
}

SiteParamRecord Build(const std::array<QString, kParameterCount>& boxes, std::uint8_t options = 0) {
    SiteEntries e;
    e.parameters = boxes;
    e.globalOptions = options;
    const auto r = BuildSiteParams(e, SiteParamRecord{});
    EXPECT_TRUE(r.has_value());
    return r.value_or(SiteParamRecord{});
}

template <std::size_t N>
std::vector<int> Bytes(const std::array<std::uint8_t, N>& a, std::size_t from, std::size_t count) {
    return {a.begin() + static_cast<long>(from), a.begin() + static_cast<long>(from + count)};
}

} // namespace

TEST(TextToWhole, RoundsHalvesToEvenAndRefusesWhatIsNoNumber) {
    EXPECT_EQ(TextToWhole("2.5"), 2);
    EXPECT_EQ(TextToWhole("1.5"), 2);
    EXPECT_EQ(TextToWhole("3.5"), 4);
    EXPECT_EQ(TextToWhole("2.51"), 3);
    EXPECT_EQ(TextToWhole("2.50000"), 2);
    EXPECT_EQ(TextToWhole("2.49999"), 2);
    EXPECT_EQ(TextToWhole("50.75"), 51);
    EXPECT_EQ(TextToWhole(" 17 "), 17);
    EXPECT_EQ(TextToWhole("007"), 7);
    EXPECT_EQ(TextToWhole("99999999999999999999999"), INT64_MAX);

    for (const char* bad : {"", " ", ".", "5.", ".5", "1.2.3", "-1", "+1", "1e3", "4:00", "a"}) {
        EXPECT_FALSE(TextToWhole(bad).has_value()) << bad;
    }
}

TEST(ValidateParameters, NamesEachOffendingFieldWithItsRange) {
    EXPECT_TRUE(ValidateParameters(DefaultBoxes()).empty());

    auto boxes = DefaultBoxes();
    boxes[kMaxNode] = "256";
    boxes[kCardPrefix] = "32768";
    boxes[kAlarmTime] = "4:";
    boxes[kRefill] = "327.5"; // rounds to 328 dollars: the cents no longer fit
    boxes[kLimit] = "";
    const auto errors = ValidateParameters(boxes);
    ASSERT_EQ(errors.size(), 5u);
    EXPECT_EQ(errors[0].box, kMaxNode);
    EXPECT_EQ(errors[0].field, "Max Node (Tamber)");
    EXPECT_EQ(errors[0].problem, "is out of range");
    EXPECT_EQ(errors[0].accepted, "0 to 255");
    EXPECT_EQ(errors[1].accepted, "0 to 32767");
    EXPECT_EQ(errors[2].field, "Time (Cash Drop)");
    EXPECT_EQ(errors[2].problem, "is not a number");
    EXPECT_EQ(errors[3].accepted, "0 to 327 dollars");
    EXPECT_EQ(errors[4].problem, "is empty");

    boxes = DefaultBoxes();
    boxes[kRefill] = "327.4";
    boxes[kLimit] = "2147483647";
    boxes[kAlarmTime] = "23:59";
    EXPECT_TRUE(ValidateParameters(boxes).empty());
    boxes[kLimit] = "2147483648";
    boxes[kAlarmTime] = "4:00:00";
    EXPECT_EQ(ValidateParameters(boxes).size(), 2u);

    // The alarm is a time of day: bit 7 of each byte is the cash drop flag,
    // so "200:00" must not reach the host as hour 72 with the flag set.
    for (const char* time : {"0:00", "23", "23:59", "0:0"}) {
        boxes = DefaultBoxes();
        boxes[kAlarmTime] = time;
        EXPECT_TRUE(ValidateParameters(boxes).empty()) << time;
    }
    for (const char* time : {"24:00", "24", "0:60", "200:00", "12:128"}) {
        boxes = DefaultBoxes();
        boxes[kAlarmTime] = time;
        const auto refused = ValidateParameters(boxes);
        ASSERT_EQ(refused.size(), 1u) << time;
        EXPECT_EQ(refused[0].field, "Time (Cash Drop)");
        EXPECT_EQ(refused[0].problem, "is out of range") << time;
        EXPECT_EQ(refused[0].accepted, "a time of day, hours:minutes from 0:00 to 23:59");
    }
}

TEST(BuildSiteParams, RefusesRatherThanWrapsAndKeepsTheTransactionMasks) {
    auto boxes = DefaultBoxes();
    boxes[kPercentage] = "300";
    SiteEntries e;
    e.parameters = boxes;
    EXPECT_FALSE(BuildSiteParams(e, SiteParamRecord{}).has_value());

    SiteParamRecord previous;
    previous.TransactionPrintMask = 0x1234;
    previous.TransactionStoreMask = 0x5678;
    e.parameters = DefaultBoxes();
    e.printerType = 4;
    e.kioskNoteInValue = 6;
    const auto r = BuildSiteParams(e, previous);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(r->TransactionPrintMask, 0x1234u);
    EXPECT_EQ(r->TransactionStoreMask, 0x5678u);
    EXPECT_EQ(r->CardPrefix, 1234);
    EXPECT_EQ(r->Odds, 5000);
    EXPECT_EQ(r->PrinterType, 4);
    EXPECT_EQ(r->KioskNoteInValue, 6);
}

TEST(SiteConfigPayload, CarriesTheCashDropFlagRefillCentsAndLimit) {
    auto boxes = DefaultBoxes();
    boxes[kCashDropWeekday] = "3";
    auto p = SiteConfigPayload(Build(boxes, kAutomaticCashDropBit));
    EXPECT_EQ(Bytes(p, 7, 3), (std::vector<int>{0x84, 0x80, 0x83}));
    EXPECT_EQ(p[3], kAutomaticCashDropBit);

    p = SiteConfigPayload(Build(boxes, 0));
    EXPECT_EQ(Bytes(p, 7, 3), (std::vector<int>{0x04, 0x00, 0x03}));

    boxes[kCashDropWeekday] = "0";
    p = SiteConfigPayload(Build(boxes, kAutomaticCashDropBit));
    EXPECT_EQ(p[9], 0x00);

    boxes[kAlarmTime] = "17";
    boxes[kRefill] = "50.00";
    boxes[kLimit] = "70000";
    p = SiteConfigPayload(Build(boxes));
    EXPECT_EQ(Bytes(p, 7, 2), (std::vector<int>{17, 0}));
    EXPECT_EQ(Bytes(p, 13, 2), (std::vector<int>{0x88, 0x13}));
    EXPECT_EQ(Bytes(p, 18, 4), (std::vector<int>{0x70, 0x11, 0x01, 0x00}));

    boxes[kRefill] = "50.75";
    EXPECT_EQ(Build(boxes).Refill, 5100);

    // The whole layout once, every field distinct.
    SiteParamRecord r;
    r.MaxNode = 1;
    r.GlobalOptions = 2;
    r.PrinterType = 3;
    r.CardPrefix = 0x0504;
    r.AlarmHour = 6;
    r.AlarmMinute = 7;
    r.CashDropWeekday = 8;
    r.Percentage = 9;
    r.Odds = 0x0B0A;
    r.Refill = 0x0D0C;
    r.OperPrefix = 0x0F0E;
    r.KioskNoteInValue = 0x10;
    r.Limit = 0x14131211;
    EXPECT_EQ(Bytes(SiteConfigPayload(r), 0, 22),
              (std::vector<int>{6,    20,   1,    2,    3,    4,    5,    6,    7,    8,    9,
                                0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12, 0x13, 0x14}));
}

TEST(DateTimePayload, IsPackedBcd) {
    const QDateTime at(QDate(2026, 12, 5), QTime(8, 9, 7));
    EXPECT_EQ(Bytes(DateTimePayload(at), 0, 8),
              (std::vector<int>{0x01, 0x06, 0x12, 0x05, 0x26, 0x08, 0x09, 0x07}));
    const QDateTime late(QDate(2099, 1, 31), QTime(23, 59, 59));
    EXPECT_EQ(Bytes(DateTimePayload(late), 2, 6),
              (std::vector<int>{0x01, 0x31, 0x99, 0x23, 0x59, 0x59}));
}

TEST(TicketText, DropsCarriageReturnsAndFillsEightBlocks) {
    const TicketText t = EncodeTicketText("AB\r\nC");
    EXPECT_EQ(t.length, 4);
    EXPECT_TRUE(t.Fits());
    EXPECT_EQ(Bytes(t.buffer, 0, 5), (std::vector<int>{0x41, 0x42, 0x0A, 0x43, 0}));

    const auto first = HeaderFooterBlock(1, 0, t.buffer);
    EXPECT_EQ(Bytes(first, 0, 10),
              (std::vector<int>{0x00, 0x80, 0, 0, 0x40, 0, 0x41, 0x42, 0x0A, 0x43}));
    const auto last = HeaderFooterBlock(1, 7, t.buffer);
    EXPECT_EQ(Bytes(last, 0, 6), (std::vector<int>{0xC0, 0x81, 0, 0, 0x40, 0}));
    const auto footer = HeaderFooterBlock(2, 3, t.buffer);
    EXPECT_EQ(Bytes(footer, 0, 4), (std::vector<int>{0xC0, 0x84, 0, 0}));
    // Block k carries buffer bytes 64k .. 64k+63.
    TicketText filled;
    for (std::size_t k = 0; k < filled.buffer.size(); ++k) {
        filled.buffer[k] = static_cast<std::uint8_t>(k / 64);
    }
    EXPECT_EQ(HeaderFooterBlock(1, 5, filled.buffer)[6], 5);
    EXPECT_EQ(HeaderFooterBlock(1, 5, filled.buffer)[69], 5);
}

TEST(TicketText, CountsBytesAndReportsCharactersWithoutAnEightBitCode) {
    EXPECT_TRUE(EncodeTicketText(QString(512, 'x')).Fits());
    const TicketText tooLong = EncodeTicketText(QString(513, 'x') + "\r\n");
    EXPECT_EQ(tooLong.length, 514);
    EXPECT_FALSE(tooLong.Fits());
    // Beyond the buffer the text is counted but never written past its end.
    EXPECT_EQ(EncodeTicketText(QString(5000, 'y')).length, 5000);

    const TicketText latin = EncodeTicketText(QString::fromUtf8("Caf\u00e9"));
    EXPECT_TRUE(latin.Fits());
    EXPECT_EQ(latin.buffer[3], 0xE9);

    const TicketText euro = EncodeTicketText(QString::fromUtf8("5\u20ac \u20ac \U0001F600!"));
    EXPECT_FALSE(euro.Fits());
    EXPECT_EQ(euro.unencodable, QString::fromUtf8("\u20ac\U0001F600"));
    EXPECT_EQ(Bytes(euro.buffer, 0, 5), (std::vector<int>{'5', ' ', ' ', '!', 0}));
}
