// The book the program carries walked from the start and from every ballot, and the score a
// match reports.
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/MatchCommand.h"
#include "engine/Fen.h"
#include "engine/OpeningBook.h"
#include "engine/TestBoards.h"

namespace velk {
namespace {

using test::Board;

// The program's own book covers the start, the positions on the way to every ballot and the
// ballots; walked from there along its moves, every entry is reached and every move it holds is
// legal where it stands.
TEST(BookTest, BuiltInBookCoversTheBallotsAndHoldsOnlyLegalMoves)
{
    const TOpeningBook& book = BuiltInBook();
    ASSERT_GT(book.Size(), 0u);
    std::vector<std::string> roots;
    for (const TBallot& ballot : BuiltInBallots()) {
        TCheckersBoard board;
        board.NewGame();
        std::istringstream moves(ballot.Moves);
        for (std::string move; moves >> move;) {
            roots.push_back(BoardToFen(board));
            ASSERT_TRUE(board.MakeMove(FindNotatedMove(board, move)));
        }
        roots.push_back(ballot.Fen);
    }

    std::set<uint64_t> seen;
    std::vector<std::string> todo = roots;
    int moves = 0;
    for (size_t next = 0; next < todo.size(); ++next) {
        auto board = Board(todo[next]);
        const TBookEntry* entry = book.Find(board->ComputeKey());
        if (next < roots.size()) {
            ASSERT_NE(entry, nullptr) << todo[next];
        }
        if (entry == nullptr || !seen.insert(entry->Key).second)
            continue;
        EXPECT_GE(book.Choose(*board, 1), 0) << todo[next];
        for (const TBookMove& move : entry->Moves) {
            int32_t index = -1;
            for (int32_t i = 0; i < board->MoveCount(); ++i)
                if (PathToText(board->Moves()[i]) == move.Move)
                    index = i;
            ASSERT_GE(index, 0) << move.Move << " in " << todo[next];
            ++moves;
            TCheckersBoard child;
            child.Assign(*board);
            ASSERT_TRUE(child.MakeMove(index));
            todo.push_back(BoardToFen(child));
        }
    }
    EXPECT_EQ(seen.size(), book.Size());
    EXPECT_GE(moves, static_cast<int>(book.Size()));
}

// The margin is 1.96 standard errors of the mean game score: none for equal results.
TEST(MatchTest, MatchScoreHasANinetyFivePercentMargin)
{
    double score, margin;
    MatchScore(10, 10, 0, score, margin);
    EXPECT_DOUBLE_EQ(score, 50);
    EXPECT_NEAR(margin, 21.9, 0.05);
    MatchScore(8, 0, 12, score, margin);
    EXPECT_DOUBLE_EQ(score, 70);
    EXPECT_NEAR(margin, 100 * 1.96 * std::sqrt((8 * 0.09 + 12 * 0.04) / 20.0 / 20.0), 1e-9);
    MatchScore(0, 0, 7, score, margin);
    EXPECT_DOUBLE_EQ(margin, 0);
    MatchScore(0, 0, 0, score, margin);
    EXPECT_DOUBLE_EQ(score, 0);
}

}  // namespace
}  // namespace velk
