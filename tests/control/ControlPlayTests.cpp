// Playing against the computer through the board control: what clicks and keys do while the game
// is paused, a human taking over the thinking side, and the window's lifetime. The play state
// itself is tested without a window, in the session's tests.
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
