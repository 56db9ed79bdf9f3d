// The window's settings: read once while it is created, written once when it closes, under the
// value names and number types they have always had.
#include <QAction>
#include <QSettings>
#include <QToolBar>
#include <algorithm>
#include <limits>
#include <memory>

#include "Dialogs.h"
#include "MainForm.h"
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

std::unique_ptr<QSettings> OpenStore(const QString& FileName)
{
    if (!FileName.isEmpty())
        return std::make_unique<QSettings>(FileName, QSettings::IniFormat);
    return std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, "Quorvane", "Velk Checkers");
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

void TMainForm::LoadSettings()
{
    TCheckers& game = *FGame;
    FShowHistory = !FHistoryPanel->isHidden();
    const std::unique_ptr<QSettings> store = OpenStore(FSettingsFileName);
    auto setOption = [&game](TSelectionOption Option, bool On) {
        const TSelectionOptions bit = SelectionOption(Option);
        game.SetSelectionOptions(On ? (game.SelectionOptions() | bit) : (game.SelectionOptions() & ~bit));
    };
    using TApply = std::function<void(int64_t)>;
    const std::pair<const char*, TApply> values[] = {
        {"Window Left", [this](int64_t v) { move(static_cast<int>(v), y()); }},
        {"Window Top", [this](int64_t v) { move(x(), static_cast<int>(v)); }},
        {"Toolbar", [this](int64_t v) { FToolbar->setVisible(v != 0); }},
        {"Show History",
         [this](int64_t v) {
             FShowHistory = v != 0;
             FHistoryPanel->setVisible(FShowHistory && FGame->BoardMode() == gbmPlay);
         }},
        {"Show History Time", [this](int64_t v) { Action("HistoryShowTimes")->setChecked(v != 0); }},
        {"Computer Player", [&game](int64_t v) { game.SetComputerPlayer(static_cast<uint8_t>(v & 0xFF)); }},
        {"Search Depth", [&game](int64_t v) { game.SetSearchDepth(static_cast<uint8_t>(v & 0xFF)); }},
        {"Show Coordinates", [&game](int64_t v) { game.SetCoordinatesDisplay(v != 0 ? slLeftTop : slNone); }},
        {"Mark Selectable Positions", [&game](int64_t v) { game.SetMarkSelectableSquares(v != 0); }},
        {"List Possible Moves", [&game](int64_t v) { game.SetShowHint(v != 0); }},
        {"Board Angle", [&game](int64_t v) { game.SetBoardAngle(QuarterTurn(v)); }},
        {"Invert Squares", [&game](int64_t v) { game.SetInvertSquares(v != 0); }},
        {"Board Square Size",
         [&game](int64_t v) {
             if (v > 0)
                 game.SetSquareSize(static_cast<int32_t>(std::clamp(v, MIN_SQUARE_SIZE, MAX_SQUARE_SIZE)));
         }},
        {"Animate Moves", [&game](int64_t v) { game.SetAnimateMoves(v != 0); }},
        {"Auto Complete Selection", [setOption](int64_t v) { setOption(soAutoComplete, v != 0); }},
        {"Auto Play Selection", [setOption](int64_t v) { setOption(soAutoPlayComplete, v != 0); }},
        {"Enable Sounds", [this](int64_t v) { Action("ControlEnableSounds")->setChecked(v != 0); }},
        {"Max Memory",
         [&game](int64_t v) {
             const int64_t most = std::max<int64_t>(MIN_MAX_MEMORY, TotalPhysicalMemory());
             game.SetMaxMemory(static_cast<uint32_t>(std::clamp<int64_t>(v, MIN_MAX_MEMORY, most)));
         }},
    };
    try {
        for (const auto& [name, apply] : values)
            if (const std::optional<int64_t> v = ReadNumber(*store, name))
                apply(*v);
    } catch (const std::exception& e) {
        // Reading stops at the bad value; the window opens with the rest at their defaults.
        ShowErrorMessage(QString::fromStdString(e.what()));
    }
    FitToContent();
}

void TMainForm::SaveSettings()
{
    const TCheckers& game = *FGame;
    const std::unique_ptr<QSettings> store = OpenStore(FSettingsFileName);
    if (!store->isWritable())
        throw ESettingsError("Failed to set data for '%1'", "Window Left");
    const std::pair<const char*, int64_t> values[] = {
        {"Window Left", x()},
        {"Window Top", y()},
        {"Toolbar", FToolbar->isHidden() ? 0 : 1},
        {"Show History", FShowHistory ? 1 : 0},
        {"Show History Time", Action("HistoryShowTimes")->isChecked() ? 1 : 0},
        {"Computer Player", game.ComputerPlayer()},
        {"Search Depth", game.SearchDepth()},
        {"Show Coordinates", game.CoordinatesDisplay() != slNone ? 1 : 0},
        {"Mark Selectable Positions", game.MarkSelectableSquares() ? 1 : 0},
        {"List Possible Moves", game.ShowHint() ? 1 : 0},
        {"Board Angle", game.BoardAngle()},
        {"Invert Squares", game.InvertSquares() ? 1 : 0},
        {"Board Square Size", game.SquareSize()},
        {"Animate Moves", game.AnimateMoves() ? 1 : 0},
        {"Auto Complete Selection", game.HasSelectionOption(soAutoComplete) ? 1 : 0},
        {"Auto Play Selection", game.HasSelectionOption(soAutoPlayComplete) ? 1 : 0},
        {"Enable Sounds", Action("ControlEnableSounds")->isChecked() ? 1 : 0},
        {"Max Memory", game.MaxMemory()},
    };
    for (const auto& [name, value] : values)
        store->setValue(name, static_cast<qlonglong>(value));
    store->sync();
    if (store->status() != QSettings::NoError)
        throw ESettingsError("Failed to set data for '%1'", "Window Left");
}

}  // namespace velk
