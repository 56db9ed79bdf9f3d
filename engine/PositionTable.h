#pragma once
// The transposition table: one block of entries addressed by the position key, budgeted at 14
// bytes each, shared by every search of the process and kept from one search to the next.
#include <cstddef>
#include <cstdint>

namespace velk {

enum TBoundKind : uint8_t { bkNone = 0, bkExact = 1, bkUpper = 2, bkLower = 3 };

// The budget counts 14 bytes an entry, the size of an entry of a small table.
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
    // The memory the entries take.
    uint64_t Bytes() const;
    // A table whose 14-byte entries would not fit a core's own caches, which serve a smaller one
    // faster than the work of asking ahead would save. It keeps its entries in cache lines, and
    // a search on it asks for them ahead.
    static constexpr uint64_t CACHED_BYTES = uint64_t{2} << 20;
    bool Large() const { return FLines != nullptr; }

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
        const uint64_t fraction = FInverse * Folded(Key);
        return static_cast<uint32_t>((static_cast<TWide>(fraction) * FCount) >> 64);
    }
    // Starts loading a slot's entry into the cache, so that the work done meanwhile hides the
    // wait for memory. The slot comes from Slot: inside the table, or 0 for an empty one, and
    // a prefetch never faults. (One unconditional prefetch on purpose: the compiler drops a
    // prefetch that is all a branch does.)
    void Prefetch(uint32_t Slot) const
    {
        const void* at = FLines != nullptr ? static_cast<const void*>(FLines + Slot / LINE_ENTRIES)
                                           : static_cast<const void*>(FEntries + Slot);
        __builtin_prefetch(at, 1);
    }
    bool ProbeAt(uint32_t Slot, int Depth, int32_t& Alpha, int32_t& Beta, uint64_t Key, int32_t& Score,
                 int32_t& BestMove) const
    {
        return Large() ? ProbeIn<true>(Slot, Depth, Alpha, Beta, Key, Score, BestMove)
                       : ProbeIn<false>(Slot, Depth, Alpha, Beta, Key, Score, BestMove);
    }
    void StoreAt(uint32_t Slot, int Depth, TBoundKind Bound, uint64_t Key, int32_t Score, int32_t BestMove)
    {
        if (Large())
            StoreIn<true>(Slot, Depth, Bound, Key, Score, BestMove);
        else
            StoreIn<false>(Slot, Depth, Bound, Key, Score, BestMove);
    }
    // The same for a caller that knows whether the table is Large, as a search does throughout.
    template <bool IsLarge>
    bool ProbeIn(uint32_t Slot, int Depth, int32_t& Alpha, int32_t& Beta, uint64_t Key, int32_t& Score,
                 int32_t& BestMove) const;
    template <bool IsLarge>
    void StoreIn(uint32_t Slot, int Depth, TBoundKind Bound, uint64_t Key, int32_t Score, int32_t BestMove);

private:
    __extension__ typedef unsigned __int128 TWide;

    // A large table keeps its entries five to a 64-byte line, so that a probe never waits for
    // two lines. Such an entry holds the key's high half and the folded key's high 16 bits:
    // with the slot, the folded key modulo a count of 65536 or more, they tell the folded key,
    // and so the whole key, apart from any other. The budget's count of entries is kept, so the
    // slots, and with them every search, are the same in both forms.
    struct TLinedEntry {
        uint32_t KeyHigh;
        int32_t Score;
        uint16_t FoldedHigh;
        uint8_t Info;
        int8_t BestMove;
    };
    static constexpr uint32_t LINE_ENTRIES = 5;
    static constexpr uint32_t LINED_FROM_COUNT = CACHED_BYTES / sizeof(TPositionEntry) + 1;
    struct alignas(64) TEntryLine {
        TLinedEntry Entries[LINE_ENTRIES];
        uint8_t Spare[4];
    };
    static_assert(sizeof(TLinedEntry) == 12 && sizeof(TEntryLine) == 64, "five entries fill a cache line");
    static_assert(LINED_FROM_COUNT >= 65536, "keys of a slot must differ in their folded high 16 bits");

    static uint32_t Folded(uint64_t Key) { return static_cast<uint32_t>(Key) ^ static_cast<uint32_t>(Key >> 32); }
    TLinedEntry& Lined(uint32_t Slot) const { return FLines[Slot / LINE_ENTRIES].Entries[Slot % LINE_ENTRIES]; }
    void Release();

    TPositionEntry* FEntries = nullptr;  // a small table's entries
    TEntryLine* FLines = nullptr;        // or a large one's lines
    size_t FMapped = 0;  // the length of a block taken from the system whole, 0 for the heap
    uint32_t FCount = 0;
    uint64_t FInverse = 0;  // 2^64 / FCount rounded up; 0 for a count of 0 or 1
};

}  // namespace velk
