#include "MemoryStatus.h"

#include <unistd.h>

namespace velk {

uint32_t TotalPhysicalMemory()
{
    const long pages = sysconf(_SC_PHYS_PAGES);
    const long pageSize = sysconf(_SC_PAGE_SIZE);
    constexpr uint64_t cap = 2147483647u;
    if (pages <= 0 || pageSize <= 0)
        return static_cast<uint32_t>(cap);
    const uint64_t total = static_cast<uint64_t>(pages) * static_cast<uint64_t>(pageSize);
    return static_cast<uint32_t>(total < cap ? total : cap);
}

}  // namespace velk
