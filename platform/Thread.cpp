#include "Thread.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace velk {

TThread::~TThread()
{
    // Safety net only: descendants end the thread themselves while their members still live.
    Terminate();
    WaitFor();
}

void TThread::Start()
{
    if (FThread.joinable())
        return;
    FThread = std::thread([this] {
        FThreadId.store(static_cast<int>(syscall(SYS_gettid)));
        ApplyPriority();
        Execute();
    });
}

void TThread::WaitFor()
{
    if (FThread.joinable() && FThread.get_id() != std::this_thread::get_id())
        FThread.join();
}

void TThread::SetPriority(TThreadPriority Value)
{
    if (FPriority.exchange(Value) != Value)
        ApplyPriority();
}

void TThread::ApplyPriority()
{
    static constexpr int niceOf[] = {19, 10, 5, 0, -5, -10, -15};
    const int tid = FThreadId.load();
    if (tid != 0)
        (void)setpriority(PRIO_PROCESS, static_cast<id_t>(tid), niceOf[static_cast<int>(FPriority.load())]);
}

}  // namespace velk
