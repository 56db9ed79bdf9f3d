// The settings: every value written and read back, and the rules applied to odd values read
// from the store.
#include <QFile>
#include <QSettings>
#include <QVariant>

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
    W->move(200, 150);
    using enum TActionId;
    for (const TActionId action : {ViewToolbar, HistoryShow, HistoryShowTimes, ComputerPlaysBlack, ViewCoordinates,
                                   ViewSelectablePositions, ControlListPositionMoves, Rotate270, ViewInvertSquares,
                                   BoardSizeLarge, ControlAutoCompleteSelection, ControlAutoPlaySelection,
                                   ControlEnableSounds, GameDeclareDraws, ViewHighlightLastMove, LevelExpert})
        Trigger(action);
    Game().SetSearchDepth(7);
    Game().SetAnimateMoves(false);
    Game().SetMaxMemory(123 * MB + 5);
    Game().SetExpertMoveTime(2500);
    W->SaveSettings();

    QSettings ini(FilePath("settings.ini"), QSettings::IniFormat);
    EXPECT_EQ(ini.allKeys().size(), 22);
    const std::pair<const char*, int64_t> stored[] = {
        {"Window Left", 200},  {"Window Top", 150},     {"Toolbar", 0},
        {"Show History", 0},   {"Show History Time", 0}, {"Computer Player", 2},
        {"Search Depth", 7},   {"Show Coordinates", 1},  {"Mark Selectable Positions", 0},
        {"List Possible Moves", 1}, {"Board Angle", 270}, {"Invert Squares", 1},
        {"Board Square Size", 75}, {"Animate Moves", 0}, {"Auto Complete Selection", 0},
        {"Auto Play Selection", 0}, {"Enable Sounds", 0}, {"Expert Level", 1}, {"Expert Move Time", 2500},
        {"Declare Draws", 0},
        {"Highlight Last Move", 0}, {"Max Memory", 123 * MB + 5}};
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
    // Values that would leave no usable window or a table bigger than the machine's memory.
    EXPECT_EQ(Loaded({{"Board Square Size", 2147483647}})->Game().SquareSize(), 256);
    EXPECT_EQ(Loaded({{"Board Square Size", 100000}})->Game().SquareSize(), 256);
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
