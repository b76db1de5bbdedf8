#pragma once
// Request frames built the way the wire format describes them, written
// out here rather than borrowed from the host or the link, so the tests
// check the host against the format itself.

#include "common/Crc16.h"
#include "hostsim/SimulatedHost.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace hostsim_test {

using Bytes = std::vector<std::uint8_t>;

inline Bytes Request(std::uint8_t deviceId, std::uint8_t seq, std::uint8_t cmnd,
                     const Bytes& payload = {}) {
    const std::size_t length = payload.size() + 9;
    // Sized once and filled in place: GCC 12 at -O3 misreads an insert
    // after a 7-byte initializer list as writing past it (-Warray-bounds).
    Bytes frame(length, 0);
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

inline Bytes MemoryRead(std::uint32_t address, std::uint8_t count, std::uint8_t seq = 1) {
    return Request(1, seq, 1,
                   {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
                    static_cast<std::uint8_t>(address >> 16),
                    static_cast<std::uint8_t>(address >> 24), count, 0});
}

// Everything the host has ready, polling until nothing more comes (split
// replies need several polls).
inline Bytes TakeAll(hostsim::SimulatedHost& host) {
    Bytes all;
    for (;;) {
        const std::size_t n = host.Available();
        if (n == 0) {
            return all;
        }
        const std::size_t at = all.size();
        all.resize(at + n);
        all.resize(at + host.Take(std::span<std::uint8_t>(all).subspan(at)));
    }
}

inline Bytes Exchange(hostsim::SimulatedHost& host, const Bytes& request) {
    host.Receive(request);
    return TakeAll(host);
}

inline std::uint32_t Le(const Bytes& bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = width - 1; i >= 0; --i) {
        value = value << 8 | bytes.at(at + static_cast<std::size_t>(i));
    }
    return value;
}

} // namespace hostsim_test
