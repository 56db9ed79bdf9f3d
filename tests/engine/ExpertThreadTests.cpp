// The Expert level's threads: helpers share the table without locks, never outlive the search
// and never throw; the game's answer is the first thread's, within the time per move.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "TestBoards.h"
#include "engine/ExpertSearch.h"
#include "platform/Exceptions.h"

namespace velk {
namespace {

using test::Board;
using namespace std::chrono_literals;
using TClock = std::chrono::steady_clock;

// The same forced wins as one thread finds, also on an engine whose table the other thread
// count filled; with one thread again, a fresh engine repeats its fixed-depth search exactly.
TEST(ExpertThreads, FindTheForcedWinsOneThreadFinds)
{
    for (const char* fen : {"W:WK18,K19,K23:BK1", "B:WK28:BK23,K24", "B:W27:BK14,K15"}) {
        auto board = Board(fen);
        const TExpertResult single = TExpertEngine().Search(*board, 0, 1 << 20, nullptr, nullptr, 16);
        ASSERT_GT(single.Score, EXPERT_WIN_BOUND) << fen;
        TExpertEngine engine;
        for (const int threads : {3, 2}) {
            engine.SetThreads(threads);
            const TExpertResult r = engine.Search(*board, 0, 1 << 20, nullptr, nullptr, 16);
            EXPECT_GT(r.Score, EXPERT_WIN_BOUND) << fen << " with " << threads << " threads";
            EXPECT_GE(r.Nodes, 1u);
        }
    }
    EXPECT_GE(TExpertEngine().Threads(), 1);
    TExpertEngine all;
    all.SetThreads(0);
    EXPECT_EQ(all.Threads(), static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
}

// Every thread stops with the time: four threads on two cores still answer within the time per
// move (the margin is for a loaded machine and the sanitizers). An abort from another thread
// leaves by EAbort on the caller's thread only, after the helpers have stopped; the engine then
// searches on as before.
TEST(ExpertThreads, KeepTheTimeAndStopOnAbort)
{
    constexpr auto MARGIN = 300ms;
    auto board = Board("B:W18,19,21,23,24,26,29,30,31,32:B1,2,3,5,7,9,10,12,14,16");
    TExpertEngine engine;
    engine.SetThreads(4);
    for (const uint32_t ms : {100u, 250u}) {
        const auto start = TClock::now();
        const TExpertResult r = engine.Search(*board, ms, 4 << 20, nullptr, nullptr);
        EXPECT_LT(TClock::now() - start, std::chrono::milliseconds(ms) + MARGIN);
        EXPECT_GE(r.Depth, 1);
        EXPECT_GE(r.Move, 0);
    }

    TStopFlag stop{STOP_NONE};
    std::thread stopper([&stop] {
        std::this_thread::sleep_for(50ms);
        stop.store(STOP_ABORT);
    });
    const auto start = TClock::now();
    EXPECT_THROW(engine.Search(*board, 0, 4 << 20, &stop, nullptr), EAbort);
    stopper.join();
    EXPECT_LT(TClock::now() - start, 50ms + MARGIN);
    TStopFlag hurry{STOP_NONE};
    std::thread hurrier([&hurry] {
        std::this_thread::sleep_for(50ms);
        hurry.store(STOP_HURRY);
    });
    const TExpertResult r = engine.Search(*board, 0, 4 << 20, &hurry, nullptr);
    hurrier.join();
    EXPECT_GE(r.Depth, 1);
    EXPECT_GE(r.Move, 0);
}

}  // namespace
}  // namespace velk
