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

// One tag pair, [Name "Value"].
struct TPdnTag {
    std::string Name, Value;
    bool operator==(const TPdnTag&) const = default;
};
using TPdnTags = std::vector<TPdnTag>;

// What a PDN game carries besides its moves; the comments on moves ride on the records.
struct TPdnGameData {
    TPdnTags Tags;             // as read, in their order, unknown ones too
    std::string Comment;       // the comments before the first move
    std::string Result = "*";  // as read: the one closing the moves, else the Result tag
    bool Variations = false;   // the text had variations, which are not kept
};

// The value of the first tag called Name, "" when there is none.
std::string PdnTagValue(const TPdnTags& Tags, std::string_view Name);
// Replaces the value of the tag called Name, or adds the tag at the end.
void SetPdnTag(TPdnTags& Tags, const std::string& Name, const std::string& Value);
// The tags of a game the program started: Event, Site and Round "?", Date today, the players.
TPdnTags DefaultPdnTags(const std::string& Black, const std::string& White);

// Splits a PDN text into games and reads their tags. Fast: no move is checked here. A UTF-8
// byte-order mark and CR LF are accepted. A game ends with its result, or where the next tag
// section begins. Result is the Result tag, else the result closing the moves, else "*".
std::vector<TPdnGameInfo> ListPdnGames(std::string_view Text);

// Reads one game (the text of one game, e.g. Text.substr(Offset, Length); Number is used in
// messages) into History: its start board (FEN tag, or the initial position), a record per whole
// turn (board state after it, the path as board-control positions row*8+col of every square the
// piece visited, EndsTurn true, Duration 0, the comments that follow the move), Position = Count.
// Finished is set when the final position leaves the side to move without a legal move, and also
// when a result other than "*" was given (a resignation or an agreed draw ends a game too).
// Reading stops at the result. Moves may be written with numbers (11-15, 11x18x25, 15:22, the
// first and last squares of a capture) or with algebraic squares (c3-d4, each step of a capture
// a move of its own). A shortened capture that fits two paths takes the one that lets the rest
// of the game be read. Raises EPdnError and leaves History and Data unchanged on any error.
// An analysis rides on the move's record too: a NAG after the move, $6 / $2 / $4 or the marks
// ?! / ? / ?? written on their own or glued to it ("22-18?!"), sets Analysis.Mark (other NAGs
// are dropped); a first comment that begins with a score ("{-0.85 best 23-19}", "{+M13}", see
// engine/ScoreText.h) sets Analysis.Valid, Score and BestMove, and its other words and any
// further comments are the player's Comment. Valid says only that a score was read: a move a
// player marked "?" by hand has its Mark with Valid false.
void ReadPdnGame(std::string_view GameText, int Number, TGameHistory& History, TPdnGameData* Data = nullptr);

// The winner a PDN result names: 2 Black ("1-0", "2-0"), 1 White ("0-1", "0-2"), 0 a draw
// ("1/2-1/2", "1-1"); -1 for "*" or anything else.
int PdnResultWinner(std::string_view Result);
// What is said when a game whose result only PDN can carry is saved as a game file.
std::string ResultNotStoredMessage(const std::string& Result);
// The result as written for a winner (2 Black, 1 White, 0 a draw, -1 not over).
std::string PdnResultText(int Winner);

// The game as PDN text: Data's tags in their order (the program's own when there are none),
// with Result set from GameOver/Winner (Winner 2 Black, 1 White, 0 draw; "*" when not over),
// GameType 21, and SetUp "1" with FEN when the start is not the initial position with Black to
// move; then Data's comment, the movetext with move numbers, captures with "x" and their whole
// path (15x24x31), after each move the Analysis of its last record (the NAG of its Mark, then
// when Valid the score and best move in braces of their own: "12. 22-18 $2 {-0.85 best 23-19}")
// and the comment in braces, and the result; ReadPdnGame reads all of it back as it was. Lines
// end in LF and stay under 80 characters, but for a tag pair or a word longer than that. The
// records up to Count are written (a turn not finished at the end is left out).
std::string WritePdnGame(const TGameHistory& History, const TPdnGameData& Data, bool GameOver, int Winner);

}  // namespace velk
