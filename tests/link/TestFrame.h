#pragma once
// A frame of the wire format (device ID, length, sequence number, command,
// payload, CRC high byte first), built here rather than borrowed from the
// link or the host, so their tests check them against the format itself.

#include "common/Crc16.h"

#include <algorithm>
#include <cstdint>
#include <vector>

inline std::vector<std::uint8_t> Frame(std::uint8_t deviceId, std::uint8_t seq, std::uint8_t cmnd,
                                       const std::vector<std::uint8_t>& payload = {}) {
    const std::size_t length = payload.size() + 9;
    // Sized once and filled in place: GCC 12 at -O3 misreads an insert
    // after a 7-byte initializer list as writing past it (-Warray-bounds).
    std::vector<std::uint8_t> frame(length, 0);
    frame[0] = deviceId;
    frame[1] = static_cast<std::uint8_t>(length & 0xFF);
    frame[2] = static_cast<std::uint8_t>(length >> 8);
    frame[3] = seq;
    frame[6] = cmnd;
    std::copy(payload.begin(), payload.end(), frame.begin() + 7);
    const std::uint16_t crc = common::Crc16(frame);
    frame[length - 2] = static_cast<std::uint8_t>(crc >> 8);
    frame[length - 1] = static_cast<std::uint8_t>(crc & 0xFF);
    return frame;
}
