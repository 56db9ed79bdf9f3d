// Static evaluation and position keys, the two things the search computes at every node.
#include <gtest/gtest.h>

#include <random>
#include <utility>

#include "TestBoards.h"

namespace velk {
namespace {

using test::Board;

TEST(Evaluation, MaterialAndAdvanceFromTheMoversView)
{
    EXPECT_EQ(Board("B:W21-32:B1-12")->Evaluate(), 0);
    EXPECT_EQ(Board("B:W25:BK1")->Evaluate(), 2498);
    EXPECT_EQ(Board("W:W25:BK1")->Evaluate(), -2498);
}

TEST(Evaluation, AManGainsAsItAdvances)
{
    const int32_t byAdvance[] = {5001, 5002, 5004, 5008, 5016, 5032, 5064, 5128};
    for (unsigned p = 0; p < SQUARE_COUNT; ++p) {
        const int row = int(p / 4);
        TCheckersBoard board;
        board.SetSquares(p, pcBlackMan);
        board.SetTurn(PLAYER_BLACK);
        EXPECT_EQ(board.Evaluate(), byAdvance[row]) << "black man on " << p + 1;
        board.SetSquares(p, pcWhiteMan);
        board.SetTurn(PLAYER_WHITE);
        EXPECT_EQ(board.Evaluate(), byAdvance[7 - row]) << "white man on " << p + 1;
    }
}

TEST(PositionKeys, SideToMoveFlipsTheTurnKey)
{
    auto black = Board("B:W21-32:B1-12");
    auto white = Board("W:W21-32:B1-12");
    EXPECT_EQ(black->ComputeKey() ^ white->ComputeKey(), TurnKey);
    EXPECT_EQ(Board("B:W:B")->ComputeKey(), TurnKey);  // it marks Black to move
}

// The key is the position's own after every kind of edit, not only after ApplyMove: the draw
// rule and the opening book read it from boards set up square by square, loaded, or played.
TEST(PositionKeys, KeyFollowsEveryEditOfTheBoard)
{
    TCheckersBoard board;
    const auto expectCurrent = [&board](const char* After) { EXPECT_EQ(board.Key(), board.ComputeKey()) << After; };
    board.NewGame();
    expectCurrent("NewGame");
    board.SetSquares(P09, pcNone);
    board.SetSquares(P18, pcBlackKing);
    expectCurrent("SetSquares");
    board.SetTurn(PLAYER_WHITE);
    expectCurrent("SetTurn");
    board.SetAsText("B        B    b       W");
    expectCurrent("SetAsText");
    {
        TBoardUpdate update(board);
        board.SetSquares(P32, pcWhiteMan);
        expectCurrent("SetSquares within an update");
    }
    TCheckersBoard loaded;
    loaded.Assign(board);
    EXPECT_EQ(loaded.Key(), board.Key()) << "LoadFromStream";
    board.Clear();
    expectCurrent("Clear");

    // Played move by move, a capture also step by step.
    board.SetAsText(test::TextWith({{P14, 'b'}, {P18, 'w'}, {P26, 'w'}, {P32, 'W'}}));
    board.SetTurn(PLAYER_BLACK);
    ASSERT_TRUE(board.MakeStep(P14, P23));
    expectCurrent("the first step of a capture");
    ASSERT_TRUE(board.MakeStep(P23, P30));
    expectCurrent("the crowning end of a capture");
    board.EndTurn();
    expectCurrent("EndTurn");
    ASSERT_TRUE(board.MakeMove(0));
    expectCurrent("MakeMove");
}

// Plays random games both ways a move can be made: the search's chain of ApplyMove boards must
// follow the game's MakeMove, its key kept incrementally equal to one computed from scratch and
// to the one told ahead of the move, and its move counts equal the lists' lengths.
TEST(PositionKeys, ApplyMoveAgreesWithMakeMoveOverRandomGames)
{
    std::mt19937 random(20240611);
    int promotions = 0, kingMoves = 0, kingsCaptured = 0;
    for (int game = 0; game < 300; ++game) {
        TCheckersBoard played, a, b;
        played.NewGame();
        a.Assign(played);
        a.BeginSearch();
        TCheckersBoard *parent = &a, *child = &b;
        for (int ply = 0; ply < 200 && played.MoveCount() > 0; ++ply) {
            ASSERT_EQ(parent->MoveCount(), played.MoveCount());
            const int32_t index = int32_t(random() % unsigned(played.MoveCount()));
            const TCheckersMove move = parent->Moves()[index];
            const bool king = parent->Kings() & SquareBit(move.From());
            kingMoves += king;
            kingsCaptured += (move.Captured & parent->Kings()) != 0;
            const int32_t replies = parent->CountReplies(index);
            const uint64_t key = parent->MoveKey(index);  // the key a search asks ahead for
            child->ApplyMove(*parent, index);
            ASSERT_EQ(child->Key(), key);
            // Counting, the end-of-game test and a capture's being due, done without the list, must
            // agree with it.
            const int32_t counted = child->CountMoves();
            const bool any = child->HasMoves();
            const bool capture = HasCapture(child->BlackPieces(), child->WhitePieces(), child->Kings(), child->Turn());
            ASSERT_EQ(counted, child->MoveCount()) << child->GetAsText();
            ASSERT_EQ(replies, counted);
            ASSERT_EQ(any, counted > 0);
            ASSERT_EQ(capture, any && child->Moves()[0].Captured != 0) << child->GetAsText();
            ASSERT_TRUE(played.MakeMove(index));
            promotions += !king && (played.Kings() & SquareBit(move.To()));
            ASSERT_EQ(child->GetAsText(), played.GetAsText()) << "game " << game << " ply " << ply;
            ASSERT_EQ(child->Turn(), played.Turn());
            ASSERT_EQ(child->Key(), child->ComputeKey()) << "game " << game << " ply " << ply;
            std::swap(parent, child);
        }
    }
    // The games must have reached the cases that matter.
    EXPECT_GT(promotions, 100);
    EXPECT_GT(kingMoves, 1000);
    EXPECT_GT(kingsCaptured, 20);
}

TEST(PositionKeys, ApplyMoveFromTheMiddleOfACapture)
{
    auto board = Board("B:W18,26,32:B14");
    ASSERT_TRUE(board->MakeStep(P14, P23));  // its continuation still lists 18 as captured
    board->BeginSearch();
    TCheckersBoard child;
    const uint64_t key = board->MoveKey(0);
    child.ApplyMove(*board, 0);
    EXPECT_EQ(child.GetAsText(), test::TextWith({{P30, 'B'}, {P32, 'w'}}));
    EXPECT_EQ(child.Key(), child.ComputeKey());
    EXPECT_EQ(child.Key(), key);
}

}  // namespace
}  // namespace velk
