#include "common/Crc16.h"

namespace common {

std::uint16_t Crc16(std::span<const std::uint8_t> bytes) {
    std::uint32_t r = 0;
    for (const std::uint8_t b : bytes) {
        for (int bit = 7; bit >= 0; --bit) {
            const std::uint32_t t = r;
            r = (r << 1) & 0xFFFFu;
            if ((b >> bit) & 1u) {
                r |= 1u;
            }
            if (t & 0x8000u) {
                r ^= 0x1021u;
            }
        }
    }
    return static_cast<std::uint16_t>(r);
}

} // namespace common
