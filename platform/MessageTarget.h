#pragma once
#include <cstdint>

namespace velk {

constexpr uint32_t WM_USER = 0x400;

// Receiver of the messages a worker thread posts. Posting must be safe from any thread, must
// not block on the receiver, and must deliver messages in the order they were posted.
class IMessageTarget {
public:
    virtual void PostMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam) = 0;

protected:
    ~IMessageTarget() = default;
};

}  // namespace velk
