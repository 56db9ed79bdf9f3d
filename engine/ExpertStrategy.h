#pragma once
// The Expert level as the solver runs it: a move from the opening book while the book knows the
// position, else the Expert search for a time per move.
#include <atomic>
#include <cstdint>
#include <vector>

#include "ExpertSearch.h"
#include "SearchStrategy.h"

namespace velk {

// What an Expert search reports, as the engine output shows it: scores from Red's side, lines
// in notation. Root is the board the search started from.
TSearchReport ToSearchReport(const TCheckersBoard& Root, const TExpertReport& Report);

class TExpertStrategy final : public TSearchStrategy {
public:
    // Milliseconds a move (0 is taken as 1: the search would have no limit at all).
    uint32_t MoveTime() const { return FMoveTime.load(); }
    void SetMoveTime(uint32_t Value) { FMoveTime.store(Value); }
    // The time a game on the clock gives the next move, in place of MoveTime (0: none).
    void SetClockMoveTime(uint32_t Value) { FClockMoveTime.store(Value); }
    // The table's budget in bytes.
    uint32_t MaxMemory() const { return FMaxMemory.load(); }
    void SetMaxMemory(uint32_t Value) { FMaxMemory.store(Value); }
    // Threads searching together: 0, the default, one per core.
    int Threads() const { return FThreads.load(); }
    void SetThreads(int Value) { FThreads.store(Value); }
    // Whether it plays from the opening book while it can (on by default), and the seed that
    // draws among the book's moves: 0, the default, draws afresh for every move.
    bool UseBook() const { return FUseBook.load(); }
    void SetUseBook(bool Value) { FUseBook.store(Value); }
    void SetBookSeed(uint64_t Value) { FBookSeed.store(Value); }

    // Only a checkers board.
    bool Accepts(const TGameBoard& Board) const override;
    // A hurried search answers with the best move of its last finished iteration.
    int32_t Search(TGameBoard& Board, const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys) override;

private:
    std::atomic<uint32_t> FMoveTime{EXPERT_DEFAULT_MOVE_TIME_MS};
    std::atomic<uint32_t> FClockMoveTime{0};
    std::atomic<uint32_t> FMaxMemory{DEFAULT_MAX_MEMORY};
    std::atomic<int> FThreads{0};
    std::atomic<bool> FUseBook{true};
    std::atomic<uint64_t> FBookSeed{0};
};

}  // namespace velk
