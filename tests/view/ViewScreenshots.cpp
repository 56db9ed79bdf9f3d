// Pictures of the board as the game window sets it up, for looking at by eye. Not run by
// default: run view_tests --gtest_also_run_disabled_tests --gtest_filter='*Screenshots*'
// and look at the PNG files in $VELK_SCREENSHOTS (default /tmp/velk-view).
#include <QDir>
#include <QThread>

#include "ViewSupport.h"
#include "control/JpegDecoder.h"

using namespace velk;
using namespace velk::view;

namespace {

class Screenshots : public ViewTest {
protected:
    void SetUp() override
    {
        ViewTest::SetUp();
        Dir = qEnvironmentVariable("VELK_SCREENSHOTS", "/tmp/velk-view");
        QDir().mkpath(Dir);
        // The game window's board.
        C->SetAutoSize(true);
        C->SetBoardMargins(1, 1, 1, 1);
        C->SetSquareSize(60);
        C->SetAnimateStep(2);
        C->SetRoleColor(TGameBoardControl::crBoardMargin, clBtnFace);
        C->SetRoleColor(TGameBoardControl::crBoardBorder, clBtnShadow);
        C->SetRoleColor(TGameBoardControl::crSquareBorder, clNone);
        C->SetColor(clBlack);
        C->SetMarkerOffset(2);
        QFont font = C->font();
        font.setPixelSize(8);
        C->setFont(font);
        QPalette palette = C->palette();
        palette.setColor(QPalette::WindowText, Qt::white);
        C->setPalette(palette);
        const char* const names[] = {"SquareDark",        "SquareLight",   "SquareDarkSelect",
                                     "SquareLightSelect", "SquareDarkMark", "SquareLightMark"};
        for (int i = 0; i < TGameBoardControl::PATTERN_ROLE_COUNT; ++i)
            C->SetPattern(static_cast<TGameBoardControl::TPatternRole>(i),
                          LoadJpeg(QStringLiteral(":/patterns/%1").arg(names[i])));
        // A game under way: red has a king, and a capture is being chosen.
        SetupPieces({{1, 'b'}, {2, 'b'}, {6, 'b'}, {11, 'b'}, {14, 'b'}, {17, 'B'}, {22, 'w'},
                     {23, 'w'}, {27, 'w'}, {28, 'w'}, {30, 'W'}, {32, 'w'}});
        C->SetTurn(PLAYER_BLACK);
        C->SetBoardMode(gbmPlay);
        Pump();
    }

    void Save(const QString& Name)
    {
        Pump();
        EXPECT_TRUE(C->grab().save(Dir + "/" + Name + ".png")) << Name.toStdString();
    }

    QString Dir;
};

TEST_F(Screenshots, DISABLED_Screenshots)
{
    for (const int angle : {0, 90, 180, 270}) {
        C->SetBoardAngle(angle);
        Save(QStringLiteral("angle%1").arg(angle));
    }
    C->SetBoardAngle(0);
    C->SetSelection({Pos(14)});
    Save("selected");
    C->ClearSelection();
    for (const int size : {45, 75}) {
        C->SetSquareSize(size);
        Save(QStringLiteral("size%1").arg(size));
    }
    C->SetSquareSize(60);
    C->SetInvertSquares(true);
    Save("inverted");
    C->SetInvertSquares(false);
    C->SetCoordinatesDisplay(slLeftTop);
    Save("coordinates");
    C->SetBoardAngle(180);
    Save("coordinates180");
    C->SetBoardAngle(0);

    // Mid-drag: the piece on 14 lifted and carried toward 18.
    const QPoint from = Centre(14);
    Press(from);
    Move(from + QPoint(3, 0));
    Move(Centre(18) + QPoint(-12, -9));
    Save("dragging");
    Release(from);

    // Mid-glide: the king's capture taken back, so that it glides from 26 over 22 to 17.
    ASSERT_TRUE(C->PlayPath({Pos(17), Pos(26)}));
    C->SetAnimateMoves(true);
    C->SetAnimateDelay(20);
    ASSERT_TRUE(C->Undo());
    PumpUntil([this] { return C->Animating(); });
    QThread::msleep(300);
    Save("gliding");
    PumpUntil([this] { return !C->Animating(); });

    C->SetInvertSquares(true);
    Save("inverted_coordinates");
    C->SetInvertSquares(false);
    C->SetBoardMode(gbmSetup);
    Save("setup");

    // The plain control: its own colours, with outlines and wide margins carrying labels.
    auto* plain = new TCheckers(&Parent);
    plain->show();
    plain->SetBoardMargins(20, 20, 20, 20);
    plain->SetBoardAsText(C->BoardAsText());
    Pump();
    EXPECT_TRUE(plain->grab().save(Dir + "/plain.png"));
    plain->SetBoardAngle(90);
    Pump();
    EXPECT_TRUE(plain->grab().save(Dir + "/plain90.png"));
    delete plain;
}

}  // namespace
