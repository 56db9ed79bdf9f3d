#include "MatchCommand.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>

#include "cli/Fen.h"
#include "engine/DrawRule.h"
#include "engine/GameSolver.h"

namespace velk {

namespace {

// No game reaches this under the draw rule (men only move forward, kings only forty moves):
// the bound only keeps a damaged opening from running forever.
constexpr int MAX_GAME_PLIES = 1000;

bool ParseDepth(const std::string& Text, int& Depth)
{
    if (Text.empty() || Text.size() > 2 || Text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    Depth = std::atoi(Text.c_str());
    return Depth >= 1 && Depth <= MAX_SEARCH_DEPTH;
}

}  // namespace

bool ParseSeconds(const std::string& Text, uint32_t& Ms)
{
    if (Text.empty() || Text.size() > 10 || Text.find_first_not_of("0123456789.") != std::string::npos ||
        Text.find('.') != Text.rfind('.') || Text == ".")
        return false;
    const double seconds = std::strtod(Text.c_str(), nullptr);
    if (!(seconds >= 0.001 && seconds <= 3600))
        return false;
    Ms = static_cast<uint32_t>(std::lround(seconds * 1000));
    return true;
}

bool ParseLevel(const std::string& Text, double DefaultSeconds, TLevel& Level, std::string& Error)
{
    Level = TLevel{Text};
    if (Text == "easy")
        Level.Depth = 4;
    else if (Text == "medium")
        Level.Depth = 8;
    else if (Text == "difficult")
        Level.Depth = 12;
    else if (Text.rfind("depth:", 0) == 0) {
        if (!ParseDepth(Text.substr(6), Level.Depth)) {
            Error = "the depth of \"" + Text + "\" must be a number from 1 to 64";
            return false;
        }
    } else if (Text == "expert") {
        Level.MoveTimeMs = static_cast<uint32_t>(std::lround(DefaultSeconds * 1000));
    } else if (Text.rfind("expert:", 0) == 0) {
        if (!ParseSeconds(Text.substr(7), Level.MoveTimeMs)) {
            Error = "the time of \"" + Text + "\" must be seconds from 0.001 to 3600";
            return false;
        }
    } else {
        Error = "unknown level \"" + Text + "\" (easy, medium, difficult, depth:N, expert[:SECONDS])";
        return false;
    }
    return true;
}

TExpertResult TPlayer::Choose(TCheckersBoard& Board, const std::vector<uint64_t>* Past)
{
    if (FLevel.Expert())
        return FExpert.Search(Board, FLevel.MoveTimeMs, FMemory ? FMemory : EXPERT_TOOL_MEMORY, nullptr, Past);
    TExpertResult result;
    result.Move = Board.Solve(static_cast<uint8_t>(FLevel.Depth), FMemory ? FMemory : DEFAULT_MAX_MEMORY, nullptr, Past);
    result.Score = Board.SearchScore();
    result.Depth = FLevel.Depth;
    result.Nodes = Board.SearchNodes();
    return result;
}

std::vector<std::pair<std::string, std::string>> ThreePlyOpenings()
{
    std::vector<std::pair<std::string, std::string>> openings;
    std::set<uint64_t> seen;
    TCheckersBoard start;
    start.NewGame();
    TCheckersBoard first, second, third;
    for (int32_t a = 0; a < start.MoveCount(); ++a) {
        first.Assign(start);
        const std::string moveA = PathToText(first.Moves()[a]);
        first.MakeMove(a);
        for (int32_t b = 0; b < first.MoveCount(); ++b) {
            second.Assign(first);
            const std::string moveB = PathToText(second.Moves()[b]);
            second.MakeMove(b);
            for (int32_t c = 0; c < second.MoveCount(); ++c) {
                third.Assign(second);
                const std::string moveC = PathToText(third.Moves()[c]);
                third.MakeMove(c);
                if (seen.insert(third.ComputeKey()).second)
                    openings.emplace_back(BoardToFen(third), moveA + " " + moveB + " " + moveC);
            }
        }
    }
    return openings;
}

int RunMatch(const TMatchOptions& Options)
{
    std::vector<std::pair<std::string, std::string>> openings;
    if (Options.Openings.empty())
        openings = ThreePlyOpenings();
    else
        for (const std::string& fen : Options.Openings)
            openings.emplace_back(fen, fen);
    const int all = static_cast<int>(openings.size()) * 2;
    const int games = Options.Games > 0 && Options.Games < all ? Options.Games : all;
    // Fewer games than openings take openings spread over the whole list, not its first few.
    const int used = (games + 1) / 2;
    std::vector<int> chosen;
    for (int i = 0; i < used; ++i)
        chosen.push_back(static_cast<int>(static_cast<int64_t>(i) * static_cast<int64_t>(openings.size()) / used));

    TPlayer a(Options.A, Options.Memory, Options.Threads);
    TPlayer b(Options.B, Options.Memory, Options.Threads);
    int wins = 0, losses = 0, draws = 0;
    double seconds[2] = {0, 0};
    int moves[2] = {0, 0};
    std::printf("match: A %s against B %s, %d games\n", Options.A.Name.c_str(), Options.B.Name.c_str(), games);
    for (int g = 0; g < games; ++g) {
        const auto& [fen, label] = openings[chosen[g / 2]];
        TCheckersBoard board;
        std::string error;
        if (!ParseFen(fen, board, error)) {
            std::fprintf(stderr, "opening %s: %s\n", fen.c_str(), error.c_str());
            return 2;
        }
        // The first game of an opening gives A the side to move, the second gives it to B.
        const uint8_t sideA = g % 2 == 0 ? board.Turn() : board.Turn() ^ 3;
        TGamePositions positions;
        positions.Reset(board);
        int plies = 0;
        bool drawn = false;
        std::string record;
        while (board.GameState() == gsPlaying) {
            if (positions.Drawn() || plies >= MAX_GAME_PLIES) {
                drawn = true;
                break;
            }
            const int mover = board.Turn() == sideA ? 0 : 1;
            TPlayer& player = mover == 0 ? a : b;
            const auto started = std::chrono::steady_clock::now();
            const TExpertResult choice = player.Choose(board, &positions.ReversibleKeys());
            seconds[mover] += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
            ++moves[mover];
            if (Options.Moves && choice.Move >= 0 && choice.Move < board.MoveCount())
            {
                char text[64];
                std::snprintf(text, sizeof text, " %s(%d/%d)", PathToText(board.Moves()[choice.Move]).c_str(),
                              choice.Score, choice.Depth);
                record += text;
            }
            if (choice.Move < 0 || !board.MakeMove(choice.Move)) {
                std::fprintf(stderr, "%s chose no playable move in %s\n", player.Level().Name.c_str(),
                             BoardToFen(board).c_str());
                return 1;
            }
            positions.Push(board);
            ++plies;
        }
        const char* result = "draw";
        if (drawn) {
            ++draws;
        } else if (board.Winner() == sideA) {
            ++wins;
            result = "A wins";
        } else {
            ++losses;
            result = "B wins";
        }
        std::printf("game %d: %s, A %s: %s after %d plies\n", g + 1, label.c_str(),
                    sideA == PLAYER_BLACK ? "black" : "white", result, plies);
        if (Options.Moves)
            std::printf("  %s:%s\n  end %s\n", fen.c_str(), record.c_str(), BoardToFen(board).c_str());
        std::fflush(stdout);
    }
    const double score = games > 0 ? 100.0 * (wins + 0.5 * draws) / games : 0;
    std::printf("total: A %d wins, %d losses, %d draws, score %.1f %%\n", wins, losses, draws, score);
    std::printf("time per move: A %.3f s, B %.3f s\n", moves[0] ? seconds[0] / moves[0] : 0.0,
                moves[1] ? seconds[1] / moves[1] : 0.0);
    return 0;
}

}  // namespace velk
