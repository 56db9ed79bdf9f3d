// Games on the clock: the time control's text forms, the computer's share of its time, the
// clocks counting down through moves, pauses, browsing and take-back, and a loss on time.
#include <algorithm>
#include <chrono>
#include <thread>

#include "SessionSupport.h"
#include "session/TimeControl.h"

using namespace velk;
using namespace velk::test;

namespace {

void Sleep(int Ms) { std::this_thread::sleep_for(std::chrono::milliseconds(Ms)); }

TEST(TimeControlTest, ReadsAndWritesThePdnAndTheToolsForms)
{
    TTimeControl c;
    ASSERT_TRUE(ParseTimeControl("300+3", 1000, c));
    EXPECT_EQ(c, (TTimeControl{300000, 3000}));
    EXPECT_EQ(TimeControlText(c), "300+3");
    ASSERT_TRUE(ParseTimeControl("0.05+0.1", 60000, c));  // minutes for the game, as the tool reads it
    EXPECT_EQ(c, (TTimeControl{3000, 100}));
    EXPECT_EQ(TimeControlText(c), "3+0.1");
    ASSERT_TRUE(ParseTimeControl("90", 1000, c));
    EXPECT_EQ(c, (TTimeControl{90000, 0}));
    ASSERT_TRUE(ParseTimeControl("1.5+0.25", 1000, c));
    EXPECT_EQ(TimeControlText(c), "1.5+0.25");
    ASSERT_TRUE(ParseTimeControl("-", 1000, c));
    EXPECT_FALSE(c.Active());
    EXPECT_EQ(TimeControlText(c), "-");

    const TTimeControl kept{5000, 5};
    for (const char* bad :
         {"", "+3", "3+", "0+5", "0", "1e3", "-1+2", "5+3+1", "5 +3", ".", "5.+1", "1.0001", "1441", "1+3601", "abc"}) {
        c = kept;
        EXPECT_FALSE(ParseTimeControl(bad, 60000, c)) << bad;
        EXPECT_EQ(c, kept) << bad;
    }
}

TEST(TimeControlTest, TheComputersShareStaysWithinTheClockAndLastsAGameThatOverrunsIt)
{
    for (const uint32_t left : {0u, 1u, 4u, 5u, 10u, 99u, 100u, 1000u, 5000u, 60000u, 3600000u, UINT32_MAX})
        for (const uint32_t increment : {0u, 100u, 1000u, 30000u, CLOCK_MAX_INCREMENT_MS}) {
            const uint32_t t = ClockMoveTime({60000, increment}, left);
            EXPECT_GE(t, 1u) << left << "+" << increment;  // 0 would be a search without an end
            EXPECT_LE(t, std::max(left / 5, 1u)) << left << "+" << increment;
        }
    for (const uint32_t left : {5000u, 60000u})
        EXPECT_GT(ClockMoveTime({60000, 1000}, left), ClockMoveTime({60000, 0}, left)) << left;

    // A minute and a second a move, every search overrunning its time by half and 50 ms more
    // besides: the time left settles instead of running out, and most of it is used.
    const TTimeControl blitz{60000, 1000};
    int64_t left = blitz.BaseMs;
    for (int move = 0; move < 200; ++move) {
        const uint32_t t = ClockMoveTime(blitz, static_cast<uint32_t>(left));
        left -= t * 3 / 2 + 50;
        ASSERT_GT(left, 0) << move;
        left += blitz.IncrementMs;
    }
    EXPECT_LT(left, 20000);
}

class ClockTest : public SessionTest {
protected:
    // The owner's timer: the clock looked at every few milliseconds while the queue is pumped,
    // until Done holds; false when TimeoutMs passed first.
    bool RunClock(const std::function<bool()>& Done, int TimeoutMs = 10000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
        while (std::chrono::steady_clock::now() < deadline) {
            Pump();
            S.CheckTime();
            if (Done())
                return true;
            Sleep(5);
        }
        return false;
    }
    void Step(bool (TGameSession::*Navigate)())
    {
        ASSERT_TRUE((S.*Navigate)());
        Pump();
    }
    uint32_t Took(int32_t Record) const { return S.History().Items(Record).Duration; }
};

TEST_F(ClockTest, ClocksCountDownWithTheIncrementAndStandStillWhenPausedOrBrowsed)
{
    StartGame();
    S.SetTimeControl({60000, 2000});
    S.SetSearchDepth(1);
    S.SetComputerPlayer(PLAYER_WHITE);
    Sleep(60);
    EXPECT_LE(S.RemainingTime(PLAYER_BLACK), 60000u - 60);  // Red, to move, is running
    EXPECT_EQ(S.RemainingTime(PLAYER_WHITE), 60000u);
    ASSERT_TRUE(Play({11, 15}));
    ASSERT_TRUE(WaitRecords(2));
    ExpectSettled();
    EXPECT_GE(Took(0), 60u);
    EXPECT_EQ(S.RemainingTime(PLAYER_WHITE), 62000u - Took(1));

    // Paused, the side to move's clock stands still, and runs on from there.
    S.SetPaused(true);
    EXPECT_EQ(S.RemainingTime(PLAYER_BLACK), 62000u - Took(0) - S.TurnTime());
    const uint32_t paused = S.RemainingTime(PLAYER_BLACK);
    Sleep(50);
    EXPECT_EQ(S.RemainingTime(PLAYER_BLACK), paused);
    S.SetPaused(false);
    Sleep(50);
    EXPECT_LE(S.RemainingTime(PLAYER_BLACK), paused - 50);

    ASSERT_TRUE(S.PlayMove(0));
    ASSERT_TRUE(WaitRecords(4));
    ExpectSettled();
    Sleep(50);
    const uint32_t beforeBrowsing = S.RemainingTime(PLAYER_BLACK);
    const uint32_t whiteAtEnd = S.RemainingTime(PLAYER_WHITE);
    EXPECT_EQ(whiteAtEnd, 64000u - Took(1) - Took(3));

    // Browsed back to where the computer would move, the clocks show that position's times from
    // the record and no clock runs.
    Step(&TGameSession::Undo);
    ASSERT_TRUE(S.AutoPaused());
    EXPECT_EQ(S.RemainingTime(PLAYER_WHITE), 62000u - Took(1));
    EXPECT_EQ(S.RemainingTime(PLAYER_BLACK), 64000u - Took(0) - Took(2));
    Sleep(50);
    EXPECT_EQ(S.RemainingTime(PLAYER_WHITE), 62000u - Took(1));
    // Back at the end the turn that ran there goes on: browsing gave Red no time.
    Step(&TGameSession::RedoAll);
    ASSERT_TRUE(S.Playing());
    EXPECT_LE(S.RemainingTime(PLAYER_BLACK), beforeBrowsing);
    EXPECT_EQ(S.RemainingTime(PLAYER_WHITE), whiteAtEnd);

    // Take-back works the clocks out again from the record left: Red's second move and its
    // increment are gone, White's reply too.
    Step(&TGameSession::TakeBack);
    ASSERT_EQ(S.History().Position(), 2);
    S.SetPaused(true);
    EXPECT_EQ(S.RemainingTime(PLAYER_BLACK), 62000u - Took(0) - S.TurnTime());
    EXPECT_EQ(S.RemainingTime(PLAYER_WHITE), 62000u - Took(1));

    // Without a time control the clocks only count up, as they always did.
    S.SetTimeControl(TTimeControl());
    EXPECT_EQ(S.RemainingTime(PLAYER_BLACK), 0u);
    EXPECT_EQ(S.ClockMoveTime(), 0u);
}

TEST_F(ClockTest, TheSideOutOfTimeLosesOnceTheComputerStopsAndTheLossHoldsWhereItFell)
{
    TEventLog log;
    log.Attach(S);
    StartGame();
    S.SetTimeControl({500, 0});
    S.SetSearchDepth(20);  // far longer than White's half second
    S.SetComputerPlayer(PLAYER_WHITE);
    ASSERT_TRUE(Play({11, 15}));
    ASSERT_TRUE(WaitThinking());
    ASSERT_TRUE(RunClock([&] { return S.IsGameOver(); }));
    const auto expectLostByWhite = [&](int Ended) {
        EXPECT_EQ(S.LostOnTime(), PLAYER_WHITE);
        EXPECT_EQ(S.Winner(), PLAYER_BLACK);
        EXPECT_FALSE(S.IsDraw());
        EXPECT_FALSE(S.Playing());
        EXPECT_EQ(S.RemainingTime(PLAYER_WHITE), 0u);
        EXPECT_GT(S.RemainingTime(PLAYER_BLACK), 0u);
        ExpectSettled();  // the search was stopped and played nothing
        EXPECT_EQ(S.History().Count(), 1);
        EXPECT_FALSE(S.CheckTime());
        EXPECT_FALSE(S.PlayMove(0));
        EXPECT_EQ(log.Count("GameEnded"), Ended);
        EXPECT_EQ(S.GetGameRecordText().rfind("BLACK: ", 0), 0u) << S.GetGameRecordText();
    };
    expectLostByWhite(1);
    S.SetPaused(true);  // a pause and a resume do not revive it
    S.SetPaused(false);
    expectLostByWhite(1);

    // Browsed back, the position before is as it was played; at the end again, the game is lost.
    Step(&TGameSession::Undo);
    EXPECT_EQ(S.LostOnTime(), 0);
    EXPECT_FALSE(S.IsGameOver());
    Step(&TGameSession::Redo);
    expectLostByWhite(1);

    // Another move from the position before is a new line: White's clock runs out again there.
    Step(&TGameSession::Undo);
    ASSERT_TRUE(Play({9, 13}));
    EXPECT_EQ(S.LostOnTime(), 0);
    EXPECT_TRUE(S.Playing());
    ASSERT_TRUE(RunClock([&] { return S.IsGameOver(); }));
    expectLostByWhite(2);

    // A new game starts both clocks afresh. A move that comes after the time ran out is not
    // played, even before the owner's timer saw it: the mover has lost.
    S.SetComputerPlayer(0);
    StartGame();
    EXPECT_EQ(S.LostOnTime(), 0);
    EXPECT_TRUE(S.Playing());
    EXPECT_GT(S.RemainingTime(PLAYER_BLACK), 0u);
    Sleep(520);
    EXPECT_FALSE(Play({11, 15}));
    Pump();
    EXPECT_EQ(S.LostOnTime(), PLAYER_BLACK);
    EXPECT_EQ(S.Winner(), PLAYER_WHITE);
    EXPECT_EQ(log.Count("GameEnded"), 3);
}

TEST_F(ClockTest, ExpertSharesOutItsClockWhereItsOwnMoveTimeWouldLose)
{
    // A second a move, Expert's own time, would lose this clock in two moves.
    S.SetExpert(true);
    S.SetExpertMoveTime(1000);
    S.SetExpertThreads(1);
    S.SetUseOpeningBook(false);
    StartGame();
    S.SetTimeControl({1500, 100});
    S.SetComputerPlayer(3);
    ASSERT_TRUE(RunClock([&] { return S.IsGameOver() || S.History().Count() >= 16; }, 30000));
    EXPECT_EQ(S.LostOnTime(), 0);
    S.SetComputerPlayer(0);
    ExpectSettled();
}

}  // namespace
