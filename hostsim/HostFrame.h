#pragma once
// The host's side of the frame format: DeviceID, 16-bit little-endian total
// length, sequence number, two zero bytes, Cmnd, payload, and the CRC-16 of
// everything before it, high byte first.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace hostsim {

inline constexpr std::size_t kFrameHeaderSize = 7;
inline constexpr std::size_t kFrameOverhead = 9; // header and CRC

// Fields of a received frame; `payload` views the frame's bytes.
struct FrameView {
    std::uint8_t deviceId = 0;
    std::uint8_t sequence = 0;
    std::uint8_t cmnd = 0;
    std::span<const std::uint8_t> payload;
};

// `frame` must be a whole frame of at least kFrameOverhead bytes.
FrameView ViewFrame(std::span<const std::uint8_t> frame);

// The length field of bytes 1-2 (at least 3 bytes needed).
std::size_t LengthField(std::span<const std::uint8_t> bytes);

// Writes the CRC of all bytes but the last two into the last two.
void SealFrame(std::span<std::uint8_t> frame);

std::vector<std::uint8_t> BuildFrame(std::uint8_t deviceId, std::uint8_t sequence,
                                     std::uint8_t cmnd, std::span<const std::uint8_t> payload);

} // namespace hostsim
