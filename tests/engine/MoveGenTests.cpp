// The rules: which moves are legal, the order they are listed in (the search, the notation and
// saved games all refer to moves by index), and the three ways of making them.
#include <gtest/gtest.h>

#include "TestBoards.h"

namespace velk {
namespace {

using test::Board;
using test::MoveTexts;
using test::Path;

TEST(MoveGeneration, InitialPositionForEitherSide)
{
    EXPECT_EQ(MoveTexts("B:W21-32:B1-12"), "12-16 11-15 10-14 09-13 11-16 10-15 09-14");
    EXPECT_EQ(MoveTexts("W:W21-32:B1-12"), "24-20 23-19 22-18 21-17 24-19 23-18 22-17");
}

TEST(MoveGeneration, SimpleMovesForwardFirstThenKingsBackward)
{
    EXPECT_EQ(MoveTexts("B:W32:BK14"), "14-18 14-17 14-10 14-09");
    // Kings on the side edges must not wrap around into the neighbouring row.
    EXPECT_EQ(MoveTexts("B:W30:BK5,K28"), "28-32 05-09 28-24 05-01");
    EXPECT_EQ(MoveTexts("W:W10:B14"), "10-06 10-07");
    EXPECT_EQ(MoveTexts("B:W6:B10"), "10-14 10-15");  // a man does not capture backward
    EXPECT_EQ(MoveTexts("B:W6:BK10"), "10-01");        // a king does
}

TEST(MoveGeneration, CapturesAreCompulsoryAndListedLongestFirst)
{
    EXPECT_EQ(MoveTexts("B:W18:B14,1"), "14-23");
    EXPECT_EQ(MoveTexts("B:W25,6,14:BK29,1"), "01-10-17 29-22");
    EXPECT_EQ(MoveTexts("B:W6,16:BK2,12"), "02-09 12-19");  // kings' captures come first
    EXPECT_EQ(MoveTexts("B:W18,26,27:B14"), "14-23-30 14-23-32");
}

TEST(MoveGeneration, CrowningEndsTheCapture)
{
    EXPECT_EQ(MoveTexts("B:W25,26:B21"), "21-30");
    EXPECT_EQ(MoveTexts("B:W25,26:BK21"), "21-30-23");
    EXPECT_EQ(MoveTexts("W:W11:B6,7"), "11-02");
    EXPECT_EQ(MoveTexts("W:WK11:B6,7"), "11-02-09");
}

TEST(MoveGeneration, KingMayReturnToItsStartButNeverJumpsAPieceTwice)
{
    EXPECT_EQ(MoveTexts("W:WK1:B6"), "01-10");
    auto board = Board("B:W14,15,22,23:BK10");
    EXPECT_EQ(test::Texts(board->Moves()), "10-17-26-19-10 10-19-26-17-10");
    const TSquareSet all = SquareBit(P14) | SquareBit(P15) | SquareBit(P22) | SquareBit(P23);
    EXPECT_EQ(board->Moves()[0].Captured, all);
    ASSERT_TRUE(board->MakeMove(1));
    EXPECT_EQ(board->GetAsText(), test::TextWith({{P10, 'B'}}));
    EXPECT_EQ(board->GameState(), gsPlayer2Won);
}

TEST(MoveList, RestrictKeepsContinuationsFromThePrefixEnd)
{
    TMoveList list;
    auto board = Board("B:W14,15,22,23:BK10");
    GenerateMoves(list, board->BlackPieces(), board->WhitePieces(), board->Kings(), PLAYER_BLACK);
    const TSquareSet captured = list[0].Captured;
    list.Restrict(Path({P10}));
    EXPECT_EQ(test::Texts(list), "10-17-26-19-10 10-19-26-17-10");
    list.Restrict(Path({P10, P19}));
    EXPECT_EQ(test::Texts(list), "19-26-17-10");
    EXPECT_EQ(list[0].Captured, captured);
    list.Restrict(Path({P19, P22}));
    EXPECT_EQ(list.Count(), 0);
}

TEST(MoveList, CompleteExtendsAPathWhileTheMovesAgree)
{
    TCheckersMove path = Path({P09});
    EXPECT_FALSE(Board("B:W21-32:B1-12")->Moves().Complete(path));
    EXPECT_EQ(PathToText(path), "09");
    path = Path({P14});
    EXPECT_TRUE(Board("B:W18,26:B14")->Moves().Complete(path));
    EXPECT_EQ(PathToText(path), "14-23-30");
    path = Path({P14});
    EXPECT_FALSE(Board("B:W18,26,27:B14")->Moves().Complete(path));
    EXPECT_EQ(PathToText(path), "14-23");  // the common part is kept
}

// Records the board's notifications, checking that each step is reported before it is made.
struct EventLog {
    explicit EventLog(TCheckersBoard& Board)
    {
        Board.OnSimpleMove = [this](TCheckersBoard* b, TPosition s, TPosition d) {
            EXPECT_NE(b->Squares(s), pcNone);
            Add('S', PathToText(Path({s, d})));
        };
        Board.OnAttackMove = [this](TCheckersBoard* b, TPosition s, TPosition d, TPosition j) {
            EXPECT_NE(b->Squares(s), pcNone);
            EXPECT_NE(b->Squares(j), pcNone);
            Add('A', PathToText(Path({s, j, d})));
        };
        Board.OnPromote = [this](TCheckersBoard* b, TPosition p) {
            EXPECT_FALSE(b->InStep());  // the step is complete: handlers may look at the board
            Add('P', PositionToText(p));
        };
        Board.OnTurnEnd = [this](TGameBoard* b) { Add('T', std::to_string(b->Turn())); };
    }
    void Add(char Kind, const std::string& What)
    {
        Text += Kind;
        Text += What;
        Text += ' ';
    }
    std::string Text;
};

TEST(MakingMoves, SimpleMoveThenTurnPasses)
{
    TCheckersBoard board;
    board.NewGame();
    EventLog log(board);
    ASSERT_TRUE(board.MakeMove(0));
    EXPECT_EQ(log.Text, "S12-16 T1 ");
    EXPECT_EQ(board.GetAsText(), "bbbbbbbbbbb    b    wwwwwwwwwwww");
}

TEST(MakingMoves, CaptureStepByStepThenPromotionThenTurnEnd)
{
    auto board = Board("B:W18,26,32:B14");
    EventLog log(*board);
    ASSERT_TRUE(board->MakePath(Path({P14, P23})));
    EXPECT_EQ(board->Turn(), PLAYER_BLACK);
    EXPECT_EQ(board->LastStepPos(), P23);
    EXPECT_EQ(test::Texts(board->Moves()), "23-30");
    ASSERT_TRUE(board->MakeMove(0));
    EXPECT_EQ(log.Text, "A14-18-23 A23-26-30 P30 T1 ");
    EXPECT_EQ(board->GetAsText(), test::TextWith({{P30, 'B'}, {P32, 'w'}}));
    EXPECT_EQ(board->LastStepPos(), 0u);
}

TEST(MakingMoves, IllegalRequestsChangeNothing)
{
    auto board = Board("B:W18,26,32:B14");
    EventLog log(*board);
    const std::string before = board->GetAsText();
    EXPECT_FALSE(board->MakeStep(P14, P19));  // a capture is due
    EXPECT_FALSE(board->MakeStep(P23, P30));  // not the first step
    EXPECT_FALSE(board->MakeMove(1));
    EXPECT_FALSE(board->MakePath(Path({P14})));
    EXPECT_EQ(log.Text, "");
    EXPECT_EQ(board->GetAsText(), before);
    // A path that goes wrong halfway keeps the steps made before.
    EXPECT_FALSE(board->MakePath(Path({P14, P23, P32})));
    EXPECT_EQ(log.Text, "A14-18-23 ");
    EXPECT_EQ(board->LastStepPos(), P23);
}

}  // namespace
}  // namespace velk
