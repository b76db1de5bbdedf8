#pragma once
// The host's real-time clock: a civil date and time that runs on with the
// PC's clock from the moment it was set, and the packed date-time in which
// the host dates its records.

#include <array>
#include <chrono>
#include <cstdint>
#include <optional>
#include <span>

namespace hostsim {

struct CivilTime {
    int year = 2000; // four digits
    int month = 1;
    int day = 1;
    int hour = 0;
    int minute = 0;
    int second = 0;

    friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

// True when every field names a real moment in 2000..2099.
bool IsValid(const CivilTime& time);

// The clock record's six packed-BCD bytes (month, day, year mod 100, hour,
// minute, second) as a time, or nothing when a byte is not BCD or the
// values are no real date and time.
std::optional<CivilTime> ParseBcdClock(std::span<const std::uint8_t, 6> bytes);

// Bits 0-3 month, 4-8 day, 9-15 year - 2000, 16-20 hour, 21-26 minute.
std::uint32_t PackedDateTime(const CivilTime& time);

// `time` moved by a whole number of seconds (negative moves back).
CivilTime AddSeconds(const CivilTime& time, std::chrono::seconds delta);

class HostClock {
public:
    // Starts at the PC's local time.
    HostClock();

    CivilTime Now() const;
    // From now on the clock reads `time` and runs on from there; an
    // invalid time is refused (returns false, clock unchanged).
    bool Set(const CivilTime& time);

private:
    std::chrono::seconds offset_{0}; // host time minus the PC's UTC clock
};

} // namespace hostsim
