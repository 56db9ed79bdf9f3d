#include "ExpertStrategy.h"

#include "OpeningBook.h"

namespace velk {

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
    const uint32_t moveTime = FMoveTime.load();
    return SearchExpert(board, moveTime == 0 ? 1 : moveTime, FMaxMemory.load(), StopFlag, GameKeys, FThreads.load())
        .Move;
}

}  // namespace velk
