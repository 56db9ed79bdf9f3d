#pragma once
#include <cstdint>

namespace velk {

// Milliseconds since an arbitrary start, as a 32-bit count that wraps around; durations are
// differences of two readings in unsigned arithmetic.
uint32_t GetTickCount();

// A fine-grained monotonic counter (nanoseconds), used only to seed the random generator.
uint64_t PerformanceCounter();

}  // namespace velk
