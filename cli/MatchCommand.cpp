#include "MatchCommand.h"

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

#include "engine/Fen.h"
#include "engine/GameSolver.h"
#include "engine/OpeningBook.h"
#include "session/GameLoop.h"

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

// Runs Argv with its output read back, for at most TimeoutMs; false with Error when it could not
// start, outlived the time (it is then killed) or failed.
bool RunProgram(const std::vector<std::string>& Argv, int TimeoutMs, std::string& Output, std::string& Error)
{
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        Error = "cannot make a pipe";
        return false;
    }
    std::vector<char*> args;
    for (const std::string& a : Argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const pid_t child = fork();
    if (child < 0) {
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        Error = "cannot start it";
        return false;
    }
    if (child == 0) {
        dup2(pipeEnds[1], STDOUT_FILENO);
        close(pipeEnds[0]);
        close(pipeEnds[1]);
        execv(args[0], args.data());
        _exit(127);
    }
    close(pipeEnds[1]);
    Output.clear();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    bool late = false;
    for (;;) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) {
            late = true;
            break;
        }
        pollfd fd{pipeEnds[0], POLLIN, 0};
        const int ready = poll(&fd, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0) {
            late = ready == 0;
            break;
        }
        char buffer[4096];
        const ssize_t got = read(pipeEnds[0], buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        Output.append(buffer, static_cast<size_t>(got));
    }
    close(pipeEnds[0]);
    if (late)
        kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    if (late) {
        Error = "gave no answer within " + std::to_string(TimeoutMs / 1000) + " s";
        return false;
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        Error = WIFEXITED(status) && WEXITSTATUS(status) == 127
                    ? "could not be started"
                    : "failed (exit status " + std::to_string(WIFEXITED(status) ? WEXITSTATUS(status) : -1) + ")";
        return false;
    }
    return true;
}

}  // namespace

void MatchScore(int Wins, int Losses, int Draws, double& Score, double& Margin)
{
    const int games = Wins + Losses + Draws;
    Score = Margin = 0;
    if (games == 0)
        return;
    const double mean = (Wins + 0.5 * Draws) / games;
    const double variance =
        (Wins * (1 - mean) * (1 - mean) + Draws * (0.5 - mean) * (0.5 - mean) + Losses * mean * mean) / games;
    Score = 100 * mean;
    Margin = 100 * 1.96 * std::sqrt(variance / games);
}

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
    Level = TLevel();
    Level.Name = Text;
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
    } else if (Text.rfind("driver:", 0) == 0) {
        // The path may hold colons itself: a last part that reads as seconds is the time.
        Level.Driver = Text.substr(7);
        Level.MoveTimeMs = static_cast<uint32_t>(std::lround(DefaultSeconds * 1000));
        const size_t colon = Level.Driver.rfind(':');
        if (colon != std::string::npos && ParseSeconds(Level.Driver.substr(colon + 1), Level.MoveTimeMs))
            Level.Driver.resize(colon);
        if (Level.Driver.empty()) {
            Error = "\"" + Text + "\" names no driver";
            return false;
        }
    } else {
        Error = "unknown level \"" + Text +
                "\" (easy, medium, difficult, depth:N, expert[:SECONDS], driver:PATH[:SECONDS])";
        return false;
    }
    return true;
}

TExpertResult TPlayer::AskDriver(TCheckersBoard& Board, uint32_t MoveTimeMs)
{
    TExpertResult result;
    char seconds[32];
    std::snprintf(seconds, sizeof seconds, "%.3f", MoveTimeMs / 1000.0);
    std::string output, error;
    const std::string fen = BoardToFen(Board);
    // A driver thinks for its time and starts up; one that takes far longer has hung.
    const int timeoutMs = static_cast<int>(std::min<uint32_t>(MoveTimeMs, 600000)) * 10 + 10000;
    if (!RunProgram({FLevel.Driver, "--fen", fen, "--time", seconds}, timeoutMs, output, error)) {
        FFault = "the driver " + error + " for " + fen;
        return result;
    }
    std::string after;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("after ", 0) == 0) {
            after = line.substr(6);
            while (!after.empty() && std::isspace(static_cast<unsigned char>(after.back())))
                after.pop_back();
            break;
        }
    TCheckersBoard answer;
    if (after.empty() || !ParseFen(after, answer, error)) {
        FFault = "the driver gave no position after its move for " + fen;
        return result;
    }
    const uint64_t wanted = answer.ComputeKey();
    TCheckersBoard child;
    for (int32_t i = 0; i < Board.MoveCount(); ++i) {
        child.Assign(Board);
        if (child.MakeMove(i) && child.ComputeKey() == wanted) {
            result.Move = i;
            return result;
        }
    }
    FFault = "the driver answered " + fen + " with " + after + ", which no legal move reaches";
    return result;
}

TExpertResult TPlayer::Choose(TCheckersBoard& Board, const std::vector<uint64_t>* Past, uint32_t MoveTimeMs)
{
    FFromBook = false;
    FFault.clear();
    const uint32_t moveTime = MoveTimeMs != 0 ? MoveTimeMs : FLevel.MoveTimeMs;
    if (!FLevel.Driver.empty())
        return AskDriver(Board, moveTime);
    if (FLevel.Expert() && FUseBook) {
        TExpertResult book;
        book.Move = BookMove(Board, FBookSeed);
        if (book.Move >= 0) {
            const TBookEntry* entry = BuiltInBook().Find(Board.ComputeKey());
            const std::string text = PathToText(Board.Moves()[book.Move]);
            for (const TBookMove& m : entry->Moves)
                if (m.Move == text)
                    book.Score = m.Score;
            FFromBook = true;
            return book;
        }
    }
    if (FLevel.Expert())
        return FExpert.Search(Board, moveTime, FMemory ? FMemory : EXPERT_TOOL_MEMORY, nullptr, Past);
    TExpertResult result;
    result.Move =
        Board.Solve(static_cast<uint8_t>(FLevel.Depth), FMemory ? FMemory : DEFAULT_MAX_MEMORY, nullptr, Past);
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
    if (!Options.Ballots.empty())
        for (const TBallot& ballot : Options.Ballots)
            openings.emplace_back(ballot.Fen, "ballot " + std::to_string(ballot.Number) + " " + ballot.Moves);
    else if (Options.Openings.empty())
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
    a.SetEndgameDb(Options.Endgames);
    b.SetEndgameDb(Options.Endgames);
    // The games are the session's, as in the window: its record, turns and draw rule.
    TCheckersSession session;
    TSessionQueue queue(session);
    session.SetDeclareDraws(true);
    session.SetTimeControl(Options.Clock);
    int wins = 0, losses = 0, draws = 0, voids = 0;
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
        // Each game draws its own book moves, and each side its own.
        a.SetBook(Options.UseBook, Options.Seed * 2 * static_cast<uint64_t>(games) + 2 * static_cast<uint64_t>(g));
        b.SetBook(Options.UseBook, Options.Seed * 2 * static_cast<uint64_t>(games) + 2 * static_cast<uint64_t>(g) + 1);
        // The first game of an opening gives A the side to move, the second gives it to B.
        const uint8_t sideA = g % 2 == 0 ? board.Turn() : board.Turn() ^ 3;
        // A ballot's moves are the game's first, recorded as in the window's games.
        const TBallot* ballot = Options.Ballots.empty() ? nullptr : &Options.Ballots[chosen[g / 2]];
        if (ballot != nullptr)
            session.StartBallot(*ballot);
        else
            session.StartFrom(board);
        const int openingPlies = session.History().Count();
        std::string record, fault;
        bool stuck = false;
        const TGameEnd end = PlayGame(
            session, queue,
            [&](TCheckersSession& Session) -> int32_t {
                TCheckersBoard position;
                position.Assign(Session.CheckersBoard());
                const std::vector<uint64_t> past = Session.PastPositionKeys();
                const int mover = position.Turn() == sideA ? 0 : 1;
                TPlayer& player = mover == 0 ? a : b;
                const auto started = std::chrono::steady_clock::now();
                const TExpertResult choice = player.Choose(position, &past, Session.ClockMoveTime());
                seconds[mover] += std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
                ++moves[mover];
                if (Session.CheckTime())
                    return -1;  // too late: the move is not played
                if (!player.Fault().empty()) {
                    fault = player.Fault();
                    return -1;
                }
                if (choice.Move < 0 || choice.Move >= position.MoveCount()) {
                    std::fprintf(stderr, "%s chose no playable move in %s\n", player.Level().Name.c_str(),
                                 BoardToFen(position).c_str());
                    stuck = true;
                    return -1;
                }
                if (Options.Moves) {
                    char text[64];
                    std::snprintf(text, sizeof text, " %s(%d/%s)", PathToText(position.Moves()[choice.Move]).c_str(),
                                  choice.Score, player.FromBook() ? "book" : std::to_string(choice.Depth).c_str());
                    record += text;
                }
                return choice.Move;
            },
            MAX_GAME_PLIES);
        if (stuck)
            return 1;
        const int plies = session.History().Count() - openingPlies;
        std::string result = "draw";
        if (!fault.empty()) {
            // A driver that fails its move voids the game rather than the match.
            ++voids;
            result = "void (" + fault + ")";
        } else if (end != TGameEnd::Over || session.Winner() == 0) {
            ++draws;
        } else if (session.Winner() == sideA) {
            ++wins;
            result = session.LostOnTime() != 0 ? "A wins (B lost on time)" : "A wins";
        } else {
            ++losses;
            result = session.LostOnTime() != 0 ? "B wins (A lost on time)" : "B wins";
        }
        std::string clocks;
        if (Options.Clock.Active()) {
            char text[80];
            std::snprintf(text, sizeof text, ", clocks A %.1f s, B %.1f s", session.RemainingTime(sideA) / 1000.0,
                          session.RemainingTime(sideA ^ 3) / 1000.0);
            clocks = text;
        }
        std::printf("game %d: %s, A %s: %s after %d plies%s\n", g + 1, label.c_str(),
                    sideA == PLAYER_BLACK ? "black" : "white", result.c_str(), plies, clocks.c_str());
        if (Options.Moves)
            std::printf("  %s:%s\n  end %s\n", fen.c_str(), record.c_str(),
                        BoardToFen(session.CheckersBoard()).c_str());
        std::fflush(stdout);
    }
    double score, margin;
    MatchScore(wins, losses, draws, score, margin);
    std::printf("total: A %d wins, %d losses, %d draws, score %.1f %% +- %.1f\n", wins, losses, draws, score, margin);
    if (voids > 0)
        std::printf("void: %d games, not counted\n", voids);
    std::printf("time per move: A %.3f s, B %.3f s\n", moves[0] ? seconds[0] / moves[0] : 0.0,
                moves[1] ? seconds[1] / moves[1] : 0.0);
    return 0;
}

}  // namespace velk
