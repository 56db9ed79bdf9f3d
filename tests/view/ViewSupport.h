#pragma once
// Helpers for the board view tests: a shown control inside a roomy parent (so that resizes take
// effect at once), the event pump, squares by number, buffer pixels, and piece bitmaps of plain
// colours whose pixels are easy to recognise.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTest>
#include <functional>

#include "control/Checkers.h"
#include "support/QtPump.h"

namespace velk::view {

using test::Pump;
using test::PumpUntil;

// The control position of checkers square 1 .. 32.
inline int Pos(int Square) { return TCheckers::SquareToPosition(static_cast<TPosition>(Square - 1)); }

inline const QColor Green(0, 128, 0), Lime(0, 255, 0), PaleYellow(255, 255, 170), Magenta(255, 0, 255);
// The colours of the plain pieces, in kind order.
inline const QColor KindColors[4] = {QColor(200, 0, 0), QColor(120, 0, 60), QColor(250, 250, 250), QColor(90, 90, 200)};

// Four cells of Size pixels in kind order: a Border-pixel magenta rim (the transparent colour,
// read from each cell's bottom-left pixel) around a block of the kind's colour.
inline QImage PlainPieces(int Size, int Border = 1, int ExtraWidth = 0)
{
    QImage bitmap(4 * Size + ExtraWidth, Size, QImage::Format_RGB32);
    bitmap.fill(Magenta);
    QPainter p(&bitmap);
    for (int k = 0; k < 4; ++k)
        p.fillRect(k * Size + Border, Border, Size - 2 * Border, Size - 2 * Border, KindColors[k]);
    return bitmap;
}

class ViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Parent.resize(1000, 1000);
        C = new TCheckers(&Parent);
        C->SetAnimateMoves(false);
        C->SetComputerPlayer(0);
        Parent.show();
        ASSERT_TRUE(C->HandleAllocated());
    }

    void TearDown() override
    {
        delete C;
        Pump();
    }

    // A buffer pixel, in client coordinates.
    QColor At(int X, int Y) const { return QColor(C->BufferImage().pixel(QPoint(X, Y) - C->BoardRect().topLeft())); }
    QColor At(QPoint P) const { return At(P.x(), P.y()); }
    QPoint Centre(int Square) const { return C->GetSquareRect(Pos(Square)).center(); }
    // The inner rectangle of a square (client coordinates): inside the outline when there is one.
    QRect Inner(int P) const
    {
        const QRect r = C->GetSquareRect(P);
        return C->RoleColor(TGameBoardControl::crSquareBorder) != clNone ? r.adjusted(1, 1, -1, -1)
                                                                          : r.adjusted(0, 0, -1, -1);
    }

    // Plain pieces on the squares given, in setup mode ('b', 'w', 'B', 'W' by square number).
    void SetupPieces(std::initializer_list<std::pair<int, char>> Pieces)
    {
        std::string text(32, ' ');
        for (const auto& [square, piece] : Pieces)
            text[square - 1] = piece;
        C->SetBoardMode(gbmSetup);
        C->SetBoardAsText(text);
    }

    void Press(QPoint P, Qt::MouseButton B = Qt::LeftButton) { QTest::mousePress(C, B, Qt::NoModifier, P); }
    void Release(QPoint P, Qt::MouseButton B = Qt::LeftButton) { QTest::mouseRelease(C, B, Qt::NoModifier, P); }
    void Move(QPoint P) { QTest::mouseMove(C, P); }

    QWidget Parent;
    TCheckers* C = nullptr;
};

}  // namespace velk::view
