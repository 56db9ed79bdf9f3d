// The settings: every value written and read back, and the rules applied to odd values read
// from the store.
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRadioButton>
#include <QScopeGuard>
#include <QScreen>
#include <QSettings>
#include <QSpinBox>
#include <QStandardPaths>
#include <QVariant>
#include <sys/stat.h>
#include <tuple>
#include <unistd.h>

#include "AppTestSupport.h"
#include "platform/MemoryStatus.h"

using namespace velk;
using namespace velk::test;

namespace {

constexpr uint32_t MB = 1u << 20;

class SettingsTest : public WindowTest {
protected:
    // A new window (not shown) that has read a store holding only Values.
    std::unique_ptr<TMainForm> Loaded(std::initializer_list<std::pair<const char*, QVariant>> Values)
    {
        QFile::remove(FilePath("load.ini"));
        {
            QSettings ini(FilePath("load.ini"), QSettings::IniFormat);
            for (const auto& [name, value] : Values)
                ini.setValue(name, value);
        }
        std::unique_ptr<TMainForm> window = MakeWindow();
        window->SetSettingsFileName(FilePath("load.ini"));
        window->LoadSettings();
        window->UpdateActions();
        return window;
    }

    static bool IsChecked(const TMainForm& Window, TActionId Action) { return Window.Action(Action)->isChecked(); }
};

TEST_F(SettingsTest, EveryValueIsWrittenAndReadBack)
{
    Trigger(TActionId::ControlPause);  // nobody thinks when the computer gets Red
    W->move(100, 50);
    using enum TActionId;
    for (const TActionId action : {ViewToolbar, HistoryShow, HistoryShowTimes, ComputerPlaysBlack, ViewCoordinates,
                                   ViewSelectablePositions, ControlListPositionMoves, Rotate270, ViewInvertSquares,
                                   BoardSizeLarge, ControlAutoCompleteSelection, ControlAutoPlaySelection,
                                   ControlEnableSounds, GameDeclareDraws, ViewHighlightLastMove, LevelExpert,
                                   LevelOpeningBook, ViewEngineOutput})
        Trigger(action);
    Answer([](QDialog& Dialog) {
        auto& control = dynamic_cast<TTimeControlDialog&>(Dialog);
        control.Clock->setChecked(true);
        control.Minutes->setValue(3);
        control.Seconds->setValue(2);
        return mrOk;
    });
    Trigger(TActionId::GameTimeControl);
    Answer([](QDialog& Dialog) {
        dynamic_cast<TBallotDialog&>(Dialog).Rematch->setChecked(true);
        return mrOk;
    });
    Trigger(TActionId::GameNewBallot);
    Game().SetSearchDepth(7);
    Game().SetAnimateMoves(false);
    Game().SetMaxMemory(123 * MB + 5);
    Game().SetExpertMoveTime(2500);
    Game().SetExpertThreads(3);
    W->SaveSettings();

    QSettings ini(FilePath("settings.ini"), QSettings::IniFormat);
    EXPECT_EQ(ini.allKeys().size(), 28);
    const std::pair<const char*, int64_t> stored[] = {
        {"Window Left", 100},  {"Window Top", 50},      {"Toolbar", 0},
        {"Show History", 0},   {"Show History Time", 0}, {"Computer Player", 2},
        {"Search Depth", 7},   {"Show Coordinates", 1},  {"Mark Selectable Positions", 0},
        {"List Possible Moves", 1}, {"Board Angle", 270}, {"Invert Squares", 1},
        {"Board Square Size", 75}, {"Animate Moves", 0}, {"Auto Complete Selection", 0},
        {"Auto Play Selection", 0}, {"Enable Sounds", 0}, {"Expert Level", 1}, {"Expert Move Time", 2500},
        {"Threads", 3}, {"Opening Book", 0}, {"Declare Draws", 0},
        {"Highlight Last Move", 0}, {"Max Memory", 123 * MB + 5}, {"Engine Output", 1},
        {"Time Control Minutes", 3}, {"Time Control Increment", 2}, {"Ballot Rematch", 1}};
    for (const auto& [name, value] : stored)
        EXPECT_EQ(ini.value(name).toLongLong(), value) << name;

    // A new window reads them all: saved again, they come out the same, and each differs from
    // the new window's default, so none was skipped.
    std::unique_ptr<TMainForm> other = MakeWindow();
    other->LoadSettings();
    other->SetSettingsFileName(FilePath("again.ini"));
    other->SaveSettings();
    QSettings again(FilePath("again.ini"), QSettings::IniFormat);
    for (const auto& [name, value] : stored)
        EXPECT_EQ(again.value(name).toLongLong(), value) << name;
    EXPECT_TRUE(other->HistoryPanel().isHidden());
}

TEST_F(SettingsTest, ValuesReadAreHeldToTheirRanges)
{
    EXPECT_EQ(Loaded({{"Search Depth", 0}})->Game().SearchDepth(), 1);
    EXPECT_EQ(Loaded({{"Search Depth", 100}})->Game().SearchDepth(), 64);
    EXPECT_EQ(Loaded({{"Computer Player", 7}})->Game().ComputerPlayer(), 1);
    EXPECT_EQ(Loaded({{"Board Square Size", 0}})->Game().SquareSize(), 60);
    EXPECT_EQ(Loaded({{"Board Square Size", -5}})->Game().SquareSize(), 60);
    EXPECT_EQ(Loaded({{"Board Angle", 450}})->BoardAngle(), 90);
    EXPECT_EQ(Loaded({{"Board Angle", -90}})->BoardAngle(), 270);
    // Values that would leave no usable window or a table bigger than the machine's memory (the
    // largest squares then shrink to fit the screen, see below).
    const int32_t largest = Loaded({{"Board Square Size", 256}})->Game().SquareSize();
    EXPECT_EQ(Loaded({{"Board Square Size", 2147483647}})->Game().SquareSize(), largest);
    EXPECT_EQ(Loaded({{"Board Square Size", 100000}})->Game().SquareSize(), largest);
    EXPECT_EQ(Loaded({{"Board Square Size", 3}})->Game().SquareSize(), 16);
    EXPECT_EQ(Loaded({{"Board Angle", 45}})->BoardAngle(), 90);
    EXPECT_EQ(Loaded({{"Board Angle", -100}})->BoardAngle(), 270);
    EXPECT_EQ(Loaded({{"Max Memory", -1}})->Game().MaxMemory(), 1048576u);
    EXPECT_EQ(Loaded({{"Max Memory", 4294967295u}})->Game().MaxMemory(), TotalPhysicalMemory());
    EXPECT_EQ(Loaded({{"Max Memory", 1000}, {"Search Depth", 0}})->Game().MaxMemory(), 1048576u);
    EXPECT_TRUE(Messages.empty());

    // The caption names the depth read.
    W->SetSettingsFileName(FilePath("load.ini"));
    W->LoadSettings();
    Trigger(TActionId::ComputerPlaysWhite);
    EXPECT_EQ(ShownTitle(*W), "Velk Checkers - Human vs. Computer [1]");
}

TEST_F(SettingsTest, PanelsReadOffMakeTheWindowSmaller)
{
    auto shown = [this](std::initializer_list<std::pair<const char*, QVariant>> Values) {
        std::unique_ptr<TMainForm> window = Loaded(Values);
        window->show();
        window->StartGame({});
        Pump();
        window->UpdateActions();
        return window;
    };
    const auto standard = shown({});
    EXPECT_FALSE(standard->Toolbar().isHidden());
    EXPECT_TRUE(standard->ShowHistory());

    const auto noToolbar = shown({{"Toolbar", 0}});
    EXPECT_TRUE(noToolbar->Toolbar().isHidden());
    EXPECT_FALSE(IsChecked(*noToolbar, TActionId::ViewToolbar));
    EXPECT_EQ(noToolbar->height(), standard->height() - standard->Toolbar().height() - 1);

    const auto noHistory = shown({{"Show History", 0}, {"Show History Time", 0}});
    EXPECT_FALSE(noHistory->ShowHistory());
    EXPECT_TRUE(noHistory->HistoryPanel().isHidden());
    EXPECT_FALSE(IsChecked(*noHistory, TActionId::HistoryShow));
    EXPECT_FALSE(IsChecked(*noHistory, TActionId::HistoryShowTimes));
    EXPECT_LT(noHistory->width(), standard->width());
}

// Squares saved on a bigger screen shrink until the window fits this one, and a window saved
// off the screen comes back onto it; a window that fits is left as it was.
TEST_F(SettingsTest, WindowReadBackFitsTheScreen)
{
    const QRect free = QGuiApplication::primaryScreen()->availableGeometry();
    for (const auto& [square, left, top] : {std::tuple{256, 5000, -300}, {1000, -3000, 5000}}) {
        const auto window = Loaded({{"Board Square Size", square}, {"Window Left", left}, {"Window Top", top}});
        window->show();
        Pump();
        const int32_t fitted = window->Game().SquareSize();
        EXPECT_TRUE(free.contains(window->frameGeometry())) << fitted << " px squares";
        EXPECT_LT(fitted, 256);
        EXPECT_GE(fitted, SQUARE_SMALL);  // no smaller than it must be on an 800 px screen
    }
    const auto small = Loaded({{"Board Square Size", SQUARE_SMALL}, {"Window Left", 10}, {"Window Top", 20}});
    EXPECT_EQ(small->Game().SquareSize(), SQUARE_SMALL);
    EXPECT_EQ(small->pos(), QPoint(10, 20));
}

// QSettings would wait on a FIFO where the settings are, before the window ever appears: it is
// refused, in the per-user store and in a file given, read or written, and the window opens
// with its defaults.
TEST_F(SettingsTest, AFifoForTheSettingsIsRefusedWithoutWaiting)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/Quorvane";
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString store = folder + "/Velk Checkers.ini", given = FilePath("fifo.ini");
    for (const QString& fifo : {store, given})
        ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const auto removeStore = qScopeGuard([&] { QFile::remove(store); });
    std::string written;
    ::alarm(20);  // a window held by the FIFO ends the test program rather than hanging it
    std::unique_ptr<TMainForm> window = MakeWindow();
    window->SetSettingsFileName(given);
    window->LoadSettings();
    try {
        window->SaveSettings();
    } catch (const std::exception& e) {
        written = e.what();
    }
    ::alarm(0);
    EXPECT_EQ(Messages, (std::vector<std::string>{
                            "Cannot read the settings file \"" + store.toStdString() + "\". Not a regular file",
                            "Cannot read the settings file \"" + given.toStdString() + "\". Not a regular file"}));
    Messages.clear();
    EXPECT_EQ(written, "Cannot write the settings file \"" + given.toStdString() + "\". Not a regular file");
    EXPECT_EQ(window->Game().SquareSize(), SQUARE_MEDIUM);
    EXPECT_EQ(QFileInfo(given).isFile(), false);
}

TEST_F(SettingsTest, ValueOfTheWrongTypeStopsTheRead)
{
    const auto window = Loaded({{"Computer Player", 2}, {"Search Depth", "abc"}, {"Board Angle", 90}});
    EXPECT_EQ(Messages, std::vector<std::string>{"Invalid data type for 'Search Depth'"});
    Messages.clear();
    EXPECT_EQ(window->Game().ComputerPlayer(), 2);  // read before the bad value
    EXPECT_EQ(window->Game().SearchDepth(), 8);
    EXPECT_EQ(window->BoardAngle(), 0);
}

TEST_F(SettingsTest, InvertedSquaresReadBackGetTheInvertedCoordinateColour)
{
    const QColor shown = Game().palette().color(QPalette::WindowText);
    const auto window = Loaded({{"Invert Squares", 1}, {"Show Coordinates", 1}});
    window->show();
    window->StartGame({});
    Pump();
    const QColor inverted = window->Game().palette().color(QPalette::WindowText);
    EXPECT_EQ(inverted.rgb(), QColor(255 - shown.red(), 255 - shown.green(), 255 - shown.blue()).rgb());
    window->Action(TActionId::ViewInvertSquares)->trigger();
    EXPECT_FALSE(window->Game().InvertSquares());
    EXPECT_EQ(window->Game().palette().color(QPalette::WindowText).rgb(), shown.rgb());
}

}  // namespace
