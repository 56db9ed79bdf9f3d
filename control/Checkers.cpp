#include "Checkers.h"

#include <algorithm>
#include <bit>

#include "CheckersAccessible.h"

namespace velk {

namespace {
constexpr TPiece KindPieces[4] = {pcBlackMan, pcBlackKing, pcWhiteMan, pcWhiteKing};
}

TCheckers::TCheckers(QWidget* Parent) : TGameBoardControl(std::make_unique<TCheckersSession>(), Parent)
{
    TCheckersSession& session = CheckersSession();
    session.OnSimpleMove = [this](TPosition Src, TPosition Dst) { DoSimpleMove(Src, Dst); };
    session.OnAttackMove = [this](TPosition Src, TPosition Dst, TPosition Jmp) { DoAttackMove(Src, Dst, Jmp); };
    session.OnPromote = [this](TPosition Pos) { DoPromote(Pos); };
    SetComputerPlayer(1);
    SetRoleColor(crSquareDark, clGreen);
    SetRoleColor(crSquareLight, RGBColor(255, 255, 170));
    SetRoleColor(crSquareDarkSelect, clLime);
    SetRoleColor(crSquareLightSelect, clRed);
    SetRoleColor(crSquareDarkMark, clLime);
    SetRoleColor(crSquareLightMark, clRed);
    InstallCheckersAccessibility();
}

// ---------------------------------------------------------------------------------------------
// Assistive technology

void TCheckers::UpdateAccessible()
{
    if (!FAccessibleMade || !TCheckersAccessible::Listening())
        return;
    if (auto* iface = dynamic_cast<TCheckersAccessible*>(QAccessible::queryAccessibleInterface(this)))
        iface->Refresh();
}

void TCheckers::DoHistoryChange()
{
    TGameBoardControl::DoHistoryChange();
    UpdateAccessible();
}

void TCheckers::DoBoardChange()
{
    TGameBoardControl::DoBoardChange();
    UpdateAccessible();
}

void TCheckers::DoTurnChange()
{
    TGameBoardControl::DoTurnChange();
    UpdateAccessible();
}

void TCheckers::DoGameEnded()
{
    TGameBoardControl::DoGameEnded();
    UpdateAccessible();
}

void TCheckers::DoMoveEnd()
{
    TGameBoardControl::DoMoveEnd();
    UpdateAccessible();
}

void TCheckers::DoSelectionChange()
{
    TGameBoardControl::DoSelectionChange();
    UpdateAccessible();
}

void TCheckers::DoBoardModeChange()
{
    TGameBoardControl::DoBoardModeChange();
    UpdateAccessible();
}

void TCheckers::DoKeyCursorChange()
{
    TGameBoardControl::DoKeyCursorChange();
    UpdateAccessible();
}

// ---------------------------------------------------------------------------------------------
// Positions and squares

bool TCheckers::IsValidPosition(int Pos) const
{
    return TGameBoardControl::IsValidPosition(Pos) && IsDarkPosition(Pos);
}

std::string TCheckers::GetPositionName(int Pos) const
{
    TPosition square;
    return PositionToSquare(Pos, square) ? PositionToText(square, false) : std::string();
}

// ---------------------------------------------------------------------------------------------
// Move entry

bool TCheckers::CanSelect(int Pos)
{
    if (!TGameBoardControl::CanSelect(Pos) || Selection().size() > 9)
        return false;
    TMovementPath path = Selection();
    path.push_back(Pos);
    TCheckersMove move;
    return PathToSquares(path, move) && CheckersBoard().Moves().FindPrefix(move, -1) >= 0;
}

bool TCheckers::IsCompleteMove(const TMovementPath& Path)
{
    TCheckersMove move;
    return PathToSquares(Path, move) && CheckersBoard().Moves().Contains(move);
}

bool TCheckers::IsMovePrefix(const TMovementPath& Path)
{
    TCheckersMove move;
    return Path.size() >= 2 && PathToSquares(Path, move) && CheckersBoard().Moves().FindPrefix(move, -1) >= 0;
}

bool TCheckers::PlayPath(const TMovementPath& Path)
{
    TCheckersMove move;
    return PathToSquares(Path, move) && CheckersSession().PlaySquares(move);
}

bool TCheckers::CompletePath(TMovementPath& Path)
{
    TCheckersMove move;
    if (!PathToSquares(Path, move))
        return false;
    const int before = move.Count;
    const bool complete = CheckersBoard().Moves().Complete(move);
    for (int i = before; i < move.Count; ++i)
        Path.push_back(SquareToPosition(move.Squares[i]));
    return complete;
}

bool TCheckers::SelectMove(int32_t Index)
{
    const TMoveList& moves = CheckersBoard().Moves();
    if (Index < 0 || Index >= moves.Count())
        return false;
    SetSelection(SquaresToPath(moves[Index]));
    return true;
}

// ---------------------------------------------------------------------------------------------
// Pieces

int TCheckers::GetPieceAt(int Pos) const
{
    TPosition square;
    if (!PositionToSquare(Pos, square))
        return -1;
    switch (CheckersBoard().Squares(square)) {
    case pcBlackMan: return 0;
    case pcBlackKing: return 1;
    case pcWhiteMan: return 2;
    case pcWhiteKing: return 3;
    default: return -1;
    }
}

void TCheckers::SetPieceAt(int Pos, int Kind)
{
    TPosition square;
    if (!PositionToSquare(Pos, square))
        return;
    PlacePiece(square, Kind >= 0 && Kind < 4 ? KindPieces[Kind] : pcNone);
}

int TCheckers::PieceSizeFor(int SquareSize)
{
    if (SquareSize < 36)
        return 16;
    if (SquareSize <= 45)
        return 24;
    if (SquareSize <= 55)
        return 32;
    if (SquareSize <= 65)
        return 40;
    return 48;
}

int TCheckers::PieceCellSize(int SquareSize)
{
    // The bitmaps serve the sizes they were drawn for; above the largest board size the pieces
    // keep the proportion they have there.
    return SquareSize <= LARGEST_BITMAP_SQUARE
               ? PieceSizeFor(SquareSize)
               : std::max(1, (SquareSize * 48 + LARGEST_BITMAP_SQUARE / 2) / LARGEST_BITMAP_SQUARE);
}

bool TCheckers::LoadPieces()
{
    if (!FPiecesBitmap.isNull()) {
        FLoadedPieceSize = 0;
        LoadPieceImages(FPiecesBitmap, 1, 4);
        return true;
    }
    const qreal ratio = devicePixelRatioF();
    const int cell = PieceCellSize(SquareSize());
    if (ratio == 1.0 && SquareSize() <= LARGEST_BITMAP_SQUARE) {
        if (cell == FLoadedPieceSize && FLoadedPieceRatio == ratio)
            return false;
        LoadPieceImages(QImage(QStringLiteral(":/pieces/CHECKERS_PIECES%1").arg(cell)), 1, 4);
    } else {
        // Larger, or on a denser screen: drawn at the exact device size from the large pictures.
        if (cell == FLoadedPieceSize && FLoadedPieceRatio == ratio)
            return false;
        const int device = std::max(1, qRound(cell * ratio));
        std::vector<QImage> images;
        for (const char* name : {"red-man", "red-king", "white-man", "white-king"}) {
            QImage master(QStringLiteral(":/pieces/large/%1").arg(QLatin1String(name)));
            QImage image = master.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                               .scaled(device, device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
            image.setDevicePixelRatio(ratio);
            images.push_back(std::move(image));
        }
        SetPieceImages(std::move(images));
    }
    FLoadedPieceSize = cell;
    FLoadedPieceRatio = ratio;
    return true;
}

void TCheckers::SetPiecesBitmap(const QImage& Value)
{
    FPiecesBitmap = Value;
    LoadPieces();
}

// ---------------------------------------------------------------------------------------------
// Notifications with squares

void TCheckers::DoPositionClick(int Pos, bool& Handled)
{
    TPosition square;
    if (!PositionToSquare(Pos, square))
        Handled = true;
    else if (OnPositionClick)
        OnPositionClick(this, square, Handled);
    TGameBoardControl::DoPositionClick(Pos, Handled);
}

void TCheckers::DoPositionInfoTip(int Pos, std::string& InfoTip)
{
    TPosition square;
    if (PositionToSquare(Pos, square) && OnPositionInfoTip)
        OnPositionInfoTip(this, square, InfoTip);
    TGameBoardControl::DoPositionInfoTip(Pos, InfoTip);
}

void TCheckers::DoPositionDragOver(int Source, int Target, bool& Accept)
{
    TPosition src, dst;
    if (!PositionToSquare(Source, src) || !PositionToSquare(Target, dst))
        Accept = false;
    else if (OnPositionDragOver)
        OnPositionDragOver(this, src, dst, Accept);
    TGameBoardControl::DoPositionDragOver(Source, Target, Accept);
}

void TCheckers::DoPositionDragDrop(int Source, int Target)
{
    TPosition src, dst;
    if (PositionToSquare(Source, src) && PositionToSquare(Target, dst) && OnPositionDragDrop)
        OnPositionDragDrop(this, src, dst);
    TGameBoardControl::DoPositionDragDrop(Source, Target);
}

void TCheckers::DoPositionDragStart()
{
    if (OnPositionDragStart)
        OnPositionDragStart(this);
    TGameBoardControl::DoPositionDragStart();
}

void TCheckers::DoPositionDragEnd()
{
    if (OnPositionDragEnd)
        OnPositionDragEnd(this);
    TGameBoardControl::DoPositionDragEnd();
}

void TCheckers::DoSquareResize()
{
    if (FPiecesBitmap.isNull())
        LoadPieces();
    TGameBoardControl::DoSquareResize();
}

void TCheckers::DoSimpleMove(TPosition SrcPos, TPosition DstPos)
{
    if (OnSimpleMove)
        OnSimpleMove(this, SrcPos, DstPos);
}

void TCheckers::DoAttackMove(TPosition SrcPos, TPosition DstPos, TPosition JmpPos)
{
    if (OnAttackMove)
        OnAttackMove(this, SrcPos, DstPos, JmpPos);
}

void TCheckers::DoPromote(TPosition Pos)
{
    if (OnPromote)
        OnPromote(this, Pos);
}

}  // namespace velk
