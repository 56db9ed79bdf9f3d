// The main window's move list and clocks: the list kept in step with the record, the clocks
// ticking, and the moves picked in the list.
#include <QCoreApplication>
#include <QLabel>
#include <QTreeWidget>

#include "EvalGraph.h"
#include "MainForm.h"
#include "ThinkIcon.h"
#include "engine/ScoreText.h"
#include "record/GameHistory.h"

namespace velk {

namespace {

QString Duration(uint32_t Milliseconds, bool Long)
{
    return QString::fromStdString(FormatDuration(Milliseconds, Long));
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

// What an analysis found about Player's move MoveNo: on the turn's last record.
const TMoveAnalysis* TurnAnalysis(const TGameHistory& History, uint8_t Player, int MoveNo)
{
    for (int32_t i = History.IndexOfMove(Player, MoveNo); i >= 0 && i < History.Count(); ++i)
        if (History.Items(i).EndsTurn)
            return &History.Items(i).Analysis;
    return nullptr;
}

QString MarkText(TMoveAnalysis::TMark Mark)
{
    switch (Mark) {
    case TMoveAnalysis::Inaccuracy: return QStringLiteral("?!");
    case TMoveAnalysis::Mistake: return QStringLiteral("?");
    case TMoveAnalysis::Blunder: return QStringLiteral("??");
    default: return {};
    }
}

// The move's text with its mark, and its tooltip: the analysis, then the player's comment.
void DescribeMove(const TMoveAnalysis* Analysis, const QString& Comment, QString& Text, QString& Tip)
{
    Tip = Comment;
    if (Analysis == nullptr || Text.isEmpty())
        return;
    if (const QString mark = MarkText(Analysis->Mark); !mark.isEmpty())
        Text += mark;
    if (!Analysis->Valid)
        return;
    QString found = QCoreApplication::translate("TMainForm", "Score after it %1")
                        .arg(QString::fromStdString(ScoreText(Analysis->Score)));
    if (!Analysis->BestMove.empty())
        found += QCoreApplication::translate("TMainForm", "; best %1").arg(QString::fromStdString(Analysis->BestMove));
    Tip = Tip.isEmpty() ? found : found + QLatin1Char('\n') + Tip;
}

}  // namespace

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
        QString tip1, tip2;
        DescribeMove(TurnAnalysis(game.History(), p1, i), c1, s1, tip1);
        DescribeMove(TurnAnalysis(game.History(), p2, i), c2, s2, tip2);
        setText(item, 1, c1.isEmpty() ? s1 : s1 + COMMENT_MARK);
        setText(item, 2, c2.isEmpty() || s2.isEmpty() ? s2 : s2 + COMMENT_MARK);
        if (item->toolTip(1) != tip1)
            item->setToolTip(1, tip1);
        if (item->toolTip(2) != tip2)
            item->setToolTip(2, tip2);
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
    UpdateClocks();
    UpdateEvalGraph();
    UpdateModifiedMark();
}

// The graph shows while the game has moves an analysis scored.
void TMainForm::UpdateEvalGraph()
{
    const TGameHistory& history = FGame->History();
    std::vector<TEvalGraph::TPoint> points;
    for (int32_t i = 0; i < history.Count(); ++i) {
        const TGameHistoryRec& rec = history.Items(i);
        if (rec.EndsTurn && rec.Analysis.Valid)
            points.push_back({i + 1, rec.Analysis.Score});
    }
    FEvalGraph->setVisible(!points.empty());
    FEvalGraph->SetPoints(std::move(points), history.Position());
}

// The next move after the shown position marked a mistake or a blunder, shown with the move
// played (its tooltip in the list has the better move).
void TMainForm::NextMistake()
{
    const TGameHistory& history = FGame->History();
    for (int32_t i = history.Position(); i < history.Count(); ++i) {
        const TMoveAnalysis& analysis = history.Items(i).Analysis;
        if (history.Items(i).EndsTurn &&
            (analysis.Mark == TMoveAnalysis::Mistake || analysis.Mark == TMoveAnalysis::Blunder)) {
            FGame->ShowPosition(i + 1);
            return;
        }
    }
}

void TMainForm::TimerTick()
{
    TCheckers& game = *FGame;
    FElapsedTime->setText(Duration(game.TurnTime(), false));
    UpdateFullScreenStatus();
    if (game.Thinking())
        FThinkIcon->Advance();
    // A side out of time loses now, not when its move comes in.
    game.Session().CheckTime();
    UpdateClocks();
}

// Without a time control the clocks count each side's time up; with one they count down what is
// left, the side to move marked.
void TMainForm::UpdateClocks()
{
    TCheckers& game = *FGame;
    const uint8_t p1 = game.FirstPlayer() == 1 ? 1 : 2;
    const bool countdown = game.Session().TimeControl().BaseMs > 0;
    for (const uint8_t player : {p1, static_cast<uint8_t>(p1 ^ 3)}) {
        QString text = countdown ? Duration(static_cast<uint32_t>(game.Session().RemainingTime(player)), true)
                                 : Duration(game.PlayerTime(player), true);
        if (countdown && game.Turn() == player && !game.IsGameOver())
            text = player == p1 ? QStringLiteral("\u25B8 ") + text : text + QStringLiteral(" \u25C2");
        QLabel* label = player == p1 ? FTime1 : FTime2;
        if (label->text() != text)
            label->setText(text);
    }
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

void TMainForm::ToggleShowHistory()
{
    FShowHistory = !FShowHistory;
    HoldSquares();
    FHistoryPanel->setVisible(FShowHistory);
    FitToContent();
}

}  // namespace velk
