#pragma once
// The opening book: for the positions of the usual openings, the moves that long searches of
// the Expert level found good, with their scores. The Expert level plays from it while it can,
// choosing among moves of nearly equal worth so that its games differ from one another.
//
// The book is text, one position a line, and is compiled into the library:
//
//   # a comment; blank lines are ignored
//   KEY MOVE:SCORE MOVE:SCORE ... [# anything, e.g. the position as FEN]
//
// KEY is the position's key (TCheckersBoard::ComputeKey, side to move included) as 16 hex
// digits; each MOVE is written as PathToText writes it (09-13, 15-24-31) and SCORE is the
// search's score of the move in hundredths of a man from the mover's side, best first.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "CheckersBoard.h"

namespace velk {

// Moves up to this much below the best are played from the book, the better the likelier. Even
// searches of a second each score a position's moves 20 hundredths apart from one run to the next,
// so a few hundredths between two moves say little: in a book of depth-12 scores, the moves of the
// 119 crossboard ballots that had more than one within 10 of the best fell short of the best of
// them, searched for a second each, by 15 hundredths on average as 10 drew them, by 9 as 2 draws
// them, and by 9 with the book's best alone.
constexpr int32_t BOOK_PLAY_MARGIN = 2;
// A side's first move of the game (Black's at the start, White's first reply) is drawn from
// moves up to this much below the best. One-second searches put 11-15 19 hundredths over any other
// first move, so the play margin alone opened every game alike; every first move and reply the
// ballots start from is sound. From the ballots on, where matches are played, the play margin holds.
constexpr int32_t BOOK_FIRST_MOVE_MARGIN = 30;
// Moves up to this much below the best are kept in the book, to be shown and weighed later.
constexpr int32_t BOOK_KEEP_MARGIN = 40;

struct TBookMove {
    std::string Move;  // as PathToText writes it
    int32_t Score = 0;
};

struct TBookEntry {
    uint64_t Key = 0;
    std::vector<TBookMove> Moves;  // best first
};

class TOpeningBook {
public:
    // Reads the text form, replacing the book; false with "line N: fault" for damaged text.
    bool Parse(const std::string& Text, std::string& Error);
    // The text form, one entry a line in key order, with Comments[key] after an entry's moves.
    std::string Text(const std::map<uint64_t, std::string>& Comments = {}) const;
    // Adds or replaces the entry of Entry.Key; its moves are put best first.
    void Add(TBookEntry Entry);

    const TBookEntry* Find(uint64_t Key) const;
    size_t Size() const { return FEntries.size(); }
    const std::vector<TBookEntry>& Entries() const { return FEntries; }

    // The index in Board's move list of a book move for Board, or -1 when the position is not in
    // the book or none of its moves is legal there. Moves within Margin of the best are drawn
    // from Seed, weighted by how close they come to it; a forced result is played as is.
    int32_t Choose(const TCheckersBoard& Board, uint64_t Seed, int32_t Margin = BOOK_PLAY_MARGIN) const;

private:
    std::vector<TBookEntry> FEntries;  // sorted by key
};

// The book compiled into the program.
const TOpeningBook& BuiltInBook();
// The margin a game draws Board's book moves from: BOOK_FIRST_MOVE_MARGIN when the side to move
// has not moved yet, BOOK_PLAY_MARGIN otherwise.
int32_t BookMargin(const TCheckersBoard& Board);
// BuiltInBook().Choose(Board, Seed, BookMargin(Board)).
int32_t BookMove(const TCheckersBoard& Board, uint64_t Seed);
// A seed for a new game's book moves, different each time.
uint64_t RandomBookSeed();

}  // namespace velk
