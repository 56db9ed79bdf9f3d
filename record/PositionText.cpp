#include "PositionText.h"

#include <vector>

#include "Pdn.h"
#include "engine/Fen.h"

namespace velk {

namespace {

constexpr std::string_view NO_POSITION = "The clipboard holds no position: ";
constexpr std::string_view BYTE_ORDER_MARK = "\xEF\xBB\xBF";

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }

std::string_view Trim(std::string_view Text)
{
    if (Text.substr(0, BYTE_ORDER_MARK.size()) == BYTE_ORDER_MARK)
        Text.remove_prefix(BYTE_ORDER_MARK.size());
    while (!Text.empty() && IsSpace(Text.front()))
        Text.remove_prefix(1);
    while (!Text.empty() && IsSpace(Text.back()))
        Text.remove_suffix(1);
    return Text;
}

// Quotes around a FEN come with it when it is copied out of a tag or a program's source.
std::string_view Unquote(std::string_view Text)
{
    while (Text.size() >= 2 && (Text.front() == '"' || Text.front() == '\'') && Text.back() == Text.front())
        Text = Trim(Text.substr(1, Text.size() - 2));
    return Text;
}

// The value of a [FEN "..."] tag that is the whole text; false for anything else.
bool FenTagValue(std::string_view Text, std::string_view& Value)
{
    constexpr std::string_view open = "[FEN";
    if (Text.substr(0, open.size()) != open || Text.back() != ']')
        return false;
    const std::string_view inside = Trim(Text.substr(open.size(), Text.size() - open.size() - 1));
    if (inside.size() < 2 || inside.front() != '"' || inside.back() != '"' || inside.find('"', 1) != inside.size() - 1)
        return false;
    Value = inside.substr(1, inside.size() - 2);
    return true;
}

bool FenToBoard(std::string_view Fen, TCheckersBoard& Board, std::string& Error)
{
    TCheckersBoard read;
    std::string problem;
    if (!ParseFen(std::string(Fen), read, problem)) {
        Error = std::string(NO_POSITION) + problem;
        return false;
    }
    Board.Assign(read);
    return true;
}

// A FEN begins with the side to move and its colon.
bool LooksLikeFen(std::string_view Text)
{
    if (Text.empty() || (Text[0] != 'B' && Text[0] != 'W' && Text[0] != 'b' && Text[0] != 'w'))
        return false;
    size_t i = 1;
    while (i < Text.size() && IsSpace(Text[i]))
        ++i;
    return i < Text.size() && Text[i] == ':';
}

// PDN begins with a tag, a comment, a move number or a move.
bool LooksLikePdn(std::string_view Text)
{
    const char c = Text.front();
    return c == '[' || c == '{' || c == ';' || (c >= '0' && c <= '9') ||
           (Text.size() >= 2 && c >= 'a' && c <= 'h' && Text[1] >= '1' && Text[1] <= '8');
}

}  // namespace

bool PositionFromText(std::string_view Text, TCheckersBoard& Board, std::string& Error)
{
    Text = Unquote(Trim(Text));
    if (Text.empty()) {
        Error = std::string(NO_POSITION) + "it is empty";
        return false;
    }
    if (std::string_view fen; FenTagValue(Text, fen))
        return FenToBoard(fen, Board, Error);
    if (LooksLikeFen(Text))
        return FenToBoard(Text, Board, Error);
    const std::vector<TPdnGameInfo> games = LooksLikePdn(Text) ? ListPdnGames(Text) : std::vector<TPdnGameInfo>();
    if (games.empty()) {
        Error = std::string(NO_POSITION) + "it is neither a FEN position nor a PDN game";
        return false;
    }
    try {
        TCheckersBoard boardClass;
        TGameHistory history(boardClass);
        ReadPdnGame(Text.substr(games.front().Offset, games.front().Length), 1, history);
        TCheckersBoard last;
        history.LoadBoardAt(history.Count(), last);
        Board.Assign(last);
        return true;
    } catch (const Exception& e) {  // the EPdnError that names what did not read
        Error = std::string(NO_POSITION) + e.what();
        return false;
    }
}

}  // namespace velk
