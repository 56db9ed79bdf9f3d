#include "Event.h"

namespace velk {

void TEvent::Set()
{
    {
        std::lock_guard lock(FMutex);
        FSignalled = true;
    }
    if (FManualReset)
        FCond.notify_all();
    else
        FCond.notify_one();
}

void TEvent::Reset()
{
    std::lock_guard lock(FMutex);
    FSignalled = false;
}

bool TEvent::Wait(uint32_t Timeout)
{
    std::unique_lock lock(FMutex);
    auto signalled = [this] { return FSignalled; };
    if (Timeout == Infinite)
        FCond.wait(lock, signalled);
    else if (!FCond.wait_for(lock, std::chrono::milliseconds(Timeout), signalled))
        return false;
    if (!FManualReset)
        FSignalled = false;
    return true;
}

}  // namespace velk
