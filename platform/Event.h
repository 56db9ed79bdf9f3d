#pragma once
// A waitable event with manual or automatic reset, the synchronisation primitive the
// worker threads and their owners use.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace velk {

class TEvent {
public:
    static constexpr uint32_t Infinite = 0xFFFFFFFF;

    TEvent(bool ManualReset, bool InitialState) : FManualReset(ManualReset), FSignalled(InitialState) {}
    TEvent(const TEvent&) = delete;
    TEvent& operator=(const TEvent&) = delete;

    void Set();
    void Reset();
    // Waits until signalled or until Timeout milliseconds have passed (0 polls). An auto-reset
    // event is consumed by the wait that sees it. True when the event was signalled.
    bool Wait(uint32_t Timeout = Infinite);

private:
    const bool FManualReset;
    bool FSignalled;
    std::mutex FMutex;
    std::condition_variable FCond;
};

}  // namespace velk
