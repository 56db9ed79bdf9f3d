// The three-move ballots: the list the program carries against the file it is built from, lists
// of a user's own and the faults they may hold, decks drawn by seed, moves as the lists write
// them, and the PDN tag that names a game's ballot.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "engine/TestBoards.h"
#include "record/Ballots.h"

namespace velk {
namespace {

using test::Board;

TEST(BallotTest, BuiltInListIsTheFileNumberedInOrder)
{
    const std::vector<TBallot>& ballots = BuiltInBallots();
    std::vector<TBallot> file;
    std::string error;
    ASSERT_TRUE(ReadBallots(VELK_SOURCE_DIR "/data/three-move-ballots.tsv", file, error)) << error;
    ASSERT_EQ(ballots.size(), 174u);
    ASSERT_EQ(file.size(), ballots.size());
    std::map<std::string, int> decks;
    for (size_t i = 0; i < ballots.size(); ++i) {
        EXPECT_EQ(ballots[i].Number, static_cast<int>(i) + 1);
        EXPECT_EQ(ballots[i].Fen, file[i].Fen);
        EXPECT_EQ(FindBallot(ballots[i].Number), &ballots[i]);
        ++decks[ballots[i].Deck];
    }
    EXPECT_EQ(decks, (std::map<std::string, int>{{"barred", 18}, {"crossboard", 144}, {"mailplay", 12}}));
    EXPECT_EQ(FindBallot(5)->Name, "Dreaded Edinburgh");
    EXPECT_EQ(FindBallot(4)->Moves, "9-13 22-17 13x22");
    EXPECT_EQ(FindBallot(0), nullptr);
    EXPECT_EQ(FindBallot(175), nullptr);
}

// Decks by the names a user types, drawn the same way for the same seed on every run; a list's
// "mail-play" is the same deck as "mailplay".
TEST(BallotTest, DecksAreNamedAndDrawnBySeed)
{
    std::string deck = "unchanged";
    for (const char* bad : {"", "Crossboard", "mail", "mail play", "al"})
        EXPECT_FALSE(ParseDeck(bad, deck)) << bad;
    EXPECT_EQ(deck, "unchanged");
    for (const char* name : {"crossboard", "mailplay", "barred", "all"}) {
        ASSERT_TRUE(ParseDeck(name, deck)) << name;
        EXPECT_EQ(deck, name);
    }
    ASSERT_TRUE(ParseDeck("mail-play", deck));
    EXPECT_EQ(deck, "mailplay");

    const std::vector<TBallot>& ballots = BuiltInBallots();
    const auto drawn = DrawBallots(ballots, "mailplay", 5, 9);
    ASSERT_EQ(drawn.size(), 5u);
    EXPECT_EQ(DrawBallots(ballots, "mailplay", 5, 9)[4].Number, drawn[4].Number);
    for (const TBallot& ballot : drawn)
        EXPECT_EQ(ballot.Deck, "mailplay");
    EXPECT_EQ(DrawBallots(ballots, "barred", 0, 1).size(), 18u);
    EXPECT_EQ(DrawBallots(ballots, "all", 0, 9).size(), 174u);
    EXPECT_NE(DrawBallots(ballots, "all", 0, 9)[0].Number, DrawBallots(ballots, "all", 0, 10)[0].Number);

    const auto both = DrawBallots(ballots, std::vector<std::string>{"mailplay", "barred"}, 0, 2);
    EXPECT_EQ(both.size(), 30u);
    EXPECT_EQ(DrawBallots(ballots, std::vector<std::string>{"barred", "mailplay"}, 0, 2)[7].Number, both[7].Number);

    // What a list filtered by typing shows.
    EXPECT_TRUE(BallotMatches(*FindBallot(5), ""));
    EXPECT_TRUE(BallotMatches(*FindBallot(5), " edinburgh  DREADED "));
    EXPECT_TRUE(BallotMatches(*FindBallot(6), "9-13 22-18 mailplay"));
    EXPECT_FALSE(BallotMatches(*FindBallot(6), "9-13 22-18 crossboard"));
    EXPECT_TRUE(BallotMatches(*FindBallot(12), "12"));
    EXPECT_FALSE(BallotMatches(*FindBallot(13), "12"));

    std::vector<TBallot> own;
    std::string error;
    ASSERT_TRUE(ParseBallots("7\t9-13 22-18 6-9\tmail-play\t\t" + FindBallot(5)->Fen + "\n", "own.tsv", own, error))
        << error;
    EXPECT_EQ(DrawBallots(own, "mailplay", 0, 1).size(), 1u);
}

// A capture spelled square by square must follow the path; a move the position lacks is none.
TEST(BallotTest, MovesAreFoundAsTheListsWriteThem)
{
    auto shot = Board("B:W6,15:B1");
    EXPECT_EQ(FindNotatedMove(*shot, "1x14x19"), -1);
    EXPECT_EQ(FindNotatedMove(*shot, "1x10"), -1);
    EXPECT_EQ(FindNotatedMove(*shot, "1x10x19"), 0);
    EXPECT_EQ(FindNotatedMove(*shot, "1x19"), 0);
    auto start = Board("B:W21-32:B1-12");
    const int32_t leading = FindNotatedMove(*start, "09-13");
    ASSERT_GE(leading, 0);
    EXPECT_EQ(start->Moves()[leading].From(), 8);
    for (const char* wrong : {"11-16x", "11", "", "33-37", "21-17", "11--15", "011-15"})
        EXPECT_EQ(FindNotatedMove(*start, wrong), -1) << wrong;
}

// A damaged list is refused whole, naming the line and what is wrong with it; a ballot whose
// moves do not lead to its position cannot start a game.
TEST(BallotTest, FaultsNameTheirLine)
{
    const std::string good = "1\t9-13 21-17 5-9\tcrossboard\t\t" + FindBallot(1)->Fen + "\n";
    std::vector<TBallot> ballots;
    std::string error;
    ASSERT_TRUE(ParseBallots("# header\r\n" + good, "x.tsv", ballots, error)) << error;
    ASSERT_EQ(ballots.size(), 1u);
    const std::map<std::string, std::string> faults = {
        {"# only a comment\n", "x.tsv holds no ballot"},
        {good + "2\t9-13\tcrossboard\tB:W21-32:B1-12\n",
         "x.tsv:2: expected NUMBER, MOVES, DECK, NAME and FEN separated by tabs"},
        {"3\t9-13 22-18 22-17\tcrossboard\t\tB:W21-32:B1-12\n", "x.tsv:1: 22-17 is not a legal move after 9-13 22-18"},
        {"3\t22-18\tcrossboard\t\tB:W21-32:B1-12\n", "x.tsv:1: 22-18 is not a legal move at the start"},
        {"3\t9-13 21-17 6-9\tcrossboard\t\t" + FindBallot(1)->Fen + "\n",
         "x.tsv:1: 9-13 21-17 6-9 leads to " + FindBallot(2)->Fen + ", not " + FindBallot(1)->Fen},
        {"3\t\tcrossboard\t\tB:W21-32:B1-12\n", "x.tsv:1: no moves"},
    };
    for (const auto& [text, message] : faults) {
        EXPECT_FALSE(ParseBallots(text, "x.tsv", ballots, error)) << text;
        EXPECT_EQ(error, message);
        EXPECT_EQ(ballots.size(), 1u);  // untouched
    }
    EXPECT_FALSE(ParseBallots("3\t9-13\tcrossboard\t\tW:W21-32:B1-13,33\n", "x.tsv", ballots, error));
    EXPECT_EQ(error.rfind("x.tsv:1: ", 0), 0u) << error;
    EXPECT_FALSE(ReadBallots("/nonexistent/ballots.tsv", ballots, error));
    EXPECT_EQ(error, "cannot read /nonexistent/ballots.tsv");

    TBallot wrong = *FindBallot(12);
    wrong.Fen = FindBallot(11)->Fen;
    try {
        BallotRecords(wrong);
        ADD_FAILURE() << "played";
    } catch (const EBallotError& e) {
        EXPECT_EQ(std::string(e.what()).rfind("Ballot 12: 9-13 23-18 6-9 leads to ", 0), 0u) << e.what();
    }
}

TEST(BallotTest, TheOpeningTagNamesTheBallot)
{
    TPdnTags tags = DefaultPdnTags("Red", "White");
    EXPECT_EQ(BallotFromTags(tags), 0);
    SetBallotTag(tags, 12);
    EXPECT_EQ(PdnTagValue(tags, "Opening"), "ACF 12");
    EXPECT_EQ(BallotFromTags(tags), 12);
    SetBallotTag(tags, 174);
    EXPECT_EQ(BallotFromTags(tags), 174);
    // As other programs may have written it, and what names no ballot of the list.
    for (const auto& [value, number] : std::map<std::string, int>{
             {"ACF #7", 7}, {"acf 9", 9}, {"ACF 175", 0}, {"ACF 0", 0}, {"ACF", 0}, {"Single Corner", 0}, {"12", 0}}) {
        SetPdnTag(tags, "Opening", value);
        EXPECT_EQ(BallotFromTags(tags), number) << value;
    }
}

}  // namespace
}  // namespace velk
