#include "common/codeCommon.h"

#include "common/LinkLog.h"

#include <cstdio>
#include <string_view>

void AppendStatusText(const std::string& msg) {
    LinkLog::Instance().Append(QString::fromLatin1(msg.data(), static_cast<qsizetype>(msg.size())));
}

std::string PackedDateTimeText(std::int32_t packed, std::uint8_t secondsByte, bool withSeconds) {
    const auto p = static_cast<std::uint32_t>(packed);
    const std::uint32_t month = p % 16;
    const std::uint32_t day = (p / 16) % 32;
    const std::uint32_t year = (p / 512) % 128;
    const std::uint32_t hour = (p / 65536) % 32;
    const std::uint32_t minute = (p / 2097152) % 64;
    char text[32];
    int n = std::snprintf(text, sizeof text, "%02u/%02u/20%02u %02u:%02u", month, day, year, hour,
                          minute);
    if (withSeconds && n > 0 && static_cast<std::size_t>(n) < sizeof text) {
        std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), ":%02u",
                      secondsByte & 0x3Fu);
    }
    return text;
}

std::string HexText(std::uint32_t value, int digits) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0000000%X", value);
    const std::string_view joined(hex);
    const auto keep = static_cast<std::size_t>(digits < 0 ? 0 : digits);
    std::string text("0x");
    text.append(keep >= joined.size() ? joined : joined.substr(joined.size() - keep));
    return text;
}

bool PutLong(std::int32_t value, std::span<std::uint8_t> buf, int offset) {
    auto v = static_cast<std::uint32_t>(value);
    bool inside = true;
    for (int k = 0; k < 4; ++k) {
        const long long at = static_cast<long long>(offset) + k;
        if (at >= 0 && at < static_cast<long long>(buf.size())) {
            buf[static_cast<std::size_t>(at)] = static_cast<std::uint8_t>(v % 256);
        } else {
            inside = false;
        }
        v /= 256;
    }
    return inside;
}
