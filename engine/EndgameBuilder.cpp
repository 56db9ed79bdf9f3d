#include "EndgameBuilder.h"

#include <algorithm>

#include <sys/resource.h>
#include <unistd.h>

namespace velk {

TEndgameBuilder::TEndgameBuilder(std::string Folder, int Pieces, int Threads, TLoaded Loaded, int FirstPieces)
    : FFolder(std::move(Folder)), FPieces(Pieces), FThreads(Threads), FLoaded(std::move(Loaded)),
      FFirstPieces(std::clamp(FirstPieces, 2, std::max(Pieces, 2)))
{
}

TEndgameBuilder::~TEndgameBuilder()
{
    FStop.store(true);
    if (FThread.joinable())
        FThread.join();
}

void TEndgameBuilder::Load()
{
    auto db = std::make_shared<TEndgameDb>();
    if (db->Load(FFolder) && FLoaded)
        FLoaded(db);
    FComplete.store(db->MaxPieces() >= FPieces);
}

void TEndgameBuilder::Start()
{
    if (FRunning.load() || FComplete.load())
        return;
    if (FThread.joinable())
        FThread.join();
    FStop.store(false);
    FRunning.store(true);
    FThread = std::thread([this] { Build(); });
}

void TEndgameBuilder::Build()
{
    // The player's game comes first: the build takes what the machine has to spare. On Linux
    // the priority is the calling thread's, and the threads the build starts inherit it.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), 19);
    // What an earlier session built serves at once (loading takes a few tenths of a second,
    // which is why it happens here); the rest is made and then loaded too.
    Load();
    if (FComplete.load()) {
        FRunning.store(false);
        return;
    }
    std::string error;
    TEgdbBuildOptions options;
    options.Folder = FFolder;
    options.Threads = FThreads;
    bool built = true;
    for (const int pieces : {FFirstPieces, FPieces}) {
        if (!built || FComplete.load() || (pieces < FPieces && EndgameDbComplete(FFolder, pieces)))
            continue;
        options.Pieces = pieces;
        FTotal.store(0);
        FBuilding.store(pieces);
        built = BuildEndgameDb(
            options,
            [this](uint64_t Done, uint64_t Total) {
                FDone.store(Done);
                FTotal.store(Total);
                return !FStop.load();
            },
            error);
        if (built)
            Load();
    }
    {
        std::lock_guard lock(FErrorGuard);
        FError = built || FStop.load() ? std::string() : error;
    }
    FRunning.store(false);
}

double TEndgameBuilder::Progress() const
{
    if (FComplete.load())
        return 1.0;
    const uint64_t total = FTotal.load();
    return total == 0 ? 0.0 : static_cast<double>(FDone.load()) / static_cast<double>(total);
}

std::string TEndgameBuilder::Error() const
{
    std::lock_guard lock(FErrorGuard);
    return FError;
}

}  // namespace velk
