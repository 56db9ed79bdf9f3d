#pragma once
// The endgame database made while the game goes on: a thread at the lowest priority builds
// what is missing, and the tables, once loaded, are handed to whoever searches with them.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "EndgameDb.h"

namespace velk {

class TEndgameBuilder {
public:
    using TLoaded = std::function<void(std::shared_ptr<const TEndgameDb> Db)>;

    // Loaded is called from the building thread each time tables are loaded. The tables of up
    // to FirstPieces are built and handed over first, the rest after them: the five-piece
    // tables take minutes on one core, the six-piece ones more than half an hour.
    TEndgameBuilder(std::string Folder, int Pieces, int Threads, TLoaded Loaded, int FirstPieces = 5);
    // Stops a running build, which resumes from its last finished table next time.
    ~TEndgameBuilder();
    TEndgameBuilder(const TEndgameBuilder&) = delete;
    TEndgameBuilder& operator=(const TEndgameBuilder&) = delete;

    // Loads the tables already built and builds the rest on its thread, unless it runs or
    // everything is there. Returns at once.
    void Start();
    bool Running() const { return FRunning.load(); }
    bool Complete() const { return FComplete.load(); }
    // The running or last build's work done, from 0 to 1, and the pieces it goes up to (the
    // first part's, then Pieces()).
    double Progress() const;
    int Building() const { return FBuilding.load(); }
    // Why the last build failed; empty when it did not.
    std::string Error() const;
    const std::string& Folder() const { return FFolder; }
    int Pieces() const { return FPieces; }
    int FirstPieces() const { return FFirstPieces; }

private:
    void Load();
    void Build();

    const std::string FFolder;
    const int FPieces;
    const int FThreads;
    const TLoaded FLoaded;
    const int FFirstPieces;
    std::thread FThread;
    std::atomic<bool> FRunning{false};
    std::atomic<bool> FComplete{false};
    std::atomic<bool> FStop{false};
    std::atomic<uint64_t> FDone{0};
    std::atomic<uint64_t> FTotal{0};
    std::atomic<int> FBuilding{0};
    mutable std::mutex FErrorGuard;
    std::string FError;
};

}  // namespace velk
