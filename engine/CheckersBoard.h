#pragma once
// English draughts on the 32 playable squares: square sets, the ordered list of legal moves,
// the three ways of making a move, text forms, evaluation and the position key.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "GameBoard.h"
#include "PositionKeys.h"

namespace velk {

// The playable squares P01 .. P32 (ordinals 0 .. 31); row 0 is Black's back row.
enum TPosition : uint8_t {
    P01,
    P02,
    P03,
    P04,
    P05,
    P06,
    P07,
    P08,
    P09,
    P10,
    P11,
    P12,
    P13,
    P14,
    P15,
    P16,
    P17,
    P18,
    P19,
    P20,
    P21,
    P22,
    P23,
    P24,
    P25,
    P26,
    P27,
    P28,
    P29,
    P30,
    P31,
    P32
};
constexpr int SQUARE_COUNT = 32;
// Stands for a position that is no square, as a damaged record may name; texts show it as "?".
constexpr TPosition NO_SQUARE = static_cast<TPosition>(SQUARE_COUNT);

using TPiece = uint8_t;
constexpr TPiece pcNone = 0;
constexpr TPiece pcWhiteMan = 1;
constexpr TPiece pcBlackMan = 2;
constexpr TPiece pcWhiteKing = 5;
constexpr TPiece pcBlackKing = 6;

constexpr uint8_t PLAYER_WHITE = 1;
constexpr uint8_t PLAYER_BLACK = 2;

// A square set: square p is bit 31 - p.
using TSquareSet = uint32_t;
constexpr TSquareSet EVEN_ROWS = 0xF0F0F0F0u;
constexpr TSquareSet ODD_ROWS = 0x0F0F0F0Fu;
constexpr TSquareSet SquareBit(unsigned p) { return 0x80000000u >> p; }
// The squares in a set. std::popcount is a library call on a processor without the
// instruction (the package targets the baseline x86-64), and the Expert search counts squares
// at every node: this stays inline either way.
constexpr int SquareCount(TSquareSet Set)
{
#if defined(__POPCNT__)
    return __builtin_popcount(Set);
#else
    Set = Set - ((Set >> 1) & 0x55555555u);
    Set = (Set & 0x33333333u) + ((Set >> 2) & 0x33333333u);
    Set = (Set + (Set >> 4)) & 0x0F0F0F0Fu;
    return static_cast<int>((Set * 0x01010101u) >> 24);
#endif
}
// The board turned half round: square p becomes square 31 - p (the bits reversed), so that
// White's pieces stand where Black's would.
constexpr TSquareSet TurnedRound(TSquareSet Set)
{
    Set = ((Set >> 1) & 0x55555555u) | ((Set & 0x55555555u) << 1);
    Set = ((Set >> 2) & 0x33333333u) | ((Set & 0x33333333u) << 2);
    Set = ((Set >> 4) & 0x0F0F0F0Fu) | ((Set & 0x0F0F0F0Fu) << 4);
    Set = ((Set >> 8) & 0x00FF00FFu) | ((Set & 0x00FF00FFu) << 8);
    return (Set >> 16) | (Set << 16);
}

// The square Steps diagonal steps from Square (0 .. 31) in Direction: 0 down-left, 1 down-right,
// 2 up-left, 3 up-right ("down" toward higher square numbers, the way Black's men go); -1 when
// that is off the board. The move generator's jumps and the endgame tables' moves both start here.
constexpr int DiagonalSquare(int Square, int Direction, int Steps)
{
    const int row = Square / 4;
    const int col = row % 2 == 0 ? 2 * (Square % 4) + 1 : 2 * (Square % 4);
    const int r = row + (Direction < 2 ? Steps : -Steps);
    const int c = col + (Direction % 2 == 0 ? -Steps : Steps);
    return r < 0 || r > 7 || c < 0 || c > 7 ? -1 : 4 * r + c / 2;
}

// A simple step of every piece of Set, Shift (3, 4 or 5) squares toward higher square numbers
// (down the board, Black's way) or lower ones (up, White's way). A step is a shift of the set:
// by 4 from every row, by 5 down or 3 up only from the rows where that is a diagonal neighbour,
// by 3 down or 5 up only from the others; the row masks take out what wrapped into a wrong row.
constexpr TSquareSet StepDown(TSquareSet Set, int Shift)
{
    switch (Shift) {
    case 4: return Set >> 4;
    case 5: return ((Set & EVEN_ROWS) >> 5) & ODD_ROWS;
    default: return ((Set & ODD_ROWS) >> 3) & EVEN_ROWS;
    }
}

constexpr TSquareSet StepUp(TSquareSet Set, int Shift)
{
    switch (Shift) {
    case 4: return Set << 4;
    case 3: return ((Set & EVEN_ROWS) << 3) & ODD_ROWS;
    default: return ((Set & ODD_ROWS) << 5) & EVEN_ROWS;
    }
}

bool CellToPosition(int Row, int Column, TPosition& P);
void PositionToCell(TPosition P, int& Row, int& Column);
bool JumpedPosition(TPosition Src, TPosition Dst, TPosition& Jumped);

constexpr int MAX_PATH_SQUARES = 10;

// What no game can reach and no one may compose, whatever the position came from (a game file,
// PDN, a FEN): more than twelve pieces of a side, or a man on the row where it would have been
// crowned. Empty when the pieces are fine, else the fault, e.g. "13 black pieces (at most 12)".
std::string PositionProblem(TSquareSet Black, TSquareSet White, TSquareSet Kings);

struct TCheckersMove {
    uint8_t Count = 0;
    TPosition Squares[MAX_PATH_SQUARES] = {};
    TSquareSet Captured = 0;

    TPosition From() const { return Squares[0]; }
    TPosition To() const { return Squares[Count - 1]; }
};

class TMoveList {
public:
    TMoveList() = default;
    TMoveList(const TMoveList&) = delete;
    TMoveList& operator=(const TMoveList&) = delete;

    int32_t Count() const { return FCount; }
    int32_t Capacity() const { return FCapacity; }
    const TCheckersMove& operator[](int32_t Index) const { return FItems[Index]; }

    void Clear() { FCount = 0; }
    void SetCapacity(int32_t Value);
    void GetMove(int32_t Index, TCheckersMove& Move) const;
    void AddSimple(TPosition Src, TPosition Dst)
    {
        TCheckersMove& m = Append();
        m.Count = 2;
        m.Squares[0] = Src;
        m.Squares[1] = Dst;
        m.Captured = 0;
    }
    void AddJump(const TCheckersMove& Move);
    void Restrict(const TCheckersMove& Prefix);
    int32_t IndexOf(const TCheckersMove& Move) const;
    bool Contains(const TCheckersMove& Move) const { return IndexOf(Move) >= 0; }
    int32_t FindPrefix(const TCheckersMove& Path, int32_t After) const;
    bool HasStep(TPosition Src, TPosition Dst) const;
    bool Complete(TCheckersMove& Path) const;

private:
    TCheckersMove& Append()
    {
        if (FCount == FCapacity)
            SetCapacity(FCapacity + 20);
        return FItems[FCount++];
    }

    std::unique_ptr<TCheckersMove[]> FItems;
    int32_t FCount = 0;
    int32_t FCapacity = 0;
};

// True when a piece of Pieces can jump an opponent: Direction > 0 downward, < 0 upward, 0 both.
bool CanCapture(TSquareSet Pieces, TSquareSet Opponents, TSquareSet Empty, int Direction);
// Fills List with the legal moves of Side (1 white, 2 black) in the game's fixed order.
void GenerateMoves(TMoveList& List, TSquareSet BlackPieces, TSquareSet WhitePieces, TSquareSet Kings, uint8_t Side);
// The length of that list, and whether it has any move, without writing it.
int32_t CountMoves(TSquareSet BlackPieces, TSquareSet WhitePieces, TSquareSet Kings, uint8_t Side);
bool HasMoves(TSquareSet BlackPieces, TSquareSet WhitePieces, TSquareSet Kings, uint8_t Side);
// Whether Side must capture, which makes every move of its list a capture.
bool HasCapture(TSquareSet BlackPieces, TSquareSet WhitePieces, TSquareSet Kings, uint8_t Side);

// "09" or "9"; NO_SQUARE reads "?".
std::string PositionToText(TPosition Pos, bool TwoDigits = true);
// The squares of Move with Separator between them: "09-13", or "9x18x27" as PDN writes captures.
std::string PathToText(const TCheckersMove& Move, bool TwoDigits = true, char Separator = '-');

// The table every checkers search of the process shares.
TPositionTable& GlobalPositionTable();

class TCheckersBoard final : public TGameBoard {
public:
    using TPositionEvent = std::function<void(TCheckersBoard* Sender, TPosition Pos)>;
    using TSimpleMoveEvent = std::function<void(TCheckersBoard* Sender, TPosition SrcPos, TPosition DstPos)>;
    using TAttackMoveEvent =
        std::function<void(TCheckersBoard* Sender, TPosition SrcPos, TPosition DstPos, TPosition JmpPos)>;

    TCheckersBoard() = default;

    TSquareSet BlackPieces() const { return FBlackPieces; }
    TSquareSet WhitePieces() const { return FWhitePieces; }
    TSquareSet Kings() const { return FKings; }
    // The position key (ComputeKey), kept up to date by every change of the board.
    uint64_t Key() const { return FKey; }
    uint32_t LastStepPos() const { return FLastStepPos; }
    uint32_t PendingStepPos() const { return FPendingStepPos; }
    bool InStep() const { return FInStep; }

    TPiece Squares(unsigned P) const;
    void SetSquares(unsigned P, TPiece Value);

    const TMoveList& Moves()
    {
        if (!FMovesValid)
            GenerateBoardMoves();
        return FMoves;
    }

    void Changed() override;
    void DoTurnEnd() override;
    int PlayerCount() const override { return 2; }
    int32_t MoveCount() override { return Moves().Count(); }
    // The list's length or whether it is empty, from the square sets when the list is not
    // there yet: counting the last ply of a tree, or asking a leaf whether the game is over,
    // needs no list. A capture in progress restricts the list, so it is then asked instead.
    int32_t CountMoves()
    {
        return FMovesValid || FPendingStepPos != 0 ? Moves().Count()
                                                   : velk::CountMoves(FBlackPieces, FWhitePieces, FKings, FTurn);
    }
    // CountMoves of the position that move Index leads to, without making the move.
    int32_t CountReplies(int32_t Index);
    bool HasMoves() override
    {
        return FMovesValid || FPendingStepPos != 0 ? Moves().Count() > 0
                                                   : velk::HasMoves(FBlackPieces, FWhitePieces, FKings, FTurn);
    }
    std::string GetAsText() const override;
    void SetAsText(const std::string& Text) override;
    uint32_t BranchingFactor() const override { return 4; }
    uint64_t PositionKey() const override { return FKey; }
    int32_t Evaluate() const override;
    TPositionTable& PositionTable() const override { return GlobalPositionTable(); }
    void ApplyMove(TGameBoard& Source, int32_t Index) override;
    bool PrefetchChildEntries(const TPositionTable& Table) override;
    // The key of the position move Index leads to, without making the move.
    uint64_t MoveKey(int32_t Index);
    std::unique_ptr<TGameBoard> Create() const override { return std::make_unique<TCheckersBoard>(); }
    void SaveToStream(TStream& Stream) const override;
    void LoadFromStream(TStream& Stream) override;
    void GetReport(std::string& Diagram, std::string& MoveList) override;
    void NewGame() override;
    bool MakeMove(int32_t Index) override;

    void DoPromote(TPosition Pos);
    void DoSimpleMove(TPosition SrcPos, TPosition DstPos);
    void DoAttackMove(TPosition SrcPos, TPosition DstPos, TPosition JmpPos);
    bool MakeStep(TPosition SrcPos, TPosition DstPos);
    bool MakePath(const TCheckersMove& Move);

    // The key by its definition, from the squares and the side to move.
    uint64_t ComputeKey() const;

    TPositionEvent OnPromote;
    TSimpleMoveEvent OnSimpleMove;
    TAttackMoveEvent OnAttackMove;

private:
    void GenerateBoardMoves();
    // Forgets the capture in progress and its restricted move list.
    void EndCapture();

    TSquareSet FBlackPieces = 0;
    TSquareSet FWhitePieces = 0;
    TSquareSet FKings = 0;
    TMoveList FMoves;
    bool FInStep = false;
    bool FMovesValid = false;
    uint64_t FKey = 0;
    uint32_t FLastStepPos = 0;
    uint32_t FPendingStepPos = 0;
};

}  // namespace velk
