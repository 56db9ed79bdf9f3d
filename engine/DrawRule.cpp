#include "DrawRule.h"

#include <algorithm>
#include <bit>

namespace velk {

namespace {

int PieceCount(const TCheckersBoard& Board) { return std::popcount(Board.BlackPieces() | Board.WhitePieces()); }

}  // namespace

void TGamePositions::Reset(const TCheckersBoard& Start)
{
    FKeys.assign(1, Start.Key());
    FCount = 1;
    FBlackMen = Start.BlackPieces() & ~Start.Kings();
    FWhiteMen = Start.WhitePieces() & ~Start.Kings();
    FPieces = PieceCount(Start);
}

void TGamePositions::Push(const TCheckersBoard& After)
{
    const TSquareSet blackMen = After.BlackPieces() & ~After.Kings();
    const TSquareSet whiteMen = After.WhitePieces() & ~After.Kings();
    const int pieces = PieceCount(After);
    // A man never goes back, a crowned man never becomes one again and a taken piece never
    // returns: no position before such a turn can occur again.
    if (blackMen != FBlackMen || whiteMen != FWhiteMen || pieces != FPieces)
        FKeys.clear();
    FKeys.push_back(After.Key());
    ++FCount;
    FBlackMen = blackMen;
    FWhiteMen = whiteMen;
    FPieces = pieces;
}

TDrawReason TGamePositions::Reason() const
{
    if (FKeys.empty())
        return TDrawReason::None;
    if (static_cast<int>(FKeys.size()) - 1 >= KING_MOVES_FOR_DRAW)
        return TDrawReason::FortyMoves;
    return std::count(FKeys.begin(), FKeys.end(), FKeys.back()) >= 3 ? TDrawReason::Repetition : TDrawReason::None;
}

}  // namespace velk
