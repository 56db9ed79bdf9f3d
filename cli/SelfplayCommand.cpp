// The computer against itself from the tool, under the game's draw rule.
#include <cstdio>
#include <limits>
#include <memory>
#include <new>

#include "Options.h"
#include "engine/Fen.h"
#include "engine/OpeningBook.h"
#include "session/GameLoop.h"

namespace velk {

namespace {

constexpr int SELFPLAY_HALF_MOVES = 1000;

}  // namespace

// The computer against itself, as the window plays it: each turn a search of the board on the
// table the last one left, the move played in a game session, so that the closing line is the
// game's own record text.
int CmdSelfplay(const TArgs& Args)
{
    AllowOptions(Args, {"--fen", "--board", "--turn", "--depth", "--level", "--memory", "--game-memory", "--no-draws",
                        "--threads", "--egdb", "--ballot", "--ballots", "--deck", "--seed", "--clock"});
    ExpectPositional(Args, 0);
    const auto d = Args.Options.find("--depth");
    TLevel level = LevelOption(Args);
    if (level.Depth == 0 && !level.Expert())
        level.Depth = d == Args.Options.end()
                          ? DEFAULT_SEARCH_DEPTH
                          : static_cast<int>(ParseNumber(d->second, "--depth", 1, MAX_SEARCH_DEPTH));
    else if (d != Args.Options.end())
        Fail("give either --depth or --level, not both");
    const uint32_t memory = MemoryOption(Args, level.Expert() ? EXPERT_TOOL_MEMORY : DEFAULT_MAX_MEMORY);
    TPlayer player(level, memory, ThreadsOption(Args));
    const std::unique_ptr<TEndgameDb> endgames = level.Expert() ? EndgameOption(Args) : nullptr;
    player.SetEndgameDb(endgames.get());
    player.SetBook(true, RandomBookSeed());  // book moves vary from game to game, as in the game
    const bool draws = Args.Options.count("--no-draws") == 0;
    // One ballot: the one named, or one drawn from the deck by the seed (a new one each time).
    const std::vector<TBallot> ballots = BallotsOption(Args, SeedOption(Args, RandomBookSeed()));
    const auto& o = Args.Options;
    if (!ballots.empty() && (o.count("--fen") != 0 || o.count("--board") != 0 || o.count("--turn") != 0))
        Fail("give either a position or a ballot, not both");
    TCheckersBoard board;
    LoadPosition(Args, board);
    if (board.Turn() != PLAYER_BLACK && board.Turn() != PLAYER_WHITE)
        Fail("selfplay needs a side to move");

    // The game is the session's, as in the window: its record, turns and draw rule.
    TCheckersSession session;
    TSessionQueue queue(session);
    session.SetDeclareDraws(draws);
    session.SetTimeControl(ClockOption(Args));
    session.StartFrom(board);
    int moveNumber[3] = {0, 0, 0};
    if (!ballots.empty()) {
        // The ballot's moves are the game's first, played from the initial position, and the
        // moves printed are numbered on from them.
        const TBallot& ballot = ballots.front();
        session.StartBallot(ballot);
        for (const uint8_t side : {PLAYER_BLACK, PLAYER_WHITE})
            moveNumber[side] = session.MoveNumberOf(side) - 1;
        std::printf("ballot %d (%s%s%s): %s\n", ballot.Number, ballot.Deck.c_str(), ballot.Name.empty() ? "" : ", ",
                    ballot.Name.c_str(), ballot.Moves.c_str());
    }
    std::printf("start %s\n", BoardToFen(session.CheckersBoard()).c_str());
    const auto choose = [&](TCheckersSession& Session) -> int32_t {
        TCheckersBoard position;
        position.Assign(Session.CheckersBoard());
        const std::vector<uint64_t> past = Session.PastPositionKeys();
        int32_t best = -1;
        try {
            best = player.Choose(position, draws ? &past : nullptr, Session.ClockMoveTime()).Move;
        } catch (const std::bad_alloc&) {
            Fail("the transposition table of " + std::to_string(memory) + " bytes could not be allocated");
        }
        if (Session.CheckTime())
            return -1;  // too late: the move is not played
        if (best < 0 || best >= position.MoveCount())
            Fail("the engine chose no move in " + BoardToFen(position));
        const uint8_t side = position.Turn();
        std::printf("%d%s %s\n", ++moveNumber[side], side == PLAYER_BLACK ? "." : "...",
                    PathToText(position.Moves()[best]).c_str());
        std::fflush(stdout);
        return best;
    };
    PlayGame(session, queue, choose, draws ? std::numeric_limits<int>::max() : SELFPLAY_HALF_MOVES);
    if (session.LostOnTime() != 0)
        std::printf("%s lost on time\n", session.LostOnTime() == PLAYER_BLACK ? "black" : "white");
    if (session.TimeControl().Active())
        std::printf("clocks: black %.1f s, white %.1f s\n", session.RemainingTime(PLAYER_BLACK) / 1000.0,
                    session.RemainingTime(PLAYER_WHITE) / 1000.0);
    std::printf("%s\n", session.GetGameRecordText().c_str());
    return 0;
}

}  // namespace velk
