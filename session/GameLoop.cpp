#include "GameLoop.h"

#include <stdexcept>

namespace velk {

TGameEnd PlayGame(TCheckersSession& Session, TSessionQueue& Queue, const TMoveChooser& Choose, int MaxPlies)
{
    if (Session.ComputerPlayer() != 0)
        throw std::logic_error("a program's game has no computer player of the session's own");
    Queue.Pump();
    for (int plies = 0; !Session.IsGameOver(); ++plies) {
        if (plies >= MaxPlies)
            return TGameEnd::PlyLimit;
        const int32_t move = Choose(Session);
        // A move that comes after its side's time ran out is not played: the game is lost.
        if (move < 0 || !Session.PlayMove(move))
            return Session.IsGameOver() ? TGameEnd::Over : TGameEnd::Stopped;
        Queue.Pump();
    }
    return TGameEnd::Over;
}

}  // namespace velk
