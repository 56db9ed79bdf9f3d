#pragma once
// Runs the computer's search on a worker thread and posts its start and result to a message
// target, so that the window stays responsive while the computer thinks.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "GameBoard.h"
#include "SearchStrategy.h"
#include "platform/WorkerThread.h"

namespace velk {

constexpr uint32_t WM_GB_THINKBEGIN = WM_USER + 1;
constexpr uint32_t WM_GB_THINKEND = WM_USER + 2;
constexpr int32_t SOLVE_FAILED = -9999;

class TGameSolver : public TWorkerThread {
public:
    TGameSolver();
    ~TGameSolver() override;

    // Starts Strategy's search of a private copy of Board; false when a search is still running
    // or Strategy does not accept the board. GameKeys are the keys of the positions the game
    // already had (see TGameBoard::Solve). The result is posted with WM_GB_THINKEND: the move's
    // index, or SOLVE_FAILED when the search failed or was aborted.
    bool Start(const TGameBoard& Board, std::vector<uint64_t> GameKeys, std::shared_ptr<TSearchStrategy> Strategy);
    // Asks a running search to hurry (STOP_HURRY: its best move so far) or to abort (STOP_ABORT)
    // and waits until it has ended; its WM_GB_THINKEND has then been posted.
    void Stop(uint8_t How);

    // Posts Msg to the solver's target from the running search (a report of its progress).
    void PostFromSearch(uint32_t Msg, intptr_t WParam, intptr_t LParam) { Post(Msg, WParam, LParam); }

    uint8_t State() const { return FState.load(); }
    void SetState(uint8_t Value) { FState.store(Value); }

protected:
    void RunJob() override;

private:
    // Owned by the worker between Start and idle.
    std::unique_ptr<TGameBoard> FBoard;
    std::vector<uint64_t> FGameKeys;
    std::shared_ptr<TSearchStrategy> FStrategy;
    TStopFlag FState{STOP_NONE};
};

}  // namespace velk
