#include "PositionTable.h"

#include <algorithm>
#include <cstring>

namespace velk {

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
    FEntries.reset();
    FCount = 0;
    FEntries = std::make_unique<TPositionEntry[]>(n);  // value-initialised: all zero
    FCount = n;
}

bool TPositionTable::ProbeAt(uint32_t Slot, int Depth, int32_t& Alpha, int32_t& Beta, uint64_t Key, int32_t& Score,
                             int32_t& BestMove) const
{
    if (Slot >= FCount)
        return false;
    const TPositionEntry& e = FEntries[Slot];
    if (e.KeyLow != static_cast<uint32_t>(Key) || e.KeyHigh != static_cast<uint32_t>(Key >> 32))
        return false;
    BestMove = e.BestMove;
    if (Depth > (e.Info >> 2))
        return false;
    switch (e.Info & 3) {
    case bkExact:
        Score = e.Score;
        return true;
    case bkUpper:
        if (e.Score <= Alpha) {
            Score = Alpha;
            return true;
        }
        return false;
    case bkLower:
        if (e.Score >= Beta) {
            Score = Beta;
            return true;
        }
        return false;
    default:
        return false;
    }
}

void TPositionTable::StoreAt(uint32_t Slot, int Depth, TBoundKind Bound, uint64_t Key, int32_t Score,
                             int32_t BestMove)
{
    if (Slot >= FCount)
        return;
    TPositionEntry& e = FEntries[Slot];
    e.KeyLow = static_cast<uint32_t>(Key);
    e.KeyHigh = static_cast<uint32_t>(Key >> 32);
    e.Score = Score;
    e.Info = static_cast<uint8_t>((Depth << 2) | Bound);
    e.BestMove = static_cast<int8_t>(BestMove);
}

}  // namespace velk
