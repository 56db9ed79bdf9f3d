#pragma once
// The Expert level's evaluation: what a position is worth to the side to move, in hundredths
// of a man. It is a sum of features (counts that describe the position, the side to move's
// less the opponent's) times weights, each weight a pair blended by the pieces left, so that
// velk-tune can fit the numbers to the results of games. Every number that decides how the
// level plays lives in TExpertWeights.
#include <cstdint>
#include <string>

#include "CheckersBoard.h"

namespace velk {

// A weight with the board full (24 pieces) and with it empty; in between it is blended in
// proportion to the pieces left.
struct TPhased {
    int32_t Open = 0;
    int32_t End = 0;
};

// The formations of men: the board seen from the side to move (its men moving toward square 32)
// in seven overlapping bands of two rows, rows 1-2, 2-3, ..., 7-8. A band's eight squares are
// each empty, the mover's man or the opponent's (kings count as empty: they have terms of their
// own), so a band is one of 3^8 configurations, and each configuration of each band has a weight
// fitted like the others. They see what single squares cannot: men that guard each other, holes
// in a formation, the pieces that hold a square.
constexpr int EXPERT_BANDS = 7;
constexpr int EXPERT_BAND_CONFIGS = 6561;

struct TPhased16 {
    int16_t Open = 0;
    int16_t End = 0;
};

struct TExpertPatterns {
    TPhased16 Weight[EXPERT_BANDS][EXPERT_BAND_CONFIGS];
};

// The fitted formations (ExpertPatterns.inc, written by velk-tune).
extern const TExpertPatterns EXPERT_PATTERNS;

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
    efBalance,       // the men on one half of the board less those on the other, without sign
    EXPERT_SCALAR_FEATURES,
    // Then one feature a square for men and one for kings: 1 where the side has one, squares
    // numbered from the side's own back rank.
    efManAt = EXPERT_SCALAR_FEATURES,
    efKingAt = efManAt + SQUARE_COUNT,
    EXPERT_FEATURES = efKingAt + SQUARE_COUNT
};

struct TExpertWeights {
    // How they were found: each pair started from the usual lore of the game (a man 100, a king
    // 150, runaway 70 less 6 a row, mobility 2, ...) and velk-tune (tools/README.md) fitted them
    // three times to the results of self-play games at depth 6, from every ballot in turn with a
    // few random plies. First 2,020 games, 16 terms: K 0.0122, held-out loss 0.0575 -> 0.0540;
    // they beat the lore 67.1 % +- 3.8 at depth 8 over 348 games. Then 18,000 games of that
    // evaluation, with the squares and the balance added (held out 0.0575 -> 0.0523); these beat
    // the 16 terms 60.2 % +- 3.7 at depth 8 and lifted Expert at 0.1 s a move against the small
    // outside engine from 70.9 % to 82.0 % (README). Last, 30,000 games more of that evaluation
    // with the formations added: 4,388,184 quiet positions of all 48,000 games (487,500 more held
    // out), K 0.0100, squared loss 0.0531 -> 0.0488 (held out 0.0523 -> 0.0484):
    //   velk-tune generate --games 9000 --depth 6 --random-plies 4 --seed 11 --out a.txt
    //   velk-tune generate --games 9000 --depth 6 --random-plies 4 --seed 12 --out b.txt
    //   velk-tune generate --games 15000 --depth 6 --random-plies 4 --seed 21 --out c.txt
    //   velk-tune generate --games 15000 --depth 6 --random-plies 4 --seed 22 --out d.txt
    //   cat a.txt b.txt c.txt d.txt > positions.txt
    //   velk-tune tune --positions positions.txt --iterations 400 --l2-bands 3e-10
    //                  --patterns-out engine/ExpertPatterns.inc
    // (a and b were played by the first fitted evaluation, c and d by the second). At 0.02 s a
    // move these beat the second round 59.5 % +- 5.2 (78 wins, 40 losses, 82 draws of 200:
    // velk-tune match --b SECOND --movetime 0.02 --count 100, SECOND with 'Bands 0 0'). A king
    // is worth twice a man in the opening and little more than one in the ending; men on the back
    // rank, 2 and 4 above all, hold most in the opening, and a man on the far side's edge or in
    // the dog-hole is a liability.
    TPhased Man{100, 130};
    TPhased King{300, 114};
    TPhased BackBridge{8, 9};
    TPhased BackOther{-1, 1};
    TPhased Centre{-3, 0};
    TPhased KingCentre{12, 6};
    TPhased KingEdge{44, -26};
    TPhased Tempo{31, 1};
    TPhased Runaway{11, 33};
    TPhased RunawayRows{-9, -1};
    TPhased Mobility{4, 1};
    TPhased TrappedKing{-31, -8};
    TPhased TrappedMan{0, -15};
    TPhased DogHole{-147, 35};
    // The side ahead drives a lone defence out of the double corners, from which a king alone
    // cannot be caught; these two are set by hand, not fitted, as games seldom get there. The
    // corner's weight outweighs what the squares give a defending king there in the ending
    // (KingAt 1 and 5), or two kings would leave one king in peace.
    TPhased Chase{-5, -5};
    TPhased DoubleCorner{-50, -50};
    TPhased Balance{-6, 1};
    // What a man and a king are worth on each square beyond the terms above, by the square's
    // number seen from the side's own back rank (1-4 its back rank; a man never stands on
    // 29-32, where it crowns).
    TPhased ManAt[SQUARE_COUNT]{
        {91, 0}, {210, 3}, {78, 45}, {145, -29}, {138, -22}, {131, -16}, {134, -15}, {104, -12},
        {78, -41}, {103, -53}, {70, -28}, {68, -6}, {38, -1}, {37, -16}, {40, -14}, {5, 7},
        {-35, 1}, {-40, 30}, {-38, 19}, {-30, 29}, {-66, 18}, {-73, 19}, {-80, 37}, {-76, 15},
        {-25, -25}, {-13, -26}, {-14, -24}, {2, -39}, {0, 0}, {0, 0}, {0, 0}, {0, 0},
    };
    TPhased KingAt[SQUARE_COUNT]{
        {-13, 61}, {124, -49}, {24, -31}, {-126, 19}, {-77, 87}, {69, -13}, {58, -25}, {-15, -22},
        {94, -24}, {-29, 19}, {81, -36}, {51, -16}, {91, -24}, {-73, 35}, {83, -23}, {103, -49},
        {117, -42}, {62, -10}, {85, -38}, {91, -18}, {99, -37}, {75, -33}, {83, -27}, {80, -18},
        {77, -35}, {125, -39}, {64, -8}, {7, 1}, {-37, 8}, {73, -22}, {78, -23}, {32, -19},
    };
    // What a draw costs the side the search plays for: it prefers a small edge kept to a draw
    // by repetition or by the forty-move rule.
    int32_t Contempt = 0;
    // The formations' weights; none: no formation counts.
    const TExpertPatterns* Patterns = &EXPERT_PATTERNS;

    // The weight of a feature by its index.
    constexpr TPhased& Weight(int Feature);
    constexpr const TPhased& Weight(int Feature) const { return const_cast<TExpertWeights*>(this)->Weight(Feature); }
};

inline constexpr TPhased TExpertWeights::*EXPERT_SCALAR_WEIGHTS[EXPERT_SCALAR_FEATURES] = {
    &TExpertWeights::Man,         &TExpertWeights::King,     &TExpertWeights::BackBridge,
    &TExpertWeights::BackOther,   &TExpertWeights::Centre,   &TExpertWeights::KingCentre,
    &TExpertWeights::KingEdge,    &TExpertWeights::Tempo,    &TExpertWeights::Runaway,
    &TExpertWeights::RunawayRows, &TExpertWeights::Mobility, &TExpertWeights::TrappedKing,
    &TExpertWeights::TrappedMan,  &TExpertWeights::DogHole,  &TExpertWeights::Chase,
    &TExpertWeights::DoubleCorner, &TExpertWeights::Balance};

constexpr TPhased& TExpertWeights::Weight(int Feature)
{
    if (Feature >= efKingAt)
        return KingAt[Feature - efKingAt];
    if (Feature >= efManAt)
        return ManAt[Feature - efManAt];
    return this->*EXPERT_SCALAR_WEIGHTS[Feature];
}

// A feature's name as velk-tune reads and prints it: "Man", ..., "ManAt5", "KingAt32".
std::string ExpertFeatureName(int Feature);

// The pieces at which a weight is all Open.
constexpr int EXPERT_FULL_BOARD = 24;

// The tuned weights the Expert level plays with.
inline constexpr TExpertWeights ExpertWeights{};

// Writes the board's EXPERT_FEATURES features, from the side to move's view, to Out and returns
// the pieces on the board, which blend each weight pair.
int ExpertFeatures(const TCheckersBoard& Board, int32_t* Out);

// Writes each band's configuration, EXPERT_BANDS of them, to Out.
void ExpertBands(const TCheckersBoard& Board, uint16_t* Out);

// The board's worth to its side to move: its ExpertFeatures times their weights and the
// weights of its ExpertBands, each pair blended for the pieces on the board, summed.
int32_t ExpertEvaluate(const TCheckersBoard& Board, const TExpertWeights& Weights = ExpertWeights);

}  // namespace velk
