#include "ExpertStrategy.h"

#include "OpeningBook.h"
#include "ScoreText.h"

namespace velk {

TSearchReport ToSearchReport(const TCheckersBoard& Root, const TExpertReport& Report)
{
    TSearchReport report;
    report.Depth = Report.Depth;
    report.Nodes = Report.Nodes;
    report.Seconds = Report.Seconds;
    for (const TExpertLine& line : Report.Lines) {
        std::string moves;
        for (const TCheckersMove& move : line.Pv) {
            if (!moves.empty())
                moves += ' ';
            moves += PathToText(move);
        }
        report.Lines.push_back({line.Move, RedScore(line.Score, Root.Turn() == PLAYER_BLACK), std::move(moves)});
    }
    return report;
}

bool TExpertStrategy::Accepts(const TGameBoard& Board) const
{
    return dynamic_cast<const TCheckersBoard*>(&Board) != nullptr;
}

int32_t TExpertStrategy::Search(TGameBoard& Board, const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys)
{
    const auto& board = dynamic_cast<const TCheckersBoard&>(Board);
    if (FUseBook.load()) {
        const uint64_t seed = FBookSeed.load();
        const int32_t book = BookMove(board, seed != 0 ? seed : RandomBookSeed());
        if (book >= 0)
            return book;
    }
    const uint32_t clock = FClockMoveTime.load();
    const uint32_t moveTime = clock != 0 ? clock : FMoveTime.load();
    TExpertRequest request;
    request.MoveTimeMs = moveTime == 0 ? 1 : moveTime;
    if (Reporting())
        request.OnReport = [this, &board](const TExpertReport& Found) { Report(ToSearchReport(board, Found)); };
    return SearchExpert(board, request, FMaxMemory.load(), StopFlag, GameKeys, FThreads.load()).Move;
}

}  // namespace velk
