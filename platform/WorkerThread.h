#pragma once
// A thread that does one job at a time for the user-interface thread and reports back by
// posting messages: the solver and the animator. It sleeps until a job is handed over, is
// "busy" from the hand-over until the job is done, and posts only to the target it was given.
#include <mutex>

#include "Event.h"
#include "MessageTarget.h"
#include "Thread.h"

namespace velk {

class TWorkerThread : public TThread {
public:
    // The receiver of the job's messages; null silences the worker. Changed under the same
    // lock every post holds, so nothing is posted to a target after it was taken away.
    void SetWindow(IMessageTarget* Target);
    IMessageTarget* Window();

    bool Busy() { return !FIdleEvent.Wait(0); }
    // Waits until no job runs (at most Timeout milliseconds); true when idle.
    bool WaitIdle(uint32_t Timeout = TEvent::Infinite) { return FIdleEvent.Wait(Timeout); }

protected:
    TWorkerThread() = default;

    // Starts the thread; call at the end of the descendant's constructor.
    void Launch() { TThread::Start(); }
    // Marks the worker busy, or answers false when a job still runs. Marking it here rather
    // than on the worker closes the gap in which a second hand-over would find it idle and
    // replace the job about to run. The caller then stores the job and calls Wake.
    bool Claim();
    void Wake();
    // Ends the thread: the descendant first asks its running job to stop, then calls this from
    // its destructor, while the job's data still exists.
    void Shutdown();
    // Posts to the target unless the thread is ending or there is no target.
    void Post(uint32_t Msg, intptr_t WParam, intptr_t LParam);

    // One job, on the worker thread. An exception that escapes it is swallowed: the worker
    // never dies, and the owner's idle wait always ends.
    virtual void RunJob() = 0;

private:
    void Execute() final;

    std::mutex FLock;  // guards FWindow and every post
    IMessageTarget* FWindow = nullptr;
    TEvent FIdleEvent{true, true};
    TEvent FStartEvent{false, false};
};

}  // namespace velk
