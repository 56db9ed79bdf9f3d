#pragma once
// A game of a two-player board game as it is played, with no window and no Qt: the board and its
// record, whose turn it is and who plays it, pause, the computer player's search on the solver
// thread and its answer, the turn clock, take-back, the draw rule, setup and game files.
//
// The session posts its notifications as messages to a queue its owner gives it (the board
// widget's event queue, or TSessionQueue for a program that plays games on its own) and handles
// them when the owner hands them back, so that each arrives after the operation that caused it.
// What the owner shows of the game it learns through ISessionView; what happened, through the
// On... callbacks.
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "TimeControl.h"
#include "engine/ExpertStrategy.h"
#include "engine/GameBoard.h"
#include "engine/GameSolver.h"
#include "platform/MessageTarget.h"
#include "record/GameHistory.h"

namespace velk {

// The session's messages, numbered from the desktop's user message base after the solver's.
// The animation's come from the board widget's animator and are the widget's own.
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
constexpr uint32_t WM_GB_THINKREPORT = WM_USER + 15;

class TAnalyzer;

enum TGameBoardMode : uint8_t { gbmSetup = 0, gbmPlay = 1 };

// What the session asks of whoever shows the game, always on the thread that drives the
// session. The defaults show nothing, which is all a game without a window needs.
class ISessionView {
public:
    // The squares may look different now: a move, the turn, the mode or the record changed.
    virtual void SquaresChanged() {}
    // A move has been played: what it changed is shown now, before anything else happens.
    virtual void ShowMoveNow() {}
    // One step of a move has been made on the board (an animation may hold the session here).
    virtual void ShowStep(const TMovementPath& /*Path*/) {}
    // The record is browsed one move along Path, backwards when Reverse.
    virtual void ShowBrowse(const TMovementPath& /*Path*/, bool /*Reverse*/) {}
    // Any running animation ends now.
    virtual void StopShowing() {}
    // A move's animation is on the screen (browsing waits for it, and it is no one's thinking time).
    virtual bool Showing() const { return false; }
    // The last of nested board updates has ended: what they held back is drawn now.
    virtual void BoardUpdateEnded() {}
    // The player's half-entered move is void; a human's step landed on Landing.
    virtual void ClearSelection() {}
    virtual void StepEntered(int /*Landing*/) {}

protected:
    ~ISessionView() = default;
};

class TGameSession {
public:
    using TNotify = std::function<void()>;

    explicit TGameSession(std::unique_ptr<TGameBoard> Board);
    virtual ~TGameSession();
    TGameSession(const TGameSession&) = delete;
    TGameSession& operator=(const TGameSession&) = delete;

    // ---- The owner
    // Gives the session (and its solver) the queue its messages go to: from then on the game
    // plays. Detach takes it away again; messages already queued are the owner's to drop.
    void Attach(IMessageTarget* Target);
    void Detach();
    bool Attached() const { return FTarget != nullptr; }
    void SetView(ISessionView* View) { FView = View != nullptr ? View : &FNoView; }
    // Posts a message to the queue; lost (false) while detached.
    bool Post(uint32_t Msg, intptr_t WParam, intptr_t LParam);
    // Handles a message the queue hands back.
    void HandleMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam);

    // ---- The board and its record
    TGameBoard& Board() const { return *FBoard; }
    TGameHistory& History() const { return *FHistory; }
    TGameHistoryRec& CurrentMove() const { return *FCurrentMove; }
    TGameSolver& Solver() const { return *FSolver; }
    uint8_t Turn() const { return FBoard->Turn(); }
    uint8_t FirstPlayer() const { return FHistory->StartBoard().Turn(); }
    int32_t MoveCount() const { return (FHistory->Count() + 1) / 2; }
    int32_t CurrentMoveNumber() const { return FHistory->Position() / 2 + 1; }
    int32_t MoveNumberOf(uint8_t Player) const;
    uint32_t PlayerTime(uint8_t Player) const;
    int Winner() const;
    // Whether moves are written with two digits a square (09-13) in the record's texts.
    bool TwoDigitsPositions() const { return FTwoDigitsPositions; }
    void SetTwoDigitsPositions(bool Value) { FTwoDigitsPositions = Value; }

    // ---- Record and navigation
    bool CanUndo() const;
    bool Undo();
    bool UndoAll();
    bool CanRedo() const;
    bool Redo();
    bool RedoAll();
    bool HasMove(uint8_t Player, int32_t MoveNo) const;
    bool GoToMove(uint8_t Player, int32_t MoveNo);
    bool GoToPosition(int32_t Index);
    // Asks for the position after Index records, as Undo and Redo do.
    bool ShowPosition(int32_t Index) { return Index >= 0 && Index <= FHistory->Count() && Post(WM_GB_GOTO, Index, 0); }
    const TGameHistoryRec* GetMoveRecord(uint8_t Player, int32_t MoveNo) const;
    // The whole turn in notation; "->" ends a turn that is not finished yet.
    std::string GetMoveText(uint8_t Player, int32_t MoveNo) const;
    uint32_t GetMoveTime(uint8_t Player, int32_t MoveNo) const;
    // The one-line record of the game ("BLACK: ...", "WHITE: ...", "NOT FINISHED: ...").
    std::string GetGameRecordText() const;
    bool CommitMove();
    void ResetHistory();
    // Takes back to the start of the last turn a human played before the shown position: against
    // the computer its reply and the player's move, in a game of two one move, a capture half
    // entered first. Play goes on from there (the record after it can still be redone).
    int32_t TakeBackTarget() const;
    bool CanTakeBack() const { return TakeBackTarget() >= 0; }
    bool TakeBack();

    // ---- Play
    bool IsComputerTurn() const { return (FBoard->Turn() & FComputerPlayer) != 0; }
    bool IsGameOver() const { return FBoard->GameState() != gsPlaying || DrawnByRule() || LostOnTime() != 0; }
    bool IsDraw() const { return FBoard->GameState() == gsDraw || DrawnByRule(); }
    // The game's draw rule holds at the shown position (only while draws are declared).
    bool DrawnByRule() const { return FDeclareDraws && IsDrawPosition(); }
    bool UpdatePlayingState(bool KeepTime);
    void UpdateTurnClock(bool Reset, bool Accumulate);
    uint32_t TurnTime() const;
    uint32_t ElapsedTurnTime() const;
    bool CanThink() const;
    bool StartThinking();
    bool StopThinking(bool Abort);
    bool MoveNow();
    bool CancelThinking();
    void PlayComputerMove(int32_t Index);
    // The computer could not answer and no one took the error: a random legal move is played.
    void PlayRandomMove();
    bool PlayMove(int32_t Index);
    void BeginMove();
    void EndMove();
    void NewGame();
    void BeginBoardUpdate();
    void EndBoardUpdate();
    bool BoardUpdating() const { return FBoardUpdateCount > 0; }
    int32_t SuggestMove(int8_t Depth);
    int32_t Evaluate() const { return FBoard->Evaluate(); }
    int32_t EvaluateMove(int32_t Index) const;

    bool Playing() const { return FPlaying; }
    bool Moving() const { return FMoving; }
    bool Thinking() const { return FThinking; }
    bool Paused() const { return FPaused; }
    void SetPaused(bool Value);
    bool AutoPaused() const { return FAutoPaused; }
    // No move reaches the board or the record while the game is paused, nor after the side to
    // move has lost on time.
    bool CanPlayMoves() const { return !FPaused && LostOnTime() == 0; }
    uint8_t ComputerPlayer() const { return FComputerPlayer; }
    void SetComputerPlayer(uint8_t Value);
    TGameBoardMode BoardMode() const { return FBoardMode; }
    void SetBoardMode(TGameBoardMode Value);
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    bool DeclareDraws() const { return FDeclareDraws; }
    void SetDeclareDraws(bool Value);
    bool RecordFullMovesOnly() const { return FRecordFullMovesOnly; }
    void SetRecordFullMovesOnly(bool Value) { FRecordFullMovesOnly = Value; }
    uint8_t SearchDepth() const { return FDepthSearch->Depth(); }
    void SetSearchDepth(uint8_t Value);
    // The Expert level: the computer thinks for a time per move with the search made for
    // strength instead of to the fixed depth.
    bool Expert() const { return FSearch == FExpertSearch; }
    void SetExpert(bool Value);
    uint32_t ExpertMoveTime() const { return FExpertSearch->MoveTime(); }
    void SetExpertMoveTime(uint32_t Value);
    // A level for one side alone, as a match between two levels has: Depth plies, or with Depth 0
    // the Expert search for MoveTimeMs a move (its clock, when the game has one, comes first).
    // ClearPlayerLevels gives both sides the game's level again.
    void SetPlayerLevel(uint8_t Player, uint8_t Depth, uint32_t MoveTimeMs);
    void ClearPlayerLevels();
    bool HasPlayerLevels() const { return FPlayerSearch[0] || FPlayerSearch[1]; }
    // The search table's budget in bytes, for every level.
    uint32_t MaxMemory() const { return FDepthSearch->MaxMemory(); }
    void SetMaxMemory(uint32_t Value);
    // The Expert level's threads (0: one per core) and whether it plays from its opening book.
    int ExpertThreads() const { return FExpertSearch->Threads(); }
    void SetExpertThreads(int Value) { FExpertSearch->SetThreads(Value); }
    bool UseOpeningBook() const { return FExpertSearch->UseBook(); }
    void SetUseOpeningBook(bool Value) { FExpertSearch->SetUseBook(Value); }
    // Analysis: the shown position searched without end for its best moves, again after every
    // change of it, with no move ever played. The computer's turn ends it (so does a new game or
    // a game opened); turning it on while the computer is to move pauses the game. False when the
    // board is not one the analysis can search.
    bool Analyzing() const { return FAnalyzing; }
    bool SetAnalyzing(bool Value);
    int32_t NavigationDepth() const { return FNavigationDepth; }
    uint32_t TurnClockTotal() const { return FTurnClockTotal; }

    // ---- The clocks of a game with a time control (none by default: the clocks only count up)
    const TTimeControl& TimeControl() const { return FTimeControl; }
    // Applies to the whole record, as if the game had been played on it from the start.
    void SetTimeControl(const TTimeControl& Value) { FTimeControl = Value; }
    // What Player's clock shows at the shown position: the time for the game and an increment
    // for each move Player completed there, less what those moves took and, while Player is to
    // move and the game plays, the running turn. 0 once it ran out; 0 without a time control.
    uint32_t RemainingTime(uint8_t Player) const;
    // How long the side to move may think for its move by its clock (ClockMoveTime), 0 without
    // a time control; the Expert level is given this before each search.
    uint32_t ClockMoveTime() const;
    // The owner's timer calls this while the game plays (so does every move): when the side to
    // move has no time left the game ends, lost by that side on time, the computer stopped.
    // True when the game ended now.
    bool CheckTime();
    // The side that lost on time at the shown position, 0 for none.
    uint8_t LostOnTime() const { return FLostOnTime != 0 && FHistory->Position() == FLostOnTimeAt ? FLostOnTime : 0; }

    // ---- Setup
    // A new game from Position (a set-up position, not moves of the record), played at once.
    void StartFrom(const TGameBoard& Position);
    void SetTurn(uint8_t Player);
    void ClearBoard();

    // ---- Game files
    void SaveToStream(TStream& Stream);
    void LoadFromStream(TStream& Stream);
    void SaveToFile(const std::string& FileName, const std::string& Title);
    void LoadFromFile(const std::string& FileName, const std::string& Title);

    // Counts every change of the board or the record, so that what is worked out from them can
    // be kept until the next one.
    uint64_t GameChangeCount() const { return FGameChangeCount; }

    // ---- What happened, each after the operation that caused it (but the move's begin and end,
    // which come while it is made, and the computer's move, which may still be changed).
    TNotify OnHistoryChange, OnTurnChange, OnBoardChange, OnGameEnded, OnPlayingStateChange, OnPauseStateChange,
        OnBoardModeChange, OnThinkBegin, OnThinkEnd, OnMoveBegin, OnMoveEnd, OnComputerError;
    std::function<void(int32_t& Index)> OnComputerMove;
    // What the computer's search or the analysis knows now; OnAnalysisChange, when the analysis
    // began or ended.
    std::function<void(const TSearchReport& Report)> OnSearchReport;
    TNotify OnAnalysisChange;

    // The positions the game has had that a search of the shown one is to score as draws; the
    // generic session knows no draw rule and has none.
    virtual std::vector<uint64_t> PastPositionKeys() const { return {}; }

protected:
    // The game's own draw rule; the generic session knows none.
    virtual bool IsDrawPosition() const { return false; }
    // Called for every step the board executes, with the step's two positions.
    void StepPlayed(const TMovementPath& Path);
    ISessionView& View() const { return *FView; }

private:
    static void Raise(const TNotify& Handler)
    {
        if (Handler)
            Handler();
    }
    TGameRecordView RecordView() const;
    void StoreCurrentMoveState();
    void BoardChanged();
    void BoardTurnEnded();
    void HistoryChanged();
    void Analyze();

    struct TNoView final : ISessionView {};
    TNoView FNoView;
    ISessionView* FView = &FNoView;
    IMessageTarget* FTarget = nullptr;

    std::unique_ptr<TGameBoard> FBoard;
    std::unique_ptr<TGameHistoryRec> FCurrentMove;
    std::unique_ptr<TGameHistory> FHistory;
    std::unique_ptr<TGameSolver> FSolver;

    uint8_t FComputerPlayer = 0;
    bool FPlaying = false;
    bool FMoving = false;
    bool FThinking = false;
    bool FPaused = false;
    bool FAutoPaused = false;
    TGameBoardMode FBoardMode = gbmSetup;
    int32_t FBoardUpdateCount = 0;
    uint32_t FTurnClockStart = 0;
    uint32_t FTurnClockTotal = 0;
    TTimeControl FTimeControl;
    // A loss on time holds at the position where the time ran out: browsing back shows the
    // earlier positions as they were played, browsing there again shows the loss, and only a
    // move played from an earlier position (a new line, as a take-back makes) or another game
    // undoes it.
    uint8_t FLostOnTime = 0;
    int32_t FLostOnTimeAt = 0;
    // The turn that ran at the end of the record when browsing left it, so that coming back to
    // it does not give its side that time again (only under a time control).
    uint32_t FParkedTurnTime = 0;
    bool FParked = false;
    bool FModified = false;
    bool FRecordFullMovesOnly = false;
    bool FDeclareDraws = false;
    bool FTwoDigitsPositions = true;
    // What the computer player searches: one of the levels' strategies.
    std::shared_ptr<TFixedDepthStrategy> FDepthSearch = std::make_shared<TFixedDepthStrategy>();
    std::shared_ptr<TExpertStrategy> FExpertSearch = std::make_shared<TExpertStrategy>();
    std::shared_ptr<TSearchStrategy> FSearch = FDepthSearch;
    std::shared_ptr<TSearchStrategy> FPlayerSearch[2];  // White's and Red's own level; null: FSearch
    TSearchReporter FReporter;
    uint64_t FGameChangeCount = 0;
    int32_t FNavigationDepth = 0;
    std::vector<uint8_t> FThinkingPosition;  // the board the latest search was started on
    std::mutex FReportGuard;                 // the computer's latest report, from the solver thread
    TSearchReport FThinkReport;
    std::unique_ptr<TAnalyzer> FAnalyzer;
    bool FAnalyzing = false;
    uint64_t FAnalysisSerial = 0;
    std::vector<uint8_t> FAnalyzedPosition;
};

}  // namespace velk
