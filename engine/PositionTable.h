#pragma once
// The transposition table: one block of packed 14-byte entries addressed by the position key,
// shared by every search of the process and kept from one search to the next.
#include <cstdint>
#include <memory>

namespace velk {

enum TBoundKind : uint8_t { bkNone = 0, bkExact = 1, bkUpper = 2, bkLower = 3 };

#pragma pack(push, 1)
struct TPositionEntry {
    uint32_t KeyLow;
    uint32_t KeyHigh;
    int32_t Score;
    uint8_t Info;  // depth * 4 + bound kind
    int8_t BestMove;
};
#pragma pack(pop)
static_assert(sizeof(TPositionEntry) == 14, "table entries are budgeted at 14 bytes");

class TPositionTable {
public:
    uint32_t Count() const { return FCount; }

    // Sizes the table for a search: the smaller of 14 * Branching^Depth bytes and MaxMemory.
    void Plan(uint32_t Branching, uint32_t Depth, uint32_t MaxMemory);
    // Reallocates and zeroes the table when the entry count changes; keeps it otherwise.
    // A budget too small for one entry still gets one, so that a slot always exists.
    void SetSize(uint32_t Bytes);

    bool Probe(int Depth, int32_t& Alpha, int32_t& Beta, uint64_t Key, int32_t& Score, int32_t& BestMove) const
    {
        return ProbeAt(Slot(Key), Depth, Alpha, Beta, Key, Score, BestMove);
    }
    void Store(int Depth, TBoundKind Bound, uint64_t Key, int32_t Score, int32_t BestMove)
    {
        StoreAt(Slot(Key), Depth, Bound, Key, Score, BestMove);
    }

    // The same with the slot computed once: a node probes and stores the same key, and the
    // division is the most expensive step of either.
    uint32_t Slot(uint64_t Key) const
    {
        return FCount == 0 ? 0 : (static_cast<uint32_t>(Key) ^ static_cast<uint32_t>(Key >> 32)) % FCount;
    }
    bool ProbeAt(uint32_t Slot, int Depth, int32_t& Alpha, int32_t& Beta, uint64_t Key, int32_t& Score,
                 int32_t& BestMove) const;
    void StoreAt(uint32_t Slot, int Depth, TBoundKind Bound, uint64_t Key, int32_t Score, int32_t BestMove);

    const TPositionEntry& Entry(uint32_t Index) const { return FEntries[Index]; }

private:
    std::unique_ptr<TPositionEntry[]> FEntries;
    uint32_t FCount = 0;
};

}  // namespace velk
