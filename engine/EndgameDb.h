#pragma once
// Win, loss or draw for every position with few pieces, from tables the program builds itself by
// retrograde analysis and keeps compressed under the user's data folder.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "CheckersBoard.h"

namespace velk {

// The most pieces a build may cover: every ending up to six, and at seven the endings of kings
// with at most one man (the rest of them stay unknown).
constexpr int EGDB_MAX_PIECES = 7;

// The value of a position for its side to move, under the game's rules without the forty-move
// rule: a side with no move loses.
enum class TEgdbResult : int8_t { Unknown = -2, Loss = -1, Draw = 0, Win = 1 };

// The tables built so far. Loading takes what is complete and ignores the rest; probing is
// read-only, thread-safe and allocates nothing.
class TEndgameDb {
public:
    TEndgameDb();
    ~TEndgameDb();
    TEndgameDb(const TEndgameDb&) = delete;
    TEndgameDb& operator=(const TEndgameDb&) = delete;

    // $XDG_DATA_HOME/velk-checkers/egdb, or ~/.local/share/velk-checkers/egdb.
    static std::string DefaultFolder();

    // True when tables for at least the smallest endings were found in Folder; sets of more
    // than MostPieces pieces are left on disk (the six-piece tables take 0.7 GB and seconds,
    // the seven-piece ones as much again).
    bool Load(const std::string& Folder, int MostPieces = EGDB_MAX_PIECES);
    // The positions with this many pieces or fewer that have tables are known: all of them up to
    // six, at seven those of kings and at most one man (0: none loaded).
    int MaxPieces() const;
    // Unknown for a position with more pieces than MaxPieces or without a table.
    TEgdbResult Probe(const TCheckersBoard& Board) const;
    TEgdbResult Probe(TSquareSet Black, TSquareSet White, TSquareSet Kings, uint8_t Turn) const;

private:
    struct TImpl;
    std::unique_ptr<TImpl> F;
};

struct TEgdbBuildOptions {
    std::string Folder;  // created when missing
    int Pieces = 5;      // build every ending with up to this many pieces that has tables
    int Threads = 0;     // 0: the machine's cores
    // Called from the building thread as each table is found or finished (Done of Total).
    std::function<void(int Done, int Total, const std::string& Table)> TableDone;
};

// Builds what is missing in Options.Folder, smallest endings first, each table written whole
// (a stopped build resumes with the table it was working on). Progress is called from the
// building thread with work done and total; it returns false to stop. False with Error on
// failure or when stopped.
bool BuildEndgameDb(const TEgdbBuildOptions& Options,
                    const std::function<bool(uint64_t Done, uint64_t Total)>& Progress, std::string& Error);

// True when every table for endings up to Pieces that has one is in Folder.
bool EndgameDbComplete(const std::string& Folder, int Pieces);

struct TEgdbVerifyReport {
    uint64_t Checked = 0;
    uint64_t Faults = 0;
    std::string FirstFault;  // the first position whose value its successors contradict, as FEN
};

// Checks every Stride-th position of the loaded tables against the values of the positions its
// moves lead to: a win has a move to a loss of the opponent, a loss only moves to wins, a draw no
// move to a loss and some move to a draw. Progress as for the build. False when stopped.
bool VerifyEndgameDb(const TEndgameDb& Db, uint64_t Stride,
                     const std::function<bool(uint64_t Done, uint64_t Total)>& Progress, TEgdbVerifyReport& Report);

}  // namespace velk
