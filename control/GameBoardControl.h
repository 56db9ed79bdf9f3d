#pragma once
// The generic board control: a two-player board game shown in a window and played with the mouse
// and the keyboard — the board's geometry and painting through an off-screen buffer, move entry
// by clicking and dragging, the glide of a moved piece, and the private messages that deliver
// notifications after the operation that caused them. The game itself (board, record, turns, the
// computer player, the clock, setup, files) is a TGameSession the control shows and forwards its
// play methods to. TCheckers supplies the rules.
#include <QImage>
#include <QMargins>
#include <QPoint>
#include <QWidget>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "Colors.h"
#include "platform/MessageTarget.h"
#include "platform/Thread.h"
#include "session/GameSession.h"

class QHelpEvent;
class QKeyEvent;
class QPainter;

namespace velk {

class TAnimator;

enum TSelectionOption : uint8_t { soAutoComplete = 0, soAutoPlayStep = 1, soAutoPlayComplete = 2 };
// A set of TSelectionOption, bit n for option n (stored as one byte in settings).
using TSelectionOptions = uint8_t;
constexpr TSelectionOptions SelectionOption(TSelectionOption O) { return static_cast<TSelectionOptions>(1u << O); }
constexpr TSelectionOptions DEFAULT_SELECTION_OPTIONS =
    SelectionOption(soAutoComplete) | SelectionOption(soAutoPlayComplete);

enum TSquareLabel : uint8_t {
    slNone,
    slCenter,
    slLeftCenter,
    slLeftTop,
    slTopCenter,
    slRightTop,
    slRightCenter,
    slRightBottom,
    slBottomCenter,
    slLeftBottom
};

// Cursor ids of the desktop's stock cursors; mapped to Qt shapes in one place.
using TCursor = int16_t;
constexpr TCursor crDefault = 0;
constexpr TCursor crNo = -18;
constexpr TCursor crAppStart = -19;
constexpr TCursor crHourGlass = -11;
constexpr TCursor crHandPoint = -21;
Qt::CursorShape CursorShape(TCursor Cursor);

class TGameBoardControl : public QWidget {
public:
    using TNotifyEvent = std::function<void(TGameBoardControl* Sender)>;
    using TMoveVarEvent = std::function<void(TGameBoardControl* Sender, int32_t& Index)>;
    using TGenericPositionActionEvent = std::function<void(TGameBoardControl* Sender, int Pos, bool& Handled)>;
    using TGenericPositionInfoTipEvent = std::function<void(TGameBoardControl* Sender, int Pos, std::string& InfoTip)>;
    using TGenericPositionDragOverEvent =
        std::function<void(TGameBoardControl* Sender, int Source, int Target, bool& Accept)>;
    using TGenericPositionDragDropEvent = std::function<void(TGameBoardControl* Sender, int Source, int Target)>;

    ~TGameBoardControl() override;

    // ---- Window lifetime: messages reach the control only while its "window" exists.
    void CreateWnd();
    void DestroyWnd();
    bool HandleAllocated() const { return FHandleAllocated; }
    // Thread-safe: queues a private message for the user-interface thread.
    void PostMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam);

    // ---- The game: the session shown, and its methods under the control's names
    TGameSession& Session() const { return *FSession; }
    TGameBoard& Board() const { return FSession->Board(); }
    TGameHistory& History() const { return FSession->History(); }
    TGameHistoryRec& CurrentMove() const { return FSession->CurrentMove(); }
    TGameSolver& Solver() const { return FSession->Solver(); }
    std::string BoardAsText() const { return Board().GetAsText(); }
    void SetBoardAsText(const std::string& Value) { Board().SetAsText(Value); }

    uint8_t Turn() const { return FSession->Turn(); }
    uint8_t FirstPlayer() const { return FSession->FirstPlayer(); }
    int32_t MoveCount() const { return FSession->MoveCount(); }
    int32_t CurrentMoveNumber() const { return FSession->CurrentMoveNumber(); }
    int32_t MoveNumberOf(uint8_t Player) const { return FSession->MoveNumberOf(Player); }
    uint32_t PlayerTime(uint8_t Player) const { return FSession->PlayerTime(Player); }
    int Winner() const { return FSession->Winner(); }

    // ---- Record and navigation
    bool CanUndo() const { return FSession->CanUndo(); }
    bool Undo() { return FSession->Undo(); }
    bool UndoAll() { return FSession->UndoAll(); }
    bool CanRedo() const { return FSession->CanRedo(); }
    bool Redo() { return FSession->Redo(); }
    bool RedoAll() { return FSession->RedoAll(); }
    bool HasMove(uint8_t Player, int32_t MoveNo) const { return FSession->HasMove(Player, MoveNo); }
    bool GoToMove(uint8_t Player, int32_t MoveNo) { return FSession->GoToMove(Player, MoveNo); }
    bool GoToPosition(int32_t Index) { return FSession->GoToPosition(Index); }
    bool ShowPosition(int32_t Index) { return FSession->ShowPosition(Index); }
    const TGameHistoryRec* GetMoveRecord(uint8_t Player, int32_t MoveNo) const
    {
        return FSession->GetMoveRecord(Player, MoveNo);
    }
    std::string GetMoveText(uint8_t Player, int32_t MoveNo) const { return FSession->GetMoveText(Player, MoveNo); }
    uint32_t GetMoveTime(uint8_t Player, int32_t MoveNo) const { return FSession->GetMoveTime(Player, MoveNo); }
    std::string GetGameRecordText() const { return FSession->GetGameRecordText(); }
    bool TwoDigitsPositions() const { return FSession->TwoDigitsPositions(); }
    bool CommitMove() { return FSession->CommitMove(); }
    void ResetHistory() { FSession->ResetHistory(); }
    int32_t TakeBackTarget() const { return FSession->TakeBackTarget(); }
    bool CanTakeBack() const { return FSession->CanTakeBack(); }
    bool TakeBack() { return FSession->TakeBack(); }

    // ---- Play
    bool IsComputerTurn() const { return FSession->IsComputerTurn(); }
    bool IsGameOver() const { return FSession->IsGameOver(); }
    bool IsDraw() const { return FSession->IsDraw(); }
    bool DrawnByRule() const { return FSession->DrawnByRule(); }
    bool UpdatePlayingState(bool KeepTime) { return FSession->UpdatePlayingState(KeepTime); }
    void UpdateTurnClock(bool Reset, bool Accumulate) { FSession->UpdateTurnClock(Reset, Accumulate); }
    uint32_t TurnTime() const { return FSession->TurnTime(); }
    bool CanThink() const { return FSession->CanThink(); }
    bool StartThinking() { return FSession->StartThinking(); }
    bool StopThinking(bool Abort) { return FSession->StopThinking(Abort); }
    bool MoveNow() { return FSession->MoveNow(); }
    bool CancelThinking() { return FSession->CancelThinking(); }
    void PlayComputerMove(int32_t Index) { FSession->PlayComputerMove(Index); }
    bool PlayMove(int32_t Index) { return FSession->PlayMove(Index); }
    void BeginMove() { FSession->BeginMove(); }
    void EndMove() { FSession->EndMove(); }
    void NewGame() { FSession->NewGame(); }
    void BeginBoardUpdate() { FSession->BeginBoardUpdate(); }
    void EndBoardUpdate() { FSession->EndBoardUpdate(); }
    int32_t SuggestMove(int8_t Depth) { return FSession->SuggestMove(Depth); }
    int32_t Evaluate() const { return FSession->Evaluate(); }
    int32_t EvaluateMove(int32_t Index) const { return FSession->EvaluateMove(Index); }

    bool Playing() const { return FSession->Playing(); }
    bool Moving() const { return FSession->Moving(); }
    bool Thinking() const { return FSession->Thinking(); }
    bool Animating() const { return FAnimating; }
    bool Paused() const { return FSession->Paused(); }
    void SetPaused(bool Value) { FSession->SetPaused(Value); }
    bool AutoPaused() const { return FSession->AutoPaused(); }
    uint8_t ComputerPlayer() const { return FSession->ComputerPlayer(); }
    void SetComputerPlayer(uint8_t Value) { FSession->SetComputerPlayer(Value); }
    TGameBoardMode BoardMode() const { return FSession->BoardMode(); }
    void SetBoardMode(TGameBoardMode Value) { FSession->SetBoardMode(Value); }
    bool Modified() const { return FSession->Modified(); }
    void SetModified(bool Value) { FSession->SetModified(Value); }
    // Whether a repeated position or a long run of king moves ends the game in a draw.
    bool DeclareDraws() const { return FSession->DeclareDraws(); }
    void SetDeclareDraws(bool Value) { FSession->SetDeclareDraws(Value); }
    bool RecordFullMovesOnly() const { return FSession->RecordFullMovesOnly(); }
    void SetRecordFullMovesOnly(bool Value) { FSession->SetRecordFullMovesOnly(Value); }
    bool AnimateMoves() const { return FAnimateMoves; }
    void SetAnimateMoves(bool Value) { FAnimateMoves = Value; }
    bool Dropping() const { return FDropping; }
    TCursor ThinkCursor() const { return FThinkCursor; }
    void SetThinkCursor(TCursor Value);
    TThreadPriority ThinkPriority() const { return Solver().Priority(); }
    void SetThinkPriority(TThreadPriority Value) { Solver().SetPriority(Value); }
    uint8_t SearchDepth() const { return FSession->SearchDepth(); }
    void SetSearchDepth(uint8_t Value) { FSession->SetSearchDepth(Value); }
    // The Expert level: the computer thinks for a time per move with the search made for
    // strength instead of to the fixed depth.
    bool Expert() const { return FSession->Expert(); }
    void SetExpert(bool Value) { FSession->SetExpert(Value); }
    uint32_t ExpertMoveTime() const { return FSession->ExpertMoveTime(); }
    void SetExpertMoveTime(uint32_t Value) { FSession->SetExpertMoveTime(Value); }
    uint32_t MaxMemory() const { return FSession->MaxMemory(); }
    void SetMaxMemory(uint32_t Value) { FSession->SetMaxMemory(Value); }
    // The Expert level's threads (0: one per core) and whether it plays from its opening book.
    int ExpertThreads() const { return FSession->ExpertThreads(); }
    void SetExpertThreads(int Value) { FSession->SetExpertThreads(Value); }
    bool UseOpeningBook() const { return FSession->UseOpeningBook(); }
    void SetUseOpeningBook(bool Value) { FSession->SetUseOpeningBook(Value); }
    int32_t NavigationDepth() const { return FSession->NavigationDepth(); }
    uint32_t TurnClockTotal() const { return FSession->TurnClockTotal(); }

    // ---- Move entry and selection (positions are row * 8 + column of the unrotated board)
    const TMovementPath& Selection() const { return FSelection; }
    void SetSelection(const TMovementPath& Path);
    TSelectionOptions SelectionOptions() const { return FSelectionOptions; }
    void SetSelectionOptions(TSelectionOptions Value) { FSelectionOptions = Value; }
    bool HasSelectionOption(TSelectionOption O) const { return (FSelectionOptions & SelectionOption(O)) != 0; }
    int32_t ClickPosition() const { return FClickPosition; }
    virtual bool IsValidPosition(int Pos) const { return Pos >= 0 && Pos < 64; }
    virtual bool IsSelected(int Pos) const;
    virtual bool CanSelect(int Pos);
    virtual bool SelectPosition(int Pos);
    virtual bool UnselectPosition(int Pos);
    virtual void SetSelectionStart(int Pos);
    bool ClearSelection();
    bool CompleteSelection() { return CompletePath(FSelection); }
    bool IsSelectionComplete() { return !FSelection.empty() && IsCompleteMove(FSelection); }
    bool IsSelectionLegal() { return !FSelection.empty() && IsMovePrefix(FSelection); }
    bool PlaySelection();
    // No move reaches the board or the record while the game is paused: the suggestion and a
    // piece carried when the pause began wait for the game to resume.
    bool CanPlayMoves() const { return FSession->CanPlayMoves(); }
    virtual int GetPositionMark(int Pos);
    virtual bool IsCompleteMove(const TMovementPath& Path) = 0;
    virtual bool IsMovePrefix(const TMovementPath& Path) = 0;
    virtual bool PlayPath(const TMovementPath& Path) = 0;
    virtual bool CompletePath(TMovementPath& Path) = 0;

    // ---- Setup
    virtual int GetPieceAt(int /*Pos*/) const { return -1; }
    virtual void SetPieceAt(int /*Pos*/, int /*Kind*/) {}
    void SetTurn(uint8_t Player) { FSession->SetTurn(Player); }
    void ClearBoard() { FSession->ClearBoard(); }

    // ---- Game files
    void SaveToStream(TStream& Stream) { FSession->SaveToStream(Stream); }
    void LoadFromStream(TStream& Stream) { FSession->LoadFromStream(Stream); }
    void SaveToFile(const std::string& FileName, const std::string& Title) { FSession->SaveToFile(FileName, Title); }
    void LoadFromFile(const std::string& FileName, const std::string& Title)
    {
        FSession->LoadFromFile(FileName, Title);
    }

    // ---- Geometry
    static constexpr int RowCount() { return 8; }
    static constexpr int ColCount() { return 8; }
    QSize GetBoardSize(int SquareSize) const;
    int CalcSquareSize(int ClientWidth, int ClientHeight) const;
    static int RowColToPosition(int Row, int Col);
    static bool PositionToRowCol(int Pos, int& Row, int& Col);
    static void RotateRowCol(int& Row, int& Col, int Angle);
    QRect GetSquareRect(int Pos) const;
    int PositionAt(int X, int Y) const;
    static bool IsDarkPosition(int Pos) { return (((Pos / 8) ^ Pos) & 1) == 1; }
    bool IsDarkSquare(int Pos) const { return IsDarkPosition(Pos) != FInvertSquares; }
    virtual std::string GetRowLabel(int Row) const { return std::to_string(Row + 1); }
    virtual std::string GetColLabel(int Col) const { return std::string(1, static_cast<char>('A' + Col)); }
    virtual std::string GetPositionName(int Pos) const;
    virtual void UpdateLayout(bool Force);
    virtual void UpdateBoardPosition();
    void AdjustSize();
    QRect BoardRect() const { return FBoardRect; }
    QRect GridRect() const { return FGridRect; }

    int BoardAngle() const { return FBoardAngle; }
    void SetBoardAngle(int Value);
    bool InvertSquares() const { return FInvertSquares; }
    void SetInvertSquares(bool Value);
    bool Center() const { return FCenter; }
    void SetCenter(bool Value);
    int SquareSize() const { return FSquareSize; }
    void SetSquareSize(int Value);
    bool FixedSquareSize() const { return FFixedSquareSize; }
    void SetFixedSquareSize(bool Value);
    bool AutoSize() const { return FAutoSize; }
    void SetAutoSize(bool Value);
    void SetBoardMargins(int Left, int Top, int Right, int Bottom);
    int BoardMarginLeft() const { return FMargins[0]; }
    int BoardMarginTop() const { return FMargins[1]; }
    int BoardMarginRight() const { return FMargins[2]; }
    int BoardMarginBottom() const { return FMargins[3]; }
    // Room at the control's edges that the board keeps clear of, for what is shown over the
    // control there; the board fits and centres itself in the rest.
    QMargins ReservedMargins() const { return FReserved; }
    void SetReservedMargins(const QMargins& Value);

    // ---- Painting
    enum TColorRole {
        crBoardBorder,
        crBoardMargin,
        crSquareBorder,
        crSquareDark,
        crSquareLight,
        crSquareDarkSelect,
        crSquareLightSelect,
        crSquareDarkMark,
        crSquareLightMark,
        COLOR_ROLE_COUNT
    };
    enum TPatternRole {
        prSquareDark,
        prSquareLight,
        prSquareDarkSelect,
        prSquareLightSelect,
        prSquareDarkMark,
        prSquareLightMark,
        PATTERN_ROLE_COUNT
    };
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TColor RoleColor(TColorRole Role) const { return FColors[Role]; }
    void SetRoleColor(TColorRole Role, TColor Value);
    const QImage& Pattern(TPatternRole Role) const { return FPatterns[Role]; }
    void SetPattern(TPatternRole Role, const QImage& Picture);
    bool MarkSelectableSquares() const { return FMarkSelectableSquares; }
    void SetMarkSelectableSquares(bool Value);
    int MarkerSize() const { return FMarkerSize; }
    void SetMarkerSize(int Value);
    int MarkerOffset() const { return FMarkerOffset; }
    void SetMarkerOffset(int Value);
    // Marks the squares of the move that led to the shown position: where it started, the
    // squares it passed through in a capture and where it landed.
    bool HighlightLastMove() const { return FHighlightLastMove; }
    void SetHighlightLastMove(bool Value);
    bool IsLastMovePosition(int Pos) const { return Pos >= 0 && Pos < 64 && ((FLastMoveMask >> Pos) & 1) != 0; }
    TSquareLabel CoordinatesDisplay() const { return FCoordinatesDisplay; }
    void SetCoordinatesDisplay(TSquareLabel Value);
    int CoordinatesOffset() const { return FCoordinatesOffset; }
    void SetCoordinatesOffset(int Value);
    virtual void RedrawBoard();
    virtual void RedrawSquares(bool Force);
    virtual void RedrawSquare(int Pos, bool Force);
    // Added to a square's mark when the square belongs to the last move.
    static constexpr int LastMoveMark = 0x100;
    // The frame drawn just inside each square of the last move.
    static inline const QColor LastMoveFrameColor{255, 170, 0};
    // Draws one square (colour, outline, pattern, mark, label, piece) on any painter.
    virtual void DrawSquare(QPainter& Canvas, int Pos, const QRect& R, int Image, int Mark);
    // The piece images, one per kind, all of one size.
    const std::vector<QImage>& PieceImages() const { return FPieceImages; }
    virtual void LoadPieceImages(const QImage& Bitmap, int Rows, int Columns);
    // Piece images drawn elsewhere (one per kind, all of one size, at their device pixel ratio).
    void SetPieceImages(std::vector<QImage> Images);
    // Counts square redraws into the buffer, so that tests can see that only changed squares are drawn.
    uint64_t SquareRedrawCount() const { return FSquareRedrawCount; }
    // A copy of the off-screen buffer (board coordinates; device pixels at its device pixel ratio).
    QImage BufferImage() const;
    // The buffer's size in logical pixels.
    QSize BufferSize() const;

    // ---- Drag and drop, tips
    bool AutoDragDrop() const { return FAutoDragDrop; }
    void SetAutoDragDrop(bool Value) { FAutoDragDrop = Value; }
    TCursor DragCursor() const { return FDragCursor; }
    void SetDragCursor(TCursor Value) { FDragCursor = Value; }
    int DragSource() const { return FDragSource; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool Value) { FShowHint = Value; }
    const std::string& Hint() const { return FHint; }
    void SetHint(const std::string& Value) { FHint = Value; }
    // The keyboard's square cursor: arrows move it over the board as it is shown, Space or Enter
    // click the square under it, Esc clears the selection; the mouse hides it. -1 when hidden.
    int KeyCursor() const { return FKeyCursor; }
    void SetKeyCursor(int Pos);
    virtual bool BeginPieceDrag(int X, int Y, bool TestOnly);
    virtual bool CanDropPiece(int Source, int X, int Y);
    virtual bool EndPieceDrag(int X, int Y, bool Validate);

    // ---- Animation
    // Glides the piece on the path's first square along the path (backwards when Reverse);
    // false when an animation or a drag is running or the path has fewer than two squares.
    virtual bool AnimatePath(const TMovementPath& Path, bool Reverse);
    virtual bool StopAnimation();
    TAnimator& Animator() const { return *FAnimator; }
    uint8_t AnimateDelay() const;
    void SetAnimateDelay(uint8_t Value);
    uint8_t AnimateStep() const;
    void SetAnimateStep(uint8_t Value);

    // ---- Notifications
    TNotifyEvent OnHistoryChange, OnTurnChange, OnBoardChange, OnGameEnded, OnPlayingStateChange, OnPauseStateChange,
        OnBoardModeChange, OnSelectionChange, OnThinkBegin, OnThinkEnd, OnAnimateBegin, OnAnimateEnd, OnComputerError,
        OnMoveBegin, OnMoveEnd, OnSquareResize;
    TMoveVarEvent OnComputerMove;
    // Raw-position handlers; the checkers control raises its square-typed ones first.
    TGenericPositionActionEvent OnGenericPositionClick;
    TGenericPositionInfoTipEvent OnGenericPositionInfoTip;
    TGenericPositionDragOverEvent OnGenericPositionDragOver;
    TGenericPositionDragDropEvent OnGenericPositionDragDrop;
    TNotifyEvent OnGenericPositionDragStart, OnGenericPositionDragEnd;

protected:
    TGameBoardControl(std::unique_ptr<TGameSession> Session, QWidget* Parent);

    // Virtual raisers of the notifications.
    virtual void DoPositionClick(int Pos, bool& Handled);
    virtual void DoPositionInfoTip(int Pos, std::string& InfoTip);
    virtual void DoPositionDragOver(int Source, int Target, bool& Accept);
    virtual void DoPositionDragDrop(int Source, int Target);
    virtual void DoPositionDragStart();
    virtual void DoPositionDragEnd();
    virtual void DoSquareResize();
    virtual void DoHistoryChange() { Raise(OnHistoryChange); }
    virtual void DoBoardChange() { Raise(OnBoardChange); }
    virtual void DoTurnChange() { Raise(OnTurnChange); }
    virtual void DoGameEnded() { Raise(OnGameEnded); }
    virtual void DoAnimateBegin() { Raise(OnAnimateBegin); }
    virtual void DoAnimateEnd() { Raise(OnAnimateEnd); }
    virtual void DoThinkBegin() { Raise(OnThinkBegin); }
    virtual void DoThinkEnd() { Raise(OnThinkEnd); }
    virtual void DoComputerError();
    virtual void DoComputerMove(int32_t& Index);
    virtual void DoMoveBegin() { Raise(OnMoveBegin); }
    virtual void DoMoveEnd() { Raise(OnMoveEnd); }
    virtual void DoSelectionChange() { Raise(OnSelectionChange); }
    virtual void DoPlayingStateChange() { Raise(OnPlayingStateChange); }
    virtual void DoBoardModeChange() { Raise(OnBoardModeChange); }
    virtual void DoPauseStateChange() { Raise(OnPauseStateChange); }
    virtual void DoKeyCursorChange() {}

    // The piece to leave out of a square while it is carried or animated, -1 when none.
    virtual int HiddenPiecePosition() const { return FDragSource; }
    bool IsDragging() const { return FDragSource >= 0; }
    // Draws what floats above the board: the piece being carried.
    virtual void PaintOverlay(QPainter& Canvas);

    // Qt plumbing
    bool event(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void showEvent(QShowEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    virtual void HandleMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam);
    // Posts a private message to the control's own window; lost (false) when there is none.
    bool Post(uint32_t Msg, intptr_t WParam, intptr_t LParam);
    // Blocks until the running step animation has been shown, painting its frames meanwhile.
    virtual void WaitForAnimation();
    void ShowCursor(TCursor Cursor);
    void RepaintNow();

private:
    static void Raise(const TNotifyEvent& Handler, TGameBoardControl* Sender)
    {
        if (Handler)
            Handler(Sender);
    }
    void Raise(const TNotifyEvent& Handler) { Raise(Handler, this); }
    void HandleClick(int X, int Y);
    // A click on a square, by the mouse or the keyboard.
    void ClickPosition(int Pos);
    void UpdateLastMove();
    void DrawLastMoveMark(QPainter& Canvas, const QRect& Inner);
    void UpdateCursor(int X, int Y, Qt::MouseButtons Buttons);
    void DrawBoard(QPainter& Canvas, const QRect& R);
    void DrawBorderLabels(QPainter& Canvas, const QRect& R);
    void DrawSquareMark(QPainter& Canvas, int Pos, const QRect& Inner, int Mark);
    void DrawSquareLabel(QPainter& Canvas, int Pos, const QRect& Inner);
    void DrawPiece(QPainter& Canvas, const QRect& Inner, int Image);
    void InvalidateRect(const QRect& R);
    // While a glide shows the frozen screen, the buffer is not what is seen and need not be
    // drawn; once a layout change has stopped the glide, the buffer is shown again at once,
    // before the animation's end message, so it must never be left undrawn.
    bool BufferFrozen() const { return FAnimating && !FAnimationScreen.isNull(); }
    void MovePieceDrag(int X, int Y);
    void EndAnimationScreen();
    QRect GlideArea();
    bool HandleToolTip(QHelpEvent* Event);
    QSize PieceImageSize() const;
    QRect DragImageRect() const;

    // What the worker threads post to. A member of its own rather than the widget itself, so
    // that a worker never makes a virtual call on a control whose destruction has begun.
    class TMessagePort : public IMessageTarget {
    public:
        explicit TMessagePort(TGameBoardControl& Owner) : FOwner(Owner) {}
        void PostMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam) override;

    private:
        TGameBoardControl& FOwner;
    };
    TMessagePort FPort{*this};

    // What the session asks of the control: drawing, the glides, the selection.
    class TSessionView : public ISessionView {
    public:
        explicit TSessionView(TGameBoardControl& Owner) : FOwner(Owner) {}
        void SquaresChanged() override;
        void ShowMoveNow() override;
        void ShowStep(const TMovementPath& Path) override;
        void ShowBrowse(const TMovementPath& Path, bool Reverse) override;
        void StopShowing() override;
        bool Showing() const override;
        void BoardUpdateEnded() override;
        void ClearSelection() override;
        void StepEntered(int Landing) override;

    private:
        TGameBoardControl& FOwner;
    };
    TSessionView FSessionView{*this};

    std::unique_ptr<TGameSession> FSession;
    std::unique_ptr<TAnimator> FAnimator;
    // The screen as it was when the running animation began, with the lifted square empty:
    // painted instead of the buffer until the animation's end has been handled.
    QImage FAnimationScreen;
    int FAnimationImage = -1;
    QRect FLastGlideArea;

    bool FHandleAllocated = false;
    TCursor FThinkCursor = crAppStart;
    TCursor FCursor = crDefault;
    bool FAnimateMoves = true;
    bool FAnimating = false;
    bool FDropping = false;
    TMovementPath FSelection;
    TSelectionOptions FSelectionOptions = DEFAULT_SELECTION_OPTIONS;
    int32_t FClickPosition = -1;
    // Where the player's last move played by its first click landed, and when: the player's
    // second click, meant for that square, must not move the piece again.
    int32_t FAutoPlayLanding = -1;
    uint32_t FAutoPlayTick = 0;
    static constexpr uint32_t AutoPlayEchoMs = 2000;

    // Geometry
    int FBoardAngle = 0;
    bool FInvertSquares = false;
    bool FCenter = true;
    int FSquareSize = 0;
    bool FFixedSquareSize = false;
    bool FAutoSize = false;
    std::array<int, 4> FMargins{0, 0, 0, 0};
    QMargins FReserved;
    // The part of the client area the board may take.
    QRect BoardArea() const { return rect().marginsRemoved(FReserved); }
    QRect FGridRect;
    QRect FBoardRect;
    static constexpr int LabelGap = 5;

    // Painting
    TColor FColor = clBtnFace;
    std::array<TColor, COLOR_ROLE_COUNT> FColors{};
    std::array<QImage, PATTERN_ROLE_COUNT> FPatterns;
    std::array<QImage, PATTERN_ROLE_COUNT> FScaledPatterns;  // at the size of a square, in device pixels
    const QImage& ScaledPattern(TPatternRole Role, QSize Size);
    bool FMarkSelectableSquares = true;
    bool FHighlightLastMove = false;
    uint64_t FLastMoveMask = 0;
    int FKeyCursor = -1;
    int FMarkerSize = 2;
    int FMarkerOffset = 2;
    TSquareLabel FCoordinatesDisplay = slNone;
    int FCoordinatesOffset = 4;
    mutable std::mutex FBufferLock;
    QImage FBuffer;
    struct TSquareCacheEntry {
        int Mark = -1;
        int Image = -2;
    };
    std::array<TSquareCacheEntry, 64> FSquareCache{};
    bool FBoardValid = false;
    bool FSquaresValid = false;
    std::vector<QImage> FPieceImages;
    uint64_t FSquareRedrawCount = 0;

    // Drag and drop, tips
    bool FAutoDragDrop = true;
    TCursor FDragCursor = crHandPoint;
    int FDragSource = -1;
    bool FDragArmed = false;
    QPoint FDragOrigin;
    QPoint FDragPoint;
    QPoint FDragHotSpot;
    int FDragImage = -1;
    bool FShowHint = false;
    std::string FHint;
};

}  // namespace velk
