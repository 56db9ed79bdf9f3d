// The engine's thinking from the main window: the engine output, analysis of the shown
// position, and positions copied and pasted as text.
#include <QClipboard>
#include <QGuiApplication>

#include "Dialogs.h"
#include "EngineOutput.h"
#include "MainForm.h"
#include "engine/Fen.h"
#include "platform/Exceptions.h"
#include "record/PositionText.h"

namespace velk {

void TMainForm::SetEngineOutputShown(bool On)
{
    Action(TActionId::ViewEngineOutput)->setChecked(On);
    FEngineOutput->setVisible(On);
}

void TMainForm::ShowSearchReport(const TSearchReport& Report)
{
    if (!FEngineOutput->isHidden())
        FEngineOutput->ShowReport(Report, FGame->Session().Analyzing());
}

void TMainForm::ToggleAnalysis()
{
    TGameSession& session = FGame->Session();
    const bool on = !session.Analyzing();
    if (on)
        FEngineOutput->Clear(tr("Analysing..."));
    session.SetAnalyzing(on);
    Action(TActionId::ComputerAnalyze)->setChecked(session.Analyzing());
}

void TMainForm::CopyPosition()
{
    QGuiApplication::clipboard()->setText(QString::fromStdString(BoardToFen(FGame->CheckersBoard())));
}

// The position becomes a new game set up from it, as a PDN game pasted replaces the game; only a
// text that holds a position asks about the game it would replace.
void TMainForm::PastePosition()
{
    TCheckersBoard position;
    std::string error;
    if (!PositionFromText(QGuiApplication::clipboard()->text().toStdString(), position, error)) {
        ShowErrorMessage(QString::fromStdString(error));
        return;
    }
    try {
        QuerySaveGame();
    } catch (const EAbort&) {
        return;
    }
    RunFileCommand([this, &position] {
        FGame->Session().StartFrom(position);
        ForgetGameData();
        SetGameFileName(QString());
    });
}

}  // namespace velk
