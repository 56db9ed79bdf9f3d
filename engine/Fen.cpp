#include "Fen.h"

#include <cctype>
#include <vector>

#include "platform/Text.h"

namespace velk {

namespace {

std::string Trim(std::string_view s)
{
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return std::string(s.substr(b, e - b));
}

bool ParseSquare(const std::string& s, int& Square)
{
    if (s.empty() || s.size() > 2)
        return false;
    Square = 0;
    for (char c : s) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        Square = Square * 10 + (c - '0');
    }
    return Square >= 1 && Square <= 32;
}

// One side's field without its colour letter: "21,22,K30" or "1-12".
bool ParseSide(const std::string& Field, bool Black, TPiece (&Squares)[SQUARE_COUNT], std::string& Error)
{
    size_t start = 0;
    while (start <= Field.size()) {
        size_t comma = Field.find(',', start);
        if (comma == std::string::npos)
            comma = Field.size();
        std::string item = Trim(Field.substr(start, comma - start));
        start = comma + 1;
        if (item.empty()) {
            if (comma == Field.size())
                break;
            Error = "empty square in the list of " + std::string(Black ? "Black" : "White");
            return false;
        }
        bool king = false;
        if (item[0] == 'K' || item[0] == 'k') {
            king = true;
            item = item.substr(1);
        }
        int first = 0, last = 0;
        const size_t dash = item.find('-');
        const bool ok = dash == std::string::npos
                            ? ParseSquare(item, first) && ((last = first), true)
                            : ParseSquare(item.substr(0, dash), first) && ParseSquare(item.substr(dash + 1), last);
        if (!ok || last < first) {
            Error = "bad square \"" + QuoteShort(item) + "\" (squares are 1-32)";
            return false;
        }
        for (int s = first; s <= last; ++s) {
            if (Squares[s - 1] != pcNone) {
                Error = "square " + std::to_string(s) + " is given twice";
                return false;
            }
            Squares[s - 1] = Black ? (king ? pcBlackKing : pcBlackMan) : (king ? pcWhiteKing : pcWhiteMan);
        }
    }
    return true;
}

void SetPosition(TCheckersBoard& Board, const TPiece (&Squares)[SQUARE_COUNT], uint8_t Turn)
{
    TBoardUpdate update(Board);
    for (unsigned p = 0; p < SQUARE_COUNT; ++p)
        Board.SetSquares(p, Squares[p]);
    Board.SetTurn(Turn);
}

}  // namespace

bool ParseFen(const std::string& Fen, TCheckersBoard& Board, std::string& Error)
{
    std::string text = Trim(Fen);
    if (!text.empty() && text.back() == '.')
        text.pop_back();
    // The side to move, then one field a colour; a colour without pieces may be left out
    // ("B:B1,2"), as problem collections write a side that has nothing on the board.
    std::vector<std::string_view> fields;
    for (size_t start = 0;;) {
        const size_t colon = text.find(':', start);
        fields.push_back(std::string_view(text).substr(start, colon == std::string::npos ? colon : colon - start));
        if (colon == std::string::npos || fields.size() > 3)
            break;
        start = colon + 1;
    }
    if (fields.size() < 2 || fields.size() > 3) {
        Error = "FEN must have three fields separated by ':', like B:W21-32:B1-12";
        return false;
    }
    const std::string side = Trim(fields[0]);
    uint8_t turn;
    if (side == "B" || side == "b")
        turn = PLAYER_BLACK;
    else if (side == "W" || side == "w")
        turn = PLAYER_WHITE;
    else {
        Error = "FEN side to move must be B or W, not \"" + QuoteShort(side) + "\"";
        return false;
    }
    TPiece squares[SQUARE_COUNT] = {};
    bool seen[2] = {false, false};
    for (size_t f = 1; f < fields.size(); ++f) {
        const std::string field = Trim(fields[f]);
        const char colour = field.empty() ? '\0' : static_cast<char>(std::toupper(static_cast<unsigned char>(field[0])));
        if (colour != 'B' && colour != 'W') {
            Error = "FEN side field must start with W or B: \"" + QuoteShort(field) + "\"";
            return false;
        }
        const bool black = colour == 'B';
        if (seen[black]) {
            Error = std::string("FEN lists the ") + (black ? "Black" : "White") + " pieces twice";
            return false;
        }
        seen[black] = true;
        if (!ParseSide(field.substr(1), black, squares, Error))
            return false;
    }
    TSquareSet black = 0, white = 0, kings = 0;
    for (unsigned p = 0; p < SQUARE_COUNT; ++p) {
        const TPiece piece = squares[p];
        if (piece == pcBlackMan || piece == pcBlackKing)
            black |= SquareBit(p);
        else if (piece != pcNone)
            white |= SquareBit(p);
        if (piece == pcBlackKing || piece == pcWhiteKing)
            kings |= SquareBit(p);
    }
    if (const std::string problem = PositionProblem(black, white, kings); !problem.empty()) {
        Error = "the position has " + problem;
        return false;
    }
    SetPosition(Board, squares, turn);
    return true;
}

bool ParseBoardText(const std::string& Text, const std::string& Side, TCheckersBoard& Board, std::string& Error)
{
    if (Text.size() != SQUARE_COUNT) {
        Error = "board text must have 32 characters, not " + std::to_string(Text.size());
        return false;
    }
    TPiece squares[SQUARE_COUNT] = {};
    for (unsigned p = 0; p < SQUARE_COUNT; ++p) {
        switch (Text[p]) {
        case 'b': squares[p] = pcBlackMan; break;
        case 'B': squares[p] = pcBlackKing; break;
        case 'w': squares[p] = pcWhiteMan; break;
        case 'W': squares[p] = pcWhiteKing; break;
        case ' ': case '.': case '-': break;
        default:
            Error = std::string("board text character '") + Text[p] + "' at square " + std::to_string(p + 1) +
                    " is not one of b B w W or space";
            return false;
        }
    }
    uint8_t turn;
    if (Side == "black" || Side == "b" || Side == "B")
        turn = PLAYER_BLACK;
    else if (Side == "white" || Side == "w" || Side == "W")
        turn = PLAYER_WHITE;
    else {
        Error = "--turn must be black or white, not \"" + Side + "\"";
        return false;
    }
    SetPosition(Board, squares, turn);
    return true;
}

std::string BoardToFen(const TCheckersBoard& Board)
{
    std::string fen = Board.Turn() == PLAYER_WHITE ? "W" : "B";
    for (const bool black : {false, true}) {
        fen += black ? ":B" : ":W";
        bool first = true;
        for (unsigned p = 0; p < SQUARE_COUNT; ++p) {
            const TPiece piece = Board.Squares(p);
            if (piece == pcNone || ((piece == pcBlackMan || piece == pcBlackKing) != black))
                continue;
            if (!first)
                fen += ',';
            first = false;
            if (piece == pcBlackKing || piece == pcWhiteKing)
                fen += 'K';
            fen += std::to_string(p + 1);
        }
    }
    return fen;
}

}  // namespace velk
