#include "BookCommand.h"

#include <algorithm>
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <deque>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

#include "Options.h"
#include "engine/Fen.h"
#include "engine/OpeningBook.h"

namespace velk {

namespace {

// Forced moves in a row are played through: the Expert search answers a single move at once,
// without a score worth having.
constexpr int MAX_FORCED_PLIES = 16;
// A position keeps at most this many moves, however many score alike.
constexpr size_t MAX_BOOK_MOVES = 6;
constexpr int SAVE_EVERY = 10;

struct TTask {
    std::string Fen;
    int Plies = 0;
};

// The score of Board for its side to move, searched after any forced moves.
int32_t ScorePosition(TExpertEngine& Engine, const TCheckersBoard& Board, const TBookBuildOptions& Options)
{
    TCheckersBoard board;
    board.Assign(Board);
    int32_t sign = 1;
    for (int i = 0; i < MAX_FORCED_PLIES && board.MoveCount() == 1; ++i) {
        board.MakeMove(0);
        sign = -sign;
    }
    if (board.MoveCount() == 0)
        return -sign * EXPERT_WIN;
    const TExpertResult result = Engine.Search(board, Options.Depth != 0 ? 0 : Options.MoveTimeMs, Options.Memory,
                                               nullptr, nullptr, Options.Depth != 0 ? Options.Depth : EXPERT_MAX_DEPTH);
    return sign * result.Score;
}

bool WriteBook(const TOpeningBook& Book, const std::map<uint64_t, std::string>& Fens, const TBookBuildOptions& Options)
{
    const std::string temporary = Options.Out + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << "# Velk Checkers opening book (engine/OpeningBook.h describes the format): " << Book.Size()
            << " positions.\n# Built by: " << Options.Command << "\n"
            << Book.Text(Fens);
        out.close();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    return std::rename(temporary.c_str(), Options.Out.c_str()) == 0;
}

}  // namespace

int RunBookBuild(const TBookBuildOptions& Options)
{
    // The positions on the way to each ballot first, then the ballots, then beyond them.
    std::deque<TTask> tasks;
    for (const TBallot& ballot : Options.Ballots) {
        TCheckersBoard board;
        board.NewGame();
        std::istringstream moves(ballot.Moves);
        for (std::string move; moves >> move;) {
            tasks.push_back({BoardToFen(board), 0});
            const int32_t index = FindNotatedMove(board, move);
            if (index < 0 || !board.MakeMove(index)) {
                std::fprintf(stderr, "ballot %d: %s is not a legal move in %s\n", ballot.Number, move.c_str(),
                             BoardToFen(board).c_str());
                return 2;
            }
        }
        TCheckersBoard given;
        std::string error;
        if (!ParseFen(ballot.Fen, given, error) || given.ComputeKey() != board.ComputeKey()) {
            std::fprintf(stderr, "ballot %d: its moves lead to %s, not %s\n", ballot.Number, BoardToFen(board).c_str(),
                         ballot.Fen.c_str());
            return 2;
        }
    }
    for (const TBallot& ballot : Options.Ballots)
        tasks.push_back({ballot.Fen, Options.Plies});

    TExpertEngine engine;
    // The scores are compared across the sides, so a draw must be 0 to both.
    engine.SetWeights(NeutralExpertWeights);
    TOpeningBook book;
    std::map<uint64_t, std::string> fens;
    std::set<uint64_t> done;
    const auto started = std::chrono::steady_clock::now();
    int searched = 0;
    while (!tasks.empty()) {
        const TTask task = tasks.front();
        tasks.pop_front();
        TCheckersBoard board;
        std::string error;
        if (!ParseFen(task.Fen, board, error))
            return 2;
        const uint64_t key = board.ComputeKey();
        if (!done.insert(key).second || board.MoveCount() == 0)
            continue;
        TBookEntry entry;
        entry.Key = key;
        TCheckersBoard child;
        for (int32_t i = 0; i < board.MoveCount(); ++i) {
            child.Assign(board);
            child.MakeMove(i);
            entry.Moves.push_back({PathToText(board.Moves()[i]), -ScorePosition(engine, child, Options)});
        }
        std::stable_sort(entry.Moves.begin(), entry.Moves.end(),
                         [](const TBookMove& A, const TBookMove& B) { return A.Score > B.Score; });
        const int32_t best = entry.Moves.front().Score;
        size_t kept = 1;
        while (kept < entry.Moves.size() && kept < MAX_BOOK_MOVES && best - entry.Moves[kept].Score <= BOOK_KEEP_MARGIN)
            ++kept;
        entry.Moves.resize(kept);
        // Beyond the ballot, along the moves the book itself would play.
        if (task.Plies > 0)
            for (const TBookMove& move : entry.Moves) {
                if (best - move.Score > BOOK_PLAY_MARGIN)
                    break;
                child.Assign(board);
                child.MakeMove(FindNotatedMove(child, move.Move));
                tasks.push_back({BoardToFen(child), task.Plies - 1});
            }
        std::fprintf(stderr, "%d (%d to go, %.0f s): %s best %s %d\n", ++searched, static_cast<int>(tasks.size()),
                     std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count(),
                     task.Fen.c_str(), entry.Moves.front().Move.c_str(), best);
        fens[key] = task.Fen;
        book.Add(std::move(entry));
        if (searched % SAVE_EVERY == 0 && !WriteBook(book, fens, Options)) {
            std::fprintf(stderr, "cannot write %s\n", Options.Out.c_str());
            return 1;
        }
    }
    if (!WriteBook(book, fens, Options)) {
        std::fprintf(stderr, "cannot write %s\n", Options.Out.c_str());
        return 1;
    }
    std::printf("book: %zu positions written to %s in %.0f s\n", book.Size(), Options.Out.c_str(),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count());
    return 0;
}

int RunBookProbe(const TCheckersBoard& Board, const std::string& BookFile, uint64_t Seed)
{
    TOpeningBook file;
    if (!BookFile.empty()) {
        std::ifstream in(BookFile, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        std::string error;
        if (!in || !file.Parse(text.str(), error)) {
            std::fprintf(stderr, "%s: %s\n", BookFile.c_str(), in ? error.c_str() : "cannot be read");
            return 2;
        }
    }
    const TOpeningBook& book = BookFile.empty() ? BuiltInBook() : file;
    const uint64_t key = Board.ComputeKey();
    std::printf("key %016" PRIx64 "\n", key);
    const TBookEntry* entry = book.Find(key);
    if (entry == nullptr) {
        std::printf("not in the book (%zu positions)\n", book.Size());
        return 0;
    }
    for (const TBookMove& move : entry->Moves)
        std::printf("%s %d\n", move.Move.c_str(), move.Score);
    TCheckersBoard board;
    board.Assign(Board);
    const int32_t chosen = book.Choose(Board, Seed, BookMargin(Board));
    std::printf("bookmove %s\n", chosen < 0 ? "none" : PathToText(board.Moves()[chosen]).c_str());
    return 0;
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

}  // namespace velk
