#pragma once
// The widget tests deliver the controls' posted messages themselves: nothing else runs an event
// loop while a test body runs.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <functional>

namespace velk::test {

// Delivers everything already posted, and whatever that posts in turn.
inline void Pump()
{
    for (int i = 0; i < 4; ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents);
}

// Delivers posted messages until Cond holds or TimeoutMs have passed; Cond's final answer.
inline bool PumpUntil(const std::function<bool()>& Cond, int TimeoutMs = 10000)
{
    QElapsedTimer timer;
    timer.start();
    while (!Cond()) {
        if (timer.elapsed() > TimeoutMs)
            return Cond();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QTest::qWait(1);
    }
    return true;
}

}  // namespace velk::test
