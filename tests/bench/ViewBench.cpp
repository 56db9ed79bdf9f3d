// How long the board takes to draw: a whole redraw into the buffer, and one frame of a glide
// (the two squares' area painted to the screen), at a square size and the screen's density.
// A benchmark, run by hand; never a test:
//   QT_QPA_PLATFORM=offscreen build/bin/view_bench 60
//   QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 build/bin/view_bench 150
#include <QApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <cstdlib>

#include "control/Checkers.h"
#include "control/JpegDecoder.h"

using namespace velk;

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int square = argc > 1 ? std::atoi(argv[1]) : 60;
    constexpr int Rounds = 200;

    TCheckers board;
    board.SetAnimateMoves(false);
    board.SetRoleColor(TGameBoardControl::crSquareBorder, clNone);
    const char* const patterns[] = {"SquareDark", "SquareLight", "SquareDarkSelect",
                                    "SquareLightSelect", "SquareDarkMark", "SquareLightMark"};
    for (int i = 0; i < TGameBoardControl::PATTERN_ROLE_COUNT; ++i)
        board.SetPattern(static_cast<TGameBoardControl::TPatternRole>(i),
                         LoadJpeg(QStringLiteral(":/patterns/large/%1").arg(patterns[i])));
    board.SetSquareSize(square);
    board.show();
    board.NewGame();
    QApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < Rounds; ++i)
        board.RedrawBoard();
    const double redraw = timer.nsecsElapsed() / 1e6 / Rounds;

    // A glide frame repaints where the piece was and where it is: about two squares.
    const QRect frame = board.GetSquareRect(TCheckers::SquareToPosition(P09)).united(
        board.GetSquareRect(TCheckers::SquareToPosition(P13)));
    timer.restart();
    for (int i = 0; i < Rounds; ++i)
        board.repaint(frame);
    const double glide = timer.nsecsElapsed() / 1e6 / Rounds;
    timer.restart();
    for (int i = 0; i < Rounds; ++i)
        board.repaint();
    const double whole = timer.nsecsElapsed() / 1e6 / Rounds;

    std::printf("square %d px at %.2fx: whole redraw %.2f ms, glide frame %.3f ms (whole-board paint %.3f ms)\n",
                square, board.devicePixelRatioF(), redraw, glide, whole);
    return 0;
}
