// The solver thread: what it posts, how it is stopped, and how it ends.
#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

#include "engine/CheckersBoard.h"
#include "engine/ExpertStrategy.h"
#include "engine/GameSolver.h"
#include "engine/OpeningBook.h"
#include "engine/PositionTable.h"

namespace velk {
namespace {

using namespace std::chrono_literals;

// Stands in for the board control's window. It writes down what the worker posts, a legal move
// of the initial position as "move" unless Indices: "begin end(move,0)".
class Recorder : public IMessageTarget {
public:
    void PostMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam) override
    {
        std::lock_guard lock(FMutex);
        if (!FLog.empty())
            FLog += ' ';
        FLog += Msg == WM_GB_THINKBEGIN ? "begin" : Msg == WM_GB_THINKEND ? "end" : "other";
        if (Msg != WM_GB_THINKBEGIN || WParam != 0 || LParam != 0) {
            FLog += '(';
            FLog += WParam >= 0 && WParam < 7 && !Indices ? "move" : std::to_string(WParam);
            FLog += ',';
            FLog += std::to_string(LParam);
            FLog += ')';
        }
        FPosted.notify_all();
    }
    bool WaitFor(const std::string& Text)
    {
        std::unique_lock lock(FMutex);
        return FPosted.wait_for(lock, 10s, [&] { return FLog.find(Text) != std::string::npos; });
    }
    std::string Log()
    {
        std::lock_guard lock(FMutex);
        return FLog;
    }

    bool Indices = false;

private:
    std::mutex FMutex;
    std::condition_variable FPosted;
    std::string FLog;
};

class SolverTest : public ::testing::Test {
protected:
    SolverTest()
    {
        Start.NewGame();
        Solver.SetWindow(&Window);
    }
    // A search that would outlive the test unless it is stopped. The table starts empty, so
    // that nothing cached by an earlier stopped search can shorten it.
    void StartDeepSearch(TGameSolver& Solver)
    {
        GlobalPositionTable().SetSize(14);
        Deep->SetDepth(30);
        Deep->SetMaxMemory(8 << 20);
        ASSERT_TRUE(Solver.Start(Start, {}, Deep));
        ASSERT_TRUE(Window.WaitFor("begin"));
    }

    TCheckersBoard Start;
    Recorder Window;
    std::shared_ptr<TFixedDepthStrategy> Fixed = std::make_shared<TFixedDepthStrategy>();
    std::shared_ptr<TFixedDepthStrategy> Deep = std::make_shared<TFixedDepthStrategy>();
    std::shared_ptr<TExpertStrategy> Expert = std::make_shared<TExpertStrategy>();
    TGameSolver Solver;  // last, so that it ends before what its worker uses
};

TEST_F(SolverTest, SearchPostsBeginAndItsResultToTheWindowIfAny)
{
    Fixed->SetDepth(4);
    ASSERT_TRUE(Solver.Start(Start, {}, Fixed));
    ASSERT_TRUE(Window.WaitFor("end"));
    // The end is posted from the job itself; the worker is free a moment later.
    ASSERT_TRUE(Solver.WaitIdle());
    Solver.SetWindow(nullptr);
    ASSERT_TRUE(Solver.Start(Start, {}, Fixed));
    EXPECT_TRUE(Solver.WaitIdle());
    Solver.SetWindow(&Window);
    Start.Clear();
    Start.SetTurn(PLAYER_BLACK);
    ASSERT_TRUE(Solver.Start(Start, {}, Fixed));
    ASSERT_TRUE(Window.WaitFor("end(-1"));
    EXPECT_EQ(Window.Log(), "begin end(move,0) begin end(-1,0)");
    ASSERT_TRUE(Solver.WaitIdle());

    // The search is told the game's past. White's king would be taken after 23-19 (move 0); as
    // a position the game already had, that is a draw, better than anything else White has.
    TCheckersBoard behind, repeated;
    behind.SetAsText("B        B    b       W");  // W:WK23:BK1,K10,15
    behind.SetTurn(PLAYER_WHITE);
    behind.MoveCount();  // ApplyMove reads the move list
    repeated.ApplyMove(behind, 0);
    Window.Indices = true;
    ASSERT_TRUE(Solver.Start(behind, {behind.ComputeKey(), repeated.ComputeKey()}, Fixed));
    ASSERT_TRUE(Window.WaitFor("end(0,0)")) << Window.Log();
}

TEST_F(SolverTest, StartWhileBusyIsRefusedAndStopHurriesOrAborts)
{
    StartDeepSearch(Solver);
    TCheckersBoard other;  // had it replaced the running search, the result would be -1
    EXPECT_FALSE(Solver.Start(other, {}, Fixed));
    Solver.Stop(STOP_HURRY);
    StartDeepSearch(Solver);
    Solver.Stop(STOP_ABORT);
    Fixed->SetDepth(2);  // an aborted search leaves the solver ready
    EXPECT_FALSE(Solver.Start(Start, {}, nullptr));
    EXPECT_TRUE(Solver.Start(Start, {}, Fixed));
    EXPECT_TRUE(Solver.WaitIdle());
    EXPECT_EQ(Window.Log(), "begin end(move,1) begin end(-9999,2) begin end(move,0)");
}

// The Expert level on the same thread and messages: given a minute a move, only Move Now
// (hurry: the last finished iteration's move) or an abort ends it before its time.
TEST_F(SolverTest, ExpertSearchHurriesOrAbortsLikeTheOthersAndEndsOnItsClock)
{
    Expert->SetUseBook(false);
    Expert->SetMoveTime(60000);
    ASSERT_TRUE(Solver.Start(Start, {}, Expert));
    ASSERT_TRUE(Window.WaitFor("begin"));
    EXPECT_FALSE(Solver.Start(Start, {}, Fixed));
    std::this_thread::sleep_for(20ms);
    const auto before = std::chrono::steady_clock::now();
    Solver.Stop(STOP_HURRY);
    ASSERT_TRUE(Solver.Start(Start, {}, Expert));
    ASSERT_TRUE(Window.WaitFor("end(move,1) begin"));
    Solver.Stop(STOP_ABORT);
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    Expert->SetMoveTime(20);
    ASSERT_TRUE(Solver.Start(Start, {}, Expert));
    EXPECT_TRUE(Solver.WaitIdle());
    EXPECT_EQ(Window.Log(), "begin end(move,1) begin end(-9999,2) begin end(move,0)");
}

// In the opening book the Expert level answers at once, whatever its time; a fixed seed draws
// the same move every time, and the fixed-depth levels never look at the book.
TEST_F(SolverTest, ExpertPlaysFromTheBookAtOnce)
{
    Window.Indices = true;
    Expert->SetBookSeed(7);
    Expert->SetMoveTime(60000);
    const int32_t book = BookMove(Start, 7);
    ASSERT_GE(book, 0);
    const std::string answer = "end(" + std::to_string(book) + ",0)";
    const auto before = std::chrono::steady_clock::now();
    for (int i = 0; i < 2; ++i) {
        ASSERT_TRUE(Solver.Start(Start, {}, Expert));
        ASSERT_TRUE(Solver.WaitIdle());
    }
    EXPECT_LT(std::chrono::steady_clock::now() - before, 5s);
    EXPECT_EQ(Window.Log(), "begin " + answer + " begin " + answer);
}

TEST_F(SolverTest, DestroyingDuringASearchEndsItPromptlyAndSilently)
{
    auto solver = std::make_unique<TGameSolver>();
    solver->SetWindow(&Window);
    StartDeepSearch(*solver);
    const auto before = std::chrono::steady_clock::now();
    solver.reset();
    EXPECT_LT(std::chrono::steady_clock::now() - before, 2s);
    // The abort may still be reported if the search saw it before the worker was told to end;
    // once the solver is gone, nothing more arrives.
    const std::string log = Window.Log();
    EXPECT_TRUE(log == "begin" || log == "begin end(-9999,2)") << log;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(Window.Log(), log);
}

}  // namespace
}  // namespace velk
