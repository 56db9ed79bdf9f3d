// Going over a game with the engine: a shot walked into is marked and the move that avoids it
// named, the engine's own play passes nearly unmarked, known results are weighed by what they
// decide, and the results land on the records only when the caller applies a finished analysis.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "analysis/GameAnalysis.h"
#include "engine/DrawRule.h"
#include "engine/Fen.h"
#include "platform/Exceptions.h"
#include "record/GameFile.h"
#include "record/Pdn.h"

using namespace velk;

namespace {

// To a depth and not for a time, so that a loaded machine marks the games alike.
TGameAnalysisOptions Quick()
{
    TGameAnalysisOptions options;
    options.MoveTimeMs = 0;
    options.MaxDepth = 10;
    return options;
}

void ReadGame(const std::string& Pdn, TGameHistory& History) { ReadPdnGame(Pdn, 1, History); }

// A PDN game from Fen along Moves (as PDN writes them), White to move first when Fen says so.
std::string PdnFrom(const std::string& Fen, const std::vector<std::string>& Moves)
{
    std::ostringstream text;
    text << "[SetUp \"1\"]\n[FEN \"" << Fen << "\"]\n";
    bool white = Fen[0] == 'W';
    int number = 1;
    for (size_t i = 0; i < Moves.size(); ++i) {
        if (!white || i == 0)
            text << number << (white ? "... " : ". ");
        text << Moves[i] << ' ';
        number += white ? 1 : 0;
        white = !white;
    }
    text << "*\n";
    return text.str();
}

}  // namespace

// White's 27-23 lets Black give a man on 19 and take two back (16-19 23x16 12x19x28). The shot's
// own moves are the best there are, and the recapture is White's only move.
TEST(GameAnalysis, ShotWalkedIntoIsABlunderAndTheBestMoveAvoidsIt)
{
    const std::string before = "W:W17,18,20,21,22,24,26,27,29,30,31,32:B2,3,4,5,6,7,9,11,12,13,15,16";
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    ReadGame(PdnFrom(before, {"27-23", "16-19", "23x16", "12x19x28"}), history);
    TExpertEngine engine;
    std::vector<std::pair<int, int>> seen;
    const auto results = AnalyzeGame(
        engine, history, Quick(),
        [&](const THalfMoveAnalysis&, int Done, int Total) { seen.emplace_back(Done, Total); }, nullptr);
    ASSERT_EQ(results.size(), 4u);
    EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{1, 4}, {2, 4}, {3, 4}, {4, 4}}));

    const THalfMoveAnalysis& slip = results[0];
    EXPECT_EQ(slip.MoveNumber, 1);
    EXPECT_FALSE(slip.RedMoved);
    EXPECT_EQ(slip.Move, "27-23");
    EXPECT_EQ(slip.Mark, TMoveAnalysis::Blunder);
    EXPECT_GE(slip.Loss, BLUNDER_LOSS);
    EXPECT_GT(slip.ScoreAfter, 60) << "Red, who gets the shot, is well ahead";
    // The move named instead keeps White level, so it does not give the shot either.
    ASSERT_FALSE(slip.BestMove.empty());
    EXPECT_NE(slip.BestMove, "27-23");
    EXPECT_LT(slip.BestScore, 40);
    for (size_t i = 1; i < results.size(); ++i) {
        EXPECT_TRUE(results[i].Valid);
        EXPECT_EQ(results[i].Mark, TMoveAnalysis::None) << results[i].Move;
    }
    EXPECT_EQ(results[1].MoveNumber, 2);
    EXPECT_TRUE(results[1].RedMoved);
    EXPECT_EQ(results[3].Move, "12x19x28");
    EXPECT_EQ(CountMarks(results, false).Blunders, 1);
    EXPECT_EQ(CountMarks(results, true).Blunders + CountMarks(results, true).Mistakes, 0);
}

// A ballot played on by the engine two plies deeper than the analysis looks: its own choices,
// searched a little less deeply, may differ by the depths' swing but never by a mistake.
TEST(GameAnalysis, EngineLineGetsFewMarks)
{
    const std::string ballot = "W:W17,22,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,6,7,8,9,10,11,12,13";
    TCheckersBoard board;
    std::string error;
    ASSERT_TRUE(ParseFen(ballot, board, error));
    TExpertEngine player;
    TGamePositions positions;
    positions.Reset(board);
    std::vector<std::string> moves;
    for (int ply = 0; ply < 12 && board.MoveCount() > 0; ++ply) {
        TExpertRequest request;
        request.MaxDepth = Quick().MaxDepth + 2;
        const int32_t move = player.Search(board, request, 16u << 20, nullptr, &positions.ReversibleKeys()).Move;
        const TCheckersMove& m = board.Moves()[move];
        moves.push_back(PathToText(m, false, m.Captured ? 'x' : '-'));
        board.MakeMove(move);
        positions.Push(board);
    }
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    ReadGame(PdnFrom(ballot, moves), history);
    TExpertEngine engine;
    const auto results = AnalyzeGame(engine, history, Quick(), nullptr, nullptr);
    ASSERT_EQ(results.size(), moves.size());
    int inaccuracies = 0;
    for (const THalfMoveAnalysis& result : results) {
        EXPECT_TRUE(result.Valid);
        EXPECT_TRUE(result.Mark == TMoveAnalysis::None || result.Mark == TMoveAnalysis::Inaccuracy) << result.Move;
        inaccuracies += result.Mark == TMoveAnalysis::Inaccuracy;
    }
    EXPECT_LE(inaccuracies, 2);
}

// A lead of several men or a forced win is not lost by winning slowly; giving a win up, or
// stepping into a loss, is.
TEST(GameAnalysis, KnownResultsAreWeighedByWhatTheyDecide)
{
    EXPECT_EQ(ClassifyMove(EXPERT_WIN - 11, EXPERT_WIN - 41), TMoveAnalysis::None);
    EXPECT_EQ(ClassifyMove(-(EXPERT_WIN - 40), -(EXPERT_WIN - 10)), TMoveAnalysis::None);
    EXPECT_EQ(ClassifyMove(900, 600), TMoveAnalysis::None);
    EXPECT_EQ(ClassifyMove(EXPERT_WIN - 11, LOSS_SCORE_CLIP), TMoveAnalysis::Mistake);
    EXPECT_EQ(ClassifyMove(EXPERT_DB_WIN, 0), TMoveAnalysis::Blunder);
    EXPECT_EQ(ClassifyMove(-480, -(EXPERT_WIN - 30)), TMoveAnalysis::Mistake);
    EXPECT_EQ(ClassifyMove(0, -(EXPERT_WIN - 30)), TMoveAnalysis::Blunder);
    EXPECT_EQ(ClassifyMove(20, 20 - INACCURACY_LOSS + 1), TMoveAnalysis::None);
    EXPECT_EQ(ClassifyMove(20, 20 - INACCURACY_LOSS), TMoveAnalysis::Inaccuracy);
    EXPECT_EQ(ClassifyMove(20, 20 - MISTAKE_LOSS), TMoveAnalysis::Mistake);
    EXPECT_EQ(ClassifyMove(20, 20 - BLUNDER_LOSS), TMoveAnalysis::Blunder);
    EXPECT_EQ(MoveLoss(-100, 50), 0);
}

// A draw is worth nothing to either side here, though the level at play takes one as a small
// gain: White's lone king, lost otherwise, goes back to where the game already was.
TEST(GameAnalysis, ADrawScoresNothingForEitherSide)
{
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    ReadGame(PdnFrom("W:WK23:BK1,K10,15", {"23-27", "1-6", "27-23", "6-1", "23-27"}), history);
    TExpertEngine engine;
    const auto results = AnalyzeGame(engine, history, Quick(), nullptr, nullptr);
    ASSERT_EQ(results.size(), 5u);
    EXPECT_GT(results[0].ScoreBefore, 100);  // from Red's side
    EXPECT_EQ(results[4].ScoreBefore, 0);
    EXPECT_EQ(results[4].ScoreAfter, 0);
    EXPECT_EQ(results[4].BestMove, "");
}

// A capture entered a step at a time is one half-move, its result on the turn's last record;
// a turn changed since it was analysed keeps no result. An analysis stopped part-way throws and
// leaves the game's records as they were.
TEST(GameAnalysis, ResultsGoOnEachTurnsLastRecordAndAStopChangesNothing)
{
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    LoadGameFile(VELK_SOURCE_DIR "/tests/fuzz/corpus/capture-steps.ckr", "Velk Checkers", history);
    ASSERT_EQ(history.Count(), 3);
    ASSERT_FALSE(history.Items(0).EndsTurn);
    TExpertEngine engine;
    const auto results = AnalyzeGame(engine, history, Quick(), nullptr, nullptr);
    ASSERT_EQ(results.size(), 2u);
    EXPECT_EQ(results[0].Record, 1);
    EXPECT_EQ(results[0].Move, "26x17x10");
    EXPECT_EQ(results[1].Record, 2);
    EXPECT_TRUE(results[1].RedMoved);

    history.Items(0).Analysis = {true, 5, "x", TMoveAnalysis::Mistake};  // left by an older analysis
    int changes = 0;
    history.OnChange = [&](TGameHistory*) { ++changes; };
    ApplyGameAnalysis(history, results);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(history.Items(0).Analysis, TMoveAnalysis{});
    EXPECT_EQ(history.Items(1).Analysis, results[0].Analysis());
    EXPECT_TRUE(history.Items(1).Analysis.Valid);
    EXPECT_EQ(history.Items(2).Analysis, results[1].Analysis());
    auto changed = results;
    changed[1].AfterKey ^= 1;
    ApplyGameAnalysis(history, changed);
    EXPECT_EQ(history.Items(1).Analysis, results[0].Analysis());
    EXPECT_EQ(history.Items(2).Analysis, TMoveAnalysis{});
    ApplyGameAnalysis(history, results);

    const TMoveAnalysis kept = history.Items(1).Analysis;
    const int changesBefore = changes;
    TStopFlag stop{STOP_NONE};
    int done = 0;
    EXPECT_THROW(AnalyzeGame(
                     engine, history, Quick(),
                     [&](const THalfMoveAnalysis&, int, int) {
                         ++done;
                         stop = STOP_ABORT;
                     },
                     &stop),
                 EAbort);
    EXPECT_EQ(done, 1);
    EXPECT_EQ(changes, changesBefore);
    EXPECT_EQ(history.Items(1).Analysis, kept);
    EXPECT_EQ(history.Count(), 3);
    EXPECT_EQ(history.Position(), 3);
}
