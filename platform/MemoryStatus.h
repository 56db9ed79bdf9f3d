#pragma once
#include <cstdint>

namespace velk {

// Total physical memory in bytes, capped at 2147483647 because callers hold it in a signed
// 32-bit budget.
uint32_t TotalPhysicalMemory();

}  // namespace velk
