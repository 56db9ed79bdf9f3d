#pragma once
// The computer's levels as the tool names them, a player of one level, and the match of two.
#include <cstdint>
#include <string>
#include <vector>

#include "engine/CheckersBoard.h"
#include "engine/ExpertSearch.h"
#include "record/Ballots.h"
#include "session/TimeControl.h"

namespace velk {

// The Expert level's table in the tool: the most it takes, which is what the game gives it, so that
// the tool's moves are the game's.
constexpr uint32_t EXPERT_TOOL_MEMORY = EXPERT_MAX_TABLE_BYTES;

// easy, medium, difficult (the game's depths 4, 8, 12), depth:N, expert with a time per move, or
// a program outside (a driver) that answers a position with the position after its move.
struct TLevel {
    std::string Name;
    int Depth = 0;            // for a fixed-depth level
    uint32_t MoveTimeMs = 0;  // for expert and a driver; 0 otherwise
    std::string Driver;       // the driver's path; empty for the engine's own levels
    bool Expert() const { return MoveTimeMs != 0 && Driver.empty(); }
};

// Reads "easy", "medium", "difficult", "depth:N", "expert[:SECONDS]" or "driver:PATH[:SECONDS]"
// (SECONDS default DefaultSeconds). False with a message for anything else.
bool ParseLevel(const std::string& Text, double DefaultSeconds, TLevel& Level, std::string& Error);
// A time in seconds (0.001 to 3600) as milliseconds; false for anything else.
bool ParseSeconds(const std::string& Text, uint32_t& Ms);

// One side of a game: the level's search with its own table kept from move to move.
class TPlayer {
public:
    // Threads: the Expert level's (0: one per core).
    TPlayer(const TLevel& Level, uint32_t Memory, int Threads = 1) : FLevel(Level), FMemory(Memory)
    {
        FExpert.SetThreads(Threads);
    }

    // The move for Board (an index in its list) as the game's computer would choose it at this
    // level, Past being the draw rule's positions (TGamePositions::ReversibleKeys) or null. The
    // Expert level plays from the opening book first, drawing among its moves by BookSeed.
    // A driver's move is -1 when it gave none or an illegal one; Fault() then says which.
    // MoveTimeMs, when not 0, is the time a clock gives this move in place of the level's own.
    TExpertResult Choose(TCheckersBoard& Board, const std::vector<uint64_t>* Past, uint32_t MoveTimeMs = 0);
    const TLevel& Level() const { return FLevel; }
    void SetBook(bool Use, uint64_t Seed)
    {
        FUseBook = Use;
        FBookSeed = Seed;
    }
    void SetEndgameDb(const TEndgameDb* Db) { FExpert.SetEndgameDb(Db); }
    bool FromBook() const { return FFromBook; }
    const std::string& Fault() const { return FFault; }

private:
    TExpertResult AskDriver(TCheckersBoard& Board, uint32_t MoveTimeMs);

    TLevel FLevel;
    uint32_t FMemory;
    TExpertEngine FExpert;
    bool FUseBook = true;
    uint64_t FBookSeed = 0;
    bool FFromBook = false;
    std::string FFault;
};

struct TMatchOptions {
    TLevel A, B;
    int Games = 0;                     // 0: every opening with both colours
    std::vector<std::string> Openings;  // FEN; empty: every position three plies from the start
    std::vector<TBallot> Ballots;       // played instead of Openings when there are any
    uint32_t Memory = 0;               // 0: each level's default
    int Threads = 0;                   // of an expert side; 0: one per core
    bool Moves = false;                // print each game's moves with score/depth
    bool UseBook = true;               // the Expert level plays from the opening book
    uint64_t Seed = 1;                 // for the book's choices, different in each game
    const TEndgameDb* Endgames = nullptr;  // probed by both expert sides; null: none
    TTimeControl Clock;                    // each side's clock; none: the levels' own times
};

// The score of W wins, L losses and D draws in per cent, and its 95 % margin.
void MatchScore(int Wins, int Losses, int Draws, double& Score, double& Margin);

// Plays the match, printing each game and the total; returns the process exit code.
int RunMatch(const TMatchOptions& Options);

// Every position three plies from the start, each once, as FEN with the moves that reach it.
std::vector<std::pair<std::string, std::string>> ThreePlyOpenings();

}  // namespace velk
