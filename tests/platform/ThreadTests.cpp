// The thread primitives under the solver and the animator: events, and the worker's hand-over,
// idle wait and shutdown.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <stdexcept>
#include <thread>
#include <utility>

#include "platform/Event.h"
#include "platform/WorkerThread.h"

namespace velk {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(Event, ResetKindsAndTimeouts)
{
    for (const bool manual : {true, false}) {
        SCOPED_TRACE(manual ? "manual reset" : "auto reset");
        TEvent event(manual, true);
        EXPECT_TRUE(event.Wait(0));
        EXPECT_EQ(event.Wait(0), manual);  // an automatic event is used up by the wait that saw it
        event.Reset();
        const auto before = Clock::now();
        EXPECT_FALSE(event.Wait(30));
        EXPECT_GE(Clock::now() - before, 30ms);

        // One Set releases every waiter of a manual event, a single waiter of an automatic one.
        std::atomic<int> released{0};
        const auto waiter = [&] { released += event.Wait(10000); };
        std::thread first(waiter), second(waiter);
        event.Set();
        if (!manual) {
            for (auto end = Clock::now() + 5s; released.load() == 0 && Clock::now() < end;)
                std::this_thread::sleep_for(1ms);
            std::this_thread::sleep_for(20ms);
            EXPECT_EQ(released.load(), 1);
            event.Set();
        }
        first.join();
        second.join();
        EXPECT_EQ(released.load(), 2);
    }
}

// The smallest real worker: runs the function it is handed.
class TJobWorker : public TWorkerThread {
public:
    TJobWorker() { Launch(); }
    ~TJobWorker() override { Shutdown(); }

    using TWorkerThread::Post;

    bool HandOver(std::function<void()> Job)
    {
        if (!Claim())
            return false;
        FJob = std::move(Job);
        Wake();
        return true;
    }

protected:
    void RunJob() override
    {
        if (const auto job = std::exchange(FJob, nullptr))
            job();
    }

private:
    std::function<void()> FJob;
};

TEST(WorkerThread, OneJobAtATimeAndAFailedJobLeavesItReady)
{
    TJobWorker worker;
    TEvent gate(true, false);
    std::atomic<int> runs{0};
    EXPECT_FALSE(worker.Busy());
    ASSERT_TRUE(worker.HandOver([&] {
        gate.Wait();
        ++runs;
    }));
    EXPECT_TRUE(worker.Busy());
    EXPECT_FALSE(worker.HandOver([&] { runs += 100; }));  // refused, not queued
    EXPECT_FALSE(worker.WaitIdle(20));
    gate.Set();
    EXPECT_TRUE(worker.WaitIdle());
    EXPECT_FALSE(worker.Busy());

    ASSERT_TRUE(worker.HandOver([] { throw std::runtime_error("job failed"); }));
    EXPECT_TRUE(worker.WaitIdle(5000));
    ASSERT_TRUE(worker.HandOver([&] { ++runs; }));
    EXPECT_TRUE(worker.WaitIdle(5000));
    EXPECT_EQ(runs.load(), 2);
}

// A board taking its target away (the window closing) must find no post still on its way to
// it once SetWindow returns: a post under way holds the change back until it has been
// delivered, and none starts after it. The target lingers inside its first delivery to give a
// post that does not hold the lock the time to be caught.
TEST(WorkerThread, NoPostReachesATargetAfterItWasTakenAway)
{
    class TTarget : public IMessageTarget {
    public:
        void PostMessage(uint32_t, intptr_t, intptr_t) override
        {
            if (Received++ == 0) {
                Inside.Set();
                std::this_thread::sleep_for(100ms);
            }
            if (Gone)
                ++Late;
        }
        std::atomic<int> Received{0}, Late{0};
        std::atomic<bool> Gone{false};
        TEvent Inside{true, false};
    } target;

    TJobWorker worker;
    worker.SetWindow(&target);
    std::atomic<bool> stop{false};
    ASSERT_TRUE(worker.HandOver([&] {
        while (!stop)
            worker.Post(WM_USER, 0, 0);
    }));
    ASSERT_TRUE(target.Inside.Wait(5000));
    worker.SetWindow(nullptr);
    target.Gone = true;
    const int received = target.Received;
    std::this_thread::sleep_for(20ms);
    stop = true;
    EXPECT_TRUE(worker.WaitIdle(5000));
    EXPECT_EQ(target.Late.load(), 0);
    EXPECT_EQ(target.Received.load(), received);
    EXPECT_EQ(worker.Window(), nullptr);
}

// The window may close the moment a worker was made, or just after it was handed a job that
// its thread has not yet begun to wait for: destruction must end in every case. A deadlock
// here hangs the test until CTest's timeout.
TEST(WorkerThread, DestroyedRightAfterStartOrHandOver)
{
    for (int i = 0; i < 20000; ++i) {
        TJobWorker worker;
        if (i % 2 == 0)
            worker.HandOver([] {});
    }
}

}  // namespace
}  // namespace velk
