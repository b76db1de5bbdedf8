#pragma once
// Believable records for the simulated host's memory, so every window has
// something real to show: the site record, 17 player accounts, 17 remote
// node records and a transaction log. Values follow fixed rules (the log's
// from a generator with a fixed seed); dates are taken back from the host's
// clock.

#include "hostsim/HostClock.h"

#include <cstdint>
#include <span>

namespace hostsim {

inline constexpr int kSampleRecords = 17; // players and remote nodes 0..16
inline constexpr std::uint8_t kSampleHighNode = 16;
inline constexpr std::uint16_t kSampleCardPrefix = 1234;
// Entries 0..219 of the transaction log hold history, oldest first; the
// rest of the log is cleared.
inline constexpr int kSampleTransactions = 220;
// The site record's masks: every type with a box stored (and bit 0, as "Set
// All" leaves it), the ticket-producing types printed (Redeem, KioskIn,
// AwrdPrg).
inline constexpr std::uint32_t kSampleStoreMask = 0x7FFFFF;
inline constexpr std::uint32_t kSamplePrintMask = 1u << 4 | 1u << 7 | 1u << 19;

// Writes the sample records into `memory` (128 KiB) dated from `now`.
void FillSampleContent(std::span<std::uint8_t> memory, const CivilTime& now);

} // namespace hostsim
