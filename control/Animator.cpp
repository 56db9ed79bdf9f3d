#include "Animator.h"

#include <chrono>
#include <cstdlib>
#include <thread>

#include "GameBoardControl.h"
#include "platform/Clock.h"

namespace velk {

TAnimator::TAnimator()
{
    Launch();
}

TAnimator::~TAnimator()
{
    FAborted.store(true);
    Shutdown();
}

bool TAnimator::Start(const std::vector<QRect>& Squares)
{
    if (Squares.size() < 2 || !Claim())
        return false;
    FAborted.store(false);
    FPath = Squares;
    Wake();
    return true;
}

TAnimator::TFrame TAnimator::Frame() const
{
    std::lock_guard lock(FFrameLock);
    return FFrame;
}

void TAnimator::ClearFrame()
{
    std::lock_guard lock(FFrameLock);
    FFrame = TFrame();
}

void TAnimator::Publish(const QRect& Cur, bool Landed)
{
    {
        std::lock_guard lock(FFrameLock);
        FFrame.Active = true;
        FFrame.Landed = Landed;
        FFrame.Cur = Cur;
    }
    if (OnFrame)
        OnFrame();
}

void TAnimator::RunJob()
{
    struct TClearPath {
        std::vector<QRect>& Path;
        ~TClearPath() { Path.clear(); }
    } clearPath{FPath};
    Post(WM_GB_ANIMATEBEGIN, 0, 0);
    if (Terminated())
        return;
    try {
        Animate(FPath);
    } catch (...) {
        // A failed glide must not leave the owner animating forever: the end is still posted.
    }
    Post(WM_GB_ANIMATEEND, 0, FAborted.load() ? 1 : 0);
}

void TAnimator::Animate(const std::vector<QRect>& Squares)
{
    if (Squares.size() < 2)
        return;
    QRect cur = Squares.front();
    Publish(cur, false);
    for (size_t i = 1; i < Squares.size(); ++i) {
        if (!FAborted.load())
            Glide(cur, Squares[i]);
        cur = Squares[i];
    }
    Publish(cur, true);
}

void TAnimator::Glide(QRect& Cur, const QRect& Target)
{
    using clock = std::chrono::steady_clock;
    const int dx = Target.left() - Cur.left();
    const int dy = Target.top() - Cur.top();
    // A step of 0 would never arrive; it moves like a step of 1.
    const int step = std::max<int>(1, FStep.load());
    const int sx = dx < 0 ? -step : step;
    const int sy = dy < 0 ? -step : step;
    // Jump by the remainders first, so that whole steps are left.
    Cur.moveTo(Cur.left() + dx % sx, Cur.top() + dy % sy);

    auto leg = [&](bool moveX, bool moveY) {
        auto last = clock::now();
        while (!FAborted.load() && ((moveX && Cur.left() != Target.left()) || (moveY && Cur.top() != Target.top()))) {
            int x = Cur.left(), y = Cur.top();
            if (moveX && x != Target.left())
                x += sx;
            if (moveY && y != Target.top())
                y += sy;
            Cur.moveTo(x, y);
            Publish(Cur, false);
            const auto due = last + std::chrono::milliseconds(FDelay.load());
            while (!FAborted.load() && clock::now() < due)
                std::this_thread::sleep_for(std::chrono::microseconds(500));
            last = clock::now();
        }
    };
    if (std::abs(dx) == std::abs(dy)) {
        leg(true, true);
    } else if (dx == 0) {
        leg(false, true);
    } else if (dy == 0) {
        leg(true, false);
    } else if (GetTickCount() & 1) {
        leg(true, false);
        leg(false, true);
    } else {
        leg(false, true);
        leg(true, false);
    }
}

}  // namespace velk
