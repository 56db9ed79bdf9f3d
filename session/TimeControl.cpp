#include "TimeControl.h"

#include <algorithm>
#include <cstdio>

namespace velk {

namespace {

// Between the end of a search and the move on the board: the answer's message, the helper
// threads' join, a new table's first move. Measured at a few milliseconds on a loaded machine;
// the margin is generous, since a side that runs out loses the whole game.
constexpr uint64_t CLOCK_OVERHEAD_MS = 30;
// Below this a search finds nothing worth the move; a side this short of time plays it anyway.
constexpr uint64_t CLOCK_LEAST_MOVE_MS = 5;

// A decimal number with up to three decimals, times UnitMs; false when it is none or larger
// than Max.
bool ParseAmount(const std::string& Text, uint64_t UnitMs, uint64_t Max, uint64_t& Ms)
{
    const size_t point = Text.find('.');
    const std::string whole = Text.substr(0, point);
    const std::string fraction = point == std::string::npos ? "" : Text.substr(point + 1);
    if ((whole.empty() && fraction.empty()) || whole.size() > 9 || fraction.size() > 3 ||
        whole.find_first_not_of("0123456789") != std::string::npos ||
        fraction.find_first_not_of("0123456789") != std::string::npos ||
        (point != std::string::npos && fraction.empty()))
        return false;
    uint64_t thousandths = 0;
    for (const char c : whole)
        thousandths = thousandths * 10 + static_cast<uint64_t>(c - '0');
    for (size_t i = 0; i < 3; ++i)
        thousandths = thousandths * 10 + (i < fraction.size() ? static_cast<uint64_t>(fraction[i] - '0') : 0);
    Ms = (thousandths * UnitMs + 500) / 1000;
    return Ms <= Max;
}

}  // namespace

bool ParseTimeControl(const std::string& Text, uint32_t BaseUnitMs, TTimeControl& Control)
{
    if (Text == "-") {
        Control = TTimeControl();
        return true;
    }
    const size_t plus = Text.find('+');
    uint64_t base = 0, increment = 0;
    if (!ParseAmount(Text.substr(0, plus), BaseUnitMs, CLOCK_MAX_BASE_MS, base) || base == 0 ||
        (plus != std::string::npos && !ParseAmount(Text.substr(plus + 1), 1000, CLOCK_MAX_INCREMENT_MS, increment)))
        return false;
    Control.BaseMs = static_cast<uint32_t>(base);
    Control.IncrementMs = static_cast<uint32_t>(increment);
    return true;
}

std::string TimeControlText(const TTimeControl& Control)
{
    if (!Control.Active())
        return "-";
    const auto seconds = [](uint32_t Ms) {
        char text[32];
        std::snprintf(text, sizeof text, "%u.%03u", Ms / 1000, Ms % 1000);
        std::string s = text;
        while (s.back() == '0')
            s.pop_back();
        if (s.back() == '.')
            s.pop_back();
        return s;
    };
    return seconds(Control.BaseMs) + "+" + seconds(Control.IncrementMs);
}

uint32_t ClockMoveTime(const TTimeControl& Control, uint32_t RemainingMs)
{
    const uint64_t most = RemainingMs / 5;
    uint64_t time = std::min<uint64_t>(RemainingMs / 25 + uint64_t{Control.IncrementMs} * 3 / 4, most);
    time = time > CLOCK_OVERHEAD_MS + CLOCK_LEAST_MOVE_MS ? time - CLOCK_OVERHEAD_MS : CLOCK_LEAST_MOVE_MS;
    return static_cast<uint32_t>(std::clamp<uint64_t>(time, 1, std::max<uint64_t>(most, 1)));
}

}  // namespace velk
