#include "CheckersSession.h"

#include <algorithm>
#include <bit>
#include <memory>

#include "platform/Finally.h"
#include "record/Squares.h"

namespace velk {

TCheckersSession::TCheckersSession() : TGameSession(std::make_unique<TCheckersBoard>())
{
    TCheckersBoard& board = CheckersBoard();
    board.OnSimpleMove = [this](TCheckersBoard*, TPosition Src, TPosition Dst) {
        if (OnSimpleMove)
            OnSimpleMove(Src, Dst);
        Stepped(Src, Dst);
    };
    board.OnAttackMove = [this](TCheckersBoard*, TPosition Src, TPosition Dst, TPosition Jmp) {
        if (OnAttackMove)
            OnAttackMove(Src, Dst, Jmp);
        Stepped(Src, Dst);
    };
    board.OnPromote = [this](TCheckersBoard*, TPosition Pos) {
        if (OnPromote)
            OnPromote(Pos);
    };
}

void TCheckersSession::Stepped(TPosition SrcPos, TPosition DstPos)
{
    StepPlayed(TMovementPath{SquareToPosition(SrcPos), SquareToPosition(DstPos)});
}

bool TCheckersSession::PlaySquares(const TCheckersMove& Move)
{
    CheckTime();
    if (!CanPlayMoves() || CheckersBoard().Moves().FindPrefix(Move, -1) < 0)
        return false;
    BeginMove();
    bool result;
    try {
        result = CheckersBoard().MakePath(Move);
    } catch (...) {
        EndMove();
        throw;
    }
    EndMove();
    return result;
}

const TGamePositions& TCheckersSession::GamePositions() const
{
    if (FPositionsChange != GameChangeCount()) {
        FPositionsChange = GameChangeCount();
        const TGameHistory& history = History();
        FPositions.Reset(static_cast<const TCheckersBoard&>(history.StartBoard()));
        TCheckersBoard board;
        for (int32_t i = 0; i < std::min(history.Position(), history.Count()); ++i) {
            const TGameHistoryRec& rec = history.Items(i);
            if (!rec.EndsTurn)
                continue;
            TMemoryStream state(rec.BoardState.Bytes());
            board.LoadFromStream(state);
            FPositions.Push(board);
        }
    }
    return FPositions;
}

bool TCheckersSession::IsDrawPosition() const
{
    // Only at a turn's start: a capture half entered, or browsed, is still the same turn.
    const TGameHistory& history = History();
    const int32_t shown = history.Position();
    if (!CurrentMove().IsEmpty() || BoardMode() != gbmPlay ||
        (shown > 0 && shown <= history.Count() && !history.Items(shown - 1).EndsTurn))
        return false;
    return GamePositions().Drawn();
}

std::vector<uint64_t> TCheckersSession::PastPositionKeys() const { return GamePositions().ReversibleKeys(); }

TPiece TCheckersSession::SetupPiece(TPosition Square, TPiece Piece)
{
    const unsigned row = static_cast<unsigned>(Square) / 4;
    if (Piece == pcBlackMan && row == 7)
        return pcBlackKing;
    if (Piece == pcWhiteMan && row == 0)
        return pcWhiteKing;
    return Piece;
}

bool TCheckersSession::PlacePiece(TPosition Square, TPiece Piece)
{
    TCheckersBoard& board = CheckersBoard();
    Piece = SetupPiece(Square, Piece);
    if (Piece != pcNone) {
        const bool black = Piece == pcBlackMan || Piece == pcBlackKing;
        const TSquareSet others = (black ? board.BlackPieces() : board.WhitePieces()) & ~SquareBit(Square);
        if (std::popcount(others) >= 12)
            return false;
    }
    board.SetSquares(Square, Piece);
    return true;
}

void TCheckersSession::StartBallot(const TBallot& Ballot)
{
    std::vector<std::unique_ptr<TGameHistoryRec>> records = BallotRecords(Ballot);
    {
        // One change of the board: the initial position is never shown on its own.
        BeginBoardUpdate();
        TFinally endUpdate([this] { EndBoardUpdate(); });
        NewGame();
        TGameHistory& history = History();
        THistoryUpdate update(history);
        for (std::unique_ptr<TGameHistoryRec>& rec : records)
            history.Add(std::move(rec));
        history.LoadBoardAt(history.Count(), Board());
    }
    SetModified(false);
}

}  // namespace velk
