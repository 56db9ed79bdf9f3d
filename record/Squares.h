#pragma once
// Where the board control and the engine meet: a control position is row * 8 + column of the
// board as Black sees it unrotated (0 .. 63, light squares included), a square is one of the
// engine's 32 playable ones (P01 .. P32). The control, the game record, PDN and the engine
// tool translate between them here and nowhere else.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "engine/CheckersBoard.h"

namespace velk {

// The positions a moving piece visits, as board control positions.
using TMovementPath = std::vector<int32_t>;

// False for a light square or a position off the board.
bool PositionToSquare(int32_t Pos, TPosition& Square);
int32_t SquareToPosition(TPosition Square);
// False when a position is no square or the path is longer than any move.
bool PathToSquares(const TMovementPath& Path, TCheckersMove& Move);
TMovementPath SquaresToPath(const TCheckersMove& Move);

// The first Count positions of Path as PathToText writes squares, Separator between them; a
// position that is no playable square reads "?", as a damaged record's would.
std::string PathNotation(const TMovementPath& Path, bool TwoDigits, size_t Count = SIZE_MAX, char Separator = '-');

}  // namespace velk
