#pragma once
// The Expert level's evaluation: what a position is worth to the side to move, in hundredths
// of a man. It is a sum of features (counts that describe the position, the side to move's
// less the opponent's) times weights, each weight a pair blended by the pieces left, so that
// velk-tune can fit the numbers to the results of games. Every number that decides how the
// level plays lives in TExpertWeights.
#include <cstdint>

#include "CheckersBoard.h"

namespace velk {

// A weight with the board full (24 pieces) and with it empty; in between it is blended in
// proportion to the pieces left.
struct TPhased {
    int32_t Open = 0;
    int32_t End = 0;
};

// The features, in the order ExpertFeatures writes them.
enum TExpertFeature {
    efMan,           // men
    efKing,          // kings
    efBackBridge,    // men on the bridge squares 1 and 3, times the opponent's men left
    efBackOther,     // men on back squares 2 and 4, times the opponent's men left
    efCentre,        // men on 14, 15, 18, 19
    efKingCentre,    // kings on the eight central squares
    efKingEdge,      // kings on the side edges
    efTempo,         // the men's rows advanced, summed
    efRunaway,       // men that no opposing piece can meet before they crown
    efRunawayRows,   // the rows such men still have to go
    efMobility,      // simple moves to a square where the piece cannot be taken at once
    efTrappedKing,   // kings without such a move
    efTrappedMan,    // men without such a move that are not merely waiting behind their own men
    efDogHole,       // a man on the edge square next to the far corner, locked by the piece on it
    efChase,         // ahead against kings only: squares between each of them and our nearest king
    efDoubleCorner,  // ahead against kings only: their kings in a double corner
    EXPERT_FEATURES
};

struct TExpertWeights {
    // How they were found: each pair started from the usual lore of the game, then velk-tune
    // fitted them to the results of self-play games (see tools/README.md).
    TPhased Man{100, 100};
    TPhased King{150, 150};
    TPhased BackBridge{2, 1};
    TPhased BackOther{1, 0};
    TPhased Centre{6, 6};
    TPhased KingCentre{8, 8};
    TPhased KingEdge{-6, -6};
    TPhased Tempo{0, 4};
    TPhased Runaway{70, 70};
    TPhased RunawayRows{-6, -6};
    TPhased Mobility{2, 2};
    TPhased TrappedKing{0, -10};
    TPhased TrappedMan{0, 0};
    TPhased DogHole{-10, -10};
    // The side ahead drives a lone defence out of the double corners, from which a king alone
    // cannot be caught; these two are set by hand, not fitted, as games seldom get there.
    TPhased Chase{-5, -5};
    TPhased DoubleCorner{-20, -20};
    // What a draw costs the side the search plays for: it prefers a small edge kept to a draw
    // by repetition or by the forty-move rule.
    int32_t Contempt = 0;
};

// The weight of each feature, by the feature's index, and its name as velk-tune prints it.
inline constexpr TPhased TExpertWeights::*EXPERT_WEIGHTS[EXPERT_FEATURES] = {
    &TExpertWeights::Man,         &TExpertWeights::King,     &TExpertWeights::BackBridge,
    &TExpertWeights::BackOther,   &TExpertWeights::Centre,   &TExpertWeights::KingCentre,
    &TExpertWeights::KingEdge,    &TExpertWeights::Tempo,    &TExpertWeights::Runaway,
    &TExpertWeights::RunawayRows, &TExpertWeights::Mobility, &TExpertWeights::TrappedKing,
    &TExpertWeights::TrappedMan,  &TExpertWeights::DogHole,  &TExpertWeights::Chase,
    &TExpertWeights::DoubleCorner};
inline constexpr const char* EXPERT_FEATURE_NAMES[EXPERT_FEATURES] = {
    "Man",     "King",        "BackBridge", "BackOther",   "Centre",     "KingCentre", "KingEdge", "Tempo",
    "Runaway", "RunawayRows", "Mobility",   "TrappedKing", "TrappedMan", "DogHole",    "Chase",    "DoubleCorner"};

// The pieces at which a weight is all Open.
constexpr int EXPERT_FULL_BOARD = 24;

// The tuned weights the Expert level plays with.
inline constexpr TExpertWeights ExpertWeights{};

// Writes the board's EXPERT_FEATURES features, from the side to move's view, to Out and returns
// the pieces on the board, which blend each weight pair.
int ExpertFeatures(const TCheckersBoard& Board, int32_t* Out);

// The worth of those features: the features times the weights blended for Pieces, summed.
int32_t ExpertScore(const int32_t* Features, int Pieces, const TExpertWeights& Weights);

// The board's worth to its side to move: ExpertScore of its ExpertFeatures.
int32_t ExpertEvaluate(const TCheckersBoard& Board, const TExpertWeights& Weights = ExpertWeights);

}  // namespace velk
