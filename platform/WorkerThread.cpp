#include "WorkerThread.h"

namespace velk {

void TWorkerThread::SetWindow(IMessageTarget* Target)
{
    std::lock_guard lock(FLock);
    FWindow = Target;
}

IMessageTarget* TWorkerThread::Window()
{
    std::lock_guard lock(FLock);
    return FWindow;
}

bool TWorkerThread::Claim()
{
    if (!FIdleEvent.Wait(0))
        return false;
    FIdleEvent.Reset();
    return true;
}

void TWorkerThread::Wake()
{
    FStartEvent.Set();
    std::this_thread::yield();
}

void TWorkerThread::Shutdown()
{
    SetPriority(TThreadPriority::tpTimeCritical);
    Terminate();
    FStartEvent.Set();
    // Joining is the wait: it also covers a job still running. An idle wait would not do, as a
    // thread told to end before it first tests the flag never passes through its loop.
    WaitFor();
}

void TWorkerThread::Post(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    std::lock_guard lock(FLock);
    if (!Terminated() && FWindow)
        FWindow->PostMessage(Msg, WParam, LParam);
}

void TWorkerThread::Execute()
{
    while (!Terminated()) {
        FStartEvent.Wait();
        FIdleEvent.Reset();
        if (!Terminated()) {
            try {
                RunJob();
            } catch (...) {
            }
        }
        FIdleEvent.Set();
    }
    // A job handed over just before the end is never run; the worker is idle all the same.
    FIdleEvent.Set();
}

}  // namespace velk
