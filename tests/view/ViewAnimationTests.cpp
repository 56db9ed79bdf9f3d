// The glide of a piece on the animator thread: its route, its messages, and the ways it is cut
// short (a resize, the control's end) or waited for (a step being played).
#include <QElapsedTimer>
#include <QPaintEvent>
#include <mutex>

#include "ViewSupport.h"
#include "control/Animator.h"

using namespace velk;
using namespace velk::view;

namespace {

class AnimationTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        C->SetAutoSize(true);
        C->SetSquareSize(60);
        C->OnAnimateBegin = [this](TGameBoardControl* S) { Events.push_back(S->Animating() ? "Begin" : "Begin?"); };
        C->OnAnimateEnd = [this](TGameBoardControl* S) { Events.push_back(S->Animating() ? "End?" : "End"); };
        // Record every frame, and still let the control paint it.
        auto paint = C->Animator().OnFrame;
        C->Animator().OnFrame = [this, paint] {
            {
                std::lock_guard lock(FramesLock);
                Frames.push_back(C->Animator().Frame());
            }
            paint();
        };
    }

    std::vector<TAnimator::TFrame> TakeFrames()
    {
        std::lock_guard lock(FramesLock);
        return std::move(Frames);
    }

    bool Ended() { return PumpUntil([this] { return !Events.empty() && Events.back() != "Begin"; }); }

    std::vector<std::string> Events;
    std::mutex FramesLock;
    std::vector<TAnimator::TFrame> Frames;
};

TEST_F(AnimationTest, JumpShiftsByTheRemainderThenMovesInWholeSteps)
{
    SetupPieces({{9, 'b'}});
    C->SetAnimateStep(7);
    C->SetAnimateDelay(1);
    const QRect from = C->GetSquareRect(Pos(9)), to = C->GetSquareRect(Pos(18));  // two squares diagonally
    ASSERT_TRUE(C->AnimatePath({Pos(9), Pos(18)}, false));
    ASSERT_TRUE(Ended());
    EXPECT_EQ(Events, (std::vector<std::string>{"Begin", "End"}));

    const std::vector<TAnimator::TFrame> frames = TakeFrames();
    ASSERT_EQ(frames.size(), 1u + 17u + 1u);  // lifted, 17 steps, set down
    EXPECT_EQ(frames.front().Cur, from);
    EXPECT_FALSE(frames.front().Landed);
    EXPECT_EQ(frames[1].Cur.topLeft(), from.topLeft() + QPoint(1 + 7, 1 + 7));
    for (size_t i = 2; i <= 17; ++i)
        EXPECT_EQ(frames[i].Cur.topLeft() - frames[i - 1].Cur.topLeft(), QPoint(7, 7)) << i;
    EXPECT_EQ(frames[17].Cur.topLeft(), to.topLeft());
    EXPECT_TRUE(frames.back().Landed);
    EXPECT_EQ(frames.back().Cur, to);
    EXPECT_FALSE(C->Animator().Frame().Active);  // the end was handled: nothing floats any more

    // Backwards, with a step of 0: one pixel at a time, no division by zero.
    C->SetAnimateStep(0);
    C->SetAnimateDelay(0);
    Events.clear();
    ASSERT_TRUE(C->AnimatePath({Pos(9), Pos(18)}, true));
    ASSERT_TRUE(Ended());
    const std::vector<TAnimator::TFrame> back = TakeFrames();
    ASSERT_EQ(back.size(), 1u + 120u + 1u);
    EXPECT_EQ(back.front().Cur, to);
    for (size_t i = 1; i <= 120; ++i)
        ASSERT_EQ(back[i].Cur.topLeft() - back[i - 1].Cur.topLeft(), QPoint(-1, -1)) << i;
    EXPECT_EQ(back.back().Cur, from);
}

TEST_F(AnimationTest, NothingGlidesForOnePositionOrWithAnimationOff)
{
    C->NewGame();
    EXPECT_FALSE(C->AnimatePath({Pos(9)}, false));
    EXPECT_FALSE(C->AnimatePath({}, false));
    const QColor man = At(Centre(9));
    ASSERT_TRUE(C->PlayPath({Pos(9), Pos(13)}));  // animation is off: drawn at once
    EXPECT_EQ(At(Centre(13)), man);
    EXPECT_EQ(At(Centre(9)), Green);
    QTest::qWait(50);
    EXPECT_TRUE(Events.empty());
    EXPECT_TRUE(TakeFrames().empty());
    EXPECT_FALSE(C->Animator().IsBusy());
}

TEST_F(AnimationTest, ResizeStopsTheGlideAndSetsThePieceDown)
{
    C->NewGame();
    ASSERT_TRUE(C->PlayPath({Pos(9), Pos(13)}));
    C->SetAnimateMoves(true);
    C->SetAnimateDelay(50);  // 60 steps of 50 ms: three seconds unless stopped
    const QRect from = C->GetSquareRect(Pos(13));
    ASSERT_TRUE(C->Undo());  // glides 13 back to 9; the board is already back
    ASSERT_TRUE(PumpUntil([this] { return C->Animating(); }));
    EXPECT_EQ(C->GetPieceAt(Pos(9)), 0);
    EXPECT_EQ(TakeFrames().front().Cur, from);

    QElapsedTimer timer;
    timer.start();
    C->SetSquareSize(45);
    EXPECT_LT(timer.elapsed(), 1000);
    EXPECT_FALSE(C->Animator().IsBusy());
    // Painted before the glide's end message is handled, the board is already drawn.
    EXPECT_EQ(QColor(C->grab().toImage().pixel(Centre(13))), Green);
    ASSERT_TRUE(Ended());
    EXPECT_EQ(Events, (std::vector<std::string>{"Begin", "End"}));
    EXPECT_EQ(C->PieceImages()[0].width(), 24);
    EXPECT_NE(At(Centre(9)), Green);  // the piece stands on 9 again, at the new size
    EXPECT_EQ(At(Centre(13)), Green);
    EXPECT_EQ(QColor(C->grab().toImage().pixel(Centre(13))), Green);  // and the screen shows it
}

TEST_F(AnimationTest, ControlDestroyedMidGlideEndsPromptly)
{
    for (const bool begun : {false, true}) {
        auto* board = new TCheckers(&Parent);
        board->show();
        board->SetBoardAsText(std::string(8, ' ') + "b");
        board->SetAnimateDelay(100);  // 49 steps of 100 ms
        bool ended = false;
        board->OnAnimateEnd = [&ended](TGameBoardControl*) { ended = true; };
        ASSERT_TRUE(board->AnimatePath({Pos(9), Pos(13)}, false));
        if (begun) {
            ASSERT_TRUE(PumpUntil([board] { return board->Animating(); }));
        }
        QElapsedTimer timer;
        timer.start();
        delete board;
        EXPECT_LT(timer.elapsed(), 1000) << begun;
        Pump();
        EXPECT_FALSE(ended);  // its messages died with its window
    }
}

// Catches the screen the moment a glide has left its square but not yet reached the captured
// piece: the paints made while the played step is waited for are the only ones there are.
struct TScreenCatcher : QObject {
    TCheckers* C;
    QRect From;
    QImage Screen;
    QPoint At;
    int Paints = 0;
    QRect Largest;
    bool Grabbing = false;
    explicit TScreenCatcher(TCheckers* Board) : C(Board) {}
    bool eventFilter(QObject*, QEvent* E) override
    {
        if (E->type() != QEvent::Paint || Grabbing)
            return false;
        ++Paints;
        const TAnimator::TFrame f = C->Animator().Frame();
        if (f.Active && !f.Landed) {
            const QRect r = static_cast<QPaintEvent*>(E)->rect();
            if (r.width() * r.height() > Largest.width() * Largest.height())
                Largest = r;  // the most a frame of the glide repainted
        }
        const int d = f.Cur.left() - From.left();
        if (Screen.isNull() && f.Active && !f.Landed && f.Cur.top() - From.top() == d && d >= 21 && d <= 40) {
            Grabbing = true;
            Screen = C->grab().toImage();
            At = f.Cur.center();
            Grabbing = false;
        }
        return false;
    }
};

TEST_F(AnimationTest, PlayedCaptureGlidesJumpByJumpWhileTheMoveWaits)
{
    C->SetPiecesBitmap(PlainPieces(40));
    SetupPieces({{1, 'b'}, {6, 'w'}, {15, 'w'}, {32, 'w'}});
    C->SetTurn(PLAYER_BLACK);
    C->SetBoardMode(gbmPlay);
    Pump();
    C->SetAnimateMoves(true);
    C->SetAnimateStep(3);
    C->SetAnimateDelay(12);  // 40 steps a jump
    TScreenCatcher catcher(C);
    catcher.From = C->GetSquareRect(Pos(1));
    C->installEventFilter(&catcher);
    bool waited = false;
    C->OnMoveEnd = [&](TGameBoardControl*) { waited = Events.empty() && !C->Animator().IsBusy(); };
    ASSERT_TRUE(C->PlayPath({Pos(1), Pos(10), Pos(19)}));
    C->removeEventFilter(&catcher);
    EXPECT_TRUE(waited);  // both glides were over, and their messages still wait for the event loop

    // Two glides, each lifted where the one before landed.
    const std::vector<TAnimator::TFrame> frames = TakeFrames();
    ASSERT_EQ(frames.size(), 2u * (1u + 40u + 1u));
    EXPECT_EQ(frames[0].Cur, C->GetSquareRect(Pos(1)));
    EXPECT_TRUE(frames[41].Landed);
    EXPECT_EQ(frames[41].Cur, C->GetSquareRect(Pos(10)));
    EXPECT_FALSE(frames[42].Landed);
    EXPECT_EQ(frames[42].Cur, C->GetSquareRect(Pos(10)));
    EXPECT_EQ(frames.back().Cur, C->GetSquareRect(Pos(19)));
    // Each frame repaints where the piece was and where it is, not the board.
    EXPECT_GT(catcher.Largest.width(), 0);
    EXPECT_LE(catcher.Largest.width(), 2 * C->SquareSize() + 1);
    EXPECT_LE(catcher.Largest.height(), 2 * C->SquareSize() + 1);

    // Mid-way the screen showed the lifted square empty, the captured man still standing,
    // and the red man in between.
    ASSERT_FALSE(catcher.Screen.isNull()) << catcher.Paints << " paints";
    EXPECT_EQ(QColor(catcher.Screen.pixel(Centre(1))), Green);
    EXPECT_EQ(QColor(catcher.Screen.pixel(Centre(6))), KindColors[2]);
    EXPECT_EQ(QColor(catcher.Screen.pixel(catcher.At)), KindColors[0]);

    ASSERT_TRUE(PumpUntil([this] { return Events.size() == 4; }));
    EXPECT_EQ(Events, (std::vector<std::string>{"Begin", "End", "Begin", "End"}));
    EXPECT_EQ(C->GetPieceAt(Pos(19)), 0);
    EXPECT_EQ(QColor(C->grab().toImage().pixel(Centre(6))), Green);
}

}  // namespace
