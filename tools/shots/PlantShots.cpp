// Games for checking the analysis: the engine plays itself from three-move ballots at a deeper
// setting than the analysis will use, and each game is cut where one side had a move that loses
// a man to a forced capture within three plies; that move takes the place of the move played.
// Written as PDN, one game per case, the planted move last. tools/check-analysis.sh runs the
// analysis over them and counts the marks.
//
//   velk-plant-shots BALLOTS COUNT SECONDS > cases.pdn
#include <algorithm>
#include <bit>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "engine/DrawRule.h"
#include "engine/ExpertSearch.h"
#include "engine/Fen.h"

using namespace velk;

namespace {

int Material(const TCheckersBoard& Board, bool Black)
{
    const int black = std::popcount(Board.BlackPieces()), white = std::popcount(Board.WhitePieces());
    return Black ? black - white : white - black;
}

// The material, from Black's side (Black true) or White's, after Plies plies of best play for
// material, then the captures still pending; a side without a move has lost everything.
int Exchange(TCheckersBoard& Board, int Plies, bool Black, int Extension = 10)
{
    const int n = Board.MoveCount();
    if (n == 0)
        return (Board.Turn() == PLAYER_BLACK) == Black ? -100 : 100;
    const bool capture = Board.Moves()[0].Captured != 0;
    if ((Plies <= 0 && !capture) || Extension <= 0)
        return Material(Board, Black);
    const bool mine = (Board.Turn() == PLAYER_BLACK) == Black;
    int best = mine ? -1000 : 1000;
    for (int i = 0; i < n; ++i) {
        TCheckersBoard child;
        child.Assign(Board);
        child.MakeMove(i);
        const int value = Exchange(child, Plies - 1, Black, Plies <= 0 ? Extension - 1 : Extension);
        best = mine ? std::max(best, value) : std::min(best, value);
    }
    return best;
}

// What move I of Board loses in men within the opponent's move, the mover's reply and the
// opponent's next move, captures being forced.
int ShotLoss(TCheckersBoard& Board, int I)
{
    const bool black = Board.Turn() == PLAYER_BLACK;
    const int before = Exchange(Board, 0, black);
    TCheckersBoard child;
    child.Assign(Board);
    child.MakeMove(I);
    return before - Exchange(child, 3, black);
}

std::string MoveText(const TCheckersMove& Move) { return PathToText(Move, false, Move.Captured != 0 ? 'x' : '-'); }

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: velk-plant-shots BALLOTS COUNT SECONDS\n");
        return 2;
    }
    std::ifstream file(argv[1]);
    std::vector<std::string> fens;
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        fens.push_back(line.substr(line.rfind('\t') + 1));
    }
    const int count = std::stoi(argv[2]);
    const auto time = static_cast<uint32_t>(std::stod(argv[3]) * 1000);
    TExpertEngine engine;
    engine.SetThreads(1);
    for (int game = 0; game < count && !fens.empty(); ++game) {
        // Ballots spread over the file; the cut falls somewhere from the 8th to the 40th ply.
        const std::string& fen = fens[static_cast<size_t>(game) * 37 % fens.size()];
        const int cutFrom = 8 + game * 13 % 33;
        TCheckersBoard board;
        std::string error;
        if (!ParseFen(fen, board, error))
            continue;
        engine.Clear();
        TGamePositions positions;
        positions.Reset(board);
        std::vector<std::string> moves;
        for (int ply = 0; ply < 150 && board.MoveCount() > 0 && !positions.Drawn(); ++ply) {
            TExpertRequest request;
            request.MoveTimeMs = time;
            const TExpertResult result = engine.Search(board, request, 16u << 20, nullptr, &positions.ReversibleKeys());
            int planted = -1;
            if (ply >= cutFrom && ShotLoss(board, result.Move) <= 0)
                for (int i = 0; i < board.MoveCount() && planted < 0; ++i)
                    if (ShotLoss(board, i) >= 1)
                        planted = i;
            if (planted >= 0) {
                moves.push_back(MoveText(board.Moves()[planted]));
                std::printf("[Event \"Planted shot %d\"]\n[Master \"%s\"]\n[SetUp \"1\"]\n[FEN \"%s\"]\n\n", game + 1,
                            MoveText(board.Moves()[result.Move]).c_str(), fen.c_str());
                TCheckersBoard start;
                ParseFen(fen, start, error);
                bool white = start.Turn() == PLAYER_WHITE;
                int number = 1;
                std::ostringstream text;
                for (size_t i = 0; i < moves.size(); ++i) {
                    if (!white || i == 0)
                        text << number << (white ? "... " : ". ");
                    text << moves[i] << (i % 10 == 9 ? "\n" : " ");
                    number += white ? 1 : 0;
                    white = !white;
                }
                std::printf("%s*\n\n", text.str().c_str());
                std::fflush(stdout);
                break;
            }
            moves.push_back(MoveText(board.Moves()[result.Move]));
            board.MakeMove(result.Move);
            positions.Push(board);
        }
    }
    return 0;
}
