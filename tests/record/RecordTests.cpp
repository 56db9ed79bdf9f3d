// The game record, its stream and file form, the record texts, and the reader's defences
// against damaged files.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "engine/CheckersBoard.h"
#include "record/GameFile.h"
#include "record/GameHistory.h"

using namespace velk;

namespace {

using TBytes = std::vector<uint8_t>;

// Plays and records turns the way the board control does; squares are numbered 1 .. 32.
struct TGame {
    TCheckersBoard Board;
    TGameHistory History{Board};
    TGameHistoryRec Current;
    int Changes = 0;

    // Pieces: (square, 'b' or 'w'); none gives the initial position.
    explicit TGame(std::initializer_list<std::pair<int, char>> Pieces = {}, uint8_t Turn = PLAYER_BLACK)
    {
        Board.NewGame();
        if (Pieces.size() > 0) {
            std::string text(32, ' ');
            for (auto [square, piece] : Pieces)
                text[square - 1] = piece;
            Board.SetAsText(text);
            Board.SetTurn(Turn);
        }
        History.StartBoard().Assign(Board);
        History.OnChange = [this](TGameHistory*) { ++Changes; };
    }

    static int32_t Pos(int Square) { return SquareToPosition(static_cast<TPosition>(Square - 1)); }

    // One step into Current; true when it ended the turn.
    bool Step(int From, int To)
    {
        EXPECT_TRUE(Board.MakeStep(static_cast<TPosition>(From - 1), static_cast<TPosition>(To - 1)));
        Current.AddPath({Pos(From), Pos(To)});
        Current.EndsTurn = Board.Moves().Count() == 0;
        if (Current.EndsTurn)
            Board.EndTurn();
        Current.BoardState.Clear();
        Board.SaveToStream(Current.BoardState);
        return Current.EndsTurn;
    }

    void Commit(uint32_t Ms)
    {
        Current.Duration = Ms;
        auto rec = std::make_unique<TGameHistoryRec>();
        rec->Assign(Current);
        Current.Clear();
        History.Add(std::move(rec));
    }

    // Plays Squares as one turn; Split records every step on its own.
    void Play(std::vector<int> Squares, uint32_t Ms, bool Split = false)
    {
        for (size_t i = 0; i + 1 < Squares.size(); ++i)
            if (Step(Squares[i], Squares[i + 1]) || Split)
                Commit(Ms);
    }

    TGameRecordView View() const { return TGameRecordView{History, Current, Board.Turn()}; }

    TBytes Save() const
    {
        TMemoryStream s;
        History.SaveToStream(s);
        return s.Bytes();
    }
};

void Load(TGameHistory& History, const TBytes& Bytes)
{
    TMemoryStream s(Bytes);
    History.LoadFromStream(s);
}

template <class F>
std::string ErrorOf(F&& Action)
{
    try {
        Action();
    } catch (const Exception& e) {
        return e.what();
    }
    return "(none)";
}

std::string LoadError(const TBytes& Bytes)
{
    TCheckersBoard board;
    TGameHistory history(board);
    return ErrorOf([&] { Load(history, Bytes); });
}

// New game, Black 11-15 in 2.5 s: start board; N; S and the board after; P and the path;
// duration and end of turn; Position and Finished.
const TBytes WorkedExample = {
    0x02, 0x00, 0x00, 0xF0, 0xFF, 0xFF, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x00, 0x00,
    0x11, 0x00, 0x00, 0x00,
    0x01, 0x00, 0x00, 0xD2, 0xFF, 0xFF, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,
    0x02, 0x00, 0x00, 0x00, 0x15, 0x00, 0x00, 0x00, 0x1C, 0x00, 0x00, 0x00,
    0xC4, 0x09, 0x00, 0x00, 0x01,
    0x01, 0x00, 0x00, 0x00, 0x00,
};

TBytes ExampleFile()
{
    TBytes file = {16, 0, 0, 0, 'V', 'e', 'l', 'k', ' ', 'C', 'h', 'e', 'c', 'k', 'e', 'r', 's', '[', '3', ']'};
    file.reserve(file.size() + WorkedExample.size());
    for (const uint8_t b : WorkedExample)
        file.push_back(b);
    return file;
}

TBytes Patched(size_t Offset, std::initializer_list<uint8_t> Bytes, TBytes Base = WorkedExample)
{
    std::copy(Bytes.begin(), Bytes.end(), Base.begin() + static_cast<long>(Offset));
    return Base;
}

// The worked example with Remove bytes at Offset replaced by Insert.
TBytes Edited(size_t Offset, size_t Remove, std::initializer_list<uint8_t> Insert)
{
    TBytes b = WorkedExample;
    b.erase(b.begin() + static_cast<long>(Offset), b.begin() + static_cast<long>(Offset + Remove));
    b.insert(b.begin() + static_cast<long>(Offset), Insert);
    return b;
}

// A game that is only its start board.
TBytes StartOnly(uint8_t Turn, uint32_t Black, uint32_t White, uint32_t Kings = 0)
{
    TMemoryStream s;
    s.WriteU8(Turn);
    for (const uint32_t v : {Black, White, Kings, 0u, 0u})  // the masks, the continuation, N
        s.WriteU32(v);
    s.WriteU32(0);  // Position
    s.WriteU8(0);
    return s.Bytes();
}

std::string ReadFile(const std::string& Name)
{
    std::ifstream in(Name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void WriteFile(const std::string& Name, const TBytes& Bytes)
{
    std::ofstream(Name, std::ios::binary)
        .write(reinterpret_cast<const char*>(Bytes.data()), static_cast<std::streamsize>(Bytes.size()));
}

// Points the file layer's reads or writes elsewhere for one test.
struct TFileCallsOverride {
    TFileCalls Saved = FileCalls;
    ~TFileCallsOverride() { FileCalls = Saved; }
};

// The disk fills up part way through a save: WritesBeforeFull writes get half of their bytes
// onto the disk, then the device is full.
int WritesBeforeFull = 0;

ssize_t WriteUntilFull(int Handle, const void* Buffer, size_t Count)
{
    if (WritesBeforeFull-- > 0)
        return ::write(Handle, Buffer, (Count + 1) / 2);
    const int full = ::open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0) {
        errno = ENOSPC;
        return -1;
    }
    const ssize_t n = ::write(full, Buffer, Count);
    const int error = errno;
    ::close(full);
    errno = error;
    return n;
}

// A disk that fails under the game stream, after the signature.
ssize_t ReadFailingAfterSignature(int Handle, void* Buffer, size_t Count)
{
    if (::lseek(Handle, 0, SEEK_CUR) < 20)
        return ::read(Handle, Buffer, std::min<size_t>(Count, 20));
    errno = EIO;
    return -1;
}

}  // namespace

// Control positions count row by row over the whole board as Black sees it, squares only the
// dark ones; paths go both ways, and one no move could be is refused.
TEST(Squares, PositionsSquaresAndPathsTranslateBothWays)
{
    EXPECT_EQ(SquareToPosition(P01), 1);
    EXPECT_EQ(SquareToPosition(P05), 8);
    EXPECT_EQ(SquareToPosition(P32), 62);
    TPosition square;
    for (int s = 0; s < SQUARE_COUNT; ++s)
        EXPECT_TRUE(PositionToSquare(SquareToPosition(TPosition(s)), square) && square == s) << s;
    for (const int32_t light : {-1, 0, 9, 63, 64, 71})
        EXPECT_FALSE(PositionToSquare(light, square)) << light;

    TCheckersMove move;
    ASSERT_TRUE(PathToSquares({1, 10, 19}, move));
    EXPECT_EQ(PathToText(move), "01-06-10");
    EXPECT_EQ(SquaresToPath(move), (TMovementPath{1, 10, 19}));
    EXPECT_FALSE(PathToSquares({1, 10, 0}, move));
    EXPECT_FALSE(PathToSquares(TMovementPath(MAX_PATH_SQUARES + 1, 1), move));

    EXPECT_EQ(PathNotation({1, 10, 19}, true), "01-06-10");
    EXPECT_EQ(PathNotation({1, 10, 19}, false, 2), "1-6");
    EXPECT_EQ(PathNotation({1, 10, 19}, false, SIZE_MAX, 'x'), "1x6x10");
    EXPECT_EQ(PathNotation({1, 0, 64}, true), "01-?-?");
}

TEST(GameStream, RoundTripWithAMidCaptureRecord)
{
    // White's 26x17x10 entered a step at a time leaves a record that continues on square 17.
    TGame game({{26, 'w'}, {22, 'b'}, {14, 'b'}, {1, 'b'}}, PLAYER_WHITE);
    game.Play({26, 17, 10}, 700, true);
    game.Play({1, 5}, 300);
    game.History.SetPosition(1);
    game.History.SetFinished(true);
    TCheckersBoard board;
    TGameHistory loaded(board);
    int changes = 0;
    loaded.OnChange = [&](TGameHistory*) { ++changes; };
    Load(loaded, game.Save());
    EXPECT_EQ(changes, 1);
    EXPECT_TRUE(loaded.Count() == 3 && loaded.Position() == 1 && loaded.Finished());
    TMemoryStream again;
    loaded.SaveToStream(again);
    EXPECT_EQ(again.Bytes(), game.Save());

    TCheckersBoard shown;
    loaded.LoadBoardAt(loaded.Position(), shown);
    ASSERT_EQ(shown.MoveCount(), 1);  // only the capturing piece may go on
    EXPECT_EQ(PathToText(shown.Moves()[0]), "17-10");
    loaded.LoadBoardAt(0, shown);
    EXPECT_EQ(shown.GetAsText(), game.History.StartBoard().GetAsText());
}

TEST(GameRecord, AddPathJoinsStepsAndAssignCopiesEverything)
{
    TGameHistoryRec rec;
    rec.AddPath({});
    EXPECT_TRUE(rec.IsEmpty());
    rec.AddPath({1, 10});
    rec.AddPath({10, 19});
    EXPECT_EQ(rec.Path, (TMovementPath{1, 10, 19}));
    rec.AddPath({21, 28});  // does not start where the path ends
    EXPECT_EQ(rec.Path, (TMovementPath{1, 10, 19, 21, 28}));

    rec.BoardState.WriteU32(0xDEADBEEF);  // stream left at its end
    rec.Duration = 5;
    rec.EndsTurn = true;
    TGameHistoryRec copy;
    copy.AddPath({3, 4});
    copy.Assign(rec);
    EXPECT_EQ(copy.BoardState.Bytes(), rec.BoardState.Bytes());
    EXPECT_TRUE(copy.Path == rec.Path && copy.Duration == 5 && copy.EndsTurn);
    copy.Clear();
    EXPECT_TRUE(copy.IsEmpty() && copy.BoardState.Size() == 0 && copy.Duration == 0 && !copy.EndsTurn);
}

TEST(GameHistory, AddAfterSteppingBackDiscardsTheUndoneRecordsWithOneChange)
{
    TGame game;
    game.Play({11, 15}, 1);
    game.Play({22, 18}, 1);
    game.Play({15, 22}, 1);
    game.History.SetPosition(1);
    game.History.SetFinished(true);
    game.Changes = 0;
    game.History.LoadBoardAt(1, game.Board);
    game.Play({22, 17}, 9);
    EXPECT_EQ(game.Changes, 1);
    EXPECT_TRUE(game.History.Count() == 2 && game.History.Position() == 2 && !game.History.Finished());
    EXPECT_EQ(game.History.Items(1).Duration, 9u);
    EXPECT_EQ(ErrorOf([&] { game.History.Items(2); }), "List index out of bounds (2)");

    game.History.StartBoard().SetTurn(PLAYER_WHITE);  // a new start position empties the record
    EXPECT_TRUE(game.History.Count() == 0 && game.History.Position() == 0);
}

TEST(GameHistory, MoveNumbersAndTimes)
{
    TGame black;
    black.Play({11, 15}, 100);
    black.Play({22, 18}, 200);
    black.Play({15, 22}, 300);
    EXPECT_EQ(black.History.IndexOfMove(PLAYER_BLACK, 2), 2);
    EXPECT_EQ(black.History.IndexOfMove(PLAYER_WHITE, 1), 1);
    EXPECT_EQ(black.History.IndexOfMove(PLAYER_WHITE, 2), -1);
    EXPECT_EQ(black.History.MoveNumberAt(PLAYER_BLACK, 3), 3);
    EXPECT_EQ(black.History.MoveNumberAt(PLAYER_WHITE, 3), 2);
    const TGameRecordView view = black.View();  // White to move
    EXPECT_EQ(view.PlayerTime(PLAYER_WHITE, 50), 250u);
    EXPECT_EQ(view.PlayerTime(PLAYER_BLACK, 50), 400u);
    EXPECT_EQ(view.PlayerTime(0, 50), 0u);
    EXPECT_TRUE(view.MoveCount() == 2 && view.CurrentMoveNumber() == 2);

    // White opens, with a turn recorded in two parts.
    TGame white({{26, 'w'}, {22, 'b'}, {14, 'b'}, {1, 'b'}, {32, 'w'}}, PLAYER_WHITE);
    white.Play({26, 17, 10}, 100, true);
    EXPECT_EQ(white.History.PlayerTime(PLAYER_WHITE, 1), 200u);
    white.History.Items(0).Duration = 40;  // the answers follow a record changed in place
    EXPECT_EQ(white.History.PlayerTime(PLAYER_WHITE, 1), 140u);
    EXPECT_EQ(white.History.IndexOfMove(PLAYER_BLACK, 1), -1);
    white.Play({1, 5}, 300);
    white.Play({32, 27}, 400);
    const TGameHistory& h = white.History;
    EXPECT_EQ(h.IndexOfMove(PLAYER_WHITE, 1), 0);
    EXPECT_EQ(h.IndexOfMove(PLAYER_BLACK, 1), 2);
    EXPECT_EQ(h.IndexOfMove(PLAYER_WHITE, 2), 3);
    EXPECT_EQ(h.MoveNumberAt(PLAYER_WHITE, 1), 1);  // inside White's first turn
    EXPECT_EQ(h.MoveNumberAt(PLAYER_WHITE, 2), 2);
    EXPECT_EQ(h.MoveNumberAt(PLAYER_BLACK, 2), 1);
    EXPECT_EQ(h.PlayerTime(PLAYER_WHITE, 1), 140u);
    EXPECT_EQ(h.PlayerTime(PLAYER_BLACK, 1), 300u);
    EXPECT_EQ(h.PlayerTime(PLAYER_WHITE, 2), 540u);
    EXPECT_EQ(white.View().GetMoveTime(PLAYER_WHITE, 1), 140u);
    EXPECT_EQ(h.IndexOf(&h.Items(3)), 3);
    EXPECT_EQ(h.IndexOf(&white.Current), -1);
    white.History.Delete(0);  // the index follows the list
    EXPECT_EQ(h.IndexOf(&h.Items(2)), 2);
    EXPECT_EQ(h.IndexOfMove(PLAYER_BLACK, 1), 1);
}

TEST(RecordText, TurnsEnteredStepByStep)
{
    TGame split({{26, 'w'}, {22, 'b'}, {14, 'b'}, {1, 'b'}}, PLAYER_WHITE);
    split.Play({26, 17, 10}, 10, true);
    EXPECT_EQ(split.View().GetMoveText(PLAYER_WHITE, 1), "26-17-10");

    TGame stored({{26, 'w'}, {22, 'b'}, {14, 'b'}, {1, 'b'}}, PLAYER_WHITE);  // first jump stored
    stored.Step(26, 17);
    stored.Commit(10);
    EXPECT_EQ(stored.View().GetMoveText(PLAYER_WHITE, 1), "26-17->");

    TGame pending({{26, 'w'}, {22, 'b'}, {14, 'b'}, {1, 'b'}}, PLAYER_WHITE);  // first jump pending
    pending.Step(26, 17);
    pending.Current.Duration = 15;
    EXPECT_EQ(pending.View().GetMoveText(PLAYER_WHITE, 1), "26-17->");
    EXPECT_EQ(pending.View().GetMoveTime(PLAYER_WHITE, 1), 15u);
    EXPECT_EQ(pending.View().GetMoveText(PLAYER_BLACK, 1), "");
    EXPECT_EQ(pending.View().GetMoveText(PLAYER_WHITE, 2), "");
}

TEST(RecordText, OneLineRecordAndDurations)
{
    TGame game;
    EXPECT_EQ(game.View().GameRecordText(false, 0), "NOT FINISHED:");
    game.Play({9, 13}, 1);
    game.Play({22, 18}, 1);
    EXPECT_EQ(game.View().GameRecordText(false, 0), "NOT FINISHED: 09-13 22-18");
    TGameRecordView oneDigit = game.View();
    oneDigit.TwoDigits = false;
    EXPECT_EQ(oneDigit.GameRecordText(true, 1), "WHITE: 9-13 22-18");
    EXPECT_EQ(game.View().GameRecordText(true, 0), "DRAW : 09-13 22-18");

    TGame won({{14, 'b'}, {18, 'w'}});
    won.Play({14, 23}, 1);
    EXPECT_EQ(won.View().GameRecordText(won.Board.GameState() != gsPlaying, won.Board.Winner()), "BLACK: 14-23");

    // Black's move comes first in every turn, even when White opened the record.
    TGame white({{22, 'w'}, {11, 'b'}}, PLAYER_WHITE);
    white.Play({22, 18}, 1);
    EXPECT_EQ(white.View().GameRecordText(false, 0), "NOT FINISHED:");
    white.Play({11, 15}, 1);
    EXPECT_EQ(white.View().GameRecordText(false, 0), "NOT FINISHED: 11-15 22-18");

    EXPECT_EQ(FormatDuration(0, false) + " " + FormatDuration(0, true), "00:00 0:00:00");
    EXPECT_EQ(FormatDuration(499, false) + " " + FormatDuration(499, true), "00:00 0:00:00");
    EXPECT_EQ(FormatDuration(500, false), "00:01");
    EXPECT_EQ(FormatDuration(3600000, false) + " " + FormatDuration(3600000, true), "60:00 1:00:00");
    EXPECT_EQ(FormatDuration(3725400, true), "1:02:05");
    EXPECT_EQ(FormatDuration(36000000, true), "10:00:00");
    EXPECT_EQ(FormatDuration(4294967295u, true), "1193:02:47");
}

TEST(DamagedStream, EveryTruncationFailsAndChangesNothing)
{
    TGame game;
    game.Play({11, 15}, 1);
    const TBytes before = game.Save();
    for (size_t n = 0; n < WorkedExample.size(); ++n) {
        game.Changes = 0;
        EXPECT_THROW(Load(game.History, TBytes(WorkedExample.begin(), WorkedExample.begin() + static_cast<long>(n))),
                     Exception)
            << n << " bytes";
        EXPECT_EQ(game.Save(), before);
        EXPECT_EQ(game.Changes, 0);
    }
    EXPECT_EQ(LoadError(TBytes(WorkedExample.begin(), WorkedExample.end() - 1)), "Stream read error");

    TGameHistoryRec rec;  // a record block alone: also all or nothing
    rec.AddPath({1, 10});
    TMemoryStream s(TBytes{0x11, 0, 0, 0, 1, 2, 3});
    EXPECT_THROW(rec.LoadFromStream(s), EDamagedGameFile);
    EXPECT_EQ(rec.Path, (TMovementPath{1, 10}));
}

TEST(DamagedStream, ImpossibleValuesAreRefusedWithTheirReason)
{
    TGame capture({{26, 'w'}, {22, 'b'}, {14, 'b'}, {1, 'b'}}, PLAYER_WHITE);  // 26x17 stored, 17x10 to come
    capture.Step(26, 17);
    capture.Commit(10);
    const TBytes split = capture.Save();
    const std::string damaged = "The game file is damaged: ";
    const std::pair<TBytes, std::string> cases[] = {
        {Patched(59, {2}), "List index out of bounds (1)"},
        {Patched(59, {0xFF, 0xFF, 0xFF, 0xFF}), damaged + "the record position is -1."},
        {Patched(17, {0xFF, 0xFF, 0xFF, 0xFF}), damaged + "the record count is -1."},
        {Patched(17, {0xFF, 0xFF, 0xFF, 0x7F}),
         damaged + "the record count is 2147483647, more than the 43 bytes that follow can hold."},
        {Patched(21, {0x10}), damaged + "the board state of record 1 has 16 bytes (0 or 17 expected)."},
        {Patched(21, {0x00, 0x00, 0x00, 0x40}),
         damaged + "the board state size of record 1 is 1073741824, more than the 39 bytes that follow can hold."},
        {Patched(42, {0xFE, 0xFF, 0xFF, 0xFF}), damaged + "the path length of record 1 is -2."},
        {Patched(42, {0x05}),
         damaged + "the path length of record 1 is 5, more than the 18 bytes that follow can hold."},
        {Patched(46, {0x14}), damaged + "record 1 passes through position 20, which is not a playable square."},
        {Patched(50, {0x40}), damaged + "record 1 passes through position 64, which is not a playable square."},
        {Patched(0, {3}), damaged + "the start board has side to move 3 (0 to 2 expected)."},
        {Patched(5, {0x00, 0x00, 0x00, 0x80}), damaged + "the start board has a black and a white piece on square 1."},
        {Patched(34, {0x00, 0x80}), damaged + "the board of record 1 has a king on the empty square 17."},
        {Patched(38, {0x20}), damaged + "the board of record 1 continues a capture from square 32, which is not on "
                                        "the board (0 to 31 expected)."},
        {Patched(58, {2}), damaged + "the end-of-turn flag of record 1 is 2 (0 or 1 expected)."},
        {Patched(63, {0x80}), damaged + "the finished flag is 128 (0 or 1 expected)."},
        // Boards that no game reaches.
        {Patched(3, {0xF1}), damaged + "the start board has 13 black pieces (at most 12 expected)."},
        {StartOnly(1, 0, 0x00001FFF), damaged + "the start board has 13 white pieces (at most 12 expected)."},
        {StartOnly(2, 0x00000004, 0),
         damaged + "the start board has a black man on square 30, the row where it would have been crowned."},
        {StartOnly(0, 0, 0x80000000),
         damaged + "the start board has a white man on square 1, the row where it would have been crowned."},
        {Patched(38, {14}), damaged + "the board of record 1 continues a capture from square 15, which holds no "
                                      "piece of the side to move."},
        {Patched(25, {0}), damaged + "the board of record 1 has no side to move."},
        // Records that the board before them does not lead to.
        {Edited(21, 21, {0, 0, 0, 0}), damaged + "record 1 has no board state."},
        {Edited(42, 12, {0, 0, 0, 0}), damaged + "record 1 has an empty path."},
        {Edited(42, 12, {1, 0, 0, 0, 0x15, 0, 0, 0}), damaged + "record 1 has a path of 1 position (at least 2 expected)."},
        {Patched(50, {0x1A}), damaged + "record 1 plays 11-14, which is not a legal step there."},
        {Patched(13, {5}), damaged + "record 1 plays 11-15, which is not a legal step there."},  // 6 must go on
        {Edited(42, 12, {3, 0, 0, 0, 0x15, 0, 0, 0, 0x1C, 0, 0, 0, 0x25, 0, 0, 0}),
         damaged + "record 1 goes on with 15-19 after the turn has ended."},
        {Patched(58, {0}), damaged + "record 1 ends the turn but is marked as going on."},
        {Patched(58, {1}, split), damaged + "record 1 is marked as ending the turn, but the capture goes on."},
        {Patched(38, {0x1F}), damaged + "the board of record 1 is not the one its path leads to."},
        // Sound values the checks must let through: what the program itself writes.
        {Patched(63, {1}), "(none)"},
        {Patched(59, {0}), "(none)"},
        {split, "(none)"},
        {StartOnly(0, 0, 0), "(none)"},                  // a cleared board, no side to move
        {StartOnly(2, 0x00000004, 0x80000000, 0x80000004), "(none)"},  // kings on the crowning rows
    };
    for (const auto& [bytes, message] : cases)
        EXPECT_EQ(LoadError(bytes), message);

    TBytes longPath = WorkedExample;  // eleven positions: no turn has that many
    longPath[42] = 11;
    for (int i = 0; i < 9; ++i)
        longPath.insert(longPath.begin() + 54, {0x15, 0, 0, 0});
    EXPECT_EQ(LoadError(longPath), damaged + "record 1 has a path of 11 positions (at most 10 expected).");
}

TEST(GameFile, SaveLoadAndRefuse)
{
    const std::string file = ::testing::TempDir() + "velk_record_game.ckr";
    WriteFile(file, TBytes(100, 0xAA));
    TGame game;
    game.Play({11, 15}, 2500);
    SaveGameFile(file, "Velk Checkers", game.History);
    const TBytes good = ExampleFile();
    EXPECT_EQ(ReadFile(file), std::string(good.begin(), good.end()));

    TCheckersBoard board;
    TGameHistory history(board);
    const auto loadError = [&] { return ErrorOf([&] { LoadGameFile(file, "Velk Checkers", history); }); };
    EXPECT_EQ(loadError(), "(none)");
    EXPECT_EQ(history.Count(), 1);
    EXPECT_EQ(ErrorOf([&] { LoadGameFile(file, "Other Game", history); }), "Invalid Other Game File");
    for (size_t n = 0; n < 20; ++n) {  // shorter than its signature
        WriteFile(file, TBytes(good.begin(), good.begin() + static_cast<long>(n)));
        EXPECT_EQ(loadError(), "Invalid Velk Checkers File") << n;
    }
    // Another file version; a wild signature length.
    for (const auto& [offset, value] : {std::pair{18, '2'}, std::pair{3, '\x7F'}}) {
        TBytes bad = good;
        bad[offset] = static_cast<uint8_t>(value);
        WriteFile(file, bad);
        EXPECT_EQ(loadError(), "Invalid Velk Checkers File");
    }
    // A file that ends early, or a disk that fails, is named with what happened to it.
    WriteFile(file, TBytes(good.begin(), good.end() - 1));
    EXPECT_EQ(loadError(), "The game file \"" + file + "\" is cut short: it ends at byte 83, where 1 more byte was "
                                                       "expected");
    WriteFile(file, good);
    {
        TFileCallsOverride restore;
        FileCalls.Read = ReadFailingAfterSignature;
        EXPECT_EQ(loadError(), "Cannot read the game file \"" + file + "\". Input/output error");
    }
    EXPECT_EQ(history.Count(), 1);
    std::remove(file.c_str());

    const std::string missing = ::testing::TempDir() + "no/such/dir/game.ckr";
    EXPECT_EQ(ErrorOf([&] { LoadGameFile(missing, "Velk Checkers", history); }),
              "Cannot open file \"" + missing + "\". No such file or directory");
    EXPECT_EQ(ErrorOf([&] { SaveGameFile(missing, "Velk Checkers", history); }),
              "Cannot save the game file \"" + missing + "\". No such file or directory");
}

// Opening something that is not a file must not wait for it: a FIFO without a writer would
// block the open, a device would never end.
TEST(GameFile, OnlyRegularFilesAreOpenedOrReplaced)
{
    const std::string fifo = ::testing::TempDir() + "velk_record_fifo.ckr";
    std::remove(fifo.c_str());
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    TCheckersBoard board;
    TGameHistory history(board);
    EXPECT_EQ(ErrorOf([&] { LoadGameFile(fifo, "Velk Checkers", history); }),
              "Cannot open file \"" + fifo + "\". Not a regular file");
    EXPECT_EQ(ErrorOf([&] { SaveGameFile(fifo, "Velk Checkers", history); }),
              "Cannot save the game file \"" + fifo + "\". Not a regular file");
    struct stat st;
    EXPECT_TRUE(::stat(fifo.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    std::remove(fifo.c_str());
}

// A save that fails leaves the old game byte for byte, no stray file beside it, and says why.
TEST(GameFile, AFailedSaveKeepsTheOldFile)
{
    namespace fs = std::filesystem;
    const fs::path folder = fs::path(::testing::TempDir()) / "velk_record_saves";
    fs::remove_all(folder);
    fs::create_directory(folder);
    const std::string file = (folder / "game.ckr").string();
    const auto entries = [&] { return std::distance(fs::directory_iterator(folder), fs::directory_iterator()); };
    TGame old;
    old.Play({11, 15}, 2500);
    const mode_t mask = ::umask(022);
    SaveGameFile(file, "Velk Checkers", old.History);
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0644));
    ::chmod(file.c_str(), 0640);
    const std::string before = ReadFile(file);

    TGame game;
    game.Play({11, 15}, 2500);
    game.Play({22, 18}, 1200);
    {
        TFileCallsOverride restore;
        FileCalls.Write = WriteUntilFull;
        WritesBeforeFull = 1;
        EXPECT_EQ(ErrorOf([&] { SaveGameFile(file, "Velk Checkers", game.History); }),
                  "Cannot save the game file \"" + file + "\". No space left on device");
    }
    EXPECT_EQ(ReadFile(file), before);
    EXPECT_EQ(entries(), 1);

    SaveGameFile(file, "Velk Checkers", game.History);  // replaced, with the old file's permissions
    EXPECT_EQ(fs::status(file).permissions(), fs::perms(0640));
    EXPECT_GT(ReadFile(file).size(), before.size());
    const std::string saved = ReadFile(file);

    ::chmod(folder.c_str(), 0555);
    if (::access(folder.c_str(), W_OK) != 0) {  // a folder the user may not write (root may)
        EXPECT_EQ(ErrorOf([&] { SaveGameFile(file, "Velk Checkers", old.History); }),
                  "Cannot save the game file \"" + file + "\". Permission denied");
        EXPECT_EQ(ReadFile(file), saved);
        EXPECT_EQ(entries(), 1);
    }
    ::chmod(folder.c_str(), 0755);
    ::umask(mask);
    fs::remove_all(folder);
}
