#include "EndgameDb.h"

#include <cstdlib>

namespace velk {

struct TEndgameDb::TImpl {
    int MaxPieces = 0;
};

TEndgameDb::TEndgameDb() : F(std::make_unique<TImpl>()) {}

TEndgameDb::~TEndgameDb() = default;

std::string TEndgameDb::DefaultFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && *data == '/')
        return std::string(data) + "/velk-checkers/egdb";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.local/share/velk-checkers/egdb";
}

bool TEndgameDb::Load(const std::string&)
{
    return false;
}

int TEndgameDb::MaxPieces() const
{
    return F->MaxPieces;
}

TEgdbResult TEndgameDb::Probe(const TCheckersBoard& Board) const
{
    return Probe(Board.BlackPieces(), Board.WhitePieces(), Board.Kings(), Board.Turn());
}

TEgdbResult TEndgameDb::Probe(TSquareSet, TSquareSet, TSquareSet, uint8_t) const
{
    return TEgdbResult::Unknown;
}

bool BuildEndgameDb(const TEgdbBuildOptions&, const std::function<bool(uint64_t, uint64_t)>&, std::string& Error)
{
    Error = "not built yet";
    return false;
}

bool EndgameDbComplete(const std::string&, int)
{
    return false;
}

}  // namespace velk
