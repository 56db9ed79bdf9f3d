#include "GameSolver.h"

namespace velk {

TGameSolver::TGameSolver()
{
    TThread::Start();
}

TGameSolver::~TGameSolver()
{
    FState.store(STOP_ABORT);
    SetPriority(TThreadPriority::tpTimeCritical);
    Terminate();
    FStartEvent.Set();
    WaitIdle();
    WaitFor();
}

void TGameSolver::SetWindow(IMessageTarget* Target)
{
    std::lock_guard lock(FLock);
    FWindow = Target;
}

IMessageTarget* TGameSolver::Window()
{
    std::lock_guard lock(FLock);
    return FWindow;
}

bool TGameSolver::Busy()
{
    return !FIdleEvent.Wait(0);
}

bool TGameSolver::WaitIdle()
{
    return FIdleEvent.Wait();
}

bool TGameSolver::Start(const TGameBoard& Board)
{
    if (!FIdleEvent.Wait(0))
        return false;
    // Marking the solver busy here rather than on the worker closes the gap in which a second
    // Start would still find it idle and replace the copy about to be searched.
    FIdleEvent.Reset();
    FState.store(STOP_NONE);
    FBoard = Board.Create();
    FBoard->Assign(Board);
    FStartEvent.Set();
    std::this_thread::yield();
    return true;
}

void TGameSolver::Stop(uint8_t How)
{
    if (Busy()) {
        FState.store(How);
        WaitIdle();
    }
}

void TGameSolver::Post(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    std::lock_guard lock(FLock);
    if (!Terminated() && FWindow)
        FWindow->PostMessage(Msg, WParam, LParam);
}

void TGameSolver::Execute()
{
    while (!Terminated()) {
        FStartEvent.Wait();
        FIdleEvent.Reset();
        if (!Terminated() && FBoard) {
            try {
                Post(WM_GB_THINKBEGIN, 0, 0);
                int32_t result = SOLVE_FAILED;
                if (!Terminated()) {
                    try {
                        result = FBoard->Solve(FDepth.load(), FMaxMemory.load(), &FState);
                    } catch (...) {
                        result = SOLVE_FAILED;
                    }
                }
                Post(WM_GB_THINKEND, result, FState.load());
            } catch (...) {
                // A receiver that fails to take a message must not end the worker.
            }
            FBoard.reset();
        }
        FIdleEvent.Set();
    }
}

}  // namespace velk
