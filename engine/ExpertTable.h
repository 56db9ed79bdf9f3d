#pragma once
// The Expert search's transposition table, shared by the threads of a search without locks.
#include <algorithm>
#include <atomic>
#include <bit>
#include <cstdint>
#include <memory>
#include <new>

#include <sys/mman.h>

#include "ExpertSearch.h"
#include "PositionTable.h"

namespace velk::expert {

// Four entries share a cache line. Each is written as two words, the second the key XOR the
// first: an entry torn by two threads writing at once no longer matches its key and is missed.
// The words are plain so that zeroed memory is an empty table, with no atomic to construct;
// every access to them is atomic.
struct TSlot {
    uint64_t Data;
    uint64_t Check;
};
inline uint64_t Load(const uint64_t& Word)
{
    return std::atomic_ref(const_cast<uint64_t&>(Word)).load(std::memory_order_relaxed);
}
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
    // True when the table had to be made anew.
    bool Resize(uint32_t MaxMemory)
    {
        const size_t budget = std::min(MaxMemory, EXPERT_MAX_TABLE_BYTES) / sizeof(TBucket);
        const size_t count = std::max<size_t>(256, std::bit_floor(std::max<size_t>(budget, 1)));
        if (count == FCount)
            return false;
        Allocate(count);
        return true;
    }
    void Clear()
    {
        if (FCount != 0)
            Allocate(FCount);
    }
    void NewSearch() { FAge = (FAge + 1) & AGE_MASK; }
    // Mixed into every key from now on: scores that mean something else (a draw worth
    // something to the other side) are kept apart instead of read.
    void SetSalt(uint64_t Salt) { FSalt = Salt; }
    size_t Buckets() const { return FCount; }

    // Starts bringing a position's bucket into the cache: a probe that misses it waits for
    // memory, and at millions of probes a second that wait was a fifth of the search's time.
    void Prefetch(uint64_t Key) const { __builtin_prefetch(&FBuckets[(Key ^ FSalt) & (FCount - 1)]); }

    bool Probe(uint64_t Key, TEntry& Entry) const
    {
        Key ^= FSalt;
        const TBucket& bucket = FBuckets[Key & (FCount - 1)];
        for (const TSlot& slot : bucket.Slots) {
            const uint64_t data = Load(slot.Data);
            if ((Load(slot.Check) ^ data) == Key && data != 0) {
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
        Key ^= FSalt;
        TBucket& bucket = FBuckets[Key & (FCount - 1)];
        TSlot* victim = &bucket.Slots[0];
        int worst = INT32_MAX;
        for (TSlot& slot : bucket.Slots) {
            const uint64_t data = Load(slot.Data);
            if ((Load(slot.Check) ^ data) == Key && data != 0) {
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
        std::atomic_ref(Slot.Data).store(Data, std::memory_order_relaxed);
        std::atomic_ref(Slot.Check).store(Key ^ Data, std::memory_order_relaxed);
    }

    // Zeroed pages straight from the system, each written once before the clock starts: they
    // come already cleared (no sweep over the whole table, which is slow under the sanitizers),
    // and no page fault falls inside the search. Asked for in huge pages where the system has
    // them: probes land all over the table, and with small pages nearly each one also missed
    // the address cache. The old table goes first so that two never take the memory together.
    void Allocate(size_t Count)
    {
        FMemory.reset();
        FBuckets = nullptr;
        FCount = 0;
        const size_t bytes = Count * sizeof(TBucket) + HUGE_PAGE;
        void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (memory == MAP_FAILED)
            throw std::bad_alloc();
        FMemory = std::unique_ptr<void, TUnmap>(memory, TUnmap{bytes});
        const uintptr_t aligned = (reinterpret_cast<uintptr_t>(memory) + HUGE_PAGE - 1) & ~(HUGE_PAGE - 1);
        FBuckets = reinterpret_cast<TBucket*>(aligned);
#ifdef MADV_HUGEPAGE
        madvise(FBuckets, Count * sizeof(TBucket), MADV_HUGEPAGE);  // a hint: refused is fine
#endif
        FCount = Count;
        FAge = 0;
        constexpr size_t PAGE_BUCKETS = 4096 / sizeof(TBucket);
        for (size_t i = 0; i < Count; i += PAGE_BUCKETS)
            std::atomic_ref(FBuckets[i].Slots[0].Data).store(0, std::memory_order_relaxed);
    }

    static constexpr size_t HUGE_PAGE = size_t{2} << 20;
    struct TUnmap {
        size_t Bytes = 0;
        void operator()(void* Memory) const { munmap(Memory, Bytes); }
    };
    std::unique_ptr<void, TUnmap> FMemory{nullptr, TUnmap{}};
    TBucket* FBuckets = nullptr;
    size_t FCount = 0;
    unsigned FAge = 0;
    uint64_t FSalt = 0;
};

}  // namespace velk::expert
