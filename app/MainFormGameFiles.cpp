// The main window's files: new, open and save (.ckr or PDN, a game in a file of several PDN
// games saved in its place), the clipboard (record, PDN, paste), the game's PDN information and
// comments, and the pause around every file command.
#include <QApplication>
#include <QClipboard>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "Dialogs.h"
#include "MainForm.h"
#include "Match.h"
#include "record/Ballots.h"
#include "platform/Exceptions.h"
#include "platform/FileStream.h"
#include "record/GameHistory.h"
#include "record/Pdn.h"

namespace velk {

namespace {

QString Title()
{
    return QApplication::applicationDisplayName();
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
    if (!MayReplaceGame())
        return;
    FGame->NewGame();
    ForgetGameData();
    SetGameFileName(QString());
}

// Before another game takes the board's place: a running match stops, and the player may save
// the game shown; false when the player cancels.
bool TMainForm::MayReplaceGame()
{
    StopMatch();
    try {
        QuerySaveGame();
    } catch (const EAbort&) {
        return false;
    }
    // The game shown is no longer the match's: a stopped match waits for Resume Match.
    if (FMatch)
        FMatch->OnBoard = false;
    return true;
}

void TMainForm::ForgetGameData()
{
    FGameData = TPdnGameData();
    FPdnPlace = TPdnPlace();
    FBallot = 0;
    UpdateHistoryList();
}

void TMainForm::OpenGame()
{
    if (!MayReplaceGame())
        return;
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
    // The game file's stream has no room for comments or analysis: they are carried over record
    // by record.
    TGameHistory& history = FGame->History();
    for (int32_t i = 0; i < history.Count() && i < Choice.History->Count(); ++i) {
        history.Items(i).Comment = Choice.History->Items(i).Comment;
        history.Items(i).Analysis = Choice.History->Items(i).Analysis;
    }
    FGameData = std::move(Choice.Data);
    FPdnPlace = TPdnPlace();
    // A ballot game opened can be played again with colours reversed, as one started here.
    FBallot = BallotFromTags(FGameData.Tags);
    UpdateHistoryList();
    if (FGameData.Variations)
        ShowInformation(tr("The game's variations were left out: only its main line is kept."));
}

std::string TMainForm::GamePdn() const
{
    TPdnGameData data = FGameData;
    if (data.Tags.empty())
        data.Tags = DefaultPdnTags(PlayerName(2).toStdString(), PlayerName(1).toStdString());
    // A game read with these tags keeps them as written.
    if (FBallot > 0 && PdnTagValue(data.Tags, "Opening").empty())
        SetBallotTag(data.Tags, FBallot);
    if (const TTimeControl control = FGame->Session().TimeControl();
        control.BaseMs > 0 && PdnTagValue(data.Tags, "TimeControl").empty())
        SetPdnTag(data.Tags, "TimeControl", TimeControlText(control));
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
    if (!MayReplaceGame())
        return;
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

void TMainForm::CopyRecord()
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(GetGameRecordText()));
}

}  // namespace velk
