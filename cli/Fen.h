#pragma once
// The notation moved to the record library, which reads and writes it in game texts.
#include "control/Fen.h"
