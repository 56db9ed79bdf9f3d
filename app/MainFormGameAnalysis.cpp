// The engine's thinking from the main window: the engine output, analysis of the shown
// position, and positions copied and pasted as text.
#include <QClipboard>
#include <QGuiApplication>
#include <cmath>
#include <thread>

#include "Dialogs.h"
#include "EngineOutput.h"
#include "MainForm.h"
#include "analysis/GameAnalysis.h"
#include "engine/ExpertSearch.h"
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

// Every move of the game weighed by the engine on a thread of its own, behind a progress dialog;
// the results reach the record only when the whole game is done, so Cancel changes nothing.
void TMainForm::AnalyzeGame()
{
    TCheckers& game = *FGame;
    if (game.History().Count() == 0 || !TAnalysisTimeDialog::Execute(this, FAnalysisSeconds))
        return;
    // Nothing else searches meanwhile: the analysis of the shown position ends, the computer waits,
    // and no clock runs down while the player waits for the dialog.
    game.Session().SetAnalyzing(false);
    if (game.Playing() && (game.IsComputerTurn() || game.Session().TimeControl().Active()))
        game.SetPaused(true);

    // The thread reads a copy: the record shown may still be browsed behind the dialog.
    TGameHistory copy(game.Board());
    {
        TMemoryStream stream;
        game.History().SaveToStream(stream);
        stream.SetPosition(0);
        copy.LoadFromStream(stream);
    }
    TExpertEngine engine;
    engine.SetThreads(game.ExpertThreads());
    const std::shared_ptr<const TEndgameDb> db = ExpertEndgameDb();
    engine.SetEndgameDb(db.get());
    TGameAnalysisOptions options;
    options.MoveTimeMs = static_cast<uint32_t>(std::lround(FAnalysisSeconds * 1000));
    options.MaxMemory = std::min(game.MaxMemory(), EXPERT_MAX_TABLE_BYTES);

    TBackgroundProgress progress;
    TStopFlag stop{STOP_NONE};
    std::vector<THalfMoveAnalysis> results;
    bool succeeded = false;
    std::thread worker([&] {
        try {
            results = velk::AnalyzeGame(
                engine, copy, options,
                [&](const THalfMoveAnalysis&, int Done, int Total) {
                    progress.Done.store(Done);
                    progress.Total.store(Total);
                },
                &stop);
            succeeded = true;
        } catch (...) {
            // Cancelled, or the search failed: the game stays as it was.
        }
        progress.Finished.store(true);
    });
    TAnalysisProgressDialog dialog(this, progress);
    if (ExecDialog(dialog) != mrOk)
        stop.store(STOP_ABORT);
    worker.join();
    if (!succeeded || stop.load() == STOP_ABORT)
        return;
    ApplyGameAnalysis(game.History(), results);
    game.SetModified(true);
    UpdateHistoryList();
    const TMarkCounts red = CountMarks(results, true), white = CountMarks(results, false);
    // The status strip keeps to the game; the count goes where the engine speaks.
    FEngineOutput->Clear(tr("Analysed: Red %1 ?!, %2 ?, %3 ??; White %4 ?!, %5 ?, %6 ??")
                             .arg(red.Inaccuracies)
                             .arg(red.Mistakes)
                             .arg(red.Blunders)
                             .arg(white.Inaccuracies)
                             .arg(white.Mistakes)
                             .arg(white.Blunders));
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
    if (!MayReplaceGame())
        return;
    RunFileCommand([this, &position] {
        FGame->Session().StartFrom(position);
        ForgetGameData();
        SetGameFileName(QString());
    });
}

}  // namespace velk
