#pragma once
// The host's transaction log as it lies in non-volatile memory: where it is,
// how it is read in blocks, and the 16-byte entry. The transaction window
// decodes entries with these, and the simulated host writes its sample log
// with them, so the layout is written down once.

#include <array>
#include <cstdint>
#include <span>

namespace records {

// 256 entries of 16 bytes from 0xE000, read in 32 blocks of 128 bytes.
inline constexpr std::int32_t kTransactionLogBase = 0xE000;
inline constexpr int kTransactionEntrySize = 16;
inline constexpr int kTransactionEntryCount = 256;
inline constexpr int kTransactionLogSize = kTransactionEntrySize * kTransactionEntryCount;
inline constexpr int kTransactionBlockSize = 128;
inline constexpr int kTransactionBlockCount = kTransactionLogSize / kTransactionBlockSize;
inline constexpr int kTransactionEntriesPerBlock = kTransactionBlockSize / kTransactionEntrySize;

// Offsets of the fields in an entry; multi-byte fields are little-endian.
// Bytes 14 and 15 are not used.
inline constexpr int kEntryTypeOffset = 0;    // 1 byte
inline constexpr int kEntryDateOffset = 1;    // 4 bytes, packed date-time; bit 31 unused
inline constexpr int kEntrySecondsOffset = 5; // 1 byte, bits 0-5; bits 6-7 unused
inline constexpr int kEntryGameOffset = 6;    // 2 bytes
inline constexpr int kEntryAcctOffset = 8;    // 2 bytes
inline constexpr int kEntryAmountOffset = 10; // 4 bytes; bit 31 unused

// The transaction type codes. Codes above DpnPool are not defined.
enum class TransactionType : std::uint8_t {
    None = 0,
    Create = 1,
    Modify = 2,
    AddBal = 3,
    Redeem = 4,
    Delete = 5,
    GameIn = 6,
    KioskIn = 7,
    Disp = 8,
    Clear = 9,
    Promo = 10,
    Insert = 11,
    Remove = 12,
    CardBsy = 13,
    AddFlt = 14,
    NoCard = 15,
    Overdrw = 16,
    DispIn = 17,
    CrdSend = 18,
    AwrdPrg = 19,
    SetCnt = 20,
    TktErr = 21,
    NodeGPF = 22,
    BillIn = 23,
    DpnIn = 24,
    DpnPool = 25,
};
inline constexpr int kTransactionTypeCount = 26;

// One entry with its unused bits dropped: `date` holds bits 0-30 of the
// stored date, `seconds` bits 0-5 of its byte and `amount` bits 0-30.
struct TransactionEntry {
    std::uint8_t type = 0;
    std::uint32_t date = 0;
    std::uint8_t seconds = 0;
    std::uint16_t game = 0;
    std::uint16_t acct = 0;
    std::uint32_t amount = 0;

    bool operator==(const TransactionEntry&) const = default;
};

using TransactionEntryBytes = std::span<const std::uint8_t, kTransactionEntrySize>;

TransactionEntry DecodeTransactionEntry(TransactionEntryBytes bytes);

// The 16 stored bytes of `entry`; every value is stored as given (the bits
// a reader ignores included), bytes 14 and 15 are zero.
std::array<std::uint8_t, kTransactionEntrySize>
EncodeTransactionEntry(const TransactionEntry& entry);

} // namespace records
