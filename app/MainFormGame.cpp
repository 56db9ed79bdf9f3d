// The main window's reactions to the board control and its commands: caption and status
// text, the history list and clocks, setup mode, files, full screen, suggestion and tips.
#include <QAction>
#include <QBoxLayout>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QResizeEvent>
#include <QScreen>
#include <QStandardPaths>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <QWindow>
#include <cstring>

#include "Dialogs.h"
#include "MainForm.h"
#include "Sounds.h"
#include "ThinkIcon.h"
#include "engine/EndgameBuilder.h"
#include "engine/Fen.h"
#include "platform/AppendFile.h"
#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "platform/Finally.h"
#include "record/GameHistory.h"
#include "record/Pdn.h"

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

// After a move in the list that has a comment, which its tooltip shows.
const QString COMMENT_MARK = QStringLiteral(" {\u2026}");

// The comments on the records of Player's move MoveNo (a move entered a step at a time has a
// record a step).
QString MoveComment(const TGameHistory& History, uint8_t Player, int MoveNo)
{
    std::string comment;
    for (int32_t i = History.IndexOfMove(Player, MoveNo); i >= 0 && i < History.Count(); ++i) {
        const TGameHistoryRec& rec = History.Items(i);
        if (!rec.Comment.empty())
            comment += (comment.empty() ? "" : " ") + rec.Comment;
        if (rec.EndsTurn)
            break;
    }
    return QString::fromStdString(comment);
}

bool IsPdnName(const QString& Name)
{
    return Name.endsWith(".pdn", Qt::CaseInsensitive);
}

std::string ReadWholeFile(const std::string& Path)
{
    TFileStream file(Path, fmOpenRead);
    std::string text(static_cast<size_t>(std::max<int64_t>(0, file.Size())), '\0');
    file.ReadBuffer(text.data(), static_cast<int64_t>(text.size()));
    return text;
}

}  // namespace

// A PDN game picked and read, not yet the window's.
struct TMainForm::TPdnChoice {
    std::unique_ptr<TGameHistory> History;
    TPdnGameData Data;
    TPdnGameInfo Game;
    size_t Games = 0;
};

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
    const QString text =
        FGame->BoardMode() == gbmPlay ? tr("%1 vs. %2").arg(PlayerName(2), PlayerName(1)) : tr("Board Setup");
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

// ---------------------------------------------------------------------------------------------
// History list and clocks

void TMainForm::UpdateHistoryList()
{
    TCheckers& game = *FGame;
    QTreeWidget& list = *FHistoryList;
    const uint8_t p1 = game.FirstPlayer() == 1 ? 1 : 2;
    const uint8_t p2 = p1 ^ 3;
    if (p1 != FHistoryFirstPlayer) {
        FHistoryFirstPlayer = p1;
        QTreeWidgetItem* header = list.headerItem();
        const QString first = header->text(1);
        header->setText(1, header->text(2));
        header->setText(2, first);
    }
    const bool times = Action(TActionId::HistoryShowTimes)->isChecked();
    const int count = game.MoveCount();
    auto setText = [](QTreeWidgetItem* Item, int Column, const QString& Text) {
        if (Item->text(Column) != Text)
            Item->setText(Column, Text);
    };
    for (int i = 1; i <= count + 1; ++i) {
        QString s1 = QString::fromStdString(game.GetMoveText(p1, i));
        if (s1.isEmpty())
            break;
        if (times)
            s1 = "(" + Duration(game.GetMoveTime(p1, i), false) + ") " + s1;
        QString s2 = QString::fromStdString(game.GetMoveText(p2, i));
        if (times && !s2.isEmpty())
            s2 = "(" + Duration(game.GetMoveTime(p2, i), false) + ") " + s2;
        QTreeWidgetItem* item;
        if (list.topLevelItemCount() < i) {
            item = new QTreeWidgetItem(&list);
            item->setText(0, QString::number(i));
        } else {
            item = list.topLevelItem(i - 1);
        }
        const QString c1 = MoveComment(game.History(), p1, i), c2 = MoveComment(game.History(), p2, i);
        setText(item, 1, c1.isEmpty() ? s1 : s1 + COMMENT_MARK);
        setText(item, 2, c2.isEmpty() || s2.isEmpty() ? s2 : s2 + COMMENT_MARK);
        if (item->toolTip(1) != c1)
            item->setToolTip(1, c1);
        if (item->toolTip(2) != c2)
            item->setToolTip(2, c2);
    }
    while (list.topLevelItemCount() > count + 1)
        delete list.takeTopLevelItem(list.topLevelItemCount() - 1);
    if (list.topLevelItemCount() == count + 1 && game.GetMoveText(p1, count + 1).empty())
        delete list.takeTopLevelItem(list.topLevelItemCount() - 1);

    // Moves after the shown position are grey; the turn numbers use the regular font.
    const QColor normal = list.palette().color(QPalette::Text);
    const QColor grey = list.palette().color(QPalette::Disabled, QPalette::Text);
    const int current = game.CurrentMoveNumber();
    const int next1 = game.MoveNumberOf(p1), next2 = game.MoveNumberOf(p2);
    // The move that led to the shown position is highlighted like its squares on the board.
    int lastRow = -1, lastColumn = 0;
    const uint8_t mover = game.Turn() ^ 3;
    if (game.HighlightLastMove() && game.History().Position() > 0 && (mover == 1 || mover == 2)) {
        lastRow = game.MoveNumberOf(mover) - 2;
        lastColumn = mover == p1 ? 1 : 2;
    }
    const QBrush marked(QColor(255, 190, 40, 110));
    for (int r = 0; r < list.topLevelItemCount(); ++r) {
        QTreeWidgetItem* item = list.topLevelItem(r);
        item->setForeground(0, r < current ? normal : grey);
        item->setForeground(1, next1 > r + 1 ? normal : grey);
        item->setForeground(2, next2 > r + 1 ? normal : grey);
        for (int c = 1; c <= 2; ++c)
            item->setBackground(c, r == lastRow && c == lastColumn ? marked : QBrush());
    }
    if (list.topLevelItemCount() >= current && current >= 1)
        list.scrollToItem(list.topLevelItem(current - 1));
    FTime1->setText(Duration(game.PlayerTime(p1), true));
    FTime2->setText(Duration(game.PlayerTime(p2), true));
    UpdateModifiedMark();
}

void TMainForm::UpdateFullScreenStatus()
{
    if (!FFullScreen)
        return;
    const QString clock = FTimePanel->isVisibleTo(FStateInfo) ? "   " + FElapsedTime->text() : QString();
    FFullScreenStatus->setText(FState->text() + clock);
    PlaceFullScreenStatus();
}

void TMainForm::TimerTick()
{
    TCheckers& game = *FGame;
    FElapsedTime->setText(Duration(game.TurnTime(), false));
    UpdateFullScreenStatus();
    if (game.Thinking())
        FThinkIcon->Advance();
    const uint32_t t = game.PlayerTime(game.Turn());
    (game.Turn() == game.FirstPlayer() ? FTime1 : FTime2)->setText(Duration(t, true));
}

void TMainForm::CopyRecord()
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(GetGameRecordText()));
}

void TMainForm::ShowPositionAfter(QTreeWidgetItem* Item, int Column)
{
    TCheckers& game = *FGame;
    const int moveNo = FHistoryList->indexOfTopLevelItem(Item) + 1;
    const uint8_t p1 = game.FirstPlayer() == 1 ? 1 : 2;
    uint8_t player = Column == 2 || (Column == 0 && game.HasMove(p1 ^ 3, moveNo)) ? p1 ^ 3 : p1;
    int32_t index = game.History().IndexOfMove(player, moveNo);
    if (index < 0)
        return;
    const TGameHistory& history = game.History();
    while (index < history.Count() && !history.Items(index).EndsTurn)
        ++index;
    game.ShowPosition(std::min(index + 1, history.Count()));
}

void TMainForm::MoveHere(uint8_t Player)
{
    const int row = FHistoryList->currentItem() ? FHistoryList->indexOfTopLevelItem(FHistoryList->currentItem()) : -1;
    FGame->GoToMove(Player, row + 1);
}

// ---------------------------------------------------------------------------------------------
// The end of a game

QString TMainForm::GameLogFileName() const
{
    if (!FGameLogFileName.isEmpty())
        return FGameLogFileName;
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + "/velk-checkers.log";
}

namespace {

// The game log's line: the record as the clipboard has it, and for a game that did not begin
// from the initial position with Red to move, its start position and its moves in the order
// played (the record lists each Red move before the White one), so that it can be replayed;
// a draw says why.
std::string GameLogLine(const TCheckers& Game)
{
    std::string line = Game.GetGameRecordText();
    const auto& start = static_cast<const TCheckersBoard&>(Game.History().StartBoard());
    TCheckersBoard initial;
    initial.NewGame();
    if (start.Turn() != initial.Turn() || start.GetAsText() != initial.GetAsText()) {
        const uint8_t first = start.Turn() == PLAYER_WHITE ? PLAYER_WHITE : PLAYER_BLACK;
        line = line.substr(0, line.find(':') + 1) + " [FEN \"" + BoardToFen(start) + "\"]";
        for (int32_t n = 1;; ++n) {
            const std::string move = Game.GetMoveText(first, n), reply = Game.GetMoveText(first ^ 3, n);
            if (!move.empty())
                line += " " + move;
            if (move.empty() || reply.empty())
                break;
            line += " " + reply;
        }
    }
    switch (Game.DrawReason()) {
    case TDrawReason::Repetition: return line + " {third repetition}";
    case TDrawReason::FortyMoves: return line + " {forty-move rule}";
    default: return line;
    }
}

}  // namespace

void TMainForm::WriteGameLog()
{
    const QString name = GameLogFileName();
    const std::string error = AppendWhole(QFile::encodeName(name).toStdString(), GameLogLine(*FGame) + "\r\n");
    if (!error.empty())
        throw Exception(QStringLiteral("Cannot write the game log \"%1\". %2")
                            .arg(name, QString::fromLocal8Bit(error))
                            .toStdString());
}

void TMainForm::GameEnded()
{
    try {
        WriteGameLog();
    } catch (const std::exception& e) {
        // The finish dialog waits for the next game; the error is all the player sees now.
        ShowErrorMessage(QString::fromStdString(e.what()));
        return;
    }
    QString reason;
    switch (FGame->DrawReason()) {
    case TDrawReason::Repetition: reason = tr("The same position came up for the third time."); break;
    case TDrawReason::FortyMoves: reason = tr("Forty moves each without a man moving or a piece taken."); break;
    default: break;
    }
    if (TGameFinishDialog::Execute(this, FGame->Winner(), FGame->ComputerPlayer(), reason))
        Action(TActionId::GameNew)->trigger();
}

// ---------------------------------------------------------------------------------------------
// Commands

void TMainForm::QuerySaveGame()
{
    if (!FGame->Modified())
        return;
    // "No" lets the command go on without saving, but the game stays unsaved until it is
    // really replaced: when the command is then cancelled or fails, the next one asks again.
    switch (TSaveQueryDialog::Execute(this)) {
    case mrYes:
        SaveGame();
        if (FGame->Modified())
            throw EAbort();
        break;
    case mrNo: break;
    default: throw EAbort();
    }
}

void TMainForm::NewGame()
{
    try {
        QuerySaveGame();
    } catch (const EAbort&) {
        return;
    }
    FGame->NewGame();
    ForgetGameData();
    SetGameFileName(QString());
}

void TMainForm::ForgetGameData()
{
    FGameData = TPdnGameData();
    FPdnPlace = TPdnPlace();
    UpdateHistoryList();
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

void TMainForm::OpenGame()
{
    try {
        QuerySaveGame();
    } catch (const EAbort&) {
        return;
    }
    RunFileCommand([this] {
        const QString name = ChooseOpenFileName(this, GameFolder());
        if (!name.isEmpty() && LoadGameFile(name))
            SetGameFileName(name);
    });
}

void TMainForm::SaveGame()
{
    if (FGameFileName.isEmpty()) {
        SaveGameAs();
        return;
    }
    bool saved = true;
    RunFileCommand([this, &saved] { saved = SaveGameFile(FGameFileName, false); });
    if (!saved) {
        // The file of several games no longer holds this one where it was read: writing the
        // game alone there would lose the others, so the player names the file.
        ShowInformation(tr("%1 has changed since the game was read from it; save the game under another name.")
                            .arg(QFileInfo(FGameFileName).fileName()));
        SaveGameAs();
    }
}

void TMainForm::SaveGameAs()
{
    RunFileCommand([this] {
        const QString proposed =
            FGameFileName.isEmpty()
                ? QDir(GameFolder()).filePath(tr("Checkers game %1.ckr").arg(QDate::currentDate().toString(Qt::ISODate)))
                : FGameFileName;
        const QString name = ChooseSaveFileName(this, proposed);
        if (name.isEmpty())
            return;
        SaveGameFile(name, true);
        SetGameFileName(name);
    });
}

bool TMainForm::LoadGameFile(const QString& Name, const QByteArray& Path)
{
    const std::string path = (Path.isEmpty() ? QFile::encodeName(Name) : Path).toStdString();
    if (!IsPdnName(Name)) {
        FGame->LoadFromFile(path, Title().toStdString());
        ForgetGameData();
        return true;
    }
    const std::string text = ReadWholeFile(path);
    TPdnChoice choice;
    if (!ChoosePdnGame(text, QFileInfo(Name).fileName(), choice))
        return false;
    InstallPdnGame(choice);
    if (choice.Games > 1)
        FPdnPlace = {choice.Game.Offset, choice.Game.Length, text.substr(choice.Game.Offset, choice.Game.Length)};
    return true;
}

bool TMainForm::ChoosePdnGame(const std::string& Text, const QString& Source, TPdnChoice& Choice)
{
    const std::vector<TPdnGameInfo> games = ListPdnGames(Text);
    if (games.empty())
        throw Exception(tr("No game was found in the PDN text.").toStdString());
    const int number = games.size() == 1 ? 1 : TPdnGameChooser::Execute(this, games);
    if (number < 1 || number > static_cast<int>(games.size()))
        return false;
    Choice.Game = games[static_cast<size_t>(number - 1)];
    Choice.Games = games.size();
    Choice.History = std::make_unique<TGameHistory>(FGame->Board());
    try {
        ReadPdnGame(std::string_view(Text).substr(Choice.Game.Offset, Choice.Game.Length), Choice.Game.Number,
                    *Choice.History, &Choice.Data);
    } catch (const EPdnError& e) {
        throw EPdnError(Source.toStdString() + ": " + e.what());
    }
    return true;
}

void TMainForm::InstallPdnGame(TPdnChoice& Choice)
{
    TMemoryStream stream;
    Choice.History->SaveToStream(stream);
    stream.SetPosition(0);
    FGame->SetBoardMode(gbmPlay);
    FGame->LoadFromStream(stream);
    // The game file's stream has no room for comments: they are carried over record by record.
    TGameHistory& history = FGame->History();
    for (int32_t i = 0; i < history.Count() && i < Choice.History->Count(); ++i)
        history.Items(i).Comment = Choice.History->Items(i).Comment;
    FGameData = std::move(Choice.Data);
    FPdnPlace = TPdnPlace();
    UpdateHistoryList();
    if (FGameData.Variations)
        ShowInformation(tr("The game's variations were left out: only its main line is kept."));
}

std::string TMainForm::GamePdn() const
{
    TPdnGameData data = FGameData;
    if (data.Tags.empty())
        data.Tags = DefaultPdnTags(PlayerName(2).toStdString(), PlayerName(1).toStdString());
    bool over = FGame->IsGameOver();
    int winner = FGame->Winner();
    // A result the board does not show (a resignation, an agreed draw) holds while the record
    // says the game ended.
    const int given = PdnResultWinner(FGameData.Result);
    if (!over && FGame->History().Finished() && given >= 0) {
        over = true;
        winner = given;
    }
    return WritePdnGame(FGame->History(), data, over, winner);
}

bool TMainForm::SaveGameFile(const QString& Name, bool Whole)
{
    if (!IsPdnName(Name)) {
        FGame->SaveToFile(Name.toStdString(), Title().toStdString());
        if (Name == FGameFileName)
            FPdnPlace = TPdnPlace();
        if (!FGame->IsGameOver() && FGame->History().Finished() && PdnResultWinner(FGameData.Result) >= 0)
            ShowInformation(QString::fromStdString(ResultNotStoredMessage(FGameData.Result)));
        return true;
    }
    const std::string text = GamePdn();
    if (FPdnPlace.Length > 0 && Name == FGameFileName) {
        if (SaveIntoPdnCollection(Name, text)) {
            FGame->SetModified(false);
            return true;
        }
        if (!Whole)
            return false;
    }
    SaveFileReplacing(QFile::encodeName(Name).toStdString(), text.data(), text.size(), "game file");
    if (Name == FGameFileName || FPdnPlace.Length > 0)
        FPdnPlace = TPdnPlace();
    FGame->SetModified(false);
    return true;
}

bool TMainForm::SaveIntoPdnCollection(const QString& Name, const std::string& Text)
{
    std::string file;
    try {
        file = ReadWholeFile(QFile::encodeName(Name).toStdString());
    } catch (const std::exception&) {
        return false;
    }
    const TPdnPlace& place = FPdnPlace;
    if (place.Offset > file.size() || place.Length > file.size() - place.Offset ||
        file.compare(place.Offset, place.Length, place.Text) != 0)
        return false;
    // The game's old text ended with its result; the new one replaces just that, so that the
    // space and the games around it stay as they were.
    const std::string game = Text.substr(0, Text.find_last_not_of('\n') + 1);
    std::string whole = file.substr(0, place.Offset) + game + file.substr(place.Offset + place.Length);
    SaveFileReplacing(QFile::encodeName(Name).toStdString(), whole.data(), whole.size(), "game file");
    FPdnPlace.Length = game.size();
    FPdnPlace.Text = game;
    return true;
}

void TMainForm::CopyPdn()
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(GamePdn()));
}

void TMainForm::PasteGame()
{
    // The text is read and checked first: only a game that can be pasted asks about the one
    // it would replace.
    const std::string text = QGuiApplication::clipboard()->text().toStdString();
    TPdnChoice choice;
    bool chosen = false;
    RunFileCommand([this, &text, &choice, &chosen] { chosen = ChoosePdnGame(text, tr("The pasted text"), choice); });
    if (!chosen)
        return;
    try {
        QuerySaveGame();
    } catch (const EAbort&) {
        return;
    }
    RunFileCommand([this, &choice] {
        InstallPdnGame(choice);
        SetGameFileName(QString());
    });
}

void TMainForm::EditGameInformation()
{
    TCheckers& game = *FGame;
    TGameInformation info;
    info.Tags = FGameData.Tags.empty()
                    ? DefaultPdnTags(PlayerName(2).toStdString(), PlayerName(1).toStdString())
                    : FGameData.Tags;
    info.ResultFixed = game.IsGameOver();
    info.Result = game.IsGameOver()         ? PdnResultText(game.Winner())
                  : game.History().Finished() ? FGameData.Result
                                              : std::string("*");
    info.Notes = FGameData.Comment;
    const TGameInformation before = info;
    if (!TGameInformationDialog::Execute(this, info))
        return;
    if (info.Tags == before.Tags && info.Result == before.Result && info.Notes == before.Notes)
        return;
    FGameData.Tags = info.Tags;
    FGameData.Comment = info.Notes;
    if (!game.IsGameOver()) {
        // A result given to a game the board has not ended says it ended there (a resignation,
        // an agreed draw); "*" says it goes on.
        FGameData.Result = info.Result;
        game.History().SetFinished(PdnResultWinner(info.Result) >= 0);
    }
    game.SetModified(true);
}

void TMainForm::AddComment()
{
    TCheckers& game = *FGame;
    TGameHistory& history = game.History();
    const int32_t index = history.Position() - 1;
    std::string& comment = index >= 0 ? history.Items(index).Comment : FGameData.Comment;
    QString text = QString::fromStdString(comment);
    if (!TCommentDialog::Execute(this, text))
        return;
    const std::string edited = text.simplified().toStdString();
    if (edited == comment)
        return;
    comment = edited;
    game.SetModified(true);
    UpdateHistoryList();
}

QString TMainForm::GameFolder() const
{
    if (!FGameFolder.isEmpty())
        return FGameFolder;
    // A fresh home may have no documents folder yet; a name proposed inside it could not be saved.
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return documents.isEmpty() || !QFileInfo(documents).isDir() ? QDir::homePath() : documents;
}

void TMainForm::SetGameFileName(const QString& Name)
{
    FGameFileName = Name;
    if (!Name.isEmpty())
        FGameFolder = QFileInfo(Name).absolutePath();
    UpdateCaption();
}

void TMainForm::RunFileCommand(const std::function<void()>& Command)
{
    SetFullScreen(false);
    PauseForShell();
    try {
        Command();
    } catch (const std::exception& e) {
        // The game it paused runs again whatever happened; the error is then shown.
        ResumeAfterShell();
        UpdateModifiedMark();
        ShowErrorMessage(QString::fromStdString(e.what()));
        return;
    }
    ResumeAfterShell();
    UpdateModifiedMark();
}

void TMainForm::Suggest()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    try {
        FGame->SelectMove(FGame->SuggestMove(5));
    } catch (...) {
        QApplication::restoreOverrideCursor();
        throw;
    }
    QApplication::restoreOverrideCursor();
}

void TMainForm::SetComputerPlayer(uint8_t Value)
{
    FGame->SetComputerPlayer(Value);
    ApplyBoardAngle();
    UpdateCaption();
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

void TMainForm::SetLevel(uint8_t Depth)
{
    FGame->SetExpert(false);
    FGame->SetSearchDepth(Depth);
    UpdateCaption();
}

void TMainForm::CustomLevel()
{
    int depth = FGame->SearchDepth();
    if (TSearchDepthDialog::Execute(this, depth)) {
        FGame->SetExpert(false);
        FGame->SetSearchDepth(static_cast<uint8_t>(depth));
        UpdateCaption();
    }
}

void TMainForm::SetExpertLevel()
{
    // The level takes effect from the computer's next search.
    FGame->SetExpert(true);
    UpdateCaption();
}

void TMainForm::ExpertMoveTimeDialog()
{
    int milliseconds = static_cast<int>(FGame->ExpertMoveTime());
    if (TExpertMoveTimeDialog::Execute(this, milliseconds))
        FGame->SetExpertMoveTime(static_cast<uint32_t>(milliseconds));
}

void TMainForm::EndgameDbDialog()
{
    FEndgame->Start();
    TEndgameDbDialog::Execute(this, *FEndgame);
}

void TMainForm::MemoryOptions()
{
    int megabytes = static_cast<int>(FGame->MaxMemory() >> 20);
    if (TMemoryOptionsDialog::Execute(this, megabytes))
        FGame->SetMaxMemory(static_cast<uint32_t>(megabytes) << 20);
}

void TMainForm::ToggleToolbar()
{
    HoldSquares();  // before the layout squeezes the board for the toolbar
    FToolbar->setVisible(FToolbar->isHidden());
    FitToContent();
}

void TMainForm::ToggleShowHistory()
{
    FShowHistory = !FShowHistory;
    HoldSquares();
    FHistoryPanel->setVisible(FShowHistory);
    FitToContent();
}

void TMainForm::InvertSquares()
{
    FGame->SetInvertSquares(!FGame->InvertSquares());
    ComplementTextColour(*FGame);
}

// ---------------------------------------------------------------------------------------------
// Setup mode

void TMainForm::EnterSetup()
{
    FSetupBackup = std::make_unique<TMemoryStream>();
    // The backup is no save: the game keeps its unsaved changes, also after a revert.
    FSetupBackupModified = FGame->Modified();
    FGame->SaveToStream(*FSetupBackup);
    FGame->SetModified(FSetupBackupModified);
    FSetupBackup->SetPosition(0);
    FGame->SetBoardMode(gbmSetup);
}

void TMainForm::ApplySetup()
{
    FSetupBackup.reset();
    FGame->SetTurn(PaletteButton("btnBlackTurn")->isChecked() ? 2 : 1);
    FGame->SetBoardMode(gbmPlay);
    // A position set up is a new game: Save must not write it over the file of the game before.
    ForgetGameData();
    SetGameFileName(QString());
}

void TMainForm::RevertSetup()
{
    std::unique_ptr<TMemoryStream> backup = std::move(FSetupBackup);
    FGame->SetBoardMode(gbmPlay);
    if (backup) {
        FGame->LoadFromStream(*backup);
        FGame->SetModified(FSetupBackupModified);
    }
}

void TMainForm::ClearSetupBoard()
{
    FGame->ClearBoard();
    PaletteButton("btnBlackTurn")->setChecked(true);
}

void TMainForm::PositionClicked(TPosition Pos, bool& Handled)
{
    if (FFullScreen || FGame->BoardMode() != gbmSetup)
        return;
    Handled = true;
    TPiece piece = pcNone;
    const std::pair<const char*, TPiece> palette[] = {
        {"btnBlackSimple", pcBlackMan}, {"btnBlackKing", pcBlackKing}, {"btnWhiteSimple", pcWhiteMan},
        {"btnWhiteKing", pcWhiteKing}};
    for (const auto& [name, code] : palette) {
        if (PaletteButton(name)->isChecked()) {
            piece = code;
            break;
        }
    }
    FGame->PlacePiece(Pos, FGame->CheckersBoard().Squares(Pos) == TCheckers::SetupPiece(Pos, piece) ? pcNone : piece);
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
// Full screen, activation and the window's lifetime

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
