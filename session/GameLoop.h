#pragma once
// A whole game played by a program (the engine tool's selfplay and match): the session keeps the
// record, the turns, the draw rule and the game's end; each move comes from the program.
#include <cstdint>
#include <functional>

#include "CheckersSession.h"
#include "SessionQueue.h"

namespace velk {

enum class TGameEnd { Over, PlyLimit, Stopped };

// The index of a legal move of the session's board, or -1 to stop the game there.
using TMoveChooser = std::function<int32_t(TCheckersSession& Session)>;

// Plays the session's game from the position it shows until it is over (by the rules, by the
// draw rule while draws are declared, and by a side's time running out under a time control),
// MaxPlies plies have been played, or Choose stops.
// Every side is the program's: the session's own computer player must be off.
TGameEnd PlayGame(TCheckersSession& Session, TSessionQueue& Queue, const TMoveChooser& Choose, int MaxPlies);

}  // namespace velk
