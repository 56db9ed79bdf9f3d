// The play state machine: turns, the computer player, pause, the turn clock, moves, the end of
// the game, the record and its navigation, setup and game files.
#include "GameSession.h"

#include <algorithm>
#include <utility>

#include "Analyzer.h"
#include "engine/ExpertSearch.h"
#include "platform/Clock.h"
#include "platform/FileStream.h"
#include "platform/Finally.h"
#include "platform/Random.h"
#include "record/GameFile.h"

namespace velk {

namespace {

std::vector<uint8_t> StreamForm(const TGameBoard& Board)
{
    TMemoryStream stream;
    Board.SaveToStream(stream);
    return stream.Bytes();
}

}  // namespace

TGameSession::TGameSession(std::unique_ptr<TGameBoard> Board) : FBoard(std::move(Board))
{
    FBoard->OnChange = [this](TGameBoard*) { BoardChanged(); };
    FBoard->OnTurnEnd = [this](TGameBoard*) { BoardTurnEnded(); };
    FCurrentMove = std::make_unique<TGameHistoryRec>();
    FHistory = std::make_unique<TGameHistory>(*FBoard);
    FHistory->OnChange = [this](TGameHistory*) { HistoryChanged(); };
    FSolver = std::make_unique<TGameSolver>();
    FReporter = [this](const TSearchReport& Report) {
        {
            std::lock_guard lock(FReportGuard);
            FThinkReport = Report;
        }
        FSolver->PostFromSearch(WM_GB_THINKREPORT, 0, 0);
    };
    FDepthSearch->SetReporter(FReporter);
    FExpertSearch->SetReporter(FReporter);
}

TGameSession::~TGameSession()
{
    // Nothing that is torn down below may call back into a half-destroyed session.
    FHistory->OnChange = nullptr;
    FBoard->OnChange = nullptr;
    FBoard->OnTurnEnd = nullptr;
    FAnalyzer.reset();
    FSolver.reset();
}

// ---------------------------------------------------------------------------------------------
// The owner and the messages

void TGameSession::Attach(IMessageTarget* Target)
{
    if (Target == nullptr || FTarget != nullptr)
        return;
    FTarget = Target;
    FSolver->SetWindow(Target);
    if (FAnalyzer)
        FAnalyzer->SetWindow(Target);
    UpdatePlayingState(true);
}

void TGameSession::Detach()
{
    if (FTarget == nullptr)
        return;
    FSolver->SetWindow(nullptr);
    // Silently: an owner that detaches may be tearing down what its callbacks would touch.
    if (FAnalyzer) {
        FAnalyzing = false;
        ++FAnalysisSerial;
        FAnalyzer->Stop();
        FAnalyzer->SetWindow(nullptr);
    }
    FTarget = nullptr;
    UpdatePlayingState(true);
    // The stopped search's end message was not posted; nothing thinks any more.
    StopThinking(true);
    FThinking = false;
}

bool TGameSession::Post(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    if (FTarget == nullptr)
        return false;
    FTarget->PostMessage(Msg, WParam, LParam);
    return true;
}

void TGameSession::HandleMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    switch (Msg) {
    case WM_GB_THINKBEGIN:
        FThinking = true;
        Raise(OnThinkBegin);
        break;
    case WM_GB_THINKEND: {
        FThinking = false;
        Raise(OnThinkEnd);
        // An answer for a position the board no longer shows (the search finished just before
        // the board changed, its message still queued) would play a move of another position.
        // The position is kept: when the computer was handed the side again before the stopped
        // search's message came in, the search started since then still needs it.
        const bool current = FThinkingPosition == StreamForm(*FBoard);
        if ((LParam & 0xFF) != STOP_ABORT && current)
            PlayComputerMove(static_cast<int32_t>(WParam));
        break;
    }
    case WM_GB_THINK: StartThinking(); break;
    case WM_GB_GOTO:
        if (!FView->Showing() && FNavigationDepth < 1) {
            GoToPosition(static_cast<int32_t>(WParam));
        } else {
            FView->StopShowing();
            Post(WM_GB_GOTO, WParam, 0);
        }
        break;
    case WM_GB_THINKREPORT:
        if (FThinking && OnSearchReport) {
            TSearchReport report;
            {
                std::lock_guard lock(FReportGuard);
                report = FThinkReport;
            }
            OnSearchReport(report);
        }
        break;
    case WM_GB_ANALYSIS:
        if (TSearchReport report;
            FAnalyzing && static_cast<uint64_t>(WParam) == FAnalysisSerial &&
            FAnalyzer->Latest(FAnalysisSerial, report) && OnSearchReport)
            OnSearchReport(report);
        break;
    case WM_GB_BOARDCHANGE:
        Analyze();
        Raise(OnBoardChange);
        break;
    case WM_GB_TURNCHANGE:
        Analyze();
        Raise(OnTurnChange);
        break;
    case WM_GB_HISTORYCHANGE: Raise(OnHistoryChange); break;
    case WM_GB_BOARDMODECHANGE: Raise(OnBoardModeChange); break;
    case WM_GB_PAUSESTATECHANGE: Raise(OnPauseStateChange); break;
    case WM_GB_PLAYINGSTATECHANGE: Raise(OnPlayingStateChange); break;
    case WM_GB_GAMEENDED: Raise(OnGameEnded); break;
    default: break;
    }
}

// ---------------------------------------------------------------------------------------------
// Play state

bool TGameSession::UpdatePlayingState(bool KeepTime)
{
    const bool playing = FTarget != nullptr && !FPaused && FBoardMode == gbmPlay && !IsGameOver();
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
    FView->SquaresChanged();
    return true;
}

void TGameSession::SetPaused(bool Value)
{
    FAutoPaused = false;
    if (Value == FPaused)
        return;
    FPaused = Value;
    Post(WM_GB_PAUSESTATECHANGE, 0, 0);
    UpdatePlayingState(true);
}

void TGameSession::SetComputerPlayer(uint8_t Value)
{
    if (Value >= 4 || Value == FComputerPlayer)
        return;
    const bool wasComputerTurn = IsComputerTurn();
    FComputerPlayer = Value;
    const bool isComputerTurn = IsComputerTurn();
    if (wasComputerTurn == isComputerTurn)
        return;
    FView->ClearSelection();
    FView->SquaresChanged();
    if (isComputerTurn) {
        UpdateTurnClock(true, false);
        StartThinking();
    } else {
        StopThinking(true);
    }
}

void TGameSession::SetDeclareDraws(bool Value)
{
    if (Value == FDeclareDraws)
        return;
    FDeclareDraws = Value;
    // A drawn position may go on without the rule, or end with it.
    UpdatePlayingState(true);
    Post(WM_GB_TURNCHANGE, 0, 0);
}

void TGameSession::SetSearchDepth(uint8_t Value)
{
    FDepthSearch->SetDepth(std::clamp<uint8_t>(Value, 1, MAX_SEARCH_DEPTH));
}

void TGameSession::SetExpert(bool Value)
{
    if (Value)
        FSearch = FExpertSearch;
    else
        FSearch = FDepthSearch;
}

void TGameSession::SetPlayerLevel(uint8_t Player, uint8_t Depth, uint32_t MoveTimeMs)
{
    if (Player != PLAYER_WHITE && Player != PLAYER_BLACK)
        return;
    std::shared_ptr<TSearchStrategy> search;
    if (Depth > 0) {
        auto depth = std::make_shared<TFixedDepthStrategy>();
        depth->SetDepth(Depth);
        depth->SetMaxMemory(FDepthSearch->MaxMemory());
        search = depth;
    } else {
        auto expert = std::make_shared<TExpertStrategy>();
        expert->SetMoveTime(std::clamp(MoveTimeMs, EXPERT_MIN_MOVE_TIME_MS, EXPERT_MAX_MOVE_TIME_MS));
        expert->SetMaxMemory(FExpertSearch->MaxMemory());
        expert->SetThreads(FExpertSearch->Threads());
        expert->SetUseBook(FExpertSearch->UseBook());
        search = expert;
    }
    search->SetReporter(FReporter);
    FPlayerSearch[Player == PLAYER_BLACK ? 1 : 0] = std::move(search);
}

void TGameSession::ClearPlayerLevels()
{
    FPlayerSearch[0].reset();
    FPlayerSearch[1].reset();
}

void TGameSession::SetExpertMoveTime(uint32_t Value)
{
    FExpertSearch->SetMoveTime(std::clamp(Value, EXPERT_MIN_MOVE_TIME_MS, EXPERT_MAX_MOVE_TIME_MS));
}

void TGameSession::SetMaxMemory(uint32_t Value)
{
    FDepthSearch->SetMaxMemory(Value);
    FExpertSearch->SetMaxMemory(Value);
}

void TGameSession::UpdateTurnClock(bool Reset, bool Accumulate)
{
    const uint32_t now = GetTickCount();
    if (Reset)
        FTurnClockTotal = 0;
    if (Accumulate)
        FTurnClockTotal += now - FTurnClockStart;
    FTurnClockStart = now;
}

uint32_t TGameSession::ElapsedTurnTime() const
{
    if (!FPlaying && IsGameOver())
        return 0;
    if (!FPlaying || (FView->Showing() && !FMoving))
        return FTurnClockTotal;
    return FTurnClockTotal + (GetTickCount() - FTurnClockStart);
}

uint32_t TGameSession::TurnTime() const
{
    if (!FPlaying && IsGameOver())
        return 0;
    uint32_t time = ElapsedTurnTime();
    const TGameHistory& history = *FHistory;
    for (int32_t i = history.Position() - 1; i >= 0 && i < history.Count() && !history.Items(i).EndsTurn; --i)
        time += history.Items(i).Duration;
    return time;
}

int TGameSession::Winner() const
{
    if (const uint8_t lost = LostOnTime(); lost != 0)
        return lost ^ 3;
    return DrawnByRule() ? 0 : FBoard->Winner();
}

uint32_t TGameSession::RemainingTime(uint8_t Player) const
{
    if (!FTimeControl.Active() || (Player != 1 && Player != 2) || LostOnTime() == Player)
        return 0;
    const int64_t moves = MoveNumberOf(Player) - 1;
    const int64_t left = int64_t{FTimeControl.BaseMs} + moves * FTimeControl.IncrementMs - PlayerTime(Player);
    return static_cast<uint32_t>(std::clamp<int64_t>(left, 0, UINT32_MAX));
}

uint32_t TGameSession::ClockMoveTime() const
{
    return FTimeControl.Active() ? velk::ClockMoveTime(FTimeControl, RemainingTime(Turn())) : 0;
}

bool TGameSession::CheckTime()
{
    const uint8_t side = Turn();
    if (!FTimeControl.Active() || !FPlaying || IsGameOver() || (side != 1 && side != 2) || RemainingTime(side) > 0)
        return false;
    FLostOnTime = side;
    FLostOnTimeAt = FHistory->Position();
    FView->ClearSelection();
    UpdatePlayingState(true);  // the game no longer plays: the computer's search is stopped
    FHistory->SetFinished(true);
    // As when a move ends a game: whose turn it is has become nobody's, then the end.
    Post(WM_GB_TURNCHANGE, 0, 0);
    Post(WM_GB_GAMEENDED, 0, 0);
    return true;
}

bool TGameSession::CanThink() const { return FPlaying && IsComputerTurn() && !FSolver->Busy(); }

bool TGameSession::StartThinking()
{
    if (!CanThink())
        return false;
    SetAnalyzing(false);
    const std::shared_ptr<TSearchStrategy>& own = FPlayerSearch[Turn() == PLAYER_BLACK ? 1 : 0];
    const std::shared_ptr<TSearchStrategy>& search = own ? own : FSearch;
    if (auto* expert = dynamic_cast<TExpertStrategy*>(search.get()))
        expert->SetClockMoveTime(ClockMoveTime());
    FThinkingPosition = StreamForm(*FBoard);
    std::vector<uint64_t> past = FDeclareDraws ? PastPositionKeys() : std::vector<uint64_t>();
    return FSolver->Start(*FBoard, std::move(past), search);
}

bool TGameSession::StopThinking(bool Abort)
{
    if (!FSolver->Busy())
        return false;
    FSolver->Stop(Abort ? STOP_ABORT : STOP_HURRY);
    return true;
}

bool TGameSession::MoveNow() { return FPlaying && IsComputerTurn() && StopThinking(false); }

bool TGameSession::CancelThinking() { return FPlaying && IsComputerTurn() && StopThinking(true); }

void TGameSession::PlayComputerMove(int32_t Index)
{
    if (FPaused || FBoardMode != gbmPlay || !IsComputerTurn())
        return;
    if (OnComputerMove)
        OnComputerMove(Index);
    if (PlayMove(Index))
        return;
    if (OnComputerError)
        OnComputerError();
    else
        PlayRandomMove();
}

void TGameSession::PlayRandomMove()
{
    const int32_t n = FBoard->MoveCount();
    if (n > 0)
        PlayMove(static_cast<int32_t>(GlobalRandom().Next(static_cast<uint32_t>(n))));
}

bool TGameSession::PlayMove(int32_t Index)
{
    CheckTime();
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

void TGameSession::BeginMove()
{
    // A move played from a browsed position starts a new line: a loss on time and a turn's
    // time left at the old line's end go with it.
    FLostOnTime = 0;
    FParked = false;
    FMoving = true;
    FView->SquaresChanged();
    Raise(OnMoveBegin);
}

void TGameSession::StoreCurrentMoveState()
{
    FCurrentMove->BoardState.Clear();
    FBoard->SaveToStream(FCurrentMove->BoardState);
    FCurrentMove->BoardState.SetPosition(0);
    FCurrentMove->Duration = ElapsedTurnTime();
}

void TGameSession::EndMove()
{
    FMoving = false;
    FView->SquaresChanged();
    FView->ShowMoveNow();
    if (!FCurrentMove->IsEmpty()) {
        StoreCurrentMoveState();
        if (FRecordFullMovesOnly)
            Post(WM_GB_HISTORYCHANGE, 0, 0);
        else
            CommitMove();
    }
    Raise(OnMoveEnd);
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

void TGameSession::StepPlayed(const TMovementPath& Path)
{
    FCurrentMove->AddPath(Path);
    if (!IsComputerTurn() && !Path.empty())
        FView->StepEntered(Path.back());
    FView->ShowStep(Path);
}

void TGameSession::BoardTurnEnded()
{
    if (FPlaying && FMoving) {
        StoreCurrentMoveState();
        FCurrentMove->EndsTurn = true;
        CommitMove();
        FView->ClearSelection();
    }
    Post(WM_GB_TURNCHANGE, 0, 0);
}

void TGameSession::BoardChanged()
{
    ++FGameChangeCount;
    // The analysis's reports still queued are of the board as it was: they are dropped, and it
    // starts again on the new one.
    if (FAnalyzing) {
        ++FAnalysisSerial;
        FAnalyzedPosition.clear();
    }
    StopThinking(true);
    FModified = true;
    if (!FMoving) {
        FView->ClearSelection();
        FCurrentMove->Clear();
        UpdateTurnClock(true, false);
    }
    FView->SquaresChanged();
    Post(WM_GB_BOARDCHANGE, 0, 0);
    if (FBoardMode == gbmPlay && !FMoving) {
        Post(WM_GB_TURNCHANGE, 0, 0);
        // The search this change aborted must not leave the computer idle on its turn when
        // the game goes on playing (a new game, a position written as text): it thinks again.
        Post(WM_GB_THINK, 0, 0);
    }
}

void TGameSession::HistoryChanged()
{
    ++FGameChangeCount;
    UpdateTurnClock(true, false);
    // The last move's marks follow the record: a new game clears them after its board is drawn.
    FView->SquaresChanged();
    Post(WM_GB_HISTORYCHANGE, 0, 0);
}

// ---------------------------------------------------------------------------------------------
// Analysis

bool TGameSession::SetAnalyzing(bool Value)
{
    if (Value == FAnalyzing)
        return true;
    if (Value) {
        if (FTarget == nullptr || dynamic_cast<const TCheckersBoard*>(FBoard.get()) == nullptr)
            return false;
        if (!FAnalyzer) {
            FAnalyzer = std::make_unique<TAnalyzer>();
            FAnalyzer->SetWindow(FTarget);
        }
        // The computer would take its turn back at once and end the analysis.
        if (FPlaying && IsComputerTurn()) {
            StopThinking(true);
            SetPaused(true);
        }
        FAnalyzing = true;
        FAnalyzedPosition.clear();
        Analyze();
    } else {
        FAnalyzing = false;
        ++FAnalysisSerial;  // reports still queued are dropped
        if (FAnalyzer)
            FAnalyzer->Stop();
    }
    Raise(OnAnalysisChange);
    return true;
}

// Starts the analysis again when the shown position is not the one it searches.
void TGameSession::Analyze()
{
    if (!FAnalyzing)
        return;
    std::vector<uint8_t> position = StreamForm(*FBoard);
    if (position == FAnalyzedPosition)
        return;
    FAnalyzedPosition = std::move(position);
    std::vector<uint64_t> past = FDeclareDraws ? PastPositionKeys() : std::vector<uint64_t>();
    FAnalyzer->Start(static_cast<const TCheckersBoard&>(*FBoard), std::move(past), MaxMemory(), ExpertThreads(),
                     ++FAnalysisSerial);
}

void TGameSession::NewGame()
{
    SetAnalyzing(false);
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

void TGameSession::BeginBoardUpdate()
{
    ++FBoardUpdateCount;
    FBoard->BeginUpdate();
}

void TGameSession::EndBoardUpdate()
{
    FBoard->EndUpdate();
    if (FBoardUpdateCount > 0 && --FBoardUpdateCount == 0)
        FView->BoardUpdateEnded();
}

int32_t TGameSession::SuggestMove(int8_t Depth)
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

int32_t TGameSession::EvaluateMove(int32_t Index) const
{
    if (Index < 0 || Index >= FBoard->MoveCount())
        return 0;
    const std::unique_ptr<TGameBoard> board = FBoard->Create();
    board->ApplyMove(*FBoard, Index);
    return -board->Evaluate();
}

// ---------------------------------------------------------------------------------------------
// The record and navigation

TGameRecordView TGameSession::RecordView() const
{
    return TGameRecordView{*FHistory, *FCurrentMove, FBoard->Turn(), FTwoDigitsPositions};
}

int32_t TGameSession::MoveNumberOf(uint8_t Player) const { return RecordView().MoveNumberOf(Player); }

uint32_t TGameSession::PlayerTime(uint8_t Player) const
{
    return RecordView().PlayerTime(Player, Player == FBoard->Turn() ? TurnTime() : 0);
}

bool TGameSession::CanUndo() const { return FHistory->Position() > 0 || !FCurrentMove->IsEmpty(); }

bool TGameSession::Undo()
{
    if (!CanUndo())
        return false;
    return Post(WM_GB_GOTO, FCurrentMove->IsEmpty() ? FHistory->Position() - 1 : FHistory->Position(), 0);
}

bool TGameSession::UndoAll() { return CanUndo() && Post(WM_GB_GOTO, 0, 0); }

bool TGameSession::CanRedo() const { return FHistory->Position() < FHistory->Count(); }

bool TGameSession::Redo() { return CanRedo() && Post(WM_GB_GOTO, FHistory->Position() + 1, 0); }

bool TGameSession::RedoAll() { return CanRedo() && Post(WM_GB_GOTO, FHistory->Count(), 0); }

bool TGameSession::HasMove(uint8_t Player, int32_t MoveNo) const { return FHistory->IndexOfMove(Player, MoveNo) >= 0; }

bool TGameSession::GoToMove(uint8_t Player, int32_t MoveNo)
{
    const int32_t index = FHistory->IndexOfMove(Player, MoveNo);
    return index >= 0 && Post(WM_GB_GOTO, index, 0);
}

const TGameHistoryRec* TGameSession::GetMoveRecord(uint8_t Player, int32_t MoveNo) const
{
    return RecordView().GetMoveRecord(Player, MoveNo);
}

std::string TGameSession::GetMoveText(uint8_t Player, int32_t MoveNo) const
{
    return RecordView().GetMoveText(Player, MoveNo);
}

uint32_t TGameSession::GetMoveTime(uint8_t Player, int32_t MoveNo) const
{
    return RecordView().GetMoveTime(Player, MoveNo);
}

std::string TGameSession::GetGameRecordText() const { return RecordView().GameRecordText(IsGameOver(), Winner()); }

bool TGameSession::CommitMove()
{
    if (FCurrentMove->IsEmpty())
        return false;
    auto rec = std::make_unique<TGameHistoryRec>();
    rec->Assign(*FCurrentMove);
    FCurrentMove->Clear();
    FHistory->Add(std::move(rec));
    return true;
}

void TGameSession::ResetHistory()
{
    FLostOnTime = 0;
    FParked = false;
    FView->StopShowing();
    FCurrentMove->Clear();
    THistoryUpdate update(*FHistory);
    FHistory->Clear();
    FHistory->StartBoard().Assign(*FBoard);
}

int32_t TGameSession::TakeBackTarget() const
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

bool TGameSession::TakeBack()
{
    const int32_t target = TakeBackTarget();
    return target >= 0 && Post(WM_GB_GOTO, target, 0);
}

bool TGameSession::GoToPosition(int32_t Index)
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
    const bool leavingEnd = history.Position() == history.Count() && Index != history.Position();
    if (leavingEnd && FTimeControl.Active() && LostOnTime() == 0) {
        FParkedTurnTime = ElapsedTurnTime();
        FParked = true;
    }
    {
        BeginBoardUpdate();
        TFinally endUpdate([this] { EndBoardUpdate(); });
        const uint8_t turn = FBoard->Turn();
        const int32_t position = history.Position();
        if (Index == position)
            FView->ShowBrowse(FCurrentMove->Path, true);
        else if (position == Index + 1)
            FView->ShowBrowse(history.Items(Index).Path, true);
        else if (position == Index - 1)
            FView->ShowBrowse(history.Items(Index - 1).Path, false);
        history.LoadBoardAt(Index, *FBoard);
        if (FBoard->Turn() != turn)
            Post(WM_GB_TURNCHANGE, 0, 0);
        if (Index == history.Position())
            Post(WM_GB_HISTORYCHANGE, 0, 0);
        else
            history.SetPosition(Index);
    }
    if (FParked && Index == history.Count() && FCurrentMove->IsEmpty()) {
        FParked = false;
        FTurnClockTotal = FParkedTurnTime;
    }
    if (FAutoPaused && !(IsComputerTurn() && history.Position() < history.Count()))
        SetPaused(false);
    return true;
}

// ---------------------------------------------------------------------------------------------
// Setup

void TGameSession::SetBoardMode(TGameBoardMode Value)
{
    if (Value == FBoardMode)
        return;
    FBoardMode = Value;
    FView->ClearSelection();
    ResetHistory();
    Post(WM_GB_BOARDMODECHANGE, 0, 0);
    if (Value == gbmPlay)
        Post(WM_GB_TURNCHANGE, 0, 0);
    UpdatePlayingState(false);
}

void TGameSession::StartFrom(const TGameBoard& Position)
{
    SetBoardMode(gbmSetup);
    FBoard->Assign(Position);
    SetBoardMode(gbmPlay);
    FModified = false;
    if (FPaused)
        SetPaused(false);
}

void TGameSession::SetTurn(uint8_t Player)
{
    if ((Player != 1 && Player != 2) || Player == FBoard->Turn())
        return;
    FBoard->SetTurn(Player);
    ResetHistory();
}

void TGameSession::ClearBoard()
{
    SetBoardMode(gbmSetup);
    FBoard->Clear();
    FModified = false;
}

// ---------------------------------------------------------------------------------------------
// Game files

void TGameSession::SaveToStream(TStream& Stream)
{
    // The solver works on its own copy of the board, so the record can be written while it runs.
    FHistory->SaveToStream(Stream);
    FModified = false;
}

void TGameSession::LoadFromStream(TStream& Stream)
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

    SetAnalyzing(false);
    // A pause that browsing the old record set has nothing left to browse.
    const bool wasPaused = FPaused && !FAutoPaused;
    SetPaused(true);
    TFinally restorePause([this, wasPaused] {
        if (FBoard->Turn() == 0)
            SetBoardMode(gbmSetup);
        SetPaused(wasPaused);
    });
    FLostOnTime = 0;
    FParked = false;
    {
        THistoryUpdate update(*FHistory);
        FHistory->LoadFromStream(checked);
        FHistory->LoadBoardAt(FHistory->Position(), *FBoard);
    }
    FModified = false;
}

void TGameSession::SaveToFile(const std::string& FileName, const std::string& Title)
{
    // The game is saved only once the file holding it has replaced the old one.
    SaveGameFile(FileName, Title, std::as_const(*FHistory));
    FModified = false;
}

void TGameSession::LoadFromFile(const std::string& FileName, const std::string& Title)
{
    const std::unique_ptr<TFileStream> file = OpenGameFile(FileName, Title);
    LoadFromStream(*file);
}

}  // namespace velk
