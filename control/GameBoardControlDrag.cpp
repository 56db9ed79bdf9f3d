// Dragging pieces with the mouse, and the per-square tips.
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

#include "GameBoardControl.h"
#include "platform/Finally.h"

namespace velk {

QSize TGameBoardControl::PieceImageSize() const
{
    return FPieceImages.empty() ? QSize(FSquareSize, FSquareSize) : FPieceImages.front().deviceIndependentSize().toSize();
}

QRect TGameBoardControl::DragImageRect() const
{
    if (FDragSource < 0)
        return QRect();
    return QRect(FDragPoint - FDragHotSpot, PieceImageSize());
}

void TGameBoardControl::PaintOverlay(QPainter& Canvas)
{
    if (FDragSource >= 0 && FDragImage >= 0 && FDragImage < static_cast<int>(FPieceImages.size()))
        Canvas.drawImage(FDragPoint - FDragHotSpot, FPieceImages[FDragImage]);
    if (FKeyCursor >= 0) {
        // Black under white dashes: seen on any square colour.
        const QRect r = GetSquareRect(FKeyCursor).adjusted(1, 1, -2, -2);
        Canvas.save();
        Canvas.setBrush(Qt::NoBrush);
        Canvas.setPen(QPen(Qt::black, 3));
        Canvas.drawRect(r);
        Canvas.setPen(QPen(Qt::white, 1, Qt::DashLine));
        Canvas.drawRect(r);
        Canvas.restore();
    }
}

bool TGameBoardControl::BeginPieceDrag(int X, int Y, bool TestOnly)
{
    if (FDragSource >= 0)
        return false;
    if (BoardMode() == gbmPlay && (!Playing() || IsComputerTurn()))
        return false;
    const int p = PositionAt(X, Y);
    if (!IsValidPosition(p))
        return false;
    const int kind = GetPieceAt(p);
    if (kind < 0)
        return false;
    // Only the centred piece image can be picked up, not the bare corners of its square.
    const QSize image = PieceImageSize();
    const QRect square = GetSquareRect(p);
    const QRect r = square.adjusted(-(image.width() - FSquareSize) / 2, -(image.height() - FSquareSize) / 2,
                                    (image.width() - FSquareSize) / 2, (image.height() - FSquareSize) / 2);
    if (X < r.left() || Y < r.top() || X >= r.left() + r.width() || Y >= r.top() + r.height())
        return false;
    if (TestOnly)
        return true;
    QToolTip::hideText();
    FDragSource = p;
    FDragImage = kind;
    FDragHotSpot = QPoint(X - r.left(), Y - r.top());
    FDragPoint = QPoint(X, Y);
    RedrawSquares(false);
    update(DragImageRect());
    RepaintNow();
    ShowCursor(FDragCursor);
    DoPositionDragStart();
    return true;
}

bool TGameBoardControl::CanDropPiece(int Source, int X, int Y)
{
    const int t = PositionAt(X, Y);
    bool accept = false;
    if (t == Source)
        accept = true;
    else if (IsValidPosition(t))
        accept = BoardMode() == gbmSetup || (CanPlayMoves() && IsMovePrefix(TMovementPath{Source, t}));
    DoPositionDragOver(Source, t, accept);
    return accept;
}

void TGameBoardControl::MovePieceDrag(int X, int Y)
{
    update(DragImageRect());
    FDragPoint = QPoint(X, Y);
    update(DragImageRect());
    ShowCursor(CanDropPiece(FDragSource, X, Y) ? FDragCursor : crNo);
}

bool TGameBoardControl::EndPieceDrag(int X, int Y, bool Validate)
{
    const int s = FDragSource;
    if (s >= 0) {
        update(DragImageRect());
        FDragSource = -1;
        ShowCursor(Thinking() ? FThinkCursor : crDefault);
    }
    bool result = false;
    const int t = PositionAt(X, Y);
    if ((!Validate || CanDropPiece(s, X, Y)) && t != s) {
        DoPositionDragDrop(s, t);
        if (BoardMode() == gbmPlay) {
            FDropping = true;
            TFinally dropped([this] { FDropping = false; });
            result = PlayPath(TMovementPath{s, t});
        } else {
            BeginBoardUpdate();
            TFinally end([this] { EndBoardUpdate(); });
            // Emptied first, so that a side with all its pieces on the board may still move one.
            const int kind = GetPieceAt(s);
            SetPieceAt(s, -1);
            SetPieceAt(t, kind);
            result = true;
        }
    }
    RedrawSquares(false);
    DoPositionDragEnd();
    return result;
}

bool TGameBoardControl::HandleToolTip(QHelpEvent* Event)
{
    if (!FShowHint)
        return true;
    const int p = PositionAt(Event->pos().x(), Event->pos().y());
    std::string tip = FHint;
    if (IsValidPosition(p)) {
        DoPositionInfoTip(p, tip);
        if (tip.empty())
            QToolTip::hideText();
        else
            QToolTip::showText(Event->globalPos(), QString::fromStdString(tip), this, GetSquareRect(p));
    } else if (tip.empty()) {
        QToolTip::hideText();
    } else {
        QToolTip::showText(Event->globalPos(), QString::fromStdString(tip), this);
    }
    return true;
}

}  // namespace velk
