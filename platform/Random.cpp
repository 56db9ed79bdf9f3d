#include "Random.h"

#include "Clock.h"

namespace velk {

TRandom& GlobalRandom()
{
    static TRandom generator(static_cast<uint32_t>(PerformanceCounter()));
    return generator;
}

void Randomize()
{
    const uint64_t now = PerformanceCounter();
    GlobalRandom().SetSeed(static_cast<uint32_t>(now ^ (now >> 32)));
}

}  // namespace velk
