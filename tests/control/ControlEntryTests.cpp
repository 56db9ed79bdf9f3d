// Entering moves by clicking: the selection and its options, captures entered a jump at a time
// and how they are recorded, the order of a move's notifications, and setup mode.
#include "ControlTestSupport.h"

using namespace velk;
using namespace velk::test;

namespace {

// Black to move; the man on 6 must take twice, 6-15-24; the man on 1 could only step.
const std::string DOUBLE_JUMP = BoardText({{1, 'b'}, {6, 'b'}, {10, 'w'}, {19, 'w'}, {32, 'w'}});

class EntryTest : public ControlTest {
protected:
    // The double jump entered one landing square per click, Black having clicked 6 and 15.
    void FirstJumpByClicks(bool FullMovesOnly)
    {
        C->SetSelectionOptions(SelectionOption(soAutoPlayStep));
        C->SetRecordFullMovesOnly(FullMovesOnly);
        StartPosition(DOUBLE_JUMP, PLAYER_BLACK);
        int moves = 0;
        C->OnMoveBegin = [&](TGameBoardControl*) { ++moves; };
        Click(6);
        EXPECT_EQ(C->Selection(), Path({6}));
        EXPECT_EQ(moves, 0);  // nothing played yet
        Click(15);            // the first jump: the piece goes on from 15
        EXPECT_EQ(moves, 1);
        C->OnMoveBegin = nullptr;
        EXPECT_EQ(C->Selection(), Path({15}));
        EXPECT_EQ(C->Turn(), PLAYER_BLACK);
        EXPECT_EQ(C->GetPieceAt(Pos(10)), -1);
        EXPECT_EQ(C->GetMoveText(PLAYER_BLACK, 1), "06-15->");
    }
};

TEST_F(EntryTest, DefaultOptionsPlayAManWithOneMoveAtOnce)
{
    C->SetBoardAngle(180);  // the click finds the square under the pointer on a turned board
    StartGame();
    Click(12);  // 12-16 is the man's only move
    EXPECT_EQ(C->Turn(), PLAYER_WHITE);
    EXPECT_TRUE(C->Selection().empty());
    EXPECT_EQ(C->GetMoveText(PLAYER_BLACK, 1), "12-16");

    Click(22);  // two ways to go: the man is selected and waits
    EXPECT_EQ(C->Selection(), Path({22}));
    EXPECT_EQ(C->History().Count(), 1);
    EXPECT_EQ(C->GetPositionMark(Pos(22)), 1);  // selected
    EXPECT_EQ(C->GetPositionMark(Pos(18)), 2);  // continues the move
    EXPECT_EQ(C->GetPositionMark(Pos(19)), 0);
    Click(18);
    EXPECT_EQ(C->GetMoveText(PLAYER_WHITE, 1), "22-18");

    // A whole capture is completed and played from its first square.
    StartPosition(DOUBLE_JUMP, PLAYER_BLACK);
    EXPECT_FALSE(C->SelectPosition(Pos(1)));  // captures come first: this man cannot take
    Click(6);
    ASSERT_EQ(C->History().Count(), 1);
    EXPECT_EQ(C->History().Items(0).Path, Path({6, 15, 24}));
    EXPECT_EQ(C->BoardAsText(), BoardText({{1, 'b'}, {24, 'b'}, {32, 'w'}}));
}

TEST_F(EntryTest, ClickMeantForTheSquareAManJustReachedIsNotAnotherMove)
{
    // The computer answers before the player's second click, which was meant for the target
    // square and lands on the man that has just arrived there.
    StartGame();
    C->SetSearchDepth(1);
    C->SetComputerPlayer(1);
    C->OnComputerMove = [](TGameBoardControl*, int32_t& Index) { Index = 0; };
    Click(12);  // 12-16, its only move, played by the first click
    ASSERT_TRUE(WaitRecords(2));
    const std::string board = C->BoardAsText();
    Click(16);
    Pump();
    EXPECT_EQ(C->BoardAsText(), board);
    EXPECT_TRUE(C->Selection().empty());
    Click(16);  // only that one click is taken for an echo
    EXPECT_TRUE(C->BoardAsText() != board || C->Selection() == Path({16}));
}

TEST_F(EntryTest, OnlyAPressAndReleaseOnOneSquareIsAClick)
{
    StartGame();
    int clicks = 0;
    C->OnPositionClick = [&](TCheckers*, TPosition, bool&) { ++clicks; };
    const QPoint p12 = C->GetSquareRect(Pos(12)).center(), p16 = C->GetSquareRect(Pos(16)).center();
    QTest::mousePress(C.get(), Qt::LeftButton, Qt::NoModifier, p12);
    QTest::mouseRelease(C.get(), Qt::LeftButton, Qt::NoModifier, p16);
    QTest::mousePress(C.get(), Qt::RightButton, Qt::NoModifier, p12);
    QTest::mouseRelease(C.get(), Qt::RightButton, Qt::NoModifier, p12);
    // A press that starts a drag is no click, even when the piece is put back where it was.
    QTest::mousePress(C.get(), Qt::LeftButton, Qt::NoModifier, p12);
    QTest::mouseMove(C.get(), p12 + QPoint(4, 0));
    QTest::mouseRelease(C.get(), Qt::LeftButton, Qt::NoModifier, p12);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(C->Selection().empty());
    EXPECT_EQ(C->History().Count(), 0);

    // A handler that takes the click keeps the control from selecting.
    C->OnPositionClick = [&](TCheckers*, TPosition Square, bool& Handled) {
        EXPECT_EQ(Square, P12);
        Handled = ++clicks > 0;
    };
    Click(12);
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(C->History().Count(), 0);
}

TEST_F(EntryTest, PendingTurnIsRecordedOnlyWhenItEndsAndUndoDropsIt)
{
    FirstJumpByClicks(true);
    EXPECT_EQ(C->History().Count(), 0);
    EXPECT_EQ(C->CurrentMove().Path, Path({6, 15}));
    EXPECT_FALSE(C->CanSelect(Pos(1)));  // only the capturing man may go on

    Pump();
    int historyChanges = 0;  // the record's view drops the unfinished turn
    C->OnHistoryChange = [&](TGameBoardControl*) { ++historyChanges; };
    ASSERT_TRUE(C->Undo());  // back to the position before the turn, not one record back
    Pump();
    EXPECT_EQ(historyChanges, 1);
    EXPECT_EQ(C->BoardAsText(), DOUBLE_JUMP);
    EXPECT_TRUE(C->CurrentMove().IsEmpty());
    EXPECT_EQ(C->GetMoveText(PLAYER_BLACK, 1), "");
    EXPECT_FALSE(C->CanUndo());
    EXPECT_FALSE(C->Paused());

    for (const int square : {6, 15, 24})
        Click(square);
    ASSERT_EQ(C->History().Count(), 1);
    EXPECT_EQ(C->History().Items(0).Path, Path({6, 15, 24}));
    EXPECT_TRUE(C->History().Items(0).EndsTurn);
    EXPECT_TRUE(C->CurrentMove().IsEmpty());
    EXPECT_EQ(C->GetMoveText(PLAYER_BLACK, 1), "06-15-24");
    EXPECT_EQ(C->Turn(), PLAYER_WHITE);
    EXPECT_TRUE(C->Selection().empty());
}

TEST_F(EntryTest, JumpsEnteredOneAtATimeAreRecordedStepByStep)
{
    FirstJumpByClicks(false);
    ASSERT_EQ(C->History().Count(), 1);
    const TGameHistoryRec& first = C->History().Items(0);
    EXPECT_FALSE(first.EndsTurn);
    EXPECT_EQ(first.Path, Path({6, 15}));
    ASSERT_EQ(first.BoardState.Size(), 17);
    EXPECT_EQ(first.BoardState.Bytes()[13], 14);  // the capture goes on from square 15
    EXPECT_FALSE(C->HasMove(PLAYER_WHITE, 1));

    Click(24);
    ASSERT_EQ(C->History().Count(), 2);
    EXPECT_TRUE(C->History().Items(1).EndsTurn);
    EXPECT_EQ(C->GetMoveText(PLAYER_BLACK, 1), "06-15-24");
    EXPECT_EQ(C->MoveNumberOf(PLAYER_BLACK), 2);
    EXPECT_EQ(C->MoveNumberOf(PLAYER_WHITE), 1);
}

TEST_F(EntryTest, ComputerFinishesACaptureTheHumanBegan)
{
    FirstJumpByClicks(true);
    C->SetComputerPlayer(2);
    ASSERT_TRUE(WaitRecords(1));
    EXPECT_EQ(C->History().Items(0).Path, Path({6, 15, 24}));
    EXPECT_EQ(C->GetMoveText(PLAYER_BLACK, 1), "06-15-24");
    EXPECT_EQ(C->Turn(), PLAYER_WHITE);
}

TEST_F(EntryTest, WithoutOptionsACompleteMoveWaitsToBePlayed)
{
    C->SetSelectionOptions(0);
    StartPosition(DOUBLE_JUMP, PLAYER_BLACK);
    Click(6);
    Click(15);
    EXPECT_FALSE(C->IsSelectionComplete());
    EXPECT_TRUE(C->IsSelectionLegal());
    Click(24);
    EXPECT_EQ(C->Selection(), Path({6, 15, 24}));
    EXPECT_TRUE(C->IsSelectionComplete());
    EXPECT_EQ(C->History().Count(), 0);

    // Clicking the last selected square takes it back, one square per click.
    Click(24);
    EXPECT_EQ(C->Selection(), Path({6, 15}));
    Click(6);  // not the last one, and no move goes on with it either
    EXPECT_EQ(C->Selection(), Path({6, 15}));
    Click(15);
    Click(6);
    EXPECT_TRUE(C->Selection().empty());

    for (const int square : {6, 15, 24})
        Click(square);
    ASSERT_TRUE(C->PlaySelection());
    EXPECT_EQ(C->History().Count(), 1);
    EXPECT_TRUE(C->Selection().empty());
    EXPECT_FALSE(C->SelectMove(2));  // White has two moves, 32-27 and 32-28
    ASSERT_TRUE(C->SelectMove(1));   // shown as the selection
    ASSERT_EQ(C->Selection().size(), 2u);
    EXPECT_EQ(C->Selection()[0], Pos(32));
    EXPECT_TRUE(C->IsSelectionComplete());
}

TEST_F(EntryTest, KeyboardCursorFollowsTheTurnedBoardAndClicksWithSpaceOrEnter)
{
    StartGame();
    const auto press = [this](Qt::Key Key) { QTest::keyClick(C.get(), Key); };
    press(Qt::Key_Down);  // the first arrow shows the cursor
    ASSERT_GE(C->KeyCursor(), 0);
    const std::pair<Qt::Key, QPoint> steps[] = {
        {Qt::Key_Down, {0, 1}}, {Qt::Key_Right, {1, 0}}, {Qt::Key_Up, {0, -1}}, {Qt::Key_Left, {-1, 0}}};
    const auto cursorAt = [this] { return C->GetSquareRect(C->KeyCursor()).topLeft(); };
    for (const int angle : {0, 90, 180, 270}) {
        C->SetBoardAngle(angle);
        // Each arrow moves the cursor one square that way on the screen, whatever the angle.
        C->SetKeyCursor(Pos(11));
        for (const auto& [key, step] : steps) {
            const QPoint before = cursorAt();
            press(key);
            ASSERT_GE(C->KeyCursor(), 0) << angle;
            EXPECT_EQ(cursorAt(), before + step * C->SquareSize()) << angle << " key " << key;
        }
        // At the board's edges it stays where it is.
        const QRect grid = C->GridRect();
        for (const QPoint corner : {grid.topLeft(), grid.bottomRight() - QPoint(2, 2)}) {
            C->SetKeyCursor(C->PositionAt(corner.x(), corner.y()));
            const int cursor = C->KeyCursor();
            for (const auto& [key, step] : steps) {
                if (corner == grid.topLeft() ? step.x() + step.y() < 0 : step.x() + step.y() > 0) {
                    press(key);
                    EXPECT_EQ(C->KeyCursor(), cursor) << angle << " key " << key;
                }
            }
        }
    }
    C->SetKeyCursor(Pos(11));
    C->SetBoardAngle(0);
    press(Qt::Key_Space);  // 11 has two moves: it is selected
    EXPECT_EQ(C->Selection(), Path({11}));
    press(Qt::Key_Escape);
    EXPECT_TRUE(C->Selection().empty());
    press(Qt::Key_Space);
    C->SetKeyCursor(Pos(15));
    press(Qt::Key_Return);
    EXPECT_EQ(C->GetMoveText(PLAYER_BLACK, 1), "11-15");
    Click(22);  // the mouse hides the cursor
    EXPECT_EQ(C->KeyCursor(), -1);
}

TEST_F(EntryTest, LastMoveIsMarkedUntilTheNextAndFollowsTheRecord)
{
    C->SetHighlightLastMove(true);
    StartPosition(BoardText({{1, 'b'}, {6, 'b'}, {10, 'w'}, {19, 'w'}, {32, 'w'}}), PLAYER_BLACK);
    const auto marked = [this] {
        std::vector<int> squares;
        for (int square = 1; square <= 32; ++square)
            if (C->IsLastMovePosition(Pos(square)))
                squares.push_back(square);
        return squares;
    };
    EXPECT_TRUE(marked().empty());
    Click(6);  // 6-15-24, its start, the square between and the landing square
    EXPECT_EQ(marked(), (std::vector<int>{6, 15, 24}));
    ASSERT_TRUE(C->PlayPath(Path({32, 27})));
    EXPECT_EQ(marked(), (std::vector<int>{27, 32}));
    ASSERT_TRUE(C->Undo());
    Pump();
    EXPECT_EQ(marked(), (std::vector<int>{6, 15, 24}));  // the move that led to the shown position
    C->SetHighlightLastMove(false);
    EXPECT_TRUE(marked().empty());
}

TEST_F(EntryTest, OneHumanMoveNotifiesInOrder)
{
    StartGame();
    TEventLog log;
    log.Attach(*C);
    Click(12);
    // Clicks, move brackets and steps are reported while the move is made...
    const std::vector<std::string> direct{"Click 12", "MoveBegin", "Simple 12-16", "MoveEnd"};
    EXPECT_EQ(log.Events, direct);

    // ...the rest once the control's messages are handled, in the order they were posted: the
    // selection follows the piece, the board changes with the step and with the turn, the
    // record grows, the selection is cleared, and the side to move changes.
    Pump();
    std::vector<std::string> expected = direct;
    expected.insert(expected.end(), {"Selection", "Board", "History", "Selection", "Turn"});
    EXPECT_EQ(log.Folded(), expected);

    // A capture that crowns reports the jump, then the crowning.
    StartPosition(BoardText({{22, 'b'}, {26, 'w'}, {32, 'w'}}), PLAYER_BLACK);
    log.Events.clear();
    Click(22);
    EXPECT_EQ(log.Events,
              (std::vector<std::string>{"Click 22", "MoveBegin", "Attack 22x26-31", "Promote 31", "MoveEnd"}));
}

// ---------------------------------------------------------------------------------------------
// Setup mode

TEST_F(EntryTest, SetupClicksCycleASquareThroughEveryPiece)
{
    ASSERT_EQ(C->BoardMode(), gbmSetup);  // a new control composes positions
    TEventLog log;
    log.Attach(*C);
    for (const int kind : {0, 1, 2, 3, -1}) {
        Click(14);
        EXPECT_EQ(C->GetPieceAt(Pos(14)), kind);
    }
    EXPECT_EQ(C->BoardAsText(), std::string(32, ' '));

    // A light square is no square: nothing is reported, nothing changes.
    Pump();
    log.Events.clear();
    const QPoint light = C->GetSquareRect(0).center();
    QTest::mousePress(C.get(), Qt::LeftButton, Qt::NoModifier, light);
    QTest::mouseRelease(C.get(), Qt::LeftButton, Qt::NoModifier, light);
    C->SetPieceAt(0, 0);
    Pump();
    EXPECT_TRUE(log.Events.empty());
    EXPECT_EQ(C->BoardAsText(), std::string(32, ' '));

    // Only what a game can hold: a man on its crowning row is a king, twelve pieces a side.
    C->SetPieceAt(Pos(30), 0);
    C->SetPieceAt(Pos(2), 2);
    EXPECT_EQ(C->BoardAsText(), BoardText({{2, 'W'}, {30, 'B'}}));
    for (int square = 5; square <= 16; ++square)
        C->SetPieceAt(Pos(square), 0);
    EXPECT_EQ(C->GetPieceAt(Pos(16)), -1);  // a thirteenth
    C->SetPieceAt(Pos(15), 1);              // a piece replaced is no new one
    EXPECT_EQ(C->GetPieceAt(Pos(15)), 1);
    C->ClearBoard();

    // Edits are board changes, never turn changes; a kind out of range empties the square.
    C->SetPieceAt(Pos(5), 3);
    EXPECT_EQ(C->GetPieceAt(Pos(5)), 3);
    C->SetPieceAt(Pos(5), 7);
    Pump();
    EXPECT_EQ(C->GetPieceAt(Pos(5)), -1);
    EXPECT_GT(log.Count("Board"), 0);
    EXPECT_EQ(log.Count("Turn"), 0);
    EXPECT_TRUE(C->Modified());
}

}  // namespace
