#pragma once
// The engine tool's PDN commands: replaying every game of a PDN file, and converting a game
// between the program's own files and PDN.
#include <string>
#include <vector>

#include "record/GameHistory.h"

namespace velk {

// How the game ended as its last position and the draw rule show it (Winner 2 Black, 1 White,
// 0 a draw), as far as a saved game can tell.
void PlayedResult(const TGameHistory& History, bool& GameOver, int& Winner);

// Runs "pdn FILE" or "convert IN OUT" (Command names which) and returns the exit status; errors
// are printed here, one line each.
int RunPdnCommand(const std::string& Command, const std::vector<std::string>& Args);

}  // namespace velk
