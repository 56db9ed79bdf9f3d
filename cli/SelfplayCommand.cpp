// The computer against itself from the tool, under the game's draw rule.
#include <cstdio>
#include <memory>
#include <new>

#include "Options.h"
#include "engine/DrawRule.h"
#include "engine/OpeningBook.h"
#include "record/GameHistory.h"
#include "record/Squares.h"

namespace velk {

namespace {

constexpr int SELFPLAY_HALF_MOVES = 1000;

}  // namespace

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

}  // namespace velk
