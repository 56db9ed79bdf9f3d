#pragma once
// Base of the worker threads: a terminate flag, a priority, and waiting for the end. The thread
// is created idle; Start runs Execute on it. A descendant's destructor must end the thread
// (Terminate, wake it, WaitFor) before its own members go away.
#include <atomic>
#include <thread>

namespace velk {

enum class TThreadPriority { tpIdle, tpLowest, tpLower, tpNormal, tpHigher, tpHighest, tpTimeCritical };

class TThread {
public:
    TThread() = default;
    TThread(const TThread&) = delete;
    TThread& operator=(const TThread&) = delete;
    virtual ~TThread();

    void Start();
    void Terminate() { FTerminated.store(true); }
    bool Terminated() const { return FTerminated.load(); }
    void WaitFor();

    // Applied as the thread's nice value. Raising it above normal needs privileges that a
    // desktop user rarely has; a refused change is silently ignored.
    void SetPriority(TThreadPriority Value);
    TThreadPriority Priority() const { return FPriority.load(); }

protected:
    virtual void Execute() = 0;

private:
    void ApplyPriority();

    std::thread FThread;
    std::atomic<bool> FTerminated{false};
    std::atomic<TThreadPriority> FPriority{TThreadPriority::tpNormal};
    std::atomic<int> FThreadId{0};
};

}  // namespace velk
