#pragma once
// A game on the clock: each side has a time for the whole game and gains an increment with
// every move it completes (Fischer's clock), and how long the computer may think for a move
// when it plays to such a clock.
#include <cstdint>
#include <string>

namespace velk {

struct TTimeControl {
    uint32_t BaseMs = 0;       // each side's time for the game; 0: no clock at all
    uint32_t IncrementMs = 0;  // added for every move the side completes

    bool Active() const { return BaseMs != 0; }
    bool operator==(const TTimeControl&) const = default;
};

// The longest time for the game and the largest increment a clock is set to.
constexpr uint32_t CLOCK_MAX_BASE_MS = 24u * 3600 * 1000;
constexpr uint32_t CLOCK_MAX_INCREMENT_MS = 3600u * 1000;

// Reads "BASE+INCREMENT" or "BASE": BASE in units of BaseUnitMs (1000 for PDN's seconds, 60000
// for minutes), INCREMENT in seconds, each a decimal number with at most three decimals that
// are milliseconds. "-", PDN's mark for a game without a clock, reads as no clock. False, with
// Control unchanged, for anything else or a value out of range.
bool ParseTimeControl(const std::string& Text, uint32_t BaseUnitMs, TTimeControl& Control);
// The PDN form in seconds ("300+3", "90+0.5"); "-" for no clock.
std::string TimeControlText(const TTimeControl& Control);

// What a side with RemainingMs on its clock may think for its next move: a share of the time
// left and most of the increment, never more than a fifth of what is left, less what the move
// costs around the search. At least 1 ms, since no limit at all is no answer for a clock.
uint32_t ClockMoveTime(const TTimeControl& Control, uint32_t RemainingMs);

}  // namespace velk
