#pragma once
// velk-checkers-engine egdb: builds, probes and checks the endgame tables.
#include <string>

namespace velk {

// The usage text that --help prints for the command.
extern const char* const EGDB_HELP;

// Runs "egdb SUBCOMMAND ARGS..." (Args[0] is the subcommand); returns the process exit code.
int RunEgdbCommand(int Argc, char** Argv);

}  // namespace velk
