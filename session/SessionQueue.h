#pragma once
// The message queue of a session that has no window: the solver thread and the session post
// into it, and the program that plays the game hands the messages back to the session in the
// order they came, on its own thread.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>

#include "GameSession.h"

namespace velk {

class TSessionQueue : public IMessageTarget {
public:
    // Attaches itself to Session, which then plays; detaches (dropping what is still queued)
    // when destroyed.
    explicit TSessionQueue(TGameSession& Session);
    ~TSessionQueue();
    TSessionQueue(const TSessionQueue&) = delete;
    TSessionQueue& operator=(const TSessionQueue&) = delete;

    void PostMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam) override;
    // Hands every queued message to the session, those posted meanwhile included; the number
    // handled.
    int Pump();
    // Pumps until Done holds, waiting for messages in between; false when TimeoutMs passed first.
    bool RunUntil(const std::function<bool()>& Done, int TimeoutMs);

private:
    struct TMessage {
        uint32_t Msg;
        intptr_t WParam;
        intptr_t LParam;
    };
    TGameSession& FSession;
    std::mutex FLock;
    std::condition_variable FPosted;
    std::deque<TMessage> FMessages;
};

}  // namespace velk
