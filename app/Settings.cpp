// The window's settings: read once while it is created, written once when it closes, under the
// value names and number types they have always had.
#include <QAction>
#include <QFile>
#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QToolBar>
#include <algorithm>
#include <limits>
#include <memory>
#include <sys/stat.h>

#include "Dialogs.h"
#include "MainForm.h"
#include "engine/ExpertSearch.h"
#include "platform/Exceptions.h"
#include "platform/MemoryStatus.h"

namespace velk {

namespace {

// A budget too small for a useful table: the search would thrash a handful of entries. Above,
// the machine's memory is the limit, as in the memory dialog.
constexpr uint32_t MIN_MAX_MEMORY = 1u << 20;

// Square sizes a board can be drawn at: the smallest piece pictures, and a board that still
// fits the height of a 4K screen. Anything bigger only makes a window nobody can use.
constexpr int64_t MIN_SQUARE_SIZE = 16;
constexpr int64_t MAX_SQUARE_SIZE = 256;

// The board turns in quarter turns only; any other angle goes to the nearest one.
int32_t QuarterTurn(int64_t Angle)
{
    const int64_t degrees = ((Angle % 360) + 360) % 360;
    return static_cast<int32_t>((degrees + 45) / 90 * 90 % 360);
}

// Room for the frame the desktop puts around the window, which is known only once it is shown:
// a title bar and borders.
constexpr int FRAME_WIDTH = 8;
constexpr int FRAME_HEIGHT = 40;

const QString STORE_COMPANY = QStringLiteral("Quorvane");
const QString STORE_PRODUCT = QStringLiteral("Velk Checkers");

std::unique_ptr<QSettings> OpenStore(const QString& FileName)
{
    if (!FileName.isEmpty())
        return std::make_unique<QSettings>(FileName, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, STORE_COMPANY, STORE_PRODUCT);
}

// QSettings reads its files as it opens them, blocking: a FIFO there would hold the program
// before its window ever appears. So what is there is looked at first, where QSettings looks on
// this platform (the per-user file, and the company's beside it), and anything but a regular
// file is refused.
void CheckStoreFiles(const QString& FileName, const char* Doing)
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + '/';
    const QStringList files = !FileName.isEmpty() ? QStringList{FileName}
                                                  : QStringList{folder + STORE_COMPANY + '/' + STORE_PRODUCT + ".ini",
                                                                folder + STORE_COMPANY + ".ini"};
    for (const QString& file : files) {
        struct stat st;
        if (::stat(QFile::encodeName(file).constData(), &st) == 0 && !S_ISREG(st.st_mode))
            throw Exception(QStringLiteral("Cannot %1 the settings file \"%2\". Not a regular file")
                                .arg(QLatin1String(Doing), file)
                                .toStdString());
    }
}

class ESettingsError : public Exception {
public:
    ESettingsError(const char* Format, const QString& Name) : Exception(QString(Format).arg(Name).toStdString()) {}
};

// The stored value as a 32-bit number (signed or unsigned); nothing when it is absent.
std::optional<int64_t> ReadNumber(QSettings& Store, const QString& Name)
{
    if (!Store.contains(Name))
        return std::nullopt;
    const QVariant value = Store.value(Name);
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok);
    if (!ok)
        throw ESettingsError("Invalid data type for '%1'", Name);
    if (number < std::numeric_limits<int32_t>::min() || number > std::numeric_limits<uint32_t>::max())
        throw ESettingsError("Failed to get data for '%1'", Name);
    return number;
}

}  // namespace

std::vector<TMainForm::TSettingValue> TMainForm::SettingValues()
{
    TCheckers& game = *FGame;
    const auto flag = [](bool On) -> int64_t { return On ? 1 : 0; };
    const auto option = [&game](TSelectionOption Option) {
        return TSettingValue::TSet([&game, Option](int64_t v) {
            const TSelectionOptions bit = SelectionOption(Option);
            game.SetSelectionOptions(v != 0 ? (game.SelectionOptions() | bit) : (game.SelectionOptions() & ~bit));
        });
    };
    const auto checkable = [this, flag](TActionId Id) -> std::pair<TSettingValue::TGet, TSettingValue::TSet> {
        return {[this, flag, Id] { return flag(Action(Id)->isChecked()); },
                [this, Id](int64_t v) { Action(Id)->setChecked(v != 0); }};
    };
    const auto [timesGet, timesSet] = checkable(TActionId::HistoryShowTimes);
    const auto [soundsGet, soundsSet] = checkable(TActionId::ControlEnableSounds);
    return {
        {"Window Left", [this] { return int64_t{x()}; }, [this](int64_t v) { move(static_cast<int>(v), y()); }},
        {"Window Top", [this] { return int64_t{y()}; }, [this](int64_t v) { move(x(), static_cast<int>(v)); }},
        {"Toolbar", [this, flag] { return flag(!FToolbar->isHidden()); },
         [this](int64_t v) { FToolbar->setVisible(v != 0); }},
        {"Show History", [this, flag] { return flag(FShowHistory); },
         [this](int64_t v) {
             FShowHistory = v != 0;
             // The setup palette takes the panel's place. A window not yet shown has no palette
             // out: it opens laid out for the game it starts at once, so that it is not resized
             // just after it appears (the desktop would then misplace it).
             FHistoryPanel->setVisible(FShowHistory && FBoardSetupBar->isHidden());
         }},
        {"Show History Time", timesGet, timesSet},
        {"Time Control Minutes", [this] { return int64_t{FClockMinutes}; },
         [this](int64_t v) { SetClock(static_cast<int>(std::clamp<int64_t>(v, 0, 600)), FClockSeconds); }},
        {"Time Control Increment", [this] { return int64_t{FClockSeconds}; },
         [this](int64_t v) { SetClock(FClockMinutes, static_cast<int>(std::clamp<int64_t>(v, 0, 600))); }},
        {"Ballot Rematch", [this, flag] { return flag(FBallotRematch); }, [this](int64_t v) { FBallotRematch = v != 0; }},
        {"Engine Output", [this, flag] { return flag(Action(TActionId::ViewEngineOutput)->isChecked()); },
         [this](int64_t v) { SetEngineOutputShown(v != 0); }},
        {"Computer Player", [&game] { return int64_t{game.ComputerPlayer()}; },
         [&game](int64_t v) { game.SetComputerPlayer(static_cast<uint8_t>(v & 0xFF)); }},
        {"Search Depth", [&game] { return int64_t{game.SearchDepth()}; },
         [&game](int64_t v) { game.SetSearchDepth(static_cast<uint8_t>(v & 0xFF)); }},
        {"Show Coordinates", [&game, flag] { return flag(game.CoordinatesDisplay() != slNone); },
         [&game](int64_t v) { game.SetCoordinatesDisplay(v != 0 ? slLeftTop : slNone); }},
        {"Mark Selectable Positions", [&game, flag] { return flag(game.MarkSelectableSquares()); },
         [&game](int64_t v) { game.SetMarkSelectableSquares(v != 0); }},
        {"List Possible Moves", [&game, flag] { return flag(game.ShowHint()); },
         [&game](int64_t v) { game.SetShowHint(v != 0); }},
        {"Board Angle", [this] { return int64_t{FBoardAngle}; }, [this](int64_t v) { SetBoardAngle(QuarterTurn(v)); }},
        {"Invert Squares", [&game, flag] { return flag(game.InvertSquares()); },
         [&game](int64_t v) { game.SetInvertSquares(v != 0); }},
        {"Board Square Size", [&game] { return int64_t{game.SquareSize()}; },
         [this](int64_t v) {
             if (v > 0)
                 SetBoardSquareSize(static_cast<int32_t>(std::clamp(v, MIN_SQUARE_SIZE, MAX_SQUARE_SIZE)));
         }},
        {"Animate Moves", [&game, flag] { return flag(game.AnimateMoves()); },
         [&game](int64_t v) { game.SetAnimateMoves(v != 0); }},
        {"Auto Complete Selection", [&game, flag] { return flag(game.HasSelectionOption(soAutoComplete)); },
         option(soAutoComplete)},
        {"Auto Play Selection", [&game, flag] { return flag(game.HasSelectionOption(soAutoPlayComplete)); },
         option(soAutoPlayComplete)},
        {"Enable Sounds", soundsGet, soundsSet},
        {"Expert Level", [&game, flag] { return flag(game.Expert()); }, [&game](int64_t v) { game.SetExpert(v != 0); }},
        {"Expert Move Time", [&game] { return int64_t{game.ExpertMoveTime()}; },
         [&game](int64_t v) {
             game.SetExpertMoveTime(
                 static_cast<uint32_t>(std::clamp<int64_t>(v, EXPERT_MIN_MOVE_TIME_MS, EXPERT_MAX_MOVE_TIME_MS)));
         }},
        {"Threads", [&game] { return int64_t{game.ExpertThreads()}; },
         [&game](int64_t v) { game.SetExpertThreads(static_cast<int>(std::clamp<int64_t>(v, 1, MAX_THREADS))); }},
        {"Opening Book", [&game, flag] { return flag(game.UseOpeningBook()); },
         [&game](int64_t v) { game.SetUseOpeningBook(v != 0); }},
        {"Declare Draws", [&game, flag] { return flag(game.DeclareDraws()); },
         [&game](int64_t v) { game.SetDeclareDraws(v != 0); }},
        {"Highlight Last Move", [&game, flag] { return flag(game.HighlightLastMove()); },
         [&game](int64_t v) { game.SetHighlightLastMove(v != 0); }},
        {"Max Memory", [&game] { return int64_t{game.MaxMemory()}; },
         [&game](int64_t v) {
             const int64_t most = std::max<int64_t>(MIN_MAX_MEMORY, TotalPhysicalMemory());
             game.SetMaxMemory(static_cast<uint32_t>(std::clamp<int64_t>(v, MIN_MAX_MEMORY, most)));
         }},
    };
}

void TMainForm::LoadSettings()
{
    FShowHistory = !FHistoryPanel->isHidden();
    try {
        CheckStoreFiles(FSettingsFileName, "read");
        const std::unique_ptr<QSettings> store = OpenStore(FSettingsFileName);
        for (const TSettingValue& value : SettingValues())
            if (const std::optional<int64_t> v = ReadNumber(*store, value.Name))
                value.Set(*v);
    } catch (const std::exception& e) {
        // Reading stops at the bad value; the window opens with the rest at their defaults.
        ShowErrorMessage(QString::fromStdString(e.what()));
    }
    ApplyBoardAngle();
    FitToContent();

    // Squares saved on a bigger screen, or written by hand, would put part of the board out of
    // reach: they shrink until the window fits the free part of its screen, and the window moves
    // onto it (a screen since taken away leaves it on the main one).
    const QScreen* screen = QGuiApplication::screenAt(geometry().center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return;
    const QRect free = screen->availableGeometry();
    const QSize frame = isVisible() ? frameGeometry().size() - size() : QSize(FRAME_WIDTH, FRAME_HEIGHT);
    for (int square = FGame->SquareSize(); square > MIN_SQUARE_SIZE;) {
        const QSize over = size() + frame - free.size();
        if (over.width() <= 0 && over.height() <= 0)
            break;
        // Eight squares a side: the excess over eight is what each square gives up.
        square = std::max(static_cast<int>(MIN_SQUARE_SIZE), square - (std::max(over.width(), over.height()) + 7) / 8);
        const QSize before = size();
        SetBoardSquareSize(square);
        if (size() == before)
            break;  // the panels, not the board, are what is too big
    }
    const QSize outer = size() + frame;
    move(std::clamp(x(), free.left(), std::max(free.left(), free.left() + free.width() - outer.width())),
         std::clamp(y(), free.top(), std::max(free.top(), free.top() + free.height() - outer.height())));
}

void TMainForm::SaveSettings()
{
    CheckStoreFiles(FSettingsFileName, "write");
    const std::unique_ptr<QSettings> store = OpenStore(FSettingsFileName);
    if (!store->isWritable())
        throw ESettingsError("Failed to set data for '%1'", "Window Left");
    for (const TSettingValue& value : SettingValues())
        store->setValue(value.Name, static_cast<qlonglong>(value.Get()));
    store->sync();
    if (store->status() != QSettings::NoError)
        throw ESettingsError("Failed to set data for '%1'", "Window Left");
}

}  // namespace velk
