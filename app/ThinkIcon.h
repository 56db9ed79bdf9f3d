#pragma once
#include <QPainter>
#include <QPixmap>
#include <QWidget>
#include <vector>

namespace velk {

// The ten frames of the thinking animation, run forwards and then backwards.
class TThinkIcon : public QWidget {
public:
    explicit TThinkIcon(QWidget* Parent) : QWidget(Parent)
    {
        for (int i = 0; i < 10; ++i)
            FFrames.push_back(QPixmap(QStringLiteral(":/think/%1.png").arg(i)));
        setFixedWidth(34);
    }

    void Advance()
    {
        ++FFrame;
        show();
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        const int n = static_cast<int>(FFrames.size());
        int f = FFrame % n;
        if ((FFrame / n) % 2 == 1)
            f = n - f - 1;
        const QPixmap& frame = FFrames[f];
        QPainter painter(this);
        painter.drawPixmap((width() - frame.width()) / 2, (height() - frame.height()) / 2, frame);
    }

private:
    std::vector<QPixmap> FFrames;
    int FFrame = 0;
};

}  // namespace velk
