// The Expert level: shots beyond a fixed horizon, won endings converted under the draw rule,
// the time per move, and the fixed-depth levels left as they were.
#include <gtest/gtest.h>

#include <bit>
#include <chrono>
#include <string>

#include "TestBoards.h"
#include "cli/Fen.h"
#include "engine/DrawRule.h"
#include "engine/ExpertEval.h"
#include "engine/ExpertSearch.h"
#include "engine/PositionTable.h"
#include "platform/Exceptions.h"

namespace velk {
namespace {

using test::Board;

std::string Chosen(TCheckersBoard& B, const TExpertResult& R)
{
    return R.Move < 0 ? "none" : PathToText(B.Moves()[R.Move]);
}

// Positions from games against Difficult in which depth 12 chose a move scored level that
// loses a man a ply or two beyond its horizon. The Expert level, searching no deeper than
// Difficult, must see the shot and keep out of it.
TEST(ExpertSearch, KeepsOutOfShotsBeyondTheFixedHorizon)
{
    struct Case {
        const char* Fen;
        const char* Losing;
    };
    for (const Case& c : {
             Case{"B:W20,22,23,24,28,29,30,31,32:B1,4,6,9,11,12,13,15,16", "06-10"},
             Case{"B:W18,19,20,21,23,25,26,27,29,30,31,32:B1,2,3,4,5,6,9,10,11,12,14,16", "03-08"},
         }) {
        auto board = Board(c.Fen);
        TExpertEngine engine;
        const TExpertResult r = engine.Search(*board, 0, 1 << 20, nullptr, nullptr, 10);
        EXPECT_NE(Chosen(*board, r), c.Losing) << c.Fen;
        // After the losing move the other side, no deeper either, wins the man.
        TCheckersBoard after;
        after.Assign(*board);
        for (int32_t i = 0; i < after.MoveCount(); ++i)
            if (PathToText(after.Moves()[i]) == c.Losing) {
                after.MakeMove(i);
                break;
            }
        const TExpertResult shot = TExpertEngine().Search(after, 0, 1 << 20, nullptr, nullptr, 10);
        EXPECT_GT(shot.Score, 100) << c.Fen << " after " << c.Losing;
    }
}

// The side with more kings wins within the forty-move rule, however the other side defends,
// also from a double corner; each side searches as the Expert level with the game's past.
TEST(ExpertSearch, ConvertsWonKingEndingsWithinTheDrawRule)
{
    for (const char* fen : {"W:WK18,K19,K23:BK1", "B:WK32:BK14,K15", "W:WK10,K15:BK28", "B:WK5:BK18,K22,12"}) {
        auto board = Board(fen);
        const uint8_t strong = std::popcount(board->BlackPieces()) > std::popcount(board->WhitePieces())
                                   ? PLAYER_BLACK
                                   : PLAYER_WHITE;
        TExpertEngine players[2];
        TGamePositions past;
        past.Reset(*board);
        int plies = 0;
        while (board->GameState() == gsPlaying && !past.Drawn() && plies < 200) {
            TExpertEngine& player = players[board->Turn() == strong];
            const TExpertResult r = player.Search(*board, 0, 1 << 20, nullptr, &past.ReversibleKeys(), 12);
            ASSERT_TRUE(board->MakeMove(r.Move));
            past.Push(*board);
            ++plies;
        }
        EXPECT_EQ(board->Winner(), strong) << fen << " after " << plies << " plies";
    }
}

// The clock is looked at every few hundred nodes, so a search ends within a node's work of its
// time; the bound here only allows for a loaded machine. A single legal move is not searched.
TEST(ExpertSearch, KeepsTheTimePerMoveAndAnswersAForcedMoveAtOnce)
{
    struct Case {
        const char* Fen;
        uint32_t Ms;
        int MaxDepth;  // a forced move reports depth 0
    };
    for (const Case& c : {Case{"B:W21-32:B1-12", 50, EXPERT_MAX_DEPTH}, Case{"W:WK10,K19,27,32:BK1,K6,12,16", 30, EXPERT_MAX_DEPTH},
                          Case{"B:W18:B14", 5000, 0}}) {
        auto board = Board(c.Fen);
        TExpertEngine engine;
        const auto start = std::chrono::steady_clock::now();
        const TExpertResult r = engine.Search(*board, c.Ms, 1 << 20, nullptr, nullptr);
        const auto took = std::chrono::steady_clock::now() - start;
        EXPECT_LT(took, std::chrono::milliseconds(std::min<uint32_t>(c.Ms, 1000) + 40)) << c.Fen;
        EXPECT_GE(r.Move, 0) << c.Fen;
        EXPECT_EQ(r.Depth == 0, c.MaxDepth == 0) << c.Fen;
    }
    TCheckersBoard lost;
    lost.SetAsText(test::TextWith({{P01, 'b'}}));
    lost.SetTurn(PLAYER_WHITE);
    EXPECT_EQ(SearchExpert(lost, 10, 1 << 20, nullptr, nullptr).Move, -1);
}

// A position the game already had is a draw to the Expert search as it is to the others: the
// king that would be taken after 23-19 takes the repetition instead.
TEST(ExpertSearch, ThePositionsTheGameHadAreDraws)
{
    auto behind = Board("W:WK23:BK1,K10,15");
    TCheckersBoard repeated;
    behind->MoveCount();
    repeated.ApplyMove(*behind, 0);
    const std::vector<uint64_t> past = {behind->ComputeKey(), repeated.ComputeKey()};
    TExpertEngine engine;
    EXPECT_LT(engine.Search(*behind, 0, 1 << 20, nullptr, nullptr, 8).Score, -100);
    const TExpertResult r = engine.Search(*behind, 0, 1 << 20, nullptr, &past, 8);
    EXPECT_EQ(r.Move, 0);
    EXPECT_EQ(r.Score, -ExpertWeights.Contempt);
}

// The Expert search keeps its own table: the fixed-depth levels choose, score and count nodes
// exactly as before one ran, and abort and hurry behave as they do for them.
TEST(ExpertSearch, LeavesTheFixedDepthSearchAsItWasAndObeysTheStopRequest)
{
    auto board = Board("W:W18,19,21,23,24,26,29,30,31,32:B1,2,3,5,7,9,10,12,14,16");
    GlobalPositionTable().SetSize(1);
    board->Solve(10, 1 << 20, nullptr);
    const int32_t score = board->SearchScore();
    const uint64_t nodes = board->SearchNodes();
    SearchExpert(*board, 20, 1 << 20, nullptr, nullptr);
    GlobalPositionTable().SetSize(1);
    board->Solve(10, 1 << 20, nullptr);
    EXPECT_EQ(board->SearchScore(), score);
    EXPECT_EQ(board->SearchNodes(), nodes);

    TStopFlag abort{STOP_ABORT}, hurry{STOP_HURRY};
    EXPECT_THROW(SearchExpert(*board, 60000, 1 << 20, &abort, nullptr), EAbort);
    const auto start = std::chrono::steady_clock::now();
    const TExpertResult r = SearchExpert(*board, 60000, 1 << 20, &hurry, nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_GE(r.Move, 0);
}

// Each side's worth, seen from the other side, is its negation; a man that nothing can
// stop from crowning is worth more than one that can be met.
TEST(ExpertEval, IsSymmetricAndRewardsRunaways)
{
    for (const char* fen : {"B:W21-32:B1-12", "B:W18,19,22,23,27,29,31,32:B2,4,5,9,11,13,14,20", "W:WK10,K19,27,32:BK1,K6,12,16"}) {
        auto board = Board(fen);
        auto mirrored = std::make_unique<TCheckersBoard>();
        for (unsigned p = 0; p < SQUARE_COUNT; ++p) {
            const TPiece piece = board->Squares(p);
            mirrored->SetSquares(31 - p, piece == pcNone ? pcNone : static_cast<TPiece>(piece ^ 3));
        }
        mirrored->SetTurn(board->Turn() ^ 3);
        EXPECT_EQ(ExpertEvaluate(*board), ExpertEvaluate(*mirrored)) << fen;
    }
    EXPECT_GT(ExpertEvaluate(*Board("B:WK4:B1,22")), ExpertEvaluate(*Board("B:WK26:B1,22")) + 30);
}

}  // namespace
}  // namespace velk
