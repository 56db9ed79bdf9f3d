// The main window's commands: the caption for every side and level, the level and memory
// dialogs, the setup palette with apply and revert, full screen, the toolbar, activation by
// another window, and the save query before New, Open and closing.
#include <QAccessible>
#include <QActionGroup>
#include <QDesktopServices>
#include <QDir>
#include <QDoubleSpinBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontDatabase>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextBrowser>
#include <QProgressBar>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QStyle>
#include <QTreeWidget>
#include <cstdio>

#include "AppTestSupport.h"
#include "EngineOutput.h"
#include "engine/EndgameBuilder.h"
#include "platform/MemoryStatus.h"

using namespace velk;
using namespace velk::test;

namespace {

constexpr uint32_t MB = 1u << 20;
const QString TITLE = "Velk Checkers - ";

// Answers the custom level dialog: checks what it shows, sets Depth, chooses Result.
std::function<int(QDialog&)> DepthAnswer(int Depth, int Result = mrOk, int Shows = -1)
{
    return [=](QDialog& Dialog) {
        QSpinBox& depth = *dynamic_cast<TSearchDepthDialog&>(Dialog).SearchDepth;
        if (Shows >= 0) {
            EXPECT_EQ(depth.value(), Shows);
        }
        depth.setValue(Depth);
        return Result;
    };
}

TEST_F(WindowTest, CaptionNamesTheSidesAndTheLevel)
{
    Trigger(TActionId::ControlPause);  // nobody starts thinking while the sides change
    const std::tuple<TActionId, bool, bool> sides[] = {{TActionId::ComputerPlaysNone, false, false},
                                                         {TActionId::ComputerPlaysWhite, false, true},
                                                         {TActionId::ComputerPlaysBlack, true, false},
                                                         {TActionId::ComputerPlaysBoth, true, true}};
    const std::pair<TActionId, QString> levels[] = {{TActionId::LevelEasy, "Computer (Easy)"},
                                                      {TActionId::LevelMedium, "Computer (Medium)"},
                                                      {TActionId::LevelDifficult, "Computer (Difficult)"},
                                                      {TActionId::LevelCustom, "Computer [7]"}};
    for (const auto& [level, label] : levels) {
        for (const auto& [side, red, white] : sides) {
            SCOPED_TRACE(ActionName(side) + " " + ActionName(level));
            if (level == TActionId::LevelCustom)
                Answer(DepthAnswer(7));
            Trigger(level);
            Trigger(side);
            EXPECT_EQ(ShownTitle(*W), TITLE + (red ? label : "Human") + " vs. " + (white ? label : "Human"));
            for (const auto& [other, _] : levels)
                EXPECT_EQ(Checked(other), other == level) << ActionName(other);
            for (const auto& [other, r, w] : sides)
                EXPECT_EQ(Checked(other), other == side) << ActionName(other);
        }
    }
    // A custom depth that is one of the levels is that level.
    Answer(DepthAnswer(12));
    Trigger(TActionId::LevelCustom);
    EXPECT_EQ(ShownTitle(*W), TITLE + "Computer (Difficult) vs. Computer (Difficult)");
    EXPECT_TRUE(Checked(TActionId::LevelDifficult));
    EXPECT_FALSE(Checked(TActionId::LevelCustom));

    Trigger(TActionId::GameSetupBoard);
    EXPECT_EQ(ShownTitle(*W), TITLE + "Board Setup");
}

TEST_F(WindowTest, TheOneHumanSidePlaysFromTheBottomAndTheAngleTurnsFromThere)
{
    // Red starts at the top of an unturned board.
    const auto redAtBottom = [&] {
        return Game().GetSquareRect(Game().SquareToPosition(P01)).top() >
               Game().GetSquareRect(Game().SquareToPosition(P32)).top();
    };
    Trigger(TActionId::ControlPause);
    Trigger(TActionId::ComputerPlaysWhite);
    EXPECT_TRUE(redAtBottom());
    Trigger(TActionId::ComputerPlaysBlack);
    EXPECT_FALSE(redAtBottom());
    Trigger(TActionId::Rotate180);  // turned on purpose, from where the player sits
    EXPECT_TRUE(redAtBottom());
    EXPECT_TRUE(Checked(TActionId::Rotate180));
    Trigger(TActionId::ComputerPlaysNone);  // two players: the choice alone
    EXPECT_TRUE(redAtBottom());
    Trigger(TActionId::Rotate000);
    EXPECT_FALSE(redAtBottom());
    Trigger(TActionId::ComputerPlaysWhite);
    EXPECT_TRUE(redAtBottom());
    EXPECT_EQ(W->BoardAngle(), 0);
}

TEST_F(WindowTest, ExpertThinksForItsTimeAndPlaysAtOnceWhenHurried)
{
    // The time dialog shows seconds and stores them only on OK.
    Answer([](QDialog& Dialog) {
        auto& dialog = dynamic_cast<TExpertMoveTimeDialog&>(Dialog);
        EXPECT_DOUBLE_EQ(dialog.Seconds->value(), 1.0);
        dialog.Seconds->setValue(60);
        return mrOk;
    });
    Trigger(TActionId::LevelExpertMoveTime);
    EXPECT_EQ(Game().ExpertMoveTime(), 60000u);

    Trigger(TActionId::LevelExpert);
    Game().SetUseOpeningBook(false);  // a book move would come at once
    Trigger(TActionId::ComputerPlaysWhite);
    EXPECT_TRUE(Checked(TActionId::LevelExpert));
    EXPECT_FALSE(Checked(TActionId::LevelMedium));
    EXPECT_EQ(ShownTitle(*W), TITLE + "Human vs. Computer (Expert)");
    Move(11, 15);
    ASSERT_TRUE(PumpUntil([&] { return Game().Thinking(); }));
    QElapsedTimer timer;
    timer.start();
    Trigger(TActionId::ComputerPlayNow);  // a minute to think, but it answers now
    ASSERT_TRUE(PumpUntil([&] { return Game().History().Count() == 2; }, 20000));
    // Far below the minute, with room for a sanitizer build on a busy machine.
    EXPECT_LT(timer.elapsed(), 5000);
    // The record keeps the time the move took, not the minute it was given.
    EXPECT_LT(Game().GetMoveTime(1, 1), 5000u);
    Trigger(TActionId::LevelMedium);
    EXPECT_FALSE(Game().Expert());
}

// The endgame tables are made in the background once the Expert level plays, not when it is
// merely chosen or given a side, and the dialog follows the build to its end; the book can be turned off.
TEST_F(WindowTest, EndgameTablesAreBuiltOnceExpertPlaysAndTheDialogFollowsTheBuild)
{
    TEndgameBuilder& builder = W->EndgameBuilder();
    Trigger(TActionId::LevelExpert);
    QTest::qWait(50);
    EXPECT_FALSE(builder.Running() || builder.Complete());
    EXPECT_TRUE(Checked(TActionId::LevelOpeningBook));
    Trigger(TActionId::LevelOpeningBook);
    EXPECT_FALSE(Game().UseOpeningBook());
    Trigger(TActionId::ComputerPlaysWhite);
    QTest::qWait(50);
    EXPECT_FALSE(builder.Running() || builder.Complete());
    Move(11, 15);
    ASSERT_TRUE(PumpUntil([&] { return builder.Complete(); }, 60000)) << builder.Error();
    EXPECT_TRUE(builder.Error().empty()) << builder.Error();
    Answer([](QDialog& Dialog) {
        EXPECT_EQ(Dialog.findChild<QLabel*>("Status")->text(), "The database is complete.");
        EXPECT_EQ(Dialog.findChild<QProgressBar*>("Progress")->value(), 1000);
        return mrOk;
    });
    Trigger(TActionId::ComputerEndgameDb);
}

TEST_F(WindowTest, LevelAndMemoryDialogsShowTheValueAndStoreItOnlyOnOk)
{
    Game().SetSearchDepth(8);
    Answer(DepthAnswer(3, mrCancel, 8));
    Trigger(TActionId::LevelCustom);
    EXPECT_EQ(Game().SearchDepth(), 8);
    Answer([](QDialog& Dialog) {
        QSpinBox& depth = *dynamic_cast<TSearchDepthDialog&>(Dialog).SearchDepth;
        EXPECT_EQ(depth.minimum(), 1);
        EXPECT_EQ(depth.maximum(), 64);
        depth.setValue(64);
        depth.stepBy(1);  // the arrows stop at the limit
        return mrOk;
    });
    Trigger(TActionId::LevelCustom);
    EXPECT_EQ(Game().SearchDepth(), 64);

    // A budget of 10.5 MB shows as 10; only OK stores whole megabytes.
    const uint32_t budget = 10 * MB + MB / 2;
    Game().SetMaxMemory(budget);
    Answer([](QDialog& Dialog) {
        QSpinBox& max = *dynamic_cast<TMemoryOptionsDialog&>(Dialog).Max;
        EXPECT_EQ(max.value(), 10);
        EXPECT_EQ(max.minimum(), 1);
        EXPECT_EQ(max.maximum(), static_cast<int>(TotalPhysicalMemory() >> 20));
        max.setValue(3);
        return mrCancel;
    });
    Trigger(TActionId::GameMemoryOptions);
    EXPECT_EQ(Game().MaxMemory(), budget);
    Answer(mrOk);
    Trigger(TActionId::GameMemoryOptions);
    EXPECT_EQ(Game().MaxMemory(), 10 * MB);
}

// ---------------------------------------------------------------------------------------------
// Setup mode

TEST_F(WindowTest, SetupPalettePlacesAndRemovesPiecesAndRevertGivesTheGameBack)
{
    Move(11, 15);
    const std::string played = Game().BoardAsText();
    Trigger(TActionId::GameSetupBoard);
    EXPECT_TRUE(W->BoardSetupBar().isVisible());
    EXPECT_FALSE(W->HistoryPanel().isVisible());
    EXPECT_TRUE(W->RevertButton().isVisible());
    EXPECT_FALSE(W->TimePanel().isVisible());
    EXPECT_EQ(W->StateLabel().text(), "");
    W->UpdateActions();
    EXPECT_FALSE(W->Action(TActionId::GameSetupBoard)->isEnabled());
    EXPECT_FALSE(W->Action(TActionId::HistoryShow)->isEnabled());
    EXPECT_TRUE(W->PaletteButton("btnWhiteTurn")->isChecked());  // White was to move

    W->PaletteButton("btnClearBoard")->click();
    EXPECT_EQ(Game().BoardAsText(), std::string(32, ' '));
    EXPECT_TRUE(W->PaletteButton("btnBlackTurn")->isChecked());
    // A piece goes on; the same piece again takes it off; another piece replaces it.
    PieceButton('B')->click();
    Click(14);
    EXPECT_EQ(Game().BoardAsText(), BoardText({{14, 'B'}}));
    Click(14);
    EXPECT_EQ(Game().BoardAsText(), std::string(32, ' '));
    Click(14);
    PieceButton('w')->click();
    EXPECT_FALSE(PieceButton('B')->isChecked());
    Click(14);
    EXPECT_EQ(Game().BoardAsText(), BoardText({{14, 'w'}}));
    // With no palette button down a click empties the square, and an empty square stays empty.
    PieceButton('w')->click();
    Click(14);
    Click(14);
    EXPECT_EQ(Game().BoardAsText(), std::string(32, ' '));

    W->RevertButton().click();
    Pump();
    EXPECT_EQ(Game().BoardMode(), gbmPlay);
    EXPECT_FALSE(W->HasSetupBackup());
    EXPECT_EQ(Game().BoardAsText(), played);
    EXPECT_EQ(Game().GetMoveText(2, 1), "11-15");
    EXPECT_EQ(W->HistoryList().topLevelItemCount(), 1);
    EXPECT_TRUE(Game().Modified());  // still unsaved: New must still ask
    EXPECT_TRUE(W->HistoryPanel().isVisible());
    EXPECT_FALSE(W->BoardSetupBar().isVisible());
    EXPECT_EQ(W->StateLabel().text(), "White player's turn...");

    // Apply plays the composed position, with the side chosen in the palette.
    SetUpPosition({{3, 'b'}, {14, 'B'}, {19, 'W'}, {30, 'w'}}, 1);
    EXPECT_FALSE(W->HasSetupBackup());
    EXPECT_EQ(Game().Turn(), 1);
    EXPECT_EQ(W->HistoryList().topLevelItemCount(), 0);
    EXPECT_TRUE(W->TimePanel().isVisible());
    EXPECT_EQ(ShownTitle(*W), "Velk Checkers* - Human vs. Human");  // a new game, not saved yet
    EXPECT_EQ(W->StateLabel().text(), "White player's turn...");
}

TEST_F(WindowTest, SetupEnteredByTheBoardItselfCannotBeReverted)
{
    // A game file whose start position has nobody to move opens in setup mode.
    const QString name = FilePath("nobody.ckr");
    Game().SaveToFile(name.toStdString(), "Velk Checkers");
    TMemoryStream record;
    Game().SaveToStream(record);
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.seek(file.size() - static_cast<qint64>(record.Bytes().size())));
    ASSERT_EQ(file.write("\0", 1), 1);  // the start board's side to move
    file.close();

    FileAnswer = name;
    Trigger(TActionId::GameOpen);
    ASSERT_EQ(Game().BoardMode(), gbmSetup);
    EXPECT_TRUE(W->SetupCommands().isVisible());
    EXPECT_FALSE(W->RevertButton().isVisible());
    EXPECT_EQ(ShownTitle(*W), "nobody.ckr - " + TITLE + "Board Setup");
}

// ---------------------------------------------------------------------------------------------
// Layout and activation

TEST_F(WindowTest, FullScreenShowsTheBoardAloneUntilEscape)
{
    Trigger(TActionId::BoardSizeSmall);
    const QSize windowSize = W->size();
    Trigger(TActionId::ViewFullScreen);
    ASSERT_TRUE(W->FullScreen());
    EXPECT_EQ(W->FullScreenWindow(), &Game());
    EXPECT_TRUE(Game().isWindow());
    ASSERT_TRUE(PumpUntil([&] { return Game().geometry() == W->screen()->geometry(); }));
    const int fullSquare = Game().SquareSize();
    EXPECT_GT(fullSquare, 45);  // the squares fit the screen

    // F11 and the command again change nothing.
    QTest::keyClick(&Game(), Qt::Key_F11);
    Trigger(TActionId::ViewFullScreen);
    EXPECT_TRUE(W->FullScreen());
    EXPECT_EQ(Game().SquareSize(), fullSquare);

    QTest::keyClick(&Game(), Qt::Key_Escape);
    Pump();
    EXPECT_FALSE(W->FullScreen());
    EXPECT_EQ(Game().window(), W.get());
    EXPECT_TRUE(Game().isVisible());
    EXPECT_EQ(Game().SquareSize(), 45);
    EXPECT_EQ(W->size(), windowSize);
    EXPECT_TRUE(QTest::qWaitForWindowActive(W.get(), 2000));  // the keyboard is back

    // Closing in full screen saves the square size from before it.
    Trigger(TActionId::ViewFullScreen);
    ASSERT_TRUE(PumpUntil([&] { return Game().SquareSize() != 45; }));
    EXPECT_TRUE(W->close());
    EXPECT_FALSE(W->FullScreen());
    EXPECT_EQ(Sounds->Stops, 1);
    EXPECT_EQ(QSettings(FilePath("settings.ini"), QSettings::IniFormat).value("Board Square Size").toInt(), 45);
}

TEST_F(WindowTest, FullScreenTurnAndClockStandBesideTheBoardAndTheSquaresComeBack)
{
    Trigger(TActionId::BoardSizeSmall);
    const QSize windowSize = W->size();
    Trigger(TActionId::ViewFullScreen);
    ASSERT_TRUE(PumpUntil([&] { return Game().geometry() == W->screen()->geometry(); }));
    auto* status = Game().findChild<QLabel*>("FullScreenStatus");
    auto* icon = Game().findChild<QLabel*>("TurnIcon");
    ASSERT_TRUE(status && icon);
    // Screens in logical pixels: 1280 x 1024, 1920 x 1080 at twice the density, a narrow one.
    for (const QSize screen : {QSize(1280, 1024), QSize(960, 540), QSize(600, 800), QSize(1920, 1080)}) {
        Game().resize(screen);
        Pump();
        ASSERT_EQ(Game().size(), screen);
        const QRect board = Game().BoardRect();
        EXPECT_TRUE(status->isVisible());
        EXPECT_FALSE(status->text().isEmpty());
        EXPECT_FALSE(status->geometry().intersects(board)) << screen.width() << "x" << screen.height();
        EXPECT_FALSE(icon->geometry().intersects(board)) << screen.width() << "x" << screen.height();
        EXPECT_TRUE(Game().rect().contains(status->geometry()) && Game().rect().contains(board));
        // The whole status shows, and the board gives up no more than a line of it.
        EXPECT_GE(status->height(), status->heightForWidth(status->width()));
        EXPECT_GE(Game().SquareSize(), Game().CalcSquareSize(screen.width(), screen.height() - icon->height() - 8));
    }
    EXPECT_EQ(Game().SquareSize(), Game().CalcSquareSize(1920, 1080));  // wide: nothing given up

    // A board size chosen in full screen, or the window changed meanwhile, comes back on leaving.
    W->resize(W->size() + QSize(200, 200));
    Trigger(TActionId::BoardSizeLarge);
    QTest::keyClick(&Game(), Qt::Key_Escape);
    Pump();
    EXPECT_EQ(Game().SquareSize(), 75);
    EXPECT_EQ(Game().ReservedMargins(), QMargins());
    Trigger(TActionId::BoardSizeSmall);
    EXPECT_EQ(W->size(), windowSize);
    Trigger(TActionId::ViewFullScreen);
    W->resize(W->size() + QSize(200, 200));
    Trigger(TActionId::ViewFullScreen);
    QTest::keyClick(&Game(), Qt::Key_Escape);
    Pump();
    EXPECT_EQ(Game().SquareSize(), 45);
    EXPECT_EQ(W->size(), windowSize);
}

TEST_F(WindowTest, LongCapturesStatusAndDialogTitlesShowWhole)
{
    // A king takes four men; with its time in front the move is wider than its column.
    SetUpPosition({{29, 'W'}, {30, 'w'}, {25, 'b'}, {18, 'b'}, {19, 'b'}, {27, 'b'}, {1, 'b'}}, 1);
    for (const int square : {29, 22, 15, 24, 31})
        Click(square);
    QTreeWidget& list = W->HistoryList();
    ASSERT_EQ(list.topLevelItemCount(), 1);
    const int column = list.topLevelItem(0)->text(1).endsWith("29-22-15-24-31") ? 1 : 2;
    for (const TActionId size : {TActionId::BoardSizeSmall, TActionId::BoardSizeLarge}) {
        Trigger(size);
        for (const bool times : {true, false}) {
            if (W->Action(TActionId::HistoryShowTimes)->isChecked() != times)
                Trigger(TActionId::HistoryShowTimes);
            Pump();
            const QModelIndex cell = list.model()->index(0, column);
            const QString text = cell.data().toString();
            ASSERT_TRUE(text.endsWith("29-22-15-24-31")) << text.toStdString();
            // As many lines as the move needs at the cell's width.
            const QRect rect = list.visualRect(cell);
            const int margin = list.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &list) + 1;
            const int width = rect.width() - 2 * margin;
            const int lines = (list.fontMetrics().horizontalAdvance(text) + width - 1) / width;
            EXPECT_GE(rect.height(), lines * list.fontMetrics().height())
                << text.toStdString() << " in " << width << " pixels";
        }
    }

    // A narrow window keeps a small board and the whole status beside the move list.
    Trigger(TActionId::ControlPause);
    W->resize(450, W->height());
    Pump();
    EXPECT_GE(Game().SquareSize(), SQUARE_SMALL);
    const QLabel& status = W->StateLabel();
    EXPECT_EQ(status.text(), "Red player's turn (paused)...");
    EXPECT_GE(status.contentsRect().width(), status.fontMetrics().horizontalAdvance(status.text()));
    EXPECT_LE(status.geometry().right(), W->TimePanel().geometry().left());
    EXPECT_LE(W->TimePanel().geometry().right(), W->TimePanel().parentWidget()->contentsRect().right());
    Trigger(TActionId::ControlResume);

    // Dialog titles fit a bold title font a quarter larger, beside an icon and three buttons.
    TGameFinishDialog finish(W.get(), 2, 1);
    TSaveQueryDialog query(W.get());
    for (QDialog* dialog : std::initializer_list<QDialog*>{&finish, &query}) {
        FitDialog(*dialog);
        QFont font = QFontDatabase::systemFont(QFontDatabase::TitleFont);
        font.setBold(true);
        const QFontMetrics metrics(font);
        EXPECT_GE(dialog->width(), metrics.horizontalAdvance(dialog->windowTitle()) * 5 / 4 + 6 * metrics.height())
            << dialog->windowTitle().toStdString();
        EXPECT_FALSE(dialog->windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
        EXPECT_TRUE(dialog->windowFlags() & Qt::CustomizeWindowHint);
    }
}

// Counts the times a window's title or its modified mark is set.
class TTitleCounter : public QObject {
public:
    int Count = 0;
    bool eventFilter(QObject*, QEvent* Event) override
    {
        if (Event->type() == QEvent::ModifiedChange || Event->type() == QEvent::WindowTitleChange)
            ++Count;
        return false;
    }
};

TEST_F(WindowTest, IdleTimeSetsNoTitleAgain)
{
    // A title set is answered by the window manager: set again at each idle moment, the program
    // and the window manager would keep each other busy for ever.
    Move(11, 15);
    Trigger(TActionId::ViewFullScreen);
    ASSERT_TRUE(W->FullScreen());
    W->UpdateActions();  // the full-screen board's mark
    Pump();
    TTitleCounter counter;
    W->installEventFilter(&counter);
    Game().installEventFilter(&counter);
    for (int i = 0; i < 3; ++i) {
        W->UpdateActions();
        Pump();
    }
    EXPECT_EQ(counter.Count, 0);
    EXPECT_TRUE(W->isWindowModified());
    EXPECT_TRUE(Game().isWindowModified());
    QTest::keyClick(&Game(), Qt::Key_Escape);
    Pump();
}

TEST_F(WindowTest, SquaresFollowTheWindowAndBoardSizesSetThemAgain)
{
    ASSERT_EQ(Game().SquareSize(), 60);
    const QSize opened = W->size();
    W->resize(opened + QSize(240, 160));
    Pump();
    EXPECT_EQ(Game().SquareSize(), 80);  // the height decides: 160 more pixels, 20 more a square
    EXPECT_EQ(W->HistoryPanel().geometry().right(), W->width() - 1);  // the move list stays at the right
    EXPECT_GE(W->HistoryPanel().geometry().left(), Game().mapTo(W.get(), QPoint(0, 0)).x() + 8 * 80);
    W->resize(opened - QSize(0, 80));
    Pump();
    EXPECT_EQ(Game().SquareSize(), 50);
    Trigger(TActionId::BoardSizeLarge);
    EXPECT_EQ(Game().SquareSize(), 75);
    EXPECT_TRUE(Checked(TActionId::BoardSizeLarge));
    Trigger(TActionId::BoardSizeMedium);
    EXPECT_EQ(W->size(), opened);
    EXPECT_EQ(Game().SquareSize(), 60);
}

TEST_F(WindowTest, HidingTheToolbarOrTheHistoryShrinksTheWindow)
{
    const QSize size = W->size();
    Trigger(TActionId::ViewToolbar);
    EXPECT_TRUE(W->Toolbar().isHidden());
    EXPECT_FALSE(Checked(TActionId::ViewToolbar));
    EXPECT_EQ(W->height(), size.height() - W->Toolbar().height() - 1);
    Trigger(TActionId::ViewToolbar);
    EXPECT_EQ(W->size(), size);

    Trigger(TActionId::HistoryShow);
    EXPECT_FALSE(W->HistoryPanel().isVisible());
    EXPECT_LT(W->width(), size.width());
    Trigger(TActionId::HistoryShow);
    EXPECT_EQ(W->size(), size);
}

TEST_F(WindowTest, AnotherWindowBecomingActivePausesTheGameUntilTheWindowIsBack)
{
    QWidget other;
    other.show();
    auto activate = [](QWidget& Window) {
        Window.activateWindow();
        const bool active = QTest::qWaitForWindowActive(&Window);
        Pump();
        return active;
    };
    ASSERT_TRUE(activate(*W));
    ASSERT_TRUE(activate(other));
    EXPECT_TRUE(Game().Paused());
    EXPECT_TRUE(W->PausedByShell());
    ASSERT_TRUE(activate(*W));
    EXPECT_FALSE(Game().Paused());

    // A game the player paused stays paused.
    Trigger(TActionId::ControlPause);
    ASSERT_TRUE(activate(other));
    EXPECT_FALSE(W->PausedByShell());
    ASSERT_TRUE(activate(*W));
    EXPECT_TRUE(Game().Paused());

    // Full screen ends, and the other window keeps the keyboard.
    Trigger(TActionId::ControlResume);
    Trigger(TActionId::ViewFullScreen);
    ASSERT_TRUE(W->FullScreen());
    ASSERT_TRUE(activate(other));
    QTest::qWait(50);
    EXPECT_FALSE(W->FullScreen());
    EXPECT_EQ(Game().window(), W.get());
    EXPECT_TRUE(other.isActiveWindow());
    EXPECT_TRUE(W->PausedByShell());
}

// ---------------------------------------------------------------------------------------------
// Commands that follow the game's state

TEST_F(WindowTest, CommandsAreEnabledByTheStateOfTheGame)
{
    using enum TActionId;
    const std::vector<TActionId> names = {ControlPause,   ControlResume,   ComputerSuggest, ComputerPlayNow,
                                          HistoryFirst,   HistoryBackward, HistoryFoward,   HistoryLast,
                                          GameSetupBoard, HistoryShow};
    const auto enabled = [&] {
        W->UpdateActions();
        std::string states;
        for (const TActionId name : names)
            states += W->Action(name)->isEnabled() ? '1' : '0';
        return states;
    };
    const auto playButton = [&] {
        W->UpdateActions();
        return StripButton(W->SuggestionCommands(), "Play Selection")->isEnabled();
    };

    Move(11, 15);
    Move(21, 17);
    Trigger(TActionId::ComputerSuggest);  // the human to move, two moves behind
    EXPECT_EQ(enabled(), "1010110011") << "playing";
    EXPECT_TRUE(playButton());
    Trigger(TActionId::ControlPause);
    EXPECT_EQ(enabled(), "0100110011") << "paused";
    EXPECT_FALSE(playButton());  // the suggestion waits for the game to resume
    Trigger(TActionId::ControlResume);
    Trigger(TActionId::HistoryBackward);
    EXPECT_EQ(enabled(), "1010111111") << "browsing back, two players";

    Trigger(TActionId::HistoryLast);
    Game().SetSearchDepth(30);
    Trigger(TActionId::ComputerPlaysBlack);  // Red to move: the computer thinks
    ASSERT_TRUE(PumpUntil([&] { return Game().Thinking(); }));
    EXPECT_EQ(enabled(), "1001110011") << "thinking";
    Trigger(TActionId::HistoryBackward);
    Trigger(TActionId::HistoryBackward);  // the computer's turn back in the record: paused
    ASSERT_TRUE(Game().AutoPaused());
    EXPECT_EQ(enabled(), "0100001111") << "browsing back, the computer to move";
    Trigger(TActionId::ComputerPlaysNone);
    Trigger(TActionId::HistoryLast);

    SetUpPosition({{32, 'w'}}, 2);  // Red to move has nothing left
    EXPECT_EQ(enabled(), "0000000011") << "game over";
    // Paused by the player, then shown at its end: a game that is over has nothing to resume.
    Answer(mrNo);
    SetUpPosition({{22, 'b'}, {26, 'w'}}, 2);
    Click(22);  // 22x31 takes White's last man
    ASSERT_TRUE(WaitFinishDialogs(1));
    Trigger(TActionId::HistoryBackward);
    Trigger(TActionId::ControlPause);
    Trigger(TActionId::HistoryLast);
    ASSERT_TRUE(Game().Paused() && Game().IsGameOver());
    EXPECT_EQ(enabled(), "0000110011") << "over and paused";
    Trigger(TActionId::GameSetupBoard);
    EXPECT_EQ(enabled(), "0000000000") << "setup";
    StripButton(W->SetupCommands(), "Revert Changes")->click();
    Pump();
}

// ---------------------------------------------------------------------------------------------
// What a desktop shows of the window

// Records the addresses the program asks the desktop to open.
class TUrlRecorder : public QObject {
    Q_OBJECT
public:
    std::vector<std::string> Opened;
public slots:
    void Open(const QUrl& Url) { Opened.push_back(Url.toString().toStdString()); }
};

TEST_F(WindowTest, AboutLinkOpensThePageAndErrorsAndMenusLookAsDesktopsExpect)
{
    // The About box keeps its width; its link opens the program's own handbook, no web page, and
    // leaves the box open.
    TUrlRecorder recorder;
    QDesktopServices::setUrlHandler("https", &recorder, "Open");
    TAboutDialog about(W.get());
    FitDialog(about);
    EXPECT_EQ(about.width(), 510);
    about.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&about));
    const QPoint link(about.HomePage->fontMetrics().averageCharWidth() * 3, about.HomePage->height() / 2);
    QTest::mouseClick(about.HomePage, Qt::LeftButton, Qt::NoModifier, link);
    Pump();
    QDesktopServices::unsetUrlHandler("https");
    EXPECT_TRUE(recorder.Opened.empty());
    auto* handbook = about.findChild<QDialog*>("Handbook");
    ASSERT_NE(handbook, nullptr);
    EXPECT_TRUE(handbook->isVisible());
    EXPECT_TRUE(handbook->findChild<QTextBrowser*>()->toPlainText().contains("The rules"));
    handbook->close();
    EXPECT_TRUE(about.isVisible());
    QTest::mouseClick(&about, Qt::LeftButton, Qt::NoModifier, QPoint(5, 5));
    EXPECT_FALSE(about.isVisible());

    // Error messages stand over the window; exclusive choices show radio marks.
    EXPECT_EQ(ErrorMessageBox("x")->parentWidget(), W.get());
    using enum TActionId;
    for (const TActionId id : {ComputerPlaysNone, LevelCustom, BoardSizeSmall, Rotate270}) {
        const QActionGroup* group = W->Action(id)->actionGroup();
        ASSERT_NE(group, nullptr) << ActionName(id);
        EXPECT_TRUE(group->isExclusive()) << ActionName(id);
    }
}

// F1 opens the handbook the program carries, written once in the README: the rules, the keys,
// the engine tool and the settings file are all in it, and the rules command shows the rules.
TEST_F(WindowTest, HandbookOpensOfflineAtTheRules)
{
    EXPECT_EQ(W->Action(TActionId::HelpHandbook)->shortcut(), QKeySequence(Qt::Key_F1));
    Trigger(TActionId::HelpRules);
    auto* handbook = W->findChild<QDialog*>("Handbook");
    ASSERT_NE(handbook, nullptr);
    EXPECT_TRUE(handbook->isVisible());
    auto* text = handbook->findChild<QTextBrowser*>();
    for (const char* part : {"The rules", "Ctrl+E", "velk-checkers-engine", "Velk Checkers.ini", "Declare Draws"})
        EXPECT_TRUE(text->toPlainText().contains(part)) << part;
    EXPECT_TRUE(text->textCursor().block().text().startsWith("The rules"));
    EXPECT_FALSE(text->toPlainText().contains("<!--"));
    handbook->close();
}

TEST_F(WindowTest, StatusStripSaysWhenPausedAndShowsTheWholeClockWhileThinking)
{
    Trigger(TActionId::ControlPause);
    EXPECT_EQ(W->StateLabel().text(), "Red player's turn (paused)...");
    Trigger(TActionId::ControlResume);
    EXPECT_EQ(W->StateLabel().text(), "Red player's turn...");

    Game().SetSearchDepth(30);
    Trigger(TActionId::ComputerPlaysBlack);
    ASSERT_TRUE(PumpUntil([&] { return Game().Thinking(); }));
    W->TimerTick();  // the thinking picture appears
    Pump();
    const QLabel& clock = W->ElapsedTime();
    EXPECT_GE(clock.contentsRect().width(), clock.fontMetrics().horizontalAdvance("000:00"));
    const QRect panel = W->TimePanel().geometry();
    EXPECT_LE(panel.right(), W->TimePanel().parentWidget()->contentsRect().right());
    EXPECT_GE(panel.left(), W->StateLabel().geometry().left());
    Trigger(TActionId::ComputerPlaysNone);
}

// ---------------------------------------------------------------------------------------------
// The save query

TEST_F(WindowTest, SaveQueryBeforeNewSavesDiscardsOrKeepsTheGame)
{
    Move(11, 15);
    Answer(mrCancel);
    Trigger(TActionId::GameNew);
    EXPECT_EQ(Game().History().Count(), 1);
    EXPECT_TRUE(Game().Modified());
    EXPECT_TRUE(FileRequests.empty());

    // Yes, but the save dialog is cancelled: still unsaved, still on the board.
    Answer(mrYes);
    Trigger(TActionId::GameNew);
    EXPECT_EQ(FileRequests, std::vector<bool>{true});
    EXPECT_EQ(Game().History().Count(), 1);

    Answer(mrYes);
    FileAnswer = FilePath("saved.ckr");
    Trigger(TActionId::GameNew);
    EXPECT_TRUE(QFile::exists(FileAnswer));
    EXPECT_EQ(Game().BoardAsText(), START_TEXT);
    EXPECT_EQ(Game().History().Count(), 0);

    Move(11, 16);
    Answer(mrNo);
    Trigger(TActionId::GameNew);
    EXPECT_EQ(FileRequests.size(), 2u);
    EXPECT_EQ(Game().History().Count(), 0);
    Trigger(TActionId::GameNew);  // an unmodified game is not asked about
    EXPECT_EQ(Shown.size(), 4u);
}

TEST_F(WindowTest, SaveQueryBeforeOpenSavesDiscardsOrKeepsTheGame)
{
    Move(11, 15);
    const QString saved = FilePath("first.ckr");
    Game().SaveToFile(saved.toStdString(), "Velk Checkers");
    Move(22, 18);
    Answer(mrCancel);
    Trigger(TActionId::GameOpen);
    EXPECT_TRUE(FileRequests.empty());
    EXPECT_EQ(Game().History().Count(), 2);

    // No, and then the open dialog is cancelled: the game is still unsaved, and asked about.
    Answer(mrNo);
    Trigger(TActionId::GameOpen);
    EXPECT_EQ(FileRequests, std::vector<bool>{false});
    EXPECT_TRUE(Game().Modified());
    EXPECT_EQ(Game().History().Count(), 2);

    Answer(mrNo);
    FileAnswer = saved;
    Trigger(TActionId::GameOpen);
    EXPECT_EQ(FileRequests, (std::vector<bool>{false, false}));
    EXPECT_EQ(Game().History().Count(), 1);
    EXPECT_FALSE(Game().Modified());
    EXPECT_FALSE(Game().Paused());  // Open resumes the game it paused
    EXPECT_EQ(W->HistoryList().topLevelItemCount(), 1);

    // A file of another kind is refused with a message; the game stays as it was.
    QFile other(FilePath("other.ckr"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly) && other.write("not a game") > 0);
    other.close();
    FileAnswer = other.fileName();
    Trigger(TActionId::GameOpen);
    EXPECT_EQ(Messages, std::vector<std::string>{"Invalid Velk Checkers File"});
    Messages.clear();
    EXPECT_EQ(Game().History().Count(), 1);
    EXPECT_FALSE(Game().Paused());

    // Yes saves first, to the file the game came from without asking, then opens.
    Move(22, 18);
    Answer(mrYes);
    FileAnswer = saved;
    Trigger(TActionId::GameOpen);
    EXPECT_EQ(FileRequests, (std::vector<bool>{false, false, false, false}));
    EXPECT_EQ(Game().GetMoveText(1, 1), "22-18");
}

TEST_F(WindowTest, SaveWritesTheGamesOwnFileSaveAsAsksAndTheTitleNamesTheFile)
{
    // A new game has no file: Save asks, starting in the documents folder with a name proposed.
    Move(11, 15);
    FileAnswer = FilePath("first.ckr");
    Trigger(TActionId::GameSave);
    ASSERT_EQ(FileRequests, std::vector<bool>{true});
    EXPECT_EQ(QFileInfo(FileProposals.back()).absolutePath(),
              QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
    EXPECT_TRUE(FileProposals.back().endsWith(".ckr"));
    EXPECT_EQ(ShownTitle(*W), "first.ckr - " + TITLE + "Human vs. Human");

    // Once it has one, Save writes it without asking; Save As asks, proposing it.
    Move(22, 18);
    Trigger(TActionId::GameSave);
    EXPECT_EQ(FileRequests.size(), 1u);
    EXPECT_FALSE(Game().Modified());
    FileAnswer = FilePath("second.ckr");
    Trigger(TActionId::GameSaveAs);
    EXPECT_EQ(FileProposals.back(), FilePath("first.ckr"));
    EXPECT_TRUE(QFile::exists(FilePath("second.ckr")));
    EXPECT_EQ(W->GameFileName(), FilePath("second.ckr"));

    // Open starts in the last game's folder; a new game has no file again.
    FileAnswer = FilePath("first.ckr");
    Trigger(TActionId::GameOpen);
    EXPECT_EQ(FileProposals.back(), Dir.path());
    EXPECT_EQ(Game().History().Count(), 2);  // saved with the second move, without a dialog
    EXPECT_EQ(ShownTitle(*W), "first.ckr - " + TITLE + "Human vs. Human");
    Trigger(TActionId::GameNew);
    EXPECT_EQ(ShownTitle(*W), TITLE + "Human vs. Human");
    EXPECT_TRUE(W->GameFileName().isEmpty());
}

// A fresh home may have no documents folder: Save then proposes a name in the home folder, one
// that can be saved.
TEST_F(WindowTest, SaveProposesTheHomeFolderWhileThereIsNoDocumentsFolder)
{
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    ASSERT_TRUE(QDir(documents).exists());
    ASSERT_TRUE(QDir().rmdir(documents));
    Move(11, 15);
    Trigger(TActionId::GameSaveAs);
    ASSERT_TRUE(QDir().mkdir(documents));
    Trigger(TActionId::GameSaveAs);
    ASSERT_EQ(FileProposals.size(), 2u);
    EXPECT_EQ(QFileInfo(FileProposals[0]).absolutePath(), QDir::homePath());
    EXPECT_EQ(QFileInfo(FileProposals[1]).absolutePath(), documents);
}

// A game named on the command line is opened by the name's bytes, also when they are not
// UTF-8, which Qt cannot spell; such a game asks for a name when saved rather than saving
// under another one.
TEST_F(WindowTest, GameNamedOnTheCommandLineOpensWhateverTheNamesEncoding)
{
    Move(11, 15);
    const QByteArray folder = QFile::encodeName(Dir.path());
    for (const QByteArray& name : {folder + "/caf\xc3\xa9.ckr", folder + "/caf\xe9.ckr", folder + "/caf\xe9.pdn"}) {
        SCOPED_TRACE(name.toStdString());
        if (name.endsWith(".pdn")) {
            std::FILE* pdn = std::fopen(name.constData(), "wb");
            ASSERT_NE(pdn, nullptr);
            std::fputs("1. 11-15 *\n", pdn);
            std::fclose(pdn);
        } else {
            Game().SaveToFile(name.toStdString(), "Velk Checkers");
        }
        const auto window = MakeWindow();
        window->Game().SetComputerPlayer(0);
        window->show();
        window->StartGame({name});
        Pump();
        EXPECT_EQ(window->Game().History().Count(), 1);
        const bool spelt = QFile::encodeName(QFile::decodeName(name)) == name;
        EXPECT_EQ(spelt, name.contains("\xc3\xa9"));  // the others are no UTF-8 at all
        EXPECT_EQ(window->GameFileName(), spelt ? QFile::decodeName(name) : QString());
    }
}

TEST_F(WindowTest, SaveQueryOnCloseCancelKeepsTheWindowOpenNoClosesYesSaves)
{
    Move(11, 15);
    Answer(mrCancel);
    EXPECT_FALSE(W->close());
    EXPECT_TRUE(W->isVisible());
    EXPECT_EQ(Game().History().Count(), 1);
    EXPECT_FALSE(QFile::exists(FilePath("settings.ini")));  // nothing of the closing ran

    Answer(mrYes);
    FileAnswer = FilePath("closing.ckr");
    EXPECT_TRUE(W->close());
    EXPECT_TRUE(QFile::exists(FileAnswer));
    EXPECT_TRUE(QFile::exists(FilePath("settings.ini")));

    W = MakeWindow();
    W->Game().SetComputerPlayer(0);
    W->show();
    W->StartGame({});
    Pump();
    Move(11, 15);
    Answer(mrNo);
    EXPECT_TRUE(W->close());
    EXPECT_EQ(FileRequests.size(), 1u);
}

// ---------------------------------------------------------------------------------------------
// Assistive technology

// The inputs under Iface that assistive technology would read out with no name.
void CollectUnnamedInputs(QAccessibleInterface* Iface, QStringList& Unnamed)
{
    static const QAccessible::Role inputs[] = {
        QAccessible::SpinBox, QAccessible::EditableText, QAccessible::ComboBox,   QAccessible::List,
        QAccessible::Tree,    QAccessible::Table,        QAccessible::ProgressBar};
    const QAccessible::Role role = Iface->role();
    if (std::find(std::begin(inputs), std::end(inputs), role) != std::end(inputs) &&
        Iface->text(QAccessible::Name).trimmed().isEmpty())
        Unnamed << (Iface->object() ? Iface->object()->objectName() : QStringLiteral("?"));
    // Rows and cells are named by their text, a combo box's list by the box.
    if (role == QAccessible::Tree || role == QAccessible::Table || role == QAccessible::List ||
        role == QAccessible::ComboBox)
        return;
    for (int i = 0; i < Iface->childCount(); ++i)
        if (QAccessibleInterface* child = Iface->child(i))
            CollectUnnamedInputs(child, Unnamed);
}

TEST_F(WindowTest, TheWindowsPartsAndEveryInputOfItsDialogsCarryAccessibleNames)
{
    QStringList names;
    const std::initializer_list<QWidget*> parts = {&W->HistoryList(), &W->StateLabel(), &W->ElapsedTime(),
                                                   &W->Time1(),       &W->Time2(),      &W->EngineOutput()};
    for (QWidget* w : parts) {
        const QString name = QAccessible::queryAccessibleInterface(w)->text(QAccessible::Name);
        EXPECT_FALSE(name.isEmpty()) << w->objectName().toStdString();
        EXPECT_FALSE(names.contains(name)) << "two parts read alike: " << name.toStdString();
        names << name;
    }
    QAccessibleInterface* board = QAccessible::queryAccessibleInterface(&Game());
    EXPECT_EQ(board->text(QAccessible::Name), "Board");
    EXPECT_EQ(board->childCount(), 32);
    EXPECT_EQ(board->child(10)->text(QAccessible::Name), "square 11, red man");

    for (const TActionId id : {TActionId::GameTimeControl, TActionId::ComputerMatch, TActionId::GameInformation,
                               TActionId::LevelCustom, TActionId::GameMemoryOptions}) {
        Answer([id](QDialog& Dialog) {
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&Dialog);
            EXPECT_EQ(iface->text(QAccessible::Name), Dialog.windowTitle());
            QStringList unnamed;
            CollectUnnamedInputs(iface, unnamed);
            EXPECT_TRUE(unnamed.isEmpty()) << static_cast<int>(id) << ": " << unnamed.join(", ").toStdString();
            return mrCancel;
        });
        Trigger(id);
    }
}

}  // namespace

#include "WindowTests.moc"
