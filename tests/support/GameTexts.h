#pragma once
// What the session's and the board control's tests share, without Qt: squares by number, board
// texts, a file's bytes, and the state of a game that a refused file must leave as it was.
#include <cstdint>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "platform/Stream.h"
#include "record/Squares.h"
#include "session/GameSession.h"

namespace velk::test {

// The control position of square number 1 .. 32, and paths of them.
inline int Pos(int Square) { return SquareToPosition(static_cast<TPosition>(Square - 1)); }
inline TMovementPath Path(std::initializer_list<int> Squares)
{
    TMovementPath path;
    for (const int s : Squares)
        path.push_back(Pos(s));
    return path;
}

// A board text: blanks but for the pieces given ('b', 'w', 'B', 'W' on square numbers).
inline std::string BoardText(std::initializer_list<std::pair<int, char>> Pieces)
{
    std::string text(32, ' ');
    for (const auto& [square, piece] : Pieces)
        text[square - 1] = piece;
    return text;
}

inline const std::string START_TEXT = "bbbbbbbbbbbb        wwwwwwwwwwww";
inline const std::string GAME_TITLE = "Velk Checkers";

using TBytes = std::vector<uint8_t>;

inline TBytes ReadFile(const std::string& Name)
{
    std::ifstream in(Name, std::ios::binary);
    return TBytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Everything a failed load must give back: the record, the board (also one being set up), a
// capture half entered, the pause and whether the game was saved.
struct TGameSnapshot {
    TBytes Record;
    int32_t Position;
    std::string Board;
    TGameBoardMode Mode;
    TMovementPath Pending;
    bool Modified;
    bool Paused;

    explicit TGameSnapshot(const TGameSession& S)
        : Position(S.History().Position()), Board(S.Board().GetAsText()), Mode(S.BoardMode()),
          Pending(S.CurrentMove().Path), Modified(S.Modified()), Paused(S.Paused())
    {
        TMemoryStream stream;
        S.History().SaveToStream(stream);
        Record = stream.Bytes();
    }
    bool operator==(const TGameSnapshot&) const = default;
};

inline void PrintTo(const TGameSnapshot& S, std::ostream* Out)
{
    *Out << S.Record.size() << " record bytes, position " << S.Position << ", \"" << S.Board << "\", mode "
         << int(S.Mode) << ", " << S.Pending.size() << " pending, modified " << S.Modified << ", paused " << S.Paused;
}

}  // namespace velk::test
