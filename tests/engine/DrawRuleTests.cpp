// The draw rule: the third occurrence of a position, and forty moves by each side with only
// kings moving.
#include <gtest/gtest.h>

#include "TestBoards.h"
#include "engine/DrawRule.h"
#include "engine/Repetition.h"

namespace velk {
namespace {

using test::Board;

TEST(DrawRule, TheThirdOccurrenceWithTheSameSideToMove)
{
    // The kings go back and forth; the pieces of the start recur with White to move in between.
    const char* const cycle[] = {"W:WK32:BK6", "B:WK28:BK6", "W:WK28:BK1", "B:WK32:BK1"};
    TGamePositions positions;
    positions.Reset(*Board("B:WK32:BK1"));
    positions.Push(*Board("W:WK32:BK1"));  // twice, with the other side to move: no draw
    positions.Push(*Board("W:WK32:BK1"));
    for (int turn = 0; turn < 8; ++turn) {
        EXPECT_FALSE(positions.Drawn()) << turn;
        positions.Push(*Board(cycle[turn % 4]));
    }
    EXPECT_EQ(positions.Reason(), TDrawReason::Repetition);
    EXPECT_EQ(positions.Count(), 11);
    EXPECT_EQ(positions.ReversibleKeys().size(), 11u);
    EXPECT_EQ(positions.ReversibleKeys().back(), Board("B:WK32:BK1")->ComputeKey());
}

// Kings wander without repeating a position while a man of each side waits: the count goes on
// to a draw, unless the last turn moves, crowns or takes a man, or takes a king.
TEST(DrawRule, FortyMovesEachWithOnlyKingsMovingUnlessAManMovesOrAPieceIsTaken)
{
    constexpr int LAST = TGamePositions::KING_MOVES_FOR_DRAW;
    struct TChange {
        TPosition From, To;
        char Piece;
    };
    const TChange changes[] = {{P01, P01, 'b'}, {P01, P05, 'b'}, {P32, P28, 'w'},
                               {P01, P29, 'B'}, {P32, P32, ' '}, {P22, P22, ' '}};
    for (const TChange& change : changes) {
        TGamePositions positions;
        TCheckersBoard board;
        std::string text;
        for (int turn = 0; turn <= LAST; ++turn) {
            text = test::TextWith({{P01, 'b'}, {P32, 'w'}});
            text[1 + turn % 15] = 'B';
            text[16 + turn / 15] = 'W';  // P22 at the last turn
            if (turn == LAST) {
                text[change.From] = ' ';
                text[change.To] = change.Piece;
            }
            board.SetAsText(text);
            board.SetTurn(turn % 2 == 0 ? PLAYER_BLACK : PLAYER_WHITE);
            if (turn == 0)
                positions.Reset(board);
            else
                positions.Push(board);
            ASSERT_EQ(positions.Reason(),
                      turn == LAST && &change == changes ? TDrawReason::FortyMoves : TDrawReason::None)
                << text << " " << turn;
        }
        EXPECT_EQ(positions.Count(), LAST + 1);
        EXPECT_EQ(positions.ReversibleKeys().size(), &change == changes ? LAST + 1u : 1u) << text;
    }
}

// The searches' set of the game's positions: built again for every search, it holds exactly
// that search's keys, 0 and colliding keys among them, however many there were before.
TEST(DrawRule, TheSearchesSetOfPastPositionsHoldsExactlyItsKeys)
{
    TPositionSet set;
    EXPECT_FALSE(set.Contains(0));
    std::vector<uint64_t> many;
    for (uint64_t i = 0; i < 100; ++i)
        many.push_back(i << 40);  // all at home in slot 0 of a small table
    set.Build(&many);
    for (const uint64_t key : many)
        ASSERT_TRUE(set.Contains(key)) << key;
    EXPECT_FALSE(set.Contains(1));
    const std::vector<uint64_t> few{7, 7, 1ull << 40};
    set.Build(&few);
    EXPECT_TRUE(set.Contains(7) && set.Contains(1ull << 40));
    EXPECT_FALSE(set.Contains(0) || set.Contains(2ull << 40));
    set.Build(nullptr);
    EXPECT_TRUE(set.Empty());
    EXPECT_FALSE(set.Contains(7));
}

}  // namespace
}  // namespace velk
