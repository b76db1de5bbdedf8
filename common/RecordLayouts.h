#pragma once
// The layouts of the host's non-volatile records, one table per record:
// offset in the record, how the bytes are read, how many values, label and
// display form. The diagnostic window decodes and lists records with these
// tables, and the simulated host builds its sample records with them, so a
// layout is written down once.

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

namespace records {

// How a row's bytes become a value.
enum class FieldKind : std::uint8_t {
    Byte,       // 1 byte
    Word,       // 2 bytes, little-endian, unsigned
    Long,       // 4 bytes, little-endian, bit 31 cleared
    LowNibble,  // bits 0-3 of a byte shared with the next row
    HighNibble, // bits 4-7 of that byte
    Low5Bits,   // bits 0-4 of a byte shared with the next row
    High3Bits,  // bits 5-7 of that byte
};

// How a value is shown.
enum class DisplayForm : std::uint8_t {
    Hex,      // "0x" and `digits` upper-case hex digits
    Decimal,  // zero-padded to at least `digits` digits
    Plain,    // decimal, no padding
    DateTime, // packed date-time, no seconds
    Hidden,   // decoded, never shown
};

struct FieldLayout {
    int offset;     // first byte of the row in the record
    FieldKind kind; //
    int count;      // number of values (arrays: element 0 first)
    std::string_view label;
    DisplayForm form;
    int digits; // for Hex and Decimal
};

// Width in bytes of one value of `kind` (0 for the low half of a shared byte,
// which is read without advancing).
constexpr int FieldWidth(FieldKind kind) {
    switch (kind) {
    case FieldKind::Byte:
    case FieldKind::HighNibble:
    case FieldKind::High3Bits:
        return 1;
    case FieldKind::Word:
        return 2;
    case FieldKind::Long:
        return 4;
    case FieldKind::LowNibble:
    case FieldKind::Low5Bits:
        return 0;
    }
    return 0;
}

using K = FieldKind;
using F = DisplayForm;

// Player record: 32-byte slot at 0xB800 + 32 x index; bytes 0..23 decoded.
inline constexpr std::int32_t kPlayerBase = 0xB800;
inline constexpr int kPlayerSlotSize = 32;
inline constexpr int kPlayerDecodedSize = 24;
inline constexpr std::array<FieldLayout, 10> kPlayerLayout{{
    {0, K::Byte, 1, "Tag 1", F::Hex, 2},
    {1, K::Byte, 1, "Filler 1", F::Hex, 2},
    {2, K::Word, 1, "Account Number", F::Decimal, 4},
    {4, K::Long, 1, "Credits", F::Decimal, 9},
    {8, K::Long, 1, "Total In", F::Decimal, 9},
    {12, K::Long, 1, "Total Out", F::Decimal, 9},
    {16, K::Byte, 1, "Status", F::Hex, 2},
    {17, K::Long, 1, "Update Date/Time", F::DateTime, 0},
    {21, K::Byte, 1, "Tag 2", F::Hex, 2},
    {22, K::Word, 1, "CRC", F::Hex, 4},
}};

// Remote node record: 96 bytes at 0x8800 + 96 x index; all decoded.
inline constexpr std::int32_t kRemoteBase = 0x8800;
inline constexpr int kRemoteRecordSize = 96;
inline constexpr int kRemoteDecodedSize = 96;
inline constexpr std::array<FieldLayout, 30> kRemoteLayout{{
    {0, K::Byte, 1, "Tag 1", F::Hex, 2},
    {1, K::LowNibble, 1, "Denomination", F::Decimal, 2},
    {1, K::HighNibble, 1, "Keydown", F::Decimal, 2},
    {2, K::LowNibble, 1, "Coin-In Value", F::Decimal, 2},
    {2, K::HighNibble, 1, "Note-In Value", F::Decimal, 2},
    {3, K::Byte, 1, "Configuration Flags", F::Hex, 2},
    {4, K::Word, 1, "Game Number", F::Decimal, 4},
    {6, K::LowNibble, 1, "Game Group", F::Plain, 0},
    {6, K::HighNibble, 1, "Operation Flags", F::Hex, 2},
    {7, K::Byte, 1, "Magnetic Card Status", F::Hex, 2},
    {8, K::Byte, 1, "Miscellaneous Status Flags", F::Hex, 2},
    {9, K::Word, 1, "Player Index", F::Decimal, 4},
    {11, K::Word, 1, "Account Number", F::Decimal, 4},
    {13, K::LowNibble, 1, "Retries", F::Decimal, 2},
    {13, K::HighNibble, 1, "State", F::Decimal, 2},
    {14, K::Low5Bits, 1, "Progressive Qualification Count", F::Decimal, 3},
    {14, K::High3Bits, 1, "Progressive Bill Count", F::Decimal, 3},
    {15, K::Byte, 1, "Progressive Timer", F::Decimal, 3},
    {16, K::Long, 4, "Count 0 - 3", F::Decimal, 9},
    {32, K::Long, 4, "Count 4 - 7", F::Decimal, 9},
    {48, K::Long, 2, "Audit Cash In Count 0, 1", F::Decimal, 9},
    {56, K::Long, 2, "Audit Dispense In Count 0, 1", F::Decimal, 9},
    {64, K::Long, 2, "Audit Credit Out Count 0, 1", F::Decimal, 9},
    {72, K::Long, 2, "Cash Drop 0, 1", F::Decimal, 9},
    {80, K::Long, 1, "Credits Float", F::Decimal, 9},
    {84, K::Long, 1, "Cash Drop Date/Time", F::DateTime, 0},
    {88, K::Long, 1, "Progressive Cash Played", F::Decimal, 9},
    {92, K::Byte, 1, "Tag 2", F::Hex, 2},
    {93, K::Byte, 1, "Filler 2", F::Hex, 2},
    {94, K::Word, 1, "CRC", F::Hex, 4},
}};

// Tags of a remote node record as the host writes it when a node is
// programmed (and as the game setup window's node backup keeps it).
inline constexpr std::uint8_t kRemoteTag1 = 0xC3;
inline constexpr std::uint8_t kRemoteTag2 = 0x3C;

// Offset of the row labelled `label` in `layout`; a label that is not there
// fails the build when used in a constant expression.
template <std::size_t N>
constexpr int OffsetOf(const std::array<FieldLayout, N>& layout, std::string_view label) {
    for (const FieldLayout& field : layout) {
        if (field.label == label) {
            return field.offset;
        }
    }
    throw "no such field";
}

// Site parameter record: 128 bytes at 0xD800; bytes 0..97 decoded.
inline constexpr std::int32_t kSiteAddress = 0xD800;
inline constexpr int kSiteRecordSize = 128;
inline constexpr int kSiteDecodedSize = 98;
inline constexpr std::array<FieldLayout, 34> kSiteLayout{{
    {0, K::Byte, 1, "Tag 1", F::Hex, 2},
    {1, K::Byte, 1, "High Node", F::Decimal, 3},
    {2, K::Byte, 1, "Global Options", F::Hex, 2},
    {3, K::Byte, 1, "Printer Type", F::Decimal, 2},
    {4, K::Word, 1, "Card Prefix", F::Decimal, 4},
    {6, K::Byte, 1, "Alarm Hour", F::Hex, 2},
    {7, K::Byte, 1, "Alarm Minute", F::Hex, 2},
    {8, K::Byte, 1, "Cash Drop Weekday", F::Hex, 2},
    {9, K::Byte, 1, "Progressive Set Percent", F::Decimal, 2},
    {10, K::Word, 1, "Progressive Set Odds", F::Decimal, 4},
    {12, K::Word, 1, "Progressive Refill", F::Decimal, 4},
    {14, K::Byte, 1, "", F::Hidden, 0},
    {15, K::Byte, 1, "", F::Hidden, 0},
    {16, K::Long, 1, "Progressive Limit", F::Decimal, 9},
    {20, K::Long, 1, "Progressive Pool", F::Decimal, 9},
    {24, K::Long, 1, "Progressive Base Profit", F::Decimal, 9},
    {28, K::Long, 1, "Progressive Audit Left Over", F::Decimal, 9},
    {32, K::Long, 1, "Progressive Overage", F::Decimal, 9},
    {36, K::Long, 2, "Progressive Total Chances 0, 1", F::Decimal, 9},
    {44, K::Long, 2, "Progressive Total Awarded 0, 1", F::Decimal, 9},
    {52, K::Word, 2, "Progressive Number Awarded 0, 1", F::Decimal, 9},
    {56, K::Long, 1, "Ticket Number", F::Decimal, 9},
    {60, K::Long, 2, "Audit Print Date/Time 0, 1", F::DateTime, 0},
    {68, K::Long, 2, "Audit Clear Date/Time 0, 1", F::DateTime, 0},
    {76, K::Long, 1, "Trace Mask", F::Hex, 8},
    {80, K::Long, 1, "Trace Print Mask", F::Hex, 8},
    {84, K::Word, 1, "Trace Index", F::Decimal, 4},
    {86, K::Word, 1, "Backup Index", F::Decimal, 4},
    {88, K::Word, 1, "Ticket Queue Put Index", F::Decimal, 4},
    {90, K::Word, 1, "Ticket Queue Get Index", F::Decimal, 4},
    {92, K::Word, 1, "Operator Card Prefix", F::Decimal, 4},
    {94, K::Byte, 1, "Note-In Value", F::Decimal, 2},
    {95, K::Byte, 1, "Tag 2", F::Hex, 2},
    {96, K::Word, 1, "CRC", F::Hex, 4},
}};

// A value a message puts into the row labelled `label` of a record, as the
// record's decoder gives it back.
struct FieldValue {
    std::string_view label;
    std::int32_t value;
};

} // namespace records
