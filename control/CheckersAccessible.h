#pragma once
// What assistive technology sees of the checkers board: a table of the 32 playable squares in
// square-number order, each named by its number and what stands on it, and a board whose
// description tells the move just played and whose turn it is. The board is one custom-drawn
// widget, so without this a screen reader finds nothing on it.
#include <QAccessibleWidget>
#include <QPointer>
#include <array>

namespace velk {

class TCheckers;

class TCheckersAccessible : public QAccessibleWidget {
public:
    explicit TCheckersAccessible(TCheckers* Board);
    ~TCheckersAccessible() override;

    QString text(QAccessible::Text T) const override;
    int childCount() const override { return 32; }
    QAccessibleInterface* child(int Index) const override;
    int indexOfChild(const QAccessibleInterface* Child) const override;
    QAccessibleInterface* childAt(int X, int Y) const override;
    QAccessibleInterface* focusChild() const override;

    // The name of square Index (0 .. 31) as it stands now.
    QString SquareName(int Index) const;
    // The rectangle of square Index on the screen, as it is drawn (the board may be rotated).
    QRect SquareRect(int Index) const;
    // Tells the listeners which squares and what description changed since the last call.
    void Refresh();
    // Where the changes are told: Qt's accessibility, which drops them while no assistive client
    // is active (as in a headless test), or a recorder put in its place.
    using TTellFunction = void (*)(QAccessibleEvent* Event);
    static inline TTellFunction Tell = &QAccessible::updateAccessibility;
    // Whether anyone hears what is told: while not, changes are not even looked for.
    static bool Listening() { return Tell != &QAccessible::updateAccessibility || QAccessible::isActive(); }

private:
    TCheckers& Board() const;
    QPointer<TCheckers> FBoard;
    mutable std::array<QAccessible::Id, 32> FCellIds{};
    // What was last told, so that only changes are announced.
    std::array<QString, 32> FNames;
    QString FDescription;
    int FCursor = -1;
};

// Makes the board's interface known to Qt's accessibility; called once by every board.
void InstallCheckersAccessibility();

}  // namespace velk
