#pragma once
// What the engine tool's commands share: the command line as read, the readers of the options
// that several commands take, and the timing lines they print. A fault in the command line is
// thrown as a TUsageError (exit status 2).
#include <chrono>
#include <cstdint>
#include <initializer_list>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "MatchCommand.h"
#include "engine/CheckersBoard.h"
#include "engine/GameSolver.h"

namespace velk {

struct TUsageError {
    std::string Message;
};

[[noreturn]] void Fail(const std::string& Message);

// Text as a whole number from Min to Max; anything else fails naming the option What.
uint64_t ParseNumber(const std::string& Text, const char* What, uint64_t Min, uint64_t Max);

struct TArgs {
    std::string Command;
    std::vector<std::string> Positional;
    std::map<std::string, std::string> Options;
    bool WantHelp = false;
    bool WantVersion = false;
};

TArgs ParseArgs(int argc, char** argv);
// Fails for an option the command does not take, or for more or fewer arguments than Count.
void AllowOptions(const TArgs& Args, std::initializer_list<const char*> Allowed);
void ExpectPositional(const TArgs& Args, size_t Count);
// The position of --fen or --board/--turn, or the initial one.
void LoadPosition(const TArgs& Args, TCheckersBoard& Board);

double Seconds(std::chrono::steady_clock::time_point Start);
void PrintRate(const char* What, uint64_t Count, double Time);

uint32_t MemoryOption(const TArgs& Args, uint32_t Default = DEFAULT_MAX_MEMORY);
TLevel LevelOption(const TArgs& Args);
uint64_t SeedOption(const TArgs& Args, uint64_t Default);
// --ballot N, or --ballots DECK|FILE (with --deck D for a file) of which --count N are drawn by
// Seed; empty when neither is given.
std::vector<TBallot> BallotsOption(const TArgs& Args, uint64_t Seed);
std::unique_ptr<TEndgameDb> EndgameOption(const TArgs& Args, const TCheckersBoard* Root = nullptr);
int ThreadsOption(const TArgs& Args);
TTimeControl ClockOption(const TArgs& Args);

// The commands, each returning the exit status; main.cpp dispatches to them.
int CmdMoves(const TArgs& Args);
int CmdPerft(const TArgs& Args, bool Divide);
int CmdReport(const TArgs& Args);
int CmdSearch(const TArgs& Args);
int CmdBench(const TArgs& Args);
int CmdSelfplay(const TArgs& Args);
int CmdMatch(const TArgs& Args);
int CmdBook(const TArgs& Args);
int CmdShow(const TArgs& Args);
int CmdAnalyze(const TArgs& Args);

}  // namespace velk
