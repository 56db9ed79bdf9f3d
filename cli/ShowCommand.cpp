// What a saved game file holds, record by record.
#include <cstdio>

#include "Options.h"
#include "engine/Fen.h"
#include "platform/Exceptions.h"
#include "record/GameFile.h"
#include "record/GameHistory.h"

namespace velk {

namespace {

constexpr const char* TITLE = "Velk Checkers";

const char* SideName(uint8_t Turn)
{
    return Turn == PLAYER_BLACK ? "black" : Turn == PLAYER_WHITE ? "white" : "nobody";
}

}  // namespace

int CmdShow(const TArgs& Args)
{
    AllowOptions(Args, {});
    if (Args.Positional.empty())
        Fail("show needs a FILE");
    if (Args.Positional.size() > 1)
        Fail("unexpected argument \"" + Args.Positional[1] + "\"");
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    TCheckersBoard shown;
    try {
        LoadGameFile(Args.Positional[0], TITLE, history);
        history.LoadBoardAt(history.Position(), shown);
    } catch (const Exception& e) {
        Fail(e.what());
    }
    std::printf("signature: \"%s\" ok\n", GameFileSignature(TITLE).c_str());
    const auto& start = static_cast<const TCheckersBoard&>(history.StartBoard());
    std::printf("start: \"%s\" %s, %s to move\n", start.GetAsText().c_str(), BoardToFen(start).c_str(),
                SideName(start.Turn()));
    std::printf("records: %d\n", history.Count());
    for (int32_t i = 0; i < history.Count(); ++i) {
        const TGameHistoryRec& rec = history.Items(i);
        std::printf("  %d: %s, %u ms, %s\n", i + 1, PathNotation(rec.Path, true).c_str(), rec.Duration,
                    rec.EndsTurn ? "ends the turn" : "turn goes on");
    }
    std::printf("position: %d\n", history.Position());
    std::printf("finished: %s\n", history.Finished() ? "yes" : "no");
    TGameHistoryRec none;
    const TGameRecordView view{history, none, shown.Turn()};
    std::printf("record: %s\n", view.GameRecordText(shown.GameState() != gsPlaying, shown.Winner()).c_str());
    return 0;
}

}  // namespace velk
