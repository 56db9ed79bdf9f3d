// What the buffer shows: square fills, outlines, marks, patterns, labels and pieces; which
// squares are redrawn; and which piece pictures are used at which square size.
#include "ViewSupport.h"

using namespace velk;
using namespace velk::view;

namespace {

using PaintTest = ViewTest;

TEST_F(PaintTest, SquaresFillTheirCellWithOrWithoutOutline)
{
    C->SetSquareSize(60);
    const QRect r = C->GetSquareRect(Pos(1));  // an empty dark square of the empty board
    EXPECT_EQ(r.size(), QSize(61, 61));
    // Outlined: a black line shared with the neighbours around a 59 x 59 fill.
    EXPECT_EQ(At(r.left(), r.top() + 30), Qt::black);
    EXPECT_EQ(At(r.left() + 60, r.top() + 30), Qt::black);
    EXPECT_EQ(At(r.left() + 30, r.top() + 60), Qt::black);
    EXPECT_EQ(At(r.left() + 1, r.top() + 1), Green);
    EXPECT_EQ(At(r.left() + 59, r.top() + 59), Green);
    EXPECT_EQ(At(r.left() + 61, r.top() + 30), PaleYellow);

    C->SetRoleColor(TGameBoardControl::crSquareBorder, clNone);
    const QRect n = C->GetSquareRect(Pos(1));
    EXPECT_EQ(At(n.topLeft()), Green);
    EXPECT_EQ(At(n.left() + 59, n.top() + 59), Green);
    EXPECT_EQ(At(n.left() + 60, n.top() + 30), PaleYellow);
    EXPECT_EQ(At(n.left() + 30, n.top() + 60), PaleYellow);
    EXPECT_EQ(At(n.left() - 1, n.top() + 30), PaleYellow);
}

TEST_F(PaintTest, LastMoveTintsItsSquaresOnColoursAndPatterns)
{
    C->SetSquareSize(60);
    C->SetHighlightLastMove(true);
    C->NewGame();
    ASSERT_TRUE(C->PlayPath({Pos(9), Pos(13)}));
    const auto corner = [this](int Square) { return At(Inner(Pos(Square)).topLeft() + QPoint(4, 4)); };
    // Both squares of the move differ from an untouched dark square, and from the selection's colour.
    EXPECT_NE(corner(9), Green);
    EXPECT_NE(corner(13), Green);
    EXPECT_EQ(corner(14), Green);
    EXPECT_NE(corner(9), QColor(ToQColor(C->RoleColor(TGameBoardControl::crSquareDarkSelect), C->palette())));
    QImage wood(40, 40, QImage::Format_RGB32);
    wood.fill(QColor(120, 70, 30));
    C->SetPattern(TGameBoardControl::prSquareDark, wood);
    EXPECT_NE(corner(9), corner(14));
    EXPECT_EQ(corner(14), QColor(120, 70, 30));
}

// Run once at the screen's own density and once with QT_SCALE_FACTOR=2 (see tests/CMakeLists.txt).
TEST_F(PaintTest, DevicePixelsFollowTheScreen)
{
    const qreal ratio = C->devicePixelRatioF();
    C->SetRoleColor(TGameBoardControl::crSquareBorder, clNone);
    C->SetSquareSize(60);
    C->NewGame();
    const QImage buffer = C->BufferImage();
    EXPECT_EQ(buffer.devicePixelRatio(), ratio);
    EXPECT_EQ(buffer.size(), C->BufferSize() * ratio);
    const QImage& man = C->PieceImages()[0];
    EXPECT_EQ(man.devicePixelRatio(), ratio);
    EXPECT_EQ(man.deviceIndependentSize().toSize(), QSize(40, 40));  // the same proportion at every density
    EXPECT_EQ(man.width(), qRound(40 * ratio));

    // The edge between two squares falls between two device pixels, each of its own square.
    const QRect square = C->GetSquareRect(Pos(1)).translated(-C->BoardRect().topLeft());
    const int x = qRound(square.left() * ratio), y = qRound((square.top() + 5) * ratio);
    EXPECT_EQ(QColor(buffer.pixel(x, y)), Green);
    EXPECT_EQ(QColor(buffer.pixel(x - 1, y)), PaleYellow);

    // Across a piece's edge the picture has the screen's detail: at 2x, not pairs of equal pixels.
    if (ratio >= 2) {
        const QRect piece = C->GetSquareRect(Pos(9)).translated(-C->BoardRect().topLeft());
        const int row = qRound(piece.center().y() * ratio);
        int differing = 0;
        for (int d = qRound(piece.left() * ratio); d < qRound(piece.right() * ratio); d += 2)
            differing += buffer.pixel(d, row) != buffer.pixel(d + 1, row);
        EXPECT_GT(differing, 2);
    }
}

// Also run at twice the density with the test above. A frame pixel outside its square is never
// painted over: neither when the square is drawn again nor by the margins, which are not.
TEST_F(PaintTest, LastMoveFrameKeepsToItsOwnDevicePixels)
{
    C->SetRoleColor(TGameBoardControl::crSquareBorder, clNone);
    C->SetBoardMargins(3, 3, 3, 3);
    C->SetSquareSize(60);
    C->SetHighlightLastMove(true);
    const auto framePixels = [this](bool Inside) {
        const QImage buffer = C->BufferImage();
        const qreal ratio = buffer.devicePixelRatio();
        int n = 0;
        for (int y = 0; y < buffer.height(); ++y) {
            for (int x = 0; x < buffer.width(); ++x) {
                if (QColor(buffer.pixel(x, y)) != TGameBoardControl::LastMoveFrameColor)
                    continue;
                const QPointF at = QPointF(x + 0.5, y + 0.5) / ratio + C->BoardRect().topLeft();
                const int p = C->PositionAt(qFloor(at.x()), qFloor(at.y()));
                n += (p >= 0 && C->IsLastMovePosition(p)) == Inside;
            }
        }
        return n;
    };
    // In the last column and the bottom row, beside the margins; then a move in the middle.
    const auto play = [this] {
        SetupPieces({{28, 'b'}, {14, 'b'}, {30, 'w'}});
        C->SetTurn(2);
        C->SetBoardMode(gbmPlay);
        ASSERT_TRUE(C->PlayPath({Pos(28), Pos(32)}));
        ASSERT_TRUE(C->PlayPath({Pos(30), Pos(26)}));
        ASSERT_TRUE(C->PlayPath({Pos(14), Pos(18)}));
    };
    const std::pair<const char*, std::function<void()>> clearing[] = {
        {"new game", [this] { C->NewGame(); }},
        {"highlight off", [this] { C->SetHighlightLastMove(false); }},
        {"setup", [this] { C->SetBoardMode(gbmSetup); }},
        {"clear board", [this] { C->ClearBoard(); }},
    };
    for (const auto& [name, clear] : clearing) {
        C->SetHighlightLastMove(true);
        play();
        EXPECT_GT(framePixels(true), 0) << name;
        EXPECT_EQ(framePixels(false), 0) << name;
        clear();
        EXPECT_EQ(framePixels(true) + framePixels(false), 0) << name;
    }
}

TEST_F(PaintTest, SelectableFrameSitsInsideTheSquare)
{
    C->SetSquareSize(60);
    C->NewGame();  // the red men on 9 .. 12 can move
    const QRect in = Inner(Pos(9));
    const int y = in.top() + 5;  // above the piece
    const int right = in.right();
    ASSERT_EQ(C->GetPositionMark(Pos(9)), 2);
    C->SetMarkerSize(1);
    EXPECT_EQ(At(in.left() + 2, y), Green);
    EXPECT_EQ(At(in.left() + 3, y), Lime);
    EXPECT_EQ(At(in.left() + 4, y), Green);
    EXPECT_EQ(At(right - 3, y), Green);
    EXPECT_EQ(At(right - 2, y), Lime);
    EXPECT_EQ(At(right - 1, y), Green);
    EXPECT_EQ(At(in.left() + 20, in.top() + 3), Lime);
    EXPECT_EQ(At(in.left() + 20, in.bottom() - 2), Lime);
    EXPECT_EQ(At(in.left() + 20, in.bottom() - 1), Green);

    C->SetMarkerSize(2);  // two pixels wide, still covering both lines
    int lime = 0;
    for (int x = in.left(); x <= in.left() + 8; ++x)
        lime += At(x, y) == Lime;
    EXPECT_EQ(lime, 2);
    EXPECT_EQ(At(in.left() + 3, y), Lime);
    EXPECT_EQ(At(right - 2, y), Lime);

    // Squares that cannot start a move are not framed; without marking nothing is.
    EXPECT_EQ(At(Inner(Pos(5)).left() + 3, Inner(Pos(5)).top() + 5), Green);
    C->SetMarkSelectableSquares(false);
    EXPECT_EQ(At(in.left() + 3, y), Green);
}

TEST_F(PaintTest, PatternsReplaceTheirColourUntilCleared)
{
    QImage blue(16, 16, QImage::Format_RGB32);
    blue.fill(Qt::blue);
    QImage grey(16, 16, QImage::Format_RGB32);
    grey.fill(Qt::gray);
    C->NewGame();
    C->SetPattern(TGameBoardControl::prSquareDark, blue);
    C->SetPattern(TGameBoardControl::prSquareLightSelect, grey);  // no light square is ever selected
    C->SetPattern(TGameBoardControl::prSquareDarkSelect, grey);
    const QRect empty = Inner(Pos(14)), light = Inner(0);
    EXPECT_EQ(At(empty.center()), QColor(Qt::blue));
    EXPECT_EQ(At(empty.topLeft()), QColor(Qt::blue));
    EXPECT_EQ(At(empty.bottomRight()), QColor(Qt::blue));
    EXPECT_EQ(At(light.center()), PaleYellow);

    C->SetSelection({Pos(9)});
    EXPECT_EQ(At(Inner(Pos(9)).topLeft()), QColor(Qt::gray));
    C->SetPattern(TGameBoardControl::prSquareDarkSelect, QImage());
    EXPECT_EQ(At(Inner(Pos(9)).topLeft()), Lime);
    C->SetPattern(TGameBoardControl::prSquareDark, QImage());
    EXPECT_EQ(At(empty.center()), Green);
}

TEST_F(PaintTest, PiecesAreCentredMaskedAndCoverTheSquareLabel)
{
    QFont font = C->font();
    font.setPixelSize(8);
    C->setFont(font);
    QPalette white = C->palette();
    white.setColor(QPalette::WindowText, Qt::white);
    C->setPalette(white);
    C->SetRoleColor(TGameBoardControl::crSquareBorder, clNone);
    C->SetSquareSize(60);
    C->SetPiecesBitmap(PlainPieces(20, 2));
    SetupPieces({{1, 'b'}});

    // The 20-pixel image goes 20 pixels in; its magenta rim lets the square show through.
    const QRect in = Inner(Pos(1));
    const int y = in.top() + 30;
    EXPECT_EQ(At(in.left() + 21, y), Green);
    EXPECT_EQ(At(in.left() + 22, y), KindColors[0]);
    EXPECT_EQ(At(in.left() + 37, y), KindColors[0]);
    EXPECT_EQ(At(in.left() + 38, y), Green);
    EXPECT_EQ(At(in.left() + 30, in.top() + 21), Green);
    EXPECT_EQ(At(in.left() + 30, in.top() + 22), KindColors[0]);

    // The name "1" four pixels in from the top-left corner; a piece covering it hides it.
    const auto whiteIn = [this](const QRect& Area) {
        int n = 0;
        for (int x = Area.left(); x <= Area.right(); ++x)
            for (int y = Area.top(); y <= Area.bottom(); ++y)
                n += At(x, y).lightness() > 200;
        return n;
    };
    const QRect labelArea = QRect(in.topLeft() + QPoint(4, 4), QSize(8, 10));
    const QRect above(in.topLeft(), QSize(20, 4)), before(in.topLeft(), QSize(4, 20));
    EXPECT_EQ(whiteIn(labelArea), 0);
    C->SetCoordinatesDisplay(slLeftTop);
    EXPECT_GT(whiteIn(labelArea), 0);
    EXPECT_EQ(whiteIn(above) + whiteIn(before), 0);
    C->SetPiecesBitmap(PlainPieces(60, 1));
    EXPECT_EQ(whiteIn(labelArea), 0);
    const QRect name2(Inner(Pos(2)).topLeft() + QPoint(4, 4), QSize(9, 11));
    EXPECT_GT(whiteIn(name2), 0);  // an empty square's

    // Inverting redraws every square at once; white names stay readable on squares now pale.
    const QPoint bare = Inner(Pos(2)).bottomRight() - QPoint(2, 2);
    const QColor darkSquare = At(bare);
    C->SetInvertSquares(true);
    EXPECT_NE(At(bare), darkSquare);
    int dark = 0;
    for (int x = name2.left(); x <= name2.right(); ++x)
        for (int y = name2.top(); y <= name2.bottom(); ++y)
            dark += At(x, y).lightness() < 150;
    EXPECT_GT(dark, 0);
}

TEST_F(PaintTest, OnlySquaresWhoseLookChangedAreRedrawn)
{
    C->NewGame();
    const auto marks = [this] {
        std::vector<int> m;
        for (int p = 0; p < 64; ++p)
            m.push_back(C->GetPositionMark(p));
        return m;
    };
    const std::vector<int> before = marks();
    const uint64_t count = C->SquareRedrawCount();
    C->SetSelection({Pos(9)});
    const std::vector<int> after = marks();
    int changed = 0;
    for (int p = 0; p < 64; ++p)
        changed += before[p] != after[p];
    EXPECT_GT(changed, 1);
    EXPECT_EQ(C->SquareRedrawCount() - count, static_cast<uint64_t>(changed));
    C->SetSelection({Pos(9)});
    EXPECT_EQ(C->SquareRedrawCount() - count, static_cast<uint64_t>(changed));

    // Three colours in one bracket: one board redraw, showing all three.
    const uint64_t start = C->SquareRedrawCount();
    C->BeginBoardUpdate();
    C->SetRoleColor(TGameBoardControl::crSquareDark, RGBColor(10, 20, 30));
    C->SetRoleColor(TGameBoardControl::crSquareLight, RGBColor(40, 50, 60));
    C->SetRoleColor(TGameBoardControl::crBoardMargin, RGBColor(70, 80, 90));
    EXPECT_EQ(C->SquareRedrawCount(), start);
    C->EndBoardUpdate();
    EXPECT_EQ(C->SquareRedrawCount() - start, 64u);
    EXPECT_EQ(At(Inner(Pos(14)).center()), QColor(10, 20, 30));
    EXPECT_EQ(At(Inner(0).center()), QColor(40, 50, 60));
}

TEST_F(PaintTest, PieceSetFollowsTheSquareSize)
{
    // The bitmaps up to the largest board size, then pictures drawn at the same proportion.
    const std::pair<int, int> sizes[] = {{35, 16}, {36, 24}, {45, 24}, {46, 32}, {55, 32}, {56, 40},
                                         {65, 40}, {66, 48}, {75, 48}, {76, 49}, {200, 128}, {60, 40}};
    for (const auto& [square, piece] : sizes) {
        C->SetSquareSize(square);
        EXPECT_EQ(C->LoadedPieceSize(), piece) << square;
        ASSERT_EQ(C->PieceImages().size(), 4u);
        EXPECT_EQ(C->PieceImages()[3].size(), QSize(piece, piece)) << square;
    }
    const qint64 loaded = C->PieceImages()[0].cacheKey();
    C->SetSquareSize(62);
    EXPECT_EQ(C->PieceImages()[0].cacheKey(), loaded);  // the same set, not loaded again
    C->SetSquareSize(70);
    EXPECT_EQ(C->PieceImages()[0].width(), 48);

    // The built-in pictures: magenta is transparent, the pieces are not.
    const QImage& man = C->PieceImages()[0];
    EXPECT_EQ(qAlpha(man.pixel(0, 47)), 0);
    EXPECT_EQ(qAlpha(man.pixel(24, 24)), 255);
}

TEST_F(PaintTest, SuppliedPiecesBitmapReplacesTheBuiltInSets)
{
    C->SetSquareSize(60);
    SetupPieces({{1, 'b'}, {2, 'B'}, {3, 'w'}, {4, 'W'}});
    for (const int extra : {0, 2}) {
        C->SetPiecesBitmap(PlainPieces(50, 1, extra));
        EXPECT_EQ(C->LoadedPieceSize(), 0);
        ASSERT_EQ(C->PieceImages().size(), 4u);
        for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(C->PieceImages()[k].size(), QSize(50, 50));
            EXPECT_EQ(At(Centre(k + 1)), KindColors[k]) << "kind " << k;
        }
    }
    C->SetSquareSize(45);  // a supplied bitmap keeps its size
    EXPECT_EQ(C->PieceImages()[0].size(), QSize(50, 50));

    // Cleared: the built-in set for the square size, drawn at once.
    const uint64_t count = C->SquareRedrawCount();
    C->SetPiecesBitmap(QImage());
    EXPECT_EQ(C->LoadedPieceSize(), 24);
    EXPECT_EQ(C->PieceImages()[0].size(), QSize(24, 24));
    EXPECT_GE(C->SquareRedrawCount() - count, 64u);
    EXPECT_NE(At(Centre(1)), KindColors[0]);
}

}  // namespace
