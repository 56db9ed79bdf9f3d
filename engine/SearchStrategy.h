#pragma once
// What the computer player searches, told apart from the thread it runs on: the solver runs any
// strategy, the fixed-depth levels' or another game level's, on the same worker and messages.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "GameBoard.h"

namespace velk {

constexpr uint8_t DEFAULT_SEARCH_DEPTH = 8;
constexpr uint32_t DEFAULT_MAX_MEMORY = 0x100000;

// What a search knows after an iteration, as the engine output shows it.
struct TSearchReport {
    struct TLine {
        int32_t Move = -1;   // index in the searched board's move list
        int32_t Score = 0;   // from Red's side, on the Expert scale (engine/ScoreText.h)
        std::string Moves;   // the expected line in notation, the move first: "11-15 23-19 8-11"
    };
    int Depth = 0;
    uint64_t Nodes = 0;
    double Seconds = 0;
    std::vector<TLine> Lines;  // best first
};
using TSearchReporter = std::function<void(const TSearchReport&)>;

// One way of choosing the computer's move. Search runs on the solver's thread while its owner
// may change its settings, so settings a search reads are atomic.
class TSearchStrategy {
public:
    virtual ~TSearchStrategy() = default;

    // Whether it can search such a board at all; the solver refuses to start it on another.
    virtual bool Accepts(const TGameBoard& /*Board*/) const { return true; }
    // The index of the move to play on Board (the solver's own copy, the strategy's to use), or
    // -1 when there is none. StopFlag and GameKeys as for TGameBoard::Solve: a hurried search
    // answers with what it has, an aborted one throws EAbort.
    virtual int32_t Search(TGameBoard& Board, const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys) = 0;

    // Called on the searching thread with what the search knows, after each iteration of a
    // search that deepens and once at the end of one that does not. Set before the first search.
    void SetReporter(TSearchReporter Reporter) { FReporter = std::move(Reporter); }

protected:
    bool Reporting() const { return static_cast<bool>(FReporter); }
    void Report(const TSearchReport& Report) const
    {
        if (FReporter)
            FReporter(Report);
    }

private:
    TSearchReporter FReporter;
};

// The fixed-depth levels: TGameBoard::Solve to Depth plies with a table of MaxMemory bytes.
class TFixedDepthStrategy final : public TSearchStrategy {
public:
    uint8_t Depth() const { return FDepth.load(); }
    void SetDepth(uint8_t Value) { FDepth.store(Value); }
    uint32_t MaxMemory() const { return FMaxMemory.load(); }
    void SetMaxMemory(uint32_t Value) { FMaxMemory.store(Value); }

    int32_t Search(TGameBoard& Board, const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys) override;

private:
    std::atomic<uint8_t> FDepth{DEFAULT_SEARCH_DEPTH};
    std::atomic<uint32_t> FMaxMemory{DEFAULT_MAX_MEMORY};
};

}  // namespace velk
