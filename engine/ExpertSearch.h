#pragma once
// The Expert level: a search that plays for strength within a time per move, beside the
// fixed-depth search of the other levels. It shares their board, move lists, position keys
// and the draw rule's past positions, and keeps its own table from one move to the next.
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "CheckersBoard.h"
#include "EndgameDb.h"
#include "ExpertEval.h"
#include "GameBoard.h"

namespace velk {

// One of the best moves an analysis lists: the root's move, its score from the side to move's
// view, and the line the search expects, the root's move first.
struct TExpertLine {
    int32_t Move = -1;
    int32_t Score = 0;
    std::vector<TCheckersMove> Pv;
};

struct TExpertResult {
    int32_t Move = -1;   // index in the board's move list; -1 when there is no legal move
    int32_t Score = 0;   // hundredths of a man, from the side to move's view; see EXPERT_WIN
    int Depth = 0;       // nominal depth of the last finished iteration (0: only move)
    uint64_t Nodes = 0;    // of every thread
    double TableSeconds = 0;  // making the table ready, before the move time began
    std::vector<TExpertLine> Lines;  // of the last finished iteration, when a request asked for them
};

// What the search knows after an iteration.
struct TExpertReport {
    int Depth = 0;
    uint64_t Nodes = 0;  // of every thread so far
    double Seconds = 0;  // since the move time began
    std::vector<TExpertLine> Lines;  // best first
};

// How a search is asked for: its limits and what it reports.
struct TExpertRequest {
    uint32_t MoveTimeMs = 0;  // 0: until stopped or MaxDepth is finished
    int MaxDepth = 0;         // 0: EXPERT_MAX_DEPTH
    int Lines = 1;            // the best this many moves are searched and reported apart
    std::vector<int32_t> RootMoves;  // only these of the root's moves (empty: all)
    // Called on the searching thread after every finished iteration.
    std::function<void(const TExpertReport&)> OnReport;
};

// A won position scores EXPERT_WIN less the plies to the win; anything beyond
// EXPERT_WIN_BOUND in either direction is a forced result.
constexpr int32_t EXPERT_WIN = 30000;
constexpr int32_t EXPERT_WIN_BOUND = EXPERT_WIN - 1000;
constexpr int EXPERT_MAX_DEPTH = 96;
constexpr uint32_t EXPERT_DEFAULT_MOVE_TIME_MS = 1000;
constexpr uint32_t EXPERT_MIN_MOVE_TIME_MS = 100;
constexpr uint32_t EXPERT_MAX_MOVE_TIME_MS = 60000;
// The table never takes more than this, whatever the memory budget allows.
constexpr uint32_t EXPERT_MAX_TABLE_BYTES = 64u << 20;
// A position the endgame database knows as won scores this less the plies to it, below the
// forced results the search proves itself, so that a mate it sees is still preferred.
constexpr int32_t EXPERT_DB_WIN = EXPERT_WIN_BOUND - 100;

// What the search asks of an endgame database: SetEndgameDb fills it in from a TEndgameDb; a
// test may answer with its own function.
struct TExpertProbe {
    int MaxPieces = 0;
    TEgdbResult (*Probe)(const void* Context, const TCheckersBoard& Board) = nullptr;
    const void* Context = nullptr;
};

// One player's search: its table, history and killers live from one move to the next. A match
// gives each side its own; the game uses the process-wide one behind SearchExpert.
class TExpertEngine {
public:
    TExpertEngine();
    ~TExpertEngine();
    TExpertEngine(const TExpertEngine&) = delete;
    TExpertEngine& operator=(const TExpertEngine&) = delete;

    // Iterative deepening until MoveTimeMs has passed (0: no limit) or MaxDepth is finished; the
    // whole of MoveTimeMs is searched, never more. The table is made before the time begins.
    // StopFlag (may be null): STOP_HURRY returns the best move of the last finished iteration
    // at once; STOP_ABORT throws EAbort, as the fixed-depth search does. GameKeys: the
    // positions the game had since its last irreversible move (TGamePositions::ReversibleKeys),
    // reaching one scores a draw, and their count brings the forty-move rule into the search.
    TExpertResult Search(const TCheckersBoard& Board, uint32_t MoveTimeMs, uint32_t MaxMemory,
                         const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys,
                         int MaxDepth = EXPERT_MAX_DEPTH);
    // The same search for analysis: several best moves, the root's moves limited, and a report
    // after each iteration. A position with one legal move is searched too, for its score.
    TExpertResult Search(const TCheckersBoard& Board, const TExpertRequest& Request, uint32_t MaxMemory,
                         const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys);
    // Forgets everything learnt from earlier searches, as for a new game.
    void Clear();
    // The evaluation's numbers, for matches that tune them; ExpertWeights unless set. Weights
    // must outlive the engine's searches.
    void SetWeights(const TExpertWeights& Weights);
    // Threads searching together on the shared table (0: one per core; 1, the default: the
    // same move, score and node count on every search of a fixed depth from a fresh engine).
    void SetThreads(int Threads);
    int Threads() const;
    // Positions with few pieces are looked up there instead of searched (null: none). Db must
    // outlive the engine's searches and stay loaded while they run.
    void SetEndgameDb(const TEndgameDb* Db);
    void SetEndgameProbe(const TExpertProbe& Probe);

private:
    struct TImpl;
    std::unique_ptr<TImpl> F;
};

// The Expert level's move, searched with the process-wide Expert engine on Threads threads (0:
// one per core), one search at a time (a second caller waits). MaxMemory is the table's budget
// in bytes.
TExpertResult SearchExpert(const TCheckersBoard& Board, uint32_t MoveTimeMs, uint32_t MaxMemory,
                           const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys, int Threads = 0);
TExpertResult SearchExpert(const TCheckersBoard& Board, const TExpertRequest& Request, uint32_t MaxMemory,
                           const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys, int Threads = 0);
// The endgame database SearchExpert probes from its next search on (null: none). It may be
// set while a search runs; the tables it replaces live until that search ends.
void SetExpertEndgameDb(std::shared_ptr<const TEndgameDb> Db);
// The endgame database SearchExpert probes now (null: none), for another engine to probe too.
std::shared_ptr<const TEndgameDb> ExpertEndgameDb();

}  // namespace velk
