// The engine's thinking from the main window: the engine output, analysis of the shown
// position, and positions copied and pasted as text.
#include <QClipboard>
#include <QEventLoop>
#include <QGuiApplication>
#include <QInputDialog>
#include <QProgressDialog>
#include <QTimer>
#include <atomic>
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
    if (game.History().Count() == 0)
        return;
    bool ok = false;
    const double seconds = QInputDialog::getDouble(this, tr("Analyze Game"), tr("Seconds to think about each move:"),
                                                   FAnalysisSeconds, 0.1, 60.0, 1, &ok);
    if (!ok)
        return;
    FAnalysisSeconds = seconds;
    // Nothing else searches meanwhile: the analysis of the shown position ends, the computer waits.
    game.Session().SetAnalyzing(false);
    if (game.Thinking() || (game.Playing() && game.IsComputerTurn()))
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
    options.MoveTimeMs = static_cast<uint32_t>(seconds * 1000 + 0.5);
    options.MaxMemory = std::min(game.MaxMemory(), EXPERT_MAX_TABLE_BYTES);

    std::atomic<int> done{0}, total{0};
    std::atomic<bool> finished{false}, succeeded{false};
    TStopFlag stop{STOP_NONE};
    std::vector<THalfMoveAnalysis> results;
    std::thread worker([&] {
        try {
            results = velk::AnalyzeGame(
                engine, copy, options,
                [&](const THalfMoveAnalysis&, int Done, int Total) {
                    done.store(Done);
                    total.store(Total);
                },
                &stop);
            succeeded.store(true);
        } catch (...) {
            // Cancelled, or the search failed: the game stays as it was.
        }
        finished.store(true);
    });

    QProgressDialog progress(tr("Analysing the game..."), tr("Cancel"), 0, 0, this);
    progress.setObjectName("AnalysisProgress");
    progress.setWindowTitle(tr("Analyze Game"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(0);
    QEventLoop loop;
    QTimer poll;
    poll.setInterval(50);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (total.load() > 0) {
            progress.setMaximum(total.load());
            progress.setValue(done.load());
        }
        if (progress.wasCanceled())
            stop.store(STOP_ABORT);
        if (finished.load())
            loop.quit();
    });
    poll.start();
    loop.exec();
    worker.join();
    progress.reset();
    if (!succeeded.load() || stop.load() == STOP_ABORT)
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
