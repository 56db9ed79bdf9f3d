// The Expert level: shots beyond a fixed horizon, won endings converted under the draw rule,
// the time per move, and the fixed-depth levels left as they were.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <memory>
#include <numeric>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "TestBoards.h"
#include "engine/DrawRule.h"
#include "engine/ExpertEval.h"
#include "engine/ExpertSearch.h"
#include "engine/ExpertTable.h"
#include "engine/Fen.h"
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
// Difficult's nominal depth (and its late quiet moves shallower still), must see the shot and
// keep out of it.
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
        const TExpertResult r = engine.Search(*board, 0, 1 << 20, nullptr, nullptr, 12);
        EXPECT_NE(Chosen(*board, r), c.Losing) << c.Fen;
        // After the losing move the other side, no deeper either, wins the man: more than half a
        // man, as the position after the shot gives some of it back.
        TCheckersBoard after;
        after.Assign(*board);
        for (int32_t i = 0; i < after.MoveCount(); ++i)
            if (PathToText(after.Moves()[i]) == c.Losing) {
                after.MakeMove(i);
                break;
            }
        const TExpertResult shot = TExpertEngine().Search(after, 0, 1 << 20, nullptr, nullptr, 12);
        EXPECT_GT(shot.Score, 100) << c.Fen << " after " << c.Losing;
    }
}

// An analysis lists the best moves apart, each with the score the plain search gives it, and a
// search limited to the losing move scores it as the shot deserves; the line starts with the
// root's move and is legal. The limited search must leave no root entry behind that a later
// plain search would take for the position's own score.
TEST(ExpertSearch, ListsSeveralBestMovesAndScoresAChosenOne)
{
    auto board = Board("B:W20,22,23,24,28,29,30,31,32:B1,4,6,9,11,12,13,15,16");
    TExpertEngine engine;
    std::vector<TExpertReport> reports;
    TExpertRequest request;
    request.MaxDepth = 12;
    request.Lines = 3;
    request.OnReport = [&](const TExpertReport& r) { reports.push_back(r); };
    const TExpertResult r = engine.Search(*board, request, 1 << 20, nullptr, nullptr);
    ASSERT_EQ(reports.size(), 12u);
    ASSERT_EQ(r.Lines.size(), 3u);
    EXPECT_EQ(r.Lines[0].Move, r.Move);
    EXPECT_EQ(r.Lines[0].Score, r.Score);
    for (size_t i = 0; i < r.Lines.size(); ++i) {
        const TExpertLine& line = r.Lines[i];
        if (i > 0) {
            EXPECT_NE(line.Move, r.Lines[0].Move);
            EXPECT_LE(line.Score, r.Lines[i - 1].Score);
        }
        ASSERT_FALSE(line.Pv.empty());
        TCheckersBoard walk;
        walk.Assign(*board);
        EXPECT_EQ(PathToText(line.Pv[0]), PathToText(board->Moves()[line.Move]));
        for (const TCheckersMove& m : line.Pv) {
            int32_t found = -1;
            for (int32_t k = 0; k < walk.MoveCount(); ++k)
                if (PathToText(walk.Moves()[k]) == PathToText(m))
                    found = k;
            ASSERT_GE(found, 0) << PathToText(m);
            walk.MakeMove(found);
        }
    }

    int32_t losing = -1;
    for (int32_t i = 0; i < board->MoveCount(); ++i)
        if (PathToText(board->Moves()[i]) == "06-10")
            losing = i;
    TExpertRequest limited;
    limited.MaxDepth = 12;
    limited.RootMoves = {losing};
    const TExpertResult chosen = engine.Search(*board, limited, 1 << 20, nullptr, nullptr);
    EXPECT_EQ(chosen.Move, losing);
    EXPECT_LT(chosen.Score, r.Score - 25);
    EXPECT_GT(engine.Search(*board, 0, 1 << 20, nullptr, nullptr, 12).Score, chosen.Score + 25);
}

// Mates found only when the score leaps far outside the root's first window, which is then
// searched again: the distance must be the shortest, exactly, or a bound from a failed window
// was taken for a score. A fresh engine's search to a fixed depth with one thread comes out
// the same every time, nodes included.
TEST(ExpertSearch, FindsTheShortestMateThroughTheWindowsAndRepeatsItself)
{
    struct Case {
        const char* Fen;
        int Depth;
        int32_t Score;
    };
    for (const Case& c : {Case{"W:WK18,K19,K23:BK1", 14, EXPERT_WIN - 9}, Case{"B:WK28:BK23,K24", 16, EXPERT_WIN - 13},
                          Case{"B:WK32:BK14,K15", 22, EXPERT_WIN - 21}}) {
        auto board = Board(c.Fen);
        const TExpertResult r = TExpertEngine().Search(*board, 0, 1 << 20, nullptr, nullptr, c.Depth);
        EXPECT_EQ(r.Score, c.Score) << c.Fen;
    }
    auto board = Board("B:W18,19,21,23,24,26,29,30,31,32:B1,2,3,5,7,9,10,12,14,16");
    const TExpertResult first = TExpertEngine().Search(*board, 0, 4 << 20, nullptr, nullptr, 11);
    const TExpertResult again = TExpertEngine().Search(*board, 0, 4 << 20, nullptr, nullptr, 11);
    EXPECT_EQ(first.Depth, 11);
    EXPECT_EQ(again.Move, first.Move);
    EXPECT_EQ(again.Score, first.Score);
    EXPECT_EQ(again.Nodes, first.Nodes);
}

// A deep entry outlives the shallow ones that crowd its cache line in the same search, and
// keeps the move of a later, shallower search of its position; from an older search it is
// the first to go.
TEST(ExpertSearch, TheTableKeepsDeepEntriesAndTheLatestMove)
{
    using namespace expert;
    TTable table;
    table.Resize(1);
    const uint64_t lines = table.Buckets();
    const uint64_t deep = 5 + 3 * lines;
    table.Store(deep, 123, 20, bkExact, 3);
    for (uint64_t k = 1; k <= 12; ++k)
        table.Store(5 + (3 + k) * lines, -k, 1 + k % 2, bkLower, 1);
    TEntry entry;
    ASSERT_TRUE(table.Probe(deep, entry));
    EXPECT_EQ(entry.Depth, 20);
    EXPECT_EQ(entry.Score, 123);
    table.Store(deep, 7, 4, bkUpper, 5);
    ASSERT_TRUE(table.Probe(deep, entry));
    EXPECT_EQ(entry.Depth, 20);
    EXPECT_EQ(entry.Score, 123);
    EXPECT_EQ(entry.Move, 5);
    table.Store(deep, -40, 22, bkLower, -1);  // no move found: the known one stays
    ASSERT_TRUE(table.Probe(deep, entry));
    EXPECT_EQ(entry.Score, -40);
    EXPECT_EQ(entry.Move, 5);
    EXPECT_FALSE(table.Probe(deep + 1, entry));

    table.NewSearch();
    table.NewSearch();
    for (uint64_t k = 1; k <= 4; ++k)
        table.Store(5 + (30 + k) * lines, 0, 2, bkExact, 0);
    EXPECT_FALSE(table.Probe(deep, entry));
    EXPECT_TRUE(table.Probe(5 + 34 * lines, entry));
}

// An endgame database that calls every known position a draw, or a win for the side with more
// pieces. It may not be asked about the root, nor about a position with a capture pending.
struct TFakeDb {
    TEgdbResult (*Verdict)(const TCheckersBoard&);
    mutable int Calls = 0;
    mutable bool Misused = false;
    uint64_t Root = 0;

    static TEgdbResult Probe(const void* Context, const TCheckersBoard& Board)
    {
        const TFakeDb& db = *static_cast<const TFakeDb*>(Context);
        ++db.Calls;
        TCheckersBoard copy;
        copy.Assign(Board);
        if (Board.Key() == db.Root || copy.Moves()[0].Captured != 0)
            db.Misused = true;
        return db.Verdict(Board);
    }
};

// A drawn ending is taken as the database says; in a won one the search finds the mate itself
// and asks only after captures, where every quiet move would look alike.
TEST(ExpertSearch, TakesWhatTheEndgameDatabaseKnowsAfterTheRoot)
{
    auto board = Board("B:WK32:BK14,K15");
    const auto draw = [](const TCheckersBoard&) { return TEgdbResult::Draw; };
    const auto more = [](const TCheckersBoard& B) {
        const int own = std::popcount(B.Turn() == PLAYER_BLACK ? B.BlackPieces() : B.WhitePieces());
        const int other = std::popcount(B.Turn() == PLAYER_BLACK ? B.WhitePieces() : B.BlackPieces());
        return own > other ? TEgdbResult::Win : own < other ? TEgdbResult::Loss : TEgdbResult::Draw;
    };
    for (const bool drawn : {true, false}) {
        TFakeDb db{drawn ? +draw : +more};
        TExpertEngine engine;
        engine.SetEndgameProbe({3, &TFakeDb::Probe, &db});
        const TExpertResult r = engine.Search(*board, 0, 1 << 20, nullptr, nullptr, drawn ? 8 : 22);
        EXPECT_GT(db.Calls, drawn ? 1 : 0);
        EXPECT_FALSE(db.Misused);
        EXPECT_GE(r.Move, 0);
        EXPECT_EQ(r.Score, drawn ? -ExpertWeights.Contempt : EXPERT_WIN - 21);
    }
    // Above the tables' pieces, what they know is taken after the root: here the capture.
    auto four = Board("B:W18,K32:BK14,K15");
    TFakeDb known{+more};
    known.Root = four->Key();
    TExpertEngine engine4;
    engine4.SetEndgameProbe({3, &TFakeDb::Probe, &known});
    const TExpertResult r = engine4.Search(*four, 0, 1 << 20, nullptr, nullptr, 8);
    EXPECT_GT(known.Calls, 0);
    EXPECT_FALSE(known.Misused);
    EXPECT_TRUE(r.Score > EXPERT_DB_WIN - 200 && r.Score <= EXPERT_WIN_BOUND) << r.Score;
    // A side left without a move has lost whatever the database says; without the database
    // the search asks nothing.
    auto mate = Board("B:W27:BK14,K15");
    TFakeDb db{+draw};
    TExpertEngine engine;
    engine.SetEndgameProbe({2, &TFakeDb::Probe, &db});
    EXPECT_EQ(engine.Search(*mate, 0, 1 << 20, nullptr, nullptr, 8).Score, EXPERT_WIN - 3);
    engine.SetEndgameDb(nullptr);
    db.Calls = 0;
    engine.Clear();
    engine.Search(*mate, 0, 1 << 20, nullptr, nullptr, 8);
    EXPECT_EQ(db.Calls, 0);
}

// A draw is worth something to the side a search plays for, so a search for the other side
// (a hint between the computer's moves) must not take the first one's draws from the table:
// Black's search finds its captures after 22-18 drawn, worth 200 to Black; White's search of
// 22-18, right after it on the same engine, must find that draw worth 200 to White.
TEST(ExpertSearch, ASearchForTheOtherSideValuesTheDrawsItsOwnWay)
{
    TExpertWeights weights;
    weights.Contempt = -200;
    TFakeDb db{+[](const TCheckersBoard&) { return TEgdbResult::Draw; }};
    TExpertEngine engine;
    engine.SetWeights(weights);
    engine.SetEndgameProbe({3, &TFakeDb::Probe, &db});
    auto black = Board("B:W18,K32:BK14,K15");
    EXPECT_EQ(engine.Search(*black, 0, 1 << 20, nullptr, nullptr, 8).Score, 200);
    auto white = Board("W:W22,K32:BK14,K15");
    TExpertRequest request;
    request.MaxDepth = 8;
    for (int32_t i = 0; i < white->MoveCount(); ++i)
        if (PathToText(white->Moves()[i]) == "22-18")
            request.RootMoves = {i};
    ASSERT_EQ(request.RootMoves.size(), 1u);
    EXPECT_EQ(engine.Search(*white, request, 1 << 20, nullptr, nullptr).Score, 200);
    EXPECT_FALSE(db.Misused);
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
// time, also in the middle of an iteration. With the table warm up to a depth whose last step
// alone took longer than twice the margin, the search is back there at once and spends its time
// on an iteration it cannot finish: a clock that only stopped between iterations would run on
// until the end of it; one that ran out early would not have used most of its time. A single
// legal move is not searched.
TEST(ExpertSearch, KeepsTheTimePerMoveAndAnswersAForcedMoveAtOnce)
{
    using namespace std::chrono_literals;
    using TClock = std::chrono::steady_clock;
    constexpr auto MARGIN = 250ms;  // for a loaded machine and the sanitizers
    auto board = Board("B:W18,19,21,23,24,26,29,30,31,32:B1,2,3,5,7,9,10,12,14,16");
    TExpertEngine engine;
    int depth = 1;
    for (;; ++depth) {
        ASSERT_LT(depth, 40) << "no iteration took long enough";
        const auto start = TClock::now();
        engine.Search(*board, 0, 16 << 20, nullptr, nullptr, depth);
        if (TClock::now() - start > 2 * MARGIN)  // twice: a busy machine alone can make a step slow
            break;
    }
    const auto start = TClock::now();
    const TExpertResult r = engine.Search(*board, 100, 16 << 20, nullptr, nullptr);
    const auto took = TClock::now() - start;
    EXPECT_GE(took, 70ms) << "depth " << r.Depth << " of " << depth;
    EXPECT_LT(took, 100ms + MARGIN) << "depth " << r.Depth << " of " << depth;
    EXPECT_LT(r.Depth, depth + 1);

    auto forced = Board("B:W18:B14");
    const auto before = TClock::now();
    const TExpertResult only = engine.Search(*forced, 5000, 1 << 20, nullptr, nullptr);
    EXPECT_LT(TClock::now() - before, 1s);
    EXPECT_EQ(only.Depth, 0);
    EXPECT_EQ(PathToText(forced->Moves()[only.Move]), "14-23");
    TCheckersBoard lost;
    lost.SetAsText(test::TextWith({{P01, 'b'}}));
    lost.SetTurn(PLAYER_WHITE);
    EXPECT_EQ(SearchExpert(lost, 10, 1 << 20, nullptr, nullptr).Move, -1);
}

// The game's own king moves count towards the forty-move rule from the root on: with 78
// half-moves of kings only behind them, Black's kings still take both men (every reply moves a
// man, which starts the count afresh); with 79, any king move ends the game in a draw.
TEST(ExpertSearch, CountsTheGamesKingMovesTowardsTheFortyMoveRuleExactly)
{
    constexpr int LAST = TGamePositions::KING_MOVES_FOR_DRAW;
    auto board = Board("B:W24,28:BK20,K27");
    for (const int played : {LAST - 2, LAST - 1}) {
        // Positions that cannot recur: only their number matters, the root's own key last.
        std::vector<uint64_t> past(played + 1);
        std::iota(past.begin(), past.end(), 1);
        past.back() = board->ComputeKey();
        const TExpertResult r = TExpertEngine().Search(*board, 0, 1 << 20, nullptr, &past, 6);
        if (played == LAST - 1)
            EXPECT_EQ(r.Score, -ExpertWeights.Contempt) << Chosen(*board, r);
        else
            EXPECT_GT(r.Score, EXPERT_WIN_BOUND) << Chosen(*board, r);
    }
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
    // Hurried before it begins, a search plays what it already knew from the last search of
    // the position, not merely the first legal move: here the last, 06-09, the only one that
    // does not lose a man.
    auto one = Board("B:W10,16,24,31:B6,13,14,15");
    TExpertEngine engine;
    ASSERT_EQ(Chosen(*one, engine.Search(*one, 0, 1 << 20, nullptr, nullptr, 8)), "06-09");
    const auto start = std::chrono::steady_clock::now();
    const TExpertResult r = engine.Search(*one, 60000, 1 << 20, &hurry, nullptr);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(500));
    EXPECT_EQ(Chosen(*one, r), "06-09");
}

// A position a game could hold: men off the row where they would crown, some kings.
std::unique_ptr<TCheckersBoard> RandomBoard(std::mt19937& Random)
{
    auto board = std::make_unique<TCheckersBoard>();
    for (unsigned p = 0; p < SQUARE_COUNT; ++p) {
        const unsigned roll = Random() % 16;
        TPiece piece = roll < 3    ? pcBlackMan
                       : roll < 6  ? pcWhiteMan
                       : roll == 6 ? pcBlackKing
                       : roll == 7 ? pcWhiteKing
                                   : pcNone;
        if ((piece == pcBlackMan && p >= 28) || (piece == pcWhiteMan && p < 4))
            piece = pcNone;
        board->SetSquares(p, piece);
    }
    board->SetTurn(Random() % 2 ? PLAYER_BLACK : PLAYER_WHITE);
    return board;
}

std::unique_ptr<TCheckersBoard> ColoursReversed(TCheckersBoard& Board)
{
    auto mirrored = std::make_unique<TCheckersBoard>();
    for (unsigned p = 0; p < SQUARE_COUNT; ++p) {
        const TPiece piece = Board.Squares(p);
        mirrored->SetSquares(31 - p, piece == pcNone ? pcNone : static_cast<TPiece>(piece ^ 3));
    }
    mirrored->SetTurn(Board.Turn() ^ 3);
    return mirrored;
}

// Simple moves of Side after which the opponent cannot at once jump the piece that moved,
// found by playing them; -1 while Side has a capture, which leaves it no simple move to count.
int SafeMovesByPlay(const TCheckersBoard& Board, uint8_t Side)
{
    TCheckersBoard board;
    board.Assign(Board);
    board.SetTurn(Side);
    const TMoveList& moves = board.Moves();
    if (moves.Count() > 0 && moves[0].Captured != 0)
        return -1;
    int safe = 0;
    for (int32_t i = 0; i < moves.Count(); ++i) {
        TCheckersBoard after;
        after.ApplyMove(board, i);
        bool taken = false;
        const TMoveList& replies = after.Moves();
        for (int32_t r = 0; r < replies.Count(); ++r) {
            TPosition jumped;
            taken |= replies[r].Captured != 0 && JumpedPosition(replies[r].Squares[0], replies[r].Squares[1], jumped) &&
                     jumped == moves[i].To();
        }
        safe += !taken;
    }
    return safe;
}

// The evaluation is the features times the weights, whatever the weights; a position and its
// colour-reversed mirror are worth the same to the side to move; and the safe moves counted
// with square sets are those that playing every move finds.
TEST(ExpertEval, IsItsFeaturesTimesTheWeightsAlikeForBothColours)
{
    std::mt19937 random(20);
    auto patterns = std::make_unique<TExpertPatterns>();
    for (auto& band : patterns->Weight)
        for (TPhased16& pair : band)
            pair = {static_cast<int16_t>(random() % 201 - 100), static_cast<int16_t>(random() % 201 - 100)};
    int compared = 0;
    for (int n = 0; n < 3000; ++n) {
        auto board = RandomBoard(random);
        int32_t f[EXPERT_FEATURES], g[EXPERT_FEATURES];
        const int pieces = ExpertFeatures(*board, f);
        auto mirrored = ColoursReversed(*board);
        ASSERT_EQ(ExpertFeatures(*mirrored, g), pieces);
        for (int i = 0; i < EXPERT_FEATURES; ++i)
            ASSERT_EQ(f[i], g[i]) << ExpertFeatureName(i) << " in " << BoardToFen(*board);
        ASSERT_EQ(ExpertEvaluate(*board), ExpertEvaluate(*mirrored)) << BoardToFen(*board);

        uint16_t bands[EXPERT_REGIONS], mirroredBands[EXPERT_REGIONS];
        ExpertRegions(*board, bands);
        ExpertRegions(*mirrored, mirroredBands);
        ASSERT_TRUE(std::equal(bands, bands + EXPERT_REGIONS, mirroredBands)) << BoardToFen(*board);

        TExpertWeights w;
        w.Patterns = patterns.get();
        int64_t sum = 0;
        for (int i = 0; i < EXPERT_FEATURES; ++i) {
            TPhased& pair = w.Weight(i);
            pair = {static_cast<int32_t>(random() % 401) - 200, static_cast<int32_t>(random() % 401) - 200};
            sum += int64_t{f[i]} * (pair.Open * pieces + pair.End * (EXPERT_FULL_BOARD - pieces));
        }
        for (int band = 0; band < EXPERT_REGIONS; ++band) {
            const TPhased16 pair = patterns->Weight[band][bands[band]];
            sum += pair.Open * pieces + pair.End * (EXPERT_FULL_BOARD - pieces);
        }
        ASSERT_EQ(ExpertEvaluate(*board, w), sum / EXPERT_FULL_BOARD) << BoardToFen(*board);

        const uint8_t mover = board->Turn();
        const int own = SafeMovesByPlay(*board, mover), other = SafeMovesByPlay(*board, mover ^ 3);
        if (own >= 0 && other >= 0) {
            ASSERT_EQ(f[efMobility], own - other) << BoardToFen(*board);
            ++compared;
        }
    }
    EXPECT_GT(compared, 200);
}

// Features counted on positions small enough to count by hand, from the side to move's view.
TEST(ExpertEval, CountsEachFeatureOnItsSquares)
{
    struct Case {
        const char* Fen;
        std::vector<std::pair<TExpertFeature, int32_t>> Expected;
    };
    for (const Case& c : {
             // A king with no square to go to and no man to take; Black's man on 28 in the
             // dog-hole, its others free to step to 26 and 31; all three on the right half. The
             // squares counted from each side's own back rank: White's king on its 1.
             Case{"W:WK32:B23,27,28",
                  {{efMan, -3}, {efKing, 1}, {efTrappedKing, 1}, {efDogHole, -1}, {efMobility, -2}, {efTempo, -17},
                   {efBalance, -3}, {TExpertFeature(efKingAt + 0), 1}, {TExpertFeature(efManAt + 27), -1},
                   {TExpertFeature(efManAt + 26), -1}, {TExpertFeature(efManAt + 4), 0}}},
             // The bridge and the other back square, each worth the three men that could crown there.
             Case{"B:W21,22,23:B1,2,3", {{efBackBridge, 6}, {efBackOther, 3}, {efTempo, 0 - 3 * 2}}},
             // Both men run free: Black's two rows from the crown, White's one.
             Case{"B:W5:B22", {{efRunaway, 0}, {efRunawayRows, 1}, {efTempo, 5 - 6}, {efCentre, 0}}},
             // Men that can still be met run no race; only Black's man is in the centre.
             Case{"B:W21:B14", {{efRunaway, 0}, {efRunawayRows, 0}, {efCentre, 1}}},
             // A piece more with a king counts against kings and a man, not against two men.
             Case{"B:WK10,K14,K15:B1,K32", {{efLead, -1}}},
             Case{"B:WK10,K14,K15,K18:B1,5,K32", {{efLead, 0}}},
         }) {
        int32_t f[EXPERT_FEATURES];
        ExpertFeatures(*Board(c.Fen), f);
        for (const auto& [feature, value] : c.Expected)
            EXPECT_EQ(f[feature], value) << c.Fen << ": " << ExpertFeatureName(feature);
    }
    // The regions from the mover's side, in base 3, a region's first square the lowest digit,
    // the mover's men the digits 1 and the opponent's 2: at the start its three back rows are
    // full, the middle empty, the far three rows the opponent's; a king counts as no man. The
    // blocks, four rows deep, come after the bands, column by column, five a column.
    uint16_t bands[EXPERT_REGIONS];
    for (const char* fen : {"B:W21-32:B1-12", "W:W21-32:B1-12"}) {
        ExpertRegions(*Board(fen), bands);
        EXPECT_EQ(bands[0], 3280) << fen;
        EXPECT_EQ(bands[1], 3280) << fen;
        EXPECT_EQ(bands[2], 1 + 3 + 9 + 27) << fen;
        EXPECT_EQ(bands[3], 0) << fen;
        EXPECT_EQ(bands[4], 2 * (81 + 243 + 729 + 2187)) << fen;
        EXPECT_EQ(bands[6], 6560) << fen;
        for (int column = 0; column < 3; ++column) {
            const uint16_t* block = bands + EXPERT_BANDS + 5 * column;
            EXPECT_EQ(block[0], 1 + 3 + 9 + 27 + 81 + 243) << fen;
            EXPECT_EQ(block[1], 1 + 3 + 9 + 27) << fen;
            EXPECT_EQ(block[2], 1 + 3 + 2 * (729 + 2187)) << fen;
            EXPECT_EQ(block[4], 2 * (9 + 27 + 81 + 243 + 729 + 2187)) << fen;
        }
    }
    ExpertRegions(*Board("W:W32,K25:B1"), bands);
    EXPECT_EQ(bands[0], 1) << "White's man on its own square 1";
    EXPECT_EQ(bands[1], 0);
    EXPECT_EQ(bands[6], 2 * 2187) << "Black's man on White's square 32";
    EXPECT_EQ(bands[EXPERT_BANDS], 1) << "its square 1 is in the first column's first block";
    EXPECT_EQ(bands[EXPERT_BANDS + 5], 0) << "and in no other column";
    EXPECT_EQ(bands[EXPERT_BANDS + 4], 0);
    EXPECT_EQ(bands[EXPERT_REGIONS - 1], 2 * 2187) << "Black's man: the last column's last block, its last square";
}

// What the weights must keep, however they are fitted: a man nothing can stop from crowning is
// worth more than one that can be met; a man locked in the dog-hole is worth less than one
// beside it; the side ahead in a king ending is drawn to drive the lone king out of the double
// corner, where it cannot be caught, so there the lone king's side scores better, yet a piece
// more with a king against kings stays well ahead even when they hold both double corners (the
// first of these a game handed away, judging itself ahead a king down), and gains by a trade.
TEST(ExpertEval, KeepsThePositionalLore)
{
    EXPECT_GT(ExpertEvaluate(*Board("B:WK4:B1,22")), ExpertEvaluate(*Board("B:WK26:B1,22")) + 20);
    EXPECT_LT(ExpertEvaluate(*Board("B:W32,30,9:B28,3,7")), ExpertEvaluate(*Board("B:W32,30,9:B24,3,7")));
    int32_t f[EXPERT_FEATURES];
    ExpertFeatures(*Board("W:W5,21,30:B1,2,9"), f);
    EXPECT_EQ(f[efDogHole], 1);
    EXPECT_LT(ExpertEvaluate(*Board("W:WK14,K15:BK1")), ExpertEvaluate(*Board("W:WK14,K15:BK4")));
    EXPECT_GT(ExpertEvaluate(*Board("B:WK14,K15:BK1")), ExpertEvaluate(*Board("B:WK14,K15:BK4")));
    EXPECT_LT(ExpertEvaluate(*Board("B:WK4,K5,K11,21:BK1,K22,K32")), -50);
    const int32_t kingMore = ExpertEvaluate(*Board("W:WK10,K14,K15,K19:BK1,K5,K32"));
    EXPECT_GT(kingMore, 100);
    EXPECT_GT(ExpertEvaluate(*Board("W:WK10,K15,K19:BK1,K32")), kingMore);
}

}  // namespace
}  // namespace velk
