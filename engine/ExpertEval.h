#pragma once
// The Expert level's evaluation: what a position is worth to the side to move, in hundredths
// of a man. Every number that decides how the level plays lives in TExpertWeights.
#include <cstdint>

#include "CheckersBoard.h"

namespace velk {

struct TExpertWeights {
    // How they were found: each value started from the usual lore of the game (a king worth
    // about a man and a third, the bridge squares, runaways), then was moved one at a time and
    // kept only when `velk-checkers-engine match` from the three-ply openings, both colours,
    // at 0.02 s a move against the unchanged evaluation scored above 52 %. The README lists
    // the matches that decided them.
    int32_t Man = 100;
    int32_t King = 130;
    // Men on the back row while the opponent still has men that could crown there: the two
    // bridge squares hold the row alone, the other two help.
    int32_t BackBridge = 14;
    int32_t BackOther = 5;
    int32_t BackMinOpponentMen = 3;
    // Men on the four centre squares and on the ring around them.
    int32_t Centre = 6;
    int32_t InnerRing = 2;
    // Per row advanced, before and after the position thins out to EndgamePieces.
    int32_t AdvanceMiddle = 0;
    int32_t AdvanceEnd = 4;
    int32_t EndgamePieces = 12;
    // A man that no opposing piece can meet before it crowns: Runaway less RunawayStep per
    // row still to go.
    int32_t Runaway = 70;
    int32_t RunawayStep = 6;
    // Per simple move available.
    int32_t Mobility = 2;
    // Kings on the centre squares, and on the edges.
    int32_t KingCentre = 8;
    int32_t KingEdge = 6;
    // Material lead grows by Trade / 100 of itself for every piece traded off below 24:
    // ahead, trade; behind, keep pieces.
    int32_t Trade = 3;
    // Against an opponent left with kings only: per square between each of its kings and the
    // nearest king of the side ahead, and for each of its kings in a double corner.
    int32_t Chase = 5;
    int32_t DoubleCorner = 20;
};

// The tuned weights the Expert level plays with.
inline constexpr TExpertWeights ExpertWeights{};

// The board's worth to its side to move.
int32_t ExpertEvaluate(const TCheckersBoard& Board, const TExpertWeights& Weights = ExpertWeights);

}  // namespace velk
