#pragma once
// A game of English draughts as it is played: the generic session with the checkers board, its
// draw rule, moves entered as paths of squares, and setup that composes only positions a game
// can hold.
#include <functional>

#include "GameSession.h"
#include "engine/CheckersBoard.h"
#include "engine/DrawRule.h"
#include "record/Ballots.h"

namespace velk {

class TCheckersSession : public TGameSession {
public:
    TCheckersSession();

    TCheckersBoard& CheckersBoard() const { return static_cast<TCheckersBoard&>(Board()); }

    // Plays the move (or the first steps of a capture) that Move's squares make; false when
    // they make none or the game is paused.
    bool PlaySquares(const TCheckersMove& Move);
    // Why the game shown is drawn by the rule (None when it is not).
    TDrawReason DrawReason() const { return DrawnByRule() ? GamePositions().Reason() : TDrawReason::None; }

    // A man put on the row where it would be crowned is a king, and a side never has more than
    // twelve pieces (a thirteenth is refused: false).
    static TPiece SetupPiece(TPosition Square, TPiece Piece);
    bool PlacePiece(TPosition Square, TPiece Piece);

    // A new game from the initial position with the ballot's moves played and recorded as its
    // first turns (no time spent), so that the record, undo and take-back hold them; it plays
    // on from there at once, as NewGame does. A ballot whose moves do not lead to its position
    // raises EBallotError before anything changes.
    void StartBallot(const TBallot& Ballot);

    // Each step the board makes, as it makes it (before the session records and shows it).
    std::function<void(TPosition SrcPos, TPosition DstPos)> OnSimpleMove;
    std::function<void(TPosition SrcPos, TPosition DstPos, TPosition JmpPos)> OnAttackMove;
    std::function<void(TPosition Pos)> OnPromote;

    std::vector<uint64_t> PastPositionKeys() const override;

protected:
    bool IsDrawPosition() const override;

private:
    void Stepped(TPosition SrcPos, TPosition DstPos);
    // The positions of the game up to the one shown, one per whole turn, worked out again only
    // after the board or the record changed.
    const TGamePositions& GamePositions() const;
    mutable TGamePositions FPositions;
    mutable uint64_t FPositionsChange = ~uint64_t{0};
};

}  // namespace velk
