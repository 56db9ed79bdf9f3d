// The full-screen board, which leaves the window to be a window of its own and comes back; and
// the game paused while another window has the keyboard.
#include <QApplication>
#include <QBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QWindow>

#include "MainForm.h"

namespace velk {

void TMainForm::UpdateFullScreenStatus()
{
    if (!FFullScreen)
        return;
    const QString clock = FTimePanel->isVisibleTo(FStateInfo) ? "   " + FElapsedTime->text() : QString();
    FFullScreenStatus->setText(FState->text() + clock);
    PlaceFullScreenStatus();
}

void TMainForm::SetFullScreen(bool On)
{
    if (On == FFullScreen)
        return;
    TCheckers& game = *FGame;
    if (On) {
        FFullScreen = true;
        FSavedSquareSize = game.SquareSize();
        game.SetFixedSquareSize(false);  // the squares fill the screen
        game.SetColor(clBlack);
        QScreen* screen = windowHandle() ? windowHandle()->screen() : QGuiApplication::primaryScreen();
        FFullScreenWindow = &game;
        game.setParent(nullptr);
        game.setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
        game.setWindowTitle(windowTitle());

        game.setGeometry(screen->geometry());
        game.showFullScreen();
        game.activateWindow();
        FTurnIcon->show();
        FTurnIcon->raise();
        UpdateFullScreenStatus();
        FFullScreenStatus->show();
        FFullScreenStatus->raise();
    } else {
        FFullScreen = false;
        // The window takes the keyboard back from the board, but not from another window.
        const bool boardActive = game.isActiveWindow();
        FTurnIcon->hide();

        FFullScreenWindow = nullptr;
        game.hide();
        game.setParent(FGameHost);
        game.setWindowFlags(Qt::Widget);
        static_cast<QBoxLayout*>(FGameHost->layout())->addWidget(&game);
        game.show();
        FFullScreenStatus->hide();
        PlaceFullScreenStatus();
        game.SetColor(clBtnFace);
        SetBoardSquareSize(FSavedSquareSize);
        if (boardActive)
            activateWindow();
    }
}

bool TMainForm::eventFilter(QObject* Watched, QEvent* Event)
{
    if (Watched == FGame && FFullScreen && Event->type() == QEvent::Resize)
        PlaceFullScreenStatus();
    // The full-screen board is its own window: Esc there leaves full screen.
    if (Watched == FGame && FFullScreen && Event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(Event)->key() == Qt::Key_Escape) {
        SetFullScreen(false);
        return true;
    }
    return QWidget::eventFilter(Watched, Event);
}

void TMainForm::PauseForShell()
{
    if (FGame->Playing()) {
        FPausedByShell = true;
        FGame->SetPaused(true);
    }
}

void TMainForm::ResumeAfterShell()
{
    if (FPausedByShell) {
        FPausedByShell = false;
        FGame->SetPaused(false);
    }
}

void TMainForm::ActiveWindowChanged()
{
    QWindow* active = QGuiApplication::focusWindow();
    if (active && (active->type() == Qt::Popup || active->type() == Qt::ToolTip))
        return;
    // The full-screen board belongs to this window; moving between the two is no change.
    const QWindow* board = FFullScreen ? FGame->windowHandle() : nullptr;
    if (active && active == board)
        return;
    if (!active) {
        SetFullScreen(false);
        return;
    }
    SetFullScreen(false);
    if (active != windowHandle()) {
        if (FGame->Playing()) {
            FPausedByShell = true;
            FGame->SetPaused(true);
        }
    } else {
        ResumeAfterShell();
    }
}

}  // namespace velk
