// The main window's reactions to the board control: caption and status text, the turn, the
// board's size in the window, the board's tips, the keys of the command strip and the window's
// start and close. The other concerns have files of their own: MainFormGameFiles.cpp (files,
// PDN and the clipboard), ...History.cpp (the move list and clocks), ...End.cpp (the game's
// end), ...Levels.cpp (the computer), ...Setup.cpp (setup mode) and ...FullScreen.cpp.
#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QPushButton>
#include <QResizeEvent>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>

#include "Dialogs.h"
#include "EngineOutput.h"
#include "MainForm.h"
#include "Match.h"
#include "ThinkIcon.h"
#include "engine/EndgameBuilder.h"

namespace velk {

namespace {

QString Title()
{
    return QApplication::applicationDisplayName();
}

QString Duration(uint32_t Milliseconds, bool Long)
{
    return QString::fromStdString(FormatDuration(Milliseconds, Long));
}

// The board's text colour (its coordinates) complemented, to stand out on inverted squares.
void ComplementTextColour(QWidget& Board)
{
    QPalette palette = Board.palette();
    const QColor c = palette.color(QPalette::WindowText);
    palette.setColor(QPalette::WindowText, QColor(255 - c.red(), 255 - c.green(), 255 - c.blue()));
    Board.setPalette(palette);
}

}  // namespace

void TMainForm::WireGame()
{
    TCheckers& game = *FGame;
    game.OnTurnChange = [this](TGameBoardControl*) { TurnChanged(); };
    game.OnSelectionChange = [this](TGameBoardControl*) { SelectionChanged(); };
    game.OnBoardModeChange = [this](TGameBoardControl*) { BoardModeChanged(); };
    game.OnPlayingStateChange = [this](TGameBoardControl*) {
        if (FGame->Playing())
            FTimer->start();
        else
            FTimer->stop();
    };
    game.OnThinkEnd = [this](TGameBoardControl*) { FThinkIcon->hide(); };
    game.Session().OnSearchReport = [this](const TSearchReport& Report) { ShowSearchReport(Report); };
    game.Session().OnAnalysisChange = [this] {
        const bool on = FGame->Session().Analyzing();
        Action(TActionId::ComputerAnalyze)->setChecked(on);
        if (on)
            SetEngineOutputShown(true);
        else
            FEngineOutput->Clear();
    };
    // Clicks do nothing while paused: the status says why.
    game.OnPauseStateChange = [this](TGameBoardControl*) {
        if (!FSuggestionCommands->isVisible() && !FSetupCommands->isVisible())
            UpdateStatusText();
    };
    game.OnHistoryChange = [this](TGameBoardControl*) { UpdateHistoryList(); };
    game.OnGameEnded = [this](TGameBoardControl*) { GameEnded(); };
    auto sound = [this](const char* Name) {
        if (Action(TActionId::ControlEnableSounds)->isChecked())
            FSounds->Play(Name);
    };
    game.OnSimpleMove = [sound](TCheckers*, TPosition, TPosition) { sound("SIMPLE_MOVE"); };
    game.OnAttackMove = [sound](TCheckers*, TPosition, TPosition, TPosition) { sound("ATTACK_MOVE"); };
    game.OnPromote = [sound](TCheckers*, TPosition) { sound("PROMOTE"); };
    game.OnSquareResize = [this](TGameBoardControl*) { SquareResized(); };
    game.OnPositionClick = [this](TCheckers*, TPosition Pos, bool& Handled) { PositionClicked(Pos, Handled); };
    game.OnPositionInfoTip = [this](TCheckers*, TPosition Pos, std::string& Tip) { PositionInfoTip(Pos, Tip); };
}

// ---------------------------------------------------------------------------------------------
// Caption, status and turn

QString TMainForm::PlayerName(uint8_t Player) const
{
    if ((FGame->ComputerPlayer() & Player) == 0)
        return tr("Human");
    if (FGame->Expert())
        return QStringLiteral("%1 (%2)").arg(tr("Computer"), tr("Expert"));
    const int depth = FGame->SearchDepth();
    switch (depth) {
    case LEVEL_EASY: return QStringLiteral("%1 (%2)").arg(tr("Computer"), tr("Easy"));
    case LEVEL_MEDIUM: return QStringLiteral("%1 (%2)").arg(tr("Computer"), tr("Medium"));
    case LEVEL_DIFFICULT: return QStringLiteral("%1 (%2)").arg(tr("Computer"), tr("Difficult"));
    default: return QStringLiteral("%1 [%2]").arg(tr("Computer")).arg(depth);
    }
}

void TMainForm::UpdateCaption()
{
    const QString text = FGame->BoardMode() != gbmPlay ? tr("Board Setup")
                         : FMatch && FMatch->OnBoard ? MatchCaption()
                                                     : tr("%1 vs. %2").arg(PlayerName(2), PlayerName(1));
    // The game's file, when it has one, goes in front of the caption, as desktop programs do.
    // "[*]" shows as "*" while the game has changes not saved (setWindowModified).
    const QString caption = FGameFileName.isEmpty()
                                ? Title() + "[*] - " + text
                                : QFileInfo(FGameFileName).fileName() + "[*] - " + Title() + " - " + text;
    setWindowTitle(caption);
    if (FFullScreenWindow)
        FFullScreenWindow->setWindowTitle(caption);
    UpdateModifiedMark();
}

void TMainForm::UpdateModifiedMark()
{
    // Qt warns about a title without the placeholder: the caption before the first has none.
    // Only a change is passed on: each call sets the title again, which the window manager
    // answers with events, and the idle time that runs this would never end.
    const bool modified = FGame->Modified();
    for (QWidget* window : {static_cast<QWidget*>(this), FFullScreenWindow})
        if (window && window->windowTitle().contains("[*]") && window->isWindowModified() != modified)
            window->setWindowModified(modified);
}

void TMainForm::UpdateStatusText()
{
    QString text;
    const uint8_t lostOnTime = FGame->Session().LostOnTime();
    if (lostOnTime != 0 && FGame->IsGameOver()) {
        FState->setText(lostOnTime == PLAYER_BLACK ? tr("Red lost on time") : tr("White lost on time"));
        UpdateFullScreenStatus();
        return;
    }
    switch (FGame->Winner()) {
    case 2: text = tr("Red player won!"); break;
    case 1: text = tr("White player won!"); break;
    default:
        if (FGame->IsDraw())
            text = tr("Drawn game!");
        else if (FGame->Paused() && FGame->BoardMode() == gbmPlay)
            text = FGame->Turn() == 1 ? tr("White player's turn (paused)...") : tr("Red player's turn (paused)...");
        else if (FGame->Turn() == 2)
            text = tr("Red player's turn...");
        else if (FGame->Turn() == 1)
            text = tr("White player's turn...");
        break;
    }
    FState->setText(text);
    UpdateFullScreenStatus();
}

void TMainForm::TurnChanged()
{
    FElapsedTime->setText(Duration(FGame->TurnTime(), false));
    FTimePanel->setVisible(!FGame->IsGameOver() && FGame->BoardMode() == gbmPlay);
    if (!FSuggestionCommands->isVisible() && !FSetupCommands->isVisible())
        UpdateStatusText();
    FTurnIcon->setPixmap(QPixmap(QStringLiteral(":/palette/%1.png").arg(FGame->Turn() == 1 ? 5 : 4)));
    // The endgame tables are made the first time the Expert level plays, not before: a player
    // who never meets the level never pays for them. A build that failed waits for the menu.
    if (FGame->Expert() && FGame->IsComputerTurn() && !FEndgame->Running() && !FEndgame->Complete() &&
        FEndgame->Error().empty())
        FEndgame->Start();
}

void TMainForm::SelectionChanged()
{
    if (FGame->IsSelectionComplete()) {
        FState->clear();
        FSuggestionCommands->show();
    } else if (FSuggestionCommands->isVisible()) {
        FSuggestionCommands->hide();
        UpdateStatusText();
    }
}

void TMainForm::BoardModeChanged()
{
    UpdateCaption();
    // The palette and the move list trade places around the board.
    if (FFullScreen)
        FGame->SetFixedSquareSize(false);
    else
        HoldSquares();
    if (FGame->BoardMode() == gbmPlay) {
        FSetupCommands->hide();
        FHistoryPanel->setVisible(FShowHistory);
        FBoardSetupBar->hide();
        TurnChanged();
    } else {
        PaletteButton(FGame->Turn() == 1 ? "btnWhiteTurn" : "btnBlackTurn")->setChecked(true);
        FTimePanel->hide();
        FSuggestionCommands->hide();
        FRevertChanges->setVisible(FSetupBackup != nullptr);
        FState->clear();
        FBoardSetupBar->show();
        FHistoryPanel->hide();
        FSetupCommands->show();
    }
    FitToContent();
}

void TMainForm::SquareResized()
{
    const int s = FGame->SquareSize();
    const int size = s <= SQUARE_SMALL ? 5 : s <= SQUARE_MEDIUM ? 6 : s <= SQUARE_LARGE ? 7 : 8;
    QFont font = FGame->font();
    font.setPointSize(size);
    FGame->setFont(font);
    FGame->SetAnimateStep(s <= SQUARE_MEDIUM ? 2 : 3);
}

void TMainForm::resizeEvent(QResizeEvent* Event)
{
    QWidget::resizeEvent(Event);
    // The layouts have placed the board at the window's new size by now: its squares follow it.
    if (!FFullScreen && !FFitting && FGame->FixedSquareSize())
        FGame->SetFixedSquareSize(false);
}

void TMainForm::SetBoardSquareSize(int Size)
{
    if (FFullScreen) {
        FSavedSquareSize = Size;
        return;
    }
    if (isMaximized())
        showNormal();
    FGame->SetSquareSize(Size);
    FitToContent();
}

void TMainForm::HoldSquares()
{
    // Showing a panel may raise the window's minimum size, and the window grows to it at once:
    // that resize is not the user's, and the squares keep their size through it.
    FGame->SetFixedSquareSize(true);
    FFitting = true;
}

void TMainForm::FitToContent()
{
    // Exactly the content's size: adjustSize would cap it at two thirds of the screen.
    if (isMaximized() || isFullScreen()) {
        FFitting = false;
        return;
    }
    // The squares keep their size while the panels around them come and go; the board follows
    // the window again from the window's next resize on (see resizeEvent).
    HoldSquares();
    // The nested layouts keep the sizes they were last told until their next event: they are
    // told now, so that the window's size hint is the board's at once.
    for (QWidget* widget : std::initializer_list<QWidget*>{FGame, FStateInfo, FGameHost, FHistoryPanel, FClientPanel})
        widget->updateGeometry();
    for (QWidget* panel : std::initializer_list<QWidget*>{FGameHost, FClientPanel, this})
        if (panel->layout())
            panel->layout()->invalidate();
    if (layout())
        layout()->activate();
    FFitting = false;
    resize(sizeHint().expandedTo(minimumSizeHint()));
}

void TMainForm::SetBoardAngle(int Angle)
{
    FBoardAngle = ((Angle % 360) + 360) % 360;
    ApplyBoardAngle();
}

void TMainForm::ApplyBoardAngle()
{
    // Red starts at the top of an unturned board: a lone human playing Red sees it turned round.
    const bool humanPlaysRedAlone = FGame->ComputerPlayer() == 1;
    FGame->SetBoardAngle(FBoardAngle + (humanPlaysRedAlone ? 180 : 0));
}

void TMainForm::ToggleToolbar()
{
    HoldSquares();  // before the layout squeezes the board for the toolbar
    FToolbar->setVisible(FToolbar->isHidden());
    FitToContent();
}

void TMainForm::InvertSquares()
{
    FGame->SetInvertSquares(!FGame->InvertSquares());
    ComplementTextColour(*FGame);
}

void TMainForm::PositionInfoTip(TPosition Pos, std::string& InfoTip)
{
    TCheckersMove path;
    if (!TCheckers::PathToSquares(FGame->Selection(), path))
        path = TCheckersMove();
    const int square = TCheckers::SquareToPosition(Pos);
    if (FGame->IsSelected(square)) {
        while (path.Count > 0 && path.Squares[path.Count - 1] != Pos)
            --path.Count;
    } else if (path.Count < MAX_PATH_SQUARES) {
        path.Squares[path.Count++] = Pos;
    } else {
        // One square too many: such a path begins no move.
        InfoTip.clear();
        return;
    }
    InfoTip.clear();
    const TMoveList& moves = FGame->CheckersBoard().Moves();
    for (int32_t i = moves.FindPrefix(path, -1); i >= 0; i = moves.FindPrefix(path, i)) {
        if (!InfoTip.empty())
            InfoTip += "\r\n";
        InfoTip += PathToText(moves[i], FGame->TwoDigitsPositions());
    }
}

// ---------------------------------------------------------------------------------------------
// The window's keys and lifetime

void TMainForm::keyPressEvent(QKeyEvent* Event)
{
    const int key = Event->key();
    if (key == Qt::Key_Escape && FFullScreen) {
        SetFullScreen(false);
        return;
    }
    // The strip's command pairs answer Enter and Esc like a dialog's default and cancel buttons.
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        if (FSuggestionCommands->isVisible()) {
            FGame->PlaySelection();
            return;
        }
        if (FSetupCommands->isVisible()) {
            ApplySetup();
            return;
        }
    } else if (key == Qt::Key_Escape) {
        if (FSuggestionCommands->isVisible()) {
            FGame->ClearSelection();
            return;
        }
        if (FSetupCommands->isVisible() && FRevertChanges->isVisible()) {
            RevertSetup();
            return;
        }
    }
    QWidget::keyPressEvent(Event);
}

void TMainForm::StartGame(const QByteArrayList& Arguments)
{
    FGame->setFocus();  // the arrow keys move the board's cursor from the start
    // Squares inverted by the settings need the inverted text colour too.
    if (FGame->InvertSquares())
        ComplementTextColour(*FGame);
    if (!Arguments.isEmpty()) {
        FGame->SetBoardMode(gbmPlay);
        // Opened by the name's own bytes: Qt spells a name that is not in the locale's encoding
        // with replacement characters, which name no file. Such a game is saved under a name
        // asked for, as a name Qt cannot spell back would be another file.
        const QByteArray& file = Arguments.front();
        const QString decoded = QFile::decodeName(file);
        const QString name = QFile::encodeName(decoded) == file ? QFileInfo(decoded).absoluteFilePath() : QString();
        try {
            if (LoadGameFile(name.isEmpty() ? decoded : name, name.isEmpty() ? file : QByteArray()))
                SetGameFileName(name);
            else
                FGame->NewGame();  // a file of several games, and the player chose none
        } catch (...) {
            FGame->NewGame();
            throw;
        }
    } else {
        FGame->NewGame();
    }
}

void TMainForm::showEvent(QShowEvent* Event)
{
    QWidget::showEvent(Event);
    UpdateCaption();
}

void TMainForm::closeEvent(QCloseEvent* Event)
{
    try {
        QuerySaveGame();
    } catch (const std::exception&) {
        // The player cancelled, or saving failed: the window stays open.
        Event->ignore();
        return;
    }
    disconnect(FFocusConnection);
    FSetupBackup.reset();
    SetFullScreen(false);
    FSounds->StopAll();
    try {
        SaveSettings();
    } catch (const std::exception& e) {
        ShowErrorMessage(QString::fromStdString(e.what()));
    }
    Event->accept();
}

}  // namespace velk
