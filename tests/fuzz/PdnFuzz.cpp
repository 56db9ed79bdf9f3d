// Feeds arbitrary text to the PDN reader: the game list, then every game listed. Reading must
// give a game or raise EPdnError; anything else is a finding. A game that reads must also write
// as PDN and read back to the same records, comments and analysis, since Save As and Paste
// rely on that.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/CheckersBoard.h"
#include "record/Pdn.h"

using namespace velk;

namespace {

std::vector<std::vector<int32_t>> Paths(const TGameHistory& History)
{
    std::vector<std::vector<int32_t>> paths;
    for (int32_t i = 0; i < History.Count(); ++i)
        paths.push_back(History.Items(i).Path);
    return paths;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* Data, size_t Size)
{
    const std::string_view text(reinterpret_cast<const char*>(Data), Size);
    TCheckersBoard boardClass;
    for (const TPdnGameInfo& game : ListPdnGames(text)) {
        if (game.Offset > Size || game.Length > Size - game.Offset || game.Length == 0)
            std::abort();
        TGameHistory history(boardClass);
        TPdnGameData data;
        try {
            ReadPdnGame(text.substr(game.Offset, game.Length), game.Number, history, &data);
        } catch (const EPdnError&) {
            continue;
        }
        TCheckersBoard last;
        history.LoadBoardAt(history.Count(), last);
        const std::string written = WritePdnGame(history, data, history.Finished(), last.Winner());
        TGameHistory again(boardClass);
        TPdnGameData dataAgain;
        ReadPdnGame(written, 1, again, &dataAgain);  // must not raise

        TCheckersBoard start;
        start.Assign(again.StartBoard());
        if (Paths(again) != Paths(history) || start.GetAsText() != history.StartBoard().GetAsText() ||
            start.Turn() != history.StartBoard().Turn())
            std::abort();
        // Every comment comes back (a closing brace, which a comment in braces cannot hold, as
        // a bracket).
        auto braced = [](std::string Text) {
            std::replace(Text.begin(), Text.end(), '}', ')');
            return Text;
        };
        if (dataAgain.Comment != braced(data.Comment))
            std::abort();
        for (int32_t i = 0; i < history.Count(); ++i)
            if (again.Items(i).Comment != braced(history.Items(i).Comment) ||
                again.Items(i).Analysis != history.Items(i).Analysis)
                std::abort();
    }
    return 0;
}
