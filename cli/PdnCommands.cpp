#include "PdnCommands.h"

#include <cctype>
#include <cstdio>
#include <memory>

#include "engine/CheckersBoard.h"
#include "engine/DrawRule.h"
#include "engine/Fen.h"
#include "platform/FileStream.h"
#include "record/GameFile.h"
#include "record/Pdn.h"

namespace velk {

namespace {

constexpr const char* TITLE = "Velk Checkers";

struct TCommandError {
    std::string Message;
};

std::string ReadText(const std::string& FileName)
{
    TFileStream file(FileName, fmOpenRead);
    file.SetDescription("PDN file");
    std::string text(static_cast<size_t>(file.Size()), '\0');
    file.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
    return text;
}

bool EndsWith(const std::string& Name, const char* Ending)
{
    const std::string ending = Ending;
    if (Name.size() < ending.size())
        return false;
    for (size_t i = 0; i < ending.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(Name[Name.size() - ending.size() + i])) != ending[i])
            return false;
    return true;
}

bool IsPdnName(const std::string& Name)
{
    if (EndsWith(Name, ".pdn"))
        return true;
    if (EndsWith(Name, ".ckr"))
        return false;
    throw TCommandError{"\"" + Name + "\" must end in .ckr or .pdn"};
}

int Replay(const std::vector<std::string>& Args)
{
    if (Args.size() != 1)
        throw TCommandError{Args.empty() ? "pdn needs a FILE" : "unexpected argument \"" + Args[1] + "\""};
    const std::string text = ReadText(Args[0]);
    const std::vector<TPdnGameInfo> games = ListPdnGames(text);
    if (games.empty())
        throw TCommandError{"no game in \"" + Args[0] + "\""};
    TCheckersBoard boardClass, shown;
    int status = 0;
    for (const TPdnGameInfo& game : games) {
        TGameHistory history(boardClass);
        try {
            ReadPdnGame(std::string_view(text).substr(game.Offset, game.Length), game.Number, history);
        } catch (const EPdnError& e) {
            std::printf("%d: error: %s\n", game.Number, e.what());
            status = 2;
            continue;
        }
        history.LoadBoardAt(history.Count(), shown);
        std::printf("%d: %d %s %s\n", game.Number, history.Count(), game.Result.c_str(), BoardToFen(shown).c_str());
    }
    return status;
}

int Convert(const std::vector<std::string>& Args)
{
    if (Args.size() != 2)
        throw TCommandError{Args.size() < 2 ? "convert needs IN and OUT" : "unexpected argument \"" + Args[2] + "\""};
    const bool fromPdn = IsPdnName(Args[0]), toPdn = IsPdnName(Args[1]);
    TCheckersBoard boardClass;
    TGameHistory history(boardClass);
    TPdnGameData data;
    if (fromPdn) {
        const std::string text = ReadText(Args[0]);
        const std::vector<TPdnGameInfo> games = ListPdnGames(text);
        if (games.empty())
            throw TCommandError{"no game in \"" + Args[0] + "\""};
        ReadPdnGame(std::string_view(text).substr(games[0].Offset, games[0].Length), 1, history, &data);
    } else {
        LoadGameFile(Args[0], TITLE, history);
    }
    bool over;
    int winner;
    PlayedResult(history, over, winner);
    const int read = PdnResultWinner(data.Result);
    if (!toPdn) {
        SaveGameFile(Args[1], TITLE, history);
        if (read >= 0 && (!over || winner != read))
            std::fprintf(stderr, "velk-checkers-engine: %s\n", ResultNotStoredMessage(data.Result).c_str());
        return 0;
    }
    // A PDN result carries over as written.
    if (read >= 0) {
        over = true;
        winner = read;
    }
    const std::string text = WritePdnGame(history, data, over, winner);
    SaveFileReplacing(Args[1], text.data(), text.size(), "PDN file");
    return 0;
}

}  // namespace

void PlayedResult(const TGameHistory& History, bool& GameOver, int& Winner)
{
    // A saved game knows only its positions and its finished mark: a game that ends with moves
    // left was drawn by the draw rule, or else it was ended in a way the file does not say.
    TCheckersBoard last;
    History.LoadBoardAt(History.Count(), last);
    GameOver = last.GameState() != gsPlaying;
    Winner = last.Winner();
    if (!GameOver && History.Finished()) {
        TGamePositions positions;
        positions.Reset(static_cast<const TCheckersBoard&>(History.StartBoard()));
        for (int32_t i = 0; i < History.Count(); ++i)
            if (History.Items(i).EndsTurn) {
                History.LoadBoardAt(i + 1, last);
                positions.Push(last);
            }
        GameOver = positions.Drawn();
        Winner = 0;
    }
}

int RunPdnCommand(const std::string& Command, const std::vector<std::string>& Args)
{
    try {
        return Command == "pdn" ? Replay(Args) : Convert(Args);
    } catch (const TCommandError& e) {
        std::fprintf(stderr, "velk-checkers-engine: %s\n", e.Message.c_str());
    } catch (const Exception& e) {
        std::fprintf(stderr, "velk-checkers-engine: %s\n", e.what());
    }
    return 2;
}

}  // namespace velk
