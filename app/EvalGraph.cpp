#include "EvalGraph.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "engine/ScoreText.h"

namespace velk {

namespace {

constexpr int32_t CLIP = 500;  // five men
constexpr int MARGIN = 3;

}  // namespace

TEvalGraph::TEvalGraph(QWidget* Parent) : QWidget(Parent)
{
    setObjectName("EvalGraph");
    setAccessibleName(tr("Evaluation graph"));
    setFixedHeight(70);
    setCursor(Qt::PointingHandCursor);
    setToolTip(tr("The score after each move, Red's advantage up; click to show that position"));
}

void TEvalGraph::SetPoints(std::vector<TPoint> Points, int32_t Shown)
{
    FPoints = std::move(Points);
    FShown = Shown;
    update();
}

double TEvalGraph::XOf(int Index) const
{
    const int n = static_cast<int>(FPoints.size());
    const double width = std::max(1, this->width() - 2 * MARGIN);
    return MARGIN + (n <= 1 ? width / 2 : width * Index / (n - 1));
}

double TEvalGraph::YOf(int32_t Score) const
{
    const int32_t clipped = ScoreResult(Score) != 0 ? (Score > 0 ? CLIP : -CLIP) : std::clamp(Score, -CLIP, CLIP);
    const double half = (height() - 2 * MARGIN) / 2.0;
    return MARGIN + half - half * clipped / CLIP;
}

int TEvalGraph::PointAt(int X) const
{
    if (FPoints.empty())
        return -1;
    int best = 0;
    for (int i = 1; i < static_cast<int>(FPoints.size()); ++i)
        if (std::abs(XOf(i) - X) < std::abs(XOf(best) - X))
            best = i;
    return best;
}

void TEvalGraph::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Base));
    const double zero = YOf(0);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawLine(QPointF(0, zero), QPointF(width(), zero));
    if (FPoints.empty())
        return;
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath area;
    area.moveTo(XOf(0), zero);
    for (int i = 0; i < static_cast<int>(FPoints.size()); ++i)
        area.lineTo(XOf(i), YOf(FPoints[i].Score));
    area.lineTo(XOf(static_cast<int>(FPoints.size()) - 1), zero);
    area.closeSubpath();
    // Red's advantage in red above the line, White's in grey below.
    painter.save();
    painter.setClipRect(QRectF(0, 0, width(), zero));
    painter.fillPath(area, QColor(200, 40, 40, 150));
    painter.setClipRect(QRectF(0, zero, width(), height() - zero));
    painter.fillPath(area, QColor(110, 110, 110, 150));
    painter.restore();
    for (int i = 0; i < static_cast<int>(FPoints.size()); ++i)
        if (FPoints[i].Records == FShown) {
            painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
            painter.drawLine(QPointF(XOf(i), 0), QPointF(XOf(i), height()));
        }
}

void TEvalGraph::mousePressEvent(QMouseEvent* Event)
{
    const int i = PointAt(static_cast<int>(Event->position().x()));
    if (i >= 0 && OnPick)
        OnPick(FPoints[i].Records);
}

}  // namespace velk
