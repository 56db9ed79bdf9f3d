// Setting positions up, games started from the three-move ballots, and saving and opening games
// without a window: the exact bytes, round trips, and files that must be refused without losing
// the game shown.
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <thread>

#include "SessionSupport.h"
#include "engine/Fen.h"
#include "platform/FileStream.h"
#include "record/GameFile.h"
#include "record/Pdn.h"

using namespace velk;
using namespace velk::test;

namespace {

class FileTest : public SessionTest {
protected:
    void SetUp() override
    {
        SessionTest::SetUp();
        Dir = std::filesystem::temp_directory_path() /
              ("velk-session-files-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(Dir);
    }
    void TearDown() override { std::filesystem::remove_all(Dir); }

    std::string FileName(const char* Name) const { return (Dir / Name).string(); }

    void PlayAll(std::initializer_list<std::initializer_list<int>> Moves)
    {
        for (const auto& move : Moves)
            ASSERT_TRUE(S.PlaySquares(Squares(move)));
        Pump();
    }

    // Opens Bytes as a file; it must be refused with E and leave the game as it was.
    template <typename E>
    void ExpectRefused(const TBytes& Bytes, const char* Message = nullptr)
    {
        const TGameSnapshot before(S);
        const std::string name = FileName("refused.ckr");
        std::ofstream(name, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
        try {
            S.LoadFromFile(name, GAME_TITLE);
            ADD_FAILURE() << "opened";
        } catch (const E& e) {
            EXPECT_STREQ(e.what(), Message != nullptr ? Message : e.what());
        }
        Pump();
        EXPECT_EQ(TGameSnapshot(S), before);
    }

    std::filesystem::path Dir;
};

TEST_F(SessionTest, SetTurnClearBoardAndAPositionWithoutMoves)
{
    StartGame();
    ASSERT_TRUE(Play({11, 15}));
    ASSERT_TRUE(Play({22, 18}));
    for (const uint8_t same : {uint8_t(PLAYER_BLACK), uint8_t(0), uint8_t(3)})
        S.SetTurn(same);  // ignored: the record stays
    EXPECT_EQ(S.History().Count(), 2);
    S.SetTurn(PLAYER_WHITE);  // the record restarts with White to move
    EXPECT_EQ(S.History().Count(), 0);
    EXPECT_EQ(S.FirstPlayer(), PLAYER_WHITE);

    S.ClearBoard();
    EXPECT_EQ(S.BoardMode(), gbmSetup);
    EXPECT_EQ(S.Turn(), 0);
    EXPECT_FALSE(S.Modified());
    EXPECT_EQ(Text(), std::string(32, ' '));
    EXPECT_FALSE(S.Playing());

    // White to move without a piece: the game is over before it starts, and nobody says so.
    TEventLog log;
    log.Attach(S);
    StartPosition(BoardText({{1, 'b'}}), PLAYER_WHITE);
    EXPECT_FALSE(S.Playing());
    EXPECT_EQ(log.Count("GameEnded"), 0);
}

TEST_F(SessionTest, SetupModeHoldsTheComputerAndPlayModeStartsIt)
{
    TEventLog log;
    log.Attach(S);
    S.SetComputerPlayer(1);
    S.SetSearchDepth(30);
    StartPosition(START_TEXT, PLAYER_WHITE);
    ASSERT_TRUE(WaitThinking());  // White to move is the computer's: it starts by itself

    log.Events.clear();
    S.SetBoardMode(gbmSetup);  // stops the search and the game
    EXPECT_FALSE(S.Solver().Busy());
    EXPECT_FALSE(S.Playing());
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    Pump();
    EXPECT_EQ(log.Count("Playing"), 1);
    EXPECT_EQ(log.Count("MoveBegin"), 0);

    S.SetSearchDepth(1);
    S.SetBoardMode(gbmPlay);
    ASSERT_TRUE(WaitRecords(1));
    EXPECT_EQ(S.Turn(), PLAYER_BLACK);
}

// Each ballot's moves are the game's first three turns, played from the start and no time
// spent; PDN writes them as moves, and take-back and undo go back into them. The computer
// takes its turn after them at once; a ballot that leads elsewhere changes nothing.
TEST_F(SessionTest, EveryBallotStartsAGameWithItsMovesRecorded)
{
    S.SetDeclareDraws(true);
    StartGame();
    ASSERT_TRUE(Play({11, 15}));
    for (const TBallot& ballot : BuiltInBallots()) {
        S.StartBallot(ballot);
        Pump();
        ASSERT_EQ(BoardToFen(S.CheckersBoard()), ballot.Fen) << ballot.Number;
        const TGameHistory& history = S.History();
        ASSERT_EQ(history.Count(), 3) << ballot.Number;
        EXPECT_EQ(history.Position(), 3);
        EXPECT_EQ(history.StartBoard().GetAsText(), START_TEXT);
        EXPECT_EQ(S.FirstPlayer(), PLAYER_BLACK);
        for (int32_t i = 0; i < 3; ++i)
            EXPECT_TRUE(history.Items(i).EndsTurn && history.Items(i).Duration == 0) << ballot.Number << " " << i;
        EXPECT_EQ(S.Turn(), PLAYER_WHITE);
        EXPECT_TRUE(S.Playing());
        EXPECT_FALSE(S.Modified() || S.IsGameOver() || S.Paused());
        std::istringstream moves(ballot.Moves);
        std::string a, b, c;
        moves >> a >> b >> c;
        const std::string pdn = WritePdnGame(history, TPdnGameData{}, false, -1);
        EXPECT_NE(pdn.find("\n1. " + a + " " + b + " 2. " + c + " *\n"), std::string::npos) << pdn;
    }

    TCheckersBoard second;
    std::string error;
    ASSERT_TRUE(ParseFen("B:W18,21,23-32:B1-8,10-13", second, error)) << error;
    S.StartBallot(*FindBallot(5));  // 9-13 22-18 6-9
    Pump();
    ASSERT_TRUE(S.CanTakeBack());
    ASSERT_TRUE(S.TakeBack());
    Pump();
    EXPECT_EQ(S.History().Position(), 2);
    EXPECT_EQ(BoardToFen(S.CheckersBoard()), BoardToFen(second));
    S.UndoAll();
    Pump();
    EXPECT_EQ(Text(), START_TEXT);
    EXPECT_EQ(S.History().Count(), 3);

    S.SetComputerPlayer(PLAYER_WHITE);
    S.StartBallot(*FindBallot(4));
    ASSERT_TRUE(WaitRecords(4));
    EXPECT_EQ(S.Turn(), PLAYER_BLACK);
    S.SetComputerPlayer(0);
    Pump();

    const TGameSnapshot before(S);
    TBallot wrong = *FindBallot(7);
    wrong.Fen = FindBallot(8)->Fen;
    EXPECT_THROW(S.StartBallot(wrong), EBallotError);
    wrong = *FindBallot(7);
    wrong.Moves = "9-13 22-18 11-16x";
    EXPECT_THROW(S.StartBallot(wrong), EBallotError);
    Pump();
    EXPECT_EQ(TGameSnapshot(S), before);
}

TEST_F(FileTest, GameSavedAfterSteppingBackOpensAtTheSamePlace)
{
    StartGame();
    PlayAll({{11, 15}, {22, 18}, {15, 22}, {25, 18}});
    const std::string end = Text();
    S.GoToMove(PLAYER_WHITE, 1);
    Pump();
    const std::string shown = Text();
    const std::string name = FileName("back.ckr");
    S.SaveToFile(name, GAME_TITLE);

    StartGame();
    ASSERT_TRUE(Play({9, 13}));
    S.LoadFromFile(name, GAME_TITLE);
    Pump();
    EXPECT_EQ(S.History().Count(), 4);
    EXPECT_EQ(S.History().Position(), 1);
    EXPECT_EQ(Text(), shown);
    EXPECT_EQ(S.Turn(), PLAYER_WHITE);
    EXPECT_FALSE(S.Modified());
    EXPECT_EQ(S.GetMoveText(PLAYER_WHITE, 2), "25-18");
    ASSERT_TRUE(S.RedoAll());
    Pump();
    EXPECT_EQ(Text(), end);
}

TEST_F(FileTest, FailedLoadsLeaveThePreviousGameExactly)
{
    // A good file, from another game.
    StartGame();
    PlayAll({{9, 13}, {22, 18}});
    const std::string good = FileName("good.ckr");
    S.SaveToFile(good, GAME_TITLE);
    const TBytes bytes = ReadFile(good);
    constexpr size_t record1 = 20 + 17 + 4;         // after the signature, start board and count
    constexpr size_t path1 = record1 + 4 + 17 + 4;  // the first record's first position
    constexpr size_t endsTurn1 = path1 + 8 + 4;     // and its end-of-turn flag
    const size_t position = bytes.size() - 5;

    // The game on the board: stepped back, with changes not saved.
    StartGame();
    PlayAll({{11, 15}, {22, 18}, {15, 22}});
    S.Undo();
    Pump();
    ASSERT_EQ(S.History().Position(), 2);
    ASSERT_TRUE(S.Modified());

    const auto with = [&](size_t Offset, uint8_t Value) {
        TBytes changed = bytes;
        changed[Offset] = Value;
        return changed;
    };
    ExpectRefused<EReadError>(TBytes(bytes.begin(), bytes.end() - 1));  // no finished flag
    ExpectRefused<Exception>(TBytes(bytes.begin(), bytes.begin() + record1 + 10));
    ExpectRefused<EInvalidGameFile>(TBytes(bytes.begin(), bytes.begin() + 10));    // half a signature
    ExpectRefused<EInvalidGameFile>(with(18, '2'), "Invalid Velk Checkers File");  // "Velk Checkers[2]"
    ExpectRefused<EDamagedGameFile>(with(endsTurn1, 7));
    ExpectRefused<EDamagedGameFile>(with(path1, 0));                               // a path through a light square
    ExpectRefused<EListError>(with(position, 9), "List index out of bounds (8)");  // 9 of 2 records
    const TGameSnapshot before(S);
    EXPECT_THROW(S.LoadFromFile(good + ".missing", GAME_TITLE), EFOpenError);
    TMemoryStream half(TBytes(bytes.begin() + 20, bytes.begin() + 50));
    EXPECT_THROW(S.LoadFromStream(half), Exception);
    Pump();
    EXPECT_EQ(TGameSnapshot(S), before);
    S.SaveToFile(FileName("saved.ckr"), GAME_TITLE);  // a saved game stays saved
    ExpectRefused<EDamagedGameFile>(with(endsTurn1, 7));
    EXPECT_FALSE(S.Modified());

    // And the good file still opens afterwards.
    S.LoadFromFile(good, GAME_TITLE);
    EXPECT_EQ(S.History().Count(), 2);
    EXPECT_FALSE(S.Modified());
    EXPECT_EQ(S.GetMoveText(PLAYER_BLACK, 1), "09-13");
}

}  // namespace
