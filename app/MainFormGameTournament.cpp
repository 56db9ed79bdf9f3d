// Tournament play from the main window: games started from a three-move ballot, played again
// with colours reversed, and the time control the clocks count down.
#include "Dialogs.h"
#include "MainForm.h"
#include "platform/Exceptions.h"
#include "record/Ballots.h"

namespace velk {

void TMainForm::NewBallotGame()
{
    std::vector<TBallotDialog::TRow> rows;
    for (const TBallot& ballot : BuiltInBallots())
        rows.push_back({ballot.Number, QString::fromStdString(ballot.Moves), QString::fromStdString(ballot.Deck),
                        QString::fromStdString(ballot.Name)});
    const int number = TBallotDialog::Execute(this, rows, FBallotRematch);
    if (number == 0)
        return;
    if (!MayReplaceGame())
        return;
    StartBallotGame(number);
}

// The ballot's three moves are the game's first, played and recorded; the PDN written names it.
void TMainForm::StartBallotGame(int Number)
{
    const TBallot* ballot = FindBallot(Number);
    if (ballot == nullptr)
        return;
    RunFileCommand([this, ballot] {
        FGame->CheckersSession().StartBallot(*ballot);
        ForgetGameData();
        SetGameFileName(QString());
        FBallot = ballot->Number;
    });
}

void TMainForm::TimeControlDialog()
{
    int minutes = FClockMinutes, seconds = FClockSeconds;
    if (TTimeControlDialog::Execute(this, minutes, seconds))
        SetClock(minutes, seconds);
}

// The time control holds for the game on the board and the games after it.
void TMainForm::SetClock(int Minutes, int Seconds)
{
    FClockMinutes = Minutes;
    FClockSeconds = Minutes > 0 ? Seconds : 0;
    TTimeControl control;
    control.BaseMs = static_cast<uint32_t>(FClockMinutes) * 60000;
    control.IncrementMs = static_cast<uint32_t>(FClockSeconds) * 1000;
    FGame->Session().SetTimeControl(control);
    UpdateHistoryList();
}

}  // namespace velk
