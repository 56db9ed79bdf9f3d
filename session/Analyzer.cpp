#include "Analyzer.h"

#include "engine/ExpertSearch.h"
#include "engine/ExpertStrategy.h"

namespace velk {

TAnalyzer::TAnalyzer()
{
    Launch();
}

TAnalyzer::~TAnalyzer()
{
    FStop.store(STOP_ABORT);
    Shutdown();
}

void TAnalyzer::Start(const TCheckersBoard& Board, std::vector<uint64_t> GameKeys, uint32_t MaxMemory, int Threads,
                      uint64_t Serial)
{
    Stop();
    if (!Claim())
        return;
    FStop.store(STOP_NONE);
    FBoard = std::make_unique<TCheckersBoard>();
    FBoard->Assign(Board);
    FGameKeys = std::move(GameKeys);
    FMaxMemory = MaxMemory;
    FThreads = Threads;
    FSerial = Serial;
    Wake();
}

void TAnalyzer::Stop()
{
    if (Busy()) {
        FStop.store(STOP_ABORT);
        WaitIdle();
    }
}

bool TAnalyzer::Latest(uint64_t Serial, TSearchReport& Report) const
{
    std::lock_guard lock(FGuard);
    if (FLatestSerial != Serial)
        return false;
    Report = FLatest;
    return true;
}

void TAnalyzer::RunJob()
{
    if (!FBoard || Terminated())
        return;
    TExpertRequest request;
    request.Lines = ANALYSIS_LINES;
    request.OnReport = [this](const TExpertReport& Found) {
        {
            std::lock_guard lock(FGuard);
            FLatest = ToSearchReport(*FBoard, Found);
            FLatestSerial = FSerial;
        }
        Post(WM_GB_ANALYSIS, static_cast<intptr_t>(FSerial), 0);
    };
    try {
        // The game's own engine: its table serves the computer's next move too, and the two
        // never search at once (the session stops the analysis before the computer thinks).
        SearchExpert(*FBoard, request, FMaxMemory, &FStop, &FGameKeys, FThreads);
    } catch (...) {
        // Stopped, or out of memory: the analysis shows what it had.
    }
}

}  // namespace velk
