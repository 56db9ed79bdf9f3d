// The board's geometry: how big the squares are, where the board sits, how it turns, and
// which position lies under a point.
#include "ControlTestSupport.h"

using namespace velk;
using namespace velk::test;

namespace {

// The control as a child widget, so that resizing it takes effect at once.
class GeometryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Parent.resize(900, 900);
        C = new TCheckers(&Parent);
        C->SetAnimateMoves(false);
        C->SetComputerPlayer(0);
        Parent.show();
        ASSERT_TRUE(C->HandleAllocated());
    }

    QWidget Parent;
    TCheckers* C = nullptr;
};

TEST_F(GeometryTest, NewControlCentresTheLargestBoardThatFits)
{
    EXPECT_EQ(C->size(), QSize(400, 400));
    EXPECT_EQ(C->CalcSquareSize(400, 400), 49);  // (400 - 1 for the closing outline) div 8
    EXPECT_EQ(C->SquareSize(), 49);
    EXPECT_EQ(C->BoardRect(), QRect(3, 3, 393, 393));
    EXPECT_EQ(C->GridRect(), C->BoardRect());

    C->SetCenter(false);
    C->SetBoardMargins(10, 20, 30, 40);
    EXPECT_EQ(C->SquareSize(), (400 - 60 - 1) / 8);
    EXPECT_EQ(C->GridRect().topLeft(), QPoint(10, 20));
    EXPECT_EQ(C->GetBoardSize(42), QSize(8 * 42 + 41, 8 * 42 + 61));
}

TEST_F(GeometryTest, AutoSizeFitsTheControlToItsBoard)
{
    C->SetAutoSize(true);
    C->resize(500, 400);  // the nearest board: squares of 49
    EXPECT_EQ(C->size(), QSize(393, 393));

    C->SetBoardMargins(1, 1, 1, 1);
    C->SetSquareSize(60);
    EXPECT_TRUE(C->FixedSquareSize());
    EXPECT_EQ(C->size(), QSize(483, 483));  // 8 x 60, two margins and the closing outline
    C->SetRoleColor(TGameBoardControl::crSquareBorder, clNone);
    EXPECT_EQ(C->size(), QSize(482, 482));
    C->SetRoleColor(TGameBoardControl::crSquareBorder, clBlack);
    C->SetRoleColor(TGameBoardControl::crSquareBorder, clRed);  // one colour for another
    EXPECT_EQ(C->size(), QSize(483, 483));

    C->SetSquareSize(0);
    C->SetSquareSize(-5);
    C->resize(700, 300);  // the fixed square decides
    EXPECT_EQ(C->SquareSize(), 60);
    EXPECT_EQ(C->size(), QSize(483, 483));
}

TEST_F(GeometryTest, TurnedBoardsDrawAndHitTheSameSquares)
{
    C->SetBoardAngle(-90);
    EXPECT_EQ(C->BoardAngle(), 270);
    C->SetBoardAngle(450);
    EXPECT_EQ(C->BoardAngle(), 90);
    const uint64_t redraws = C->SquareRedrawCount();
    C->SetBoardAngle(90);  // the same angle again redraws nothing
    EXPECT_EQ(C->SquareRedrawCount(), redraws);

    // At 90 degrees position 0, the top-left cell, is drawn top right and hit there.
    const int s = C->SquareSize();
    const QPoint grid = C->GridRect().topLeft();
    EXPECT_EQ(C->GetSquareRect(0), QRect(grid + QPoint(7 * s, 0), QSize(s + 1, s + 1)));
    EXPECT_EQ(C->PositionAt(grid.x() + 7 * s + s / 2, grid.y() + s / 2), 0);
    C->SetBoardAngle(180);
    EXPECT_EQ(C->GetSquareRect(0).topLeft(), grid + QPoint(7 * s, 7 * s));
    C->SetBoardAngle(270);
    EXPECT_EQ(C->GetSquareRect(0).topLeft(), grid + QPoint(0, 7 * s));

    for (const int angle : {0, 90, 180, 270}) {
        C->SetBoardAngle(angle);
        for (int p = 0; p < 64; ++p) {
            const QRect r = C->GetSquareRect(p);
            EXPECT_EQ(C->PositionAt(r.center().x(), r.center().y()), p) << angle << " degrees";
            EXPECT_EQ(C->PositionAt(r.left(), r.top()), p) << angle << " degrees";
        }
    }
}

TEST_F(GeometryTest, PointsOffTheGridHitNothingAndLightSquaresDoNotPlay)
{
    C->SetBoardMargins(8, 8, 8, 8);
    const QRect g = C->GridRect();
    const int s = C->SquareSize();
    EXPECT_EQ(C->PositionAt(g.left() + s, g.top()), 1);  // a shared line belongs to the right
    EXPECT_EQ(C->PositionAt(g.left(), g.top() + s), 8);  // ... and below
    for (const int angle : {0, 90}) {
        C->SetBoardAngle(angle);
        EXPECT_EQ(C->PositionAt(g.left() - 1, g.top() + 5), -1);
        EXPECT_EQ(C->PositionAt(g.left() + 5, g.top() - 1), -1);  // in the top margin
        EXPECT_EQ(C->PositionAt(g.left() + 8 * s, g.top() + 5), -1);
        EXPECT_EQ(C->PositionAt(g.left() + 5, g.top() + 8 * s), -1);
        EXPECT_EQ(C->PositionAt(-1000, -1000), -1);
    }

    // Only the dark squares are named and can be played, whichever colours they are drawn in.
    C->SetInvertSquares(true);
    EXPECT_FALSE(C->IsDarkSquare(Pos(1)));
    EXPECT_TRUE(C->IsValidPosition(Pos(1)));
    EXPECT_FALSE(C->IsValidPosition(0));
    EXPECT_EQ(C->GetPositionName(Pos(11)), "11");
    EXPECT_EQ(C->GetPositionName(0), "");
}

TEST_F(GeometryTest, ClicksOnATurnedBoardPickTheSquareUnderThePointer)
{
    C->SetBoardAngle(180);
    C->NewGame();
    const QPoint p = C->GetSquareRect(Pos(12)).center();
    QTest::mousePress(C, Qt::LeftButton, Qt::NoModifier, p);
    QTest::mouseRelease(C, Qt::LeftButton, Qt::NoModifier, p);
    ASSERT_EQ(C->History().Count(), 1);
    EXPECT_EQ(C->GetMoveText(PLAYER_BLACK, 1), "12-16");
    Pump();
}

}  // namespace
