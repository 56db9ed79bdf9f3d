// A match in the window: the computer plays both sides at a level each, game after game from
// crossboard ballots with both colours, the running score in the caption, each game appended to
// a PDN file. Pause holds the game on the board; Stop Match abandons it, and Resume Match plays
// it again from its ballot.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTimer>
#include <cmath>

#include "Dialogs.h"
#include "MainForm.h"
#include "Match.h"
#include "platform/AppendFile.h"
#include "platform/Exceptions.h"
#include "record/Ballots.h"

namespace velk {

namespace {

QString LevelName(const TMatchDialog::TSide& Side)
{
    switch (Side.Depth) {
    case 0: return QCoreApplication::translate("TMainForm", "Expert %1 s").arg(Side.Seconds, 0, 'f', 1);
    case 4: return QCoreApplication::translate("TMainForm", "Easy");
    case 8: return QCoreApplication::translate("TMainForm", "Medium");
    case 12: return QCoreApplication::translate("TMainForm", "Difficult");
    default: return QCoreApplication::translate("TMainForm", "Depth %1").arg(Side.Depth);
    }
}

// The first player plays Red in the first game of each pair.
int RedSide(int Game) { return Game % 2; }

}  // namespace

void TMainForm::StartMatch()
{
    TMatchDialog::TSettings settings = FMatch ? FMatch->Settings : TMatchDialog::TSettings();
    if (settings.PdnFile.isEmpty())
        settings.PdnFile = QDir(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation))
                               .filePath(QStringLiteral("velk-checkers-match.pdn"));
    if (!TMatchDialog::Execute(this, settings))
        return;
    if (settings.PdnFile.isEmpty()) {
        ShowErrorMessage(tr("The match needs a PDN file for its games."));
        return;
    }
    try {
        QuerySaveGame();
    } catch (const EAbort&) {
        return;
    }
    std::vector<TBallot> deck = DrawBallots(BuiltInBallots(), "crossboard", settings.Games / 2,
                                            QRandomGenerator::global()->generate64() | 1);
    FMatch = std::make_unique<TMatchState>();
    FMatch->Settings = settings;
    for (const TBallot& ballot : deck)
        FMatch->Ballots.push_back(ballot.Number);
    FMatch->Running = true;
    StartMatchGame();
}

void TMainForm::StopMatch()
{
    if (!FMatch || !FMatch->Running)
        return;
    FMatch->Running = false;
    // The game on the board is abandoned: it is neither counted nor written, and the computer
    // stops thinking about it.
    FGame->SetComputerPlayer(0);
    FGame->Session().ClearPlayerLevels();
    // Nothing of it is the player's to save; what the player does with it from here is.
    FGame->SetModified(false);
    UpdateCaption();
}

void TMainForm::ResumeMatch()
{
    if (!FMatch || FMatch->Running || FMatch->Played >= FMatch->Settings.Games)
        return;
    try {
        QuerySaveGame();
    } catch (const EAbort&) {
        return;
    }
    FMatch->Running = true;
    StartMatchGame();
}

void TMainForm::StartMatchGame()
{
    TMatchState& match = *FMatch;
    const int game = match.Played;
    const int red = RedSide(game);
    TGameSession& session = FGame->Session();
    for (const int side : {0, 1}) {
        const TMatchDialog::TSide& level = match.Settings.Sides[side];
        session.SetPlayerLevel(side == red ? PLAYER_BLACK : PLAYER_WHITE, static_cast<uint8_t>(level.Depth),
                               static_cast<uint32_t>(std::lround(level.Seconds * 1000)));
    }
    FGame->SetComputerPlayer(3);
    match.OnBoard = true;
    StartBallotGame(match.Ballots[static_cast<size_t>(game / 2) % match.Ballots.size()]);
    // The players and the round, as the PDN of the match names them.
    FGameData.Tags = DefaultPdnTags(LevelName(match.Settings.Sides[red]).toStdString(),
                                    LevelName(match.Settings.Sides[red ^ 1]).toStdString());
    SetPdnTag(FGameData.Tags, "Event", tr("Velk Checkers match").toStdString());
    SetPdnTag(FGameData.Tags, "Round", std::to_string(game + 1));
    UpdateCaption();
}

// The finished game is counted and appended to the match's file; the next one starts when the
// board has shown the end for a moment.
void TMainForm::MatchGameEnded()
{
    TMatchState& match = *FMatch;
    const int red = RedSide(match.Played);
    const int winner = FGame->Winner();  // 2 Red, 1 White, 0 a draw
    if (winner == 0)
        ++match.Draws;
    else
        ++match.Wins[winner == PLAYER_BLACK ? red : red ^ 1];
    const std::string text = GamePdn() + "\n";
    const QString name = match.Settings.PdnFile;
    const std::string error = AppendWhole(QFile::encodeName(name).toStdString(), text);
    ++match.Played;
    FGame->SetModified(false);
    if (!error.empty()) {
        StopMatch();
        ShowErrorMessage(
            tr("Cannot write the match's games to \"%1\". %2").arg(name, QString::fromLocal8Bit(error.c_str())));
        return;
    }
    if (match.Played >= match.Settings.Games) {
        match.Running = false;
        FGame->SetComputerPlayer(0);
        FGame->Session().ClearPlayerLevels();
        UpdateCaption();
        return;
    }
    UpdateCaption();
    QTimer::singleShot(1000, this, [this] {
        if (FMatch && FMatch->Running && FGame->IsGameOver())
            StartMatchGame();
    });
}

// "Match, game 3 of 10: Expert 1.0 s 1½ – ½ Difficult", and "(stopped)" or "(over)".
QString TMainForm::MatchCaption() const
{
    const TMatchState& match = *FMatch;
    auto points = [&](int Side) {
        const int halves = 2 * match.Wins[Side] + match.Draws;
        return QString::number(halves / 2) + (halves % 2 != 0 ? QStringLiteral("\u00BD") : QString());
    };
    const bool over = match.Played >= match.Settings.Games;
    QString text = tr("Match, game %1 of %2: %3 %4 \u2013 %5 %6")
                       .arg(std::min(match.Played + 1, match.Settings.Games))
                       .arg(match.Settings.Games)
                       .arg(LevelName(match.Settings.Sides[0]), points(0), points(1),
                            LevelName(match.Settings.Sides[1]));
    if (over)
        text += tr(" (over)");
    else if (!match.Running)
        text += tr(" (stopped)");
    return text;
}

}  // namespace velk
