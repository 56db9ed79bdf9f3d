#include "SessionQueue.h"

namespace velk {

TSessionQueue::TSessionQueue(TGameSession& Session) : FSession(Session) { FSession.Attach(this); }

TSessionQueue::~TSessionQueue()
{
    FSession.Detach();
    std::lock_guard lock(FLock);
    FMessages.clear();
}

void TSessionQueue::PostMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    {
        std::lock_guard lock(FLock);
        FMessages.push_back({Msg, WParam, LParam});
    }
    FPosted.notify_one();
}

int TSessionQueue::Pump()
{
    int handled = 0;
    for (;;) {
        TMessage message;
        {
            std::lock_guard lock(FLock);
            if (FMessages.empty())
                return handled;
            message = FMessages.front();
            FMessages.pop_front();
        }
        FSession.HandleMessage(message.Msg, message.WParam, message.LParam);
        ++handled;
    }
}

bool TSessionQueue::RunUntil(const std::function<bool()>& Done, int TimeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    for (;;) {
        Pump();
        if (Done())
            return true;
        std::unique_lock lock(FLock);
        if (!FPosted.wait_until(lock, deadline, [this] { return !FMessages.empty(); }))
            return false;
    }
}

}  // namespace velk
