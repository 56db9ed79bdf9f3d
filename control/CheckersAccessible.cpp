#include "CheckersAccessible.h"

#include <QAccessibleEvent>
#include <QCoreApplication>
#include <algorithm>
#include <cstdlib>

#include "Checkers.h"

namespace velk {

namespace {

QString Tr(const char* Text) { return QCoreApplication::translate("TCheckers", Text); }

QString SideName(uint8_t Player) { return Player == PLAYER_WHITE ? Tr("White") : Tr("Red"); }

// One playable square. It holds no state of its own: everything is read from the board when
// asked, so a cell is never stale, only gone with its board.
class TSquareAccessible : public QAccessibleInterface {
public:
    TSquareAccessible(TCheckers* Board, int Index) : FBoard(Board), FIndex(Index) {}

    bool isValid() const override { return !FBoard.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return Parent() ? Parent()->window() : nullptr; }
    QAccessibleInterface* parent() const override { return Parent(); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QString text(QAccessible::Text T) const override
    {
        return T == QAccessible::Name && Parent() ? Parent()->SquareName(FIndex) : QString();
    }
    void setText(QAccessible::Text, const QString&) override {}
    QRect rect() const override { return Parent() ? Parent()->SquareRect(FIndex) : QRect(); }
    QAccessible::Role role() const override { return QAccessible::Cell; }
    QAccessible::State state() const override
    {
        QAccessible::State s;
        if (!FBoard) {
            s.invalid = true;
            return s;
        }
        const int pos = TCheckers::SquareToPosition(static_cast<TPosition>(FIndex));
        s.selectable = true;
        s.focusable = true;
        s.selected = FBoard->IsSelected(pos);
        s.focused = FBoard->KeyCursor() == pos && FBoard->hasFocus();
        return s;
    }

private:
    TCheckersAccessible* Parent() const
    {
        return FBoard ? static_cast<TCheckersAccessible*>(QAccessible::queryAccessibleInterface(FBoard.data()))
                      : nullptr;
    }
    QPointer<TCheckers> FBoard;
    int FIndex;
};

// The squares of the turn that led to the shown position, as one path.
TMovementPath LastTurnPath(const TCheckers& Board)
{
    const TGameHistory& history = Board.History();
    const int32_t last = std::min(history.Position(), history.Count()) - 1;
    int32_t first = last;
    while (first > 0 && !history.Items(first - 1).EndsTurn)
        --first;
    TMovementPath path;
    for (int32_t i = std::max(first, 0); i <= last; ++i)
        for (const int32_t pos : history.Items(i).Path)
            if (path.empty() || path.back() != pos)
                path.push_back(pos);
    return path;
}

QAccessibleInterface* Factory(const QString&, QObject* Object)
{
    if (auto* board = dynamic_cast<TCheckers*>(Object))
        return new TCheckersAccessible(board);
    return nullptr;
}

}  // namespace

TCheckersAccessible::TCheckersAccessible(TCheckers* Board)
    : QAccessibleWidget(Board, QAccessible::Table, Tr("Board")), FBoard(Board)
{
    FBoard->SetAccessibleMade(true);
    for (int i = 0; i < 32; ++i)
        FNames[i] = SquareName(i);
    FDescription = text(QAccessible::Description);
    FCursor = FBoard->KeyCursor();
}

TCheckersAccessible::~TCheckersAccessible()
{
    for (const QAccessible::Id id : FCellIds)
        if (id != 0)
            QAccessible::deleteAccessibleInterface(id);
}

TCheckers& TCheckersAccessible::Board() const { return *FBoard; }

QString TCheckersAccessible::text(QAccessible::Text T) const
{
    if (!FBoard)
        return QString();
    if (T == QAccessible::Name)
        return Board().accessibleName().isEmpty() ? Tr("Board") : Board().accessibleName();
    if (T != QAccessible::Description)
        return QAccessibleWidget::text(T);
    if (Board().BoardMode() == gbmSetup)
        return Tr("Setting up a position.");
    QString text;
    const TMovementPath path = LastTurnPath(Board());
    if (path.size() >= 2) {
        const int kind = Board().GetPieceAt(path.back());
        const bool jump = std::abs(path[0] / 8 - path[1] / 8) == 2;
        text = Tr("%1 played %2. ")
                   .arg(SideName(kind >= 2 ? PLAYER_WHITE : PLAYER_BLACK),
                        QString::fromStdString(PathNotation(path, false, SIZE_MAX, jump ? 'x' : '-')));
    }
    if (Board().IsGameOver()) {
        const int winner = Board().Winner();
        return text + (winner == 0 ? Tr("The game is drawn.") : Tr("%1 wins.").arg(SideName(winner)));
    }
    const uint8_t turn = Board().Turn();
    if (turn == PLAYER_WHITE || turn == PLAYER_BLACK)
        text += Tr("%1 to move.").arg(SideName(turn));
    return text.trimmed();
}

QString TCheckersAccessible::SquareName(int Index) const
{
    if (!FBoard || Index < 0 || Index >= 32)
        return QString();
    static const char* const pieces[] = {"red man", "red king", "white man", "white king"};
    const int pos = TCheckers::SquareToPosition(static_cast<TPosition>(Index));
    const int kind = Board().GetPieceAt(pos);
    QString name = Tr("square %1, %2").arg(Index + 1).arg(kind >= 0 && kind < 4 ? Tr(pieces[kind]) : Tr("empty"));
    if (Board().IsSelected(pos))
        name += Tr(", selected");
    if (Board().KeyCursor() == pos)
        name += Tr(", cursor");
    return name;
}

QRect TCheckersAccessible::SquareRect(int Index) const
{
    if (!FBoard || Index < 0 || Index >= 32)
        return QRect();
    const QRect r = Board().GetSquareRect(TCheckers::SquareToPosition(static_cast<TPosition>(Index)));
    // The drawn square shares its last pixel row and column with its neighbours' outline.
    return QRect(Board().mapToGlobal(r.topLeft()), QSize(Board().SquareSize(), Board().SquareSize()));
}

QAccessibleInterface* TCheckersAccessible::child(int Index) const
{
    if (!FBoard || Index < 0 || Index >= 32)
        return nullptr;
    if (FCellIds[Index] == 0)
        FCellIds[Index] = QAccessible::registerAccessibleInterface(new TSquareAccessible(FBoard.data(), Index));
    return QAccessible::accessibleInterface(FCellIds[Index]);
}

int TCheckersAccessible::indexOfChild(const QAccessibleInterface* Child) const
{
    for (int i = 0; i < 32; ++i)
        if (FCellIds[i] != 0 && QAccessible::accessibleInterface(FCellIds[i]) == Child)
            return i;
    return -1;
}

QAccessibleInterface* TCheckersAccessible::childAt(int X, int Y) const
{
    if (!FBoard)
        return nullptr;
    const QPoint p = Board().mapFromGlobal(QPoint(X, Y));
    TPosition square;
    return TCheckers::PositionToSquare(Board().PositionAt(p.x(), p.y()), square) ? child(square) : nullptr;
}

QAccessibleInterface* TCheckersAccessible::focusChild() const
{
    TPosition square;
    return FBoard && TCheckers::PositionToSquare(Board().KeyCursor(), square) ? child(square) : nullptr;
}

void TCheckersAccessible::Refresh()
{
    if (!FBoard)
        return;
    for (int i = 0; i < 32; ++i) {
        QString name = SquareName(i);
        if (name == FNames[i])
            continue;
        FNames[i] = std::move(name);
        QAccessibleEvent event(child(i), QAccessible::NameChanged);
        Tell(&event);
    }
    QString description = text(QAccessible::Description);
    if (description != FDescription) {
        FDescription = std::move(description);
        QAccessibleEvent event(this, QAccessible::DescriptionChanged);
        Tell(&event);
    }
    const int cursor = Board().KeyCursor();
    if (cursor != FCursor) {
        FCursor = cursor;
        if (QAccessibleInterface* cell = focusChild(); cell && Board().hasFocus()) {
            QAccessibleEvent event(cell, QAccessible::Focus);
            Tell(&event);
        }
    }
}

void InstallCheckersAccessibility()
{
    static const bool installed = [] {
        QAccessible::installFactory(Factory);
        return true;
    }();
    (void)installed;
}

}  // namespace velk
