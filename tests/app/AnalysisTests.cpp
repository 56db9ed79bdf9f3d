// The engine's thinking in the window: the engine output and analysis of the shown position,
// Analyze Game with its marks, graph and Cancel, and positions copied and pasted as text.
#include <QClipboard>
#include <QDoubleSpinBox>
#include <QFile>
#include <QGuiApplication>
#include <QListWidget>
#include <QTreeWidget>
#include <thread>

#include "AppTestSupport.h"
#include "EngineOutput.h"
#include "EvalGraph.h"

namespace velk::test {
namespace {

// White's 27-23 lets Red give a man on 19 and take two back.
const char* const SHOT_GAME = "[Event \"Shot\"]\n[SetUp \"1\"]\n"
                              "[FEN \"W:W17,18,20,21,22,24,26,27,29,30,31,32:B2,3,4,5,6,7,9,11,12,13,15,16\"]\n"
                              "[Result \"*\"]\n\n1... 27-23 2. 16-19 23x16 3. 12x19x28 *\n";

QByteArray FileBytes(const QString& Name)
{
    QFile file(Name);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class AnalysisTest : public WindowTest {
protected:
    QString Summary() const { return W->EngineOutput().Summary().text(); }
    int Lines() const { return W->EngineOutput().Lines().count(); }

    // Analyze Game at Seconds a move; Finish false cancels the progress dialog at once.
    void AnalyzeGame(bool Finish)
    {
        Answer([](QDialog& Dialog) {
            dynamic_cast<TAnalysisTimeDialog&>(Dialog).Seconds->setValue(0.3);
            return mrOk;
        });
        Answer([this, Finish](QDialog& Dialog) {
            if (!Finish)
                return mrCancel;
            const TBackgroundProgress& progress = dynamic_cast<TAnalysisProgressDialog&>(Dialog).Progress();
            EXPECT_TRUE(PumpUntil([&] { return progress.Finished.load(); }, 30000));
            return mrOk;
        });
        Trigger(TActionId::HistoryAnalyzeGame);
    }
};

TEST_F(AnalysisTest, AnalyzeGameMarksTheShotAndCancelLeavesGameAndFileAlone)
{
    const QString name = FilePath("shot.pdn");
    {
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(SHOT_GAME);
    }
    FileAnswer = name;
    Trigger(TActionId::GameOpen);
    ASSERT_EQ(Game().History().Count(), 4);
    const QByteArray bytes = FileBytes(name);

    AnalyzeGame(false);
    for (int32_t i = 0; i < Game().History().Count(); ++i)
        EXPECT_EQ(Game().History().Items(i).Analysis, TMoveAnalysis()) << i;
    EXPECT_FALSE(Game().Modified());
    EXPECT_TRUE(W->EvalGraph().isHidden());
    EXPECT_EQ(FileBytes(name), bytes);

    AnalyzeGame(true);
    const TMoveAnalysis slip = Game().History().Items(0).Analysis;
    EXPECT_EQ(slip.Mark, TMoveAnalysis::Blunder);
    EXPECT_FALSE(slip.BestMove.empty());
    EXPECT_NE(slip.BestMove, "27-23");
    EXPECT_TRUE(Game().Modified());
    // The list marks the move and names the better one; the graph shows Red's gain.
    QTreeWidgetItem* row = W->HistoryList().topLevelItem(0);
    EXPECT_TRUE(row->text(1).endsWith("??")) << row->text(1).toStdString();
    EXPECT_TRUE(row->toolTip(1).contains(QString::fromStdString("best " + slip.BestMove))) << row->toolTip(1).toStdString();
    EXPECT_FALSE(W->EvalGraph().isHidden());
    ASSERT_EQ(W->EvalGraph().Points().size(), 4u);
    EXPECT_GT(W->EvalGraph().Points()[0].Score, 60);
    EXPECT_EQ(FileBytes(name), bytes);

    // Next Mistake shows the position after the blunder; the graph's click shows another one.
    Trigger(TActionId::HistoryFirst);
    Trigger(TActionId::HistoryNextMistake);
    EXPECT_TRUE(PumpUntil([&] { return Game().History().Position() == 1; }));
    W->EvalGraph().OnPick(W->EvalGraph().Points()[3].Records);
    EXPECT_TRUE(PumpUntil([&] { return Game().History().Position() == 4; }));
    Trigger(TActionId::HistoryCopyPdn);
    EXPECT_TRUE(QGuiApplication::clipboard()->text().contains("27-23 $4 {")) << QGuiApplication::clipboard()->text().toStdString();

    // Saved as PDN and opened again, the marks and the graph come back.
    FileAnswer = FilePath("analysed.pdn");
    Trigger(TActionId::GameSaveAs);
    Trigger(TActionId::GameNew);
    EXPECT_TRUE(W->EvalGraph().isHidden());
    Trigger(TActionId::GameOpen);
    EXPECT_EQ(Game().History().Items(0).Analysis, slip);
    EXPECT_FALSE(W->EvalGraph().isHidden());
}

// Analysis lists three lines and plays only the one double-clicked; the score is Red's whichever
// side is to move, and a forced result says who wins.
TEST_F(AnalysisTest, AnalysisShowsLinesScoredFromRedsSideAndPlaysOnlyWhatIsChosen)
{
    Trigger(TActionId::ComputerAnalyze);
    EXPECT_TRUE(Checked(TActionId::ViewEngineOutput));
    ASSERT_TRUE(PumpUntil([&] { return Lines() == 3; }));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    Pump();
    EXPECT_EQ(Game().History().Count(), 0);
    QListWidgetItem* first = W->EngineOutput().Lines().item(0);
    const std::string move = first->text().split(' ', Qt::SkipEmptyParts)[1].toStdString();
    W->EngineOutput().Lines().itemDoubleClicked(first);
    ASSERT_TRUE(PumpUntil([&] { return Game().History().Count() == 1; }));
    EXPECT_EQ(Game().GetGameRecordText(), "NOT FINISHED: " + move);
    EXPECT_TRUE(Checked(TActionId::ComputerAnalyze));

    SetUpPosition({{18, 'b'}, {22, 'w'}}, 1);
    EXPECT_TRUE(PumpUntil([&] { return Summary().contains("White wins in 1"); })) << Summary().toStdString();
    SetUpPosition({{18, 'b'}, {22, 'w'}}, 2);
    EXPECT_TRUE(PumpUntil([&] { return Summary().contains("Red wins in 1"); })) << Summary().toStdString();
    Trigger(TActionId::ComputerAnalyze);
    EXPECT_FALSE(Game().Session().Analyzing());
    EXPECT_EQ(Lines(), 0);
}

TEST_F(AnalysisTest, PositionsTravelAsFenAndTextThatIsNoPositionIsRefused)
{
    Move(11, 15);
    Trigger(TActionId::GameCopyPosition);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), "W:W21,22,23,24,25,26,27,28,29,30,31,32:B1,2,3,4,5,6,7,8,9,10,12,15");

    QGuiApplication::clipboard()->setText("hello");
    Trigger(TActionId::GamePastePosition);
    ASSERT_EQ(Messages.size(), 1u);
    EXPECT_EQ(Messages.front(), "The clipboard holds no position: it is neither a FEN position nor a PDN game");
    Messages.clear();
    EXPECT_EQ(Game().GetGameRecordText(), "NOT FINISHED: 11-15");

    // A game pasted gives its final position, as a new game set up from it.
    QGuiApplication::clipboard()->setText("1. 9-13 22-18 *");
    Answer(mrNo);  // the game with 11-15 is not saved
    Trigger(TActionId::GamePastePosition);
    EXPECT_EQ(Game().History().Count(), 0);
    EXPECT_EQ(Game().Turn(), 2);
    EXPECT_EQ(Game().BoardAsText(), BoardText({{1, 'b'}, {2, 'b'}, {3, 'b'}, {4, 'b'}, {5, 'b'}, {6, 'b'}, {7, 'b'},
                                               {8, 'b'}, {10, 'b'}, {11, 'b'}, {12, 'b'}, {13, 'b'}, {18, 'w'},
                                               {21, 'w'}, {23, 'w'}, {24, 'w'}, {25, 'w'}, {26, 'w'}, {27, 'w'},
                                               {28, 'w'}, {29, 'w'}, {30, 'w'}, {31, 'w'}, {32, 'w'}}));
}

}  // namespace
}  // namespace velk::test
