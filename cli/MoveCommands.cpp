// The commands about the rules alone: the legal moves, the position's report, and perft.
#include <cinttypes>
#include <cstdio>
#include <memory>

#include "Options.h"

namespace velk {

namespace {

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

}  // namespace

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

}  // namespace velk
