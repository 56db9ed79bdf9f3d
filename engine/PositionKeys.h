#pragma once
// Zobrist keys of the checkers board. They come from the game's own generator seeded with 2473,
// so they are the same in every run; computing them at compile time means they exist before
// any board, and the process-wide generator is seeded from the clock on its own first use.
#include <array>
#include <cstdint>

#include "platform/Random.h"

namespace velk {

namespace detail {
constexpr std::array<uint64_t, 128> MakePositionKeys()
{
    std::array<uint64_t, 128> keys{};
    TRandom random(2473);
    for (uint64_t& key : keys) {
        uint64_t r[5] = {};
        for (uint64_t& x : r)
            x = random.Next(32768);
        key = r[0] ^ (r[1] << 15) ^ (r[2] << 30) ^ (r[3] << 45) ^ (r[4] << 60);
    }
    return keys;
}
}  // namespace detail

// Index: square * 4 + kind, the kinds being 0 white man, 1 white king, 2 black man, 3 black king.
inline constexpr std::array<uint64_t, 128> PositionKeys = detail::MakePositionKeys();
inline constexpr uint64_t TurnKey = 0x456EBD66E88271CEull;

constexpr int KIND_WHITE_MAN = 0;
constexpr int KIND_WHITE_KING = 1;
constexpr int KIND_BLACK_MAN = 2;
constexpr int KIND_BLACK_KING = 3;

constexpr uint64_t PieceKey(unsigned Square, int Kind) { return PositionKeys[Square * 4 + Kind]; }

}  // namespace velk
