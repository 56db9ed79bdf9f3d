// Writes the seed games of the game file fuzzer: a few sound files that reach every part of the
// reader, so that the fuzzer starts from real games instead of guessing the signature.
//
// Regenerate the committed seeds after a change of the file layout with
//   cmake --preset fuzz && cmake --build --preset fuzz --target make_game_corpus
//   build-fuzz/bin/make_game_corpus tests/fuzz/corpus
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/CheckersBoard.h"
#include "record/GameFile.h"
#include "record/GameHistory.h"

using namespace velk;

namespace {

std::string Text(std::initializer_list<std::pair<int, char>> Pieces)
{
    std::string text(SQUARE_COUNT, ' ');
    for (auto [square, piece] : Pieces)
        text[static_cast<size_t>(square - 1)] = piece;
    return text;
}

// Records turns the way the board control does.
struct TRecorder {
    TCheckersBoard Board;
    TGameHistory History{Board};

    explicit TRecorder(const char* Text = nullptr, uint8_t Turn = PLAYER_BLACK)
    {
        if (Text == nullptr) {
            Board.NewGame();
        } else {
            Board.SetAsText(Text);
            Board.SetTurn(Turn);
        }
        History.StartBoard().Assign(Board);
    }

    static int32_t Position(int Square) { return SquareToPosition(static_cast<TPosition>(Square - 1)); }

    // Plays Squares as one turn; Split stores every step as a record of its own.
    bool Play(const std::vector<int>& Squares, uint32_t Ms, bool Split = false)
    {
        TGameHistoryRec current;
        for (size_t i = 0; i + 1 < Squares.size(); ++i) {
            if (!Board.MakeStep(static_cast<TPosition>(Squares[i] - 1), static_cast<TPosition>(Squares[i + 1] - 1)))
                return false;
            current.AddPath({Position(Squares[i]), Position(Squares[i + 1])});
            const bool ends = Board.Moves().Count() == 0;
            if (ends)
                Board.EndTurn();
            if (ends || Split) {
                auto rec = std::make_unique<TGameHistoryRec>();
                rec->AddPath(current.Path);
                Board.SaveToStream(rec->BoardState);
                rec->Duration = Ms;
                rec->EndsTurn = ends;
                History.Add(std::move(rec));
                current.Clear();
            }
        }
        return true;
    }

    bool Save(const std::string& Folder, const char* Name)
    {
        SaveGameFile(Folder + "/" + Name, "Velk Checkers", History);
        return true;
    }
};

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_game_corpus FOLDER\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        bool ok = true;
        TRecorder fresh;
        ok = ok && fresh.Save(folder, "new-game.ckr");

        TRecorder opening;
        ok = ok && opening.Play({11, 15}, 2500) && opening.Play({22, 18}, 1200) && opening.Play({15, 22}, 800) &&
             opening.Play({25, 18}, 3100) && opening.Play({12, 16}, 400) && opening.Play({29, 25}, 64000);
        ok = ok && opening.Save(folder, "opening.ckr");
        opening.History.SetPosition(2);
        ok = ok && opening.Save(folder, "stepped-back.ckr");

        const std::string capture = Text({{2, 'b'}, {14, 'b'}, {22, 'b'}, {26, 'w'}});
        TRecorder steps(capture.c_str(), PLAYER_WHITE);  // White takes 22 and 14 one jump at a time
        ok = ok && steps.Play({26, 17, 10}, 1500, true) && steps.Play({2, 6}, 900);
        ok = ok && steps.Save(folder, "capture-steps.ckr");

        const std::string ending = Text({{14, 'b'}, {18, 'w'}});
        TRecorder finished(ending.c_str(), PLAYER_BLACK);
        ok = ok && finished.Play({14, 23}, 700);
        finished.History.SetFinished(true);
        ok = ok && finished.Save(folder, "finished.ckr");

        const std::string whiteFirst = Text({{11, 'b'}, {22, 'w'}});
        TRecorder white(whiteFirst.c_str(), PLAYER_WHITE);
        ok = ok && white.Play({22, 18}, 100) && white.Play({11, 15}, 200);
        ok = ok && white.Save(folder, "white-first.ckr");
        if (!ok) {
            std::fprintf(stderr, "make_game_corpus: a scripted move is not legal\n");
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_game_corpus: %s\n", e.what());
        return 1;
    }
    return 0;
}
