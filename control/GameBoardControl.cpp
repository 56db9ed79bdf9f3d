// The control's lifetime, its private messages, and the play state machine: turns, the
// computer player, pause, the turn clock, moves and the end of the game.
#include "GameBoardControl.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

#include "Animator.h"
#include "GameFile.h"
#include "platform/Clock.h"
#include "platform/FileStream.h"
#include "platform/Finally.h"
#include "platform/Random.h"

namespace velk {

namespace {

// The animator's new frame: only the glide's area is painted again. It travels as a control
// message, like the animator's other news, rather than as a queued functor call.
constexpr uint32_t WM_GB_ANIMATEFRAME = WM_USER + 64;

// A private message: the number and the two parameters a worker thread or the control posts.
class TControlMessage : public QEvent {
public:
    static QEvent::Type EventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    TControlMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam)
        : QEvent(EventType()), Msg(Msg), WParam(WParam), LParam(LParam)
    {
    }

    const uint32_t Msg;
    const intptr_t WParam;
    const intptr_t LParam;
};

std::vector<uint8_t> StreamForm(const TGameBoard& Board)
{
    TMemoryStream stream;
    Board.SaveToStream(stream);
    return stream.Bytes();
}

}  // namespace

Qt::CursorShape CursorShape(TCursor Cursor)
{
    switch (Cursor) {
    case crAppStart: return Qt::BusyCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crNo: return Qt::ForbiddenCursor;
    default: return Qt::ArrowCursor;
    }
}

TGameBoardControl::TGameBoardControl(std::unique_ptr<TGameBoard> Board, QWidget* Parent)
    : QWidget(Parent), FBoard(std::move(Board))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);  // the keyboard plays too
    resize(400, 400);

    FBoard->OnChange = [this](TGameBoard*) { BoardChanged(); };
    FBoard->OnTurnEnd = [this](TGameBoard*) { BoardTurnEnded(); };
    FCurrentMove = std::make_unique<TGameHistoryRec>();
    FHistory = std::make_unique<TGameHistory>(*FBoard);
    FHistory->OnChange = [this](TGameHistory*) { HistoryChanged(); };
    FSolver = std::make_unique<TGameSolver>();
    FAnimator = std::make_unique<TAnimator>();
    FAnimator->OnFrame = [this] {
        PostMessage(WM_GB_ANIMATEFRAME, 0, 0);
    };

    FColors = {clBlack, clWhite, clBlack, clBlack, clWhite, clRed, clRed, clRed, clRed};
    FSquareSize = std::max(1, CalcSquareSize(400, 400));
}

TGameBoardControl::~TGameBoardControl()
{
    DestroyWnd();
    // Nothing that is torn down below may call back into a half-destroyed control.
    FHistory->OnChange = nullptr;
    FBoard->OnChange = nullptr;
    FBoard->OnTurnEnd = nullptr;
    FAnimator.reset();
    FSolver.reset();
}

// ---------------------------------------------------------------------------------------------
// Window lifetime and messages

void TGameBoardControl::CreateWnd()
{
    if (FHandleAllocated)
        return;
    FHandleAllocated = true;
    FSolver->SetWindow(&FPort);
    FAnimator->SetWindow(&FPort);
    AdjustSize();
    RedrawBoard();
    UpdatePlayingState(true);
}

void TGameBoardControl::DestroyWnd()
{
    if (!FHandleAllocated)
        return;
    StopAnimation();
    FAnimator->SetWindow(nullptr);
    FSolver->SetWindow(nullptr);
    FHandleAllocated = false;
    // Messages queued for a window die with it.
    QCoreApplication::removePostedEvents(this, TControlMessage::EventType());
    UpdatePlayingState(true);
    // The stopped search's end message was dropped with the window; nothing thinks any more.
    StopThinking(true);
    FThinking = false;
    FAnimating = false;
    ShowCursor(crDefault);
}

void TGameBoardControl::showEvent(QShowEvent* Event)
{
    CreateWnd();
    QWidget::showEvent(Event);
}

void TGameBoardControl::PostMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    QCoreApplication::postEvent(this, new TControlMessage(Msg, WParam, LParam));
}

void TGameBoardControl::TMessagePort::PostMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    FOwner.PostMessage(Msg, WParam, LParam);
}

bool TGameBoardControl::Post(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    if (!FHandleAllocated)
        return false;
    PostMessage(Msg, WParam, LParam);
    return true;
}

bool TGameBoardControl::event(QEvent* Event)
{
    if (Event->type() == TControlMessage::EventType()) {
        const auto* m = static_cast<TControlMessage*>(Event);
        HandleMessage(m->Msg, m->WParam, m->LParam);
        return true;
    }
    if (Event->type() == QEvent::ToolTip)
        return HandleToolTip(static_cast<QHelpEvent*>(Event));
    return QWidget::event(Event);
}

void TGameBoardControl::HandleMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    switch (Msg) {
    case WM_GB_THINKBEGIN:
        FThinking = true;
        ShowCursor(FThinkCursor);
        DoThinkBegin();
        break;
    case WM_GB_THINKEND: {
        FThinking = false;
        ShowCursor(crDefault);
        DoThinkEnd();
        // An answer for a position the board no longer shows (the search finished just before
        // the board changed, its message still queued) would play a move of another position.
        // The position is kept: when the computer was handed the side again before the stopped
        // search's message came in, the search started since then still needs it.
        const bool current = FThinkingPosition == StreamForm(*FBoard);
        if ((LParam & 0xFF) != STOP_ABORT && current)
            PlayComputerMove(static_cast<int32_t>(WParam));
        break;
    }
    case WM_GB_ANIMATEFRAME:
        update(GlideArea());
        break;
    case WM_GB_ANIMATEBEGIN:
        FAnimating = true;
        DoAnimateBegin();
        break;
    case WM_GB_ANIMATEEND:
        FAnimating = false;
        EndAnimationScreen();
        if (!FMoving) {
            // A layout change stopped the animation and could not draw the board meanwhile.
            if (!FBoardValid)
                RedrawBoard();
            else
                RedrawSquares(true);
            UpdateTurnClock(false, false);
        }
        DoAnimateEnd();
        break;
    case WM_GB_THINK:
        StartThinking();
        break;
    case WM_GB_GOTO:
        if (!FAnimating && FNavigationDepth < 1) {
            GoToPosition(static_cast<int32_t>(WParam));
        } else {
            StopAnimation();
            Post(WM_GB_GOTO, WParam, 0);
        }
        break;
    case WM_GB_BOARDCHANGE: DoBoardChange(); break;
    case WM_GB_TURNCHANGE: DoTurnChange(); break;
    case WM_GB_HISTORYCHANGE: DoHistoryChange(); break;
    case WM_GB_SELECTIONCHANGE: DoSelectionChange(); break;
    case WM_GB_BOARDMODECHANGE: DoBoardModeChange(); break;
    case WM_GB_PAUSESTATECHANGE: DoPauseStateChange(); break;
    case WM_GB_PLAYINGSTATECHANGE: DoPlayingStateChange(); break;
    case WM_GB_GAMEENDED: DoGameEnded(); break;
    default: break;
    }
}

void TGameBoardControl::ShowCursor(TCursor Cursor)
{
    if (Cursor == FCursor)
        return;
    FCursor = Cursor;
    if (Cursor == crDefault)
        unsetCursor();
    else
        setCursor(CursorShape(Cursor));
}

void TGameBoardControl::SetThinkCursor(TCursor Value)
{
    FThinkCursor = Value;
    if (FThinking && !IsDragging())
        ShowCursor(Value);
}

// ---------------------------------------------------------------------------------------------
// Notifications raised directly

void TGameBoardControl::DoPositionClick(int Pos, bool& Handled)
{
    if (OnGenericPositionClick)
        OnGenericPositionClick(this, Pos, Handled);
}

void TGameBoardControl::DoPositionInfoTip(int Pos, std::string& InfoTip)
{
    if (OnGenericPositionInfoTip)
        OnGenericPositionInfoTip(this, Pos, InfoTip);
}

void TGameBoardControl::DoPositionDragOver(int Source, int Target, bool& Accept)
{
    if (OnGenericPositionDragOver)
        OnGenericPositionDragOver(this, Source, Target, Accept);
}

void TGameBoardControl::DoPositionDragDrop(int Source, int Target)
{
    if (OnGenericPositionDragDrop)
        OnGenericPositionDragDrop(this, Source, Target);
}

void TGameBoardControl::DoPositionDragStart() { Raise(OnGenericPositionDragStart); }
void TGameBoardControl::DoPositionDragEnd() { Raise(OnGenericPositionDragEnd); }
void TGameBoardControl::DoSquareResize() { Raise(OnSquareResize); }

void TGameBoardControl::DoComputerMove(int32_t& Index)
{
    if (OnComputerMove)
        OnComputerMove(this, Index);
}

void TGameBoardControl::DoComputerError()
{
    if (OnComputerError) {
        OnComputerError(this);
        return;
    }
    const int32_t n = FBoard->MoveCount();
    if (n > 0)
        PlayMove(static_cast<int32_t>(GlobalRandom().Next(static_cast<uint32_t>(n))));
}

// ---------------------------------------------------------------------------------------------
// Play state

bool TGameBoardControl::UpdatePlayingState(bool KeepTime)
{
    const bool playing = FHandleAllocated && !FPaused && FBoardMode == gbmPlay && !IsGameOver();
    if (playing == FPlaying)
        return false;
    FPlaying = playing;
    if (playing) {
        Post(WM_GB_PLAYINGSTATECHANGE, 0, 0);
        Post(WM_GB_THINK, 0, 0);
        UpdateTurnClock(!KeepTime, false);
    } else {
        UpdateTurnClock(!KeepTime, KeepTime);
        StopThinking(true);
        Post(WM_GB_PLAYINGSTATECHANGE, 0, 0);
    }
    RedrawSquares(false);
    return true;
}

void TGameBoardControl::SetPaused(bool Value)
{
    FAutoPaused = false;
    if (Value == FPaused)
        return;
    FPaused = Value;
    Post(WM_GB_PAUSESTATECHANGE, 0, 0);
    UpdatePlayingState(true);
}

void TGameBoardControl::SetComputerPlayer(uint8_t Value)
{
    if (Value >= 4 || Value == FComputerPlayer)
        return;
    const bool wasComputerTurn = IsComputerTurn();
    FComputerPlayer = Value;
    const bool isComputerTurn = IsComputerTurn();
    if (wasComputerTurn == isComputerTurn)
        return;
    ClearSelection();
    RedrawSquares(false);
    if (isComputerTurn) {
        UpdateTurnClock(true, false);
        StartThinking();
    } else {
        StopThinking(true);
    }
}

void TGameBoardControl::SetDeclareDraws(bool Value)
{
    if (Value == FDeclareDraws)
        return;
    FDeclareDraws = Value;
    // A drawn position may go on without the rule, or end with it.
    UpdatePlayingState(true);
    Post(WM_GB_TURNCHANGE, 0, 0);
}

void TGameBoardControl::SetSearchDepth(uint8_t Value)
{
    FDepthSearch->SetDepth(std::clamp<uint8_t>(Value, 1, MAX_SEARCH_DEPTH));
}

void TGameBoardControl::UpdateTurnClock(bool Reset, bool Accumulate)
{
    const uint32_t now = GetTickCount();
    if (Reset)
        FTurnClockTotal = 0;
    if (Accumulate)
        FTurnClockTotal += now - FTurnClockStart;
    FTurnClockStart = now;
}

uint32_t TGameBoardControl::ElapsedTurnTime() const
{
    if (!FPlaying && IsGameOver())
        return 0;
    if (!FPlaying || (FAnimating && !FMoving))
        return FTurnClockTotal;
    return FTurnClockTotal + (GetTickCount() - FTurnClockStart);
}

uint32_t TGameBoardControl::TurnTime() const
{
    if (!FPlaying && IsGameOver())
        return 0;
    uint32_t time = ElapsedTurnTime();
    const TGameHistory& history = *FHistory;
    for (int32_t i = history.Position() - 1; i >= 0 && i < history.Count() && !history.Items(i).EndsTurn; --i)
        time += history.Items(i).Duration;
    return time;
}

bool TGameBoardControl::CanThink()
{
    return FPlaying && IsComputerTurn() && !FSolver->Busy();
}

bool TGameBoardControl::StartThinking()
{
    if (!CanThink())
        return false;
    FThinkingPosition = StreamForm(*FBoard);
    std::vector<uint64_t> past = FDeclareDraws ? PastPositionKeys() : std::vector<uint64_t>();
    return FSolver->Start(*FBoard, std::move(past), FSearch);
}

bool TGameBoardControl::StopThinking(bool Abort)
{
    if (!FSolver->Busy())
        return false;
    FSolver->Stop(Abort ? STOP_ABORT : STOP_HURRY);
    return true;
}

bool TGameBoardControl::MoveNow()
{
    return FPlaying && IsComputerTurn() && StopThinking(false);
}

bool TGameBoardControl::CancelThinking()
{
    return FPlaying && IsComputerTurn() && StopThinking(true);
}

void TGameBoardControl::PlayComputerMove(int32_t Index)
{
    if (FPaused || FBoardMode != gbmPlay || !IsComputerTurn())
        return;
    DoComputerMove(Index);
    if (!PlayMove(Index))
        DoComputerError();
}

bool TGameBoardControl::PlayMove(int32_t Index)
{
    if (Index < 0 || Index >= FBoard->MoveCount() || !CanPlayMoves())
        return false;
    BeginMove();
    bool result;
    try {
        result = FBoard->MakeMove(Index);
    } catch (...) {
        EndMove();
        throw;
    }
    EndMove();
    return result;
}

void TGameBoardControl::BeginMove()
{
    FMoving = true;
    RedrawSquares(false);
    DoMoveBegin();
}

void TGameBoardControl::StoreCurrentMoveState()
{
    FCurrentMove->BoardState.Clear();
    FBoard->SaveToStream(FCurrentMove->BoardState);
    FCurrentMove->BoardState.SetPosition(0);
    FCurrentMove->Duration = ElapsedTurnTime();
}

void TGameBoardControl::EndMove()
{
    FMoving = false;
    RedrawSquares(false);
    RepaintNow();
    if (!FCurrentMove->IsEmpty()) {
        StoreCurrentMoveState();
        if (FRecordFullMovesOnly)
            Post(WM_GB_HISTORYCHANGE, 0, 0);
        else
            CommitMove();
    }
    DoMoveEnd();
    if (FAutoPaused)
        SetPaused(false);
    else
        UpdatePlayingState(false);
    if (IsGameOver()) {
        FHistory->SetFinished(true);
        Post(WM_GB_GAMEENDED, 0, 0);
    } else {
        Post(WM_GB_THINK, 0, 0);
    }
}

void TGameBoardControl::StepPlayed(const TMovementPath& Path)
{
    FCurrentMove->AddPath(Path);
    if (!IsComputerTurn() && !Path.empty())
        SetSelectionStart(Path.back());
    if (FAnimateMoves && !FDropping && AnimatePath(Path, false))
        WaitForAnimation();
}

void TGameBoardControl::BoardTurnEnded()
{
    if (FPlaying && FMoving) {
        StoreCurrentMoveState();
        FCurrentMove->EndsTurn = true;
        CommitMove();
        ClearSelection();
    }
    Post(WM_GB_TURNCHANGE, 0, 0);
}

void TGameBoardControl::BoardChanged()
{
    ++FGameChangeCount;
    StopThinking(true);
    FModified = true;
    if (!FMoving) {
        ClearSelection();
        FCurrentMove->Clear();
        UpdateTurnClock(true, false);
    }
    RedrawSquares(false);
    Post(WM_GB_BOARDCHANGE, 0, 0);
    if (FBoardMode == gbmPlay && !FMoving) {
        Post(WM_GB_TURNCHANGE, 0, 0);
        // The search this change aborted must not leave the computer idle on its turn when
        // the game goes on playing (a new game, a position written as text): it thinks again.
        Post(WM_GB_THINK, 0, 0);
    }
}

void TGameBoardControl::HistoryChanged()
{
    ++FGameChangeCount;
    UpdateTurnClock(true, false);
    // The last move's marks follow the record: a new game clears them after its board is drawn.
    RedrawSquares(false);
    Post(WM_GB_HISTORYCHANGE, 0, 0);
}

void TGameBoardControl::NewGame()
{
    FBoard->NewGame();
    ResetHistory();
    SetBoardMode(gbmPlay);
    FModified = false;
    // A new game starts playing: neither a pause set by browsing the old record nor one the
    // player chose carries into it.
    if (FPaused)
        SetPaused(false);
    UpdatePlayingState(false);
}

void TGameBoardControl::BeginBoardUpdate()
{
    ++FBoardUpdateCount;
    FBoard->BeginUpdate();
}

void TGameBoardControl::EndBoardUpdate()
{
    FBoard->EndUpdate();
    if (FBoardUpdateCount > 0 && --FBoardUpdateCount == 0) {
        if (!FBoardValid)
            RedrawBoard();
        else if (!FSquaresValid)
            RedrawSquares(true);
    }
}

int32_t TGameBoardControl::SuggestMove(int8_t Depth)
{
    if (IsComputerTurn() || IsGameOver())
        return -1;
    const int depth = Depth < 0 ? SearchDepth() : std::min<int>(Depth, MAX_SEARCH_DEPTH);
    if (depth == 0)
        return -1;
    // The table is shared by every search of the process: no solver search may run beside it.
    StopThinking(true);
    const std::vector<uint64_t> past = FDeclareDraws ? PastPositionKeys() : std::vector<uint64_t>();
    return FBoard->Solve(static_cast<uint8_t>(depth), MaxMemory(), nullptr, past.empty() ? nullptr : &past);
}

int32_t TGameBoardControl::EvaluateMove(int32_t Index) const
{
    if (Index < 0 || Index >= FBoard->MoveCount())
        return 0;
    const std::unique_ptr<TGameBoard> board = FBoard->Create();
    board->ApplyMove(*FBoard, Index);
    return -board->Evaluate();
}

// ---------------------------------------------------------------------------------------------
// The record and navigation

TGameRecordView TGameBoardControl::RecordView() const
{
    return TGameRecordView{*FHistory, *FCurrentMove, FBoard->Turn(), TwoDigitsPositions()};
}

int32_t TGameBoardControl::MoveNumberOf(uint8_t Player) const
{
    return RecordView().MoveNumberOf(Player);
}

uint32_t TGameBoardControl::PlayerTime(uint8_t Player) const
{
    return RecordView().PlayerTime(Player, Player == FBoard->Turn() ? TurnTime() : 0);
}

bool TGameBoardControl::CanUndo() const
{
    return FHistory->Position() > 0 || !FCurrentMove->IsEmpty();
}

bool TGameBoardControl::Undo()
{
    if (!CanUndo())
        return false;
    return Post(WM_GB_GOTO, FCurrentMove->IsEmpty() ? FHistory->Position() - 1 : FHistory->Position(), 0);
}

bool TGameBoardControl::UndoAll()
{
    return CanUndo() && Post(WM_GB_GOTO, 0, 0);
}

bool TGameBoardControl::CanRedo() const
{
    return FHistory->Position() < FHistory->Count();
}

bool TGameBoardControl::Redo()
{
    return CanRedo() && Post(WM_GB_GOTO, FHistory->Position() + 1, 0);
}

bool TGameBoardControl::RedoAll()
{
    return CanRedo() && Post(WM_GB_GOTO, FHistory->Count(), 0);
}

bool TGameBoardControl::HasMove(uint8_t Player, int32_t MoveNo) const
{
    return FHistory->IndexOfMove(Player, MoveNo) >= 0;
}

bool TGameBoardControl::GoToMove(uint8_t Player, int32_t MoveNo)
{
    const int32_t index = FHistory->IndexOfMove(Player, MoveNo);
    return index >= 0 && Post(WM_GB_GOTO, index, 0);
}

const TGameHistoryRec* TGameBoardControl::GetMoveRecord(uint8_t Player, int32_t MoveNo) const
{
    return RecordView().GetMoveRecord(Player, MoveNo);
}

std::string TGameBoardControl::GetMoveText(uint8_t Player, int32_t MoveNo) const
{
    return RecordView().GetMoveText(Player, MoveNo);
}

uint32_t TGameBoardControl::GetMoveTime(uint8_t Player, int32_t MoveNo) const
{
    return RecordView().GetMoveTime(Player, MoveNo);
}

std::string TGameBoardControl::GetGameRecordText() const
{
    return RecordView().GameRecordText(IsGameOver(), Winner());
}

bool TGameBoardControl::CommitMove()
{
    if (FCurrentMove->IsEmpty())
        return false;
    auto rec = std::make_unique<TGameHistoryRec>();
    rec->Assign(*FCurrentMove);
    FCurrentMove->Clear();
    FHistory->Add(std::move(rec));
    return true;
}

void TGameBoardControl::ResetHistory()
{
    StopAnimation();
    FCurrentMove->Clear();
    THistoryUpdate update(*FHistory);
    FHistory->Clear();
    FHistory->StartBoard().Assign(*FBoard);
}

int32_t TGameBoardControl::TakeBackTarget() const
{
    const TGameHistory& history = *FHistory;
    if (FBoardMode != gbmPlay)
        return -1;
    if (!FCurrentMove->IsEmpty())
        return history.Position();
    // Walk back over turn starts to the first one where a human is to move.
    for (int32_t i = history.Position() - 1; i >= 0; --i) {
        if (i > 0 && !history.Items(i - 1).EndsTurn)
            continue;
        const auto& state = i == 0 ? std::vector<uint8_t>() : history.Items(i - 1).BoardState.Bytes();
        const uint8_t turn = i == 0 ? history.StartBoard().Turn() : (state.empty() ? 0 : state[0]);
        if ((turn & FComputerPlayer) == 0)
            return i;
    }
    return -1;
}

bool TGameBoardControl::TakeBack()
{
    const int32_t target = TakeBackTarget();
    return target >= 0 && Post(WM_GB_GOTO, target, 0);
}

bool TGameBoardControl::GoToPosition(int32_t Index)
{
    TGameHistory& history = *FHistory;
    if (Index < 0 || Index > history.Count() || (Index == history.Position() && FCurrentMove->IsEmpty()))
        return false;
    ++FNavigationDepth;
    TFinally leave([this] { --FNavigationDepth; });
    if (!FPaused) {
        SetPaused(true);
        FAutoPaused = true;
    }
    {
        BeginBoardUpdate();
        TFinally endUpdate([this] { EndBoardUpdate(); });
        const uint8_t turn = FBoard->Turn();
        if (FAnimateMoves) {
            const int32_t position = history.Position();
            if (Index == position)
                AnimatePath(FCurrentMove->Path, true);
            else if (position == Index + 1)
                AnimatePath(history.Items(Index).Path, true);
            else if (position == Index - 1)
                AnimatePath(history.Items(Index - 1).Path, false);
        }
        history.LoadBoardAt(Index, *FBoard);
        if (FBoard->Turn() != turn)
            Post(WM_GB_TURNCHANGE, 0, 0);
        if (Index == history.Position())
            Post(WM_GB_HISTORYCHANGE, 0, 0);
        else
            history.SetPosition(Index);
    }
    if (FAutoPaused && !(IsComputerTurn() && history.Position() < history.Count()))
        SetPaused(false);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Setup

void TGameBoardControl::SetBoardMode(TGameBoardMode Value)
{
    if (Value == FBoardMode)
        return;
    FBoardMode = Value;
    ClearSelection();
    ResetHistory();
    Post(WM_GB_BOARDMODECHANGE, 0, 0);
    if (Value == gbmPlay)
        Post(WM_GB_TURNCHANGE, 0, 0);
    UpdatePlayingState(false);
}

void TGameBoardControl::SetTurn(uint8_t Player)
{
    if ((Player != 1 && Player != 2) || Player == FBoard->Turn())
        return;
    FBoard->SetTurn(Player);
    ResetHistory();
}

void TGameBoardControl::ClearBoard()
{
    SetBoardMode(gbmSetup);
    FBoard->Clear();
    FModified = false;
}

// ---------------------------------------------------------------------------------------------
// Game files

void TGameBoardControl::SaveToStream(TStream& Stream)
{
    // The solver works on its own copy of the board, so the record can be written while it runs.
    FHistory->SaveToStream(Stream);
    FModified = false;
}

void TGameBoardControl::LoadFromStream(TStream& Stream)
{
    // The game is read and its shown board made on scratch copies first, so that a stream that
    // cannot be read changes nothing at all: not a board being set up, not the turn's clock,
    // not a capture half entered, not the pause.
    TGameHistory scratch(*FBoard);
    scratch.LoadFromStream(Stream);
    scratch.LoadBoardAt(scratch.Position(), *FBoard->Create());
    TMemoryStream checked;
    scratch.SaveToStream(checked);
    checked.SetPosition(0);

    // A pause that browsing the old record set has nothing left to browse.
    const bool wasPaused = FPaused && !FAutoPaused;
    SetPaused(true);
    TFinally restorePause([this, wasPaused] {
        if (FBoard->Turn() == 0)
            SetBoardMode(gbmSetup);
        SetPaused(wasPaused);
    });
    {
        THistoryUpdate update(*FHistory);
        FHistory->LoadFromStream(checked);
        FHistory->LoadBoardAt(FHistory->Position(), *FBoard);
    }
    FModified = false;
}

void TGameBoardControl::SaveToFile(const std::string& FileName, const std::string& Title)
{
    // The game is saved only once the file holding it has replaced the old one.
    SaveGameFile(FileName, Title, std::as_const(*FHistory));
    FModified = false;
}

void TGameBoardControl::LoadFromFile(const std::string& FileName, const std::string& Title)
{
    const std::unique_ptr<TFileStream> file = OpenGameFile(FileName, Title);
    LoadFromStream(*file);
}

// ---------------------------------------------------------------------------------------------
// Animation

bool TGameBoardControl::AnimatePath(const TMovementPath& Path, bool Reverse)
{
    if (FAnimating || IsDragging() || !FHandleAllocated || Path.size() < 2 || FAnimator->IsBusy())
        return false;
    std::vector<QRect> squares;
    for (const int32_t pos : Path)
        squares.push_back(GetSquareRect(pos));
    if (Reverse)
        std::reverse(squares.begin(), squares.end());
    const int from = Reverse ? Path.back() : Path.front();
    RepaintNow();
    // Lift the piece: freeze the screen as it is, with the piece's square drawn empty.
    FAnimationImage = GetPieceAt(from);
    FAnimationScreen = BufferImage();
    if (!FAnimationScreen.isNull()) {
        QPainter canvas(&FAnimationScreen);
        DrawSquare(canvas, from, squares.front().translated(-FBoardRect.topLeft()), -1, 0);
    }
    setCursor(Qt::BlankCursor);
    FAnimator->ClearFrame();
    FLastGlideArea = QRect();
    if (!FAnimator->Start(squares)) {
        EndAnimationScreen();
        return false;
    }
    return true;
}

void TGameBoardControl::EndAnimationScreen()
{
    if (FAnimator->IsBusy())
        return;
    FAnimator->ClearFrame();
    if (!FAnimationScreen.isNull()) {
        FAnimationScreen = QImage();
        FAnimationImage = -1;
        const TCursor cursor = FCursor;
        FCursor = crNo - 1;  // force the cursor to be set again
        ShowCursor(cursor);
        update();
    }
}

bool TGameBoardControl::StopAnimation()
{
    if (!FAnimator->IsBusy())
        return false;
    FAnimator->Abort();
    FAnimator->WaitForIdle();
    // The frozen screen belongs to the old layout; the piece is set down by the next redraw.
    EndAnimationScreen();
    return true;
}

QRect TGameBoardControl::GlideArea()
{
    // Where the travelling image is now and where it was at the last frame painted: only that
    // changes from one frame to the next.
    const TAnimator::TFrame frame = FAnimator->Frame();
    QRect now;
    if (frame.Active) {
        const QSize image = PieceImageSize();
        now = QRect(frame.Cur.topLeft() - QPoint((image.width() - FSquareSize) / 2, (image.height() - FSquareSize) / 2),
                    image.expandedTo(frame.Cur.size()));
    }
    const QRect area = now.united(FLastGlideArea);
    FLastGlideArea = now;
    return area;
}

void TGameBoardControl::WaitForAnimation()
{
    // The user-interface thread handles no messages while the step is shown, but it still
    // paints each frame the animator reaches.
    while (!FAnimator->WaitForIdle(5)) {
        if (isVisible())
            repaint(GlideArea());
    }
    if (isVisible())
        repaint(GlideArea());
}

uint8_t TGameBoardControl::AnimateDelay() const { return FAnimator->Delay(); }
void TGameBoardControl::SetAnimateDelay(uint8_t Value) { FAnimator->SetDelay(Value); }
uint8_t TGameBoardControl::AnimateStep() const { return FAnimator->Step(); }
void TGameBoardControl::SetAnimateStep(uint8_t Value) { FAnimator->SetStep(Value); }

}  // namespace velk
