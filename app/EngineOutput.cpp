#include "EngineOutput.h"

#include <QLabel>
#include <QListWidget>
#include <QVBoxLayout>

#include "engine/ScoreText.h"

namespace velk {

QString NodeCountText(double Nodes)
{
    if (Nodes >= 1e6)
        return QString::number(Nodes / 1e6, 'f', 2) + QStringLiteral(" M");
    if (Nodes >= 1e3)
        return QString::number(Nodes / 1e3, 'f', 1) + QStringLiteral(" k");
    return QString::number(static_cast<qint64>(Nodes));
}

TEngineOutput::TEngineOutput(QWidget* Parent) : QFrame(Parent)
{
    setObjectName("EngineOutput");
    setAccessibleName(tr("Engine Output"));
    setFrameShape(QFrame::StyledPanel);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 2, 4, 2);
    layout->setSpacing(2);
    FSummary = new QLabel(this);
    FSummary->setObjectName("EngineSummary");
    FSummary->setAccessibleName(tr("Engine figures"));
    FLines = new QListWidget(this);
    FLines->setObjectName("EngineLines");
    FLines->setAccessibleName(tr("Engine lines"));
    FLines->setTextElideMode(Qt::ElideRight);
    FLines->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FLines->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FLines->setUniformItemSizes(true);
    // Room for the three lines of an analysis, each elided to the panel's width (the tooltip
    // holds the whole line).
    FLines->setFixedHeight(FLines->fontMetrics().lineSpacing() * 3 + 4 * FLines->frameWidth() + 6);
    FLines->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(FSummary);
    layout->addWidget(FLines);
    connect(FLines, &QListWidget::itemDoubleClicked, this, [this](QListWidgetItem* Item) {
        if (FPlayable && OnPlayLine && Item != nullptr)
            OnPlayLine(Item->data(Qt::UserRole).toInt());
    });
    Clear();
}

void TEngineOutput::ShowReport(const TSearchReport& Report, bool Analysis)
{
    FPlayable = Analysis;
    const double speed = Report.Seconds > 0 ? Report.Nodes / Report.Seconds : 0;
    const QString score = Report.Lines.empty() ? QString()
                                               : QString::fromStdString(ScoreText(Report.Lines.front().Score));
    FSummary->setText(tr("Depth %1   %2\n%3 nodes   %4 nodes/s")
                          .arg(Report.Depth)
                          .arg(score, NodeCountText(static_cast<double>(Report.Nodes)), NodeCountText(speed)));
    FLines->clear();
    for (const TSearchReport::TLine& line : Report.Lines) {
        const QString text = QStringLiteral("%1  %2").arg(QString::fromStdString(ScoreToken(line.Score)),
                                                          QString::fromStdString(line.Moves));
        auto* item = new QListWidgetItem(text, FLines);
        item->setData(Qt::UserRole, line.Move);
        item->setToolTip(QString::fromStdString(ScoreText(line.Score)) + QStringLiteral(": ") +
                         QString::fromStdString(line.Moves));
    }
}

void TEngineOutput::Clear(const QString& Note)
{
    FPlayable = false;
    FSummary->setText(Note.isEmpty() ? tr("The engine is idle.\n") : Note + QLatin1Char('\n'));
    FLines->clear();
}

}  // namespace velk
