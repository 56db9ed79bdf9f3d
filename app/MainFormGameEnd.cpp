// The end of a game: the line in the game log and the dialog that says how it ended.
#include <QFile>
#include <QStandardPaths>

#include "Dialogs.h"
#include "MainForm.h"
#include "Match.h"
#include "engine/Fen.h"
#include "platform/AppendFile.h"
#include "platform/Exceptions.h"

namespace velk {

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
    if (const uint8_t loser = Game.Session().LostOnTime(); loser != 0)
        return line + (loser == PLAYER_BLACK ? " {Red lost on time}" : " {White lost on time}");
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
    // A match goes on by itself: no dialog waits between its games.
    if (FMatch && FMatch->Running) {
        MatchGameEnded();
        return;
    }
    QString reason;
    switch (FGame->DrawReason()) {
    case TDrawReason::Repetition: reason = tr("The same position came up for the third time."); break;
    case TDrawReason::FortyMoves: reason = tr("Forty moves each without a man moving or a piece taken."); break;
    default: break;
    }
    if (const uint8_t loser = FGame->Session().LostOnTime(); loser != 0)
        reason = loser == PLAYER_BLACK ? tr("Red lost on time") : tr("White lost on time");
    if (!TGameFinishDialog::Execute(this, FGame->Winner(), FGame->ComputerPlayer(), reason))
        return;
    if (FBallot == 0 || !FBallotRematch) {
        Action(TActionId::GameNew)->trigger();
        return;
    }
    // The same ballot again, each side now playing the other colour.
    try {
        QuerySaveGame();
    } catch (const EAbort&) {
        return;
    }
    const uint8_t computer = FGame->ComputerPlayer();
    if (computer == 1 || computer == 2)
        SetComputerPlayer(computer ^ 3);
    StartBallotGame(FBallot);
}

}  // namespace velk
