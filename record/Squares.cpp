#include "Squares.h"

#include <algorithm>

namespace velk {

bool PositionToSquare(int32_t Pos, TPosition& Square)
{
    return Pos >= 0 && Pos <= 63 && CellToPosition(Pos / 8, Pos % 8, Square);
}

int32_t SquareToPosition(TPosition Square)
{
    int row, column;
    PositionToCell(Square, row, column);
    return row * 8 + column;
}

bool PathToSquares(const TMovementPath& Path, TCheckersMove& Move)
{
    if (Path.size() > MAX_PATH_SQUARES)
        return false;
    Move = TCheckersMove();
    for (const int32_t pos : Path) {
        TPosition square;
        if (!PositionToSquare(pos, square))
            return false;
        Move.Squares[Move.Count++] = square;
    }
    return true;
}

TMovementPath SquaresToPath(const TCheckersMove& Move)
{
    TMovementPath path;
    for (int i = 0; i < Move.Count && i < MAX_PATH_SQUARES; ++i)
        path.push_back(SquareToPosition(Move.Squares[i]));
    return path;
}

std::string PathNotation(const TMovementPath& Path, bool TwoDigits, size_t Count, char Separator)
{
    // Records are checked to hold moves when they are read, so no path is longer than a move;
    // a position that is no square stays in the text as one off the board.
    TCheckersMove move;
    const size_t shown = std::min({Count, Path.size(), static_cast<size_t>(MAX_PATH_SQUARES)});
    for (size_t i = 0; i < shown; ++i) {
        TPosition square;
        move.Squares[move.Count++] = PositionToSquare(Path[i], square) ? square : NO_SQUARE;
    }
    return PathToText(move, TwoDigits, Separator);
}

}  // namespace velk
