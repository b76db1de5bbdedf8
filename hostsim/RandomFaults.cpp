#include "hostsim/RandomFaults.h"

#include <memory>

namespace hostsim {

namespace {

// SplitMix64: small, and the same sequence on every platform and library
// (the standard distributions are not).
class Generator {
public:
    explicit Generator(std::uint64_t seed) : state_(seed) {}

    // Uniform in [0, 1).
    double Next() {
        state_ += 0x9E3779B97F4A7C15ull;
        std::uint64_t z = state_;
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) * 0x1.0p-53;
    }

    bool Chance(double rate) { return Next() < rate; }

private:
    std::uint64_t state_;
};

} // namespace

SimulatedHost::RequestHook MakeRandomFaults(const FaultRates& rates) {
    auto generator = std::make_shared<Generator>(rates.seed);
    return [rates, generator](SimulatedHost& host, std::span<const std::uint8_t>) {
        // One draw per kind and request, whatever the rates, so changing
        // one rate does not shift the draws of the others.
        const bool drop = generator->Chance(rates.drop);
        const bool corrupt = generator->Chance(rates.corrupt);
        const bool garbage = generator->Chance(rates.garbage);
        const bool delay = generator->Chance(rates.delay);
        const bool split = generator->Chance(rates.split);
        if (drop) {
            host.DropNextReply();
        }
        if (corrupt) {
            host.CorruptNextReplyCrc();
        }
        if (garbage) {
            host.PrefixNextReplyWithGarbage(rates.garbageBytes);
        }
        if (delay) {
            host.DelayNextReply(rates.delayBy);
        }
        if (split && rates.pieces > 1) {
            host.SplitNextReply(rates.pieces);
        }
    };
}

} // namespace hostsim
