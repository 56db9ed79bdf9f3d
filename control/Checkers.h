#pragma once
// The checkers board control: the generic control with English draughts on its dark squares.
// Its notifications carry checkers squares (P01 .. P32) instead of raw positions.
#include "GameBoardControl.h"
#include "record/Squares.h"
#include "session/CheckersSession.h"

namespace velk {

class TCheckers : public TGameBoardControl {
public:
    using TPositionActionEvent = std::function<void(TCheckers* Sender, TPosition Pos, bool& Handled)>;
    using TPositionEvent = std::function<void(TCheckers* Sender, TPosition Pos)>;
    using TSimpleMoveEvent = std::function<void(TCheckers* Sender, TPosition SrcPos, TPosition DstPos)>;
    using TAttackMoveEvent =
        std::function<void(TCheckers* Sender, TPosition SrcPos, TPosition DstPos, TPosition JmpPos)>;
    using TPositionDragOverEvent =
        std::function<void(TCheckers* Sender, TPosition Source, TPosition Target, bool& Accept)>;
    using TPositionDragDropEvent = std::function<void(TCheckers* Sender, TPosition Source, TPosition Target)>;
    using TPositionInfoTipEvent = std::function<void(TCheckers* Sender, TPosition Pos, std::string& InfoTip)>;

    explicit TCheckers(QWidget* Parent = nullptr);

    TCheckersSession& CheckersSession() const { return static_cast<TCheckersSession&>(Session()); }
    TCheckersBoard& CheckersBoard() const { return CheckersSession().CheckersBoard(); }

    // Conversions between control positions and checkers squares, as the record makes them.
    static bool PositionToSquare(int Pos, TPosition& Square) { return velk::PositionToSquare(Pos, Square); }
    static int SquareToPosition(TPosition Square) { return velk::SquareToPosition(Square); }
    static bool PathToSquares(const TMovementPath& Path, TCheckersMove& Move)
    {
        return velk::PathToSquares(Path, Move);
    }
    static TMovementPath SquaresToPath(const TCheckersMove& Move) { return velk::SquaresToPath(Move); }

    bool IsValidPosition(int Pos) const override;
    bool CanSelect(int Pos) override;
    bool IsCompleteMove(const TMovementPath& Path) override;
    bool IsMovePrefix(const TMovementPath& Path) override;
    bool PlayPath(const TMovementPath& Path) override;
    bool CompletePath(TMovementPath& Path) override;
    // Shows legal move Index as the selection (the suggestion).
    bool SelectMove(int32_t Index);

    // Piece kinds: 0 red (black) man, 1 red king, 2 white man, 3 white king, -1 none.
    int GetPieceAt(int Pos) const override;
    void SetPieceAt(int Pos, int Kind) override;
    // Setup composes only positions a game can hold, since only those can be saved and opened
    // again: a man put on the row where it would be crowned is a king, and a side never has
    // more than twelve pieces (a thirteenth is refused: false).
    static TPiece SetupPiece(TPosition Square, TPiece Piece) { return TCheckersSession::SetupPiece(Square, Piece); }
    bool PlacePiece(TPosition Square, TPiece Piece) { return CheckersSession().PlacePiece(Square, Piece); }
    std::string GetPositionName(int Pos) const override;

    // Why the game shown is drawn by the rule (None when it is not).
    TDrawReason DrawReason() const { return CheckersSession().DrawReason(); }

    void SetTwoDigitsPositions(bool Value) { Session().SetTwoDigitsPositions(Value); }

    // A bitmap of four piece cells in kind order replacing the built-in sets; null for none.
    const QImage& PiecesBitmap() const { return FPiecesBitmap; }
    void SetPiecesBitmap(const QImage& Value);
    // Loads the piece set for the square size (or the supplied bitmap); true when it reloaded.
    virtual bool LoadPieces();
    int LoadedPieceSize() const { return FLoadedPieceSize; }
    static int PieceSizeFor(int SquareSize);
    // The logical size of a piece's picture on squares of SquareSize, at any size.
    static int PieceCellSize(int SquareSize);
    static constexpr int LARGEST_BITMAP_SQUARE = 75;

    TPositionActionEvent OnPositionClick;
    TPositionInfoTipEvent OnPositionInfoTip;
    TPositionDragOverEvent OnPositionDragOver;
    TPositionDragDropEvent OnPositionDragDrop;
    TNotifyEvent OnPositionDragStart, OnPositionDragEnd;
    TSimpleMoveEvent OnSimpleMove;
    TAttackMoveEvent OnAttackMove;
    TPositionEvent OnPromote;

    // Set by the board's accessible interface when assistive technology first asks for it:
    // until then, nothing is done to tell it of changes.
    void SetAccessibleMade(bool Value) { FAccessibleMade = Value; }

protected:
    void DoPositionClick(int Pos, bool& Handled) override;
    void DoPositionInfoTip(int Pos, std::string& InfoTip) override;
    void DoPositionDragOver(int Source, int Target, bool& Accept) override;
    void DoPositionDragDrop(int Source, int Target) override;
    void DoPositionDragStart() override;
    void DoPositionDragEnd() override;
    void DoSquareResize() override;
    virtual void DoSimpleMove(TPosition SrcPos, TPosition DstPos);
    virtual void DoAttackMove(TPosition SrcPos, TPosition DstPos, TPosition JmpPos);
    virtual void DoPromote(TPosition Pos);
    void DoHistoryChange() override;
    void DoBoardChange() override;
    void DoTurnChange() override;
    void DoGameEnded() override;
    void DoMoveEnd() override;
    void DoSelectionChange() override;
    void DoBoardModeChange() override;
    void DoKeyCursorChange() override;
    // Tells assistive technology what changed on the board, when one is listening.
    void UpdateAccessible();

private:
    QImage FPiecesBitmap;
    int FLoadedPieceSize = 0;
    qreal FLoadedPieceRatio = 1.0;
    bool FAccessibleMade = false;
};

}  // namespace velk
