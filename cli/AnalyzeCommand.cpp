// A played game gone over with the engine from a terminal: a line per half-move with its score,
// the engine's better move and the move's class, and the marks each side earned.
#include <cctype>
#include <cstdio>

#include "Options.h"
#include "PdnCommands.h"
#include "analysis/GameAnalysis.h"
#include "engine/ScoreText.h"
#include "platform/FileStream.h"
#include "record/GameFile.h"
#include "record/Pdn.h"

namespace velk {

namespace {

constexpr const char* TITLE = "Velk Checkers";

bool IsPdnFile(const std::string& Name)
{
    if (Name.size() < 4)
        return false;
    std::string ending = Name.substr(Name.size() - 4);
    for (char& c : ending)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ending == ".pdn";
}

// Game N of a PDN file, or the game of a game file (which holds one: N must be 1).
void ReadGame(const std::string& FileName, int Number, TGameHistory& History, TPdnGameData& Data)
{
    try {
        if (!IsPdnFile(FileName)) {
            if (Number != 1)
                Fail("a game file holds one game, not game " + std::to_string(Number));
            LoadGameFile(FileName, TITLE, History);
            return;
        }
        TFileStream file(FileName, fmOpenRead);
        file.SetDescription("PDN file");
        std::string text(static_cast<size_t>(file.Size()), '\0');
        file.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
        const std::vector<TPdnGameInfo> games = ListPdnGames(text);
        if (games.empty())
            Fail("no game in \"" + FileName + "\"");
        if (Number > static_cast<int>(games.size()))
            Fail("\"" + FileName + "\" holds " + std::to_string(games.size()) + " games, not " +
                 std::to_string(Number));
        const TPdnGameInfo& game = games[static_cast<size_t>(Number - 1)];
        ReadPdnGame(std::string_view(text).substr(game.Offset, game.Length), game.Number, History, &Data);
    } catch (const Exception& e) {
        Fail(e.what());
    }
}

void PrintHalfMove(const THalfMoveAnalysis& Result)
{
    std::string line = std::to_string(Result.MoveNumber) + (Result.RedMoved ? ". " : "... ");
    if (!Result.Valid) {
        std::printf("%s%s  not a legal move here: not analysed\n", line.c_str(),
                    Result.Move.empty() ? "?" : Result.Move.c_str());
        return;
    }
    line += Result.Move + "  " + ScoreText(Result.ScoreAfter);
    if (!Result.BestMove.empty())
        line += "  best " + Result.BestMove + " " + ScoreText(Result.BestScore);
    if (Result.Mark != TMoveAnalysis::None)
        line += std::string("  ") + MarkWord(Result.Mark);
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);  // a long analysis shows each move as it is done
}

std::string Counted(int Count, const char* One, const char* Many)
{
    return std::to_string(Count) + " " + (Count == 1 ? One : Many);
}

}  // namespace

int CmdAnalyze(const TArgs& Args)
{
    AllowOptions(Args, {"--game", "--movetime", "--pdn", "--memory", "--threads", "--egdb"});
    if (Args.Positional.empty())
        Fail("analyze needs a FILE");
    if (Args.Positional.size() > 1)
        Fail("unexpected argument \"" + Args.Positional[1] + "\"");
    TGameAnalysisOptions options;
    if (const auto time = Args.Options.find("--movetime"); time != Args.Options.end())
        if (!ParseSeconds(time->second, options.MoveTimeMs))
            Fail("--movetime must be seconds from 0.001 to 3600, not \"" + time->second + "\"");
    options.MaxMemory = MemoryOption(Args, EXPERT_TOOL_MEMORY);
    const auto game = Args.Options.find("--game");
    const int number =
        game == Args.Options.end() ? 1 : static_cast<int>(ParseNumber(game->second, "--game", 1, 1000000));
    const int threads = ThreadsOption(Args);

    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    TPdnGameData data;
    ReadGame(Args.Positional[0], number, history, data);
    const std::unique_ptr<TEndgameDb> endgames = EndgameOption(Args);
    TExpertEngine engine;
    engine.SetThreads(threads);
    engine.SetEndgameDb(endgames.get());
    std::vector<THalfMoveAnalysis> results;
    try {
        results = AnalyzeGame(
            engine, history, options, [](const THalfMoveAnalysis& Latest, int, int) { PrintHalfMove(Latest); },
            nullptr);
    } catch (const std::bad_alloc&) {
        Fail("the transposition table could not be allocated");
    }
    for (const bool red : {true, false}) {
        const TMarkCounts counts = CountMarks(results, red);
        std::printf("%s: %s, %s, %s\n", red ? "Red" : "White",
                    Counted(counts.Inaccuracies, "inaccuracy", "inaccuracies").c_str(),
                    Counted(counts.Mistakes, "mistake", "mistakes").c_str(),
                    Counted(counts.Blunders, "blunder", "blunders").c_str());
    }
    if (const auto out = Args.Options.find("--pdn"); out != Args.Options.end()) {
        ApplyGameAnalysis(history, results);
        bool over;
        int winner;
        PlayedResult(history, over, winner);
        if (const int read = PdnResultWinner(data.Result); read >= 0) {
            over = true;  // a PDN result carries over as written
            winner = read;
        }
        const std::string text = WritePdnGame(history, data, over, winner);
        try {
            SaveFileReplacing(out->second, text.data(), text.size(), "PDN file");
        } catch (const Exception& e) {
            Fail(e.what());
        }
    }
    return 0;
}

}  // namespace velk
