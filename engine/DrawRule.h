#pragma once
// The draw rule of the game: the same position for the third time, or forty moves by each side
// in which only kings moved and nothing was taken. The positions a game passed through also
// tell the search which positions would repeat one.
#include <cstdint>
#include <vector>

#include "CheckersBoard.h"

namespace velk {

// Why a game is drawn: the same position for the third time, or forty moves each without a
// man moving or a piece taken.
enum class TDrawReason : uint8_t { None, Repetition, FortyMoves };

// The positions a game has passed through, one per whole turn, for the draw rule and for the
// search (which scores a position the game already had as a draw).
class TGamePositions {
public:
    static constexpr int KING_MOVES_FOR_DRAW = 80;  // half-moves: 40 by each side

    void Reset(const TCheckersBoard& Start);
    // The position after one whole turn.
    void Push(const TCheckersBoard& After);
    // Positions held, the start included.
    int Count() const { return FCount; }
    // The last position is a third occurrence, or the king-move count is reached.
    bool Drawn() const { return Reason() != TDrawReason::None; }
    TDrawReason Reason() const;
    // Keys (the full position key, side to move included) of the positions since the last
    // irreversible move (a man moved or something was captured), the last one included: only
    // these can occur again.
    const std::vector<uint64_t>& ReversibleKeys() const { return FKeys; }

private:
    std::vector<uint64_t> FKeys;
    int FCount = 0;
    TSquareSet FBlackMen = 0;
    TSquareSet FWhiteMen = 0;
    int FPieces = 0;
};

}  // namespace velk
