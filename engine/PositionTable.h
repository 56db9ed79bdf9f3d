#pragma once
// The transposition table: one block of packed 14-byte entries addressed by the position key,
// shared by every search of the process and kept from one search to the next.
#include <cstddef>
#include <cstdint>

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
    TPositionTable() = default;
    TPositionTable(const TPositionTable&) = delete;
    TPositionTable& operator=(const TPositionTable&) = delete;
    ~TPositionTable();

    uint32_t Count() const { return FCount; }
    uint64_t Bytes() const { return uint64_t{FCount} * sizeof(TPositionEntry); }

    // Sizes the table for a search: the smaller of 14 * Branching^Depth bytes and MaxMemory.
    void Plan(uint32_t Branching, uint32_t Depth, uint32_t MaxMemory);
    // Reallocates and zeroes the table when the entry count changes; keeps it otherwise.
    // A budget too small for one entry still gets one, so that a slot always exists. The new
    // block's pages are touched here, so that a search does not stop for them; a block that
    // cannot be had throws std::bad_alloc and leaves the table empty, answering no probe.
    void SetSize(uint32_t Bytes);
    // Forgets every entry, keeping the size.
    void Clear();

    bool Probe(int Depth, int32_t& Alpha, int32_t& Beta, uint64_t Key, int32_t& Score, int32_t& BestMove) const
    {
        return ProbeAt(Slot(Key), Depth, Alpha, Beta, Key, Score, BestMove);
    }
    void Store(int Depth, TBoundKind Bound, uint64_t Key, int32_t Score, int32_t BestMove)
    {
        StoreAt(Slot(Key), Depth, Bound, Key, Score, BestMove);
    }

    // The same with the slot computed once: a node probes and stores the same key. The slot is
    // the folded key modulo the count, by a multiplication with the count's precomputed inverse
    // instead of a division, and exact for every 32-bit value.
    uint32_t Slot(uint64_t Key) const
    {
        const uint32_t folded = static_cast<uint32_t>(Key) ^ static_cast<uint32_t>(Key >> 32);
        const uint64_t fraction = FInverse * folded;
        return static_cast<uint32_t>((static_cast<TWide>(fraction) * FCount) >> 64);
    }
    // Starts loading a slot's entry into the cache, both of its cache lines when it straddles
    // two, so that the work done meanwhile hides the wait for memory.
    void Prefetch(uint32_t Slot) const
    {
        if (Slot < FCount) {
            const char* at = reinterpret_cast<const char*>(FEntries + Slot);
            __builtin_prefetch(at, 1);
            __builtin_prefetch(at + sizeof(TPositionEntry) - 1, 1);
        }
    }
    bool ProbeAt(uint32_t Slot, int Depth, int32_t& Alpha, int32_t& Beta, uint64_t Key, int32_t& Score,
                 int32_t& BestMove) const;
    void StoreAt(uint32_t Slot, int Depth, TBoundKind Bound, uint64_t Key, int32_t Score, int32_t BestMove);

    const TPositionEntry& Entry(uint32_t Index) const { return FEntries[Index]; }

private:
    __extension__ typedef unsigned __int128 TWide;

    void Release();

    TPositionEntry* FEntries = nullptr;
    size_t FMapped = 0;  // the length of a block taken from the system whole, 0 for the heap
    uint32_t FCount = 0;
    uint64_t FInverse = 0;  // 2^64 / FCount rounded up; 0 for a count of 0 or 1
};

}  // namespace velk
