// The control's lifetime, its private messages, the session it shows, and the glides.
#include "GameBoardControl.h"

#include <QCoreApplication>
#include <QEvent>
#include <QHelpEvent>
#include <QPainter>
#include <algorithm>
#include <utility>

#include "Animator.h"

namespace velk {

namespace {

// The animator's new frame: only the glide's area is painted again. It travels as a control
// message, like the animator's other news, rather than as a queued functor call.
constexpr uint32_t WM_GB_ANIMATEFRAME = WM_USER + 64;

// A private message: the number and the two parameters a worker thread or the control posts.
class TControlMessage : public QEvent {
public:
    static QEvent::Type EventType()
    {
        static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
        return type;
    }

    TControlMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam)
        : QEvent(EventType()), Msg(Msg), WParam(WParam), LParam(LParam)
    {
    }

    const uint32_t Msg;
    const intptr_t WParam;
    const intptr_t LParam;
};

}  // namespace

Qt::CursorShape CursorShape(TCursor Cursor)
{
    switch (Cursor) {
    case crAppStart: return Qt::BusyCursor;
    case crHourGlass: return Qt::WaitCursor;
    case crHandPoint: return Qt::PointingHandCursor;
    case crNo: return Qt::ForbiddenCursor;
    default: return Qt::ArrowCursor;
    }
}

TGameBoardControl::TGameBoardControl(std::unique_ptr<TGameSession> Session, QWidget* Parent)
    : QWidget(Parent), FSession(std::move(Session))
{
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);  // the keyboard plays too
    resize(400, 400);

    TGameSession& session = *FSession;
    session.SetView(&FSessionView);
    session.OnHistoryChange = [this] { DoHistoryChange(); };
    session.OnTurnChange = [this] { DoTurnChange(); };
    session.OnBoardChange = [this] { DoBoardChange(); };
    session.OnGameEnded = [this] { DoGameEnded(); };
    session.OnPlayingStateChange = [this] { DoPlayingStateChange(); };
    session.OnPauseStateChange = [this] { DoPauseStateChange(); };
    session.OnBoardModeChange = [this] { DoBoardModeChange(); };
    session.OnThinkBegin = [this] {
        ShowCursor(FThinkCursor);
        DoThinkBegin();
    };
    session.OnThinkEnd = [this] {
        ShowCursor(crDefault);
        DoThinkEnd();
    };
    session.OnMoveBegin = [this] { DoMoveBegin(); };
    session.OnMoveEnd = [this] { DoMoveEnd(); };
    session.OnComputerMove = [this](int32_t& Index) { DoComputerMove(Index); };
    session.OnComputerError = [this] { DoComputerError(); };
    FAnimator = std::make_unique<TAnimator>();
    FAnimator->OnFrame = [this] { PostMessage(WM_GB_ANIMATEFRAME, 0, 0); };

    FColors = {clBlack, clWhite, clBlack, clBlack, clWhite, clRed, clRed, clRed, clRed};
    FSquareSize = std::max(1, CalcSquareSize(400, 400));
}

TGameBoardControl::~TGameBoardControl()
{
    DestroyWnd();
    // Nothing that is torn down below may call back into a half-destroyed control.
    FSession->SetView(nullptr);
    FAnimator.reset();
    FSession.reset();
}

// ---------------------------------------------------------------------------------------------
// Window lifetime and messages

void TGameBoardControl::CreateWnd()
{
    if (FHandleAllocated)
        return;
    FHandleAllocated = true;
    FAnimator->SetWindow(&FPort);
    AdjustSize();
    RedrawBoard();
    FSession->Attach(&FPort);
}

void TGameBoardControl::DestroyWnd()
{
    if (!FHandleAllocated)
        return;
    StopAnimation();
    FAnimator->SetWindow(nullptr);
    FHandleAllocated = false;
    FSession->Detach();
    // Messages queued for a window die with it.
    QCoreApplication::removePostedEvents(this, TControlMessage::EventType());
    FAnimating = false;
    ShowCursor(crDefault);
}

void TGameBoardControl::showEvent(QShowEvent* Event)
{
    CreateWnd();
    QWidget::showEvent(Event);
}

void TGameBoardControl::PostMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    QCoreApplication::postEvent(this, new TControlMessage(Msg, WParam, LParam));
}

void TGameBoardControl::TMessagePort::PostMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    FOwner.PostMessage(Msg, WParam, LParam);
}

bool TGameBoardControl::Post(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    if (!FHandleAllocated)
        return false;
    PostMessage(Msg, WParam, LParam);
    return true;
}

bool TGameBoardControl::event(QEvent* Event)
{
    if (Event->type() == TControlMessage::EventType()) {
        const auto* m = static_cast<TControlMessage*>(Event);
        HandleMessage(m->Msg, m->WParam, m->LParam);
        return true;
    }
    if (Event->type() == QEvent::ToolTip)
        return HandleToolTip(static_cast<QHelpEvent*>(Event));
    return QWidget::event(Event);
}

void TGameBoardControl::HandleMessage(uint32_t Msg, intptr_t WParam, intptr_t LParam)
{
    switch (Msg) {
    case WM_GB_ANIMATEFRAME: update(GlideArea()); break;
    case WM_GB_ANIMATEBEGIN:
        FAnimating = true;
        DoAnimateBegin();
        break;
    case WM_GB_ANIMATEEND:
        FAnimating = false;
        EndAnimationScreen();
        if (!FSession->Moving()) {
            // A layout change stopped the animation and could not draw the board meanwhile.
            if (!FBoardValid)
                RedrawBoard();
            else
                RedrawSquares(true);
            FSession->UpdateTurnClock(false, false);
        }
        DoAnimateEnd();
        break;
    case WM_GB_SELECTIONCHANGE: DoSelectionChange(); break;
    default: FSession->HandleMessage(Msg, WParam, LParam); break;
    }
}

void TGameBoardControl::ShowCursor(TCursor Cursor)
{
    if (Cursor == FCursor)
        return;
    FCursor = Cursor;
    if (Cursor == crDefault)
        unsetCursor();
    else
        setCursor(CursorShape(Cursor));
}

void TGameBoardControl::SetThinkCursor(TCursor Value)
{
    FThinkCursor = Value;
    if (Thinking() && !IsDragging())
        ShowCursor(Value);
}

// ---------------------------------------------------------------------------------------------
// Notifications raised directly

void TGameBoardControl::DoPositionClick(int Pos, bool& Handled)
{
    if (OnGenericPositionClick)
        OnGenericPositionClick(this, Pos, Handled);
}

void TGameBoardControl::DoPositionInfoTip(int Pos, std::string& InfoTip)
{
    if (OnGenericPositionInfoTip)
        OnGenericPositionInfoTip(this, Pos, InfoTip);
}

void TGameBoardControl::DoPositionDragOver(int Source, int Target, bool& Accept)
{
    if (OnGenericPositionDragOver)
        OnGenericPositionDragOver(this, Source, Target, Accept);
}

void TGameBoardControl::DoPositionDragDrop(int Source, int Target)
{
    if (OnGenericPositionDragDrop)
        OnGenericPositionDragDrop(this, Source, Target);
}

void TGameBoardControl::DoPositionDragStart() { Raise(OnGenericPositionDragStart); }
void TGameBoardControl::DoPositionDragEnd() { Raise(OnGenericPositionDragEnd); }
void TGameBoardControl::DoSquareResize() { Raise(OnSquareResize); }

void TGameBoardControl::DoComputerMove(int32_t& Index)
{
    if (OnComputerMove)
        OnComputerMove(this, Index);
}

void TGameBoardControl::DoComputerError()
{
    if (OnComputerError)
        OnComputerError(this);
    else
        FSession->PlayRandomMove();
}

// ---------------------------------------------------------------------------------------------
// What the session asks of the control

void TGameBoardControl::TSessionView::SquaresChanged() { FOwner.RedrawSquares(false); }
void TGameBoardControl::TSessionView::ShowMoveNow() { FOwner.RepaintNow(); }

void TGameBoardControl::TSessionView::ShowStep(const TMovementPath& Path)
{
    // A piece dropped by the player is already where the step ends.
    if (FOwner.FAnimateMoves && !FOwner.FDropping && FOwner.AnimatePath(Path, false))
        FOwner.WaitForAnimation();
}

void TGameBoardControl::TSessionView::ShowBrowse(const TMovementPath& Path, bool Reverse)
{
    if (FOwner.FAnimateMoves)
        FOwner.AnimatePath(Path, Reverse);
}

void TGameBoardControl::TSessionView::StopShowing() { FOwner.StopAnimation(); }
bool TGameBoardControl::TSessionView::Showing() const { return FOwner.FAnimating; }

void TGameBoardControl::TSessionView::BoardUpdateEnded()
{
    if (!FOwner.FBoardValid)
        FOwner.RedrawBoard();
    else if (!FOwner.FSquaresValid)
        FOwner.RedrawSquares(true);
}

void TGameBoardControl::TSessionView::ClearSelection() { FOwner.ClearSelection(); }
void TGameBoardControl::TSessionView::StepEntered(int Landing) { FOwner.SetSelectionStart(Landing); }

// ---------------------------------------------------------------------------------------------
// Animation

bool TGameBoardControl::AnimatePath(const TMovementPath& Path, bool Reverse)
{
    if (FAnimating || IsDragging() || !FHandleAllocated || Path.size() < 2 || FAnimator->IsBusy())
        return false;
    std::vector<QRect> squares;
    for (const int32_t pos : Path)
        squares.push_back(GetSquareRect(pos));
    if (Reverse)
        std::reverse(squares.begin(), squares.end());
    const int from = Reverse ? Path.back() : Path.front();
    RepaintNow();
    // Lift the piece: freeze the screen as it is, with the piece's square drawn empty.
    FAnimationImage = GetPieceAt(from);
    FAnimationScreen = BufferImage();
    if (!FAnimationScreen.isNull()) {
        QPainter canvas(&FAnimationScreen);
        DrawSquare(canvas, from, squares.front().translated(-FBoardRect.topLeft()), -1, 0);
    }
    setCursor(Qt::BlankCursor);
    FAnimator->ClearFrame();
    FLastGlideArea = QRect();
    if (!FAnimator->Start(squares)) {
        EndAnimationScreen();
        return false;
    }
    return true;
}

void TGameBoardControl::EndAnimationScreen()
{
    if (FAnimator->IsBusy())
        return;
    FAnimator->ClearFrame();
    if (!FAnimationScreen.isNull()) {
        FAnimationScreen = QImage();
        FAnimationImage = -1;
        const TCursor cursor = FCursor;
        FCursor = crNo - 1;  // force the cursor to be set again
        ShowCursor(cursor);
        update();
    }
}

bool TGameBoardControl::StopAnimation()
{
    if (!FAnimator->IsBusy())
        return false;
    FAnimator->Abort();
    FAnimator->WaitForIdle();
    // The frozen screen belongs to the old layout; the piece is set down by the next redraw.
    EndAnimationScreen();
    return true;
}

QRect TGameBoardControl::GlideArea()
{
    // Where the travelling image is now and where it was at the last frame painted: only that
    // changes from one frame to the next.
    const TAnimator::TFrame frame = FAnimator->Frame();
    QRect now;
    if (frame.Active) {
        const QSize image = PieceImageSize();
        now = QRect(frame.Cur.topLeft() - QPoint((image.width() - FSquareSize) / 2, (image.height() - FSquareSize) / 2),
                    image.expandedTo(frame.Cur.size()));
    }
    const QRect area = now.united(FLastGlideArea);
    FLastGlideArea = now;
    return area;
}

void TGameBoardControl::WaitForAnimation()
{
    // The user-interface thread handles no messages while the step is shown, but it still
    // paints each frame the animator reaches.
    while (!FAnimator->WaitForIdle(5)) {
        if (isVisible())
            repaint(GlideArea());
    }
    if (isVisible())
        repaint(GlideArea());
}

uint8_t TGameBoardControl::AnimateDelay() const { return FAnimator->Delay(); }
void TGameBoardControl::SetAnimateDelay(uint8_t Value) { FAnimator->SetDelay(Value); }
uint8_t TGameBoardControl::AnimateStep() const { return FAnimator->Step(); }
void TGameBoardControl::SetAnimateStep(uint8_t Value) { FAnimator->SetStep(Value); }

}  // namespace velk
