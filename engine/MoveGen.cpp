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

constexpr TJumpTable MakeJumpTable()
{
    TJumpTable t{};
    for (int p = 0; p < SQUARE_COUNT; ++p) {
        for (int d = 0; d < 4; ++d) {
            const int over = DiagonalSquare(p, d, 1);
            const int land = DiagonalSquare(p, d, 2);
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
    ForEachSquare(StepDown(Pieces, 4) & Empty, [&](TPosition d) { List.AddSimple(TPosition(d - 4), d); });
    ForEachSquare(StepDown(Pieces, 5) & Empty, [&](TPosition d) { List.AddSimple(TPosition(d - 5), d); });
    ForEachSquare(StepDown(Pieces, 3) & Empty, [&](TPosition d) { List.AddSimple(TPosition(d - 3), d); });
}

void SimpleUp(TMoveList& List, TSquareSet Pieces, TSquareSet Empty)
{
    ForEachSquare(StepUp(Pieces, 4) & Empty, [&](TPosition d) { List.AddSimple(TPosition(d + 4), d); });
    ForEachSquare(StepUp(Pieces, 3) & Empty, [&](TPosition d) { List.AddSimple(TPosition(d + 3), d); });
    ForEachSquare(StepUp(Pieces, 5) & Empty, [&](TPosition d) { List.AddSimple(TPosition(d + 5), d); });
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

// All the landing squares of first jumps at once, without telling the passes apart: enough to
// learn whether a capture is due.
inline TSquareSet LandingsDown(TSquareSet P, TSquareSet Opp, TSquareSet Empty)
{
    const TSquareSet even = P & EVEN_ROWS;
    const TSquareSet odd = P & ODD_ROWS;
    return (((((even >> 4) & Opp) >> 3) & EVEN_ROWS) | ((((even >> 5) & ODD_ROWS & Opp) >> 4)) |
            ((((odd >> 3) & EVEN_ROWS & Opp) >> 4)) | ((((odd >> 4) & Opp) >> 5) & ODD_ROWS)) &
           Empty;
}

inline TSquareSet LandingsUp(TSquareSet P, TSquareSet Opp, TSquareSet Empty)
{
    const TSquareSet even = P & EVEN_ROWS;
    const TSquareSet odd = P & ODD_ROWS;
    return (((((even << 4) & Opp) << 5) & EVEN_ROWS) | ((((even << 3) & ODD_ROWS & Opp) << 4)) |
            ((((odd << 5) & EVEN_ROWS & Opp) << 4)) | ((((odd << 4) & Opp) << 3) & ODD_ROWS)) &
           Empty;
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

// The number of ways a capture goes on from From, each complete sequence counted as its own move,
// exactly as ContinueJumps lists them; Length is the number of squares on the path so far.
int32_t CountJumps(TPosition From, TSquareSet Opponents, TSquareSet Empty, unsigned Directions, int Length)
{
    int32_t count = 0;
    if (Length < MAX_PATH_SQUARES) {
        for (int d = 0; d < 4; ++d) {
            if (!(Directions & (d < 2 ? DOWN : UP)))
                continue;
            const int over = Jumps.Over[From][d];
            if (over < 0)
                continue;
            const int land = Jumps.Land[From][d];
            const TSquareSet overBit = SquareBit(over);
            if ((Opponents & overBit) && (Empty & SquareBit(land)))
                count += CountJumps(static_cast<TPosition>(land), Opponents & ~overBit, Empty | overBit, Directions,
                                    Length + 1);
        }
    }
    return count == 0 ? 1 : count;
}

// The captures of one set of passes, each complete sequence counted as its own move.
int32_t CountCaptures(const TJumpPass (&Passes)[8], TSquareSet Opp, TSquareSet Empty, unsigned Directions)
{
    int32_t count = 0;
    for (const TJumpPass& pass : Passes) {
        ForEachSquare(pass.Landings, [&](TPosition land) {
            const auto from = static_cast<TPosition>(land + pass.FromOffset);
            const TSquareSet overBit = SquareBit(land + pass.OverOffset);
            count += CountJumps(land, Opp & ~overBit, Empty | SquareBit(from) | overBit, Directions, 2);
        });
    }
    return count;
}

// Without a library call where the processor baseline lacks a population count instruction.
constexpr int32_t BitCount(TSquareSet Set)
{
    Set = Set - ((Set >> 1) & 0x55555555u);
    Set = (Set & 0x33333333u) + ((Set >> 2) & 0x33333333u);
    return static_cast<int32_t>((((Set + (Set >> 4)) & 0x0F0F0F0Fu) * 0x01010101u) >> 24);
}

// The steps of Down and Up pieces: the 3- and 5-shifts of one direction land on rows of
// opposite parity, so no square is in both and one count serves them.
inline int32_t CountSteps(TSquareSet Down, TSquareSet Up, TSquareSet Empty)
{
    int32_t count = BitCount(StepDown(Down, 4) & Empty) + BitCount((StepDown(Down, 3) | StepDown(Down, 5)) & Empty);
    if (Up != 0)
        count += BitCount(StepUp(Up, 4) & Empty) + BitCount((StepUp(Up, 3) | StepUp(Up, 5)) & Empty);
    return count;
}

}  // namespace

bool CanCapture(TSquareSet Pieces, TSquareSet Opponents, TSquareSet Empty, int Direction)
{
    return (Direction >= 0 && LandingsDown(Pieces, Opponents, Empty) != 0) ||
           (Direction <= 0 && LandingsUp(Pieces, Opponents, Empty) != 0);
}

bool HasCapture(TSquareSet BlackPieces, TSquareSet WhitePieces, TSquareSet Kings, uint8_t Side)
{
    if (Side != PLAYER_BLACK && Side != PLAYER_WHITE)
        return false;
    const bool black = Side == PLAYER_BLACK;
    const TSquareSet own = black ? BlackPieces : WhitePieces;
    const TSquareSet opp = black ? WhitePieces : BlackPieces;
    const TSquareSet empty = ~(BlackPieces | WhitePieces);
    const TSquareSet ownKings = own & Kings;
    const int forwardSign = black ? 1 : -1;
    return CanCapture(own, opp, empty, forwardSign) ||
           (ownKings != 0 && CanCapture(ownKings, opp, empty, -forwardSign));
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

    if (HasCapture(BlackPieces, WhitePieces, Kings, Side)) {
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

int32_t CountMoves(TSquareSet BlackPieces, TSquareSet WhitePieces, TSquareSet Kings, uint8_t Side)
{
    if (Side != PLAYER_BLACK && Side != PLAYER_WHITE)
        return 0;
    const bool black = Side == PLAYER_BLACK;
    const TSquareSet empty = ~(BlackPieces | WhitePieces);
    const TSquareSet own = black ? BlackPieces : WhitePieces;
    const TSquareSet opp = black ? WhitePieces : BlackPieces;
    const TSquareSet down = black ? own : own & Kings;
    const TSquareSet up = black ? own & Kings : own;
    if ((LandingsDown(down, opp, empty) | LandingsUp(up, opp, empty)) == 0)
        return CountSteps(down, up, empty);
    const unsigned forward = black ? DOWN : UP;
    TJumpPass kings[8], men[8];
    JumpPasses(own & Kings, opp, empty, DOWN | UP, kings);
    JumpPasses(own & ~Kings, opp, empty, forward, men);
    int32_t count = CountCaptures(kings, opp, empty, DOWN | UP);
    TSquareSet menLandings = 0;
    for (const TJumpPass& pass : men)
        menLandings |= pass.Landings;
    // A man's capture can only go on forward, away from the squares it emptied, so when no
    // landing square has a jump ahead each first jump is a whole move.
    if (CanCapture(menLandings, opp, empty, black ? 1 : -1))
        return count + CountCaptures(men, opp, empty, forward);
    for (const TJumpPass& pass : men)
        count += BitCount(pass.Landings);
    return count;
}

bool HasMoves(TSquareSet BlackPieces, TSquareSet WhitePieces, TSquareSet Kings, uint8_t Side)
{
    if (Side != PLAYER_BLACK && Side != PLAYER_WHITE)
        return false;
    const TSquareSet empty = ~(BlackPieces | WhitePieces);
    const bool black = Side == PLAYER_BLACK;
    const TSquareSet own = black ? BlackPieces : WhitePieces;
    const TSquareSet opp = black ? WhitePieces : BlackPieces;
    const TSquareSet down = black ? own : own & Kings;
    const TSquareSet up = black ? own & Kings : own;
    // Either kind suffices: a capture is compulsory but still a move, and a step is one when
    // no capture exists.
    TSquareSet reach = 0;
    for (const int shift : {3, 4, 5})
        reach |= StepDown(down, shift) | StepUp(up, shift);
    return (reach & empty) != 0 || CanCapture(down, opp, empty, 1) || CanCapture(up, opp, empty, -1);
}

}  // namespace velk
