#pragma once
// The three-move ballots of tournament play: the list the program carries (compiled in from
// data/three-move-ballots.tsv, so nothing is looked for at run time), lists read from files of
// the same form, decks drawn by seed, and the first three records of a game started from one.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "GameHistory.h"
#include "Pdn.h"
#include "engine/CheckersBoard.h"

namespace velk {

// One line of a ballots list: its number, the three moves as players write them ("9-13 22-17
// 13x22"), the deck as the list spells it (crossboard, mailplay, barred), the opening's name
// ("" when it has none) and the position after the moves as FEN.
struct TBallot {
    int Number = 0;
    std::string Moves, Deck, Name, Fen;
};

// A ballot whose moves cannot be played from the start, or do not lead to its position.
class EBallotError : public Exception {
public:
    using Exception::Exception;
};

// Reads a list (tab-separated NUMBER, MOVES, DECK, NAME, FEN; a line starting with '#' is a
// comment), checking that each ballot's moves lead to its FEN. False with "SOURCE:LINE: fault"
// otherwise; an empty list is an error too.
bool ParseBallots(std::string_view Text, const std::string& Source, std::vector<TBallot>& Ballots, std::string& Error);
bool ReadBallots(const std::string& Path, std::vector<TBallot>& Ballots, std::string& Error);

// The 174 ballots the program carries, in the order of their numbers.
const std::vector<TBallot>& BuiltInBallots();
// The built-in ballot numbered Number, null when there is none.
const TBallot* FindBallot(int Number);

// The deck a user names, as the lists spell it: "crossboard", "mailplay" (or "mail-play"),
// "barred" or "all"; false for anything else.
bool ParseDeck(const std::string& Text, std::string& Deck);
// The ballots of Deck ("all" for every one) in an order drawn from Seed, the first Count of
// them (0: all). A seed draws the same ballots on every system.
std::vector<TBallot> DrawBallots(const std::vector<TBallot>& Ballots, const std::string& Deck, int Count,
                                 uint64_t Seed);
// The same from the ballots of any of Decks (a window's choice of several).
std::vector<TBallot> DrawBallots(const std::vector<TBallot>& Ballots, const std::vector<std::string>& Decks, int Count,
                                 uint64_t Seed);
// Whether a list filtered by what a user typed shows the ballot: each word of Filter is found,
// case aside, in its number, moves, deck or name ("edinburgh", "9-13 22-18", "mailplay").
bool BallotMatches(const TBallot& Ballot, std::string_view Filter);

// The index of the legal move of Board written as in the ballots ("9-13", "13x22", a capture
// also square by square "1x10x19"), or -1.
int32_t FindNotatedMove(TCheckersBoard& Board, const std::string& Move);

// The ballot's moves played from the initial position as a game records them: one finished
// turn each, with no time spent. Raises EBallotError, naming the ballot, when a move is not
// legal where it stands or the moves lead elsewhere than the ballot's FEN.
std::vector<std::unique_ptr<TGameHistoryRec>> BallotRecords(const TBallot& Ballot);

// The PDN tag that names a game's ballot: [Opening "ACF 12"].
void SetBallotTag(TPdnTags& Tags, int Number);
// The built-in ballot a game's tags name, 0 when they name none.
int BallotFromTags(const TPdnTags& Tags);

}  // namespace velk
