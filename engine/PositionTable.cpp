#include "PositionTable.h"

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace velk {

namespace {

// A table this large is mapped whole and asked for 2 MiB pages: a search probes it at random,
// and with small pages nearly every probe would also miss the address translation cache.
constexpr size_t HUGE_PAGE = size_t{2} << 20;
constexpr size_t SMALL_PAGE = 4096;

}  // namespace

TPositionTable::~TPositionTable()
{
    Release();
}

void TPositionTable::Release()
{
    void* block = FLines != nullptr ? static_cast<void*>(FLines) : static_cast<void*>(FEntries);
#if defined(__linux__)
    if (FMapped != 0)
        munmap(block, FMapped);
    else
#endif
        ::operator delete(block, std::align_val_t{64});
    FEntries = nullptr;
    FLines = nullptr;
    FMapped = 0;
    FCount = 0;
    FInverse = 0;
}

uint64_t TPositionTable::Bytes() const
{
    if (FLines != nullptr)
        return uint64_t{(FCount + LINE_ENTRIES - 1) / LINE_ENTRIES} * sizeof(TEntryLine);
    return uint64_t{FCount} * sizeof(TPositionEntry);
}

void TPositionTable::Plan(uint32_t Branching, uint32_t Depth, uint32_t MaxMemory)
{
    // 14 * Branching^Depth, saturating instead of overflowing.
    uint64_t bytes = 14;
    for (uint32_t i = 0; i < Depth && bytes < MaxMemory; ++i)
        bytes = Branching == 0 ? 0 : std::min<uint64_t>(bytes * Branching, UINT64_C(1) << 40);
    SetSize(static_cast<uint32_t>(std::min<uint64_t>(bytes, MaxMemory)));
}

void TPositionTable::SetSize(uint32_t Bytes)
{
    uint32_t n = Bytes / sizeof(TPositionEntry) + (Bytes % sizeof(TPositionEntry) != 0 ? 1 : 0);
    n = std::max<uint32_t>(n, 1);
    if (n == FCount)
        return;
    Release();
    const bool lined = n >= LINED_FROM_COUNT;
    const size_t bytes = lined ? size_t{(n + LINE_ENTRIES - 1) / LINE_ENTRIES} * sizeof(TEntryLine)
                               : size_t{n} * sizeof(TPositionEntry);
    void* block = nullptr;
#if defined(__linux__)
    if (bytes >= HUGE_PAGE) {
        // Mapped a huge page longer than needed, then trimmed to start on a huge page boundary:
        // only whole aligned huge pages can back it. Where the system gives none, the advice
        // fails and the small pages serve.
        const size_t length = (bytes + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
        void* raw = mmap(nullptr, length + HUGE_PAGE, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED)
            throw std::bad_alloc();
        const auto start = (reinterpret_cast<uintptr_t>(raw) + HUGE_PAGE - 1) & ~uintptr_t{HUGE_PAGE - 1};
        const size_t head = start - reinterpret_cast<uintptr_t>(raw);
        if (head != 0)
            munmap(raw, head);
        if (HUGE_PAGE - head != 0)
            munmap(reinterpret_cast<char*>(start) + length, HUGE_PAGE - head);
        block = reinterpret_cast<void*>(start);
        madvise(block, length, MADV_HUGEPAGE);
        FMapped = length;
        // A fresh mapping reads as zeros; one write a page brings the pages in now.
        auto* bytesAt = static_cast<volatile char*>(block);
        for (size_t at = 0; at < length; at += SMALL_PAGE)
            bytesAt[at] = 0;
    }
#endif
    if (block == nullptr) {
        block = ::operator new(bytes, std::align_val_t{64});
        std::memset(block, 0, bytes);
    }
    if (lined)
        FLines = static_cast<TEntryLine*>(block);
    else
        FEntries = static_cast<TPositionEntry*>(block);
    FCount = n;
    FInverse = n > 1 ? UINT64_MAX / n + 1 : 0;
}

void TPositionTable::Clear()
{
    void* block = FLines != nullptr ? static_cast<void*>(FLines) : static_cast<void*>(FEntries);
    if (block != nullptr)
        std::memset(block, 0, Bytes());
}

namespace {

// What an entry whose key matched proves: its score when deep enough and its bound holds.
bool Answer(int Depth, int32_t Alpha, int32_t Beta, int32_t Stored, uint8_t Info, int32_t& Score)
{
    if (Depth > (Info >> 2))
        return false;
    switch (Info & 3) {
    case bkExact:
        Score = Stored;
        return true;
    case bkUpper:
        if (Stored <= Alpha) {
            Score = Alpha;
            return true;
        }
        return false;
    case bkLower:
        if (Stored >= Beta) {
            Score = Beta;
            return true;
        }
        return false;
    default:
        return false;
    }
}

}  // namespace

template <bool IsLarge>
bool TPositionTable::ProbeIn(uint32_t Slot, int Depth, int32_t& Alpha, int32_t& Beta, uint64_t Key, int32_t& Score,
                             int32_t& BestMove) const
{
    if (Slot >= FCount)
        return false;
    if constexpr (IsLarge) {
        const TLinedEntry& e = Lined(Slot);
        if (e.KeyHigh != static_cast<uint32_t>(Key >> 32) || e.FoldedHigh != Folded(Key) >> 16)
            return false;
        BestMove = e.BestMove;
        return Answer(Depth, Alpha, Beta, e.Score, e.Info, Score);
    } else {
        const TPositionEntry& e = FEntries[Slot];
        if (e.KeyLow != static_cast<uint32_t>(Key) || e.KeyHigh != static_cast<uint32_t>(Key >> 32))
            return false;
        BestMove = e.BestMove;
        return Answer(Depth, Alpha, Beta, e.Score, e.Info, Score);
    }
}

template <bool IsLarge>
void TPositionTable::StoreIn(uint32_t Slot, int Depth, TBoundKind Bound, uint64_t Key, int32_t Score,
                             int32_t BestMove)
{
    if (Slot >= FCount)
        return;
    const auto info = static_cast<uint8_t>((Depth << 2) | Bound);
    if constexpr (IsLarge)
        Lined(Slot) = {static_cast<uint32_t>(Key >> 32), Score, static_cast<uint16_t>(Folded(Key) >> 16), info,
                       static_cast<int8_t>(BestMove)};
    else
        FEntries[Slot] = {static_cast<uint32_t>(Key), static_cast<uint32_t>(Key >> 32), Score, info,
                          static_cast<int8_t>(BestMove)};
}

template bool TPositionTable::ProbeIn<false>(uint32_t, int, int32_t&, int32_t&, uint64_t, int32_t&, int32_t&) const;
template bool TPositionTable::ProbeIn<true>(uint32_t, int, int32_t&, int32_t&, uint64_t, int32_t&, int32_t&) const;
template void TPositionTable::StoreIn<false>(uint32_t, int, TBoundKind, uint64_t, int32_t, int32_t);
template void TPositionTable::StoreIn<true>(uint32_t, int, TBoundKind, uint64_t, int32_t, int32_t);

}  // namespace velk
