#pragma once
// The Expert level's evaluation: what a position is worth to the side to move, in hundredths
// of a man. Every number that decides how the level plays lives in TExpertWeights.
#include <cstdint>

#include "CheckersBoard.h"

namespace velk {

struct TExpertWeights {
    // How they were found: each value started from the usual lore of the game (a king worth
    // about a man and a third, the bridge squares, runaways); then variants played the
    // unchanged numbers, 60 games at 0.02 s a move from three-ply openings spread over the
    // list, each with both colours. A variant was kept when it scored clearly above half:
    // King 130 -> 150 (57.5 %) with Trade 3 -> 6 (57.5 %), together 67.5 %. Tried and left:
    // Mobility 4 (48 %), AdvanceMiddle 2 (41 %), AdvanceEnd 8 (43 %), Runaway 120 with
    // RunawayStep 10 (48 %), Centre 12 with InnerRing 4 (43 %), bridge 28 / other 10 (51 % of 40),
    // Contempt 15 (49 %), King 170 with Trade 9 (51 %).
    int32_t Man = 100;
    int32_t King = 150;
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
    int32_t Trade = 6;
    // Against an opponent left with kings only: per square between each of its kings and the
    // nearest king of the side ahead, and for each of its kings in a double corner.
    int32_t Chase = 5;
    int32_t DoubleCorner = 20;
    // What a draw costs the side the search plays for: it prefers a small edge kept to a draw
    // by repetition or by the forty-move rule.
    int32_t Contempt = 0;
};

// The tuned weights the Expert level plays with.
inline constexpr TExpertWeights ExpertWeights{};

// The board's worth to its side to move.
int32_t ExpertEvaluate(const TCheckersBoard& Board, const TExpertWeights& Weights = ExpertWeights);

}  // namespace velk
