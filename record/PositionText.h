#pragma once
// Positions pasted as text: what players copy from a web page, a forum post or another program
// is a FEN ("B:W21-32:B1-12", maybe in quotes or as its [FEN "..."] tag line) or a whole game in
// PDN, whose final position is the one meant. Copying a position is BoardToFen (engine/Fen.h).
#include <string>
#include <string_view>

#include "engine/CheckersBoard.h"

namespace velk {

// Puts into Board the position Text gives: a FEN, with or without white space or quotes around
// it, a [FEN "..."] tag line alone, or PDN text, of whose first game the position after its
// last move is taken (side to move included). On failure Board is unchanged and Error is what
// the user is told, one of:
//   "The clipboard holds no position: it is empty"
//   "The clipboard holds no position: it is neither a FEN position nor a PDN game"
//   "The clipboard holds no position: " + the FEN's error (engine/Fen.h ParseFen), e.g.
//       "FEN side to move must be B or W, not \"X\""
//   "The clipboard holds no position: " + the PDN game's error (record/Pdn.h EPdnError), e.g.
//       "Game 1, move 3: 22-26 is not a legal move here"
bool PositionFromText(std::string_view Text, TCheckersBoard& Board, std::string& Error);

}  // namespace velk
