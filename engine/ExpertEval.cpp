#include "ExpertEval.h"

#include <bit>
#include <cstdlib>

namespace velk {

namespace {

// Each side is scored as if it were Black, moving toward higher square numbers: White's sets
// are mirrored (square p becomes 31 - p, a bit reversal), so one set of masks serves both.
constexpr TSquareSet Mirror(TSquareSet x)
{
    x = ((x >> 1) & 0x55555555u) | ((x & 0x55555555u) << 1);
    x = ((x >> 2) & 0x33333333u) | ((x & 0x33333333u) << 2);
    x = ((x >> 4) & 0x0F0F0F0Fu) | ((x & 0x0F0F0F0Fu) << 4);
    x = ((x >> 8) & 0x00FF00FFu) | ((x & 0x00FF00FFu) << 8);
    return (x >> 16) | (x << 16);
}

constexpr TSquareSet Squares(std::initializer_list<int> Numbers)
{
    TSquareSet set = 0;
    for (int n : Numbers)
        set |= SquareBit(static_cast<unsigned>(n - 1));
    return set;
}

constexpr TSquareSet BRIDGE = Squares({1, 3});
constexpr TSquareSet BACK_OTHER = Squares({2, 4});
constexpr TSquareSet CENTRE = Squares({14, 15, 18, 19});
constexpr TSquareSet INNER_RING = Squares({10, 11, 22, 23});
constexpr TSquareSet KING_CENTRE = Squares({10, 11, 14, 15, 18, 19, 22, 23});
constexpr TSquareSet EDGE = Squares({4, 5, 12, 13, 20, 21, 28, 29});
constexpr TSquareSet DOUBLE_CORNERS = Squares({1, 5, 28, 32});

struct TGeometry {
    int8_t Row[SQUARE_COUNT];
    int8_t Column[SQUARE_COUNT];
    // The squares ahead of a man from which an opposing piece could still meet it.
    TSquareSet Cone[SQUARE_COUNT];
    TSquareSet RowSet[8];
};

constexpr TGeometry MakeGeometry()
{
    TGeometry g{};
    for (int p = 0; p < SQUARE_COUNT; ++p) {
        const int row = p / 4;
        g.Row[p] = static_cast<int8_t>(row);
        g.Column[p] = static_cast<int8_t>(row % 2 == 0 ? 2 * (p % 4) + 1 : 2 * (p % 4));
        g.RowSet[row] |= SquareBit(static_cast<unsigned>(p));
    }
    for (int p = 0; p < SQUARE_COUNT; ++p)
        for (int q = 0; q < SQUARE_COUNT; ++q) {
            const int dr = g.Row[q] - g.Row[p];
            const int dc = g.Column[q] > g.Column[p] ? g.Column[q] - g.Column[p] : g.Column[p] - g.Column[q];
            if (dr > 0 && dc <= dr + 1)
                g.Cone[p] |= SquareBit(static_cast<unsigned>(q));
        }
    return g;
}

constexpr TGeometry Geometry = MakeGeometry();

int Count(TSquareSet Set) { return std::popcount(Set); }

// Simple moves toward higher square numbers (a Black man's direction) and toward lower ones.
int MovesDown(TSquareSet Pieces, TSquareSet Empty)
{
    return Count((Pieces >> 4) & Empty) + Count(((Pieces & EVEN_ROWS) >> 5) & ODD_ROWS & Empty) +
           Count(((Pieces & ODD_ROWS) >> 3) & EVEN_ROWS & Empty);
}

int MovesUp(TSquareSet Pieces, TSquareSet Empty)
{
    return Count((Pieces << 4) & Empty) + Count(((Pieces & EVEN_ROWS) << 3) & ODD_ROWS & Empty) +
           Count(((Pieces & ODD_ROWS) << 5) & EVEN_ROWS & Empty);
}

// Everything but material, for one side seen as Black.
int32_t SideTerms(TSquareSet Men, TSquareSet Kings, TSquareSet OppMen, TSquareSet OppKings, int Total,
                  const TExpertWeights& W)
{
    const TSquareSet empty = ~(Men | Kings | OppMen | OppKings);
    int32_t s = 0;
    if (Count(OppMen) >= W.BackMinOpponentMen)
        s += W.BackBridge * Count(Men & BRIDGE) + W.BackOther * Count(Men & BACK_OTHER);
    s += W.Centre * Count(Men & CENTRE) + W.InnerRing * Count(Men & INNER_RING);

    int advance = 0;
    for (int row = 1; row < 8; ++row)
        advance += row * Count(Men & Geometry.RowSet[row]);
    s += advance * (Total <= W.EndgamePieces ? W.AdvanceEnd : W.AdvanceMiddle);

    const TSquareSet opponents = OppMen | OppKings;
    for (TSquareSet m = Men; m != 0; m &= m - 1) {
        const int p = 31 - std::countr_zero(m);
        if ((Geometry.Cone[p] & opponents) == 0)
            s += W.Runaway - W.RunawayStep * (7 - Geometry.Row[p]);
    }

    s += W.Mobility * (MovesDown(Men | Kings, empty) + MovesUp(Kings, empty));
    s += W.KingCentre * Count(Kings & KING_CENTRE) - W.KingEdge * Count(Kings & EDGE);
    return s;
}

int Distance(int A, int B)
{
    return std::max(std::abs(Geometry.Row[A] - Geometry.Row[B]), std::abs(Geometry.Column[A] - Geometry.Column[B]));
}

// What the side ahead loses while the other side's kings sit far from its own or in a double
// corner, from which a king alone cannot be caught: the search then drives them out.
int32_t ChaseTerm(TSquareSet StrongKings, TSquareSet WeakKings, const TExpertWeights& W)
{
    int32_t s = -W.DoubleCorner * Count(WeakKings & DOUBLE_CORNERS);
    for (TSquareSet w = WeakKings; w != 0; w &= w - 1) {
        const int p = 31 - std::countr_zero(w);
        int nearest = 8;
        for (TSquareSet k = StrongKings; k != 0; k &= k - 1)
            nearest = std::min(nearest, Distance(p, 31 - std::countr_zero(k)));
        s -= W.Chase * nearest;
    }
    return s;
}

}  // namespace

int32_t ExpertEvaluate(const TCheckersBoard& Board, const TExpertWeights& W)
{
    const TSquareSet kings = Board.Kings();
    const TSquareSet blackMen = Board.BlackPieces() & ~kings;
    const TSquareSet blackKings = Board.BlackPieces() & kings;
    const TSquareSet whiteMen = Board.WhitePieces() & ~kings;
    const TSquareSet whiteKings = Board.WhitePieces() & kings;
    const int total = Count(Board.BlackPieces() | Board.WhitePieces());

    const int32_t material =
        W.Man * (Count(blackMen) - Count(whiteMen)) + W.King * (Count(blackKings) - Count(whiteKings));
    int32_t s = material + material * W.Trade * (24 - total) / 100;
    s += SideTerms(blackMen, blackKings, whiteMen, whiteKings, total, W);
    s -= SideTerms(Mirror(whiteMen), Mirror(whiteKings), Mirror(blackMen), Mirror(blackKings), total, W);
    if (material > 0 && whiteMen == 0 && blackKings != 0)
        s += ChaseTerm(blackKings, whiteKings, W);
    else if (material < 0 && blackMen == 0 && whiteKings != 0)
        s -= ChaseTerm(whiteKings, blackKings, W);
    return Board.Turn() == PLAYER_WHITE ? -s : s;
}

}  // namespace velk
