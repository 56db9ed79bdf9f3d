// The draw rule: the third occurrence of a position, and forty moves by each side with only
// kings moving.
#include <gtest/gtest.h>

#include "TestBoards.h"
#include "engine/DrawRule.h"

namespace velk {
namespace {

using test::Board;

TEST(DrawRule, TheThirdOccurrenceWithTheSameSideToMove)
{
    // The kings go back and forth; the pieces of the start recur with White to move in between.
    const char* const cycle[] = {"W:WK32:BK6", "B:WK28:BK6", "W:WK28:BK1", "B:WK32:BK1"};
    TGamePositions positions;
    positions.Reset(*Board("B:WK32:BK1"));
    positions.Push(*Board("W:WK32:BK1"));
    positions.Push(*Board("W:WK32:BK1"));
    EXPECT_FALSE(positions.Drawn());  // twice, and the start's side to move is another
    for (int turn = 0; turn < 8; ++turn) {
        EXPECT_FALSE(positions.Drawn()) << turn;
        positions.Push(*Board(cycle[turn % 4]));
    }
    EXPECT_TRUE(positions.Drawn());
    EXPECT_EQ(positions.Count(), 11);
    EXPECT_EQ(positions.ReversibleKeys().size(), 11u);
    EXPECT_EQ(positions.ReversibleKeys().back(), Board("B:WK32:BK1")->ComputeKey());
}

// Kings wander without repeating a position while a man of each side waits: the count goes on
// to a draw, but a man's move, a crowning or a capture starts it again.
TEST(DrawRule, FortyMovesEachWithOnlyKingsMovingUnlessAManMovesOrAPieceIsTaken)
{
    const auto kings = [](int Turn) {
        std::string text = test::TextWith({{P01, 'b'}, {P32, 'w'}});
        text[1 + Turn % 15] = 'B';
        text[16 + Turn / 15] = 'W';
        return text;
    };
    TGamePositions positions;
    const auto play = [&](int Turns) {
        TCheckersBoard b;
        b.SetAsText(kings(0));
        b.SetTurn(PLAYER_BLACK);
        positions.Reset(b);
        for (int turn = 1; turn <= Turns; ++turn) {
            EXPECT_FALSE(positions.Drawn()) << turn;
            b.SetAsText(kings(turn));
            b.SetTurn(turn % 2 == 0 ? PLAYER_BLACK : PLAYER_WHITE);
            positions.Push(b);
        }
    };
    play(TGamePositions::KING_MOVES_FOR_DRAW);
    EXPECT_TRUE(positions.Drawn());
    EXPECT_EQ(positions.ReversibleKeys().size(), 81u);

    const int last = TGamePositions::KING_MOVES_FOR_DRAW;
    const std::pair<TPosition, TPosition> changes[] = {
        {P01, P05},  // a man moves
        {P01, P29},  // a man is crowned: the piece count stays, the men change
        {P22, P22},  // the white king is taken
        {P32, P32},  // a man is taken
    };
    for (const auto& [from, to] : changes) {
        play(last - 1);
        std::string text = kings(last);
        const char piece = text[from] == 'b' && to == P29 ? 'B' : text[from];
        text[from] = ' ';
        if (from != to)
            text[to] = piece;
        TCheckersBoard b;
        b.SetAsText(text);
        b.SetTurn(PLAYER_BLACK);
        positions.Push(b);
        EXPECT_FALSE(positions.Drawn()) << text;
        EXPECT_EQ(positions.ReversibleKeys().size(), 1u) << text;
        EXPECT_EQ(positions.Count(), last + 1) << text;
    }
}

}  // namespace
}  // namespace velk
