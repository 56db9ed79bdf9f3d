#include "SearchStrategy.h"

#include <chrono>
#include <cstdlib>

#include "CheckersBoard.h"
#include "ExpertSearch.h"

namespace velk {

namespace {

// The fixed-depth search counts 5000 a man and scores a win WIN_SCORE plus the depth left.
constexpr int32_t FIXED_DEPTH_MAN = 5000;

int32_t ExpertScale(int32_t Score, int Depth)
{
    const int32_t magnitude = std::abs(Score);
    if (magnitude >= WIN_SCORE) {
        const int plies = std::max(1, Depth - (magnitude - WIN_SCORE));
        return (Score > 0 ? 1 : -1) * (EXPERT_WIN - plies);
    }
    return Score / (FIXED_DEPTH_MAN / 100);
}

}  // namespace

int32_t TFixedDepthStrategy::Search(TGameBoard& Board, const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys)
{
    const auto start = std::chrono::steady_clock::now();
    const uint8_t depth = FDepth.load();
    const int32_t move = Board.Solve(depth, FMaxMemory.load(), StopFlag, GameKeys);
    // Only a checkers board's scores are in men; the search reports once, as it does not deepen.
    auto* checkers = dynamic_cast<TCheckersBoard*>(&Board);
    if (checkers != nullptr && move >= 0 && move < checkers->MoveCount()) {
        TSearchReport report;
        report.Depth = depth;
        report.Nodes = Board.SearchNodes();
        report.Seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        const int32_t score = ExpertScale(Board.SearchScore(), depth);
        report.Lines.push_back({move, checkers->Turn() == PLAYER_BLACK ? score : -score,
                                PathToText(checkers->Moves()[move])});
        Report(report);
    }
    return move;
}

}  // namespace velk
