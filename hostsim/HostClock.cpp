#include "hostsim/HostClock.h"

#include <ctime>

namespace hostsim {

namespace {

using std::chrono::sys_seconds;

sys_seconds ToSysSeconds(const CivilTime& time) {
    const std::chrono::year_month_day date{std::chrono::year{time.year},
                                           std::chrono::month{static_cast<unsigned>(time.month)},
                                           std::chrono::day{static_cast<unsigned>(time.day)}};
    return std::chrono::sys_days{date} + std::chrono::hours{time.hour} +
           std::chrono::minutes{time.minute} + std::chrono::seconds{time.second};
}

CivilTime FromSysSeconds(sys_seconds moment) {
    const auto dayStart = std::chrono::floor<std::chrono::days>(moment);
    const std::chrono::year_month_day date{dayStart};
    const std::chrono::hh_mm_ss clock{moment - dayStart};
    return CivilTime{static_cast<int>(date.year()),
                     static_cast<int>(static_cast<unsigned>(date.month())),
                     static_cast<int>(static_cast<unsigned>(date.day())),
                     static_cast<int>(clock.hours().count()),
                     static_cast<int>(clock.minutes().count()),
                     static_cast<int>(clock.seconds().count())};
}

sys_seconds PcNow() {
    return std::chrono::floor<std::chrono::seconds>(std::chrono::system_clock::now());
}

std::optional<int> FromBcd(std::uint8_t byte) {
    const int high = byte >> 4;
    const int low = byte & 0x0F;
    if (high > 9 || low > 9) {
        return std::nullopt;
    }
    return high * 10 + low;
}

} // namespace

bool IsValid(const CivilTime& time) {
    if (time.year < 2000 || time.year > 2099 || time.month < 1 || time.month > 12 || time.day < 1 ||
        time.hour < 0 || time.hour > 23 || time.minute < 0 || time.minute > 59 || time.second < 0 ||
        time.second > 59) {
        return false;
    }
    const std::chrono::year_month_day date{std::chrono::year{time.year},
                                           std::chrono::month{static_cast<unsigned>(time.month)},
                                           std::chrono::day{static_cast<unsigned>(time.day)}};
    return date.ok();
}

std::optional<CivilTime> ParseBcdClock(std::span<const std::uint8_t, 6> bytes) {
    std::array<int, 6> values{};
    for (std::size_t i = 0; i < values.size(); ++i) {
        const std::optional<int> value = FromBcd(bytes[i]);
        if (!value) {
            return std::nullopt;
        }
        values[i] = *value;
    }
    const CivilTime time{2000 + values[2], values[0], values[1], values[3], values[4], values[5]};
    if (!IsValid(time)) {
        return std::nullopt;
    }
    return time;
}

std::uint32_t PackedDateTime(const CivilTime& time) {
    const auto field = [](int value, int bits) {
        return static_cast<std::uint32_t>(value) & ((1u << bits) - 1u);
    };
    return field(time.month, 4) | field(time.day, 5) << 4 | field(time.year - 2000, 7) << 9 |
           field(time.hour, 5) << 16 | field(time.minute, 6) << 21;
}

CivilTime AddSeconds(const CivilTime& time, std::chrono::seconds delta) {
    return FromSysSeconds(ToSysSeconds(time) + delta);
}

HostClock::HostClock() {
    // The host's clock shows wall-clock time at the site, so start from the
    // PC's local time rather than UTC.
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) != nullptr) {
        const CivilTime start{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                              local.tm_hour,        local.tm_min,     local.tm_sec};
        if (IsValid(start)) {
            offset_ = ToSysSeconds(start) - sys_seconds{std::chrono::seconds{now}};
        }
    }
}

CivilTime HostClock::Now() const {
    return FromSysSeconds(PcNow() + offset_);
}

bool HostClock::Set(const CivilTime& time) {
    if (!IsValid(time)) {
        return false;
    }
    offset_ = ToSysSeconds(time) - PcNow();
    return true;
}

} // namespace hostsim
