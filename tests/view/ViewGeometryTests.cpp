// Where the board goes: square sizes, the turned board, the hit test on square edges, and the
// labels in the margins.
#include "ViewSupport.h"

using namespace velk;
using namespace velk::view;

namespace {

using GeometryTest = ViewTest;

TEST_F(GeometryTest, SquareSizeFollowsClientAreaMarginsAndOutline)
{
    EXPECT_EQ(C->CalcSquareSize(400, 400), 49);  // the closing outline takes one pixel
    EXPECT_EQ(C->BoardRect(), QRect(3, 3, 393, 393));

    // The main window's board: fixed squares, one-pixel margins.
    C->SetAutoSize(true);
    C->SetBoardMargins(1, 1, 1, 1);
    C->SetSquareSize(60);
    EXPECT_EQ(C->size(), QSize(483, 483));
    EXPECT_EQ(C->GridRect(), QRect(1, 1, 481, 481));
    C->SetRoleColor(TGameBoardControl::crSquareBorder, clNone);
    EXPECT_EQ(C->size(), QSize(482, 482));
    EXPECT_EQ(C->BufferImage().size(), QSize(482, 482));

    // Not fixed: a request is turned into the largest board that fits it.
    C->SetRoleColor(TGameBoardControl::crSquareBorder, clBlack);
    C->SetBoardMargins(0, 0, 0, 0);
    C->SetFixedSquareSize(false);
    C->resize(500, 400);
    EXPECT_EQ(C->size(), QSize(393, 393));
    EXPECT_EQ(C->SquareSize(), 49);
}

TEST_F(GeometryTest, TurnedBoardShowsEachPositionWhereItIsHit)
{
    C->SetBoardAngle(-90);
    EXPECT_EQ(C->BoardAngle(), 270);
    C->SetBoardAngle(450);
    EXPECT_EQ(C->BoardAngle(), 90);

    // Position 0 is a light cell: at 90 degrees the top-right corner turns light.
    const QRect g = C->GridRect();
    const int s = C->SquareSize();
    const QPoint topRight(g.left() + 7 * s + s / 2, g.top() + s / 2);
    EXPECT_EQ(C->PositionAt(topRight.x(), topRight.y()), 0);
    EXPECT_EQ(At(topRight), PaleYellow);
    C->SetBoardAngle(0);
    EXPECT_EQ(C->PositionAt(topRight.x(), topRight.y()), 7);
    EXPECT_EQ(At(topRight), Green);
}

TEST_F(GeometryTest, SharedLinesBelongToTheRightAndLowerSquare)
{
    C->SetBoardMargins(10, 10, 10, 10);
    const QRect g = C->GridRect();
    const int s = C->SquareSize();
    for (const int angle : {0, 90, 180, 270}) {
        C->SetBoardAngle(angle);
        SCOPED_TRACE(angle);
        for (int i = 0; i < 8; ++i) {
            const int line = g.left() + i * s;  // the outline left of column i
            EXPECT_EQ(C->PositionAt(line, g.top() + 5), C->PositionAt(line + s - 1, g.top() + 5));
            EXPECT_NE(C->PositionAt(line - 1, g.top() + 5), C->PositionAt(line, g.top() + 5));
            const int row = g.top() + i * s;
            EXPECT_EQ(C->PositionAt(g.left() + 5, row), C->PositionAt(g.left() + 5, row + s - 1));
            EXPECT_NE(C->PositionAt(g.left() + 5, row - 1), C->PositionAt(g.left() + 5, row));
        }
        EXPECT_EQ(C->PositionAt(g.left() - 1, g.top() + 5), -1);
        EXPECT_EQ(C->PositionAt(g.left() + 8 * s, g.top() + 5), -1);
        EXPECT_EQ(C->PositionAt(g.left() + 5, g.top() + 8 * s), -1);
        EXPECT_EQ(C->PositionAt(g.left() + 5, g.top() - 1), -1);
    }
}

// Logs the margin labels in the order they are drawn: left, top, right, bottom, eight each.
class TLabelLog : public TCheckers {
public:
    using TCheckers::TCheckers;
    std::string GetRowLabel(int Row) const override { return Note(TCheckers::GetRowLabel(Row)); }
    std::string GetColLabel(int Col) const override { return Note(TCheckers::GetColLabel(Col)); }
    std::string Note(const std::string& Label) const
    {
        Labels += Label;
        return Label;
    }
    mutable std::string Labels;
};

TEST_F(GeometryTest, MarginLabelsNameTheRowsAndColumnsBesideThem)
{
    auto* board = new TLabelLog(&Parent);
    board->show();
    board->SetBoardMargins(20, 20, 20, 20);
    const struct {
        int Angle;
        const char* Down;    // beside the rows, top to bottom (left and right margins)
        const char* Across;  // beside the columns, left to right (top and bottom margins)
    } cases[] = {{90, "ABCDEFGH", "87654321"},
                 {180, "87654321", "HGFEDCBA"},
                 {270, "HGFEDCBA", "12345678"},
                 {0, "12345678", "ABCDEFGH"}};
    for (const auto& c : cases) {
        board->Labels.clear();
        board->SetBoardAngle(c.Angle);
        const std::string down = c.Down, across = c.Across;
        EXPECT_EQ(board->Labels, down + across + down + across) << c.Angle << " degrees";
    }

    // A row label ends five pixels short of the grid; margins of five pixels carry none.
    const QImage buffer = board->BufferImage();
    const QRect g = board->GridRect().translated(-board->BoardRect().topLeft());
    const QColor margin = QColor(buffer.pixel(2, 2));
    int rightmost = -1;
    for (int x = 1; x < g.left(); ++x)
        for (int y = g.top(); y < g.top() + board->SquareSize(); ++y)
            if (QColor(buffer.pixel(x, y)) != margin)
                rightmost = x;
    EXPECT_GE(rightmost, g.left() - 5 - 3);
    EXPECT_LE(rightmost, g.left() - 5 - 1);

    board->SetBoardMargins(5, 5, 5, 5);
    const QImage narrow = board->BufferImage();
    for (int i = 1; i < 5; ++i)
        for (int j = 5; j < narrow.width() - 5; ++j) {
            ASSERT_EQ(QColor(narrow.pixel(i, j)), margin) << i << "," << j;
            ASSERT_EQ(QColor(narrow.pixel(j, i)), margin) << j << "," << i;
        }
    delete board;
}

}  // namespace
