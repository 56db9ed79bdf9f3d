// The match command's options, read into TMatchOptions. The match itself is in
// MatchCommand.cpp, which the engine's tests build without the command line.
#include <cctype>
#include <cstdio>
#include <memory>

#include "Options.h"
#include "engine/Fen.h"

namespace velk {

int CmdMatch(const TArgs& Args)
{
    AllowOptions(Args, {"--a", "--b", "--games", "--openings", "--ballots", "--deck", "--count", "--seed", "--no-book",
                        "--ballot", "--memory", "--moves", "--threads", "--egdb", "--clock"});
    ExpectPositional(Args, 0);
    TMatchOptions options;
    for (const char* side : {"--a", "--b"}) {
        const auto level = Args.Options.find(side);
        if (level == Args.Options.end())
            Fail(std::string("match needs ") + side + " LEVEL");
        std::string error;
        if (!ParseLevel(level->second, 1.0, side[2] == 'a' ? options.A : options.B, error))
            Fail(error);
    }
    const auto games = Args.Options.find("--games");
    if (games != Args.Options.end())
        options.Games = static_cast<int>(ParseNumber(games->second, "--games", 1, 100000));
    const auto file = Args.Options.find("--openings");
    if (file != Args.Options.end()) {
        std::FILE* f = std::fopen(file->second.c_str(), "r");
        if (f == nullptr)
            Fail("cannot read " + file->second);
        char line[512];
        for (int number = 1; std::fgets(line, sizeof line, f) != nullptr; ++number) {
            std::string text = line;
            text = text.substr(0, text.find('#'));
            while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back())))
                text.pop_back();
            while (!text.empty() && std::isspace(static_cast<unsigned char>(text.front())))
                text.erase(0, 1);
            if (text.empty())
                continue;
            TCheckersBoard board;
            std::string error;
            if (!ParseFen(text, board, error)) {
                std::fclose(f);
                Fail(file->second + ":" + std::to_string(number) + ": " + error);
            }
            options.Openings.push_back(text);
        }
        std::fclose(f);
        if (options.Openings.empty())
            Fail(file->second + " holds no opening");
    }
    options.Ballots = BallotsOption(Args, SeedOption(Args, 1));
    if (!options.Ballots.empty() && file != Args.Options.end())
        Fail("give either --openings or --ballot/--ballots, not both");
    options.Seed = SeedOption(Args, 1);
    options.UseBook = Args.Options.count("--no-book") == 0;
    options.Memory = MemoryOption(Args, 0);
    options.Threads = ThreadsOption(Args);
    options.Moves = Args.Options.count("--moves") != 0;
    options.Clock = ClockOption(Args);
    const std::unique_ptr<TEndgameDb> endgames = EndgameOption(Args);
    options.Endgames = endgames.get();
    return RunMatch(options);
}

}  // namespace velk
