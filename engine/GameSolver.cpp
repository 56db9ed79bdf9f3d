#include "GameSolver.h"

#include "CheckersBoard.h"
#include "ExpertSearch.h"
#include "OpeningBook.h"

namespace velk {

TGameSolver::TGameSolver()
{
    Launch();
}

TGameSolver::~TGameSolver()
{
    FState.store(STOP_ABORT);
    Shutdown();
}

bool TGameSolver::Start(const TGameBoard& Board, std::vector<uint64_t> GameKeys)
{
    if (!Claim())
        return false;
    FState.store(STOP_NONE);
    FBoard = Board.Create();
    FBoard->Assign(Board);
    FGameKeys = std::move(GameKeys);
    FExpertMoveTime = 0;
    Wake();
    return true;
}

bool TGameSolver::StartExpert(const TGameBoard& Board, uint32_t MoveTimeMs, std::vector<uint64_t> GameKeys)
{
    if (dynamic_cast<const TCheckersBoard*>(&Board) == nullptr || !Claim())
        return false;
    FState.store(STOP_NONE);
    FBoard = Board.Create();
    FBoard->Assign(Board);
    FGameKeys = std::move(GameKeys);
    FExpertMoveTime = MoveTimeMs == 0 ? 1 : MoveTimeMs;  // 0 would mean no limit at all
    Wake();
    return true;
}

void TGameSolver::Stop(uint8_t How)
{
    if (Busy()) {
        FState.store(How);
        WaitIdle();
    }
}

void TGameSolver::RunJob()
{
    struct TFreeCopy {
        std::unique_ptr<TGameBoard>& Board;
        ~TFreeCopy() { Board.reset(); }
    } freeCopy{FBoard};
    if (!FBoard)
        return;
    Post(WM_GB_THINKBEGIN, 0, 0);
    int32_t result = SOLVE_FAILED;
    if (!Terminated()) {
        try {
            const uint64_t seed = FBookSeed.load();
            const int32_t book =
                FExpertMoveTime != 0 && FUseBook.load()
                    ? BookMove(static_cast<const TCheckersBoard&>(*FBoard), seed != 0 ? seed : RandomBookSeed())
                    : -1;
            if (book >= 0)
                result = book;
            else if (FExpertMoveTime != 0)
                result = SearchExpert(static_cast<const TCheckersBoard&>(*FBoard), FExpertMoveTime, FMaxMemory.load(),
                                      &FState, &FGameKeys, FThreads.load())
                             .Move;
            else
                result = FBoard->Solve(FDepth.load(), FMaxMemory.load(), &FState, &FGameKeys);
        } catch (...) {
            // Any failure of the search, the abort included, is reported as one result.
            result = SOLVE_FAILED;
        }
    }
    Post(WM_GB_THINKEND, result, FState.load());
}

}  // namespace velk
