#include "Options.h"

#include <bit>
#include <cstdio>

#include "engine/ExpertSearch.h"
#include "engine/Fen.h"
#include "platform/MemoryStatus.h"

namespace velk {

[[noreturn]] void Fail(const std::string& Message)
{
    throw TUsageError{Message};
}

uint64_t ParseNumber(const std::string& Text, const char* What, uint64_t Min, uint64_t Max)
{
    if (Text.empty() || Text.find_first_not_of("0123456789") != std::string::npos)
        Fail(std::string(What) + " must be a number, not \"" + Text + "\"");
    // Saturating, so that a number of any length is judged by its size.
    uint64_t value = 0;
    for (const char c : Text)
        value = value > (UINT64_MAX - 9) / 10 ? UINT64_MAX : value * 10 + static_cast<uint64_t>(c - '0');
    const std::string range = " must be between " + std::to_string(Min) + " and " + std::to_string(Max);
    if (value > Max)
        Fail(std::string(What) + " " + Text + " is too large: it" + range);
    if (value < Min)
        Fail(std::string(What) + range);
    return value;
}

TArgs ParseArgs(int argc, char** argv)
{
    TArgs args;
    static const std::vector<std::string> valued = {"--fen",   "--ballot", "--board", "--turn", "--memory",   "--depth",
                                                  "--level", "--movetime", "--a", "--b", "--games", "--openings",
                                                  "--ballots", "--deck", "--count", "--seed", "--out", "--plies",
                                                  "--book", "--threads", "--egdb", "--game", "--pdn", "--clock"};
    static const std::vector<std::string> flags = {"--no-draws", "--game-memory", "--moves", "--no-book", "--after"};
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            args.WantHelp = true;
        } else if (a == "--version") {
            args.WantVersion = true;
        } else if (a.rfind("--", 0) == 0) {
            std::string name = a, value;
            const size_t eq = a.find('=');
            if (eq != std::string::npos) {
                name = a.substr(0, eq);
                value = a.substr(eq + 1);
            }
            bool known = false, flag = false;
            for (const auto& v : valued)
                known = known || v == name;
            for (const auto& f : flags)
                flag = flag || f == name;
            if (!known && !flag)
                Fail("unknown option " + name);
            if (flag && eq != std::string::npos)
                Fail(name + " takes no value");
            if (known && eq == std::string::npos) {
                if (i + 1 >= argc)
                    Fail(name + " needs a value");
                value = argv[++i];
            }
            if (args.Options.count(name))
                Fail(name + " is given twice");
            args.Options[name] = value;
        } else if (args.Command.empty()) {
            args.Command = a;
        } else {
            args.Positional.push_back(a);
        }
    }
    return args;
}

void AllowOptions(const TArgs& Args, std::initializer_list<const char*> Allowed)
{
    for (const auto& [name, value] : Args.Options) {
        bool ok = false;
        for (const char* a : Allowed)
            ok = ok || name == a;
        if (!ok)
            Fail(name + " does not apply to " + Args.Command);
    }
}

void ExpectPositional(const TArgs& Args, size_t Count)
{
    if (Args.Positional.size() < Count)
        Fail(Args.Command + " needs a DEPTH");
    if (Args.Positional.size() > Count)
        Fail("unexpected argument \"" + Args.Positional[Count] + "\"");
}

void LoadPosition(const TArgs& Args, TCheckersBoard& Board)
{
    std::string error;
    const auto fen = Args.Options.find("--fen");
    const auto text = Args.Options.find("--board");
    const auto turn = Args.Options.find("--turn");
    if (fen != Args.Options.end() && text != Args.Options.end())
        Fail("give either --fen or --board, not both");
    if (turn != Args.Options.end() && text == Args.Options.end())
        Fail("--turn goes with --board");
    if (fen != Args.Options.end()) {
        if (!ParseFen(fen->second, Board, error))
            Fail(error);
    } else if (text != Args.Options.end()) {
        if (!ParseBoardText(text->second, turn == Args.Options.end() ? "black" : turn->second, Board, error))
            Fail(error);
    } else {
        Board.NewGame();
    }
}

double Seconds(std::chrono::steady_clock::time_point Start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
}

// The table budget: --memory, or with --game-memory the default the game itself starts with.
uint32_t MemoryOption(const TArgs& Args, uint32_t Default)
{
    const auto mem = Args.Options.find("--memory");
    if (Args.Options.count("--game-memory")) {
        if (mem != Args.Options.end())
            Fail("give either --memory or --game-memory, not both");
        return DefaultTableMemory();
    }
    return mem == Args.Options.end() ? Default
                                     : static_cast<uint32_t>(ParseNumber(mem->second, "--memory", 1, 0xFFFFFFFFu));
}

void PrintRate(const char* What, uint64_t Count, double Time)
{
    std::printf("time %.3f s\n", Time);
    std::printf("%s %.0f per second\n", What, Time > 0 ? static_cast<double>(Count) / Time : 0.0);
}

// The level of --level, with the time of --movetime when it is expert; without --level, a
// level with depth 0.
TLevel LevelOption(const TArgs& Args)
{
    TLevel level;
    const auto lev = Args.Options.find("--level");
    const auto time = Args.Options.find("--movetime");
    if (lev != Args.Options.end()) {
        std::string error;
        if (!ParseLevel(lev->second, 1.0, level, error))
            Fail(error);
    }
    if (time != Args.Options.end()) {
        if (!level.Expert())
            Fail("--movetime goes with --level expert");
        if (!ParseSeconds(time->second, level.MoveTimeMs))
            Fail("--movetime must be seconds from 0.001 to 3600, not \"" + time->second + "\"");
    }
    return level;
}

uint64_t SeedOption(const TArgs& Args, uint64_t Default)
{
    const auto seed = Args.Options.find("--seed");
    return seed == Args.Options.end() ? Default : ParseNumber(seed->second, "--seed", 0, UINT64_MAX);
}

// The endgame tables for the Expert level: --egdb DIR, or the game's own folder; "none" for
// none. Positions with more than MostPieces pieces never reach the tables within a move, so
// loading them is not worth its time (a few tenths of a second). The six-piece set is read
// only when asked for by name of folder, being 0.7 GB.
std::unique_ptr<TEndgameDb> EndgameOption(const TArgs& Args, const TCheckersBoard* Root)
{
    constexpr int MOST_PIECES_TO_LOAD_FOR = 14;
    const auto folder = Args.Options.find("--egdb");
    if (folder != Args.Options.end() && folder->second == "none")
        return nullptr;
    if (Root != nullptr && std::popcount(Root->BlackPieces() | Root->WhitePieces()) > MOST_PIECES_TO_LOAD_FOR)
        return nullptr;
    auto db = std::make_unique<TEndgameDb>();
    if (folder != Args.Options.end()) {
        if (!db->Load(folder->second))
            Fail("no endgame tables in " + folder->second);
    } else if (!db->Load(TEndgameDb::DefaultFolder(), 5)) {
        return nullptr;
    }
    return db;
}

// --clock M+S: each side's clock, M minutes for the game (fractions allowed) and S seconds more
// for each move; none without the option.
TTimeControl ClockOption(const TArgs& Args)
{
    const auto clock = Args.Options.find("--clock");
    TTimeControl control;
    if (clock != Args.Options.end() && (!ParseTimeControl(clock->second, 60000, control) || !control.Active()))
        Fail("--clock must be MINUTES+SECONDS such as 5+3 or 0.5+0.1 (at most 1440 minutes and 3600 seconds), not \"" +
             clock->second + "\"");
    return control;
}

// --threads for the Expert level: 0 (the default) for one per core.
int ThreadsOption(const TArgs& Args)
{
    const auto threads = Args.Options.find("--threads");
    return threads == Args.Options.end() ? 0 : static_cast<int>(ParseNumber(threads->second, "--threads", 1, 256));
}

}  // namespace velk
