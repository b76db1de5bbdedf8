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
    const std::pair<const char*, std::int64_t> numbers[] = {
        {"2.5", 2},     {"1.5", 2},       {"3.5", 4},     {"2.51", 3},
        {"2.50000", 2}, {"2.49999", 2},   {" 17 ", 17},   {"007", 7},
        {"99999999999999999999999", INT64_MAX}};
    for (const auto& [text, value] : numbers) {
        EXPECT_EQ(TextToWhole(text), value) << text;
    }
    for (const char* bad : {"", " ", ".", "5.", ".5", "1.2.3", "-1", "+1", "1e3", "4:00", "a"}) {
        EXPECT_FALSE(TextToWhole(bad).has_value()) << bad;
    }
}

TEST(ValidateParameters, NamesTheFieldItsProblemAndTheRangeAtEachEdge) {
    const QString time = "Time (Cash Drop) is %1; accepted: a time of day, hours:minutes from "
                         "0:00 to 23:59.";
    // One box changed from the defaults; no line when the entry is accepted.
    const struct {
        ParameterBox box;
        const char* text;
        QString line;
    } cases[] = {
        {kMaxNode, "255", ""},
        {kMaxNode, "256", "Max Node (Tamber) is out of range; accepted: 0 to 255."},
        {kCardPrefix, "32767", ""},
        {kCardPrefix, "32768", "Card Prefix (Tamber) is out of range; accepted: 0 to 32767."},
        {kRefill, "327.4", ""}, // 327.5 rounds to 328 dollars: the cents no longer fit
        {kRefill, "327.5", "Refill $ (Bonus) is out of range; accepted: 0 to 327 dollars."},
        {kLimit, "2147483647", ""},
        {kLimit, "2147483648", "Limit (Bonus) is out of range; accepted: 0 to 2147483647."},
        {kLimit, "", "Limit (Bonus) is empty; accepted: 0 to 2147483647."},
        {kAlarmTime, "4:", time.arg("not a number")},
        {kAlarmTime, "4:00:00", time.arg("not a number")},
        // Bit 7 of each alarm byte is the cash drop flag: "200:00" must not
        // reach the host as hour 72 with the flag set.
        {kAlarmTime, "23:59", ""},
        {kAlarmTime, "23", ""},
        {kAlarmTime, "0:0", ""},
        {kAlarmTime, "24", time.arg("out of range")},
        {kAlarmTime, "0:60", time.arg("out of range")},
        {kAlarmTime, "12:128", time.arg("out of range")},
    };
    EXPECT_TRUE(ValidateParameters(DefaultBoxes()).empty());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        auto boxes = DefaultBoxes();
        boxes[c.box] = c.text;
        EXPECT_EQ(ParameterProblemLines(boxes), c.line.isEmpty() ? QStringList{} : QStringList{c.line});
        if (!c.line.isEmpty()) {
            ASSERT_EQ(ValidateParameters(boxes).size(), 1u);
            EXPECT_EQ(ValidateParameters(boxes)[0].box, c.box);
        }
    }
}

TEST(BuildSiteParams, RefusesRatherThanWrapsAndKeepsTheTransactionMasks) {
    SiteEntries e;
    e.parameters = DefaultBoxes();
    e.parameters[kPercentage] = "300";
    EXPECT_FALSE(BuildSiteParams(e, SiteParamRecord{}).has_value());

    SiteParamRecord previous;
    previous.TransactionPrintMask = 0x1234;
    previous.TransactionStoreMask = 0x5678;
    e.parameters = DefaultBoxes();
    e.printerType = 4;
    e.kioskNoteInValue = 6;
    const auto r = BuildSiteParams(e, previous);
    ASSERT_TRUE(r.has_value());
    EXPECT_EQ(std::tuple(r->TransactionPrintMask, r->TransactionStoreMask, r->CardPrefix, r->Odds,
                         r->PrinterType, r->KioskNoteInValue),
              std::tuple(0x1234u, 0x5678u, 1234, 5000, 4, 6));
}

TEST(SiteConfigPayload, CarriesTheCashDropFlagRefillCentsAndLimit) {
    auto boxes = DefaultBoxes();
    boxes[kCashDropWeekday] = "3";
    auto p = SiteConfigPayload(Build(boxes, kAutomaticCashDropBit));
    EXPECT_EQ(Bytes(p, 7, 3), (std::vector<int>{0x84, 0x80, 0x83}));
    EXPECT_EQ(p[3], kAutomaticCashDropBit);
    p = SiteConfigPayload(Build(boxes, 0));
    EXPECT_EQ(Bytes(p, 7, 3), (std::vector<int>{0x04, 0x00, 0x03}));
    boxes[kCashDropWeekday] = "0"; // no weekday: no flag either
    EXPECT_EQ(SiteConfigPayload(Build(boxes, kAutomaticCashDropBit))[9], 0x00);

    // Refill cents and the limit: see the main window's "Program".
    boxes[kAlarmTime] = "17";
    EXPECT_EQ(Bytes(SiteConfigPayload(Build(boxes)), 7, 2), (std::vector<int>{17, 0}));

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
}

TEST(TicketText, DropsCarriageReturnsAndFillsEightBlocks) {
    const TicketText t = EncodeTicketText("AB\r\nC");
    EXPECT_EQ(t.length, 4);
    EXPECT_EQ(Bytes(t.buffer, 0, 5), (std::vector<int>{0x41, 0x42, 0x0A, 0x43, 0}));
    EXPECT_EQ(Bytes(HeaderFooterBlock(1, 0, t.buffer), 0, 10),
              (std::vector<int>{0x00, 0x80, 0, 0, 0x40, 0, 0x41, 0x42, 0x0A, 0x43}));
    EXPECT_EQ(Bytes(HeaderFooterBlock(1, 7, t.buffer), 0, 6),
              (std::vector<int>{0xC0, 0x81, 0, 0, 0x40, 0}));
    EXPECT_EQ(Bytes(HeaderFooterBlock(2, 3, t.buffer), 0, 4), (std::vector<int>{0xC0, 0x84, 0, 0}));
    // Block k carries buffer bytes 64k .. 64k+63.
    TicketText filled;
    for (std::size_t k = 0; k < filled.buffer.size(); ++k) {
        filled.buffer[k] = static_cast<std::uint8_t>(k / 64);
    }
    EXPECT_EQ(HeaderFooterBlock(1, 5, filled.buffer)[6], 5);
    EXPECT_EQ(HeaderFooterBlock(1, 5, filled.buffer)[69], 5);
}

TEST(TicketText, TakesFiveHundredTwelveBytesOfEightBitCodesAndSaysWhatIsWrong) {
    const struct {
        QString text;
        int length;
        const char* size;    // the line under the box
        const char* problem; // why it cannot be sent; "" when it can
    } cases[] = {
        {QString(512, 'x'), 512, "512 of 512 bytes", ""},
        {QString(511, 'x') + "\r\nx", 513, "513 of 512 bytes - too long, shorten the text",
         "Location needs 513 bytes; the Tolvex keeps only 512."},
        {QString::fromUtf8("Caf\u00e9"), 4, "4 of 512 bytes", ""},
        {QString::fromUtf8("5\u20ac \u20ac \U0001F600!"), 4,
         "4 of 512 bytes - contains characters that cannot be sent",
         "Location contains characters the ticket printer cannot print: \u20ac\U0001F600"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.size);
        const TicketText t = EncodeTicketText(c.text);
        EXPECT_EQ(t.length, c.length);
        EXPECT_EQ(t.Fits(), !*c.problem);
        EXPECT_EQ(TicketSizeText(t), QString::fromUtf8(c.size));
        EXPECT_EQ(TicketTextProblemLines("Location", t).join(""), QString::fromUtf8(c.problem));
    }
    EXPECT_EQ(EncodeTicketText(QString::fromUtf8("Caf\u00e9")).buffer[3], 0xE9);
    EXPECT_EQ(Bytes(EncodeTicketText(QString::fromUtf8("5\u20ac \U0001F600!")).buffer, 0, 4),
              (std::vector<int>{'5', ' ', '!', 0}));
    // Beyond the buffer the text is counted but never written past its end.
    EXPECT_EQ(EncodeTicketText(QString(5000, 'y')).length, 5000);
}
