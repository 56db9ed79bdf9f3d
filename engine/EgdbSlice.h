#pragma once
// The endgame tables' numbering: which pieces a table holds, how a position maps to its place in
// the table and back, and the moves the building walks backward. Shared by the database and its
// tests.
#include <bit>
#include <cstdint>
#include <string>
#include <vector>

#include "CheckersBoard.h"

namespace velk::egdb {

// The pieces of one table. Both sides to move are in it: Black to move first, then White.
// Only the form with Black's (men, kings) at least White's is stored; the other is the same
// table with the board turned round and the colours swapped.
struct TSlice {
    uint8_t BlackMen = 0, BlackKings = 0, WhiteMen = 0, WhiteKings = 0;

    constexpr int Pieces() const { return BlackMen + BlackKings + WhiteMen + WhiteKings; }
    constexpr int Men() const { return BlackMen + WhiteMen; }
    bool Stored() const { return BlackMen > WhiteMen || (BlackMen == WhiteMen && BlackKings >= WhiteKings); }
    bool operator==(const TSlice&) const = default;
    // Placements of the pieces for one side to move, including a few numbers that name no
    // position (white men that would not fit beside the black ones).
    uint64_t Placements() const;
    uint64_t Positions() const { return 2 * Placements(); }
    // e.g. "2-1-0-2": black men, black kings, white men, white kings.
    std::string Name() const;
};

TSlice SliceOf(TSquareSet Black, TSquareSet White, TSquareSet Kings);

// Up to six pieces every ending has its tables. At seven only the endings of kings with at most
// one man do: kings may shuffle for dozens of moves before anything is taken, further than a
// search sees, and these alone are as many positions as all the six-piece ones (3.0 billion; two
// men would add more than twice as many again). A capture or a crowning leads out of them only to
// tables that are there.
constexpr int EGDB_FULL_PIECES = 6;
constexpr int EGDB_SEVEN_PIECE_MEN = 1;

// Whether a slice of that many pieces has a table at all.
constexpr bool HasTable(const TSlice& Slice)
{
    return Slice.Pieces() <= EGDB_FULL_PIECES ||
           (Slice.Pieces() == EGDB_FULL_PIECES + 1 && Slice.Men() <= EGDB_SEVEN_PIECE_MEN);
}

// Every stored slice with 2 .. Pieces pieces that has a table, in the order they are built: fewer
// pieces first (captures lead there), then fewer men (a man crowned leads there).
std::vector<TSlice> BuildOrder(int Pieces);

// The board turned round with the colours swapped: square p becomes square 31 - p.
constexpr TSquareSet Rotate(TSquareSet Set) { return TurnedRound(Set); }

// The place of a position of Slice in its table (Turn 0 Black, 1 White to move).
uint64_t IndexOf(const TSlice& Slice, TSquareSet Black, TSquareSet White, TSquareSet Kings, int Turn);
// The position at Index; false for a number that names none.
bool PositionAt(const TSlice& Slice, uint64_t Index, TSquareSet& Black, TSquareSet& White, TSquareSet& Kings,
                int& Turn);

// Calls Visit(Black, White, Kings) for each position the side that did not move next (the
// opponent of Turn) could have come from by a move that stays in the slice: a step that neither
// takes nor crowns, made when that side had nothing to take.
template <typename F>
void ForEachPredecessor(TSquareSet Black, TSquareSet White, TSquareSet Kings, int Turn, F Visit);

// Bytes in the packed form: four positions a byte, two bits each (0 draw, 1 win, 2 loss).
std::vector<uint8_t> Compress(const std::vector<uint8_t>& Packed);
bool Decompress(const uint8_t* Data, size_t Size, std::vector<uint8_t>& Packed);

namespace detail {
// The squares diagonally next to each square: down-left, down-right, up-left, up-right ("down"
// toward higher square numbers, the way Black's men go); -1 off the board.
struct TNeighbours {
    int8_t Squares[SQUARE_COUNT][4];
};

constexpr TNeighbours MakeNeighbours()
{
    TNeighbours t{};
    for (int p = 0; p < SQUARE_COUNT; ++p)
        for (int d = 0; d < 4; ++d)
            t.Squares[p][d] = static_cast<int8_t>(DiagonalSquare(p, d, 1));
    return t;
}

inline constexpr TNeighbours Neighbours = MakeNeighbours();
}  // namespace detail

template <typename F>
void ForEachPredecessor(TSquareSet Black, TSquareSet White, TSquareSet Kings, int Turn, F Visit)
{
    // The mover was the side not to move now.
    const bool blackMoved = Turn == 1;
    const TSquareSet mover = blackMoved ? Black : White;
    const TSquareSet other = blackMoved ? White : Black;
    const TSquareSet empty = ~(Black | White);
    TSquareSet pieces = mover;
    while (pieces != 0) {
        const TSquareSet bit = pieces & (0u - pieces);
        pieces ^= bit;
        const int to = 31 - std::countr_zero(bit);
        const bool king = (Kings & bit) != 0;
        // A man came from behind: Black's men go down, so a black man came from above.
        const int first = king ? 0 : blackMoved ? 2 : 0;
        const int last = king ? 4 : blackMoved ? 4 : 2;
        for (int d = first; d < last; ++d) {
            const int from = detail::Neighbours.Squares[to][d];
            if (from < 0 || !(empty & SquareBit(from)))
                continue;
            const TSquareSet before = (mover & ~bit) | SquareBit(from);
            const TSquareSet kings = king ? (Kings & ~bit) | SquareBit(from) : Kings;
            const TSquareSet e = ~(before | other);
            const TSquareSet men = before & ~kings;
            const bool take = CanCapture(men, other, e, blackMoved ? 1 : -1) || CanCapture(before & kings, other, e, 0);
            if (take)
                continue;
            if (blackMoved)
                Visit(before, White, kings);
            else
                Visit(Black, before, kings);
        }
    }
}

}  // namespace velk::egdb
