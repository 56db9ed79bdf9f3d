// The computer from the main window: the side it plays, its level, its memory, the endgame
// tables it probes, and the move it suggests to a human.
#include <QApplication>

#include "Dialogs.h"
#include "MainForm.h"
#include "engine/EndgameBuilder.h"

namespace velk {

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

}  // namespace velk
