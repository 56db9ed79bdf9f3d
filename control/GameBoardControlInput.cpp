// Move entry: the selection a human builds by clicking squares, its options, the marks it
// shows, and the mouse handling that turns a press and release on one square into a click.
#include <QKeyEvent>
#include <QMouseEvent>
#include <algorithm>

#include "GameBoardControl.h"
#include "platform/Clock.h"

namespace velk {

bool TGameBoardControl::IsSelected(int Pos) const
{
    return std::find(FSelection.begin(), FSelection.end(), Pos) != FSelection.end();
}

bool TGameBoardControl::CanSelect(int Pos)
{
    return IsValidPosition(Pos) && Playing() && !IsComputerTurn();
}

void TGameBoardControl::SetSelection(const TMovementPath& Path)
{
    if (Path == FSelection)
        return;
    FSelection = Path;
    RedrawSquares(false);
    Post(WM_GB_SELECTIONCHANGE, 0, 0);
}

bool TGameBoardControl::SelectPosition(int Pos)
{
    if (UnselectPosition(Pos))
        return true;
    if (!CanSelect(Pos))
        return false;
    const bool firstClick = FSelection.empty();
    FSelection.push_back(Pos);
    if (HasSelectionOption(soAutoComplete))
        CompletePath(FSelection);
    // Played from a copy: the steps being played move the selection as they go.
    const TMovementPath path = FSelection;
    if ((HasSelectionOption(soAutoPlayStep) && IsMovePrefix(path)) ||
        (HasSelectionOption(soAutoPlayComplete) && IsCompleteMove(path))) {
        if (PlayPath(path) && firstClick) {
            FAutoPlayLanding = path.back();
            FAutoPlayTick = GetTickCount();
        }
        return true;
    }
    RedrawSquares(false);
    Post(WM_GB_SELECTIONCHANGE, 0, 0);
    return true;
}

bool TGameBoardControl::UnselectPosition(int Pos)
{
    if (FSelection.empty() || FSelection.back() != Pos)
        return false;
    FSelection.pop_back();
    RedrawSquares(false);
    Post(WM_GB_SELECTIONCHANGE, 0, 0);
    return true;
}

void TGameBoardControl::SetSelectionStart(int Pos)
{
    if (!IsValidPosition(Pos)) {
        ClearSelection();
        return;
    }
    if (FSelection.size() == 1 && FSelection[0] == Pos)
        return;
    FSelection.assign(1, Pos);
    Post(WM_GB_SELECTIONCHANGE, 0, 0);
}

bool TGameBoardControl::ClearSelection()
{
    if (FSelection.empty())
        return false;
    FSelection.clear();
    RedrawSquares(false);
    Post(WM_GB_SELECTIONCHANGE, 0, 0);
    return true;
}

bool TGameBoardControl::PlaySelection()
{
    const TMovementPath path = FSelection;
    return PlayPath(path);
}

int TGameBoardControl::GetPositionMark(int Pos)
{
    if (!Playing() || Moving() || FAnimating || IsDragging())
        return 0;
    if (IsSelected(Pos))
        return 1;
    if (FMarkSelectableSquares && CanSelect(Pos))
        return 2;
    return 0;
}

// ---------------------------------------------------------------------------------------------
// Mouse

void TGameBoardControl::mousePressEvent(QMouseEvent* Event)
{
    QWidget::mousePressEvent(Event);
    SetKeyCursor(-1);
    const QPoint p = Event->position().toPoint();
    FDragArmed = false;
    FClickPosition = -1;
    if (!FAnimating && !IsDragging()) {
        if (Event->button() == Qt::LeftButton) {
            FClickPosition = PositionAt(p.x(), p.y());
            if (FAutoDragDrop && BeginPieceDrag(p.x(), p.y(), true)) {
                FDragOrigin = p;
                FDragArmed = true;
            }
        }
    } else if (IsDragging()) {
        EndPieceDrag(p.x(), p.y(), true);
    }
}

void TGameBoardControl::mouseReleaseEvent(QMouseEvent* Event)
{
    QWidget::mouseReleaseEvent(Event);
    const QPoint p = Event->position().toPoint();
    // The click comes first, so that a press and release without movement still selects.
    if (Event->button() == Qt::LeftButton)
        HandleClick(p.x(), p.y());
    FDragArmed = false;
    FClickPosition = -1;
    // Whichever button lets go, the drop is checked: an unchecked drop off the board in setup
    // mode would empty the piece's square and put it nowhere.
    if (IsDragging())
        EndPieceDrag(p.x(), p.y(), true);
}

void TGameBoardControl::mouseMoveEvent(QMouseEvent* Event)
{
    QWidget::mouseMoveEvent(Event);
    const QPoint p = Event->position().toPoint();
    if (!FAnimating && !IsDragging()) {
        UpdateCursor(p.x(), p.y(), Event->buttons());
        if (FDragArmed) {
            const double dx = p.x() - FDragOrigin.x();
            const double dy = p.y() - FDragOrigin.y();
            if (dx * dx + dy * dy >= 9.0) {
                FClickPosition = -1;
                FDragArmed = false;
                // Picked up where it was pressed: a flick's first motion may already be over
                // another square.
                if (BeginPieceDrag(FDragOrigin.x(), FDragOrigin.y(), false))
                    MovePieceDrag(p.x(), p.y());
            }
        }
    } else if (IsDragging()) {
        MovePieceDrag(p.x(), p.y());
    }
}

void TGameBoardControl::UpdateCursor(int X, int Y, Qt::MouseButtons Buttons)
{
    TCursor wanted = Thinking() ? FThinkCursor : crDefault;
    if ((Buttons & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton)) == 0) {
        if (FAutoDragDrop) {
            if (BeginPieceDrag(X, Y, true))
                wanted = FDragCursor;
        } else {
            const int pos = PositionAt(X, Y);
            if (BoardMode() == gbmSetup ? IsValidPosition(pos) : (CanSelect(pos) || IsSelected(pos)))
                wanted = FDragCursor;
        }
    }
    ShowCursor(wanted);
}

void TGameBoardControl::HandleClick(int X, int Y)
{
    const int pos = PositionAt(X, Y);
    if (pos != FClickPosition)
        return;
    // The piece that just landed there, moved by one click, is not what this click is for.
    const bool echo = pos == FAutoPlayLanding && GetTickCount() - FAutoPlayTick < AutoPlayEchoMs;
    FAutoPlayLanding = -1;
    if (!echo)
        ClickPosition(pos);
    FClickPosition = -1;
}

void TGameBoardControl::ClickPosition(int Pos)
{
    if (!IsValidPosition(Pos))
        return;
    bool handled = FAnimating || IsDragging();
    DoPositionClick(Pos, handled);
    if (!handled) {
        if (BoardMode() == gbmSetup)
            SetPieceAt(Pos, GetPieceAt(Pos) + 1);
        else if (CanPlayMoves())  // a paused game keeps its selection, a suggestion too
            SelectPosition(Pos);
    }
}

void TGameBoardControl::SetKeyCursor(int Pos)
{
    if (Pos < -1 || Pos >= 64)
        Pos = -1;
    if (Pos == FKeyCursor)
        return;
    if (FKeyCursor >= 0)
        update(GetSquareRect(FKeyCursor));
    FKeyCursor = Pos;
    if (FKeyCursor >= 0)
        update(GetSquareRect(FKeyCursor));
    DoKeyCursorChange();
}

void TGameBoardControl::keyPressEvent(QKeyEvent* Event)
{
    int dr = 0, dc = 0;
    switch (Event->key()) {
    case Qt::Key_Up: dr = -1; break;
    case Qt::Key_Down: dr = 1; break;
    case Qt::Key_Left: dc = -1; break;
    case Qt::Key_Right: dc = 1; break;
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (FKeyCursor < 0 || Event->modifiers() != Qt::NoModifier)
            break;  // Enter without the cursor is the window's (it plays a suggestion)
        ClickPosition(FKeyCursor);
        return;
    case Qt::Key_Escape:
        if (FKeyCursor >= 0 || !FSelection.empty()) {
            if (!ClearSelection())
                SetKeyCursor(-1);
            return;
        }
        break;
    default: break;
    }
    if ((dr == 0 && dc == 0) || (Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) != 0) {
        QWidget::keyPressEvent(Event);
        return;
    }
    // The cursor moves over the board as it is shown: the screen cell is turned back to a position.
    int row = 4, col = 3;
    if (FKeyCursor >= 0) {
        PositionToRowCol(FKeyCursor, row, col);
        RotateRowCol(row, col, FBoardAngle);
        row = std::clamp(row + dr, 0, RowCount() - 1);
        col = std::clamp(col + dc, 0, ColCount() - 1);
    }
    RotateRowCol(row, col, 360 - FBoardAngle);
    SetKeyCursor(RowColToPosition(row, col));
}

}  // namespace velk
