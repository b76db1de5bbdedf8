#pragma once
// Requests to the simulated host and its replies.

#include "hostsim/SimulatedHost.h"
#include "tests/link/TestFrame.h"

#include <algorithm>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace hostsim_test {

using Bytes = std::vector<std::uint8_t>;

// Requests and replies are Frame()s of the wire format.
inline Bytes MemoryRead(std::uint32_t address, std::uint8_t count, std::uint8_t seq = 1) {
    return Frame(1, seq, 1,
                 {static_cast<std::uint8_t>(address), static_cast<std::uint8_t>(address >> 8),
                  static_cast<std::uint8_t>(address >> 16),
                  static_cast<std::uint8_t>(address >> 24), count, 0});
}

// Everything the host has ready, polling until nothing more comes (split
// replies need several polls).
inline Bytes TakeAll(hostsim::SimulatedHost& host) {
    Bytes all;
    while (const std::size_t n = host.Available()) {
        const std::size_t at = all.size();
        all.resize(at + n);
        all.resize(at + host.Take(std::span<std::uint8_t>(all).subspan(at)));
    }
    return all;
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
