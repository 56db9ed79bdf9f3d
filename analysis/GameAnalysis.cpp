#include "GameAnalysis.h"

#include <algorithm>

#include "engine/DrawRule.h"
#include "engine/Fen.h"
#include "engine/ScoreText.h"
#include "platform/Exceptions.h"

namespace velk {

namespace {

std::string MoveText(const TCheckersMove& Move) { return PathToText(Move, false, Move.Captured != 0 ? 'x' : '-'); }

// The legal move of Before that leads to the position After, -1 when none does (a record that
// does not follow from the one before it).
int32_t PlayedMove(TCheckersBoard& Before, uint64_t After)
{
    for (int32_t i = 0; i < Before.MoveCount(); ++i)
        if (Before.MoveKey(i) == After)
            return i;
    return -1;
}

void CheckStop(const TStopFlag* Stop)
{
    if (Stop != nullptr && Stop->load() == STOP_ABORT)
        throw EAbort();
}

// Fills Result's scores, best move and class for the move Played of Board.
void WeighMove(TExpertEngine& Engine, TCheckersBoard& Board, int32_t Played, const std::vector<uint64_t>& Keys,
               const TGameAnalysisOptions& Options, const TStopFlag* Stop, THalfMoveAnalysis& Result)
{
    // A time of 0 asks the engine for no limit, which only a depth may give.
    const bool timed = Options.MaxDepth <= 0 || Options.MoveTimeMs > 0;
    const uint32_t time = timed ? std::max(Options.MoveTimeMs, 1u) : 0;
    auto share = [&](uint32_t Divisor) { return timed ? std::max(time / Divisor, 1u) : 0; };
    // Every move named: the search then reports the best move and its score as its last
    // finished depth found them (a depth cut off by the clock may change the move it would play
    // but not its score), and searches an only move too.
    TExpertRequest request;
    request.MoveTimeMs = Board.MoveCount() == 1 ? share(ONLY_MOVE_TIME_DIVISOR) : time;
    request.MaxDepth = Options.MaxDepth;
    for (int32_t i = 0; i < Board.MoveCount(); ++i)
        request.RootMoves.push_back(i);
    TExpertResult found = Engine.Search(Board, request, Options.MaxMemory, Stop, &Keys);
    int32_t best = found.Lines.empty() ? found.Move : found.Lines[0].Move;  // empty when hurried
    int32_t bestScore = found.Lines.empty() ? found.Score : found.Lines[0].Score;
    int32_t playedScore = bestScore;
    // Two searches of different depths would differ by the depths' swing alone, so the move
    // played is weighed against the engine's choice in one more search that has only the two,
    // each searched in full at every depth; the table carries the first search's work over.
    if (best != Played && Board.MoveKey(best) != Board.MoveKey(Played)) {
        TExpertRequest weigh;
        weigh.MoveTimeMs = share(2);
        weigh.MaxDepth = Options.MaxDepth;
        weigh.Lines = 2;
        weigh.RootMoves = {best, Played};
        found = Engine.Search(Board, weigh, Options.MaxMemory, Stop, &Keys);
        for (const TExpertLine& line : found.Lines)
            (line.Move == Played ? playedScore : bestScore) = line.Score;
    }
    const bool red = Board.Turn() == PLAYER_BLACK;
    Result.Valid = true;
    Result.Depth = found.Depth;
    Result.Loss = MoveLoss(bestScore, playedScore);
    Result.Mark = ClassifyMove(bestScore, playedScore);
    Result.ScoreAfter = RedScore(playedScore, red);
    Result.ScoreBefore = RedScore(std::max(bestScore, playedScore), red);
    if (Result.Loss > 0 || Result.Mark != TMoveAnalysis::None) {
        Result.BestMove = MoveText(Board.Moves()[best]);
        Result.BestScore = RedScore(bestScore, red);
    }
}

}  // namespace

int32_t MoveLoss(int32_t Best, int32_t Played)
{
    const int32_t best = std::clamp(Best, -LOSS_SCORE_CLIP, LOSS_SCORE_CLIP);
    const int32_t played = std::clamp(Played, -LOSS_SCORE_CLIP, LOSS_SCORE_CLIP);
    return std::max(best - played, 0);
}

TMoveAnalysis::TMark ClassifyMove(int32_t Best, int32_t Played)
{
    const int32_t loss = MoveLoss(Best, Played);
    if (loss >= BLUNDER_LOSS)
        return TMoveAnalysis::Blunder;
    if (loss >= MISTAKE_LOSS || ScoreResult(Played) < ScoreResult(Best))
        return TMoveAnalysis::Mistake;
    return loss >= INACCURACY_LOSS ? TMoveAnalysis::Inaccuracy : TMoveAnalysis::None;
}

const char* MarkSymbol(TMoveAnalysis::TMark Mark)
{
    switch (Mark) {
    case TMoveAnalysis::Inaccuracy: return "?!";
    case TMoveAnalysis::Mistake: return "?";
    case TMoveAnalysis::Blunder: return "??";
    default: return "";
    }
}

const char* MarkWord(TMoveAnalysis::TMark Mark)
{
    switch (Mark) {
    case TMoveAnalysis::Inaccuracy: return "inaccuracy";
    case TMoveAnalysis::Mistake: return "mistake";
    case TMoveAnalysis::Blunder: return "blunder";
    default: return "";
    }
}

TGameTurns GameTurns(const TGameHistory& History)
{
    TGameTurns game;
    TCheckersBoard board;
    History.LoadBoardAt(0, board);
    game.Start = BoardToFen(board);
    // A turn entered a step at a time spans several records; its last one ends the turn.
    for (int32_t i = 0; i < History.Count(); ++i)
        if (History.Items(i).EndsTurn) {
            History.LoadBoardAt(i + 1, board);
            game.Turns.push_back({i, BoardToFen(board)});
        }
    return game;
}

std::vector<THalfMoveAnalysis> AnalyzeGame(TExpertEngine& Engine, const TGameTurns& Game,
                                           const TGameAnalysisOptions& Options, const TAnalysisProgress& Progress,
                                           const TStopFlag* Stop)
{
    Engine.SetWeights(NeutralExpertWeights);
    const int total = static_cast<int>(Game.Turns.size());
    std::vector<THalfMoveAnalysis> results;
    results.reserve(Game.Turns.size());
    TCheckersBoard before, after;
    std::string error;
    const bool started = ParseFen(Game.Start, before, error);
    TGamePositions positions;
    positions.Reset(before);
    int32_t moveNo = 1;
    for (const TGameTurns::TTurn& turn : Game.Turns) {
        CheckStop(Stop);
        THalfMoveAnalysis& result = results.emplace_back();
        result.Record = turn.Record;
        result.RedMoved = before.Turn() == PLAYER_BLACK;
        result.MoveNumber = moveNo;
        moveNo += result.RedMoved ? 0 : 1;
        const bool read = started && ParseFen(turn.After, after, error);
        result.AfterKey = read ? after.Key() : 0;
        const int32_t played = read ? PlayedMove(before, after.Key()) : -1;
        if (played >= 0) {
            result.Move = MoveText(before.Moves()[played]);
            WeighMove(Engine, before, played, positions.ReversibleKeys(), Options, Stop, result);
        }
        if (read) {
            positions.Push(after);
            before.Assign(after);
        }
        if (Progress)
            Progress(result, static_cast<int>(results.size()), total);
    }
    return results;
}

std::vector<THalfMoveAnalysis> AnalyzeGame(TExpertEngine& Engine, const TGameHistory& History,
                                           const TGameAnalysisOptions& Options, const TAnalysisProgress& Progress,
                                           const TStopFlag* Stop)
{
    return AnalyzeGame(Engine, GameTurns(History), Options, Progress, Stop);
}

void ApplyGameAnalysis(TGameHistory& History, const std::vector<THalfMoveAnalysis>& Results)
{
    THistoryUpdate update(History);
    for (int32_t i = 0; i < History.Count(); ++i)
        History.Items(i).Analysis = {};
    TCheckersBoard after;
    for (const THalfMoveAnalysis& result : Results) {
        if (result.Record < 0 || result.Record >= History.Count() || !History.Items(result.Record).EndsTurn)
            continue;
        History.LoadBoardAt(result.Record + 1, after);
        if (after.Key() == result.AfterKey)
            History.Items(result.Record).Analysis = result.Analysis();
    }
}

TMarkCounts CountMarks(const std::vector<THalfMoveAnalysis>& Results, bool Red)
{
    TMarkCounts counts;
    for (const THalfMoveAnalysis& result : Results) {
        if (result.RedMoved != Red)
            continue;
        counts.Inaccuracies += result.Mark == TMoveAnalysis::Inaccuracy;
        counts.Mistakes += result.Mark == TMoveAnalysis::Mistake;
        counts.Blunders += result.Mark == TMoveAnalysis::Blunder;
    }
    return counts;
}

}  // namespace velk
