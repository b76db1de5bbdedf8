#pragma once
// Believable records for the simulated host's memory, so every window has
// something real to show: the site record, 17 player accounts and 17 remote
// node records. Values follow fixed rules (no randomness); dates are taken
// back from the host's clock.

#include "hostsim/HostClock.h"

#include <cstdint>
#include <span>

namespace hostsim {

inline constexpr int kSampleRecords = 17; // players and remote nodes 0..16
inline constexpr std::uint8_t kSampleHighNode = 16;
inline constexpr std::uint16_t kSampleCardPrefix = 1234;

// Writes the sample records into `memory` (128 KiB) dated from `now`.
void FillSampleContent(std::span<std::uint8_t> memory, const CivilTime& now);

} // namespace hostsim
