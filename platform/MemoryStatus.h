#pragma once
#include <cstdint>

namespace velk {

// Total physical memory in bytes, capped at 2147483647 because callers hold it in a signed
// 32-bit budget.
uint32_t TotalPhysicalMemory();

// The transposition table budget the game starts with: a tenth of physical memory.
inline uint32_t DefaultTableMemory()
{
    return static_cast<uint32_t>((static_cast<uint64_t>(TotalPhysicalMemory()) * 10 + 50) / 100);
}

}  // namespace velk
