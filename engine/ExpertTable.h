#pragma once
// The Expert search's transposition table, shared by the threads of a search without locks.
#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <memory>

#include "ExpertSearch.h"
#include "PositionTable.h"

namespace velk::expert {

// Four entries share a cache line. Each is written as two words, the second the key XOR the
// first: an entry torn by two threads writing at once no longer matches its key and is missed.
struct TSlot {
    std::atomic<uint64_t> Data;
    std::atomic<uint64_t> Check;
};
constexpr int BUCKET_SLOTS = 4;
struct alignas(64) TBucket {
    TSlot Slots[BUCKET_SLOTS];
};
static_assert(sizeof(TBucket) == 64);

struct TEntry {
    int32_t Score = 0;
    int Depth = 0;
    uint8_t Bound = bkNone;
    int Move = -1;
};

constexpr unsigned AGE_BITS = 6;
constexpr unsigned AGE_MASK = (1u << AGE_BITS) - 1;

inline uint64_t Pack(int32_t Score, int Depth, uint8_t Bound, unsigned Age, int Move)
{
    return static_cast<uint16_t>(Score) | static_cast<uint64_t>(std::min(Depth, 255)) << 16 |
           static_cast<uint64_t>(Bound & 3) << 24 | static_cast<uint64_t>(Age & AGE_MASK) << 26 |
           static_cast<uint64_t>(static_cast<uint8_t>(Move)) << 32;
}

inline int DataDepth(uint64_t Data) { return static_cast<int>(Data >> 16 & 0xFF); }
inline unsigned DataAge(uint64_t Data) { return static_cast<unsigned>(Data >> 26) & AGE_MASK; }
inline int DataMove(uint64_t Data) { return static_cast<int8_t>(static_cast<uint8_t>(Data >> 32)); }

// Shared by every thread of a search and kept from one search to the next. A deep entry is
// worth more than a shallow one, but one left from an earlier search goes first: its
// position is mostly behind the game now.
class TTable {
public:
    // True when the table had to be made anew (allocated and cleared).
    bool Resize(uint32_t MaxMemory)
    {
        const size_t budget = std::min(MaxMemory, EXPERT_MAX_TABLE_BYTES) / sizeof(TBucket);
        const size_t count = std::max<size_t>(256, std::bit_floor(std::max<size_t>(budget, 1)));
        if (count == FCount)
            return false;
        FBuckets.reset();
        FBuckets = std::make_unique<TBucket[]>(count);  // cleared by the atomics' construction
        FCount = count;
        FAge = 0;
        return true;
    }
    void Clear()
    {
        for (size_t i = 0; i < FCount; ++i)
            for (TSlot& slot : FBuckets[i].Slots) {
                slot.Data.store(0, std::memory_order_relaxed);
                slot.Check.store(0, std::memory_order_relaxed);
            }
        FAge = 0;
    }
    void NewSearch() { FAge = (FAge + 1) & AGE_MASK; }
    size_t Buckets() const { return FCount; }

    bool Probe(uint64_t Key, TEntry& Entry) const
    {
        const TBucket& bucket = FBuckets[Key & (FCount - 1)];
        for (const TSlot& slot : bucket.Slots) {
            const uint64_t data = slot.Data.load(std::memory_order_relaxed);
            if ((slot.Check.load(std::memory_order_relaxed) ^ data) == Key && data != 0) {
                Entry.Score = static_cast<int16_t>(data & 0xFFFF);
                Entry.Depth = DataDepth(data);
                Entry.Bound = static_cast<uint8_t>(data >> 24 & 3);
                Entry.Move = DataMove(data);
                return true;
            }
        }
        return false;
    }

    void Store(uint64_t Key, int32_t Score, int Depth, uint8_t Bound, int Move)
    {
        TBucket& bucket = FBuckets[Key & (FCount - 1)];
        TSlot* victim = &bucket.Slots[0];
        int worst = INT32_MAX;
        for (TSlot& slot : bucket.Slots) {
            const uint64_t data = slot.Data.load(std::memory_order_relaxed);
            if ((slot.Check.load(std::memory_order_relaxed) ^ data) == Key && data != 0) {
                // The same position: a shallower result of this search does not push out a
                // deeper one, but the move it found is the one to try first next time.
                if (Move < 0)
                    Move = DataMove(data);
                if (Bound != bkExact && DataAge(data) == FAge && Depth + 2 < DataDepth(data)) {
                    if (Move == DataMove(data))
                        return;
                    Write(slot, Key, (data & ~(uint64_t{0xFF} << 32)) | Pack(0, 0, 0, 0, Move));
                    return;
                }
                victim = &slot;
                break;
            }
            const int worth = data == 0 ? -1000 : DataDepth(data) - (DataAge(data) != FAge ? 512 : 0);
            if (worth < worst) {
                worst = worth;
                victim = &slot;
            }
        }
        Write(*victim, Key, Pack(Score, Depth, Bound, FAge, Move));
    }

private:
    static void Write(TSlot& Slot, uint64_t Key, uint64_t Data)
    {
        Slot.Data.store(Data, std::memory_order_relaxed);
        Slot.Check.store(Key ^ Data, std::memory_order_relaxed);
    }

    std::unique_ptr<TBucket[]> FBuckets;
    size_t FCount = 0;
    unsigned FAge = 0;
};

}  // namespace velk::expert
