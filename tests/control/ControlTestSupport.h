#pragma once
// Helpers for the board control tests: a control with its window, the event pump that delivers
// the control's posted messages, squares by number, and a log of the notifications.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "control/Checkers.h"
#include "engine/PositionTable.h"
#include "support/GameTexts.h"
#include "support/QtPump.h"

namespace velk::test {

// The notifications of a control by name, in the order they arrive.
struct TEventLog {
    std::vector<std::string> Events;

    void Attach(TCheckers& C)
    {
        const auto note = [this](const char* Name) {
            return [this, Name](TGameBoardControl*) { Events.emplace_back(Name); };
        };
        C.OnHistoryChange = note("History");
        C.OnTurnChange = note("Turn");
        C.OnBoardChange = note("Board");
        C.OnGameEnded = note("GameEnded");
        C.OnPlayingStateChange = note("Playing");
        C.OnBoardModeChange = note("BoardMode");
        C.OnSelectionChange = note("Selection");
        C.OnThinkBegin = note("ThinkBegin");
        C.OnThinkEnd = note("ThinkEnd");
        C.OnMoveBegin = note("MoveBegin");
        C.OnMoveEnd = note("MoveEnd");
        const auto sq = [](TPosition P) { return std::to_string(P + 1); };
        C.OnPositionClick = [=, this](TCheckers*, TPosition P, bool&) { Events.push_back("Click " + sq(P)); };
        C.OnSimpleMove = [=, this](TCheckers*, TPosition S, TPosition D) {
            Events.push_back("Simple " + sq(S) + "-" + sq(D));
        };
        C.OnAttackMove = [=, this](TCheckers*, TPosition S, TPosition D, TPosition J) {
            Events.push_back("Attack " + sq(S) + "x" + sq(J) + "-" + sq(D));
        };
        C.OnPromote = [=, this](TCheckers*, TPosition P) { Events.push_back("Promote " + sq(P)); };
    }

    int Count(const std::string& Name) const
    {
        return static_cast<int>(std::count(Events.begin(), Events.end(), Name));
    }
    int IndexOf(const std::string& Name) const
    {
        return static_cast<int>(std::find(Events.begin(), Events.end(), Name) - Events.begin());
    }

    // The events with runs of one name folded into one entry.
    std::vector<std::string> Folded() const
    {
        std::vector<std::string> folded;
        for (const auto& e : Events)
            if (folded.empty() || folded.back() != e)
                folded.push_back(e);
        return folded;
    }
};

// A shown control with its window, animation off, nobody thinking: tests choose the sides.
class ControlTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The search table outlives every control and keeps a hurried search's scores as if
        // searched: each test starts from an empty one, so no search ends before it is watched.
        GlobalPositionTable().SetSize(0);
        C = std::make_unique<TCheckers>();
        C->SetAnimateMoves(false);
        C->SetComputerPlayer(0);
        C->SetSearchDepth(2);
        C->show();
        ASSERT_TRUE(C->HandleAllocated());
    }

    void TearDown() override
    {
        C.reset();
        Pump();
    }

    void StartGame()
    {
        C->NewGame();
        Pump();
    }

    // Composes a position in setup mode and starts playing it with Turn to move.
    void StartPosition(const std::string& Text, uint8_t Turn)
    {
        C->SetBoardMode(gbmSetup);
        C->SetBoardAsText(Text);
        C->SetTurn(Turn);
        C->SetBoardMode(gbmPlay);
        Pump();
    }

    // A press and a release of the left button at the centre of a square.
    void Click(int Square)
    {
        const QPoint p = C->GetSquareRect(Pos(Square)).center();
        QTest::mousePress(C.get(), Qt::LeftButton, Qt::NoModifier, p);
        QTest::mouseRelease(C.get(), Qt::LeftButton, Qt::NoModifier, p);
    }

    // Waits until the computer's search has begun (its begin message was handled).
    bool WaitThinking()
    {
        return PumpUntil([this] { return C->Thinking(); }, 5000);
    }

    // Waits until the game record holds Count records.
    bool WaitRecords(int32_t Count, int TimeoutMs = 5000)
    {
        return PumpUntil([this, Count] { return C->History().Count() == Count; }, TimeoutMs);
    }

    std::unique_ptr<TCheckers> C;
};

}  // namespace velk::test
