#pragma once
// The analysis of the shown position: the Expert search with no time limit and its three best
// moves, on a thread of its own, reporting after every iteration and never playing a move.
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "engine/CheckersBoard.h"
#include "engine/SearchStrategy.h"
#include "platform/WorkerThread.h"

namespace velk {

// A report of the analysis numbered WParam is waiting (see TAnalyzer::Latest).
constexpr uint32_t WM_GB_ANALYSIS = WM_USER + 16;
constexpr int ANALYSIS_LINES = 3;

class TAnalyzer final : public TWorkerThread {
public:
    TAnalyzer();
    ~TAnalyzer() override;

    // Stops what it was analysing and starts on Board; its reports carry Serial.
    void Start(const TCheckersBoard& Board, std::vector<uint64_t> GameKeys, uint32_t MaxMemory, int Threads,
               uint64_t Serial);
    // Stops the analysis and waits until it has ended.
    void Stop();
    // The latest report, when it belongs to the analysis numbered Serial.
    bool Latest(uint64_t Serial, TSearchReport& Report) const;

protected:
    void RunJob() override;

private:
    // Owned by the worker between Start and idle.
    std::unique_ptr<TCheckersBoard> FBoard;
    std::vector<uint64_t> FGameKeys;
    uint32_t FMaxMemory = 0;
    int FThreads = 1;
    uint64_t FSerial = 0;
    TStopFlag FStop{STOP_NONE};

    mutable std::mutex FGuard;  // the latest report, written by the worker
    TSearchReport FLatest;
    uint64_t FLatestSerial = 0;
};

}  // namespace velk
