#include "CheckersBoard.h"

#include <bit>
#include <cstdio>

#include "PositionTable.h"

namespace velk {

namespace {

constexpr TSquareSet ROW0 = 0xF0000000u;  // P01-P04, promotion row of white
constexpr TSquareSet ROW7 = 0x0000000Fu;  // P29-P32, promotion row of black

// A square set with the game's own layout is stored little-endian in a stream.
bool ReadSet(TStream& Stream, uint32_t& Value)
{
    uint8_t b[4];
    if (Stream.Read(b, 4) != 4)
        return false;
    Value = b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
    return true;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Geometry

bool CellToPosition(int Row, int Column, TPosition& P)
{
    if (Row < 0 || Column < 0 || Row > 7 || Column > 7 || (Row + Column) % 2 == 0)
        return false;
    P = static_cast<TPosition>((Column - (Row % 2 == 0 ? 1 : 0)) / 2 + 4 * Row);
    return true;
}

void PositionToCell(TPosition P, int& Row, int& Column)
{
    Row = P / 4;
    Column = Row % 2 == 0 ? 2 * (P % 4) + 1 : 2 * (P % 4);
}

bool JumpedPosition(TPosition Src, TPosition Dst, TPosition& Jumped)
{
    if (Src >= SQUARE_COUNT || Dst >= SQUARE_COUNT)
        return false;
    int r1, c1, r2, c2;
    PositionToCell(Src, r1, c1);
    PositionToCell(Dst, r2, c2);
    if ((r1 - r2 != 2 && r2 - r1 != 2) || (c1 - c2 != 2 && c2 - c1 != 2))
        return false;
    return CellToPosition((r1 + r2) / 2, (c1 + c2) / 2, Jumped);
}

TPositionTable& GlobalPositionTable()
{
    static TPositionTable table;
    return table;
}

// ---------------------------------------------------------------------------------------------
// Squares and change notification

TPiece TCheckersBoard::Squares(unsigned P) const
{
    if (P >= SQUARE_COUNT)
        return pcNone;
    const TSquareSet bit = SquareBit(P);
    if (FBlackPieces & bit)
        return (FKings & bit) ? pcBlackKing : pcBlackMan;
    if (FWhitePieces & bit)
        return (FKings & bit) ? pcWhiteKing : pcWhiteMan;
    return pcNone;
}

void TCheckersBoard::SetSquares(unsigned P, TPiece Value)
{
    if (P >= SQUARE_COUNT || Squares(P) == Value)
        return;
    const TSquareSet bit = SquareBit(P);
    FBlackPieces &= ~bit;
    FWhitePieces &= ~bit;
    FKings &= ~bit;
    if (Value == pcBlackMan || Value == pcBlackKing)
        FBlackPieces |= bit;
    else if (Value == pcWhiteMan || Value == pcWhiteKing)
        FWhitePieces |= bit;
    if (Value == pcWhiteKing || Value == pcBlackKing)
        FKings |= bit;
    Changed();
}

void TCheckersBoard::Changed()
{
    // Every edit but ApplyMove's, which works the key out along with the squares, comes here;
    // edits are rare beside the search's moves, so the key is simply made afresh.
    FKey = ComputeKey();
    // A step of a capture keeps its restricted list of continuations. Any other edit ends the
    // turn's capture, also the one a loaded stream named: the piece it pointed at may be gone.
    if (!FInStep) {
        FLastStepPos = 0;
        FMovesValid = false;
        if (!Announcing())
            FPendingStepPos = 0;
    }
    TGameBoard::Changed();
}

void TCheckersBoard::EndCapture()
{
    FLastStepPos = 0;
    FPendingStepPos = 0;
    FMovesValid = false;
}

void TCheckersBoard::DoTurnEnd()
{
    FLastStepPos = 0;
    FMovesValid = false;
    TGameBoard::DoTurnEnd();
}

void TCheckersBoard::GenerateBoardMoves()
{
    FMovesValid = true;
    GenerateMoves(FMoves, FBlackPieces, FWhitePieces, FKings, FTurn);
    if (FPendingStepPos != 0) {
        // A square beyond the board (only a damaged stream holds one) restricts nothing.
        if (FPendingStepPos < SQUARE_COUNT) {
            TCheckersMove prefix;
            prefix.Count = 1;
            prefix.Squares[0] = static_cast<TPosition>(FPendingStepPos);
            FMoves.Restrict(prefix);
        }
        FPendingStepPos = 0;
    }
}

void TCheckersBoard::NewGame()
{
    EndCapture();  // even when no square changes
    TBoardUpdate update(*this);
    SetTurn(PLAYER_BLACK);
    for (unsigned p = P01; p <= P32; ++p)
        SetSquares(p, p <= P12 ? pcBlackMan : p >= P21 ? pcWhiteMan : pcNone);
}

// ---------------------------------------------------------------------------------------------
// Making moves

void TCheckersBoard::DoPromote(TPosition Pos)
{
    if (OnPromote)
        OnPromote(this, Pos);
}

void TCheckersBoard::DoSimpleMove(TPosition SrcPos, TPosition DstPos)
{
    if (OnSimpleMove)
        OnSimpleMove(this, SrcPos, DstPos);
}

void TCheckersBoard::DoAttackMove(TPosition SrcPos, TPosition DstPos, TPosition JmpPos)
{
    if (OnAttackMove)
        OnAttackMove(this, SrcPos, DstPos, JmpPos);
}

bool TCheckersBoard::MakeStep(TPosition SrcPos, TPosition DstPos)
{
    if (!Moves().HasStep(SrcPos, DstPos))
        return false;
    bool promoted = false;
    {
        FInStep = true;
        struct TStepEnd {
            bool& InStep;
            ~TStepEnd() { InStep = false; }
        } stepEnd{FInStep};

        TPosition jumped;
        if (JumpedPosition(SrcPos, DstPos, jumped)) {
            DoAttackMove(SrcPos, DstPos, jumped);
            SetSquares(jumped, pcNone);
        } else {
            DoSimpleMove(SrcPos, DstPos);
        }
        const TPiece piece = Squares(SrcPos);
        if (DstPos <= P04 && piece == pcWhiteMan) {
            SetSquares(DstPos, pcWhiteKing);
            promoted = true;
        } else if (DstPos >= P29 && piece == pcBlackMan) {
            SetSquares(DstPos, pcBlackKing);
            promoted = true;
        } else {
            SetSquares(DstPos, piece);
        }
        SetSquares(SrcPos, pcNone);
        TCheckersMove step;
        step.Count = 2;
        step.Squares[0] = SrcPos;
        step.Squares[1] = DstPos;
        FMoves.Restrict(step);
        FLastStepPos = DstPos;
        Changed();
    }
    if (promoted)
        DoPromote(DstPos);
    return true;
}

bool TCheckersBoard::MakePath(const TCheckersMove& Move)
{
    if (Move.Count < 2)
        return false;
    for (int i = 0; i + 1 < Move.Count && i + 1 < MAX_PATH_SQUARES; ++i) {
        if (!MakeStep(Move.Squares[i], Move.Squares[i + 1]))
            return false;
        if (Moves().Count() == 0)
            EndTurn();
    }
    return true;
}

bool TCheckersBoard::MakeMove(int32_t Index)
{
    if (Index < 0 || Index >= MoveCount())
        return false;
    const TCheckersMove move = Moves()[Index];
    return MakePath(move);
}

namespace {

// How move M changes the key of a position with Black or White to move, given the opponent's
// pieces and all kings: the mover leaves its square and arrives, crowned on the far row, and
// the pieces it takes leave theirs; only pieces still on the board count, as in ApplyMove (which
// works the key out along with the squares, measurably faster than through this).
inline uint64_t MoveKeyChange(const TCheckersMove& M, bool Black, TSquareSet Opponent, TSquareSet Kings)
{
    const unsigned from = M.Squares[0];
    const unsigned to = M.Squares[M.Count - 1];
    const int man = Black ? KIND_BLACK_MAN : KIND_WHITE_MAN;
    const int king = Black ? KIND_BLACK_KING : KIND_WHITE_KING;
    uint64_t change = TurnKey;
    if (Kings & SquareBit(from))
        change ^= PieceKey(from, king) ^ PieceKey(to, king);
    else
        change ^= PieceKey(from, man) ^ PieceKey(to, (SquareBit(to) & (Black ? ROW7 : ROW0)) ? king : man);
    const int oppMan = Black ? KIND_WHITE_MAN : KIND_BLACK_MAN;
    const int oppKing = Black ? KIND_WHITE_KING : KIND_BLACK_KING;
    for (TSquareSet captured = M.Captured & Opponent; captured != 0; captured &= captured - 1) {
        const unsigned s = 31 - std::countr_zero(captured);
        change ^= PieceKey(s, (Kings & SquareBit(s)) ? oppKing : oppMan);
    }
    return change;
}

}  // namespace

void TCheckersBoard::ApplyMove(TGameBoard& Source, int32_t Index)
{
    auto& src = static_cast<TCheckersBoard&>(Source);
    FMovesValid = false;
    FBlackPieces = src.FBlackPieces;
    FWhitePieces = src.FWhitePieces;
    FKings = src.FKings;
    FTurn = src.FTurn ^ 3;
    uint64_t key = src.FKey ^ TurnKey;

    const TCheckersMove& m = src.FMoves[Index];
    const unsigned from = m.Squares[0];
    const unsigned to = m.Squares[m.Count - 1];
    const TSquareSet fromBit = SquareBit(from);
    const TSquareSet toBit = SquareBit(to);
    const bool black = src.FTurn == PLAYER_BLACK;
    TSquareSet& mover = black ? FBlackPieces : FWhitePieces;
    TSquareSet& opponent = black ? FWhitePieces : FBlackPieces;
    const int man = black ? KIND_BLACK_MAN : KIND_WHITE_MAN;
    const int king = black ? KIND_BLACK_KING : KIND_WHITE_KING;
    const int oppMan = black ? KIND_WHITE_MAN : KIND_BLACK_MAN;
    const int oppKing = black ? KIND_WHITE_KING : KIND_BLACK_KING;

    mover = (mover & ~fromBit) | toBit;
    if (FKings & fromBit) {
        FKings = (FKings & ~fromBit) | toBit;
        key ^= PieceKey(from, king) ^ PieceKey(to, king);
    } else if (toBit & (black ? ROW7 : ROW0)) {
        FKings |= toBit;
        key ^= PieceKey(from, man) ^ PieceKey(to, king);
    } else {
        key ^= PieceKey(from, man) ^ PieceKey(to, man);
    }
    // Only pieces still on the board: a list restricted in the middle of a capture keeps the
    // squares already taken in its captured sets, and they must not touch the key again.
    TSquareSet captured = m.Captured & opponent;
    opponent &= ~captured;
    while (captured != 0) {
        const int bit = std::countr_zero(captured);
        captured &= captured - 1;
        const unsigned s = 31 - bit;
        const TSquareSet sBit = SquareBit(s);
        if (FKings & sBit) {
            FKings &= ~sBit;
            key ^= PieceKey(s, oppKing);
        } else {
            key ^= PieceKey(s, oppMan);
        }
    }
    FKey = key;
}

uint64_t TCheckersBoard::MoveKey(int32_t Index)
{
    const bool black = FTurn == PLAYER_BLACK;
    return FKey ^ MoveKeyChange(Moves()[Index], black, black ? FWhitePieces : FBlackPieces, FKings);
}

bool TCheckersBoard::PrefetchChildEntries(const TPositionTable& Table)
{
    const TMoveList& moves = Moves();
    const bool black = FTurn == PLAYER_BLACK;
    const TSquareSet opponent = black ? FWhitePieces : FBlackPieces;
    for (int32_t i = 0; i < moves.Count(); ++i)
        Table.Prefetch(Table.Slot(FKey ^ MoveKeyChange(moves[i], black, opponent, FKings)));
    return true;
}

int32_t TCheckersBoard::CountReplies(int32_t Index)
{
    const TCheckersMove& m = Moves()[Index];
    const TSquareSet fromBit = SquareBit(m.Squares[0]);
    const TSquareSet toBit = SquareBit(m.Squares[m.Count - 1]);
    const bool black = FTurn == PLAYER_BLACK;
    TSquareSet mover = black ? FBlackPieces : FWhitePieces;
    TSquareSet opponent = black ? FWhitePieces : FBlackPieces;
    TSquareSet kings = FKings;
    const TSquareSet captured = m.Captured & opponent;  // as in ApplyMove
    mover = (mover & ~fromBit) | toBit;
    opponent &= ~captured;
    if (kings & fromBit)
        kings = (kings & ~fromBit) | toBit;
    else if (toBit & (black ? ROW7 : ROW0))
        kings |= toBit;
    kings &= ~captured;
    return velk::CountMoves(black ? mover : opponent, black ? opponent : mover, kings, FTurn ^ 3);
}

// ---------------------------------------------------------------------------------------------
// Evaluation and keys

namespace {

// Material by byte of a square set: byte b (0 = the lowest) holds rows 7-2b and 6-2b, so the
// value of the men on any byte comes from one lookup instead of a pass over the bits.
struct TEvalTables {
    int32_t BlackMen[4][256];
    int32_t WhiteMen[4][256];
    int32_t Kings[256];
};

constexpr TEvalTables MakeEvalTables()
{
    TEvalTables t{};
    for (int b = 0; b < 4; ++b) {
        for (int bits = 0; bits < 256; ++bits) {
            int32_t black = 0, white = 0, kings = 0;
            for (int i = 0; i < 8; ++i) {
                if (!(bits & (1 << i)))
                    continue;
                const int row = 7 - 2 * b - (i >= 4 ? 1 : 0);
                black += 5000 + (1 << row);
                white += 5000 + (1 << (7 - row));
                kings += 7500;
            }
            t.BlackMen[b][bits] = black;
            t.WhiteMen[b][bits] = white;
            t.Kings[bits] = kings;
        }
    }
    return t;
}

constexpr TEvalTables EvalTables = MakeEvalTables();

}  // namespace

int32_t TCheckersBoard::Evaluate() const
{
    const TSquareSet blackMen = FBlackPieces & ~FKings;
    const TSquareSet whiteMen = FWhitePieces & ~FKings;
    const TSquareSet blackKings = FBlackPieces & FKings;
    const TSquareSet whiteKings = FWhitePieces & FKings;
    int32_t s = 0;
    for (int b = 0; b < 4; ++b) {
        const int shift = 8 * b;
        s += EvalTables.BlackMen[b][(blackMen >> shift) & 0xFF] - EvalTables.WhiteMen[b][(whiteMen >> shift) & 0xFF];
        s += EvalTables.Kings[(blackKings >> shift) & 0xFF] - EvalTables.Kings[(whiteKings >> shift) & 0xFF];
    }
    return FTurn == PLAYER_WHITE ? -s : s;
}

uint64_t TCheckersBoard::ComputeKey() const
{
    uint64_t key = FTurn == PLAYER_BLACK ? TurnKey : 0;
    for (unsigned p = 0; p < SQUARE_COUNT; ++p) {
        switch (Squares(p)) {
        case pcWhiteMan: key ^= PieceKey(p, KIND_WHITE_MAN); break;
        case pcWhiteKing: key ^= PieceKey(p, KIND_WHITE_KING); break;
        case pcBlackMan: key ^= PieceKey(p, KIND_BLACK_MAN); break;
        case pcBlackKing: key ^= PieceKey(p, KIND_BLACK_KING); break;
        default: break;
        }
    }
    return key;
}

// ---------------------------------------------------------------------------------------------
// Streams and text

void TCheckersBoard::SaveToStream(TStream& Stream) const
{
    TGameBoard::SaveToStream(Stream);
    Stream.WriteU32(FBlackPieces);
    Stream.WriteU32(FWhitePieces);
    Stream.WriteU32(FKings);
    Stream.WriteU32(FLastStepPos);
}

void TCheckersBoard::LoadFromStream(TStream& Stream)
{
    TBoardUpdate update(*this);
    TGameBoard::LoadFromStream(Stream);
    ReadSet(Stream, FBlackPieces);
    ReadSet(Stream, FWhitePieces);
    ReadSet(Stream, FKings);
    // Read last, after the Changed that ends any earlier restriction; a short stream has none.
    uint32_t pending = 0;
    ReadSet(Stream, pending);
    Changed();
    FPendingStepPos = pending;
}

std::string TCheckersBoard::GetAsText() const
{
    static constexpr char letters[8] = {' ', 'w', 'b', ' ', ' ', 'W', 'B', ' '};
    std::string text(SQUARE_COUNT, ' ');
    for (unsigned p = 0; p < SQUARE_COUNT; ++p)
        text[p] = letters[Squares(p)];
    return text;
}

void TCheckersBoard::SetAsText(const std::string& Text)
{
    EndCapture();  // even when no square changes
    TBoardUpdate update(*this);
    bool exhausted = false;
    for (unsigned p = 0; p < SQUARE_COUNT; ++p) {
        const char c = (!exhausted && p < Text.size()) ? Text[p] : '\0';
        exhausted = exhausted || c == '\0';
        switch (c) {
        case 'B': SetSquares(p, pcBlackKing); break;
        case 'W': SetSquares(p, pcWhiteKing); break;
        case 'b': SetSquares(p, pcBlackMan); break;
        case 'w': SetSquares(p, pcWhiteMan); break;
        default: SetSquares(p, pcNone); break;
        }
    }
}

void TCheckersBoard::GetReport(std::string& Diagram, std::string& MoveList)
{
    static constexpr char cells[8] = {'-', 'w', 'b', '-', '-', 'W', 'B', '-'};
    Diagram.clear();
    for (int row = 0; row < 8; ++row) {
        if (row > 0)
            Diagram += "\r\n";
        std::string numbers;
        for (int col = 0; col < 8; ++col) {
            if (col > 0)
                Diagram += ' ';
            TPosition p;
            if (CellToPosition(row, col, p)) {
                Diagram += cells[Squares(p)];
                numbers += PositionToText(p, true);
            } else {
                Diagram += '.';
                numbers += "  ";
            }
        }
        Diagram += "\t\t";
        Diagram += numbers;
    }
    MoveList.clear();
    const TMoveList& moves = Moves();
    for (int32_t i = 0; i < moves.Count(); ++i) {
        if (i > 0)
            MoveList += "\r\n";
        MoveList += std::to_string(i + 1) + ") " + PathToText(moves[i], true);
    }
}

std::string PositionProblem(TSquareSet Black, TSquareSet White, TSquareSet Kings)
{
    constexpr int MAX_PIECES = 12;
    constexpr TSquareSet WHITE_CROWNING_ROW = 0xF0000000u;  // squares 1 to 4
    constexpr TSquareSet BLACK_CROWNING_ROW = 0x0000000Fu;  // squares 29 to 32
    for (const auto& [pieces, colour] : {std::pair{Black, "black"}, std::pair{White, "white"}})
        if (std::popcount(pieces) > MAX_PIECES)
            return std::to_string(std::popcount(pieces)) + " " + colour + " pieces (at most " +
                   std::to_string(MAX_PIECES) + " expected)";
    const TSquareSet crowned[2] = {Black & ~Kings & BLACK_CROWNING_ROW, White & ~Kings & WHITE_CROWNING_ROW};
    for (int side = 0; side < 2; ++side)
        if (crowned[side] != 0)
            return std::string("a ") + (side == 0 ? "black" : "white") + " man on square " +
                   std::to_string(std::countl_zero(crowned[side]) + 1) + ", the row where it would have been crowned";
    return {};
}

std::string PositionToText(TPosition Pos, bool TwoDigits)
{
    if (Pos >= SQUARE_COUNT)
        return "?";
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, TwoDigits ? "%2.2u" : "%u", static_cast<unsigned>(Pos) + 1);
    return buffer;
}

std::string PathToText(const TCheckersMove& Move, bool TwoDigits, char Separator)
{
    std::string text;
    for (int i = 0; i < Move.Count && i < MAX_PATH_SQUARES; ++i) {
        if (i > 0)
            text += Separator;
        text += PositionToText(Move.Squares[i], TwoDigits);
    }
    return text;
}

}  // namespace velk
