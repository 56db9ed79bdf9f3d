#pragma once
// Games in Portable Draughts Notation, the text form checkers programs and players exchange:
// tag pairs such as [Black "Smith"], then the moves "1. 11-15 23-19 2. 8-11 22-17 ..." and the
// result. The program's own game files stay as they are; these read and write the same
// records in the shared form. Every move read is checked against the engine's legal moves.
//
// Colours: in PDN Black is the side that moves first, the game's Black (which players are shown
// as Red), so squares and sides carry over unchanged. The result is written from the first
// mover's side, as English-draughts PDN has it from its first proposal on and as the common
// checkers programs and game archives write it: "1-0" (or "2-0") Black won, "0-1" ("0-2")
// White won, "1/2-1/2" ("1-1") a draw, "*" unknown or still playing. (Chess PGN reads "1-0" as
// White winning, because there White moves first: in both it is the first mover's score.)
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "GameHistory.h"
#include "platform/Exceptions.h"

namespace velk {

// A PDN text that cannot be read; the message names the game, the move number and the text, e.g.
// "Game 3, move 17: 22-26 is not a legal move here", or "Game 2: GameType 20 is not English
// draughts (21)".
class EPdnError : public Exception {
public:
    using Exception::Exception;
};

// One game of a PDN text as the chooser lists it.
struct TPdnGameInfo {
    int Number = 0;                           // from 1, in file order
    std::string Event, Black, White, Result;  // the tags ("" when absent); Result as written or "*"
    int Moves = 0;                            // whole moves (a move number counts once), 0 if unknown
    size_t Offset = 0, Length = 0;            // where the game's text lies in the whole text
};

// Splits a PDN text into games and reads their tags. Fast: no move is checked here. A UTF-8
// byte-order mark and CR LF are accepted. A game ends with its result, or where the next tag
// section begins. Result is the Result tag, else the result closing the moves, else "*".
std::vector<TPdnGameInfo> ListPdnGames(std::string_view Text);

// Reads one game (the text of one game, e.g. Text.substr(Offset, Length); Number is used in
// messages) into History: its start board (FEN tag, or the initial position), a record per whole
// turn (board state after it, the path as board-control positions row*8+col of every square the
// piece visited, EndsTurn true, Duration 0), Position = Count. Finished is set when the final
// position leaves the side to move without a legal move, and also when a result other than "*"
// was given (a resignation or an agreed draw ends a game too). Reading stops at the result.
// Raises EPdnError and leaves History unchanged on any error.
void ReadPdnGame(std::string_view GameText, int Number, TGameHistory& History);

// The winner a PDN result names: 2 Black ("1-0", "2-0"), 1 White ("0-1", "0-2"), 0 a draw
// ("1/2-1/2", "1-1"); -1 for "*" or anything else.
int PdnResultWinner(std::string_view Result);

// What the writer needs besides the record.
struct TPdnHeader {
    std::string Event = "?", Site = "?", Date;  // Date "YYYY.MM.DD"; empty means today
    std::string Round = "?", Black = "?", White = "?";
};

// The game as PDN text: the tags Event, Site, Date, Round, Black, White, Result, and SetUp "1"
// with FEN when the start is not the initial position with Black to move; then the movetext with
// move numbers, captures with "x" and their whole path (15x24x31), the result, lines under 80
// characters, ending in a newline. GameOver/Winner are the shown game's (Winner 2 Black, 1 White,
// 0 draw), written as the result ("*" when not over). The records up to Count are written (a turn
// not finished at the end is left out).
std::string WritePdnGame(const TGameHistory& History, const TPdnHeader& Header, bool GameOver, int Winner);

}  // namespace velk
