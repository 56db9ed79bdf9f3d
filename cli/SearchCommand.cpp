// The game's search from the tool: one position at a depth or a level (search), and a fixed set
// of positions timed (bench).
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <new>

#include "Options.h"
#include "engine/ExpertSearch.h"
#include "engine/Fen.h"
#include "engine/OpeningBook.h"
#include "engine/PositionTable.h"

namespace velk {

namespace {

// Sizes the shared table as the search about to run will (so that it keeps it) and clears it,
// apart from the search's own time: a large table costs its allocation and first touch once.
double PrepareTable(uint32_t Depth, uint32_t Memory)
{
    const auto start = std::chrono::steady_clock::now();
    TPositionTable& table = GlobalPositionTable();
    const uint32_t before = table.Count();
    try {
        table.Plan(TCheckersBoard().BranchingFactor(), Depth, Memory);
    } catch (const std::bad_alloc&) {
        Fail("the transposition table of " + std::to_string(Memory) + " bytes could not be allocated");
    }
    if (table.Count() == before)  // a new block comes cleared
        table.Clear();
    return Seconds(start);
}

void PrintTable(double Time)
{
    const TPositionTable& table = GlobalPositionTable();
    std::printf("table %" PRIu64 " bytes, %u entries, cleared in %.3f s apart from the search\n", table.Bytes(),
                table.Count(), Time);
}

// The score of a root that Solve does not search because it has a single move: the negated
// best score of the reply position one ply shallower, found the same way.
int32_t ForcedScore(TCheckersBoard& Board, int Depth, uint32_t Memory)
{
    TCheckersBoard child;
    child.Assign(Board);
    child.MakeMove(0);
    if (child.MoveCount() == 0)
        return WIN_SCORE + Depth - 1;
    if (Depth <= 1)
        return -child.Evaluate();
    const int32_t best = child.Solve(static_cast<uint8_t>(Depth - 1), Memory, nullptr);
    if (child.MoveCount() == 1 && best == 0)
        return -ForcedScore(child, Depth - 1, Memory);
    return -child.SearchScore();
}

// With --after, the position the move leads to, for scripts that play the tool as a driver.
void PrintAfter(const TArgs& Args, TCheckersBoard& Board, int32_t Move)
{
    if (Args.Options.count("--after") == 0 || Move < 0)
        return;
    TCheckersBoard after;
    after.Assign(Board);
    after.MakeMove(Move);
    std::printf("after %s\n", BoardToFen(after).c_str());
}

int CmdSearchExpert(const TArgs& Args, const TLevel& Level)
{
    TCheckersBoard board;
    LoadPosition(Args, board);
    const int threads = ThreadsOption(Args);  // a bad value is refused even when the book answers
    if (Args.Options.count("--no-book") == 0) {
        const int32_t book = BookMove(board, SeedOption(Args, RandomBookSeed()));
        if (book >= 0) {
            std::printf("bestmove %s\nbook\n", PathToText(board.Moves()[book]).c_str());
            PrintAfter(Args, board, book);
            return 0;
        }
    }
    const auto loading = std::chrono::steady_clock::now();
    const std::unique_ptr<TEndgameDb> endgames = EndgameOption(Args, &board);
    const double loadTime = Seconds(loading);
    TExpertEngine engine;
    engine.SetThreads(threads);
    engine.SetEndgameDb(endgames.get());
    const auto start = std::chrono::steady_clock::now();
    TExpertResult result;
    try {
        result = engine.Search(board, Level.MoveTimeMs, MemoryOption(Args, EXPERT_TOOL_MEMORY), nullptr, nullptr);
    } catch (const std::bad_alloc&) {
        Fail("the transposition table could not be allocated");
    }
    const double time = Seconds(start) - result.TableSeconds;
    std::printf("bestmove %s\n", result.Move < 0 ? "none" : PathToText(board.Moves()[result.Move]).c_str());
    std::printf("score %d\n", result.Score);
    std::printf("depth %d\n", result.Depth);
    PrintAfter(Args, board, result.Move);
    std::printf("nodes %" PRIu64 "\n", result.Nodes);
    PrintRate("nodes", result.Nodes, time);
    std::printf("threads %d\n", engine.Threads());
    std::printf("table made in %.3f s, apart from the search time\n", result.TableSeconds);
    if (endgames)
        std::printf("endgame tables of up to %d pieces loaded in %.3f s, before the search\n", endgames->MaxPieces(),
                    loadTime);
    return 0;
}

}  // namespace

int CmdSearch(const TArgs& Args)
{
    AllowOptions(Args, {"--fen", "--board", "--turn", "--memory", "--game-memory", "--level", "--movetime", "--seed",
                        "--no-book", "--after", "--threads", "--egdb"});
    const TLevel level = LevelOption(Args);
    if (!level.Expert() && (Args.Options.count("--seed") || Args.Options.count("--no-book")))
        Fail("--seed and --no-book go with --level expert");
    if (!level.Driver.empty())
        Fail("search plays the engine's own levels, not a driver");
    if (level.Expert()) {
        ExpectPositional(Args, 0);
        return CmdSearchExpert(Args, level);
    }
    int depth = level.Depth;
    if (depth == 0) {
        ExpectPositional(Args, 1);
        depth = static_cast<int>(ParseNumber(Args.Positional[0], "DEPTH", 1, MAX_SEARCH_DEPTH));
    } else {
        ExpectPositional(Args, 0);
    }
    const uint32_t memory = MemoryOption(Args);
    TCheckersBoard board;
    LoadPosition(Args, board);
    const double tableTime = PrepareTable(static_cast<uint32_t>(depth), memory);
    const auto start = std::chrono::steady_clock::now();
    const int32_t best = board.Solve(static_cast<uint8_t>(depth), memory, nullptr);
    const double time = Seconds(start);
    if (best < 0) {
        std::printf("bestmove none\n");
        std::printf("score %d\n", board.Turn() == 0 ? 0 : -(WIN_SCORE + depth));
    } else {
        std::printf("bestmove %s\n", PathToText(board.Moves()[best]).c_str());
        PrintAfter(Args, board, best);
        const bool forced = board.MoveCount() == 1;
        std::printf("score %d\n", forced ? ForcedScore(board, depth, memory) : board.SearchScore());
        if (forced)
            std::printf("only move: not searched\n");
    }
    std::printf("nodes %" PRIu64 "\n", board.SearchNodes());
    PrintRate("nodes", board.SearchNodes(), time);
    PrintTable(tableTime);
    return 0;
}

int CmdBench(const TArgs& Args)
{
    AllowOptions(Args, {"--depth", "--memory", "--game-memory"});
    ExpectPositional(Args, 0);
    const auto d = Args.Options.find("--depth");
    const int depth = d == Args.Options.end() ? 14 : static_cast<int>(ParseNumber(d->second, "--depth", 1, 64));
    const uint32_t memory = MemoryOption(Args);
    static const char* const positions[] = {
        "B:W21-32:B1-12",                                                       // the start
        "B:W17,19,21,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,9,10,11,12,15",  // an opening
        "W:W18,19,21,23,24,26,29,30,31,32:B1,2,3,5,7,9,10,12,14,16",            // a middle game
        "B:W20,21,25,27,28,30,31:B4,6,9,10,11,15",                              // thinned out
        "B:WK3,18,22,25,K28:B9,13,K14,K23",                                     // kings on both sides
        "W:WK10,K19,27,32:BK1,K6,12,16",                                        // an ending
    };
    uint64_t totalNodes = 0;
    double totalTime = 0, tableTime = PrepareTable(static_cast<uint32_t>(depth), memory);
    std::printf("depth %d, table %u bytes: %" PRIu64 " bytes in %u entries\n", depth, memory,
                GlobalPositionTable().Bytes(), GlobalPositionTable().Count());
    for (const char* fen : positions) {
        TCheckersBoard board;
        std::string error;
        if (!ParseFen(fen, board, error))
            Fail(std::string("bench position ") + fen + ": " + error);
        if (totalNodes != 0)
            tableTime += PrepareTable(static_cast<uint32_t>(depth), memory);  // fresh for every position
        const auto start = std::chrono::steady_clock::now();
        const int32_t best = board.Solve(static_cast<uint8_t>(depth), memory, nullptr);
        const double time = Seconds(start);
        totalNodes += board.SearchNodes();
        totalTime += time;
        std::printf("%-72s %-9s %12" PRIu64 " nodes %8.3f s\n", fen,
                    best >= 0 ? PathToText(board.Moves()[best]).c_str() : "none", board.SearchNodes(), time);
    }
    std::printf("total %" PRIu64 " nodes %.3f s %.0f nodes per second\n", totalNodes, totalTime,
                totalTime > 0 ? static_cast<double>(totalNodes) / totalTime : 0.0);
    std::printf("table cleared in %.3f s in all, apart from the search times\n", tableTime);
    return 0;
}

}  // namespace velk
