// The three-move ballots as the tool's matches and book builder read them, the book the program
// carries walked from the start and from every ballot, and the score a match reports.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
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

const std::string START = "B:W21-32:B1-12";

// The program's own book covers the start, the positions on the way to every ballot and the
// ballots; walked from there along its moves, every entry is reached and every move it holds is
// legal where it stands.
TEST(BookTest, BuiltInBookCoversTheBallotsAndHoldsOnlyLegalMoves)
{
    const TOpeningBook& book = BuiltInBook();
    ASSERT_GT(book.Size(), 0u);
    std::vector<TBallot> ballots;
    std::string error;
    ASSERT_TRUE(ReadBallots(VELK_SOURCE_DIR "/data/three-move-ballots.tsv", ballots, error)) << error;
    std::vector<std::string> roots;
    for (const TBallot& ballot : ballots) {
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

// Every ballot's moves, as written ("9-13", "13x22"), lead from the start to its FEN; decks and
// seeds draw the same ballots every time.
TEST(BallotTest, BallotsReadPlayAndDrawAsWritten)
{
    std::vector<TBallot> ballots;
    std::string error;
    ASSERT_TRUE(ReadBallots(VELK_SOURCE_DIR "/data/three-move-ballots.tsv", ballots, error)) << error;
    ASSERT_EQ(ballots.size(), 174u);
    std::map<std::string, int> decks;
    std::set<uint64_t> keys;
    for (const TBallot& ballot : ballots) {
        ++decks[ballot.Deck];
        TCheckersBoard board;
        board.NewGame();
        std::istringstream moves(ballot.Moves);
        for (std::string move; moves >> move;) {
            const int32_t index = FindNotatedMove(board, move);
            ASSERT_GE(index, 0) << ballot.Number << ": " << move;
            ASSERT_TRUE(board.MakeMove(index));
        }
        EXPECT_EQ(BoardToFen(board), BoardToFen(*Board(ballot.Fen))) << ballot.Number;
        keys.insert(board.ComputeKey());
    }
    EXPECT_EQ(keys.size(), 174u);
    EXPECT_EQ(decks, (std::map<std::string, int>{{"barred", 18}, {"crossboard", 144}, {"mailplay", 12}}));
    // A capture spelled square by square must follow the path; a move the position lacks is none.
    auto shot = Board("B:W6,15:B1");
    EXPECT_EQ(FindNotatedMove(*shot, "1x14x19"), -1);
    EXPECT_EQ(FindNotatedMove(*shot, "1x10"), -1);
    EXPECT_EQ(FindNotatedMove(*shot, "1x10x19"), 0);
    EXPECT_EQ(FindNotatedMove(*shot, "1x19"), 0);
    auto start = Board(START);
    for (const char* wrong : {"11-16x", "11", "", "33-37", "21-17", "11--15"})
        EXPECT_EQ(FindNotatedMove(*start, wrong), -1) << wrong;

    const auto drawn = DrawBallots(ballots, "mailplay", 5, 9);
    ASSERT_EQ(drawn.size(), 5u);
    EXPECT_EQ(DrawBallots(ballots, "mailplay", 5, 9)[4].Number, drawn[4].Number);
    for (const TBallot& ballot : drawn)
        EXPECT_EQ(ballot.Deck, "mailplay");
    EXPECT_EQ(DrawBallots(ballots, "all", 0, 9).size(), 174u);
    EXPECT_NE(DrawBallots(ballots, "all", 0, 9)[0].Number, DrawBallots(ballots, "all", 0, 10)[0].Number);

    // Damaged files name the line.
    const std::string path = ::testing::TempDir() + "ballots.tsv";
    std::ofstream(path) << "# header\n1\t9-13\tcrossboard\t\tW:W21-32:B1-13,33\n";
    EXPECT_FALSE(ReadBallots(path, ballots, error));
    EXPECT_EQ(error.rfind(path + ":2: ", 0), 0u) << error;
    std::ofstream(path) << "1\t9-13\tcrossboard\tW:W21-32:B1-12\n";
    EXPECT_FALSE(ReadBallots(path, ballots, error));
    EXPECT_EQ(error, path + ":1: expected NUMBER, MOVES, DECK, NAME and FEN separated by tabs");
}

// The margin is 1.96 standard errors of the mean game score: none for equal results.
TEST(BallotTest, MatchScoreHasANinetyFivePercentMargin)
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
