// Games in PDN: every form the reader accepts, its errors, the game list, the writer's form,
// round trips between the program's records and PDN, analyses among them, and positions pasted
// as FEN or PDN text.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "engine/CheckersBoard.h"
#include "engine/Fen.h"
#include "engine/ScoreText.h"
#include "record/Pdn.h"
#include "record/PositionText.h"

using namespace velk;

namespace {

const char* const OPENING_END = "B:W18,21,23,24,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,8,9,10,12";

std::string FinalFen(const TGameHistory& History)
{
    TCheckersBoard board;
    History.LoadBoardAt(History.Count(), board);
    return BoardToFen(board);
}

// Each whole turn's squares in the engine's notation, and the start, for comparing records.
std::string Turns(const TGameHistory& History)
{
    std::string text = BoardToFen(static_cast<const TCheckersBoard&>(History.StartBoard())) + " |";
    TMovementPath turn;
    for (int32_t i = 0; i < History.Count(); ++i) {
        const TMovementPath& path = History.Items(i).Path;
        turn.insert(turn.end(), path.begin() + (!turn.empty() && turn.back() == path.front() ? 1 : 0), path.end());
        if (History.Items(i).EndsTurn) {
            text += ' ';
            text += PathNotation(turn, false);
            turn.clear();
        }
    }
    return text;
}

TEST(PdnRead, AcceptsEachForm)
{
    struct TCase {
        const char* What;
        std::string Text;
        int Plies;
        const char* Fen;
        bool Finished;
    } cases[] = {
        {"tags in any order, numbers, captures",
         "[Result \"*\"]\n[White \"W\"] [GameType \"21\"] [Event \"E\"]\n[Black \"B\"]\n"
         "1. 11-15 22-18 2. 15x22 25x18 *",
         4, OPENING_END, false},
        {"marks, comments, nested variations, line breaks anywhere",
         "1. 11-15! ; a line comment 1-0\n(1. 9-13 (1. 10-14 23-19) 22-18) 22-18?!\n2.\n15x22!! $3\n"
         "{a comment (with brackets)} 25x18?? 1/2-1/2",
         4, OPENING_END, true},
        {"byte-order mark, CR LF, a numbered move glued to its number",
         "\xEF\xBB\xBF[Event \"x\"]\r\n\r\n1.11-15\r\n22-18 2...\r\n15x22 25x18 2-0\r\n", 4, OPENING_END, true},
        {"FEN with kings, the capture in full", "[SetUp \"1\"]\n[FEN \"B:W18,24,K10:B12,16,K22\"]\n1. 22x15x6 *", 1,
         "W:W24:BK6,12,16", false},
        {"a capture by its first and last squares; the side left without a move has lost",
         "[FEN \"B:W15,22:B11\"]\n1. 11x25", 1, "W:W:B25", true},
        {"White first, 1... after a comment, the text's own numbering",
         "[FEN \"W:W18,24,K10:B12,16,K22\"]\n{White starts} 1... 24-19 2. 16x23 *", 2, "W:WK10,18:B12,K22,23", false},
        {"the Result tag alone decides", "[Result \"0-1\"]\n1. 11-15", 1, nullptr, true},
        {"a star move, a FEN of one colour", "[FEN \"B:B1,2\"]\n1. 1-5*", 1, "W:W:B2,5", true},
        {"a capture written with colons", "[FEN \"B:W15,22:B11\"]\n1. 11:18:25", 1, "W:W:B25", true},
        {"algebraic squares, a capture a step a move",
         "[GameType \"21,B,8,8,A0,0\"]\n1. c3-d4 f6-e5 2. d4xf6 g7xe5 3. b2-c3", 5, nullptr, false},
        {"a byte-order mark inside the text", "1. 11-15\xEF\xBB\xBF 22-18 2. 15x22 25x18 *", 4, OPENING_END, false},
        {"tags only", "[Event \"nothing played\"]", 0,
         "B:W21,22,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,8,9,10,11,12", false},
    };
    for (const TCase& c : cases) {
        TCheckersBoard boardClass;
        TGameHistory history(boardClass);
        ReadPdnGame(c.Text, 1, history);
        EXPECT_EQ(history.Count(), c.Plies) << c.What;
        EXPECT_EQ(history.Position(), c.Plies) << c.What;
        if (c.Fen) {
            EXPECT_EQ(FinalFen(history), c.Fen) << c.What;
        }
        EXPECT_EQ(history.Finished(), c.Finished) << c.What;
        for (int32_t i = 0; i < history.Count(); ++i)
            EXPECT_TRUE(history.Items(i).EndsTurn && history.Items(i).Duration == 0) << c.What;
    }
    // Every result form; only * leaves a game that still has moves unfinished.
    for (const char* result : {"1-0", "0-1", "1/2-1/2", "2-0", "0-2", "1-1", "*"}) {
        TCheckersBoard boardClass;
        TGameHistory history(boardClass);
        ReadPdnGame(std::string("1. 11-15 ") + result, 1, history);
        EXPECT_EQ(history.Finished(), std::string(result) != "*") << result;
    }
}

TEST(PdnRead, ErrorsNameGameMoveAndTextAndChangeNothing)
{
    const std::pair<std::string, std::string> cases[] = {
        {"[GameType \"20\"]\n1. 32-28 *", "Game 2: GameType 20 is not English draughts (21)"},
        {"1. 11-15 22-18 2. 9-13 *", "Game 2, move 2: 9-13 is not a legal move here"},  // captures are compulsory
        {"17. 11-15 22-26 *", "Game 2, move 17: 22-26 is not a legal move here"},
        {"[FEN \"B:W6,7,14,15:B2\"]\n1. 2x18 *", "Game 2, move 1: 2x18 is ambiguous here: it may be 2x9x18 or 2x11x18"},
        {"1. 11-15 e4", "Game 2, move 1: e4 is not a move"},
        {"1. 11-35", "Game 2, move 1: 11-35 names a square that is not on the board (1-32)"},
        {"[FEN \"B:W21-32:X1-12\"]",
         "Game 2: FEN \"B:W21-32:X1-12\": FEN side field must start with W or B: \"X1-12\""},
        {"[Event \"unclosed]\n1. 11-15", "Game 2: a tag pair is not written as [Name \"value\"]"},
        {"1. 11-15 {open", "Game 2, move 1: a comment { ... } is not closed"},
        {"1. 11-15 (22-18 (23-19)", "Game 2, move 1: a variation ( ... ) is not closed"},
        {"1. 11-15 ) *", "Game 2, move 1: ')' closes nothing"},
        {"1. zz c3-d4", "Game 2, move 1: zz is not a move"},
        {"1. a2-b3", "Game 2, move 1: a2-b3 names a light square"},
        {"1. 11-15-19-23-27-31-26-22-18-14-10-6", "Game 2, move 1: 11-15-19-23-27-31-26-22-18-14-10-6 is not a legal move here"},
        {"1. 11-15 22-\x01", "Game 2, move 1: 22-? is not a move"},
        {"[FEN \"B:W21-32:B1-13\"]", "Game 2: FEN \"B:W21-32:B1-13\": the position has 13 black pieces (at most 12 expected)"},
        {"[FEN \"W:W21-31:B1-11,32\"]",
         "Game 2: FEN \"W:W21-31:B1-11,32\": the position has a black man on square 32, the row where it would have "
         "been crowned"},
        {"[FEN \"B:W" + std::string(100, '1') + "\"]",  // a huge field is quoted in part
         "Game 2: FEN \"B:W" + std::string(37, '1') + "\u2026\": bad square \"" + std::string(40, '1') +
             "\u2026\" (squares are 1-32)"},
    };
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    ReadPdnGame("[FEN \"W:W18,24,K10:B12,16,K22\"]\n1... 24-19 *", 1, history);
    const std::string before = Turns(history);
    for (const auto& [text, message] : cases) {
        try {
            ReadPdnGame(text, 2, history);
            ADD_FAILURE() << "read: " << text;
        } catch (const EPdnError& e) {
            EXPECT_EQ(e.what(), message);
        }
        EXPECT_EQ(Turns(history), before) << text;
    }
}

TEST(PdnList, SplitsGamesAndReadsTheirTags)
{
    const std::string text =
        "\xEF\xBB\xBF[Event \"Open \\\"A\\\"\"]\r\n[Black \"Ann\"]\r\n[White \"Bob\"]\r\n[Result \"1-0\"]\r\n\r\n"
        "1. 11-15 22-18 2. 15x22 {2. 12-16} 25x18 1-0\r\n\r\n"
        "{between games} 1. 9-13 22-18 2. 13-17 21x14 0-1\n"
        "[Event \"no result\"]\n1. 9-14 (1. 10-15)\n"
        "\xEF\xBB\xBF[Event \"last\"]\n[Result \"1/2-1/2\"]\n";  // files joined: a mark at the seam
    const std::vector<TPdnGameInfo> games = ListPdnGames(text);
    ASSERT_EQ(games.size(), 4u);
    const std::tuple<const char*, const char*, const char*, const char*, int, const char*, const char*> expected[] = {
        {"Open \"A\"", "Ann", "Bob", "1-0", 2, "[Event", "25x18 1-0"},
        {"", "", "", "0-1", 2, "1. 9-13", "21x14 0-1"},
        {"no result", "", "", "*", 1, "[Event", "(1. 10-15)"},
        {"last", "", "", "1/2-1/2", 0, "[Event", "\"1/2-1/2\"]"},
    };
    for (size_t i = 0; i < games.size(); ++i) {
        const auto& [event, black, white, result, moves, begins, ends] = expected[i];
        const TPdnGameInfo& g = games[i];
        const std::string own = text.substr(g.Offset, g.Length);
        EXPECT_EQ(g.Number, static_cast<int>(i + 1));
        EXPECT_EQ(g.Event, event);
        EXPECT_EQ(g.Black, black);
        EXPECT_EQ(g.White, white);
        EXPECT_EQ(g.Result, result);
        EXPECT_EQ(g.Moves, moves) << i;
        EXPECT_EQ(own.rfind(begins, 0), 0u) << own;
        EXPECT_TRUE(own.size() >= std::strlen(ends) &&
                    own.compare(own.size() - std::strlen(ends), std::string::npos, ends) == 0)
            << own;
        TCheckersBoard boardClass;
        TGameHistory history(boardClass);
        ReadPdnGame(own, g.Number, history);
    }
    EXPECT_TRUE(ListPdnGames("").empty());
    EXPECT_TRUE(ListPdnGames("\xEF\xBB\xBF \r\n{only a comment}\n").empty());
}

// Plays from Fen choosing moves by a fixed rule, every step its own record the way the board
// control keeps a capture entered a step at a time, until the game ends or Plies are played.
void PlayGame(TGameHistory& History, const char* Fen, int Plies)
{
    TCheckersBoard board;
    std::string error;
    ASSERT_TRUE(ParseFen(Fen, board, error)) << error;
    History.StartBoard().Assign(board);
    for (int ply = 0; ply < Plies && board.MoveCount() > 0; ++ply) {
        const TCheckersMove move = board.Moves()[(ply * 7) % board.MoveCount()];
        for (int i = 0; i + 1 < move.Count; ++i) {
            auto rec = std::make_unique<TGameHistoryRec>();
            board.MakeStep(move.Squares[i], move.Squares[i + 1]);
            rec->EndsTurn = board.Moves().Count() == 0;
            if (rec->EndsTurn)
                board.EndTurn();
            rec->Path = {SquareToPosition(move.Squares[i]), SquareToPosition(move.Squares[i + 1])};
            board.SaveToStream(rec->BoardState);
            rec->Duration = 700;
            History.Add(std::move(rec));
        }
    }
}

TEST(PdnWrite, RoundTripsKeepStartMovesAndResult)
{
    struct TCase {
        const char* Fen;
        int Plies;
    } cases[] = {
        {"B:W21-32:B1-12", 70},                   // from the start, long enough to wrap lines
        {"W:W18,24,K10:B12,16,K22", 200},         // White first, kings, captures of several steps
        {"B:WK3,18,22,25,K28:B9,13,K14,K23", 9},  // stopped while playing
    };
    for (const TCase& c : cases) {
        TCheckersBoard boardClass;
        TGameHistory played(boardClass);
        PlayGame(played, c.Fen, c.Plies);
        TCheckersBoard last;
        played.LoadBoardAt(played.Count(), last);
        TPdnGameData data;
        data.Tags = DefaultPdnTags("?", "?");
        SetPdnTag(data.Tags, "Event", "Club \"night\"");
        SetPdnTag(data.Tags, "Date", "2026.01.02");
        const std::string text = WritePdnGame(played, data, last.GameState() != gsPlaying, last.Winner());

        TGameHistory read(boardClass);
        ReadPdnGame(text, 1, read);
        EXPECT_EQ(Turns(read), Turns(played)) << text;
        EXPECT_EQ(FinalFen(read), FinalFen(played));
        const std::vector<TPdnGameInfo> games = ListPdnGames(text);
        ASSERT_EQ(games.size(), 1u);
        EXPECT_EQ(games[0].Event, "Club \"night\"");
        EXPECT_EQ(PdnResultWinner(games[0].Result), last.GameState() != gsPlaying ? last.Winner() : -1) << text;
        EXPECT_EQ(read.Finished(), last.GameState() != gsPlaying);

        // The written form: the seven tags in order, the game type, FEN only for another start,
        // numbered moves, captures in full, short lines and a closing newline.
        EXPECT_EQ(text.rfind("[Event \"Club \\\"night\\\"\"]\n[Site \"?\"]\n[Date \"2026.01.02\"]\n[Round \"?\"]\n"
                             "[Black \"?\"]\n[White \"?\"]\n[Result \"",
                             0),
                  0u);
        const bool initial = std::string(c.Fen) == "B:W21-32:B1-12";
        const std::string fen = BoardToFen(static_cast<const TCheckersBoard&>(played.StartBoard()));
        EXPECT_NE(text.find("\"]\n[GameType \"21\"]\n"), std::string::npos) << text;
        EXPECT_EQ(text.find("[SetUp \"1\"]\n[FEN \"" + fen + "\"]\n") != std::string::npos, !initial) << text;
        EXPECT_NE(text.find(c.Fen[0] == 'W' ? "\n\n1... " : "\n\n1. "), std::string::npos) << text;
        EXPECT_EQ(text.back(), '\n');
        size_t longest = 0, lines = 0;
        for (size_t at = 0, eol; (eol = text.find('\n', at)) != std::string::npos; at = eol + 1, ++lines)
            longest = std::max(longest, eol - at);
        EXPECT_LT(longest, 80u);
        if (c.Plies > 50) {
            EXPECT_GT(lines, 10u) << text;
        }
    }
    // An empty date is today's, YYYY.MM.DD; an empty game is its result alone.
    const std::string empty = WritePdnGame(TGameHistory(TCheckersBoard()), TPdnGameData{}, false, 0);
    const size_t date = empty.find("[Date \"") + 7;
    std::string digits = empty.substr(date, 11);
    for (size_t i : {4, 7})
        digits[i] = digits[i] == '.' ? '0' : 'x';
    EXPECT_EQ(digits.find_first_not_of("0123456789"), 10u) << empty;
    EXPECT_EQ(empty.substr(empty.size() - 4), "\n\n*\n");
}

TEST(PdnWrite, PdnReadAndWrittenBackKeepsItsGame)
{
    const std::string original = "[FEN \"W:W18,24,K10:B12,16,K22\"]\n[Result \"0-1\"]\n"
                                 "1... 24-19 {forced reply} 2. 22x15x6 (2. 16x23) 19-15 0-1";
    TCheckersBoard boardClass;
    TGameHistory first(boardClass), second(boardClass);
    ReadPdnGame(original, 1, first);
    // A turn still being entered at the end is left out.
    auto entering = std::make_unique<TGameHistoryRec>();
    entering->Path = {1, 10};
    first.Add(std::move(entering));
    const std::string written =
        WritePdnGame(first, TPdnGameData{}, true, PdnResultWinner(ListPdnGames(original)[0].Result));
    ReadPdnGame(written, 1, second);
    EXPECT_EQ(Turns(second), Turns(first));
    EXPECT_EQ(Turns(second), "W:WK10,18,24:B12,16,K22 | 24-19 22-15-6 19-15") << written;
    EXPECT_EQ(ListPdnGames(written)[0].Result, "0-1");
    EXPECT_NE(written.find("1... 24-19 {forced reply} 2. 22x15x6 19-15 0-1\n"), std::string::npos) << written;
}

// A shortened capture that fits two paths: the rest of the game decides, and only a game that
// stays ambiguous to its end is refused.
TEST(PdnRead, ShortenedCaptureTakesThePathTheGameGoesOnFrom)
{
    const std::string setUp = "[FEN \"B:W14,15,21,22,23,30:B10\"]\n";
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    ReadPdnGame(setUp + "1. 10x26 15-11 *", 1, history);
    EXPECT_EQ(Turns(history), "B:W14,15,21,22,23,30:B10 | 10-17-26 15-11");
    ReadPdnGame(setUp + "1. 10x26 30x23 *", 1, history);
    EXPECT_EQ(Turns(history), "B:W14,15,21,22,23,30:B10 | 10-19-26 30-23");
    for (const char* moves : {"1. 10x26 *", "1. 10x26 14-9 *"}) {
        try {
            ReadPdnGame(setUp + moves, 3, history);
            ADD_FAILURE() << moves;
        } catch (const EPdnError& e) {
            EXPECT_STREQ(e.what(), "Game 3, move 1: 10x26 is ambiguous here: it may be 10x17x26 or 10x19x26");
        }
    }
}

// What a game read from PDN carries besides its moves comes back when it is written: every tag
// in its order (unknown ones too), the comments where they stood, the result; the program adds
// only the game type.
TEST(PdnWrite, TagsCommentsAndResultSurviveARoundTrip)
{
    const std::string original =
        "[Event \"TTS Game 6 Look Before You Leap\"]\n[Black \"Ann\"]\n[Annotator \"Zed\"]\n[Date \"1931.??.??\"]\n"
        "[Result \"1/2-1/2\"]\n[White \"Bob\"]\n\n{A famous draw,\n  told twice} 1. 11-15 {the\nusual start} "
        "23-19 ; a line comment\n2. 8-11 (2. 9-14) 22-17 {" + std::string(30, 'x') + " " + std::string(60, 'y') +
        "} 1/2-1/2\n";
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    TPdnGameData data;
    ReadPdnGame(original, 1, history, &data);
    const TPdnTags expected = {{"Event", "TTS Game 6 Look Before You Leap"}, {"Black", "Ann"}, {"Annotator", "Zed"},
                               {"Date", "1931.??.??"}, {"Result", "1/2-1/2"}, {"White", "Bob"}};
    EXPECT_EQ(data.Tags, expected);
    EXPECT_EQ(data.Comment, "A famous draw, told twice");
    EXPECT_EQ(data.Result, "1/2-1/2");
    EXPECT_TRUE(data.Variations);
    ASSERT_EQ(history.Count(), 4);
    EXPECT_EQ(history.Items(0).Comment, "the usual start");
    EXPECT_EQ(history.Items(1).Comment, "a line comment");
    EXPECT_EQ(history.Items(2).Comment, "");

    const std::string written = WritePdnGame(history, data, true, PdnResultWinner(data.Result));
    EXPECT_EQ(written.rfind("[Event \"TTS Game 6 Look Before You Leap\"]\n[Black \"Ann\"]\n[Annotator \"Zed\"]\n"
                            "[Date \"1931.??.??\"]\n[Result \"1/2-1/2\"]\n[White \"Bob\"]\n[GameType \"21\"]\n\n"
                            "{A famous draw, told twice} 1. 11-15 {the usual start} 23-19 {a line comment}",
                            0),
              0u)
        << written;
    size_t longest = 0;
    for (size_t at = 0, eol; (eol = written.find('\n', at)) != std::string::npos; at = eol + 1)
        longest = std::max(longest, eol - at);
    EXPECT_LT(longest, 80u) << written;
    EXPECT_EQ(written.find('\r'), std::string::npos);

    TGameHistory again(boardClass);
    TPdnGameData dataAgain;
    ReadPdnGame(written, 1, again, &dataAgain);
    EXPECT_EQ(Turns(again), Turns(history));
    EXPECT_EQ(dataAgain.Comment, data.Comment);
    for (int32_t i = 0; i < history.Count(); ++i)
        EXPECT_EQ(again.Items(i).Comment, history.Items(i).Comment) << i;
    data.Tags.push_back({"GameType", "21"});
    EXPECT_EQ(dataAgain.Tags, data.Tags);
    EXPECT_FALSE(dataAgain.Variations);

    // A start that only White to move tells from the initial position still needs its FEN.
    TGameHistory whiteFirst(boardClass);
    ReadPdnGame("[FEN \"W:W21-32:B1-12\"]\n1... 22-18 *", 1, whiteFirst);
    const std::string text = WritePdnGame(whiteFirst, TPdnGameData{}, false, -1);
    EXPECT_NE(text.find("[SetUp \"1\"]\n[FEN \"W:W21,22,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,8,9,10,11,12\"]"),
              std::string::npos)
        << text;
}

// Text no one would write by hand is read in time proportionate to its size.
TEST(PdnRead, HugeFieldsReadInLinearTime)
{
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    const auto started = std::chrono::steady_clock::now();
    ReadPdnGame("[GameType \"" + std::string(1000000, ' ') + "21\"]\n1. 11-15 *", 1, history);
    // Quadratic trimming took seconds here; a linear read takes milliseconds, even under sanitizers.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(2));
    EXPECT_EQ(history.Count(), 1);
}

// The movetext of a written game on one line, the tags left out.
std::string Movetext(const std::string& Text)
{
    std::string moves = Text.substr(Text.find("\n\n") + 2);
    std::replace(moves.begin(), moves.end(), '\n', ' ');
    return moves;
}

int32_t Score(const char* Token)
{
    int32_t score = 0;
    EXPECT_TRUE(ParseScoreToken(Token, score)) << Token;
    return score;
}

// An analysed game goes out as NAGs and notes in braces ahead of the players' comments and
// comes back as it was: forced results, a comment that itself begins like a note, a mark
// without a score. The game file has no room for any of it and stays byte for byte the same.
TEST(PdnAnalysis, RoundTripsMarksScoresAndCommentsButNotIntoGameFiles)
{
    const std::string moves = "1. 11-15 22-18 2. 15x22 25x18 3. 12-16 *";
    TCheckersBoard boardClass;
    TGameHistory history(boardClass), bare(boardClass);
    ReadPdnGame(moves, 1, history);
    ReadPdnGame(moves, 1, bare);
    ASSERT_EQ(history.Count(), 5);
    const TMoveAnalysis analyses[] = {
        {true, 10, "", TMoveAnalysis::None},
        {true, Score("-M"), "23-19", TMoveAnalysis::Blunder},
        {true, Score("+M13"), "15x22", TMoveAnalysis::Mistake},
        {false, 0, "", TMoveAnalysis::Inaccuracy},
        {true, 0, "", TMoveAnalysis::None},
    };
    const char* const comments[] = {"the usual start", "", "+1.00 for Red, best 9-14 says the book", "", ""};
    for (int32_t i = 0; i < history.Count(); ++i) {
        history.Items(i).Analysis = analyses[i];
        history.Items(i).Comment = comments[i];
    }
    const std::string written = WritePdnGame(history, TPdnGameData{}, false, -1);
    EXPECT_EQ(Movetext(written),
              "1. 11-15 {+0.10} {the usual start} 22-18 $4 {-M best 23-19} 2. 15x22 $2 {+M13 best 15x22} "
              "{+1.00 for Red, best 9-14 says the book} 25x18 $6 3. 12-16 {0.00} * ")
        << written;

    TGameHistory read(boardClass);
    ReadPdnGame(written, 1, read);
    ASSERT_EQ(read.Count(), history.Count());
    for (int32_t i = 0; i < read.Count(); ++i) {
        EXPECT_EQ(read.Items(i).Analysis, analyses[i]) << i;
        EXPECT_EQ(read.Items(i).Comment, comments[i]) << i;
    }
    EXPECT_EQ(WritePdnGame(read, TPdnGameData{}, false, -1), written);

    TMemoryStream annotated, plain;
    read.SaveToStream(annotated);
    bare.SaveToStream(plain);
    EXPECT_EQ(annotated.Bytes(), plain.Bytes());
}

// Marks and notes as other programs and annotators write them: marks glued to a move or on their
// own, NAGs the record has no use for, notes wrapped over lines, and comments that only start
// with a number, or come second, which are the player's.
TEST(PdnAnalysis, ReadsMarksAndNotesInEveryFormAndLeavesOtherCommentsAlone)
{
    const std::string text = "1. 11-15?! 22-18 ?? 2. 15x22 $2 $14 {12.5 seconds} 25x18!? {-0.85 best\n"
                             "  the exchange} 3. 12-16* $1 {1931} {+0.40 said Ann} 24-19 {+M7\nbest 23-19\n"
                             "forced} ? 4. 10-15 {} {1.25} 19x10 ; -0.30 best 18x11\n*";
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    ReadPdnGame(text, 1, history);
    const std::tuple<TMoveAnalysis, const char*> expected[] = {
        {{false, 0, "", TMoveAnalysis::Inaccuracy}, ""},
        {{false, 0, "", TMoveAnalysis::Blunder}, ""},
        {{false, 0, "", TMoveAnalysis::Mistake}, "12.5 seconds"},
        {{true, -85, "", TMoveAnalysis::None}, "best the exchange"},
        {{false, 0, "", TMoveAnalysis::None}, "1931 +0.40 said Ann"},
        {{true, Score("+M7"), "23-19", TMoveAnalysis::Mistake}, "forced"},
        {{true, 125, "", TMoveAnalysis::None}, ""},
        {{true, -30, "18x11", TMoveAnalysis::None}, ""},
    };
    ASSERT_EQ(history.Count(), static_cast<int32_t>(std::size(expected)));
    for (int32_t i = 0; i < history.Count(); ++i) {
        const auto& [analysis, comment] = expected[i];
        EXPECT_EQ(history.Items(i).Analysis, analysis) << i;
        EXPECT_EQ(history.Items(i).Comment, comment) << i;
    }
}

TEST(PositionText, ReadsFenTagLineOrGameAndSaysWhyNot)
{
    const char* const fen = "W:WK10,18,24:B12,16,K22";
    const std::pair<std::string, std::string> positions[] = {
        {"W:W18,24,K10:B12,16,K22", fen},
        {"\xEF\xBB\xBF \"W:W18,24,K10:B12,16,K22\" \n", fen},
        {"  [FEN \"W:W18,24,K10:B12,16,K22\"]\r\n", fen},
        // A game's last position, side to move and all, from the first of two games.
        {"[Event \"x\"]\n[FEN \"W:W18,24,K10:B12,16,K22\"]\n1... 24-19 2. 22x15x6 *\n\n[Event \"y\"]\n1. 9-13 *",
         "W:W19:BK6,12,16"},
        {"1. 11-15 22-18 2. 15x22", "W:W21,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,8,9,10,12,22"},
    };
    for (const auto& [text, expected] : positions) {
        TCheckersBoard board;
        std::string error;
        EXPECT_TRUE(PositionFromText(text, board, error)) << text << ": " << error;
        EXPECT_EQ(BoardToFen(board), expected) << text;
    }
    const std::pair<std::string, std::string> failures[] = {
        {" \r\n\t", "it is empty"},
        {"\"\"", "it is empty"},
        {"hello, world", "it is neither a FEN position nor a PDN game"},
        {"{just a remark}", "it is neither a FEN position nor a PDN game"},
        {"B:W21-32:X1-12", "FEN side field must start with W or B: \"X1-12\""},
        {"[FEN \"X:W21-32:B1-12\"]", "FEN side to move must be B or W, not \"X\""},
        {"1. 11-15 22-26", "Game 1, move 1: 22-26 is not a legal move here"},
    };
    for (const auto& [text, reason] : failures) {
        TCheckersBoard board;
        std::string error;
        ASSERT_TRUE(ParseFen(OPENING_END, board, error));
        EXPECT_FALSE(PositionFromText(text, board, error)) << text;
        EXPECT_EQ(error, "The clipboard holds no position: " + reason);
        EXPECT_EQ(BoardToFen(board), OPENING_END) << text;
    }
}

}  // namespace
