#pragma once
// CRC-16/XMODEM (polynomial 0x1021, initial value 0, no reflection, no final
// XOR) in its shift-in form: run over a frame whose last two bytes are zero
// it gives the frame's CRC; run over an intact frame, CRC included, it gives 0.
// Shared by the device link and the simulated host.

#include <cstdint>
#include <span>

namespace common {

std::uint16_t Crc16(std::span<const std::uint8_t> bytes);

} // namespace common
