// A game played without a window: whole games, pausing, hurrying and cancelling the search,
// handing sides over, answers for positions no longer shown, take-back and the draw rule, and
// stepping through the record while the game goes on.
#include <cstdio>
#include <filesystem>

#include "SessionSupport.h"
#include "session/GameLoop.h"

using namespace velk;
using namespace velk::test;

namespace {

// Deep enough that the search is still running when the test acts on it; every test that uses
// it stops the search, which then ends at once.
constexpr uint8_t LONG_SEARCH = 20;

class PlayTest : public SessionTest {
protected:
    // The human (Black) opens and the computer, playing White, starts thinking.
    void OpenAgainstThinkingComputer()
    {
        StartGame();
        S.SetSearchDepth(LONG_SEARCH);
        S.SetComputerPlayer(1);
        ASSERT_TRUE(Play({11, 15}));
        ASSERT_TRUE(WaitThinking());
    }
};

TEST_F(PlayTest, ComputerAgainstComputerPlaysToTheEndAndReportsItOnce)
{
    // White to move with a lone man on 18; Black kings wait on 9 and 11 to take it either way.
    TEventLog log;
    log.Attach(S);
    S.SetSearchDepth(4);
    S.SetComputerPlayer(3);
    StartPosition(BoardText({{1, 'B'}, {2, 'B'}, {9, 'B'}, {11, 'B'}, {18, 'w'}}), PLAYER_WHITE);

    ASSERT_TRUE(PumpUntil([&] { return log.Count("GameEnded") > 0; }, 10000));
    ExpectSettled();
    EXPECT_EQ(log.Count("GameEnded"), 1);
    EXPECT_TRUE(S.History().Finished());
    EXPECT_FALSE(S.Playing());
    EXPECT_EQ(S.Winner(), PLAYER_BLACK);
    EXPECT_EQ(S.History().Count(), 2);
    EXPECT_EQ(log.Count("ThinkBegin"), 2);                         // one search for each side
    EXPECT_LT(log.IndexOf("ThinkEnd"), log.IndexOf("MoveBegin"));  // reported before it is played
    EXPECT_EQ(S.GetGameRecordText().rfind("BLACK: ", 0), 0u) << S.GetGameRecordText();

    // A finished game cannot be resumed: pausing and resuming leaves it over and silent.
    S.SetPaused(true);
    S.SetPaused(false);
    ExpectSettled();
    EXPECT_FALSE(S.Playing());
    EXPECT_EQ(log.Count("GameEnded"), 1);

    // A whole game from the start, the draw rule declared: it ends, and the record says how.
    S.SetDeclareDraws(true);
    S.SetSearchDepth(2);
    StartGame();
    ASSERT_TRUE(PumpUntil([&] { return log.Count("GameEnded") == 2; }, 60000)) << S.GetGameRecordText();
    ExpectSettled();
    EXPECT_TRUE(S.IsGameOver());
    EXPECT_GT(S.History().Count(), 10);
    const std::string record = S.GetGameRecordText();
    EXPECT_TRUE(record.rfind(S.Winner() == PLAYER_BLACK   ? "BLACK: "
                             : S.Winner() == PLAYER_WHITE ? "WHITE: "
                                                          : "DRAW : ",
                             0) == 0)
        << record;
}

TEST_F(PlayTest, PauseOrCancelDiscardTheSearchResumeRestartsItMoveNowPlaysAtOnce)
{
    TEventLog log;
    OpenAgainstThinkingComputer();
    log.Attach(S);

    S.SetPaused(true);
    EXPECT_FALSE(S.Playing());
    ExpectSettled();
    EXPECT_EQ(log.Count("ThinkEnd"), 1);  // still reported, but its answer is not played
    EXPECT_EQ(S.History().Count(), 1);
    EXPECT_EQ(S.Turn(), PLAYER_WHITE);
    EXPECT_FALSE(S.MoveNow());

    S.SetPaused(false);
    ASSERT_TRUE(WaitThinking());
    EXPECT_TRUE(S.CancelThinking());  // the game goes on, but nothing is played
    ExpectSettled();
    EXPECT_TRUE(S.Playing());
    EXPECT_EQ(S.History().Count(), 1);
    EXPECT_EQ(log.Count("MoveBegin"), 0);

    S.SetPaused(true);
    S.SetPaused(false);
    ASSERT_TRUE(WaitThinking());
    EXPECT_EQ(log.Count("ThinkBegin"), 2);

    EXPECT_TRUE(S.MoveNow());  // the best move found so far is played
    ASSERT_TRUE(WaitRecords(2, 2000));
    EXPECT_EQ(S.Turn(), PLAYER_BLACK);
    EXPECT_FALSE(S.Thinking());
    EXPECT_FALSE(S.MoveNow());  // the human's turn
}

TEST_F(PlayTest, ComputerThinksWheneverItsTurnComesInAPlayingGame)
{
    // A new game started in the middle of one, with the computer playing Red: it opens.
    StartGame();
    S.SetSearchDepth(1);
    ASSERT_TRUE(Play({11, 15}));
    S.SetComputerPlayer(2);
    Pump();
    S.NewGame();
    ASSERT_TRUE(WaitRecords(1));
    EXPECT_EQ(S.Turn(), PLAYER_WHITE);

    // An answer for a board that is no longer shown is dropped; the board shown gets its own.
    TEventLog log;
    log.Attach(S);
    S.SetComputerPlayer(1);                  // White, to move: the computer starts at once
    ASSERT_TRUE(S.Solver().WaitIdle(5000));  // and its answer waits in the queue
    const std::string other = BoardText({{1, 'b'}, {2, 'b'}, {29, 'w'}, {30, 'w'}});
    S.Board().SetAsText(other);
    ASSERT_TRUE(WaitRecords(2));
    ExpectSettled();
    EXPECT_EQ(log.Count("ThinkBegin"), 2);
    EXPECT_EQ(log.Count("MoveBegin"), 1);
    const TMovementPath played = S.History().Items(1).Path;
    EXPECT_TRUE(played.front() == Pos(29) || played.front() == Pos(30)) << S.GetGameRecordText();
}

TEST_F(PlayTest, TakeBackReturnsToThePlayersLastTurnAndANewGamePlays)
{
    // Against the computer: its reply and the player's move are taken back, and play goes on.
    StartGame();
    S.SetSearchDepth(1);
    S.SetComputerPlayer(1);
    EXPECT_FALSE(S.CanTakeBack());
    ASSERT_TRUE(Play({11, 15}));
    ASSERT_TRUE(WaitRecords(2));
    ExpectSettled();
    ASSERT_TRUE(S.TakeBack());
    Pump();
    EXPECT_EQ(S.History().Position(), 0);
    EXPECT_EQ(S.Turn(), PLAYER_BLACK);
    EXPECT_FALSE(S.Paused());
    EXPECT_TRUE(S.Playing());

    // Between two players, one move.
    S.SetComputerPlayer(0);
    ASSERT_TRUE(Play({9, 13}));
    ASSERT_TRUE(Play({22, 18}));
    ASSERT_TRUE(S.TakeBack());
    Pump();
    EXPECT_EQ(S.History().Position(), 1);
    EXPECT_EQ(S.Turn(), PLAYER_WHITE);

    // A pause the player chose does not carry into a new game.
    S.SetPaused(true);
    S.NewGame();
    EXPECT_FALSE(S.Paused());
    EXPECT_TRUE(S.Playing());

    // A capture half entered goes back to the start of its own turn, not of the one before,
    // whether its first jump is a record of its own or still waits for the turn's end.
    for (const bool fullMovesOnly : {true, false}) {
        S.SetRecordFullMovesOnly(fullMovesOnly);
        StartPosition(BoardText({{1, 'b'}, {6, 'b'}, {10, 'w'}, {23, 'w'}, {32, 'w'}}), PLAYER_WHITE);
        ASSERT_TRUE(Play({23, 19}));
        const std::string turnStart = Text();
        ASSERT_TRUE(Play({6, 15}));  // 6-15-24 begun
        ASSERT_EQ(S.Turn(), PLAYER_BLACK);
        ASSERT_TRUE(S.TakeBack());
        Pump();
        EXPECT_EQ(Text(), turnStart) << fullMovesOnly;
        EXPECT_EQ(S.History().Position(), 1) << fullMovesOnly;
        EXPECT_TRUE(S.CurrentMove().IsEmpty()) << fullMovesOnly;
    }
}

TEST_F(PlayTest, ThirdRepetitionEndsTheGameInADrawThatStaysDrawnWhenSavedAndOpened)
{
    TEventLog log;
    S.SetDeclareDraws(true);
    StartPosition(BoardText({{1, 'B'}, {32, 'W'}}), PLAYER_BLACK);
    log.Attach(S);
    const TCheckersMove round[] = {Squares({1, 5}), Squares({32, 28}), Squares({5, 1}), Squares({28, 32})};
    for (int i = 0; i < 8; ++i) {
        EXPECT_FALSE(S.IsGameOver()) << i;
        ASSERT_TRUE(S.PlaySquares(round[i % 4])) << i;
    }
    Pump();
    EXPECT_TRUE(S.IsGameOver());  // the start position for the third time
    EXPECT_TRUE(S.IsDraw());
    EXPECT_EQ(S.Winner(), 0);
    EXPECT_FALSE(S.Playing());
    EXPECT_TRUE(S.History().Finished());
    EXPECT_EQ(log.Count("GameEnded"), 1);
    EXPECT_EQ(S.GetGameRecordText(), "DRAW : 01-05 32-28 05-01 28-32 01-05 32-28 05-01 28-32");

    // Saved and opened, it is still drawn; without the rule the game goes on.
    const std::string name = (std::filesystem::temp_directory_path() / "velk-drawn-game.ckr").string();
    S.SaveToFile(name, "Velk Checkers");
    S.NewGame();
    S.LoadFromFile(name, "Velk Checkers");
    std::remove(name.c_str());
    EXPECT_TRUE(S.IsDraw());
    EXPECT_FALSE(S.Playing());
    S.SetDeclareDraws(false);
    EXPECT_FALSE(S.IsGameOver());
    EXPECT_TRUE(S.Playing());
    EXPECT_EQ(S.Winner(), 0);
}

TEST_F(PlayTest, ComputerSwitchedOffAndOnAgainStillAnswers)
{
    // Both changes are made before the stopped search's last message comes in.
    OpenAgainstThinkingComputer();
    S.SetComputerPlayer(0);
    S.SetSearchDepth(1);
    S.SetComputerPlayer(1);
    ASSERT_TRUE(WaitRecords(2, 3000));
    EXPECT_EQ(S.Turn(), PLAYER_BLACK);
}

TEST_F(PlayTest, UndoWhileTheComputerThinksGivesTheHumanTheMoveBack)
{
    TEventLog log;
    OpenAgainstThinkingComputer();
    log.Attach(S);

    ASSERT_TRUE(S.Undo());
    Pump();
    ExpectSettled();
    EXPECT_EQ(S.History().Position(), 0);
    EXPECT_EQ(Text(), START_TEXT);
    EXPECT_EQ(S.Turn(), PLAYER_BLACK);
    EXPECT_FALSE(S.Paused());
    EXPECT_TRUE(S.Playing());
    EXPECT_EQ(log.Count("MoveBegin"), 0);
    EXPECT_EQ(S.History().Count(), 1);
    EXPECT_TRUE(S.CanRedo());

    // Redo brings the move back; at the end of the record the computer thinks again.
    ASSERT_TRUE(S.Redo());
    ASSERT_TRUE(WaitThinking());
    EXPECT_EQ(S.History().Position(), 1);
}

TEST_F(PlayTest, BrowsingBackPausesWhileTheComputerWouldMove)
{
    StartGame();
    S.SetSearchDepth(1);
    S.SetComputerPlayer(1);
    for (int32_t records = 2; records <= 4; records += 2) {
        ASSERT_TRUE(S.PlayMove(0));
        ASSERT_TRUE(WaitRecords(records));
    }
    ExpectSettled();
    const auto step = [&](bool (TGameSession::*Navigate)()) {
        ASSERT_TRUE((S.*Navigate)());
        Pump();
    };

    step(&TGameSession::Undo);  // White, the computer, to move before the end: paused
    EXPECT_EQ(S.History().Position(), 3);
    EXPECT_TRUE(S.Paused());
    EXPECT_TRUE(S.AutoPaused());
    ExpectSettled();
    EXPECT_EQ(S.History().Count(), 4);  // the computer did not play over the record

    step(&TGameSession::Undo);  // the human to move: the pause is lifted
    EXPECT_EQ(S.History().Position(), 2);
    EXPECT_FALSE(S.Paused());
    EXPECT_TRUE(S.Playing());

    step(&TGameSession::Undo);
    EXPECT_TRUE(S.Paused());
    step(&TGameSession::RedoAll);  // to the end: the pause is lifted
    EXPECT_EQ(S.History().Position(), 4);
    EXPECT_FALSE(S.Paused());
    EXPECT_TRUE(S.Playing());

    step(&TGameSession::Undo);  // browsing back once more, then a new game
    ASSERT_TRUE(S.AutoPaused());
    S.NewGame();
    EXPECT_FALSE(S.Paused());  // nothing is left to browse: the human can move
    EXPECT_TRUE(S.Playing());
    for (int32_t records = 2; records <= 4; records += 2) {
        ASSERT_TRUE(S.PlayMove(0));
        ASSERT_TRUE(WaitRecords(records));
    }
    ExpectSettled();

    S.SetPaused(true);  // a pause the user chose is not lifted by browsing
    step(&TGameSession::Undo);
    step(&TGameSession::Undo);
    EXPECT_EQ(S.History().Position(), 2);
    EXPECT_TRUE(S.Paused());
    EXPECT_FALSE(S.AutoPaused());
}

TEST_F(PlayTest, UndoRedoAndGoToMoveWalkTheRecord)
{
    StartGame();
    std::vector<std::string> boards{Text()};
    for (const auto& move : {Squares({11, 15}), Squares({22, 18}), Squares({15, 22}), Squares({25, 18})}) {
        ASSERT_TRUE(S.PlaySquares(move));
        boards.push_back(Text());
    }
    Pump();

    // Requests are posted: nothing moves until the messages are handled.
    ASSERT_TRUE(S.GoToMove(PLAYER_WHITE, 1));
    EXPECT_EQ(S.History().Position(), 4);
    Pump();
    EXPECT_EQ(S.History().Position(), 1);  // the position before White's first move
    EXPECT_EQ(Text(), boards[1]);
    EXPECT_EQ(S.Turn(), PLAYER_WHITE);
    EXPECT_TRUE(S.HasMove(PLAYER_WHITE, 2));
    EXPECT_FALSE(S.GoToMove(PLAYER_BLACK, 3));

    ASSERT_TRUE(S.Undo());
    Pump();
    EXPECT_EQ(Text(), boards[0]);
    EXPECT_FALSE(S.Undo());
    ASSERT_TRUE(S.Redo());
    Pump();
    ASSERT_TRUE(S.Redo());
    Pump();
    EXPECT_EQ(S.History().Position(), 2);
    EXPECT_EQ(Text(), boards[2]);
    ASSERT_TRUE(S.RedoAll());
    Pump();
    EXPECT_EQ(Text(), boards[4]);
    EXPECT_FALSE(S.Redo());
    EXPECT_FALSE(S.GoToPosition(5));
    EXPECT_FALSE(S.GoToPosition(4));  // already there, nothing pending
    EXPECT_FALSE(S.Paused());

    // A move played after stepping back replaces the rest of the record, in one change.
    S.GoToMove(PLAYER_WHITE, 1);
    Pump();
    int historyChanges = 0;
    S.OnHistoryChange = [&] { ++historyChanges; };
    ASSERT_TRUE(Play({23, 19}));
    Pump();
    EXPECT_EQ(S.History().Count(), 2);
    EXPECT_EQ(S.History().Position(), 2);
    EXPECT_EQ(historyChanges, 1);
    EXPECT_EQ(S.GetMoveText(PLAYER_WHITE, 1), "23-19");
}

// A program's game: the session records each move chosen and ends the game by the rules, by the
// draw rule, at the ply limit, or when the program stops.
TEST_F(PlayTest, ProgramsPlayWholeGamesThroughTheSession)
{
    TCheckersBoard start;
    start.SetAsText(BoardText({{1, 'B'}, {32, 'W'}}));
    start.SetTurn(PLAYER_BLACK);
    const auto first = [](TCheckersSession&) { return 0; };

    S.SetDeclareDraws(true);
    S.StartFrom(start);
    EXPECT_EQ(PlayGame(S, *Queue, first, 1000), TGameEnd::Over);
    EXPECT_TRUE(S.IsDraw());  // two kings shuffling: the third repetition
    EXPECT_EQ(S.GetGameRecordText().rfind("DRAW : 01-05 32-28 ", 0), 0u) << S.GetGameRecordText();

    S.StartFrom(start);
    EXPECT_EQ(S.History().Count(), 0);
    EXPECT_EQ(PlayGame(S, *Queue, first, 3), TGameEnd::PlyLimit);
    EXPECT_EQ(S.History().Count(), 3);
    EXPECT_FALSE(S.IsGameOver());
    EXPECT_EQ(PlayGame(
                  S, *Queue, [](TCheckersSession&) { return -1; }, 1000),
              TGameEnd::Stopped);
    EXPECT_EQ(S.History().Count(), 3);

    S.SetComputerPlayer(1);  // the session's own computer would play over the program
    EXPECT_THROW(PlayGame(S, *Queue, first, 1000), std::logic_error);
}

}  // namespace

namespace {

// Analysis searches the shown position with no end, lists three moves with their lines and never
// plays; a move entered starts it on the new position, the computer's turn ends it, and the
// computer's own search reports too, from Red's side.
TEST_F(PlayTest, AnalysisFollowsTheShownPositionAndNeverPlays)
{
    StartGame();
    std::vector<TSearchReport> reports;
    S.OnSearchReport = [&](const TSearchReport& R) { reports.push_back(R); };
    int changes = 0;
    S.OnAnalysisChange = [&] { ++changes; };
    ASSERT_TRUE(S.SetAnalyzing(true));
    ASSERT_TRUE(PumpUntil([&] { return !reports.empty() && reports.back().Depth >= 6; }));
    EXPECT_EQ(reports.back().Lines.size(), 3u);
    auto& board = static_cast<TCheckersBoard&>(S.Board());
    EXPECT_EQ(reports.back().Lines[0].Moves.substr(0, 5), PathToText(board.Moves()[reports.back().Lines[0].Move]));
    EXPECT_EQ(S.History().Count(), 0);

    // After 9-14 the analysis is White's to move: a report of the old position no longer comes.
    ASSERT_TRUE(Play({9, 14}));
    reports.clear();
    ASSERT_TRUE(PumpUntil([&] { return !reports.empty() && reports.back().Depth >= 4; }));
    for (const TSearchReport& r : reports)
        for (const TSearchReport::TLine& line : r.Lines)
            ASSERT_LT(line.Move, board.MoveCount());
    const std::string firstSquares = reports.back().Lines[0].Moves.substr(0, 2);
    EXPECT_TRUE(firstSquares >= "21") << reports.back().Lines[0].Moves;  // one of White's men moves
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Pump();
    EXPECT_EQ(S.History().Count(), 1);

    // Handing White to the computer ends the analysis; its search reports its move at the end.
    reports.clear();
    S.SetSearchDepth(4);
    S.SetComputerPlayer(1);
    ASSERT_TRUE(WaitRecords(2));
    EXPECT_FALSE(S.Analyzing());
    EXPECT_EQ(changes, 2);
    ASSERT_FALSE(reports.empty());
    EXPECT_EQ(reports.back().Depth, 4);
    ExpectSettled();
}

}  // namespace
