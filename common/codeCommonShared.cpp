#include "common/codeCommonShared.h"

namespace {

// Byte `at` of `buf`, or 0 when it lies outside.
std::uint32_t ByteAt(std::span<const std::uint8_t> buf, long long at) {
    if (at < 0 || at >= static_cast<long long>(buf.size())) {
        return 0;
    }
    return buf[static_cast<std::size_t>(at)];
}

} // namespace

std::uint8_t GetByteField(std::span<const std::uint8_t> buf, int& offset) {
    const auto value = static_cast<std::uint8_t>(ByteAt(buf, offset));
    offset += 1;
    return value;
}

std::int32_t GetIntegerField(std::span<const std::uint8_t> buf, int& offset) {
    const long long at = offset;
    const std::uint32_t value = ByteAt(buf, at) + 256u * ByteAt(buf, at + 1);
    offset += 2;
    return static_cast<std::int32_t>(value);
}

std::int32_t GetLongField(std::span<const std::uint8_t> buf, int& offset) {
    const long long at = offset;
    const std::uint32_t value = ByteAt(buf, at) + 256u * ByteAt(buf, at + 1) +
                                65536u * ByteAt(buf, at + 2) +
                                16777216u * (ByteAt(buf, at + 3) & 0x7Fu);
    offset += 4;
    return static_cast<std::int32_t>(value);
}
