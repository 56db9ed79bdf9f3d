#pragma once
// The engine tool's PDN commands: replaying every game of a PDN file, and converting a game
// between the program's own files and PDN.
#include <string>
#include <vector>

namespace velk {

// Runs "pdn FILE" or "convert IN OUT" (Command names which) and returns the exit status; errors
// are printed here, one line each.
int RunPdnCommand(const std::string& Command, const std::vector<std::string>& Args);

}  // namespace velk
