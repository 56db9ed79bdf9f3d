#pragma once
// The opening book from the tool: building it from long searches of the ballot positions, and
// showing what it holds for a position.
#include <cstdint>
#include <string>
#include <vector>

#include "MatchCommand.h"

namespace velk {

struct TBookBuildOptions {
    std::vector<TBallot> Ballots;
    uint32_t MoveTimeMs = 0;  // each move's search, or
    int Depth = 0;            // a fixed depth for each move's search when not 0
    int Plies = 0;            // plies beyond each ballot along its good moves
    uint32_t Memory = EXPERT_TOOL_MEMORY;
    std::string Out;
    std::string Command;  // how the book was built, for its header
};

// Scores every move of the positions on the way to each ballot, of the ballot position and of
// the positions Plies beyond it along the moves the book would play, and writes the book to Out
// (again every few positions, so that a stopped build leaves a usable book).
int RunBookBuild(const TBookBuildOptions& Options);
// Prints the book's entry for Board (BookFile, or the built-in book when empty) and the move
// Seed draws from it.
int RunBookProbe(const TCheckersBoard& Board, const std::string& BookFile, uint64_t Seed);

}  // namespace velk
