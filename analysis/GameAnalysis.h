#pragma once
// A played game gone over with the engine: every position searched for a time, each half-move
// given the score after it, the move the engine preferred and what the move played lost. No Qt
// and no globals, so that the window can run it on a thread of its own and the engine tool from
// a terminal. The history analysed is never changed here: the caller applies the results when
// the whole game is done, so that a cancelled analysis leaves the game as it was.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "engine/ExpertSearch.h"
#include "record/GameHistory.h"

namespace velk {

// What a move may lose, in hundredths of a man from the mover's view, before it is marked. A man
// is worth 100 in the opening and more as the board empties, and a search of a second or less
// still swings by a few tenths between depths; so a quarter of a man is where a player would
// want to look again, half a man gives the opponent real chances, and nine tenths is a man
// thrown away (a two-for-one shot), which in checkers usually decides the game.
constexpr int32_t INACCURACY_LOSS = 25;
constexpr int32_t MISTAKE_LOSS = 50;
constexpr int32_t BLUNDER_LOSS = 90;
// Scores are clipped to this many hundredths either way before a loss is taken, so that a won
// game's winning moves (which keep a forced result, or a lead of several men) are not marked for
// winning more slowly than the engine would.
constexpr int32_t LOSS_SCORE_CLIP = 500;
// An only move still gets a score for the game's curve, but there is nothing to choose, so a
// shorter search serves.
constexpr uint32_t ONLY_MOVE_TIME_DIVISOR = 4;
constexpr uint32_t DEFAULT_ANALYSIS_MEMORY = 16u << 20;

// The class of a move by what it lost: Best and Played are the scores of the engine's choice
// and of the move played from the mover's view, found by the same search. A move that gives up
// a known win, or walks from a draw or an open game into a known loss, is at least a mistake.
TMoveAnalysis::TMark ClassifyMove(int32_t Best, int32_t Played);
// The mover's loss as ClassifyMove weighs it: never negative, forced results clipped.
int32_t MoveLoss(int32_t Best, int32_t Played);
// "?!", "?", "??", or "" for a move not marked.
const char* MarkSymbol(TMoveAnalysis::TMark Mark);
// "inaccuracy", "mistake", "blunder", or "".
const char* MarkWord(TMoveAnalysis::TMark Mark);

struct TGameAnalysisOptions {
    uint32_t MoveTimeMs = EXPERT_DEFAULT_MOVE_TIME_MS;  // per position; half as long again to weigh a move
    // No deeper than this (0: no limit); with MoveTimeMs 0, to this depth whatever it takes,
    // so that the same game is always marked alike.
    int MaxDepth = 0;
    uint32_t MaxMemory = DEFAULT_ANALYSIS_MEMORY;  // the engine's table
};

// One half-move of the game as the analysis found it. Scores are from Red's side.
struct THalfMoveAnalysis {
    int32_t Record = -1;     // the history's index of the turn's last record, which carries the result
    uint64_t AfterKey = 0;   // the position after the turn, by which the record is known again
    int32_t MoveNumber = 0;  // as PDN numbers it: Red's "12." and White's "12..." share 12
    bool RedMoved = true;
    std::string Move;         // as PDN writes it: 22-18, 15x24x31
    bool Valid = false;       // false: the record holds no legal move here, nothing was searched
    int32_t ScoreBefore = 0;  // of the position before the move, best play
    int32_t ScoreAfter = 0;   // of the move played
    std::string BestMove;     // the engine's choice where it is better than the move played, else ""
    int32_t BestScore = 0;    // of BestMove, when there is one
    int32_t Loss = 0;         // what the move played lost, hundredths of a man from the mover's view
    TMoveAnalysis::TMark Mark = TMoveAnalysis::None;
    int Depth = 0;  // of the search that weighed the move

    TMoveAnalysis Analysis() const { return {Valid, ScoreAfter, BestMove, Mark}; }
};

// Called on the analysing thread after each half-move with its result and how many of how many
// are done.
using TAnalysisProgress = std::function<void(const THalfMoveAnalysis& Latest, int Done, int Total)>;

// A game's finished turns as positions: taken from the history on the thread that owns it, so
// that the analysis may run on another while the game is browsed or played on.
struct TGameTurns {
    struct TTurn {
        int32_t Record = -1;  // the turn's last record in the history
        std::string After;    // the position after the turn, as FEN
    };
    std::string Start;  // as FEN
    std::vector<TTurn> Turns;
};
TGameTurns GameTurns(const TGameHistory& History);

// Searches the position before every turn of Game with Engine (as the caller set it up: threads,
// endgame tables; its weights become NeutralExpertWeights, so that a draw scores 0 for both
// sides), one after the other so that its table carries over, each with the game's
// earlier positions for the draw rule. A move that is not the engine's choice is weighed by a
// second search of the same position limited to the two moves, so that both scores come from
// the same depth. Stop (may be null) at STOP_ABORT throws EAbort between or within the searches.
std::vector<THalfMoveAnalysis> AnalyzeGame(TExpertEngine& Engine, const TGameTurns& Game,
                                           const TGameAnalysisOptions& Options, const TAnalysisProgress& Progress,
                                           const TStopFlag* Stop);
// The same for History, whose turns are read before the first search.
std::vector<THalfMoveAnalysis> AnalyzeGame(TExpertEngine& Engine, const TGameHistory& History,
                                           const TGameAnalysisOptions& Options, const TAnalysisProgress& Progress,
                                           const TStopFlag* Stop);

// Puts each result on its turn's last record (TGameHistoryRec::Analysis) and clears it from every
// other record. A result whose record no longer ends a turn leading to the position analysed (the
// game was changed since) is left out.
void ApplyGameAnalysis(TGameHistory& History, const std::vector<THalfMoveAnalysis>& Results);

struct TMarkCounts {
    int Inaccuracies = 0, Mistakes = 0, Blunders = 0;
};
// The marks of Red's (Red true) or White's moves.
TMarkCounts CountMarks(const std::vector<THalfMoveAnalysis>& Results, bool Red);

}  // namespace velk
