#pragma once
#include <cstdint>

namespace velk {

// The 32-bit linear congruential generator the game has always used: the position keys depend
// on its exact sequence from seed 2473, so it is kept bit for bit.
class TRandom {
public:
    constexpr explicit TRandom(uint32_t Seed = 0) : FSeed(Seed) {}

    constexpr uint32_t Seed() const { return FSeed; }
    constexpr void SetSeed(uint32_t Seed) { FSeed = Seed; }

    // A number in 0 .. Range-1: the high half of the 64-bit product of the new seed and Range.
    constexpr uint32_t Next(uint32_t Range)
    {
        FSeed = FSeed * 134775813u + 1u;
        return static_cast<uint32_t>((static_cast<uint64_t>(FSeed) * Range) >> 32);
    }

private:
    uint32_t FSeed;
};

// The process-wide generator, seeded from the clock the first time it is used. It belongs to
// the user-interface thread.
TRandom& GlobalRandom();
void Randomize();

}  // namespace velk
