// Carrying pieces with the mouse in play and in setup, and the tips over the squares.
#include <QHelpEvent>
#include <QToolTip>

#include "ViewSupport.h"
#include "control/Animator.h"

using namespace velk;
using namespace velk::view;

namespace {

class DragTest : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        C->SetPiecesBitmap(PlainPieces(40));  // on squares of 49
        const auto sq = [](TPosition P) { return std::to_string(P + 1); };
        C->OnPositionDragStart = [this](TGameBoardControl*) { Events.push_back("Start"); };
        C->OnPositionDragEnd = [this](TGameBoardControl*) { Events.push_back("End"); };
        C->OnPositionDragDrop = [=, this](TCheckers*, TPosition S, TPosition T) {
            Events.push_back("Drop " + sq(S) + "-" + sq(T));
        };
        C->OnAnimateBegin = [this](TGameBoardControl*) { Events.push_back("Animate"); };
    }

    // Picks up the piece on a square and carries it to the centre of another.
    void Carry(int From, int To)
    {
        Press(Centre(From));
        Move(Centre(From) + QPoint(3, 0));
        Move(Centre(To));
    }

    Qt::CursorShape Pointer() const { return C->cursor().shape(); }

    std::vector<std::string> Events;
};

TEST_F(DragTest, DragBeginsAfterThreePixelsAndShowsThePieceAtThePointer)
{
    C->NewGame();
    const QPoint origin = Centre(9);
    Press(origin);
    Move(origin + QPoint(2, 0));
    Move(origin + QPoint(2, 2));  // 2.8 pixels away
    EXPECT_EQ(C->DragSource(), -1);
    EXPECT_EQ(At(origin), KindColors[0]);
    Move(origin + QPoint(3, 0));
    EXPECT_EQ(Events, std::vector<std::string>{"Start"});
    EXPECT_EQ(C->DragSource(), Pos(9));
    EXPECT_EQ(At(origin), Green);  // the source square is empty while its piece travels
    EXPECT_EQ(C->GetPositionMark(Pos(10)), 0);

    const QPoint over = Centre(14) + QPoint(-10, 7);
    Move(over);
    EXPECT_EQ(Pointer(), Qt::PointingHandCursor);
    // The image keeps the point where it was pressed, not where the drag began: the square's
    // centre, 20 pixels right of the image's (transparent) left edge.
    const QImage screen = C->grab().toImage();
    EXPECT_EQ(QColor(screen.pixel(over)), KindColors[0]);
    EXPECT_EQ(QColor(screen.pixel(over + QPoint(-19, 0))), KindColors[0]);
    EXPECT_EQ(QColor(screen.pixel(over + QPoint(-20, 0))), PaleYellow);
    Move(Centre(17));
    EXPECT_EQ(Pointer(), Qt::ForbiddenCursor);

    Release(origin + QPoint(4, 4));  // back on its own square: nothing happens
    EXPECT_EQ(Events, (std::vector<std::string>{"Start", "End"}));
    EXPECT_EQ(C->History().Count(), 0);
    EXPECT_EQ(At(origin), KindColors[0]);
    EXPECT_TRUE(C->Selection().empty());  // and the release was no click
}

TEST_F(DragTest, DropPlaysLegalStepsOnlyAndWithoutAnimation)
{
    C->NewGame();
    C->SetAnimateMoves(true);
    Carry(9, 18);  // not a move
    Release(Centre(18));
    EXPECT_EQ(C->History().Count(), 0);
    EXPECT_EQ(At(Centre(9)), KindColors[0]);
    Carry(22, 18);  // a white man while red is to move: nowhere to go
    EXPECT_EQ(Pointer(), Qt::ForbiddenCursor);
    Release(Centre(18));
    EXPECT_EQ(C->History().Count(), 0);
    EXPECT_EQ(Events, (std::vector<std::string>{"Start", "End", "Start", "End"}));

    // A pause while the piece is carried: the drop is refused and the piece goes home.
    Carry(9, 13);
    C->SetPaused(true);
    Release(Centre(13));
    EXPECT_EQ(C->History().Count(), 0);
    EXPECT_EQ(C->BoardAsText(), "bbbbbbbbbbbb        wwwwwwwwwwww");
    C->SetPaused(false);

    Events.clear();
    Carry(9, 13);
    Release(Centre(13));
    EXPECT_EQ(C->History().Count(), 1);
    EXPECT_EQ(C->GetPieceAt(Pos(13)), 0);
    EXPECT_EQ(At(Centre(13)), KindColors[0]);
    EXPECT_EQ(At(Centre(9)), Green);
    Pump();
    EXPECT_EQ(Events, (std::vector<std::string>{"Start", "Drop 9-13", "End"}));
}

TEST_F(DragTest, FlickPlaysTheMoveWhereverItsFirstMotionLands)
{
    C->NewGame();
    Press(Centre(9));
    Move(Centre(13));  // the first motion reported is over the target already
    EXPECT_EQ(C->DragSource(), Pos(9));
    Release(Centre(13));
    EXPECT_EQ(C->GetMoveText(2, 1), "09-13");
    Press(Centre(22));
    Move(Centre(13));  // not a move: refused, and no click either
    Release(Centre(13));
    EXPECT_EQ(C->History().Count(), 1);
    EXPECT_TRUE(C->Selection().empty());
    Pump();
    EXPECT_EQ(Events, (std::vector<std::string>{"Start", "Drop 9-13", "End", "Start", "End"}));
}

TEST_F(DragTest, RightButtonWhileCarryingDrops)
{
    C->NewGame();
    Carry(10, 14);
    Press(Centre(14), Qt::RightButton);
    EXPECT_EQ(C->DragSource(), -1);
    EXPECT_EQ(C->History().Count(), 1);
    Release(Centre(14), Qt::RightButton);
    Release(Centre(14));
    EXPECT_EQ(C->History().Count(), 1);
    EXPECT_TRUE(C->Selection().empty());
    EXPECT_EQ(Events, (std::vector<std::string>{"Start", "Drop 10-14", "End"}));
}

TEST_F(DragTest, SetupDragsMoveAndReplacePieces)
{
    SetupPieces({{9, 'B'}, {14, 'w'}});
    Carry(9, 13);
    Release(Centre(13));
    EXPECT_EQ(C->GetPieceAt(Pos(9)), -1);
    EXPECT_EQ(C->GetPieceAt(Pos(13)), 1);
    Carry(13, 14);
    Release(Centre(14));
    EXPECT_EQ(C->GetPieceAt(Pos(13)), -1);
    EXPECT_EQ(C->GetPieceAt(Pos(14)), 1);  // the red king, not a click's next kind
    EXPECT_EQ(At(Centre(14)), KindColors[1]);
    // Released by another button off the board, the piece is not dropped into nothing.
    Carry(14, 18);
    Release(C->GridRect().topLeft() - QPoint(20, 20), Qt::RightButton);
    EXPECT_EQ(C->DragSource(), -1);
    EXPECT_EQ(C->GetPieceAt(Pos(14)), 1);
    Release(Centre(18));

    // An owner refusing every target stops every drop, in setup and in play.
    C->OnPositionDragOver = [](TCheckers*, TPosition, TPosition, bool& Accept) { Accept = false; };
    Carry(14, 18);
    EXPECT_EQ(Pointer(), Qt::ForbiddenCursor);
    Release(Centre(18));
    EXPECT_EQ(C->GetPieceAt(Pos(14)), 1);
    EXPECT_EQ(C->GetPieceAt(Pos(18)), -1);
    C->NewGame();
    Carry(9, 13);
    Release(Centre(13));
    EXPECT_EQ(C->History().Count(), 0);
}

TEST_F(DragTest, PressBesideASmallPieceClicksWithoutCarrying)
{
    C->SetPiecesBitmap(PlainPieces(20));
    C->NewGame();
    const QPoint corner = C->GetSquareRect(Pos(9)).topLeft() + QPoint(3, 3);
    Press(corner);
    Move(corner + QPoint(5, 0));
    Release(corner + QPoint(5, 0));
    EXPECT_TRUE(Events.empty());
    EXPECT_EQ(C->Selection(), TMovementPath{Pos(9)});
}

using TipTest = ViewTest;

TEST_F(TipTest, TipsAreAskedPerDarkSquareWhileHintsAreShown)
{
    std::vector<int> asked;
    C->OnPositionInfoTip = [&](TCheckers*, TPosition P, std::string& Tip) {
        asked.push_back(P);
        Tip = "square " + std::to_string(P + 1);
    };
    C->SetBoardMargins(10, 10, 10, 10);
    const auto hover = [this](QPoint P) {
        QHelpEvent event(QEvent::ToolTip, P, C->mapToGlobal(P));
        QCoreApplication::sendEvent(C, &event);
    };
    const QRect g = C->GridRect();
    const int s = C->SquareSize();
    const QPoint row0col1 = g.topLeft() + QPoint(s + s / 2, s / 2), row7col6 = g.topLeft() + QPoint(6 * s + 5, 7 * s + 5);
    hover(row0col1);
    EXPECT_TRUE(asked.empty());  // hints are off

    C->SetShowHint(true);
    hover(row0col1);
    EXPECT_EQ(asked, std::vector<int>{0});
    EXPECT_EQ(QToolTip::text(), "square 1");
    hover(g.topLeft() + QPoint(s / 2, s / 2));  // light
    hover(g.topLeft() + QPoint(-5, s + s / 2));  // margin
    hover(QPoint(2, 2));                         // beside the board
    EXPECT_EQ(asked, std::vector<int>{0});

    C->SetBoardAngle(180);
    hover(row7col6);
    hover(row0col1);  // now square 32
    EXPECT_EQ(asked, (std::vector<int>{0, 0, 31}));
}

}  // namespace
