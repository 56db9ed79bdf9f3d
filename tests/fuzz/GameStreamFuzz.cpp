// Feeds arbitrary bytes to the game readers, once as a game file and once as a bare game
// stream (the form the board control keeps its backup in). A reader must load a game or raise
// velk::Exception; anything else (a crash, a leak, a read out of bounds, a wild allocation) is
// a finding. A game that loads must also save and load back to the same bytes, show a board at
// every record, and the record questions the history panel asks must answer it without failing.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "engine/CheckersBoard.h"
#include "record/GameFile.h"
#include "record/GameHistory.h"

using namespace velk;

namespace {

void Exercise(const TGameHistory& History)
{
    TMemoryStream saved;
    History.SaveToStream(saved);
    TCheckersBoard boardClass;
    TGameHistory again(boardClass);
    saved.SetPosition(0);
    again.LoadFromStream(saved);
    TMemoryStream resaved;
    again.SaveToStream(resaved);
    if (resaved.Bytes() != saved.Bytes())
        std::abort();

    // Every record of a game that loads holds a board of its own, with a side to move.
    TCheckersBoard shown;
    for (int32_t i = 1; i <= History.Count(); ++i) {
        History.LoadBoardAt(i, shown);
        if (shown.Turn() == 0)
            std::abort();
    }
    History.LoadBoardAt(History.Position(), shown);
    shown.Moves();
    TGameHistoryRec none;
    const TGameRecordView view{History, none, shown.Turn()};
    view.GameRecordText(shown.GameState() != gsPlaying, shown.Winner());
    for (int32_t move = 1; move <= view.MoveCount() + 1; ++move)
        for (uint8_t player = 1; player <= 2; ++player)
            view.GetMoveTime(player, move);
    view.PlayerTime(1, 0);
    view.PlayerTime(2, 0);
}

void Load(const std::vector<uint8_t>& Bytes, bool WithSignature)
{
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    TMemoryStream stream(Bytes);
    try {
        if (WithSignature)
            ReadGameSignature(stream, "Velk Checkers");
        history.LoadFromStream(stream);
    } catch (const Exception&) {
        return;
    }
    Exercise(history);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::vector<uint8_t> bytes(Data, Data + Size);
    Load(bytes, true);
    Load(bytes, false);
    return 0;
}
