// Playing against the computer: whole games, pausing, hurrying and cancelling the search,
// handing sides over, and stepping through the record while the game goes on.
#include <QDir>
#include <cstdio>

#include "ControlTestSupport.h"

using namespace velk;
using namespace velk::test;

namespace {

// Deep enough that the search is still running when the test acts on it; every test that uses
// it stops the search, which then ends at once.
constexpr uint8_t LONG_SEARCH = 20;

class PlayTest : public ControlTest {
protected:
    // The human (Black) opens and the computer, playing White, starts thinking.
    void OpenAgainstThinkingComputer()
    {
        StartGame();
        C->SetSearchDepth(LONG_SEARCH);
        C->SetComputerPlayer(1);
        ASSERT_TRUE(C->PlayPath(Path({11, 15})));
        ASSERT_TRUE(WaitThinking());
    }

    // No search runs and its last message has been handled: nothing more can be played.
    void ExpectSettled()
    {
        EXPECT_FALSE(C->Solver().Busy());
        QTest::qWait(30);
        Pump();
        EXPECT_FALSE(C->Thinking());
    }
};

TEST_F(PlayTest, ComputerAgainstComputerPlaysToTheEndAndReportsItOnce)
{
    // White to move with a lone man on 18; Black kings wait on 9 and 11 to take it either way.
    TEventLog log;
    log.Attach(*C);
    C->SetSearchDepth(4);
    C->SetComputerPlayer(3);
    StartPosition(BoardText({{1, 'B'}, {2, 'B'}, {9, 'B'}, {11, 'B'}, {18, 'w'}}), PLAYER_WHITE);

    ASSERT_TRUE(PumpUntil([&] { return log.Count("GameEnded") > 0; }, 10000));
    ExpectSettled();
    EXPECT_EQ(log.Count("GameEnded"), 1);
    EXPECT_TRUE(C->History().Finished());
    EXPECT_FALSE(C->Playing());
    EXPECT_EQ(C->Winner(), PLAYER_BLACK);
    EXPECT_EQ(C->History().Count(), 2);
    EXPECT_EQ(log.Count("ThinkBegin"), 2);  // one search for each side
    EXPECT_LT(log.IndexOf("ThinkEnd"), log.IndexOf("MoveBegin"));  // reported before it is played
    EXPECT_EQ(C->GetGameRecordText().rfind("BLACK: ", 0), 0u) << C->GetGameRecordText();

    // A finished game cannot be resumed: pausing and resuming leaves it over and silent.
    C->SetPaused(true);
    C->SetPaused(false);
    ExpectSettled();
    EXPECT_FALSE(C->Playing());
    EXPECT_EQ(log.Count("GameEnded"), 1);
}

TEST_F(PlayTest, PauseOrCancelDiscardTheSearchResumeRestartsItMoveNowPlaysAtOnce)
{
    TEventLog log;
    OpenAgainstThinkingComputer();
    log.Attach(*C);

    C->SetPaused(true);
    EXPECT_FALSE(C->Playing());
    ExpectSettled();
    EXPECT_EQ(log.Count("ThinkEnd"), 1);  // still reported, but its answer is not played
    EXPECT_EQ(C->History().Count(), 1);
    EXPECT_EQ(C->Turn(), PLAYER_WHITE);
    EXPECT_FALSE(C->MoveNow());

    C->SetPaused(false);
    ASSERT_TRUE(WaitThinking());
    EXPECT_TRUE(C->CancelThinking());  // the game goes on, but nothing is played
    ExpectSettled();
    EXPECT_TRUE(C->Playing());
    EXPECT_EQ(C->History().Count(), 1);
    EXPECT_EQ(log.Count("MoveBegin"), 0);

    C->SetPaused(true);
    C->SetPaused(false);
    ASSERT_TRUE(WaitThinking());
    EXPECT_EQ(log.Count("ThinkBegin"), 2);

    EXPECT_TRUE(C->MoveNow());  // the best move found so far is played
    ASSERT_TRUE(WaitRecords(2, 2000));
    EXPECT_EQ(C->Turn(), PLAYER_BLACK);
    EXPECT_FALSE(C->Thinking());
    EXPECT_FALSE(C->MoveNow());  // the human's turn
}

TEST_F(PlayTest, NothingReachesTheBoardWhilePausedAndEachTurnIsOneRecord)
{
    // A suggestion taken during a pause waits for the game to resume.
    StartGame();
    C->SetSearchDepth(1);
    C->SetComputerPlayer(1);
    ASSERT_TRUE(C->SelectMove(C->SuggestMove(2)));
    const TMovementPath suggestion = C->Selection();
    C->SetPaused(true);
    // Neither a click nor the keyboard's Space changes the suggestion while the game waits.
    for (const int square : {9, 12, 22})
        Click(square);
    for (const int32_t pos : suggestion)
        QTest::mouseClick(C.get(), Qt::LeftButton, Qt::NoModifier, C->GetSquareRect(pos).center());
    C->SetKeyCursor(suggestion.back());
    QTest::keyClick(C.get(), Qt::Key_Space);
    EXPECT_EQ(C->Selection(), suggestion);
    EXPECT_FALSE(C->PlaySelection());
    EXPECT_FALSE(C->PlayMove(0));
    EXPECT_FALSE(C->PlayPath(Path({9, 13})));
    EXPECT_EQ(C->BoardAsText(), START_TEXT);
    EXPECT_EQ(C->History().Count(), 0);
    C->SetPaused(false);
    ASSERT_TRUE(C->PlaySelection());
    ASSERT_TRUE(WaitRecords(2));
    for (int32_t i = 0; i < 2; ++i) {
        EXPECT_TRUE(C->History().Items(i).EndsTurn);
        EXPECT_EQ(C->History().Items(i).Path.size(), 2u);
    }
}

TEST_F(PlayTest, ComputerThinksWheneverItsTurnComesInAPlayingGame)
{
    // A new game started in the middle of one, with the computer playing Red: it opens.
    StartGame();
    C->SetSearchDepth(1);
    ASSERT_TRUE(C->PlayPath(Path({11, 15})));
    C->SetComputerPlayer(2);
    Pump();
    C->NewGame();
    ASSERT_TRUE(WaitRecords(1));
    EXPECT_EQ(C->Turn(), PLAYER_WHITE);

    // An answer for a board that is no longer shown is dropped; the board shown gets its own.
    TEventLog log;
    log.Attach(*C);
    C->SetComputerPlayer(1);  // White, to move: the computer starts at once
    ASSERT_TRUE(C->Solver().WaitIdle(5000));  // and its answer waits in the queue
    const std::string other = BoardText({{1, 'b'}, {2, 'b'}, {29, 'w'}, {30, 'w'}});
    C->SetBoardAsText(other);
    ASSERT_TRUE(WaitRecords(2));
    ExpectSettled();
    EXPECT_EQ(log.Count("ThinkBegin"), 2);
    EXPECT_EQ(log.Count("MoveBegin"), 1);
    const TMovementPath played = C->History().Items(1).Path;
    EXPECT_TRUE(played.front() == Pos(29) || played.front() == Pos(30)) << C->GetGameRecordText();
}

TEST_F(PlayTest, TakeBackReturnsToThePlayersLastTurnAndANewGamePlays)
{
    // Against the computer: its reply and the player's move are taken back, and play goes on.
    StartGame();
    C->SetSearchDepth(1);
    C->SetComputerPlayer(1);
    EXPECT_FALSE(C->CanTakeBack());
    ASSERT_TRUE(C->PlayPath(Path({11, 15})));
    ASSERT_TRUE(WaitRecords(2));
    ExpectSettled();
    ASSERT_TRUE(C->TakeBack());
    Pump();
    EXPECT_EQ(C->History().Position(), 0);
    EXPECT_EQ(C->Turn(), PLAYER_BLACK);
    EXPECT_FALSE(C->Paused());
    EXPECT_TRUE(C->Playing());

    // Between two players, one move.
    C->SetComputerPlayer(0);
    ASSERT_TRUE(C->PlayPath(Path({9, 13})));
    ASSERT_TRUE(C->PlayPath(Path({22, 18})));
    ASSERT_TRUE(C->TakeBack());
    Pump();
    EXPECT_EQ(C->History().Position(), 1);
    EXPECT_EQ(C->Turn(), PLAYER_WHITE);

    // A pause the player chose does not carry into a new game.
    C->SetPaused(true);
    C->NewGame();
    EXPECT_FALSE(C->Paused());
    EXPECT_TRUE(C->Playing());

    // A capture half entered goes back to the start of its own turn, not of the one before,
    // whether its first jump is a record of its own or still waits for the turn's end.
    for (const bool fullMovesOnly : {true, false}) {
        C->SetRecordFullMovesOnly(fullMovesOnly);
        StartPosition(BoardText({{1, 'b'}, {6, 'b'}, {10, 'w'}, {23, 'w'}, {32, 'w'}}), PLAYER_WHITE);
        ASSERT_TRUE(C->PlayPath(Path({23, 19})));
        const std::string turnStart = C->BoardAsText();
        ASSERT_TRUE(C->PlayPath(Path({6, 15})));  // 6-15-24 begun
        ASSERT_EQ(C->Turn(), PLAYER_BLACK);
        ASSERT_TRUE(C->TakeBack());
        Pump();
        EXPECT_EQ(C->BoardAsText(), turnStart) << fullMovesOnly;
        EXPECT_EQ(C->History().Position(), 1) << fullMovesOnly;
        EXPECT_TRUE(C->CurrentMove().IsEmpty()) << fullMovesOnly;
    }
}

TEST_F(PlayTest, ThirdRepetitionEndsTheGameInADrawThatStaysDrawnWhenSavedAndOpened)
{
    TEventLog log;
    C->SetDeclareDraws(true);
    StartPosition(BoardText({{1, 'B'}, {32, 'W'}}), PLAYER_BLACK);
    log.Attach(*C);
    const TMovementPath round[] = {Path({1, 5}), Path({32, 28}), Path({5, 1}), Path({28, 32})};
    for (int i = 0; i < 8; ++i) {
        EXPECT_FALSE(C->IsGameOver()) << i;
        ASSERT_TRUE(C->PlayPath(round[i % 4])) << i;
    }
    Pump();
    EXPECT_TRUE(C->IsGameOver());  // the start position for the third time
    EXPECT_TRUE(C->IsDraw());
    EXPECT_EQ(C->Winner(), 0);
    EXPECT_FALSE(C->Playing());
    EXPECT_TRUE(C->History().Finished());
    EXPECT_EQ(log.Count("GameEnded"), 1);
    EXPECT_EQ(C->GetGameRecordText(), "DRAW : 01-05 32-28 05-01 28-32 01-05 32-28 05-01 28-32");

    // Saved and opened, it is still drawn; without the rule the game goes on.
    const std::string name = QDir::temp().filePath("velk-drawn-game.ckr").toStdString();
    C->SaveToFile(name, "Velk Checkers");
    C->NewGame();
    C->LoadFromFile(name, "Velk Checkers");
    std::remove(name.c_str());
    EXPECT_TRUE(C->IsDraw());
    EXPECT_FALSE(C->Playing());
    C->SetDeclareDraws(false);
    EXPECT_FALSE(C->IsGameOver());
    EXPECT_TRUE(C->Playing());
    EXPECT_EQ(C->Winner(), 0);
}

TEST_F(PlayTest, HumanTakingOverTheThinkingSideGetsTheMove)
{
    OpenAgainstThinkingComputer();
    EXPECT_FALSE(C->CanSelect(Pos(22)));  // the computer's men are not the human's to click
    C->SetComputerPlayer(0);
    ExpectSettled();
    EXPECT_EQ(C->History().Count(), 1);
    EXPECT_EQ(C->Turn(), PLAYER_WHITE);
    EXPECT_TRUE(C->Playing());
    EXPECT_TRUE(C->CanSelect(Pos(22)));  // White's men answer clicks now

    // Out-of-range settings are refused or clamped.
    C->SetComputerPlayer(5);
    EXPECT_EQ(C->ComputerPlayer(), 0);
    C->SetSearchDepth(0);
    EXPECT_EQ(C->SearchDepth(), 1);
    C->SetSearchDepth(200);
    EXPECT_EQ(C->SearchDepth(), 64);
}

TEST_F(PlayTest, ComputerSwitchedOffAndOnAgainStillAnswers)
{
    // Both changes are made before the stopped search's last message comes in.
    OpenAgainstThinkingComputer();
    C->SetComputerPlayer(0);
    C->SetSearchDepth(1);
    C->SetComputerPlayer(1);
    ASSERT_TRUE(WaitRecords(2, 3000));
    EXPECT_EQ(C->Turn(), PLAYER_BLACK);
}

TEST_F(PlayTest, UndoWhileTheComputerThinksGivesTheHumanTheMoveBack)
{
    TEventLog log;
    OpenAgainstThinkingComputer();
    log.Attach(*C);

    ASSERT_TRUE(C->Undo());
    Pump();
    ExpectSettled();
    EXPECT_EQ(C->History().Position(), 0);
    EXPECT_EQ(C->BoardAsText(), START_TEXT);
    EXPECT_EQ(C->Turn(), PLAYER_BLACK);
    EXPECT_FALSE(C->Paused());
    EXPECT_TRUE(C->Playing());
    EXPECT_EQ(log.Count("MoveBegin"), 0);
    EXPECT_EQ(C->History().Count(), 1);
    EXPECT_TRUE(C->CanRedo());

    // Redo brings the move back; at the end of the record the computer thinks again.
    ASSERT_TRUE(C->Redo());
    ASSERT_TRUE(WaitThinking());
    EXPECT_EQ(C->History().Position(), 1);
}

TEST_F(PlayTest, BrowsingBackPausesWhileTheComputerWouldMove)
{
    StartGame();
    C->SetSearchDepth(1);
    C->SetComputerPlayer(1);
    for (int32_t records = 2; records <= 4; records += 2) {
        ASSERT_TRUE(C->PlayMove(0));
        ASSERT_TRUE(WaitRecords(records));
    }
    ExpectSettled();
    const auto step = [&](bool (TGameBoardControl::*Navigate)()) {
        ASSERT_TRUE((C.get()->*Navigate)());
        Pump();
    };

    step(&TGameBoardControl::Undo);  // White, the computer, to move before the end: paused
    EXPECT_EQ(C->History().Position(), 3);
    EXPECT_TRUE(C->Paused());
    EXPECT_TRUE(C->AutoPaused());
    ExpectSettled();
    EXPECT_EQ(C->History().Count(), 4);  // the computer did not play over the record

    step(&TGameBoardControl::Undo);  // the human to move: the pause is lifted
    EXPECT_EQ(C->History().Position(), 2);
    EXPECT_FALSE(C->Paused());
    EXPECT_TRUE(C->Playing());

    step(&TGameBoardControl::Undo);
    EXPECT_TRUE(C->Paused());
    step(&TGameBoardControl::RedoAll);  // to the end: the pause is lifted
    EXPECT_EQ(C->History().Position(), 4);
    EXPECT_FALSE(C->Paused());
    EXPECT_TRUE(C->Playing());

    step(&TGameBoardControl::Undo);  // browsing back once more, then a new game
    ASSERT_TRUE(C->AutoPaused());
    C->NewGame();
    EXPECT_FALSE(C->Paused());  // nothing is left to browse: the human can move
    EXPECT_TRUE(C->Playing());
    for (int32_t records = 2; records <= 4; records += 2) {
        ASSERT_TRUE(C->PlayMove(0));
        ASSERT_TRUE(WaitRecords(records));
    }
    ExpectSettled();

    C->SetPaused(true);  // a pause the user chose is not lifted by browsing
    step(&TGameBoardControl::Undo);
    step(&TGameBoardControl::Undo);
    EXPECT_EQ(C->History().Position(), 2);
    EXPECT_TRUE(C->Paused());
    EXPECT_FALSE(C->AutoPaused());
}

TEST_F(PlayTest, UndoRedoAndGoToMoveWalkTheRecord)
{
    StartGame();
    std::vector<std::string> boards{C->BoardAsText()};
    for (const auto& move : {Path({11, 15}), Path({22, 18}), Path({15, 22}), Path({25, 18})}) {
        ASSERT_TRUE(C->PlayPath(move));
        boards.push_back(C->BoardAsText());
    }
    Pump();

    // Requests are posted: nothing moves until the messages are handled.
    ASSERT_TRUE(C->GoToMove(PLAYER_WHITE, 1));
    EXPECT_EQ(C->History().Position(), 4);
    Pump();
    EXPECT_EQ(C->History().Position(), 1);  // the position before White's first move
    EXPECT_EQ(C->BoardAsText(), boards[1]);
    EXPECT_EQ(C->Turn(), PLAYER_WHITE);
    EXPECT_TRUE(C->HasMove(PLAYER_WHITE, 2));
    EXPECT_FALSE(C->GoToMove(PLAYER_BLACK, 3));

    ASSERT_TRUE(C->Undo());
    Pump();
    EXPECT_EQ(C->BoardAsText(), boards[0]);
    EXPECT_FALSE(C->Undo());
    ASSERT_TRUE(C->Redo());
    Pump();
    ASSERT_TRUE(C->Redo());
    Pump();
    EXPECT_EQ(C->History().Position(), 2);
    EXPECT_EQ(C->BoardAsText(), boards[2]);
    ASSERT_TRUE(C->RedoAll());
    Pump();
    EXPECT_EQ(C->BoardAsText(), boards[4]);
    EXPECT_FALSE(C->Redo());
    EXPECT_FALSE(C->GoToPosition(5));
    EXPECT_FALSE(C->GoToPosition(4));  // already there, nothing pending
    EXPECT_FALSE(C->Paused());

    // A move played after stepping back replaces the rest of the record, in one change.
    C->GoToMove(PLAYER_WHITE, 1);
    Pump();
    int historyChanges = 0;
    C->OnHistoryChange = [&](TGameBoardControl*) { ++historyChanges; };
    ASSERT_TRUE(C->PlayPath(Path({23, 19})));
    Pump();
    EXPECT_EQ(C->History().Count(), 2);
    EXPECT_EQ(C->History().Position(), 2);
    EXPECT_EQ(historyChanges, 1);
    EXPECT_EQ(C->GetMoveText(PLAYER_WHITE, 1), "23-19");
}

TEST_F(PlayTest, WindowLifetimeGatesPlayAndTheSearch)
{
    OpenAgainstThinkingComputer();
    C->DestroyWnd();  // ends the search; no message may reach the control any more
    EXPECT_FALSE(C->Solver().Busy());
    EXPECT_FALSE(C->Playing());
    EXPECT_FALSE(C->Thinking());  // its end message died with the window
    C->SetSearchDepth(1);
    QTest::qWait(30);
    Pump();
    EXPECT_EQ(C->History().Count(), 1);
    C->CreateWnd();  // playing again, and the computer takes up its turn
    ASSERT_TRUE(WaitRecords(2));
}

}  // namespace
