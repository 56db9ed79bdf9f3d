// Move generation on whole square sets. Moving one row toward higher square numbers is a right
// shift by 3, 4 or 5 bits, toward lower numbers a left shift; the row masks remove every result
// that wrapped into the wrong row. Lists come out in the game's fixed order, which the search,
// the notation and saved games rely on.
#include <bit>

#include "CheckersBoard.h"

namespace velk {

namespace {

enum TDirection { dDownLeft, dDownRight, dUpLeft, dUpRight };
constexpr unsigned DOWN = 1;
constexpr unsigned UP = 2;

struct TJumpTable {
    int8_t Over[SQUARE_COUNT][4];
    int8_t Land[SQUARE_COUNT][4];
};

constexpr int SquareAt(int Row, int Column)
{
    if (Row < 0 || Row > 7 || Column < 0 || Column > 7 || (Row + Column) % 2 == 0)
        return -1;
    return (Column - (Row % 2 == 0 ? 1 : 0)) / 2 + 4 * Row;
}

constexpr TJumpTable MakeJumpTable()
{
    TJumpTable t{};
    constexpr int dRow[4] = {1, 1, -1, -1};
    constexpr int dCol[4] = {-1, 1, -1, 1};
    for (int p = 0; p < SQUARE_COUNT; ++p) {
        const int row = p / 4;
        const int col = row % 2 == 0 ? 2 * (p % 4) + 1 : 2 * (p % 4);
        for (int d = 0; d < 4; ++d) {
            const int over = SquareAt(row + dRow[d], col + dCol[d]);
            const int land = SquareAt(row + 2 * dRow[d], col + 2 * dCol[d]);
            t.Over[p][d] = static_cast<int8_t>(land < 0 ? -1 : over);
            t.Land[p][d] = static_cast<int8_t>(over < 0 ? -1 : land);
        }
    }
    return t;
}

constexpr TJumpTable Jumps = MakeJumpTable();

// Calls Visit(square) for each square of Set, from the highest square number to the lowest.
template <typename F>
inline void ForEachSquare(TSquareSet Set, F Visit)
{
    while (Set != 0) {
        const int bit = std::countr_zero(Set);
        Set &= Set - 1;
        Visit(static_cast<TPosition>(31 - bit));
    }
}

void SimpleDown(TMoveList& List, TSquareSet Pieces, TSquareSet Empty)
{
    ForEachSquare((Pieces >> 4) & Empty, [&](TPosition d) { List.AddSimple(TPosition(d - 4), d); });
    ForEachSquare(((Pieces & EVEN_ROWS) >> 5) & ODD_ROWS & Empty, [&](TPosition d) { List.AddSimple(TPosition(d - 5), d); });
    ForEachSquare(((Pieces & ODD_ROWS) >> 3) & EVEN_ROWS & Empty, [&](TPosition d) { List.AddSimple(TPosition(d - 3), d); });
}

void SimpleUp(TMoveList& List, TSquareSet Pieces, TSquareSet Empty)
{
    ForEachSquare((Pieces << 4) & Empty, [&](TPosition d) { List.AddSimple(TPosition(d + 4), d); });
    ForEachSquare(((Pieces & EVEN_ROWS) << 3) & ODD_ROWS & Empty, [&](TPosition d) { List.AddSimple(TPosition(d + 3), d); });
    ForEachSquare(((Pieces & ODD_ROWS) << 5) & EVEN_ROWS & Empty, [&](TPosition d) { List.AddSimple(TPosition(d + 5), d); });
}

// The landing squares of the first jumps of one pass.
struct TJumpPass {
    TSquareSet Landings;
    int FromOffset;  // source = landing + FromOffset
    int OverOffset;  // jumped = landing + OverOffset
};

inline void JumpPasses(TSquareSet P, TSquareSet Opp, TSquareSet Empty, unsigned Directions, TJumpPass (&Passes)[8])
{
    const TSquareSet even = P & EVEN_ROWS;
    const TSquareSet odd = P & ODD_ROWS;
    for (TJumpPass& pass : Passes)
        pass.Landings = 0;
    if (Directions & DOWN) {
        Passes[0] = {((((even >> 4) & Opp) >> 3) & Empty & EVEN_ROWS), -7, -3};
        Passes[1] = {((((even >> 5) & ODD_ROWS & Opp) >> 4) & Empty), -9, -4};
        Passes[2] = {((((odd >> 3) & EVEN_ROWS & Opp) >> 4) & Empty), -7, -4};
        Passes[3] = {((((odd >> 4) & Opp) >> 5) & ODD_ROWS & Empty), -9, -5};
    }
    if (Directions & UP) {
        Passes[4] = {((((even << 4) & Opp) << 5) & EVEN_ROWS & Empty), 9, 5};
        Passes[5] = {((((even << 3) & ODD_ROWS & Opp) << 4) & Empty), 7, 4};
        Passes[6] = {((((odd << 5) & EVEN_ROWS & Opp) << 4) & Empty), 9, 4};
        Passes[7] = {((((odd << 4) & Opp) << 3) & ODD_ROWS & Empty), 7, 3};
    }
}

struct TJumpSearch {
    TMoveList& List;
    TCheckersMove Path;
    TSquareSet Opponents;  // not yet captured
    TSquareSet Empty;      // the start square and captured squares count as empty
    unsigned Directions;
};

void ContinueJumps(TJumpSearch& S, TPosition From)
{
    bool extended = false;
    // Every capture sequence the geometry allows fits the path; the guard only keeps a
    // hand-made position from ever writing past it.
    if (S.Path.Count < MAX_PATH_SQUARES) {
        for (int d = 0; d < 4; ++d) {
            if (!(S.Directions & (d < 2 ? DOWN : UP)))
                continue;
            const int over = Jumps.Over[From][d];
            if (over < 0)
                continue;
            const int land = Jumps.Land[From][d];
            const TSquareSet overBit = SquareBit(over);
            if (!(S.Opponents & overBit) || !(S.Empty & SquareBit(land)))
                continue;
            extended = true;
            const TCheckersMove saved = S.Path;
            const TSquareSet savedOpp = S.Opponents;
            const TSquareSet savedEmpty = S.Empty;
            S.Path.Squares[S.Path.Count++] = static_cast<TPosition>(land);
            S.Path.Captured |= overBit;
            S.Opponents &= ~overBit;
            S.Empty |= overBit;
            ContinueJumps(S, static_cast<TPosition>(land));
            S.Path = saved;
            S.Opponents = savedOpp;
            S.Empty = savedEmpty;
        }
    }
    if (!extended)
        S.List.AddJump(S.Path);
}

void Captures(TMoveList& List, TSquareSet Pieces, TSquareSet Opp, TSquareSet Empty, unsigned Directions)
{
    TJumpPass passes[8];
    JumpPasses(Pieces, Opp, Empty, Directions, passes);
    for (const TJumpPass& pass : passes) {
        ForEachSquare(pass.Landings, [&](TPosition land) {
            const auto from = static_cast<TPosition>(land + pass.FromOffset);
            const TSquareSet overBit = SquareBit(land + pass.OverOffset);
            TJumpSearch s{List, {}, Opp & ~overBit, Empty | SquareBit(from) | overBit, Directions};
            s.Path.Count = 2;
            s.Path.Squares[0] = from;
            s.Path.Squares[1] = land;
            s.Path.Captured = overBit;
            ContinueJumps(s, land);
        });
    }
}

}  // namespace

bool CanCapture(TSquareSet Pieces, TSquareSet Opponents, TSquareSet Empty, int Direction)
{
    unsigned directions = 0;
    if (Direction >= 0)
        directions |= DOWN;
    if (Direction <= 0)
        directions |= UP;
    TJumpPass passes[8];
    JumpPasses(Pieces, Opponents, Empty, directions, passes);
    TSquareSet any = 0;
    for (const TJumpPass& pass : passes)
        any |= pass.Landings;
    return any != 0;
}

void GenerateMoves(TMoveList& List, TSquareSet BlackPieces, TSquareSet WhitePieces, TSquareSet Kings, uint8_t Side)
{
    List.Clear();
    if (Side != PLAYER_BLACK && Side != PLAYER_WHITE)
        return;
    const TSquareSet empty = ~(BlackPieces | WhitePieces);
    const bool black = Side == PLAYER_BLACK;
    const TSquareSet own = black ? BlackPieces : WhitePieces;
    const TSquareSet opp = black ? WhitePieces : BlackPieces;
    const unsigned forward = black ? DOWN : UP;
    const TSquareSet ownKings = own & Kings;
    const TSquareSet ownMen = own & ~Kings;

    const int forwardSign = black ? 1 : -1;
    if (CanCapture(own, opp, empty, forwardSign) || (ownKings != 0 && CanCapture(ownKings, opp, empty, -forwardSign))) {
        if (ownKings != 0)
            Captures(List, ownKings, opp, empty, DOWN | UP);
        if (ownMen != 0)
            Captures(List, ownMen, opp, empty, forward);
        return;
    }
    if (black) {
        SimpleDown(List, own, empty);
        if (ownKings != 0)
            SimpleUp(List, ownKings, empty);
    } else {
        SimpleUp(List, own, empty);
        if (ownKings != 0)
            SimpleDown(List, ownKings, empty);
    }
}

}  // namespace velk
