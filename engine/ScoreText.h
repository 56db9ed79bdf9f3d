#pragma once
// Scores as players read them: in men from Red's side (Red, the game's Black, moves first), so
// that a number means the same whoever is to move. The Expert search's scale: hundredths of a
// man, forced results near EXPERT_WIN.
#include <cstdint>
#include <string>
#include <string_view>

namespace velk {

// Scores beyond this either way are results the search or the endgame database knows; beyond
// EXPERT_WIN_BOUND they are proven by the search, which also knows how far the win is.
constexpr int32_t KNOWN_RESULT_BOUND = 25000;

// A side-to-move score turned to Red's side.
int32_t RedScore(int32_t Score, bool RedToMove);
// 1 Red wins, -1 White wins (a known result), 0 not known.
int ScoreResult(int32_t RedScore);
// "+1.35", "-0.40", "0.00"; "Red wins in 13" / "White wins in 8" (moves of the winner) for a
// win the search proved, "Red wins" / "White wins" for one only the database knows.
std::string ScoreText(int32_t RedScore);
// The same in one word, for notes in game files: "+1.35", "+M13" / "-M8", "+M" / "-M".
std::string ScoreToken(int32_t RedScore);
// Reads a ScoreToken back; false, Score unchanged, for anything else.
bool ParseScoreToken(std::string_view Text, int32_t& RedScore);

}  // namespace velk
