#pragma once
// The evaluation graph under the move list: the score after each move of an analysed game, Red's
// advantage upwards, clipped at five men (a known result at the edge), with the shown position
// marked. A click asks for the position after the move under the pointer.
#include <QWidget>
#include <functional>
#include <vector>

namespace velk {

class TEvalGraph : public QWidget {
public:
    struct TPoint {
        int32_t Records = 0;  // the records behind the position after the move
        int32_t Score = 0;    // from Red's side, on the Expert scale
    };

    explicit TEvalGraph(QWidget* Parent);

    // The moves' points in order (a move not analysed is left out); Shown the records behind
    // the shown position.
    void SetPoints(std::vector<TPoint> Points, int32_t Shown);
    const std::vector<TPoint>& Points() const { return FPoints; }
    // The point a click at X picks, -1 for none.
    int PointAt(int X) const;

    std::function<void(int32_t Records)> OnPick;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;

private:
    double XOf(int Index) const;
    double YOf(int32_t Score) const;

    std::vector<TPoint> FPoints;
    int32_t FShown = 0;
};

}  // namespace velk
