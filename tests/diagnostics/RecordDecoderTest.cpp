#include "diagnostics/RecordDecoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

using namespace records;

namespace {

using Reply = std::array<std::uint8_t, 201>;

// Writes `bytes` at record offset `offset` of a memory-read reply.
void Put(Reply& reply, int offset, std::initializer_list<std::uint8_t> bytes) {
    std::copy(bytes.begin(), bytes.end(), reply.begin() + kReplyDataOffset + offset);
}

void PutLong(Reply& reply, int offset, std::uint32_t v) {
    Put(reply, offset,
        {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8),
         static_cast<std::uint8_t>(v >> 16), static_cast<std::uint8_t>(v >> 24)});
}

std::string Padded(const std::string& label) {
    return label + std::string(33 - label.size(), ' ');
}

// The value text of the line whose label is `label`; fails when there is no
// such line or more than one.
std::string ValueOf(const std::vector<std::string>& lines, const std::string& label) {
    const std::string prefix = Padded(label);
    std::string found;
    int hits = 0;
    for (const std::string& line : lines) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            found = line.substr(prefix.size());
            ++hits;
        }
    }
    EXPECT_EQ(hits, 1) << label;
    return found;
}

TEST(PlayerRecord, DecodesAndFormatsEveryLine) {
    Reply reply{};
    reply.fill(0xEE); // bytes outside the record must not matter
    Put(reply, 0, {0xA5, 0x00});
    Put(reply, 2, {0xD2, 0x04});             // account 1234
    Put(reply, 4, {0x10, 0x27, 0x00, 0x00}); // credits 10000
    PutLong(reply, 8, 0x80000005);           // bit 31 dropped
    PutLong(reply, 12, 0xFFFFFFFF);
    Put(reply, 16, {0x81});
    PutLong(reply, 17, 0x022B3AC7); // odd offset
    Put(reply, 21, {0x5A, 0xEF, 0xBE});
    for (int n = 24; n < 32; ++n) {
        Put(reply, n, {static_cast<std::uint8_t>(n)});
    }

    const std::vector<std::string> expected = {
        Padded("Tag 1") + "0xA5",          Padded("Filler 1") + "0x00",
        Padded("Account Number") + "1234", Padded("Credits") + "000010000",
        Padded("Total In") + "000000005",  Padded("Total Out") + "2147483647",
        Padded("Status") + "0x81",         Padded("Update Date/Time") + "07/12/2029 11:17",
        Padded("Tag 2") + "0x5A",          Padded("CRC") + "0xBEEF",
    };
    EXPECT_EQ(RecordLines(kPlayerLayout, DecodePlayer(reply)), expected);
    // Where the window reads the records (the first and last of each kind).
    EXPECT_EQ(PlayerPlace(0).address, 0xB800);
    EXPECT_EQ(PlayerPlace(16).address, 0xBA00);
    EXPECT_EQ(RemotePlace(0).address, 0x8800);
    EXPECT_EQ(RemotePlace(16).address, 0x8E00);
}

TEST(RemoteRecord, SplitsSharedBytesJoinsArraysAndReadsWholeFields) {
    Reply reply{};
    // Each field of a shared byte reads a value that no other width (four,
    // five or three bits) or place would give.
    Put(reply, 0, {0xC3, 0x52, 0x7B, 0x07, 0x39, 0x30, 0x93});
    Put(reply, 13, {0x3F, 0xF5, 0xC8});
    for (int k = 0; k < 8; ++k) {
        PutLong(reply, 16 + 4 * k, static_cast<std::uint32_t>(k + 1));
    }
    PutLong(reply, 48, 123456789);
    PutLong(reply, 52, 0x80000000u); // reads as 0
    PutLong(reply, 84, 0);
    Put(reply, 92, {0x3C, 0x00, 0x34, 0x12});

    const std::vector<std::string> lines = RecordLines(kRemoteLayout, DecodeRemote(reply));
    ASSERT_EQ(lines.size(), 30u);
    EXPECT_EQ(lines.front(), Padded("Tag 1") + "0xC3");
    EXPECT_EQ(lines.back(), Padded("CRC") + "0x1234");
    const std::pair<const char*, const char*> values[] = {
        {"Denomination", "02"},
        {"Keydown", "05"},
        {"Coin-In Value", "11"},
        {"Note-In Value", "07"},
        {"Configuration Flags", "0x07"},
        {"Game Number", "12345"},
        {"Game Group", "3"},
        {"Operation Flags", "0x09"},
        {"Retries", "15"},
        {"State", "03"},
        {"Progressive Qualification Count", "021"},
        {"Progressive Bill Count", "007"},
        {"Progressive Timer", "200"},
        {"Count 0 - 3", "000000001, 000000002, 000000003, 000000004"},
        {"Count 4 - 7", "000000005, 000000006, 000000007, 000000008"},
        {"Audit Cash In Count 0, 1", "123456789, 000000000"},
        {"Cash Drop Date/Time", "00/00/2000 00:00"},
        {"Tag 2", "0x3C"},
    };
    for (const auto& [label, text] : values) {
        EXPECT_EQ(ValueOf(lines, label), text) << label;
    }
}

TEST(SiteRecord, ShowsLabelledRowsOnlyInTheirForms) {
    Reply reply{};
    Put(reply, 0, {0x7E, 0x10, 0x05, 0x02, 0x12, 0x34});
    Put(reply, 14, {0xAB, 0xCD}); // the two unlabelled bytes
    Put(reply, 16, {0x00, 0x00, 0x00, 0x80});
    Put(reply, 20, {0xFF, 0xFF, 0xFF, 0xFF});
    Put(reply, 52, {0x05, 0x00, 0x07, 0x00});
    PutLong(reply, 60, 0);
    PutLong(reply, 64, 0);
    PutLong(reply, 68, 0x7FFFFFFF); // out-of-range fields are shown digit for digit
    PutLong(reply, 76, 0x00000101);
    Put(reply, 96, {0xEF, 0xBE});

    const std::vector<std::string> lines = RecordLines(kSiteLayout, DecodeSite(reply));
    ASSERT_EQ(lines.size(), 32u); // the unlabelled bytes are never shown
    for (const std::string& line : lines) {
        EXPECT_EQ(line.find("0xAB"), std::string::npos);
        EXPECT_NE(line.substr(0, 33), std::string(33, ' '));
    }

    EXPECT_EQ(ValueOf(lines, "High Node"), "016");
    EXPECT_EQ(ValueOf(lines, "Card Prefix"), "13330");
    EXPECT_EQ(ValueOf(lines, "Progressive Limit"), "000000000");
    EXPECT_EQ(ValueOf(lines, "Progressive Pool"), "2147483647");
    EXPECT_EQ(ValueOf(lines, "Progressive Number Awarded 0, 1"), "000000005, 000000007");
    EXPECT_EQ(ValueOf(lines, "Audit Print Date/Time 0, 1"), "00/00/2000 00:00, 00/00/2000 00:00");
    EXPECT_EQ(ValueOf(lines, "Audit Clear Date/Time 0, 1"), "15/31/20127 31:63, 00/00/2000 00:00");
    EXPECT_EQ(ValueOf(lines, "Trace Mask"), "0x00000101");
    EXPECT_EQ(ValueOf(lines, "CRC"), "0xBEEF");
}

// The window refuses a reply too short for its record before decoding (the
// decoders' staying inside any reply is left to their fuzz target).
TEST(RecordDecoder, AReplyHoldsTheRecordAndItsCrc) {
    EXPECT_FALSE(ReplyHoldsRecord(110, kSiteDecodedSize));
    EXPECT_TRUE(ReplyHoldsRecord(113, kSiteDecodedSize));
    EXPECT_FALSE(ReplyHoldsRecord(38, kPlayerDecodedSize));
    EXPECT_TRUE(ReplyHoldsRecord(39, kPlayerDecodedSize));
}

} // namespace
