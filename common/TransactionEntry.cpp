#include "common/TransactionEntry.h"

namespace records {

namespace {

std::uint32_t Le(TransactionEntryBytes bytes, int offset, int width) {
    std::uint32_t value = 0;
    for (int k = width - 1; k >= 0; --k) {
        value = value << 8 | bytes[static_cast<std::size_t>(offset + k)];
    }
    return value;
}

void PutLe(std::span<std::uint8_t, kTransactionEntrySize> bytes, int offset, int width,
           std::uint32_t value) {
    for (int k = 0; k < width; ++k) {
        bytes[static_cast<std::size_t>(offset + k)] = static_cast<std::uint8_t>(value >> (8 * k));
    }
}

constexpr std::uint32_t kLow31Bits = 0x7FFFFFFFu;
constexpr std::uint8_t kLow6Bits = 0x3F;

} // namespace

TransactionEntry DecodeTransactionEntry(TransactionEntryBytes bytes) {
    TransactionEntry entry;
    entry.type = bytes[kEntryTypeOffset];
    entry.date = Le(bytes, kEntryDateOffset, 4) & kLow31Bits;
    entry.seconds = static_cast<std::uint8_t>(bytes[kEntrySecondsOffset] & kLow6Bits);
    entry.game = static_cast<std::uint16_t>(Le(bytes, kEntryGameOffset, 2));
    entry.acct = static_cast<std::uint16_t>(Le(bytes, kEntryAcctOffset, 2));
    entry.amount = Le(bytes, kEntryAmountOffset, 4) & kLow31Bits;
    return entry;
}

std::array<std::uint8_t, kTransactionEntrySize>
EncodeTransactionEntry(const TransactionEntry& entry) {
    std::array<std::uint8_t, kTransactionEntrySize> bytes{};
    bytes[kEntryTypeOffset] = entry.type;
    PutLe(bytes, kEntryDateOffset, 4, entry.date);
    bytes[kEntrySecondsOffset] = entry.seconds;
    PutLe(bytes, kEntryGameOffset, 2, entry.game);
    PutLe(bytes, kEntryAcctOffset, 2, entry.acct);
    PutLe(bytes, kEntryAmountOffset, 4, entry.amount);
    return bytes;
}

} // namespace records
