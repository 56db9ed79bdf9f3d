// The board as assistive technology sees it, through Qt's accessibility API: the squares as
// named cells in number order, where they are on the screen, and what is told after a move.
#include <QAccessible>
#include <QAccessibleEvent>
#include <set>

#include "ControlTestSupport.h"
#include "control/CheckersAccessible.h"

QT_BEGIN_NAMESPACE
inline void PrintTo(const QString& S, std::ostream* Os) { *Os << '"' << S.toStdString() << '"'; }
QT_END_NAMESPACE

namespace velk::test {
namespace {

// What the board tells its listeners, recorded as the listeners would read it then.
struct TAccessLog {
    static inline std::set<int> Renamed;
    static inline std::vector<QString> Descriptions;
    static void Handler(QAccessibleEvent* Event)
    {
        QAccessibleInterface* iface = Event->accessibleInterface();
        if (!iface)
            return;
        if (Event->type() == QAccessible::NameChanged && iface->role() == QAccessible::Cell)
            Renamed.insert(iface->parent()->indexOfChild(iface));
        if (Event->type() == QAccessible::DescriptionChanged)
            Descriptions.push_back(iface->text(QAccessible::Description));
    }
};

class AccessTest : public ControlTest {
protected:
    void SetUp() override
    {
        ControlTest::SetUp();
        TCheckersAccessible::Tell = &TAccessLog::Handler;
        TAccessLog::Renamed.clear();
        TAccessLog::Descriptions.clear();
    }
    void TearDown() override
    {
        TCheckersAccessible::Tell = &QAccessible::updateAccessibility;
        ControlTest::TearDown();
    }
    QAccessibleInterface* Board() const { return QAccessible::queryAccessibleInterface(C.get()); }
    QString Name(int Square) const { return Board()->child(Square - 1)->text(QAccessible::Name); }
};

TEST_F(AccessTest, SquaresAreNamedCellsInNumberOrderAndAMoveIsAnnounced)
{
    StartGame();
    QAccessibleInterface* board = Board();
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(board->role(), QAccessible::Table);
    EXPECT_EQ(board->text(QAccessible::Name), "Board");
    EXPECT_EQ(board->text(QAccessible::Description), "Red to move.");
    ASSERT_EQ(board->childCount(), 32);
    for (int sq = 1; sq <= 32; ++sq) {
        QAccessibleInterface* cell = board->child(sq - 1);
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->role(), QAccessible::Cell);
        EXPECT_EQ(cell->parent(), board);
        EXPECT_EQ(board->indexOfChild(cell), sq - 1);
        EXPECT_EQ(board->child(sq - 1), cell) << "a cell keeps its interface";
        const char* piece = sq <= 12 ? "red man" : sq <= 20 ? "empty" : "white man";
        EXPECT_EQ(cell->text(QAccessible::Name), QString("square %1, %2").arg(sq).arg(piece));
    }

    TAccessLog::Renamed.clear();
    Click(11);
    Pump();
    EXPECT_EQ(Name(11), "square 11, red man, selected");
    EXPECT_TRUE(board->child(10)->state().selected);
    Click(15);
    ASSERT_TRUE(WaitRecords(1));
    Pump();
    EXPECT_EQ(Name(11), "square 11, empty");
    EXPECT_EQ(Name(15), "square 15, red man");
    EXPECT_FALSE(board->child(10)->state().selected);
    EXPECT_EQ(TAccessLog::Renamed, (std::set<int>{10, 14})) << "only the squares the move touched";
    ASSERT_FALSE(TAccessLog::Descriptions.empty());
    EXPECT_EQ(TAccessLog::Descriptions.back(), "Red played 11-15. White to move.");

    // A jump is written as one; taking it back announces the position shown again.
    Click(22);
    Click(18);
    ASSERT_TRUE(WaitRecords(2));
    Click(15);
    Click(22);
    ASSERT_TRUE(WaitRecords(3));
    Pump();
    EXPECT_EQ(TAccessLog::Descriptions.back(), "Red played 15x22. White to move.");
    EXPECT_EQ(Name(18), "square 18, empty");
    C->GoToPosition(1);
    Pump();
    EXPECT_EQ(TAccessLog::Descriptions.back(), "Red played 11-15. White to move.");
}

TEST_F(AccessTest, CellsLieOnTheirSquaresAsDrawnAndFollowTheBoardsRotation)
{
    StartGame();
    C->resize(400, 400);
    Pump();
    QAccessibleInterface* board = Board();
    const QRect area = board->rect();
    EXPECT_EQ(area, QRect(C->mapToGlobal(QPoint(0, 0)), C->size()));
    const QRect first = board->child(0)->rect();
    const QRect last = board->child(31)->rect();
    for (int i = 0; i < 32; ++i) {
        const QRect r = board->child(i)->rect();
        EXPECT_TRUE(area.contains(r)) << i;
        EXPECT_EQ(r.width(), C->SquareSize());
        EXPECT_EQ(board->childAt(r.center().x(), r.center().y()), board->child(i)) << i;
    }
    EXPECT_LT(first.top(), last.top()) << "square 1 is at the top unrotated";

    C->SetBoardAngle(180);
    Pump();
    EXPECT_EQ(board->child(0)->rect(), last);
    EXPECT_EQ(board->child(31)->rect(), first);

    // The keyboard's cursor is a cell's focus and is told.
    C->setFocus();
    C->SetKeyCursor(Pos(9));
    Pump();
    EXPECT_EQ(board->focusChild(), board->child(8));
    EXPECT_EQ(Name(9), "square 9, red man, cursor");
    EXPECT_TRUE(TAccessLog::Renamed.count(8));
}

}  // namespace
}  // namespace velk::test
