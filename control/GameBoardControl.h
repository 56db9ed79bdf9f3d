#pragma once
// The generic board control: everything about playing a two-player board game in a window that
// is not specific to checkers — the current board and the game record, turns, the computer
// player on its solver thread, the turn clock, move entry by clicking, setup mode, game files,
// the private messages that deliver notifications after the operation that caused them, and the
// board's geometry and painting through an off-screen buffer. TCheckers supplies the rules.
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
#include "GameHistory.h"
#include "engine/ExpertStrategy.h"
#include "engine/GameBoard.h"
#include "engine/GameSolver.h"
#include "platform/MessageTarget.h"
#include "platform/Thread.h"

class QHelpEvent;
class QKeyEvent;
class QPainter;

namespace velk {

class TAnimator;

// The control's private messages, numbered from the desktop's user message base.
constexpr uint32_t WM_GB_ANIMATEBEGIN = WM_USER + 3;
constexpr uint32_t WM_GB_ANIMATEEND = WM_USER + 4;
constexpr uint32_t WM_GB_THINK = WM_USER + 5;
constexpr uint32_t WM_GB_GOTO = WM_USER + 6;
constexpr uint32_t WM_GB_BOARDCHANGE = WM_USER + 7;
constexpr uint32_t WM_GB_TURNCHANGE = WM_USER + 8;
constexpr uint32_t WM_GB_HISTORYCHANGE = WM_USER + 9;
constexpr uint32_t WM_GB_SELECTIONCHANGE = WM_USER + 10;
constexpr uint32_t WM_GB_BOARDMODECHANGE = WM_USER + 11;
constexpr uint32_t WM_GB_PAUSESTATECHANGE = WM_USER + 12;
constexpr uint32_t WM_GB_PLAYINGSTATECHANGE = WM_USER + 13;
constexpr uint32_t WM_GB_GAMEENDED = WM_USER + 14;

enum TGameBoardMode : uint8_t { gbmSetup = 0, gbmPlay = 1 };

enum TSelectionOption : uint8_t { soAutoComplete = 0, soAutoPlayStep = 1, soAutoPlayComplete = 2 };
// A set of TSelectionOption, bit n for option n (stored as one byte in settings).
using TSelectionOptions = uint8_t;
constexpr TSelectionOptions SelectionOption(TSelectionOption O) { return static_cast<TSelectionOptions>(1u << O); }
constexpr TSelectionOptions DEFAULT_SELECTION_OPTIONS =
    SelectionOption(soAutoComplete) | SelectionOption(soAutoPlayComplete);

enum TSquareLabel : uint8_t {
    slNone, slCenter, slLeftCenter, slLeftTop, slTopCenter, slRightTop,
    slRightCenter, slRightBottom, slBottomCenter, slLeftBottom
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

    // ---- The board and its record
    TGameBoard& Board() const { return *FBoard; }
    TGameHistory& History() const { return *FHistory; }
    TGameHistoryRec& CurrentMove() const { return *FCurrentMove; }
    TGameSolver& Solver() const { return *FSolver; }
    std::string BoardAsText() const { return FBoard->GetAsText(); }
    void SetBoardAsText(const std::string& Value) { FBoard->SetAsText(Value); }

    uint8_t Turn() const { return FBoard->Turn(); }
    uint8_t FirstPlayer() const { return FHistory->StartBoard().Turn(); }
    int32_t MoveCount() const { return (FHistory->Count() + 1) / 2; }
    int32_t CurrentMoveNumber() const { return FHistory->Position() / 2 + 1; }
    int32_t MoveNumberOf(uint8_t Player) const;
    uint32_t PlayerTime(uint8_t Player) const;
    int Winner() const { return DrawnByRule() ? 0 : FBoard->Winner(); }

    // ---- Record and navigation
    bool CanUndo() const;
    bool Undo();
    bool UndoAll();
    bool CanRedo() const;
    bool Redo();
    bool RedoAll();
    bool HasMove(uint8_t Player, int32_t MoveNo) const;
    bool GoToMove(uint8_t Player, int32_t MoveNo);
    virtual bool GoToPosition(int32_t Index);
    // Asks for the position after Index records, as Undo and Redo do.
    bool ShowPosition(int32_t Index) { return Index >= 0 && Index <= FHistory->Count() && Post(WM_GB_GOTO, Index, 0); }
    virtual const TGameHistoryRec* GetMoveRecord(uint8_t Player, int32_t MoveNo) const;
    // The whole turn in notation; "->" ends a turn that is not finished yet.
    virtual std::string GetMoveText(uint8_t Player, int32_t MoveNo) const;
    uint32_t GetMoveTime(uint8_t Player, int32_t MoveNo) const;
    // The one-line record of the game ("BLACK: ...", "WHITE: ...", "NOT FINISHED: ...").
    std::string GetGameRecordText() const;
    virtual bool TwoDigitsPositions() const { return true; }
    virtual bool CommitMove();
    virtual void ResetHistory();
    // Takes back to the start of the last turn a human played before the shown position: against
    // the computer its reply and the player's move, in a game of two one move, a capture half
    // entered first. Play goes on from there (the record after it can still be redone).
    int32_t TakeBackTarget() const;
    bool CanTakeBack() const { return TakeBackTarget() >= 0; }
    bool TakeBack();

    // ---- Play
    bool IsComputerTurn() const { return (FBoard->Turn() & FComputerPlayer) != 0; }
    bool IsGameOver() const { return FBoard->GameState() != gsPlaying || DrawnByRule(); }
    bool IsDraw() const { return FBoard->GameState() == gsDraw || DrawnByRule(); }
    // The game's draw rule holds at the shown position (only while draws are declared).
    bool DrawnByRule() const { return FDeclareDraws && IsDrawPosition(); }
    virtual bool UpdatePlayingState(bool KeepTime);
    virtual void UpdateTurnClock(bool Reset, bool Accumulate);
    uint32_t TurnTime() const;
    virtual bool CanThink();
    virtual bool StartThinking();
    virtual bool StopThinking(bool Abort);
    bool MoveNow();
    bool CancelThinking();
    virtual void PlayComputerMove(int32_t Index);
    virtual bool PlayMove(int32_t Index);
    virtual void BeginMove();
    virtual void EndMove();
    virtual void NewGame();
    virtual void BeginBoardUpdate();
    virtual void EndBoardUpdate();
    int32_t SuggestMove(int8_t Depth);
    int32_t Evaluate() const { return FBoard->Evaluate(); }
    int32_t EvaluateMove(int32_t Index) const;

    bool Playing() const { return FPlaying; }
    bool Moving() const { return FMoving; }
    bool Thinking() const { return FThinking; }
    bool Animating() const { return FAnimating; }
    bool Paused() const { return FPaused; }
    void SetPaused(bool Value);
    bool AutoPaused() const { return FAutoPaused; }
    uint8_t ComputerPlayer() const { return FComputerPlayer; }
    void SetComputerPlayer(uint8_t Value);
    TGameBoardMode BoardMode() const { return FBoardMode; }
    void SetBoardMode(TGameBoardMode Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    // Whether a repeated position or a long run of king moves ends the game in a draw.
    bool DeclareDraws() const { return FDeclareDraws; }
    void SetDeclareDraws(bool Value);
    bool RecordFullMovesOnly() const { return FRecordFullMovesOnly; }
    void SetRecordFullMovesOnly(bool Value) { FRecordFullMovesOnly = Value; }
    bool AnimateMoves() const { return FAnimateMoves; }
    void SetAnimateMoves(bool Value) { FAnimateMoves = Value; }
    bool Dropping() const { return FDropping; }
    TCursor ThinkCursor() const { return FThinkCursor; }
    void SetThinkCursor(TCursor Value);
    TThreadPriority ThinkPriority() const { return FSolver->Priority(); }
    void SetThinkPriority(TThreadPriority Value) { FSolver->SetPriority(Value); }
    uint8_t SearchDepth() const { return FDepthSearch->Depth(); }
    void SetSearchDepth(uint8_t Value);
    // The Expert level: the computer thinks for a time per move (milliseconds, from
    // EXPERT_MIN_MOVE_TIME_MS to EXPERT_MAX_MOVE_TIME_MS) with the search made for strength
    // instead of to the fixed depth.
    bool Expert() const { return FSearch == FExpertSearch; }
    void SetExpert(bool Value)
    {
        if (Value)
            FSearch = FExpertSearch;
        else
            FSearch = FDepthSearch;
    }
    uint32_t ExpertMoveTime() const { return FExpertSearch->MoveTime(); }
    void SetExpertMoveTime(uint32_t Value)
    {
        FExpertSearch->SetMoveTime(std::clamp(Value, EXPERT_MIN_MOVE_TIME_MS, EXPERT_MAX_MOVE_TIME_MS));
    }
    uint32_t MaxMemory() const { return FDepthSearch->MaxMemory(); }
    void SetMaxMemory(uint32_t Value)
    {
        FDepthSearch->SetMaxMemory(Value);
        FExpertSearch->SetMaxMemory(Value);
    }
    // The Expert level's threads (0: one per core) and whether it plays from its opening book.
    int ExpertThreads() const { return FExpertSearch->Threads(); }
    void SetExpertThreads(int Value) { FExpertSearch->SetThreads(Value); }
    bool UseOpeningBook() const { return FExpertSearch->UseBook(); }
    void SetUseOpeningBook(bool Value) { FExpertSearch->SetUseBook(Value); }
    int32_t NavigationDepth() const { return FNavigationDepth; }
    uint32_t TurnClockTotal() const { return FTurnClockTotal; }

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
    bool CanPlayMoves() const { return !FPaused; }
    virtual int GetPositionMark(int Pos);
    virtual bool IsCompleteMove(const TMovementPath& Path) = 0;
    virtual bool IsMovePrefix(const TMovementPath& Path) = 0;
    virtual bool PlayPath(const TMovementPath& Path) = 0;
    virtual bool CompletePath(TMovementPath& Path) = 0;

    // ---- Setup
    virtual int GetPieceAt(int /*Pos*/) const { return -1; }
    virtual void SetPieceAt(int /*Pos*/, int /*Kind*/) {}
    void SetTurn(uint8_t Player);
    virtual void ClearBoard();

    // ---- Game files
    virtual void SaveToStream(TStream& Stream);
    virtual void LoadFromStream(TStream& Stream);
    virtual void SaveToFile(const std::string& FileName, const std::string& Title);
    virtual void LoadFromFile(const std::string& FileName, const std::string& Title);

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
        crBoardBorder, crBoardMargin, crSquareBorder, crSquareDark, crSquareLight, crSquareDarkSelect,
        crSquareLightSelect, crSquareDarkMark, crSquareLightMark, COLOR_ROLE_COUNT
    };
    enum TPatternRole {
        prSquareDark, prSquareLight, prSquareDarkSelect, prSquareLightSelect, prSquareDarkMark, prSquareLightMark,
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
    TNotifyEvent OnHistoryChange, OnTurnChange, OnBoardChange, OnGameEnded, OnPlayingStateChange,
        OnPauseStateChange, OnBoardModeChange, OnSelectionChange, OnThinkBegin, OnThinkEnd, OnAnimateBegin,
        OnAnimateEnd, OnComputerError, OnMoveBegin, OnMoveEnd, OnSquareResize;
    TMoveVarEvent OnComputerMove;
    // Raw-position handlers; the checkers control raises its square-typed ones first.
    TGenericPositionActionEvent OnGenericPositionClick;
    TGenericPositionInfoTipEvent OnGenericPositionInfoTip;
    TGenericPositionDragOverEvent OnGenericPositionDragOver;
    TGenericPositionDragDropEvent OnGenericPositionDragDrop;
    TNotifyEvent OnGenericPositionDragStart, OnGenericPositionDragEnd;

protected:
    TGameBoardControl(std::unique_ptr<TGameBoard> Board, QWidget* Parent);

    // The game's own draw rule, and the positions the game has had that the search is to score
    // as draws; the generic control knows no such rule.
    virtual bool IsDrawPosition() const { return false; }
    virtual std::vector<uint64_t> PastPositionKeys() const { return {}; }
    // Counts every change of the board or the record, so that what is worked out from them can
    // be kept until the next one.
    uint64_t GameChangeCount() const { return FGameChangeCount; }

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

    // Called for every step the board executes, with the step's two positions.
    virtual void StepPlayed(const TMovementPath& Path);
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
    TGameRecordView RecordView() const;
    // Blocks until the running step animation has been shown, painting its frames meanwhile.
    virtual void WaitForAnimation();
    void BoardChanged();
    void BoardTurnEnded();
    void HistoryChanged();
    void ShowCursor(TCursor Cursor);
    void RepaintNow();

private:
    static void Raise(const TNotifyEvent& Handler, TGameBoardControl* Sender) { if (Handler) Handler(Sender); }
    void Raise(const TNotifyEvent& Handler) { Raise(Handler, this); }
    void HandleClick(int X, int Y);
    // A click on a square, by the mouse or the keyboard.
    void ClickPosition(int Pos);
    void UpdateLastMove();
    void DrawLastMoveMark(QPainter& Canvas, const QRect& Inner);
    void UpdateCursor(int X, int Y, Qt::MouseButtons Buttons);
    uint32_t ElapsedTurnTime() const;
    void StoreCurrentMoveState();
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

    std::unique_ptr<TGameBoard> FBoard;
    std::unique_ptr<TGameHistoryRec> FCurrentMove;
    std::unique_ptr<TGameHistory> FHistory;
    std::unique_ptr<TGameSolver> FSolver;
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
    uint8_t FComputerPlayer = 0;
    bool FPlaying = false;
    bool FMoving = false;
    bool FThinking = false;
    bool FDropping = false;
    bool FPaused = false;
    bool FAutoPaused = false;
    TGameBoardMode FBoardMode = gbmSetup;
    TMovementPath FSelection;
    TSelectionOptions FSelectionOptions = DEFAULT_SELECTION_OPTIONS;
    int32_t FClickPosition = -1;
    // Where the player's last move played by its first click landed, and when: the player's
    // second click, meant for that square, must not move the piece again.
    int32_t FAutoPlayLanding = -1;
    uint32_t FAutoPlayTick = 0;
    static constexpr uint32_t AutoPlayEchoMs = 2000;
    int32_t FBoardUpdateCount = 0;
    uint32_t FTurnClockStart = 0;
    uint32_t FTurnClockTotal = 0;
    bool FModified = false;
    bool FRecordFullMovesOnly = false;
    bool FDeclareDraws = false;
    // What the computer player searches: one of the levels' strategies.
    std::shared_ptr<TFixedDepthStrategy> FDepthSearch = std::make_shared<TFixedDepthStrategy>();
    std::shared_ptr<TExpertStrategy> FExpertSearch = std::make_shared<TExpertStrategy>();
    std::shared_ptr<TSearchStrategy> FSearch = FDepthSearch;
    uint64_t FGameChangeCount = 0;
    int32_t FNavigationDepth = 0;
    std::vector<uint8_t> FThinkingPosition;  // the board the latest search was started on

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
