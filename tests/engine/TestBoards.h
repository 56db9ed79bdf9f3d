#pragma once
// Positions for the engine tests, written in the portable notation: "B:W18,26:B14,K30".
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>

#include "engine/CheckersBoard.h"
#include "engine/Fen.h"

namespace velk::test {

inline std::unique_ptr<TCheckersBoard> Board(const std::string& Fen)
{
    auto board = std::make_unique<TCheckersBoard>();
    std::string error;
    EXPECT_TRUE(ParseFen(Fen, *board, error)) << Fen << ": " << error;
    return board;
}

inline std::string Texts(const TMoveList& Moves)
{
    std::string text;
    for (int32_t i = 0; i < Moves.Count(); ++i) {
        if (i > 0)
            text += ' ';
        text += PathToText(Moves[i]);
    }
    return text;
}

inline std::string MoveTexts(const std::string& Fen) { return Texts(Board(Fen)->Moves()); }

inline TCheckersMove Path(std::initializer_list<TPosition> Squares)
{
    TCheckersMove move;
    for (TPosition p : Squares)
        move.Squares[move.Count++] = p;
    return move;
}

// A board text of empty squares but for the pieces given.
inline std::string TextWith(std::initializer_list<std::pair<TPosition, char>> Pieces, char Rest = ' ')
{
    std::string text(SQUARE_COUNT, Rest);
    for (const auto& [p, c] : Pieces)
        text[p] = c;
    return text;
}

}  // namespace velk::test
