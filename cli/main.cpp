// velk-checkers-engine: the game engine from a terminal, for players who analyse positions and
// for anyone checking or timing the engine.
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "BookCommand.h"
#include "EgdbCommand.h"
#include "MatchCommand.h"
#include "PdnCommands.h"
#include "engine/CheckersBoard.h"
#include "engine/DrawRule.h"
#include "engine/ExpertSearch.h"
#include "engine/Fen.h"
#include "engine/GameSolver.h"
#include "engine/OpeningBook.h"
#include "engine/PositionTable.h"
#include "platform/FileStream.h"
#include "platform/MemoryStatus.h"
#include "record/GameFile.h"
#include "record/GameHistory.h"
#include "record/Squares.h"

using namespace velk;

namespace {

constexpr const char* PROGRAM = "velk-checkers-engine";

const std::map<std::string, std::string> Help = {
    {"", "usage: velk-checkers-engine COMMAND [ARGS] [POSITION]\n"
         "\n"
         "Commands:\n"
         "  moves              the legal moves in list order\n"
         "  perft DEPTH        count the positions DEPTH plies ahead\n"
         "  divide DEPTH       perft split by root move\n"
         "  search DEPTH       the move the computer chooses at DEPTH plies\n"
         "  search --level L   the move the computer chooses at a level (expert: for a time)\n"
         "  report             the position diagram and the numbered move list\n"
         "  bench              search a fixed set of positions and time it\n"
         "  selfplay           the computer plays itself to the end of the game\n"
         "  match --a L --b L  two levels play each other from many openings\n"
         "  book build|probe   build the opening book, or show its entry for a position\n"
         "  show FILE.ckr      what a saved game holds\n"
         "  pdn FILE.pdn       replay every game of a PDN file, one line each\n"
         "  convert IN OUT     convert a game between .ckr and .pdn\n"
         "  egdb build|probe|verify  the endgame tables: build them, look a position up, check\n"
         "\n"
         "POSITION (default: the initial position, Black to move):\n"
         "  --fen \"B:W21,22,K30:B1,2,K5\"    side to move, then White's and Black's squares;\n"
         "                                  K marks a king, ranges like 1-12 are allowed\n"
         "  --board TEXT [--turn black|white] 32 characters for squares 1-32:\n"
         "                                  b B black man/king, w W white man/king, space empty\n"
         "\n"
         "'velk-checkers-engine COMMAND --help' describes one command; --version names the\n"
         "release. Bad input, and a transposition table that cannot be allocated, exit with 2."},
    {"pdn", "usage: velk-checkers-engine pdn FILE.pdn\n"
            "Replays every game of a PDN file (Portable Draughts Notation, English draughts), checking\n"
            "each move, and prints one line per game: 'N: PLIES RESULT FEN' (the game's number from\n"
            "1, its half-moves, its result as written or *, its final position), or 'N: error:\n"
            "MESSAGE'. Exits with 2 when any game could not be read."},
    {"convert", "usage: velk-checkers-engine convert IN OUT\n"
                "Converts one game between a Velk Checkers game file (.ckr) and PDN (.pdn), as the\n"
                "names end. From a PDN file with several games the first is converted. PDN results\n"
                "are written from the first mover's side: 1-0 Black (Red) won, 0-1 White won."},
    {"moves", "usage: velk-checkers-engine moves [POSITION]\n"
              "Prints the legal moves of the side to move, one per line, in the engine's list order\n"
              "(captures longest first), in two-digit notation: 12-16, 01-10-17. A position without\n"
              "a legal move prints nothing and says 'no legal move' on standard error."},
    {"perft", "usage: velk-checkers-engine perft DEPTH [POSITION]\n"
              "Counts the positions reached after DEPTH plies (a whole multi-capture is one ply).\n"
              "First line: perft(DEPTH) = N; then the time and the rate. The last ply is counted\n"
              "without making the moves or listing them (bulk counting)."},
    {"divide", "usage: velk-checkers-engine divide DEPTH [POSITION]\n"
               "Like perft, one line per root move in list order (12-16: N), then the total."},
    {"search", "usage: velk-checkers-engine search DEPTH [--memory BYTES | --game-memory] [--after] [POSITION]\n"
               "       velk-checkers-engine search --level LEVEL [--movetime SECONDS] [--memory BYTES]\n"
               "                                   [--threads N] [--seed N | --no-book] [--egdb DIR|none]\n"
               "                                   [--after] [POSITION]\n"
               "Searches DEPTH plies (1-64) with the game's own search, on a fresh transposition\n"
               "table of BYTES (default 1048576, the engine's own default; the game gives it a tenth\n"
               "of the machine's memory unless told otherwise, which --game-memory uses here).\n"
               "Prints 'bestmove MOVE', 'score N' (from the side to move's view; a won position\n"
               "scores above 999936), then nodes, the search's time and rate, and last the table's\n"
               "size and the time spent clearing it, which is not part of the search's time.\n"
               "Equal best moves are chosen at random, as in the game. --after adds 'after FEN', the\n"
               "position the move leads to, after 'bestmove' (so a script can play the tool as a\n"
               "match's driver).\n"
               "--level easy, medium, difficult or depth:N searches as above at 4, 8, 12 or N plies.\n"
               "--level expert searches as the Expert level does: deeper and deeper until SECONDS\n"
               "have passed (default 1; 0.001-3600), with a table of BYTES (default 16777216). It\n"
               "also prints 'depth D', the last depth finished; its score is in hundredths of a man\n"
               "(a won position scores above 29000). With a single legal move it answers at once\n"
               "with depth 0. It stops sooner when its choice stays the same from depth to depth,\n"
               "never later than SECONDS. --threads N searches with N threads (default: one per\n"
               "core). Last come the threads and the time spent making the table, before the\n"
               "search's time began and not part of it. In a position of the opening book it plays\n"
               "a book move instead and says 'book' (depth 0): moves scored nearly alike are drawn\n"
               "by --seed N (default: a new seed each time); --no-book always searches. Positions of\n"
               "up to 5 pieces are looked up in the endgame tables the game built (egdb build), or\n"
               "in those of folder DIR, all of them; loading them is timed apart. none: no tables."},
    {"report", "usage: velk-checkers-engine report [POSITION]\n"
               "Prints the position as a diagram with the square numbers beside it, then the\n"
               "numbered list of legal moves."},
    {"bench", "usage: velk-checkers-engine bench [--depth N] [--memory BYTES | --game-memory]\n"
              "Searches a fixed set of positions (default depth 14, table 1048576 bytes, cleared\n"
              "for each position) and prints nodes, time and nodes per second for each and in all.\n"
              "The first line gives the table's size; the last, the time spent allocating and\n"
              "clearing it, which the search times leave out. --game-memory: the game's default\n"
              "table, a tenth of the machine's memory."},
    {"book", "usage: velk-checkers-engine book build --ballots FILE --out FILE [--movetime SECONDS | --depth N]\n"
             "                                      [--plies N] [--memory BYTES]\n"
             "       velk-checkers-engine book probe [--book FILE] [--seed N] [POSITION]\n"
             "build scores every move of each ballot position (FILE as for match), of the positions on\n"
             "the way there from the start and of those up to N plies (default 0) beyond the ballot\n"
             "along the moves the book would play, each move by an Expert search of the position after\n"
             "it for SECONDS (default 1) or to depth N, and writes the book as text: one position a\n"
             "line, its key, then its good moves as MOVE:SCORE (hundredths of a man), best first, and\n"
             "the position as FEN after '#'. The program carries the book data/opening-book.txt in\n"
             "it. probe prints the position's key, its moves in the book (FILE, or the program's own)\n"
             "with their scores, and 'bookmove MOVE', the move drawn by seed N (default 1)."},
    {"match", "usage: velk-checkers-engine match --a LEVEL[:SECONDS] --b LEVEL[:SECONDS] [--games N]\n"
              "                                  [--openings FILE | --ballots FILE [--deck D] [--count N]]\n"
              "                                  [--seed S] [--no-book] [--memory BYTES] [--moves] [--threads N]\n"
              "                                  [--egdb DIR|none]\n"
              "Plays level A against level B from opening positions, each opening twice so that each\n"
              "level has each colour once, under the game's draw rule. LEVEL: easy, medium, difficult,\n"
              "depth:N, expert[:SECONDS] (default 1 s a move). Openings: by default every position\n"
              "three plies from the start; FILE holds one FEN a line ('#' starts a comment). --games N\n"
              "plays N games from openings spread over the list. Prints one line a game ('game 3:\n"
              "OPENING, A black: A wins after 71 plies'), then 'total: A W wins, L losses, D draws,\n"
              "score S %' (a draw counts half) and the average time per move of each side. --moves\n"
              "adds each game's start, its moves (score/depth as the mover saw them) and its end.\n"
              "--ballots FILE plays three-move ballots instead, a tab-separated line each: number,\n"
              "moves, deck, name and the position after the moves as FEN (data/three-move-ballots.tsv);\n"
              "--deck crossboard, mailplay or all (default) keeps those of a deck, --count N draws N of\n"
              "them by seed S (default 1), which also draws the Expert level's book moves (--no-book:\n"
              "none). A LEVEL of driver:PATH[:SECONDS] is a program outside that answers 'PATH --fen\n"
              "FEN --time SECONDS' with a line 'after FEN2', the position after its move; a game in\n"
              "which it gives no answer or one no legal move leads to is void: reported, not counted.\n"
              "The total gives the score's 95 % margin ('score 55.0 % +- 8.1').\n"
              "Matches are slow: 0.1 s a move over every opening takes about an hour. --threads N:\n"
              "each expert side searches with N threads (default: one per core). Both expert sides\n"
              "probe the same endgame tables (--egdb as for search)."},
    {"selfplay", "usage: velk-checkers-engine selfplay [--depth N | --level LEVEL] [--memory BYTES | --game-memory]\n"
                 "                                    [--no-draws] [--threads N] [--egdb DIR|none] [POSITION]\n"
                 "Plays the computer against itself from the position as the game's computer plays:\n"
                 "N plies deep (1-64, default 8, the game's Medium level), a transposition table of\n"
                 "BYTES (default 1048576; --game-memory: the game's tenth of the machine's memory)\n"
                 "kept from move to move, and the game's draw rule: a draw at the third occurrence\n"
                 "of a position or after 40 moves by each side with only kings moving and nothing\n"
                 "taken; the search knows the positions that would repeat one.\n"
                 "Prints each move as it is played ('1. 11-15' for Black's first, '1... 23-19' for\n"
                 "White's first; captures with their whole path), then the game's one-line record as\n"
                 "the game log writes it: 'BLACK: ...', 'WHITE: ...' or 'DRAW : ...'.\n"
                 "--no-draws plays without the draw rule; such a game may never end, so it stops after\n"
                 "1000 half-moves with the record 'NOT FINISHED: ...'.\n"
                 "Equal best moves are chosen at random, as in the game.\n"
                 "--level plays at a level instead, as for search (expert: 1 s a move unless\n"
                 "expert:SECONDS), with N threads (default: one per core) and the endgame tables\n"
                 "(--egdb as for search)."},
    {"show", "usage: velk-checkers-engine show FILE.ckr\n"
             "Reads a game saved by Velk Checkers and prints its signature, the start position\n"
             "(board text, FEN, side to move), every record (squares, milliseconds, whether it\n"
             "ends the turn), the record position shown, whether the game was finished, and the\n"
             "one-line game record. A file that is not a sound game file exits with 2."},
};

constexpr const char* TITLE = "Velk Checkers";

struct TUsageError {
    std::string Message;
};

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

struct TArgs {
    std::string Command;
    std::vector<std::string> Positional;
    std::map<std::string, std::string> Options;
    bool WantHelp = false;
    bool WantVersion = false;
};

TArgs ParseArgs(int argc, char** argv)
{
    TArgs args;
    static const std::vector<std::string> valued = {"--fen",   "--board", "--turn", "--memory",   "--depth",
                                                  "--level", "--movetime", "--a", "--b", "--games", "--openings",
                                                  "--ballots", "--deck", "--count", "--seed", "--out", "--plies",
                                                  "--book", "--threads", "--egdb"};
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
uint32_t MemoryOption(const TArgs& Args, uint32_t Default = DEFAULT_MAX_MEMORY)
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

void PrintRate(const char* What, uint64_t Count, double Time)
{
    std::printf("time %.3f s\n", Time);
    std::printf("%s %.0f per second\n", What, Time > 0 ? static_cast<double>(Count) / Time : 0.0);
}

// Perft over the engine's own move lists and ApplyMove, one board per ply; the last two plies
// are counted from the square sets alone.
class TPerft {
public:
    explicit TPerft(int Depth)
    {
        for (int d = 0; d < Depth; ++d)
            FBoards.push_back(std::make_unique<TCheckersBoard>());
    }

    uint64_t Count(TCheckersBoard& Board, int Depth)
    {
        if (Depth <= 1)
            return Depth == 1 ? static_cast<uint64_t>(Board.CountMoves()) : 1;
        const int32_t n = Board.MoveCount();
        if (Depth == 2) {
            uint64_t total = 0;
            for (int32_t i = 0; i < n; ++i)
                total += static_cast<uint64_t>(Board.CountReplies(i));
            return total;
        }
        TCheckersBoard& child = *FBoards[Depth - 2];
        uint64_t total = 0;
        for (int32_t i = 0; i < n; ++i) {
            child.ApplyMove(Board, i);
            total += Count(child, Depth - 1);
        }
        return total;
    }

    uint64_t Child(TCheckersBoard& Board, int32_t Index, int Depth)
    {
        TCheckersBoard& child = *FBoards[Depth - 1];
        Board.MoveCount();
        child.ApplyMove(Board, Index);
        return Count(child, Depth - 1);
    }

private:
    std::vector<std::unique_ptr<TCheckersBoard>> FBoards;
};

int CmdMoves(const TArgs& Args)
{
    AllowOptions(Args, {"--fen", "--board", "--turn"});
    ExpectPositional(Args, 0);
    TCheckersBoard board;
    LoadPosition(Args, board);
    const TMoveList& moves = board.Moves();
    for (int32_t i = 0; i < moves.Count(); ++i)
        std::printf("%s\n", PathToText(moves[i]).c_str());
    if (moves.Count() == 0)
        std::fprintf(stderr, "no legal move\n");
    return 0;
}

int CmdPerft(const TArgs& Args, bool Divide)
{
    AllowOptions(Args, {"--fen", "--board", "--turn"});
    ExpectPositional(Args, 1);
    const int depth = static_cast<int>(ParseNumber(Args.Positional[0], "DEPTH", 0, 30));
    TCheckersBoard board;
    LoadPosition(Args, board);
    TPerft perft(depth);
    const auto start = std::chrono::steady_clock::now();
    uint64_t total = 0;
    if (Divide && depth > 0) {
        const int32_t n = board.MoveCount();
        for (int32_t i = 0; i < n; ++i) {
            const uint64_t count = perft.Child(board, i, depth);
            std::printf("%s: %" PRIu64 "\n", PathToText(board.Moves()[i]).c_str(), count);
            total += count;
        }
        std::printf("total: %" PRIu64 "\n", total);
    } else {
        total = perft.Count(board, depth);
        std::printf("perft(%d) = %" PRIu64 "\n", depth, total);
    }
    PrintRate("leaves", total, Seconds(start));
    return 0;
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

// The endgame tables for the Expert level: --egdb DIR, or the game's own folder; "none" for
// none. Positions with more than MostPieces pieces never reach the tables within a move, so
// loading them is not worth its time (a few tenths of a second). The six-piece set is read
// only when asked for by name of folder, being 0.7 GB.
std::unique_ptr<TEndgameDb> EndgameOption(const TArgs& Args, const TCheckersBoard* Root = nullptr)
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

// --threads for the Expert level: 0 (the default) for one per core.
int ThreadsOption(const TArgs& Args)
{
    const auto threads = Args.Options.find("--threads");
    return threads == Args.Options.end() ? 0 : static_cast<int>(ParseNumber(threads->second, "--threads", 1, 256));
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

int CmdReport(const TArgs& Args)
{
    AllowOptions(Args, {"--fen", "--board", "--turn"});
    ExpectPositional(Args, 0);
    TCheckersBoard board;
    LoadPosition(Args, board);
    std::string diagram, moves;
    board.GetReport(diagram, moves);
    // The report uses CR LF line ends; a terminal wants plain ones.
    for (std::string* s : {&diagram, &moves})
        for (size_t at; (at = s->find("\r\n")) != std::string::npos;)
            s->erase(at, 1);
    std::printf("%s\n\n%s\n", diagram.c_str(), moves.empty() ? "(no legal move)" : moves.c_str());
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

constexpr int SELFPLAY_HALF_MOVES = 1000;

// The computer against itself, as the board control plays it: each turn a search of the board
// on the table the last one left, the move made on the board and recorded in a game history,
// so that the closing line is the game's own record text.
int CmdSelfplay(const TArgs& Args)
{
    AllowOptions(Args, {"--fen", "--board", "--turn", "--depth", "--level", "--memory", "--game-memory", "--no-draws",
                        "--threads", "--egdb"});
    ExpectPositional(Args, 0);
    const auto d = Args.Options.find("--depth");
    TLevel level = LevelOption(Args);
    if (level.Depth == 0 && !level.Expert())
        level.Depth = d == Args.Options.end() ? DEFAULT_SEARCH_DEPTH
                                              : static_cast<int>(ParseNumber(d->second, "--depth", 1, MAX_SEARCH_DEPTH));
    else if (d != Args.Options.end())
        Fail("give either --depth or --level, not both");
    const uint32_t memory = MemoryOption(Args, level.Expert() ? EXPERT_TOOL_MEMORY : DEFAULT_MAX_MEMORY);
    TPlayer player(level, memory, ThreadsOption(Args));
    const std::unique_ptr<TEndgameDb> endgames = level.Expert() ? EndgameOption(Args) : nullptr;
    player.SetEndgameDb(endgames.get());
    player.SetBook(true, RandomBookSeed());  // book moves vary from game to game, as in the game
    const bool draws = Args.Options.count("--no-draws") == 0;
    TCheckersBoard board;
    LoadPosition(Args, board);
    if (board.Turn() != PLAYER_BLACK && board.Turn() != PLAYER_WHITE)
        Fail("selfplay needs a side to move");

    TGameHistory history(board);
    history.StartBoard().Assign(board);
    TGamePositions positions;
    positions.Reset(board);
    int moveNumber[3] = {0, 0, 0};
    bool drawn = false;
    for (int half = 0; board.GameState() == gsPlaying; ++half) {
        if (draws && positions.Drawn()) {
            drawn = true;
            break;
        }
        if (!draws && half >= SELFPLAY_HALF_MOVES)
            break;
        int32_t best = -1;
        try {
            best = player.Choose(board, draws ? &positions.ReversibleKeys() : nullptr).Move;
        } catch (const std::bad_alloc&) {
            Fail("the transposition table of " + std::to_string(memory) + " bytes could not be allocated");
        }
        const TCheckersMove move = board.Moves()[best];
        const uint8_t side = board.Turn();
        std::printf("%d%s %s\n", ++moveNumber[side], side == PLAYER_BLACK ? "." : "...", PathToText(move).c_str());
        std::fflush(stdout);

        auto rec = std::make_unique<TGameHistoryRec>();
        rec->Path = SquaresToPath(move);
        if (!board.MakeMove(best))
            Fail("the engine chose a move it cannot make: " + PathToText(move));
        board.SaveToStream(rec->BoardState);
        rec->BoardState.SetPosition(0);
        rec->EndsTurn = true;
        history.Add(std::move(rec));
        positions.Push(board);
    }
    const bool over = drawn || board.GameState() != gsPlaying;
    TGameHistoryRec none;
    const TGameRecordView view{history, none, board.Turn()};
    std::printf("%s\n", view.GameRecordText(over, drawn ? 0 : board.Winner()).c_str());
    return 0;
}

int CmdMatch(const TArgs& Args)
{
    AllowOptions(Args, {"--a", "--b", "--games", "--openings", "--ballots", "--deck", "--count", "--seed", "--no-book",
                        "--memory", "--moves", "--threads", "--egdb"});
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
    const auto ballots = Args.Options.find("--ballots");
    const auto deck = Args.Options.find("--deck");
    const auto count = Args.Options.find("--count");
    if (ballots != Args.Options.end()) {
        if (file != Args.Options.end())
            Fail("give either --openings or --ballots, not both");
        std::vector<TBallot> all;
        std::string error;
        if (!ReadBallots(ballots->second, all, error))
            Fail(error);
        const std::string d = deck == Args.Options.end() ? "all" : deck->second;
        if (d != "all" && d != "crossboard" && d != "mailplay")
            Fail("--deck must be crossboard, mailplay or all, not \"" + d + "\"");
        options.Ballots = DrawBallots(
            all, d,
            count == Args.Options.end() ? 0 : static_cast<int>(ParseNumber(count->second, "--count", 1, 100000)),
            SeedOption(Args, 1));
        if (options.Ballots.empty())
            Fail(ballots->second + " holds no ballot of the deck " + d);
    } else if (deck != Args.Options.end() || count != Args.Options.end()) {
        Fail("--deck and --count go with --ballots");
    }
    options.Seed = SeedOption(Args, 1);
    options.UseBook = Args.Options.count("--no-book") == 0;
    options.Memory = MemoryOption(Args, 0);
    options.Threads = ThreadsOption(Args);
    options.Moves = Args.Options.count("--moves") != 0;
    const std::unique_ptr<TEndgameDb> endgames = EndgameOption(Args);
    options.Endgames = endgames.get();
    return RunMatch(options);
}

int CmdBook(const TArgs& Args)
{
    const std::string what = Args.Positional.empty() ? "" : Args.Positional[0];
    if (Args.Positional.size() > 1)
        Fail("unexpected argument \"" + Args.Positional[1] + "\"");
    if (what == "probe") {
        AllowOptions(Args, {"--fen", "--board", "--turn", "--book", "--seed"});
        TCheckersBoard board;
        LoadPosition(Args, board);
        const auto book = Args.Options.find("--book");
        return RunBookProbe(board, book == Args.Options.end() ? "" : book->second, SeedOption(Args, 1));
    }
    if (what != "build")
        Fail("book needs build or probe");
    AllowOptions(Args, {"--ballots", "--out", "--movetime", "--depth", "--plies", "--memory"});
    TBookBuildOptions options;
    const auto ballots = Args.Options.find("--ballots");
    const auto out = Args.Options.find("--out");
    if (ballots == Args.Options.end() || out == Args.Options.end())
        Fail("book build needs --ballots FILE and --out FILE");
    std::string error;
    if (!ReadBallots(ballots->second, options.Ballots, error))
        Fail(error);
    options.Out = out->second;
    const auto time = Args.Options.find("--movetime");
    const auto depth = Args.Options.find("--depth");
    if (time != Args.Options.end() && depth != Args.Options.end())
        Fail("give either --movetime or --depth, not both");
    options.MoveTimeMs = 1000;
    if (time != Args.Options.end() && !ParseSeconds(time->second, options.MoveTimeMs))
        Fail("--movetime must be seconds from 0.001 to 3600, not \"" + time->second + "\"");
    if (depth != Args.Options.end())
        options.Depth = static_cast<int>(ParseNumber(depth->second, "--depth", 1, EXPERT_MAX_DEPTH));
    const auto plies = Args.Options.find("--plies");
    if (plies != Args.Options.end())
        options.Plies = static_cast<int>(ParseNumber(plies->second, "--plies", 0, 20));
    options.Memory = MemoryOption(Args, EXPERT_TOOL_MEMORY);
    options.Command = "velk-checkers-engine book build";
    for (const auto& [name, value] : Args.Options)
        options.Command += " " + name + " " + value;
    return RunBookBuild(options);
}

const char* SideName(uint8_t Turn)
{
    return Turn == PLAYER_BLACK ? "black" : Turn == PLAYER_WHITE ? "white" : "nobody";
}

int CmdShow(const TArgs& Args)
{
    AllowOptions(Args, {});
    if (Args.Positional.empty())
        Fail("show needs a FILE");
    if (Args.Positional.size() > 1)
        Fail("unexpected argument \"" + Args.Positional[1] + "\"");
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    TCheckersBoard shown;
    try {
        LoadGameFile(Args.Positional[0], TITLE, history);
        history.LoadBoardAt(history.Position(), shown);
    } catch (const Exception& e) {
        Fail(e.what());
    }
    std::printf("signature: \"%s\" ok\n", GameFileSignature(TITLE).c_str());
    const auto& start = static_cast<const TCheckersBoard&>(history.StartBoard());
    std::printf("start: \"%s\" %s, %s to move\n", start.GetAsText().c_str(), BoardToFen(start).c_str(),
                SideName(start.Turn()));
    std::printf("records: %d\n", history.Count());
    for (int32_t i = 0; i < history.Count(); ++i) {
        const TGameHistoryRec& rec = history.Items(i);
        std::printf("  %d: %s, %u ms, %s\n", i + 1, PathNotation(rec.Path, true).c_str(), rec.Duration,
                    rec.EndsTurn ? "ends the turn" : "turn goes on");
    }
    std::printf("position: %d\n", history.Position());
    std::printf("finished: %s\n", history.Finished() ? "yes" : "no");
    TGameHistoryRec none;
    const TGameRecordView view{history, none, shown.Turn()};
    std::printf("record: %s\n", view.GameRecordText(shown.GameState() != gsPlaying, shown.Winner()).c_str());
    return 0;
}

int RunCommand(int argc, char** argv)
{
    if (argc >= 2 && std::strcmp(argv[1], "egdb") == 0)
        return RunEgdbCommand(argc - 2, argv + 2);
    try {
        TArgs args = ParseArgs(argc, argv);
        if (args.WantVersion) {
            std::printf("%s %s\n", PROGRAM, VELK_VERSION);
            return 0;
        }
        if (args.Command == "help") {
            args.WantHelp = true;
            args.Command = args.Positional.empty() ? "" : args.Positional[0];
        }
        if (args.Command == "egdb" && args.WantHelp) {
            std::printf("%s\n", EGDB_HELP);
            return 0;
        }
        if (args.WantHelp || args.Command.empty()) {
            const auto h = Help.find(args.Command);
            if (h == Help.end())
                Fail("unknown command \"" + args.Command + "\"");
            std::printf("%s\n", h->second.c_str());
            return args.WantHelp ? 0 : 2;
        }
        if (args.Command == "moves")
            return CmdMoves(args);
        if (args.Command == "perft")
            return CmdPerft(args, false);
        if (args.Command == "divide")
            return CmdPerft(args, true);
        if (args.Command == "search")
            return CmdSearch(args);
        if (args.Command == "report")
            return CmdReport(args);
        if (args.Command == "bench")
            return CmdBench(args);
        if (args.Command == "selfplay")
            return CmdSelfplay(args);
        if (args.Command == "match")
            return CmdMatch(args);
        if (args.Command == "book")
            return CmdBook(args);
        if (args.Command == "show")
            return CmdShow(args);
        if (args.Command == "pdn" || args.Command == "convert") {
            AllowOptions(args, {});
            return RunPdnCommand(args.Command, args.Positional);
        }
        Fail("unknown command \"" + args.Command + "\" (try --help)");
    } catch (const TUsageError& e) {
        std::fprintf(stderr, "%s: %s\n", PROGRAM, e.Message.c_str());
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: %s\n", PROGRAM, e.what());
        return 1;
    }
}

}  // namespace

int main(int argc, char** argv)
{
    ReportFileSizeLimitAsError();
    const int status = RunCommand(argc, argv);
    // Output that did not reach its file (a full disk, /dev/full) fails the command like any
    // other error: a script must not take a cut result for the answer.
    errno = 0;
    if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
        const int error = errno != 0 ? errno : EIO;
        std::fprintf(stderr, "%s: Cannot write the standard output. %s\n", PROGRAM, std::strerror(error));
        return status != 0 ? status : 1;
    }
    return status;
}
