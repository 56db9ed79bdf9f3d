#pragma once
// Helpers for the session tests: a checkers session with its own message queue (no window, no
// Qt), moves by square number, and a log of the notifications.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "engine/PositionTable.h"
#include "session/CheckersSession.h"
#include "session/SessionQueue.h"
#include "support/GameTexts.h"

namespace velk::test {

// A move by square numbers 1 .. 32.
inline TCheckersMove Squares(std::initializer_list<int> Numbers)
{
    TCheckersMove move;
    for (const int n : Numbers)
        move.Squares[move.Count++] = static_cast<TPosition>(n - 1);
    return move;
}

// The notifications of a session by name, in the order they arrive.
struct TEventLog {
    std::vector<std::string> Events;

    void Attach(TCheckersSession& S)
    {
        const auto note = [this](const char* Name) { return [this, Name] { Events.emplace_back(Name); }; };
        S.OnHistoryChange = note("History");
        S.OnTurnChange = note("Turn");
        S.OnBoardChange = note("Board");
        S.OnGameEnded = note("GameEnded");
        S.OnPlayingStateChange = note("Playing");
        S.OnBoardModeChange = note("BoardMode");
        S.OnThinkBegin = note("ThinkBegin");
        S.OnThinkEnd = note("ThinkEnd");
        S.OnMoveBegin = note("MoveBegin");
        S.OnMoveEnd = note("MoveEnd");
    }

    int Count(const std::string& Name) const
    {
        return static_cast<int>(std::count(Events.begin(), Events.end(), Name));
    }
    int IndexOf(const std::string& Name) const
    {
        return static_cast<int>(std::find(Events.begin(), Events.end(), Name) - Events.begin());
    }
};

// A session that plays, nobody thinking: tests choose the sides.
class SessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The search table outlives every session and keeps a hurried search's scores as if
        // searched: each test starts from an empty one, so no search ends before it is watched.
        GlobalPositionTable().SetSize(0);
        S.SetComputerPlayer(0);
        S.SetSearchDepth(2);
    }

    void Pump() { Queue->Pump(); }
    bool PumpUntil(const std::function<bool()>& Done, int TimeoutMs = 5000) { return Queue->RunUntil(Done, TimeoutMs); }

    void StartGame()
    {
        S.NewGame();
        Pump();
    }

    // Composes a position in setup mode and starts playing it with Turn to move.
    void StartPosition(const std::string& Text, uint8_t Turn)
    {
        S.SetBoardMode(gbmSetup);
        S.Board().SetAsText(Text);
        S.SetTurn(Turn);
        S.SetBoardMode(gbmPlay);
        Pump();
    }

    bool Play(std::initializer_list<int> Numbers) { return S.PlaySquares(Squares(Numbers)); }
    std::string Text() const { return S.Board().GetAsText(); }

    // Waits until the computer's search has begun (its begin message was handled).
    bool WaitThinking()
    {
        return PumpUntil([this] { return S.Thinking(); });
    }
    // Waits until the game record holds Count records.
    bool WaitRecords(int32_t Count, int TimeoutMs = 5000)
    {
        return PumpUntil([this, Count] { return S.History().Count() == Count; }, TimeoutMs);
    }
    // No search runs and its last message has been handled: nothing more can be played.
    void ExpectSettled()
    {
        EXPECT_FALSE(S.Solver().Busy());
        std::this_thread::sleep_for(std::chrono::milliseconds(30));
        Pump();
        EXPECT_FALSE(S.Thinking());
    }

    TCheckersSession S;
    std::unique_ptr<TSessionQueue> Queue = std::make_unique<TSessionQueue>(S);
};

}  // namespace velk::test
