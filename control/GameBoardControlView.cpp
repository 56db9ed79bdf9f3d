// The board's geometry (square size, rotation, rectangles, hit test, labels) and its painting
// through an off-screen buffer that is redrawn square by square, only where the look changed.
#include <QHelpEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>
#include <QtMath>
#include <cmath>

#include "Animator.h"
#include "GameBoardControl.h"
#include "platform/Finally.h"

namespace velk {

namespace {

int FloorDiv(int A, int B)
{
    const int q = A / B;
    return (A % B != 0 && ((A < 0) != (B < 0))) ? q - 1 : q;
}

// A frame Width pixels wide on exactly the outermost pixels of R, never beyond them: what is
// drawn outside a square is not painted over when the square is drawn again.
void FrameRect(QPainter& Canvas, const QRect& R, const QColor& Color, int Width = 1)
{
    if (R.width() <= 0 || R.height() <= 0)
        return;
    const int w = std::min({Width, R.width(), R.height()});
    Canvas.fillRect(QRect(R.left(), R.top(), R.width(), w), Color);
    Canvas.fillRect(QRect(R.left(), R.bottom() - w + 1, R.width(), w), Color);
    Canvas.fillRect(QRect(R.left(), R.top(), w, R.height()), Color);
    Canvas.fillRect(QRect(R.right() - w + 1, R.top(), w, R.height()), Color);
}

void DrawText(QPainter& Canvas, int X, int Y, const QString& Text)
{
    Canvas.drawText(QPoint(X, Y + Canvas.fontMetrics().ascent()), Text);
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Geometry

QSize TGameBoardControl::GetBoardSize(int SquareSize) const
{
    const int b = FColors[crSquareBorder] != clNone ? 1 : 0;
    return QSize(8 * SquareSize + FMargins[0] + FMargins[2] + b, 8 * SquareSize + FMargins[1] + FMargins[3] + b);
}

int TGameBoardControl::CalcSquareSize(int ClientWidth, int ClientHeight) const
{
    const int b = FColors[crSquareBorder] != clNone ? 1 : 0;
    return std::min((ClientWidth - FMargins[0] - FMargins[2] - b) / 8, (ClientHeight - FMargins[1] - FMargins[3] - b) / 8);
}

int TGameBoardControl::RowColToPosition(int Row, int Col)
{
    if (Row < 0 || Row > 7 || Col < 0 || Col > 7)
        return -1;
    return Row * 8 + Col;
}

bool TGameBoardControl::PositionToRowCol(int Pos, int& Row, int& Col)
{
    Row = Pos / 8;
    Col = Pos % 8;
    return Row >= 0 && Row <= 7 && Col >= 0 && Col <= 7;
}

void TGameBoardControl::RotateRowCol(int& Row, int& Col, int Angle)
{
    const int a = Angle % 360;
    const int row = Row, col = Col;
    if (a == 90 || a == -270) {
        Row = col;
        Col = 7 - row;
    } else if (a == 180 || a == -180) {
        Row = 7 - row;
        Col = 7 - col;
    } else if (a == 270 || a == -90) {
        Row = 7 - col;
        Col = row;
    }
}

QRect TGameBoardControl::GetSquareRect(int Pos) const
{
    int row, col;
    PositionToRowCol(Pos, row, col);
    RotateRowCol(row, col, FBoardAngle);
    return QRect(FGridRect.left() + col * FSquareSize, FGridRect.top() + row * FSquareSize, FSquareSize + 1,
                 FSquareSize + 1);
}

int TGameBoardControl::PositionAt(int X, int Y) const
{
    if (FSquareSize <= 0)
        return -1;
    int col = FloorDiv(X - FGridRect.left(), FSquareSize);
    int row = FloorDiv(Y - FGridRect.top(), FSquareSize);
    if (row < 0 || row > 7 || col < 0 || col > 7)
        return -1;
    RotateRowCol(row, col, -FBoardAngle);
    return RowColToPosition(row, col);
}

std::string TGameBoardControl::GetPositionName(int Pos) const
{
    int row, col;
    if (!PositionToRowCol(Pos, row, col))
        return std::string();
    return GetColLabel(col) + GetRowLabel(row);
}

void TGameBoardControl::AdjustSize()
{
    updateGeometry();  // a parent layout asks for the new size
    if (!FHandleAllocated)
        return;
    if (FAutoSize)
        resize(GetBoardSize(FSquareSize));
    UpdateLayout(false);
}

void TGameBoardControl::UpdateLayout(bool Force)
{
    // A client area smaller than the margins would give no square at all; one pixel is the
    // least a square can be for hit testing and drawing to make sense.
    const int s =
        std::max(1, FFixedSquareSize ? FSquareSize : CalcSquareSize(BoardArea().width(), BoardArea().height()));
    const QSize size = GetBoardSize(s);
    const qreal ratio = devicePixelRatioF();
    if (!Force && s == FSquareSize && BufferSize() == size && FBuffer.devicePixelRatio() == ratio) {
        UpdateBoardPosition();
        return;
    }
    StopAnimation();
    {
        BeginBoardUpdate();
        TFinally end([this] { EndBoardUpdate(); });
        FSquareSize = s;
        FBoardRect = QRect(QPoint(0, 0), size);
        FGridRect = FBoardRect.adjusted(FMargins[0], FMargins[1], -FMargins[2], -FMargins[3]);
        {
            std::lock_guard lock(FBufferLock);
            // Drawn in device pixels, addressed in logical ones: as sharp as the window's text.
            FBuffer = QImage(QSize(qCeil(size.width() * ratio), qCeil(size.height() * ratio)), QImage::Format_RGB32);
            FBuffer.setDevicePixelRatio(ratio);
            FBuffer.fill(Qt::black);
            for (QImage& scaled : FScaledPatterns)
                scaled = QImage();
        }
        RedrawBoard();
        DoSquareResize();
    }
    UpdateBoardPosition();
}

void TGameBoardControl::UpdateBoardPosition()
{
    const QRect area = BoardArea();
    int dx = area.left() - FBoardRect.left();
    int dy = area.top() - FBoardRect.top();
    if (FCenter) {
        dx += (area.width() - FBoardRect.width()) / 2;
        dy += (area.height() - FBoardRect.height()) / 2;
    }
    if (dx == 0 && dy == 0)
        return;
    StopAnimation();
    FBoardRect.translate(dx, dy);
    FGridRect.translate(dx, dy);
    if (!FSession->BoardUpdating() && FHandleAllocated)
        update();
}

void TGameBoardControl::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    if (FAutoSize) {
        // The board decides the size: a request is turned into the nearest size that fits it.
        const int s = FFixedSquareSize ? FSquareSize : std::max(1, CalcSquareSize(width(), height()));
        const QSize wanted = GetBoardSize(s);
        if (wanted != size()) {
            resize(wanted);
            return;
        }
    }
    UpdateLayout(false);
}

QSize TGameBoardControl::sizeHint() const
{
    return GetBoardSize(FSquareSize);
}

QSize TGameBoardControl::minimumSizeHint() const
{
    // Squares smaller than the smallest piece pictures are no use.
    return FAutoSize ? GetBoardSize(FSquareSize) : GetBoardSize(16);
}

void TGameBoardControl::SetBoardAngle(int Value)
{
    Value %= 360;
    if (Value < 0)
        Value += 360;
    if (Value == FBoardAngle)
        return;
    FBoardAngle = Value;
    BeginBoardUpdate();
    TFinally end([this] { EndBoardUpdate(); });
    AdjustSize();
    RedrawBoard();
}

void TGameBoardControl::SetInvertSquares(bool Value)
{
    if (Value == FInvertSquares)
        return;
    FInvertSquares = Value;
    RedrawBoard();
}

void TGameBoardControl::SetCenter(bool Value)
{
    if (Value == FCenter)
        return;
    FCenter = Value;
    UpdateBoardPosition();
}

void TGameBoardControl::SetSquareSize(int Value)
{
    if (Value <= 0 || Value == FSquareSize)
        return;
    FSquareSize = Value;
    FFixedSquareSize = true;
    AdjustSize();
}

void TGameBoardControl::SetFixedSquareSize(bool Value)
{
    if (Value == FFixedSquareSize)
        return;
    FFixedSquareSize = Value;
    AdjustSize();
}

void TGameBoardControl::SetAutoSize(bool Value)
{
    if (Value == FAutoSize)
        return;
    FAutoSize = Value;
    AdjustSize();
}

void TGameBoardControl::SetReservedMargins(const QMargins& Value)
{
    if (Value == FReserved)
        return;
    FReserved = Value;
    if (FHandleAllocated)
        UpdateLayout(false);
}

void TGameBoardControl::SetBoardMargins(int Left, int Top, int Right, int Bottom)
{
    const std::array<int, 4> margins{Left, Top, Right, Bottom};
    if (margins == FMargins)
        return;
    FMargins = margins;
    AdjustSize();
}

// ---------------------------------------------------------------------------------------------
// Appearance properties

void TGameBoardControl::SetColor(TColor Value)
{
    if (Value == FColor)
        return;
    FColor = Value;
    update();
}

void TGameBoardControl::SetRoleColor(TColorRole Role, TColor Value)
{
    const TColor old = FColors[Role];
    if (Value == old)
        return;
    FColors[Role] = Value;
    if (Role == crSquareBorder && ((old == clNone) != (Value == clNone)))
        AdjustSize();
    else
        RedrawBoard();
}

void TGameBoardControl::SetPattern(TPatternRole Role, const QImage& Picture)
{
    FPatterns[Role] = Picture;
    FScaledPatterns[Role] = QImage();
    RedrawBoard();
}

void TGameBoardControl::SetMarkSelectableSquares(bool Value)
{
    if (Value == FMarkSelectableSquares)
        return;
    FMarkSelectableSquares = Value;
    RedrawSquares(true);
}

void TGameBoardControl::SetMarkerSize(int Value)
{
    if (Value == FMarkerSize)
        return;
    FMarkerSize = Value;
    RedrawSquares(true);
}

void TGameBoardControl::SetMarkerOffset(int Value)
{
    if (Value == FMarkerOffset)
        return;
    FMarkerOffset = Value;
    RedrawSquares(true);
}

void TGameBoardControl::SetCoordinatesDisplay(TSquareLabel Value)
{
    if (Value == FCoordinatesDisplay)
        return;
    FCoordinatesDisplay = Value;
    RedrawSquares(true);
}

void TGameBoardControl::SetCoordinatesOffset(int Value)
{
    if (Value == FCoordinatesOffset)
        return;
    FCoordinatesOffset = Value;
    RedrawSquares(true);
}

void TGameBoardControl::changeEvent(QEvent* Event)
{
    if (Event->type() == QEvent::FontChange || Event->type() == QEvent::PaletteChange)
        RedrawBoard();
    QWidget::changeEvent(Event);
}

void TGameBoardControl::LoadPieceImages(const QImage& Bitmap, int Rows, int Columns)
{
    BeginBoardUpdate();
    TFinally end([this] { EndBoardUpdate(); });
    FPieceImages.clear();
    if (Rows > 0 && Columns > 0 && !Bitmap.isNull()) {
        const int w = Bitmap.width() / Columns;
        const int h = Bitmap.height() / Rows;
        for (int r = 0; r < Rows && w > 0 && h > 0; ++r) {
            for (int c = 0; c < Columns; ++c) {
                // The cell's own bottom-left pixel is its transparent colour.
                QImage cell = Bitmap.copy(c * w, r * h, w, h).convertToFormat(QImage::Format_ARGB32);
                const QRgb key = cell.pixel(0, h - 1);
                for (int y = 0; y < h; ++y) {
                    auto* line = reinterpret_cast<QRgb*>(cell.scanLine(y));
                    for (int x = 0; x < w; ++x)
                        if ((line[x] & 0xFFFFFF) == (key & 0xFFFFFF))
                            line[x] = 0;
                }
                FPieceImages.push_back(cell.convertToFormat(QImage::Format_ARGB32_Premultiplied));
            }
        }
    }
    FSquaresValid = false;
    RedrawSquares(true);
}

// ---------------------------------------------------------------------------------------------
// Painting

void TGameBoardControl::SetPieceImages(std::vector<QImage> Images)
{
    BeginBoardUpdate();
    TFinally end([this] { EndBoardUpdate(); });
    FPieceImages = std::move(Images);
    RedrawSquares(true);
}

QImage TGameBoardControl::BufferImage() const
{
    std::lock_guard lock(FBufferLock);
    return FBuffer.copy();
}

QSize TGameBoardControl::BufferSize() const
{
    return FBuffer.deviceIndependentSize().toSize();
}

const QImage& TGameBoardControl::ScaledPattern(TPatternRole Role, QSize Size)
{
    // Scaled down once per square size from a source at least as large, never stretched at
    // every square; a square bigger than its source is filled with the source tiled.
    const qreal ratio = FBuffer.isNull() ? devicePixelRatioF() : FBuffer.devicePixelRatio();
    const QSize device(qCeil(Size.width() * ratio), qCeil(Size.height() * ratio));
    QImage& scaled = FScaledPatterns[Role];
    if (scaled.size() != device) {
        const QImage& source = FPatterns[Role];
        if (source.width() >= device.width() && source.height() >= device.height()) {
            scaled = source.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        } else {
            scaled = QImage(device, QImage::Format_RGB32);
            QPainter tiles(&scaled);
            tiles.fillRect(scaled.rect(), QBrush(source));
        }
        scaled.setDevicePixelRatio(ratio);
    }
    return scaled;
}

void TGameBoardControl::InvalidateRect(const QRect& R)
{
    update(R);
}

void TGameBoardControl::RepaintNow()
{
    if (FHandleAllocated && isVisible())
        repaint();
}

void TGameBoardControl::paintEvent(QPaintEvent* Event)
{
    // Moved to a screen of another density: the buffer is drawn again for it first.
    if (!FBuffer.isNull() && FBuffer.devicePixelRatio() != devicePixelRatioF() && !FAnimator->IsBusy())
        UpdateLayout(true);
    QPainter canvas(this);
    const QColor background = ToQColor(FColor, palette());
    if (!FAnimationScreen.isNull()) {
        canvas.drawImage(FBoardRect.topLeft(), FAnimationScreen);
        const TAnimator::TFrame frame = FAnimator->Frame();
        if (frame.Active && FAnimationImage >= 0 && FAnimationImage < static_cast<int>(FPieceImages.size())) {
            // The image is centred on the travelling square.
            const QImage& image = FPieceImages[FAnimationImage];
            const QSize size = image.deviceIndependentSize().toSize();
            canvas.drawImage(frame.Cur.left() - (size.width() - FSquareSize) / 2,
                             frame.Cur.top() - (size.height() - FSquareSize) / 2, image);
        }
    } else {
        std::lock_guard lock(FBufferLock);
        canvas.drawImage(FBoardRect.topLeft(), FBuffer);
    }
    const QRegion outside = QRegion(rect()).subtracted(QRegion(FBoardRect));
    for (const QRect& r : outside)
        if (Event->region().intersects(r))
            canvas.fillRect(r, background);
    PaintOverlay(canvas);
}

void TGameBoardControl::RedrawBoard()
{
    if (FSession->BoardUpdating() || BufferFrozen() || !FHandleAllocated) {
        FBoardValid = false;
        FSquaresValid = false;
        return;
    }
    InvalidateRect(FBoardRect);
    {
        std::lock_guard lock(FBufferLock);
        if (!FBuffer.isNull()) {
            QPainter canvas(&FBuffer);
            DrawBoard(canvas, QRect(QPoint(0, 0), BufferSize()));
        }
    }
    RedrawSquares(true);
    FBoardValid = true;
}

void TGameBoardControl::DrawBoard(QPainter& Canvas, const QRect& R)
{
    const QPalette& pal = palette();
    Canvas.fillRect(R, ToQColor(FColors[crBoardMargin], pal));
    if (FColors[crBoardBorder] != clNone)
        FrameRect(Canvas, R, ToQColor(FColors[crBoardBorder], pal));
    DrawBorderLabels(Canvas, R);
}

void TGameBoardControl::DrawBorderLabels(QPainter& Canvas, const QRect& R)
{
    Canvas.setFont(font());
    Canvas.setPen(palette().color(QPalette::WindowText));
    const QFontMetrics metrics(font());
    const int th = metrics.height();
    // Exclusive right and bottom edges, as the cells are laid out from them.
    const int right = R.left() + R.width();
    const int bottom = R.top() + R.height();
    for (int side = 0; side < 4; ++side) {
        if (FMargins[side] <= LabelGap)
            continue;
        for (int i = 0; i < 8; ++i) {
            const bool rowCell = side == 0 || side == 2;
            int row = rowCell ? i : -1, col = rowCell ? -1 : i;
            RotateRowCol(row, col, -FBoardAngle);
            const std::string label = rowCell ? (row >= 0 && row <= 7 ? GetRowLabel(row) : GetColLabel(col))
                                              : (col >= 0 && col <= 7 ? GetColLabel(col) : GetRowLabel(row));
            if (label.empty())
                continue;
            const QString text = QString::fromStdString(label);
            const int tw = metrics.horizontalAdvance(text);
            int x = 0, y = 0;
            switch (side) {
            case 0: {  // left: right-aligned toward the grid
                const int top = R.top() + FMargins[1] + i * FSquareSize;
                x = R.left() + FMargins[0] - tw - LabelGap;
                y = top + (FSquareSize - th) / 2;
                break;
            }
            case 1: {  // top: bottom-aligned toward the grid
                const int left = R.left() + FMargins[0] + i * FSquareSize;
                x = left + (FSquareSize - tw) / 2;
                y = R.top() + FMargins[1] - th - LabelGap;
                break;
            }
            case 2: {  // right
                const int top = R.top() + FMargins[1] + i * FSquareSize;
                x = right - FMargins[2] + LabelGap;
                y = top + (FSquareSize - th) / 2;
                break;
            }
            default: {  // bottom
                const int left = R.left() + FMargins[0] + i * FSquareSize;
                x = left + (FSquareSize - tw) / 2;
                y = bottom - FMargins[3] + LabelGap;
                break;
            }
            }
            DrawText(Canvas, x, y, text);
        }
    }
}

void TGameBoardControl::RedrawSquares(bool Force)
{
    if (FSession->BoardUpdating() || BufferFrozen() || !FHandleAllocated) {
        FSquaresValid = false;
        return;
    }
    UpdateLastMove();
    for (int p = 0; p < 64; ++p)
        RedrawSquare(p, Force);
    FSquaresValid = true;
}

void TGameBoardControl::SetHighlightLastMove(bool Value)
{
    if (Value == FHighlightLastMove)
        return;
    FHighlightLastMove = Value;
    RedrawSquares(false);
}

void TGameBoardControl::UpdateLastMove()
{
    // The move that led to the shown position: the turn being entered, or else the records of
    // the last turn before the record position.
    uint64_t mask = 0;
    const auto add = [&mask](const TMovementPath& Path) {
        for (const int32_t pos : Path)
            if (pos >= 0 && pos < 64)
                mask |= uint64_t{1} << pos;
    };
    if (FHighlightLastMove && BoardMode() == gbmPlay) {
        const TGameHistory& history = History();
        add(CurrentMove().Path);
        if (CurrentMove().IsEmpty()) {
            for (int32_t i = history.Position() - 1; i >= 0 && i < history.Count(); --i) {
                if (i < history.Position() - 1 && history.Items(i).EndsTurn)
                    break;
                add(history.Items(i).Path);
            }
        } else {
            for (int32_t i = history.Position() - 1; i >= 0 && i < history.Count() && !history.Items(i).EndsTurn; --i)
                add(history.Items(i).Path);
        }
    }
    FLastMoveMask = mask;
}

void TGameBoardControl::DrawLastMoveMark(QPainter& Canvas, const QRect& Inner)
{
    // Amber, seen through: the wood or colour of the square stays visible, and it differs from
    // the selection's fill and the selectable squares' frames.
    Canvas.fillRect(Inner, QColor(255, 190, 40, 110));
    FrameRect(Canvas, Inner, LastMoveFrameColor, std::max(2, FSquareSize / 20));
}

void TGameBoardControl::RedrawSquare(int Pos, bool Force)
{
    if (FSession->BoardUpdating() || BufferFrozen() || Pos < 0 || Pos >= 64)
        return;
    const int image = Pos == HiddenPiecePosition() ? -1 : GetPieceAt(Pos);
    const int mark = GetPositionMark(Pos) | (IsLastMovePosition(Pos) ? LastMoveMark : 0);
    TSquareCacheEntry& cache = FSquareCache[Pos];
    if (!Force && cache.Mark == mark && cache.Image == image)
        return;
    QRect r = GetSquareRect(Pos);
    InvalidateRect(r);
    r.translate(-FBoardRect.left(), -FBoardRect.top());
    {
        std::lock_guard lock(FBufferLock);
        if (!FBuffer.isNull()) {
            QPainter canvas(&FBuffer);
            DrawSquare(canvas, Pos, r, image, mark);
        }
    }
    ++FSquareRedrawCount;
    cache.Mark = mark;
    cache.Image = image;
}

void TGameBoardControl::DrawSquare(QPainter& Canvas, int Pos, const QRect& R, int Image, int Mark)
{
    const bool dark = IsDarkSquare(Pos);
    const QPalette& pal = palette();
    const TColor color = FColors[dark ? crSquareDark : crSquareLight];
    const QImage& pattern = FPatterns[dark ? prSquareDark : prSquareLight];
    QRect inner;
    if (FColors[crSquareBorder] != clNone) {
        if (color != clNone)
            Canvas.fillRect(R, ToQColor(color, pal));
        FrameRect(Canvas, R, ToQColor(FColors[crSquareBorder], pal));
        inner = R.adjusted(1, 1, -1, -1);
    } else {
        inner = R.adjusted(0, 0, -1, -1);
        if (color != clNone)
            Canvas.fillRect(inner, ToQColor(color, pal));
    }
    if (!pattern.isNull())
        Canvas.drawImage(inner.topLeft(), ScaledPattern(dark ? prSquareDark : prSquareLight, inner.size()));
    if ((Mark & LastMoveMark) != 0)
        DrawLastMoveMark(Canvas, inner);
    DrawSquareMark(Canvas, Pos, inner, Mark & ~LastMoveMark);
    DrawSquareLabel(Canvas, Pos, inner);
    DrawPiece(Canvas, inner, Image);
}

void TGameBoardControl::DrawSquareMark(QPainter& Canvas, int Pos, const QRect& Inner, int Mark)
{
    const bool dark = IsDarkSquare(Pos);
    if (Mark == 1) {
        const TPatternRole role = dark ? prSquareDarkSelect : prSquareLightSelect;
        const TColor color = FColors[dark ? crSquareDarkSelect : crSquareLightSelect];
        if (!FPatterns[role].isNull()) {
            Canvas.drawImage(Inner.topLeft(), ScaledPattern(role, Inner.size()));
        } else if (color != clNone) {
            Canvas.fillRect(Inner, ToQColor(color, palette()));
        }
    } else if (Mark == 2) {
        const TPatternRole role = dark ? prSquareDarkMark : prSquareLightMark;
        const TColor color = FColors[dark ? crSquareDarkMark : crSquareLightMark];
        if (!FPatterns[role].isNull()) {
            Canvas.drawImage(Inner.topLeft(), ScaledPattern(role, Inner.size()));
        } else if (color != clNone && FMarkerSize > 0) {
            // The frame's outline runs from (left + offset + 1, top + offset + 1) to
            // (right - offset, bottom - offset), right and bottom exclusive, centred on the pen.
            const int l = Inner.left() + FMarkerOffset + 1;
            const int t = Inner.top() + FMarkerOffset + 1;
            const int r = Inner.left() + Inner.width() - FMarkerOffset - 1;
            const int b = Inner.top() + Inner.height() - FMarkerOffset - 1;
            QPen pen(ToQColor(color, palette()), FMarkerSize, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin);
            Canvas.save();
            Canvas.setRenderHint(QPainter::Antialiasing, false);
            Canvas.setPen(pen);
            Canvas.setBrush(Qt::NoBrush);
            const double half = (FMarkerSize % 2 == 1) ? 0.5 : 0.0;
            Canvas.drawRect(QRectF(l + half, t + half, r - l, b - t));
            Canvas.restore();
        }
    }
}

void TGameBoardControl::DrawSquareLabel(QPainter& Canvas, int Pos, const QRect& Inner)
{
    if (FCoordinatesDisplay == slNone)
        return;
    const std::string name = GetPositionName(Pos);
    if (name.empty())
        return;
    Canvas.setFont(font());
    const QColor ink = palette().color(QPalette::WindowText);
    const QString text = QString::fromStdString(name);
    const QFontMetrics metrics(font());
    const int tw = metrics.horizontalAdvance(text);
    const int th = metrics.height();
    const int o = FCoordinatesOffset;
    const int left = Inner.left(), top = Inner.top();
    const int right = Inner.left() + Inner.width(), bottom = Inner.top() + Inner.height();
    const int cx = left + (Inner.width() - tw) / 2, cy = top + (Inner.height() - th) / 2;
    int x = cx, y = cy;
    switch (FCoordinatesDisplay) {
    case slCenter: break;
    case slLeftCenter: x = left + o; break;
    case slLeftTop: x = left + o; y = top + o; break;
    case slTopCenter: y = top + o; break;
    case slRightTop: x = right - o - tw; y = top + o; break;
    case slRightCenter: x = right - o - tw; break;
    case slRightBottom: x = right - o - tw; y = bottom - o - th; break;
    case slBottomCenter: y = bottom - o - th; break;
    case slLeftBottom: x = left + o; y = bottom - o - th; break;
    default: return;
    }
    // A thin shadow of the opposite brightness keeps the name readable on the light squares
    // (inverted colours, light patterns) as well as on the dark ones.
    Canvas.setPen(ink.lightness() >= 128 ? QColor(0, 0, 0, 160) : QColor(255, 255, 255, 160));
    DrawText(Canvas, x + 1, y + 1, text);
    Canvas.setPen(ink);
    DrawText(Canvas, x, y, text);
}

void TGameBoardControl::DrawPiece(QPainter& Canvas, const QRect& Inner, int Image)
{
    if (Image < 0 || Image >= static_cast<int>(FPieceImages.size()))
        return;
    const QImage& img = FPieceImages[Image];
    const QSize size = img.deviceIndependentSize().toSize();
    const int x = (2 * Inner.left() + Inner.width() - size.width()) / 2;
    const int y = (2 * Inner.top() + Inner.height() - size.height()) / 2;
    Canvas.drawImage(x, y, img);
}

}  // namespace velk
