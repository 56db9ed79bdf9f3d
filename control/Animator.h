#pragma once
// Glides a piece image from square to square on its own thread. The animator only computes
// where the image is; the user-interface thread paints it (see TGameBoardControl::paintEvent),
// asked to do so through OnFrame, so no widget or picture is touched off that thread.
#include <QRect>
#include <atomic>
#include <functional>
#include <mutex>
#include <vector>

#include "platform/WorkerThread.h"

namespace velk {

class TAnimator : public TWorkerThread {
public:
    // Where the travelling image is. Active from the lift until the owner clears it; Landed
    // once the image has been set down on the last square.
    struct TFrame {
        bool Active = false;
        bool Landed = false;
        QRect Cur;
    };

    TAnimator();
    ~TAnimator() override;

    // Hands a job to the thread: the square rectangles to visit, in order. False when busy or
    // when fewer than two squares are given.
    bool Start(const std::vector<QRect>& Squares);
    bool IsBusy() { return Busy(); }
    bool WaitForIdle(uint32_t Timeout = TEvent::Infinite) { return WaitIdle(Timeout); }
    void Abort() { FAborted.store(true); }
    bool Aborted() const { return FAborted.load(); }

    uint8_t Delay() const { return FDelay.load(); }
    void SetDelay(uint8_t Value) { FDelay.store(Value); }
    uint8_t Step() const { return FStep.load(); }
    void SetStep(uint8_t Value) { FStep.store(Value); }

    TFrame Frame() const;
    void ClearFrame();

    // Called on the animator thread after every change of the frame; must be thread-safe.
    std::function<void()> OnFrame;

protected:
    void RunJob() override;
    virtual void Animate(const std::vector<QRect>& Squares);

private:
    void Publish(const QRect& Cur, bool Landed);
    void Glide(QRect& Cur, const QRect& Target);

    std::vector<QRect> FPath;  // written only while idle
    std::atomic<uint8_t> FDelay{10};
    std::atomic<uint8_t> FStep{1};
    std::atomic<bool> FAborted{false};
    mutable std::mutex FFrameLock;
    TFrame FFrame;
};

}  // namespace velk
