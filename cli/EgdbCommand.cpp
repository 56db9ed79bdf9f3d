#include "EgdbCommand.h"

#include <unistd.h>

#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <map>
#include <vector>

#include "engine/EndgameDb.h"
#include "engine/Fen.h"

namespace velk {

const char* const EGDB_HELP =
    "usage: velk-checkers-engine egdb build [--pieces N] [--threads T] [--folder DIR]\n"
    "       velk-checkers-engine egdb probe --fen FEN [--folder DIR]\n"
    "       velk-checkers-engine egdb verify [--stride S] [--folder DIR]\n"
    "The endgame tables: win, loss or draw for the side to move in every position with few\n"
    "pieces, under the rules without the forty-move rule. The folder defaults to the game's own\n"
    "(under $XDG_DATA_HOME or ~/.local/share).\n"
    "build   works out every ending with up to N pieces (2-7, default 5; of the seven-piece ones\n"
    "        only those of kings and at most one man) on T threads (default: every core), with a\n"
    "        progress bar on standard error. Each table is written whole once done, so a stopped\n"
    "        build goes on where it stopped when run again.\n"
    "probe   prints win, loss, draw or unknown (too many pieces, or no tables) for the position.\n"
    "verify  checks every S-th position (default 1: all) against the positions its moves lead to\n"
    "        and prints the count checked and the faults; exits with 1 when any was found.";

namespace {

struct TEgdbUsageError {
    std::string Message;
};

std::string ElapsedSince(std::chrono::steady_clock::time_point Start)
{
    const auto s = std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now() - Start).count();
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld", static_cast<long long>(s / 60), static_cast<long long>(s % 60));
    return text;
}

// The bar on a terminal: redrawn in place at most every tenth of a second.
class TProgressBar {
public:
    explicit TProgressBar(const char* Verb) : FVerb(Verb), FTerminal(isatty(2) == 1) {}

    bool Update(uint64_t Done, uint64_t Total)
    {
        if (!FTerminal)
            return true;
        const auto now = std::chrono::steady_clock::now();
        if (Done < Total && now - FLastDraw < std::chrono::milliseconds(100))
            return true;
        FLastDraw = now;
        constexpr int WIDTH = 30;
        const double part = Total == 0 ? 1.0 : static_cast<double>(Done) / static_cast<double>(Total);
        std::string bar(WIDTH, '.');
        for (int i = 0; i < static_cast<int>(part * WIDTH) && i < WIDTH; ++i)
            bar[static_cast<size_t>(i)] = '#';
        std::fprintf(stderr, "\r%s [%s] %5.1f%%  tables %d/%d  %s elapsed ", FVerb, bar.c_str(), 100 * part, FTables,
                     FTablesTotal, Elapsed().c_str());
        std::fflush(stderr);
        return true;
    }

    void TableDone(int Done, int Total, const std::string& Name)
    {
        FTables = Done;
        FTablesTotal = Total;
        if (!FTerminal)
            std::fprintf(stderr, "table %d/%d %s done, %s elapsed\n", Done, Total, Name.c_str(), Elapsed().c_str());
    }

    void Finish()
    {
        if (FTerminal)
            std::fprintf(stderr, "\n");
    }

    std::string Elapsed() const { return ElapsedSince(FStart); }

private:
    const char* FVerb;
    bool FTerminal;
    int FTables = 0, FTablesTotal = 0;
    std::chrono::steady_clock::time_point FStart = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point FLastDraw{};
};

uint64_t Number(const std::map<std::string, std::string>& Options, const char* Name, uint64_t Default, uint64_t Min,
                uint64_t Max)
{
    const auto o = Options.find(Name);
    if (o == Options.end())
        return Default;
    const std::string& text = o->second;
    if (text.empty() || text.size() > 9 || text.find_first_not_of("0123456789") != std::string::npos)
        throw TEgdbUsageError{std::string(Name) + " must be a number, not \"" + text + "\""};
    const uint64_t value = std::stoull(text);
    if (value < Min || value > Max)
        throw TEgdbUsageError{std::string(Name) + " must be between " + std::to_string(Min) + " and " +
                              std::to_string(Max)};
    return value;
}

std::map<std::string, std::string> ParseOptions(int Argc, char** Argv, const std::vector<std::string>& Allowed)
{
    std::map<std::string, std::string> options;
    for (int i = 1; i < Argc; ++i) {
        std::string name = Argv[i], value;
        const size_t eq = name.find('=');
        if (name.rfind("--", 0) != 0)
            throw TEgdbUsageError{"unexpected argument \"" + name + "\""};
        if (eq != std::string::npos) {
            value = name.substr(eq + 1);
            name.resize(eq);
        } else if (i + 1 < Argc) {
            value = Argv[++i];
        } else {
            throw TEgdbUsageError{name + " needs a value"};
        }
        bool known = false;
        for (const std::string& a : Allowed)
            known = known || a == name;
        if (!known)
            throw TEgdbUsageError{name + " does not apply to egdb " + Argv[0]};
        if (!options.emplace(name, value).second)
            throw TEgdbUsageError{name + " is given twice"};
    }
    return options;
}

std::string Folder(const std::map<std::string, std::string>& Options)
{
    const auto f = Options.find("--folder");
    return f == Options.end() ? TEndgameDb::DefaultFolder() : f->second;
}

int Build(const std::map<std::string, std::string>& Options)
{
    TEgdbBuildOptions build;
    build.Folder = Folder(Options);
    build.Pieces = static_cast<int>(Number(Options, "--pieces", 5, 2, EGDB_MAX_PIECES));
    build.Threads = static_cast<int>(Number(Options, "--threads", 0, 1, 256));
    TProgressBar bar("building");
    build.TableDone = [&](int Done, int Total, const std::string& Name) { bar.TableDone(Done, Total, Name); };
    std::string error;
    const bool ok = BuildEndgameDb(
        build, [&](uint64_t Done, uint64_t Total) { return bar.Update(Done, Total); }, error);
    bar.Finish();
    if (!ok) {
        std::fprintf(stderr, "velk-checkers-engine: %s\n", error.c_str());
        return 1;
    }
    std::printf("endings with up to %d pieces in %s, built in %s\n", build.Pieces, build.Folder.c_str(),
                bar.Elapsed().c_str());
    return 0;
}

int Probe(const std::map<std::string, std::string>& Options)
{
    const auto fen = Options.find("--fen");
    if (fen == Options.end())
        throw TEgdbUsageError{"egdb probe needs --fen"};
    TCheckersBoard board;
    std::string error;
    if (!ParseFen(fen->second, board, error))
        throw TEgdbUsageError{error};
    TEndgameDb db;
    const std::string folder = Folder(Options);
    if (!db.Load(folder))
        std::fprintf(stderr, "velk-checkers-engine: no endgame tables in %s\n", folder.c_str());
    const TEgdbResult r = db.Probe(board);
    std::printf("%s\n", r == TEgdbResult::Win    ? "win"
                        : r == TEgdbResult::Loss ? "loss"
                        : r == TEgdbResult::Draw ? "draw"
                                                 : "unknown");
    return 0;
}

int Verify(const std::map<std::string, std::string>& Options)
{
    const uint64_t stride = Number(Options, "--stride", 1, 1, 1000000000);
    TEndgameDb db;
    const std::string folder = Folder(Options);
    if (!db.Load(folder)) {
        std::fprintf(stderr, "velk-checkers-engine: no endgame tables in %s\n", folder.c_str());
        return 1;
    }
    TProgressBar bar("verifying");
    TEgdbVerifyReport report;
    VerifyEndgameDb(
        db, stride, [&](uint64_t Done, uint64_t Total) { return bar.Update(Done, Total); }, report);
    bar.Finish();
    std::printf("up to %d pieces: %" PRIu64 " positions checked, %" PRIu64 " faults, %s\n", db.MaxPieces(),
                report.Checked, report.Faults, bar.Elapsed().c_str());
    if (report.Faults != 0)
        std::printf("first fault: %s\n", report.FirstFault.c_str());
    return report.Faults == 0 ? 0 : 1;
}

}  // namespace

int RunEgdbCommand(int Argc, char** Argv)
{
    try {
        const std::string sub = Argc > 0 ? Argv[0] : "";
        for (int i = 0; i < Argc; ++i) {
            if (std::string(Argv[i]) == "--help" || std::string(Argv[i]) == "-h") {
                std::printf("%s\n", EGDB_HELP);
                return 0;
            }
        }
        if (sub == "build")
            return Build(ParseOptions(Argc, Argv, {"--pieces", "--threads", "--folder"}));
        if (sub == "probe")
            return Probe(ParseOptions(Argc, Argv, {"--fen", "--folder"}));
        if (sub == "verify")
            return Verify(ParseOptions(Argc, Argv, {"--stride", "--folder"}));
        throw TEgdbUsageError{sub.empty() ? "egdb needs build, probe or verify"
                                          : "unknown egdb command \"" + sub + "\" (build, probe or verify)"};
    } catch (const TEgdbUsageError& e) {
        std::fprintf(stderr, "velk-checkers-engine: %s\n", e.Message.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "velk-checkers-engine: %s\n", e.what());
        return 1;
    }
}

}  // namespace velk
