#pragma once
// The draw by repetition as the searches see it: a position the game already had, or one the
// line being searched had before with the same side to move, scores a draw. Both searches ask at
// nearly every node, so the game's positions sit in a set built once per search and asking
// allocates nothing.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace velk {

// An open-addressed set of position keys; a look-up mostly costs one probe.
class TPositionSet {
public:
    // Holds the keys of Keys (none when null) from now on; the room of an earlier build is
    // reused when it suffices.
    void Build(const std::vector<uint64_t>* Keys)
    {
        const size_t n = Keys != nullptr ? Keys->size() : 0;
        size_t size = 16;
        while (size < 2 * n)
            size *= 2;
        FSlots.assign(size, 0);
        FMask = size - 1;
        FCount = 0;
        FHasZero = false;
        for (size_t i = 0; i < n; ++i) {
            const uint64_t key = (*Keys)[i];
            if (Contains(key))
                continue;
            ++FCount;
            if (key == 0) {
                FHasZero = true;  // 0 marks an empty slot
                continue;
            }
            size_t at = Home(key);
            while (FSlots[at] != 0)
                at = (at + 1) & FMask;
            FSlots[at] = key;
        }
    }
    bool Empty() const { return FCount == 0; }
    bool Contains(uint64_t Key) const
    {
        if (FCount == 0)
            return false;
        if (Key == 0)
            return FHasZero;
        for (size_t at = Home(Key);; at = (at + 1) & FMask) {
            if (FSlots[at] == Key)
                return true;
            if (FSlots[at] == 0)
                return false;
        }
    }

private:
    size_t Home(uint64_t Key) const { return static_cast<size_t>(Key ^ (Key >> 32)) & FMask; }

    std::vector<uint64_t> FSlots;
    size_t FMask = 0;
    size_t FCount = 0;
    bool FHasZero = false;
};

// Whether the position Key at Ply of a line repeats one before it. Line[p] holds the key at ply
// p (Line[0] the root's); only the last Reversible plies can hold it again (a man's move or a
// capture lies before them), and only an even number of plies back, four at least, as a
// position needs that long to come back. Past, the game's positions, counts when the line
// reaches back to them (PastReachable: no irreversible move since the root).
inline bool Repeats(uint64_t Key, int Ply, const uint64_t* Line, int Reversible, const TPositionSet& Past,
                    bool PastReachable)
{
    if (PastReachable && Past.Contains(Key))
        return true;
    for (int p = Ply - 4; p >= 0 && p >= Ply - Reversible; p -= 2)
        if (Line[p] == Key)
            return true;
    return false;
}

}  // namespace velk
