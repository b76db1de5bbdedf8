#pragma once
// Faults armed at random for a share of the requests, for running the
// program against an unreliable host. The generator is seeded, so a run
// with the same seed and the same requests meets the same faults.

#include "hostsim/SimulatedHost.h"

#include <chrono>
#include <cstdint>

namespace hostsim {

struct FaultRates {
    double drop = 0.0;    // share of replies never sent
    double corrupt = 0.0; // share of replies with a bad CRC
    double garbage = 0.0; // share of replies after garbage bytes
    std::size_t garbageBytes = 3;
    double delay = 0.0; // share of replies sent late
    std::chrono::milliseconds delayBy{0};
    double split = 0.0; // share of replies sent in pieces
    int pieces = 1;
    std::uint64_t seed = 1;
};

// A request hook (SimulatedHost::OnEachRequest) that arms the faults.
SimulatedHost::RequestHook MakeRandomFaults(const FaultRates& rates);

} // namespace hostsim
