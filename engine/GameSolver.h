#pragma once
// Runs the computer's search on a worker thread and posts its start and result to a message
// target, so that the window stays responsive while the computer thinks.
#include <atomic>
#include <cstdint>
#include <memory>
#include <vector>

#include "GameBoard.h"
#include "platform/WorkerThread.h"

namespace velk {

constexpr uint32_t WM_GB_THINKBEGIN = WM_USER + 1;
constexpr uint32_t WM_GB_THINKEND = WM_USER + 2;
constexpr int32_t SOLVE_FAILED = -9999;

constexpr uint8_t DEFAULT_SEARCH_DEPTH = 8;
constexpr uint32_t DEFAULT_MAX_MEMORY = 0x100000;

class TGameSolver : public TWorkerThread {
public:
    TGameSolver();
    ~TGameSolver() override;

    // Starts a search of a private copy of Board; false when a search is still running.
    // GameKeys are the keys of the positions the game already had (see TGameBoard::Solve).
    bool Start(const TGameBoard& Board, std::vector<uint64_t> GameKeys = {});
    // The same for the Expert level: a TCheckersBoard searched for MoveTimeMs by SearchExpert.
    // The messages mean what they mean for Start; a hurried search answers with the best move
    // of its last finished iteration, an aborted one with SOLVE_FAILED.
    bool StartExpert(const TGameBoard& Board, uint32_t MoveTimeMs, std::vector<uint64_t> GameKeys = {});
    // Asks a running search to hurry (STOP_HURRY) or to abort (STOP_ABORT) and waits until it
    // has ended; its WM_GB_THINKEND has then been posted.
    void Stop(uint8_t How);

    uint8_t Depth() const { return FDepth.load(); }
    void SetDepth(uint8_t Value) { FDepth.store(Value); }
    uint32_t MaxMemory() const { return FMaxMemory.load(); }
    void SetMaxMemory(uint32_t Value) { FMaxMemory.store(Value); }
    // Whether the Expert level plays from the opening book while it can (on by default), and
    // the seed that draws among its moves: 0, the default, draws afresh for every move.
    bool UseBook() const { return FUseBook.load(); }
    void SetUseBook(bool Value) { FUseBook.store(Value); }
    void SetBookSeed(uint64_t Value) { FBookSeed.store(Value); }
    // The Expert level's threads: 0, the default, one per core.
    int Threads() const { return FThreads.load(); }
    void SetThreads(int Value) { FThreads.store(Value); }
    uint8_t State() const { return FState.load(); }
    void SetState(uint8_t Value) { FState.store(Value); }

protected:
    void RunJob() override;

private:
    std::unique_ptr<TGameBoard> FBoard;  // owned by the worker between Start and idle
    std::vector<uint64_t> FGameKeys;     // likewise
    uint32_t FExpertMoveTime = 0;        // likewise; 0 for a search of Depth plies
    std::atomic<uint8_t> FDepth{DEFAULT_SEARCH_DEPTH};
    std::atomic<uint32_t> FMaxMemory{DEFAULT_MAX_MEMORY};
    std::atomic<bool> FUseBook{true};
    std::atomic<uint64_t> FBookSeed{0};
    std::atomic<int> FThreads{0};
    TStopFlag FState{STOP_NONE};
};

}  // namespace velk
