#include "common/codeCommon.h"

#include "common/LinkLog.h"

#include <QPushButton>
#include <QWidget>

#include <cstdio>

void AppendStatusText(const std::string& msg) {
    LinkLog::Instance().Append(QString::fromLatin1(msg.data(), static_cast<qsizetype>(msg.size())));
}

namespace {

std::string TwoDigits(std::uint32_t v) {
    char text[16];
    std::snprintf(text, sizeof text, "%02u", v);
    return text;
}

} // namespace

std::string PackedDateTimeText(std::int32_t packed, std::uint8_t secondsByte, bool withSeconds) {
    const auto p = static_cast<std::uint32_t>(packed);
    const std::uint32_t month = p % 16;
    const std::uint32_t day = (p / 16) % 32;
    const std::uint32_t year = (p / 512) % 128;
    const std::uint32_t hour = (p / 65536) % 32;
    const std::uint32_t minute = (p / 2097152) % 64;
    std::string text = TwoDigits(month) + "/" + TwoDigits(day) + "/20" + TwoDigits(year) + " " +
                       TwoDigits(hour) + ":" + TwoDigits(minute);
    if (withSeconds) {
        text += ":" + TwoDigits(secondsByte & 0x3Fu);
    }
    return text;
}

std::string HexText(std::uint32_t value, int digits) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", value);
    const std::string joined = std::string("0000000") + hex;
    if (digits < 0) {
        digits = 0;
    }
    const auto keep = static_cast<std::size_t>(digits);
    return "0x" + (keep >= joined.size() ? joined : joined.substr(joined.size() - keep));
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

void EnableCommandButtons(QWidget* window, bool state) {
    if (window == nullptr) {
        return;
    }
    for (QPushButton* button : window->findChildren<QPushButton*>()) {
        button->setEnabled(state);
    }
}
