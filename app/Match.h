#pragma once
// The match the computer plays in the window (app/MainFormGameMatch.cpp).
#include <vector>

#include "Dialogs.h"

namespace velk {

struct TMatchState {
    TMatchDialog::TSettings Settings;
    std::vector<int> Ballots;  // one for each pair of games
    int Played = 0;            // games finished and written
    bool Running = false;      // false: stopped, to be resumed at the next game, or over
    int Wins[2] = {0, 0};      // of the first and the second player
    int Draws = 0;
    bool OnBoard = false;      // one of its games is the one shown (the caption then tells the score)
};

}  // namespace velk
