#pragma once
// The engine output: what the computer's search or the analysis knows now (depth, score from
// Red's side, nodes and speed) and its lines, the best first. A double-click on a line of an
// analysis asks for its first move to be played.
#include <QFrame>
#include <functional>

#include "engine/SearchStrategy.h"

class QLabel;
class QListWidget;

namespace velk {

class TEngineOutput : public QFrame {
public:
    explicit TEngineOutput(QWidget* Parent);

    // Lines of an analysis can be played; the computer's own search only shows its line.
    void ShowReport(const TSearchReport& Report, bool Analysis);
    // Empties the panel, saying Note ("Analysing..." or nothing) where the figures go.
    void Clear(const QString& Note = {});

    QLabel& Summary() const { return *FSummary; }
    QListWidget& Lines() const { return *FLines; }

    // The move (index in the shown board's list) of the line double-clicked.
    std::function<void(int32_t Move)> OnPlayLine;

private:
    QLabel* FSummary = nullptr;
    QListWidget* FLines = nullptr;
    bool FPlayable = false;
};

// "12.3 k", "4.56 M": node counts as the panel shows them.
QString NodeCountText(double Nodes);

}  // namespace velk
