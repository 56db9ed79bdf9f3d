#include "GameSolver.h"

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

bool TGameSolver::Start(const TGameBoard& Board, std::vector<uint64_t> GameKeys,
                        std::shared_ptr<TSearchStrategy> Strategy)
{
    if (!Strategy || !Strategy->Accepts(Board) || !Claim())
        return false;
    FState.store(STOP_NONE);
    FBoard = Board.Create();
    FBoard->Assign(Board);
    FGameKeys = std::move(GameKeys);
    FStrategy = std::move(Strategy);
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
        TGameSolver& Solver;
        ~TFreeCopy()
        {
            Solver.FBoard.reset();
            Solver.FStrategy.reset();
        }
    } freeCopy{*this};
    if (!FBoard || !FStrategy)
        return;
    Post(WM_GB_THINKBEGIN, 0, 0);
    int32_t result = SOLVE_FAILED;
    if (!Terminated()) {
        try {
            result = FStrategy->Search(*FBoard, &FState, &FGameKeys);
        } catch (...) {
            // Any failure of the search, the abort included, is reported as one result.
            result = SOLVE_FAILED;
        }
    }
    Post(WM_GB_THINKEND, result, FState.load());
}

}  // namespace velk
