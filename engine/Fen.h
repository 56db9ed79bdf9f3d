#pragma once
// Positions in the portable notation players exchange: "B:W21,22,K30:B1,2,K5" (side to move,
// then each side's squares, K marking a king; ranges such as 1-12 are accepted).
#include <string>
#include <string_view>

#include "engine/CheckersBoard.h"

namespace velk {

// Puts the position into Board; on failure returns false and says why in Error.
bool ParseFen(const std::string& Fen, TCheckersBoard& Board, std::string& Error);
// Puts a 32-character board text and a side ("black"/"white") into Board.
bool ParseBoardText(const std::string& Text, const std::string& Side, TCheckersBoard& Board, std::string& Error);
std::string BoardToFen(const TCheckersBoard& Board);

}  // namespace velk
