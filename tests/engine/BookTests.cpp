// The opening book: its text form and the draw among nearly equal moves. The book the program
// carries is walked from the ballots in the tool's tests, which read them.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "TestBoards.h"
#include "engine/ExpertSearch.h"
#include "engine/OpeningBook.h"

namespace velk {
namespace {

using test::Board;

const std::string START = "B:W21-32:B1-12";

std::string Key(const std::string& Fen)
{
    char text[20];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(Board(Fen)->ComputeKey()));
    return text;
}

TEST(BookTest, TextRoundTripsAndDamagedLinesAreRefusedByNumber)
{
    const std::string text =
        "# a comment\n\n" + Key(START) + " 11-15:12 09-13:-3  # the start\n" + "00000000000000ff 15-24-31:29990\n";
    TOpeningBook book;
    std::string error;
    ASSERT_TRUE(book.Parse(text, error)) << error;
    ASSERT_EQ(book.Size(), 2u);
    const TBookEntry* entry = book.Find(Board(START)->ComputeKey());
    ASSERT_NE(entry, nullptr);
    ASSERT_EQ(entry->Moves.size(), 2u);
    EXPECT_EQ(entry->Moves[1].Move, "09-13");
    EXPECT_EQ(entry->Moves[1].Score, -3);
    EXPECT_EQ(book.Find(0xfe), nullptr);
    // Written in key order, moves best first; read back, the same text again.
    const std::string written = book.Text({{0xff, "a capture"}});
    EXPECT_EQ(written, "00000000000000ff 15-24-31:29990 # a capture\n" + Key(START) + " 11-15:12 09-13:-3\n");
    TOpeningBook again;
    ASSERT_TRUE(again.Parse(written, error)) << error;
    EXPECT_EQ(again.Text(), book.Text());

    // A bad line leaves the book as it was.
    for (const auto& [bad, fault] : std::vector<std::pair<std::string, std::string>>{
             {"00000000000000ff", "line 2: a key and at least one move are needed"},
             {"ff 11-15:1", "line 2: the key \"ff\" is not 16 hex digits"},
             {"00000000000000fg 11-15:1", "line 2: the key \"00000000000000fg\" is not 16 hex digits"},
             {"00000000000000ff 11-15", "line 2: \"11-15\" is not MOVE:SCORE"},
             {"00000000000000ff 11-15:", "line 2: \"11-15:\" is not MOVE:SCORE"},
             {"00000000000000ff 11x15:3", "line 2: \"11x15:3\" is not MOVE:SCORE"},
             {"00000000000000ff 1-15:3", "line 2: \"1-15:3\" is not MOVE:SCORE"},
             {"00000000000000ff 11-15:1-2", "line 2: \"11-15:1-2\" is not MOVE:SCORE"},
             {"00000000000000FF 11-15:1", "line 2: the key 00000000000000FF is given twice"},
         }) {
        TOpeningBook damaged = book;
        EXPECT_FALSE(damaged.Parse("00000000000000ff 11-15:1\n" + bad + "\n", error)) << bad;
        EXPECT_EQ(error, fault);
        EXPECT_EQ(damaged.Text(), book.Text());
    }
}

// Moves within the margin are drawn, the better more often, the same seed giving the same move;
// a move the position does not have is never played, and a forced result is played as is.
TEST(BookTest, SeedsDrawAmongNearlyEqualLegalMovesOnly)
{
    TOpeningBook book;
    std::string error;
    // 05-09 is no move at the start: blocked by Black's own man. 12-16 is too far below.
    ASSERT_TRUE(book.Parse(Key(START) + " 05-09:90 11-15:10 09-13:5 10-14:0 12-16:-20\n", error)) << error;
    auto start = Board(START);
    std::map<std::string, int> drawn;
    for (uint64_t seed = 0; seed < 400; ++seed) {
        const int32_t index = book.Choose(*start, seed, 10);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, start->MoveCount());
        ++drawn[PathToText(start->Moves()[index])];
        EXPECT_EQ(book.Choose(*start, seed, 10), index);
    }
    EXPECT_EQ(drawn.size(), 3u);
    EXPECT_EQ(drawn.count("12-16"), 0u);
    EXPECT_GT(drawn["11-15"], drawn["09-13"]);
    EXPECT_GT(drawn["09-13"], drawn["10-14"]);
    // With no margin, the best legal move alone.
    for (uint64_t seed = 0; seed < 20; ++seed)
        EXPECT_EQ(PathToText(start->Moves()[book.Choose(*start, seed, 0)]), "11-15");

    ASSERT_TRUE(book.Parse(Key(START) + " 11-15:" + std::to_string(EXPERT_WIN - 5) +
                               " 09-13:" + std::to_string(EXPERT_WIN - 9) + "\n",
                           error));
    for (uint64_t seed = 0; seed < 20; ++seed)
        EXPECT_EQ(PathToText(start->Moves()[book.Choose(*start, seed)]), "11-15");
    // Not in the book, or no legal move among its moves: nothing.
    EXPECT_EQ(book.Choose(*Board("W:W21-32:B1-12"), 1), -1);
    ASSERT_TRUE(book.Parse(Key(START) + " 05-09:3\n", error));
    EXPECT_EQ(book.Choose(*start, 1), -1);
}

// A game's first moves vary: Black's first move and White's reply are drawn from the wider margin,
// from the program's own book, and never a move further below its best; after them the play margin.
TEST(BookTest, GamesOpenDifferentlyFromTheBuiltInBook)
{
    for (const std::string& fen : {START, std::string("W:W21-32:B1-10,12,15")}) {
        auto board = Board(fen);
        EXPECT_EQ(BookMargin(*board), BOOK_FIRST_MOVE_MARGIN) << fen;
        const TBookEntry* entry = BuiltInBook().Find(board->ComputeKey());
        ASSERT_NE(entry, nullptr) << fen;
        std::map<std::string, int> drawn;
        for (uint64_t seed = 0; seed < 100; ++seed)
            ++drawn[PathToText(board->Moves()[BookMove(*board, seed)])];
        EXPECT_GE(drawn.size(), 3u) << fen;
        for (const TBookMove& move : entry->Moves) {
            if (entry->Moves[0].Score - move.Score > BOOK_FIRST_MOVE_MARGIN) {
                EXPECT_EQ(drawn.count(move.Move), 0u) << move.Move << " in " << fen;
            }
        }
    }
    // Once both sides have moved, or from a set-up position with a king, the play margin.
    for (const char* fen : {"B:W18,21,23-32:B1-10,12,15", "W:W21-32:B1-11,K15"})
        EXPECT_EQ(BookMargin(*Board(fen)), BOOK_PLAY_MARGIN) << fen;
}

}  // namespace
}  // namespace velk
