// The game record, its stream and file form, the record texts, and the reader's defences
// against damaged files.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "control/GameFile.h"
#include "control/GameHistory.h"
#include "engine/CheckersBoard.h"

using namespace velk;

namespace {

using TBytes = std::vector<uint8_t>;

// The board control position (row * 8 + column) of a square number 1 .. 32.
int32_t Pos(int Square)
{
    int row, column;
    PositionToCell(static_cast<TPosition>(Square - 1), row, column);
    return row * 8 + column;
}

// Plays and records turns the way the board control does.
struct TGame {
    TCheckersBoard Board;
    TGameHistory History{Board};
    TGameHistoryRec Current;
    int Changes = 0;

    explicit TGame(const char* Text = nullptr, uint8_t Turn = PLAYER_BLACK)
    {
        if (Text == nullptr) {
            Board.NewGame();
        } else {
            Board.SetAsText(Text);
            Board.SetTurn(Turn);
        }
        History.StartBoard().Assign(Board);
        History.OnChange = [this](TGameHistory*) { ++Changes; };
    }

    // One step into Current; true when it ended the turn.
    bool Step(int From, int To)
    {
        EXPECT_TRUE(Board.MakeStep(static_cast<TPosition>(From - 1), static_cast<TPosition>(To - 1)));
        Current.AddPath({Pos(From), Pos(To)});
        const bool ends = Board.Moves().Count() == 0;
        if (ends)
            Board.EndTurn();
        Current.BoardState.Clear();
        Board.SaveToStream(Current.BoardState);
        Current.EndsTurn = ends;
        return ends;
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
        for (size_t i = 0; i + 1 < Squares.size(); ++i) {
            const bool ends = Step(Squares[i], Squares[i + 1]);
            if (ends || Split)
                Commit(Ms);
        }
    }

    TGameRecordView View() const { return TGameRecordView{History, Current, Board.Turn()}; }

    TBytes Save() const
    {
        TMemoryStream s;
        History.SaveToStream(s);
        return s.Bytes();
    }
};

// Board texts: squares 1 .. 32, "b"/"w" men.
std::string Text(std::initializer_list<std::pair<int, char>> Pieces)
{
    std::string text(32, ' ');
    for (auto [square, piece] : Pieces)
        text[square - 1] = piece;
    return text;
}

void Load(TGameHistory& History, const TBytes& Bytes)
{
    TMemoryStream s(Bytes);
    History.LoadFromStream(s);
}

std::string LoadError(const TBytes& Bytes)
{
    TCheckersBoard board;
    TGameHistory history(board);
    try {
        Load(history, Bytes);
    } catch (const Exception& e) {
        return e.what();
    }
    return "(loaded)";
}

// New game, Black 11-15 in 2.5 s.
const TBytes WorkedExample = {
    0x02, 0x00, 0x00, 0xF0, 0xFF, 0xFF, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // start
    0x01, 0x00, 0x00, 0x00,                                                                                // N
    0x11, 0x00, 0x00, 0x00,                                                                                // S
    0x01, 0x00, 0x00, 0xD2, 0xFF, 0xFF, 0x0F, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00,  // board
    0x02, 0x00, 0x00, 0x00, 0x15, 0x00, 0x00, 0x00, 0x1C, 0x00, 0x00, 0x00,                                // path
    0xC4, 0x09, 0x00, 0x00, 0x01,                                                                          // time, ends
    0x01, 0x00, 0x00, 0x00, 0x00,                                                                          // Position, Finished
};

// The file form of the worked example.
TBytes ExampleFile()
{
    const std::string sig = "Velk Checkers[3]";
    TBytes file = {16, 0, 0, 0};
    file.reserve(4 + sig.size() + WorkedExample.size());
    for (const char c : sig)
        file.push_back(static_cast<uint8_t>(c));
    for (const uint8_t b : WorkedExample)
        file.push_back(b);
    return file;
}

TBytes Patched(size_t Offset, std::initializer_list<uint8_t> Bytes)
{
    TBytes b = WorkedExample;
    std::copy(Bytes.begin(), Bytes.end(), b.begin() + static_cast<long>(Offset));
    return b;
}

}  // namespace

TEST(GameStream, WorkedExampleByteForByte)
{
    TGame game;
    game.Play({11, 15}, 2500);
    EXPECT_EQ(game.Save(), WorkedExample);

    TCheckersBoard board;
    TGameHistory loaded(board);
    Load(loaded, WorkedExample);
    ASSERT_EQ(loaded.Count(), 1);
    EXPECT_EQ(loaded.Items(0).Path, (TMovementPath{21, 28}));
    EXPECT_EQ(loaded.Items(0).Duration, 2500u);
    EXPECT_EQ(loaded.Position(), 1);
    TMemoryStream again;
    loaded.SaveToStream(again);
    EXPECT_EQ(again.Bytes(), WorkedExample);

    TMemoryStream file;
    WriteGameSignature(file, "Velk Checkers");
    const TBytes example = ExampleFile();
    EXPECT_EQ(file.Bytes(), TBytes(example.begin(), example.begin() + 20));
}

TEST(GameStream, RoundTripKeepsPositionFinishedAndMidCaptureState)
{
    // White's 26x17x10 entered a step at a time leaves a record that continues on square 17.
    TGame game(Text({{26, 'w'}, {22, 'b'}, {14, 'b'}, {1, 'b'}}).c_str(), PLAYER_WHITE);
    game.Play({26, 17, 10}, 700, true);
    game.Play({1, 5}, 300);
    game.History.SetPosition(1);
    game.History.SetFinished(true);
    const TBytes bytes = game.Save();

    TCheckersBoard board;
    TGameHistory loaded(board);
    int changes = 0;
    loaded.OnChange = [&](TGameHistory*) { ++changes; };
    Load(loaded, bytes);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(loaded.Count(), 3);
    EXPECT_EQ(loaded.Position(), 1);
    EXPECT_TRUE(loaded.Finished());
    EXPECT_FALSE(loaded.Items(0).EndsTurn);

    TCheckersBoard shown;
    loaded.LoadBoardAt(loaded.Position(), shown);
    ASSERT_EQ(shown.MoveCount(), 1);  // only the capturing piece may go on
    EXPECT_EQ(PathToText(shown.Moves()[0]), "17-10");
    loaded.LoadBoardAt(0, shown);
    EXPECT_EQ(shown.GetAsText(), game.History.StartBoard().GetAsText());

    TMemoryStream again;
    loaded.SaveToStream(again);
    EXPECT_EQ(again.Bytes(), bytes);
}

TEST(GameRecord, AddPathJoinsStepsAndAssignCopiesEverything)
{
    TGameHistoryRec rec;
    EXPECT_TRUE(rec.IsEmpty());
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
    EXPECT_EQ(copy.Path, rec.Path);
    EXPECT_EQ(copy.Duration, 5u);
    EXPECT_TRUE(copy.EndsTurn);

    copy.Clear();
    EXPECT_TRUE(copy.IsEmpty());
    EXPECT_EQ(copy.BoardState.Size(), 0);
    EXPECT_EQ(copy.Duration, 0u);
    EXPECT_FALSE(copy.EndsTurn);
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
    EXPECT_EQ(game.History.Count(), 2);
    EXPECT_EQ(game.History.Position(), 2);
    EXPECT_FALSE(game.History.Finished());
    EXPECT_EQ(game.History.Items(1).Duration, 9u);

    EXPECT_THROW(game.History.Items(2), EListError);
    EXPECT_THROW(game.History.Delete(-1), EListError);

    // Any change of the start position empties the record.
    game.History.StartBoard().SetTurn(PLAYER_WHITE);
    EXPECT_EQ(game.History.Count(), 0);
    EXPECT_EQ(game.History.Position(), 0);

    game.History.BeginUpdate();
    game.History.SetPosition(0);
    game.Changes = 0;
    game.History.SetPosition(0);  // unchanged
    game.History.EndUpdate();
    EXPECT_EQ(game.Changes, 1);
}

TEST(GameHistory, MoveNumbersAndTimesWithBlackFirst)
{
    TGame game;
    game.Play({11, 15}, 100);
    game.Play({22, 18}, 200);
    game.Play({15, 22}, 300);
    TGameHistory& h = game.History;
    EXPECT_EQ(h.IndexOfMove(PLAYER_BLACK, 1), 0);
    EXPECT_EQ(h.IndexOfMove(PLAYER_WHITE, 1), 1);
    EXPECT_EQ(h.IndexOfMove(PLAYER_BLACK, 2), 2);
    EXPECT_EQ(h.IndexOfMove(PLAYER_WHITE, 2), -1);
    EXPECT_EQ(h.MoveNumberAt(PLAYER_BLACK, 3), 3);
    EXPECT_EQ(h.MoveNumberAt(PLAYER_WHITE, 3), 2);
    EXPECT_EQ(h.MoveNumberAt(PLAYER_WHITE, 1), 1);
    EXPECT_EQ(h.PlayerTime(PLAYER_BLACK, 1), 100u);
    EXPECT_EQ(h.PlayerTime(PLAYER_BLACK, 2), 400u);
    EXPECT_EQ(h.PlayerTime(PLAYER_WHITE, 1), 200u);
    EXPECT_EQ(h.PlayerTime(PLAYER_WHITE, 0), 0u);

    const TGameRecordView view = game.View();  // White to move
    EXPECT_EQ(view.MoveNumberOf(PLAYER_WHITE), 2);
    EXPECT_EQ(view.PlayerTime(PLAYER_WHITE, 50), 250u);
    EXPECT_EQ(view.PlayerTime(PLAYER_BLACK, 50), 400u);
    EXPECT_EQ(view.PlayerTime(0, 50), 0u);
    EXPECT_EQ(view.MoveCount(), 2);
    EXPECT_EQ(view.CurrentMoveNumber(), 2);
}

TEST(GameHistory, MoveNumbersWithWhiteFirstAndASplitTurn)
{
    TGame game(Text({{26, 'w'}, {22, 'b'}, {14, 'b'}, {1, 'b'}, {32, 'w'}}).c_str(), PLAYER_WHITE);
    EXPECT_EQ(game.History.IndexOfMove(PLAYER_WHITE, 1), -1);
    game.Play({26, 17, 10}, 100, true);  // two records, one turn
    game.History.Items(0).Duration = 40;
    EXPECT_EQ(game.History.IndexOfMove(PLAYER_BLACK, 1), -1);
    game.Play({1, 5}, 300);
    game.Play({32, 27}, 400);
    const TGameHistory& h = game.History;
    EXPECT_EQ(h.IndexOfMove(PLAYER_WHITE, 1), 0);
    EXPECT_EQ(h.IndexOfMove(PLAYER_BLACK, 1), 2);
    EXPECT_EQ(h.IndexOfMove(PLAYER_WHITE, 2), 3);
    EXPECT_EQ(h.MoveNumberAt(PLAYER_WHITE, 1), 1);  // inside White's first turn
    EXPECT_EQ(h.MoveNumberAt(PLAYER_WHITE, 2), 2);
    EXPECT_EQ(h.MoveNumberAt(PLAYER_BLACK, 2), 1);
    EXPECT_EQ(h.PlayerTime(PLAYER_WHITE, 1), 140u);
    EXPECT_EQ(h.PlayerTime(PLAYER_BLACK, 1), 300u);
    EXPECT_EQ(h.PlayerTime(PLAYER_WHITE, 2), 540u);
    EXPECT_EQ(game.View().GetMoveTime(PLAYER_WHITE, 1), 140u);
}

TEST(RecordText, TurnsEnteredStepByStep)
{
    const std::string start = Text({{26, 'w'}, {22, 'b'}, {14, 'b'}, {1, 'b'}});
    TGame split(start.c_str(), PLAYER_WHITE);
    split.Play({26, 17, 10}, 10, true);
    EXPECT_EQ(split.View().GetMoveText(PLAYER_WHITE, 1), "26-17-10");

    TGame stored(start.c_str(), PLAYER_WHITE);  // the first jump stored, the turn not over
    stored.Step(26, 17);
    stored.Commit(10);
    EXPECT_EQ(stored.View().GetMoveText(PLAYER_WHITE, 1), "26-17->");

    TGame pending(start.c_str(), PLAYER_WHITE);  // the first jump still pending
    pending.Step(26, 17);
    pending.Current.Duration = 15;
    EXPECT_EQ(pending.History.Count(), 0);
    EXPECT_EQ(pending.View().GetMoveText(PLAYER_WHITE, 1), "26-17->");
    EXPECT_EQ(pending.View().GetMoveTime(PLAYER_WHITE, 1), 15u);
    EXPECT_EQ(pending.View().GetMoveText(PLAYER_BLACK, 1), "");
    EXPECT_EQ(pending.View().GetMoveText(PLAYER_WHITE, 2), "");
    pending.Step(17, 10);
    EXPECT_EQ(pending.View().GetMoveText(PLAYER_WHITE, 1), "");  // Black to move now

}

TEST(RecordText, OneLineRecord)
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

    TGame won(Text({{14, 'b'}, {18, 'w'}}).c_str(), PLAYER_BLACK);
    won.Play({14, 23}, 1);
    EXPECT_EQ(won.Board.GameState(), gsPlayer2Won);
    EXPECT_EQ(won.View().GameRecordText(true, won.Board.Winner()), "BLACK: 14-23");

    // Black's move comes first in every turn, even when White opened the record.
    TGame white(Text({{22, 'w'}, {11, 'b'}}).c_str(), PLAYER_WHITE);
    white.Play({22, 18}, 1);
    EXPECT_EQ(white.View().GameRecordText(false, 0), "NOT FINISHED:");
    white.Play({11, 15}, 1);
    EXPECT_EQ(white.View().GameRecordText(false, 0), "NOT FINISHED: 11-15 22-18");
}

TEST(RecordText, FormatDuration)
{
    EXPECT_EQ(FormatDuration(0, false), "00:00");
    EXPECT_EQ(FormatDuration(499, false), "00:00");
    EXPECT_EQ(FormatDuration(499, true), "0:00:00");
    EXPECT_EQ(FormatDuration(500, false), "00:01");
    EXPECT_EQ(FormatDuration(3600000, false), "60:00");
    EXPECT_EQ(FormatDuration(3600000, true), "1:00:00");
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
        const TBytes cut(WorkedExample.begin(), WorkedExample.begin() + static_cast<long>(n));
        EXPECT_THROW(Load(game.History, cut), Exception) << n << " bytes";
        EXPECT_EQ(game.Save(), before);
        EXPECT_EQ(game.Changes, 0);
    }
    EXPECT_EQ(LoadError(TBytes(WorkedExample.begin(), WorkedExample.end() - 1)), "Stream read error");
}

TEST(DamagedStream, ImpossibleValuesAreRefusedWithTheirReason)
{
    const std::string damaged = "The game file is damaged: ";
    const struct {
        TBytes Bytes;
        std::string Message;
    } cases[] = {
        {Patched(59, {2}), "List index out of bounds (1)"},
        {Patched(59, {0xFF, 0xFF, 0xFF, 0xFF}), damaged + "the record position is -1."},
        {Patched(17, {0xFF, 0xFF, 0xFF, 0xFF}), damaged + "the record count is -1."},
        {Patched(17, {0xFF, 0xFF, 0xFF, 0x7F}),
         damaged + "the record count is 2147483647, more than the 43 bytes that follow can hold."},
        {Patched(21, {0x10}), damaged + "the board state of record 1 has 16 bytes (0 or 17 expected)."},
        {Patched(21, {0x00, 0x00, 0x00, 0x40}),
         damaged + "the board state size of record 1 is 1073741824, more than the 39 bytes that follow can hold."},
        {Patched(42, {0xFE, 0xFF, 0xFF, 0xFF}), damaged + "the path length of record 1 is -2."},
        {Patched(42, {0x05}), damaged + "the path length of record 1 is 5, more than the 18 bytes that follow can hold."},
        {Patched(46, {0x14}), damaged + "record 1 passes through position 20, which is not a playable square."},
        {Patched(50, {0x40}), damaged + "record 1 passes through position 64, which is not a playable square."},
        {Patched(0, {3}), damaged + "the start board has side to move 3 (0 to 2 expected)."},
        {Patched(5, {0x00, 0x00, 0x00, 0x80}), damaged + "the start board has a black and a white piece on square 1."},
        {Patched(34, {0x00, 0x80}), damaged + "the board of record 1 has a king on the empty square 17."},
        {Patched(38, {0x20}), damaged + "the board of record 1 continues a capture from square 32, which is not on "
                                        "the board (0 to 31 expected)."},
        {Patched(58, {2}), damaged + "the end-of-turn flag of record 1 is 2 (0 or 1 expected)."},
        {Patched(63, {1}), "(loaded)"},
        {Patched(63, {0x80}), damaged + "the finished flag is 128 (0 or 1 expected)."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(LoadError(c.Bytes), c.Message);

    // Sound files the checks must let through: an empty board state, a cleared start board,
    // a continuation on square 32, the start position shown.
    TBytes empty(17, 0);
    empty.insert(empty.end(), {1, 0, 0, 0});
    empty.insert(empty.end(), 12, 0);
    empty.insert(empty.end(), {1, 0, 0, 0, 0, 0});
    EXPECT_EQ(LoadError(empty), "(loaded)");
    EXPECT_EQ(LoadError(Patched(38, {0x1F})), "(loaded)");
    EXPECT_EQ(LoadError(Patched(59, {0})), "(loaded)");

    TBytes longPath = WorkedExample;  // eleven positions: no turn has that many
    longPath[42] = 11;
    for (int i = 0; i < 9; ++i)
        longPath.insert(longPath.begin() + 54, {0x15, 0, 0, 0});
    EXPECT_EQ(LoadError(longPath), damaged + "record 1 has a path of 11 positions (at most 10 expected).");
}

TEST(DamagedStream, RecordReaderKeepsTheRecordOnFailure)
{
    TGameHistoryRec rec;
    rec.AddPath({1, 10});
    TMemoryStream s(TBytes{0x11, 0, 0, 0, 1, 2, 3});
    EXPECT_THROW(rec.LoadFromStream(s), EDamagedGameFile);
    EXPECT_EQ(rec.Path, (TMovementPath{1, 10}));
}

class GameFileTest : public ::testing::Test {
protected:
    std::string Name(const char* Leaf) const { return ::testing::TempDir() + "velk_record_" + Leaf; }

    void Write(const std::string& FileName, const TBytes& Bytes)
    {
        std::ofstream(FileName, std::ios::binary).write(reinterpret_cast<const char*>(Bytes.data()),
                                                        static_cast<std::streamsize>(Bytes.size()));
    }

    TBytes Read(const std::string& FileName)
    {
        std::ifstream in(FileName, std::ios::binary);
        return TBytes(std::istreambuf_iterator<char>(in), {});
    }
};

TEST_F(GameFileTest, SaveAndLoadThroughAFile)
{
    TGame game;
    game.Play({11, 15}, 2500);
    const std::string file = Name("game.ckr");
    Write(file, TBytes(100, 0xAA));  // replaced, not overwritten in place
    SaveGameFile(file, "Velk Checkers", game.History);
    EXPECT_EQ(Read(file), ExampleFile());

    TCheckersBoard board;
    TGameHistory loaded(board);
    LoadGameFile(file, "Velk Checkers", loaded);
    EXPECT_EQ(loaded.Count(), 1);
    EXPECT_THROW(LoadGameFile(file, "Other Game", loaded), EInvalidGameFile);
    std::remove(file.c_str());
}

TEST_F(GameFileTest, ForeignShortAndMissingFiles)
{
    const std::string file = Name("bad.ckr");
    const TBytes good = ExampleFile();
    TCheckersBoard board;
    TGameHistory history(board);
    for (size_t n = 0; n < 20; ++n) {  // shorter than the signature
        Write(file, TBytes(good.begin(), good.begin() + static_cast<long>(n)));
        try {
            LoadGameFile(file, "Velk Checkers", history);
            ADD_FAILURE() << n;
        } catch (const EInvalidGameFile& e) {
            EXPECT_STREQ(e.what(), "Invalid Velk Checkers File");
        }
    }
    TBytes oldVersion = good;
    oldVersion[18] = '2';
    Write(file, oldVersion);
    EXPECT_THROW(LoadGameFile(file, "Velk Checkers", history), EInvalidGameFile);
    TBytes wildLength = good;
    wildLength[3] = 0x7F;
    Write(file, wildLength);
    EXPECT_THROW(LoadGameFile(file, "Velk Checkers", history), EInvalidGameFile);
    Write(file, TBytes(good.begin(), good.end() - 3));
    EXPECT_THROW(LoadGameFile(file, "Velk Checkers", history), EReadError);
    std::remove(file.c_str());

    const std::string missing = Name("no/such/dir/game.ckr");
    try {
        TFileStream s(missing, fmOpenRead);
        ADD_FAILURE();
    } catch (const EFOpenError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot open file \"" + missing + "\". No such file or directory");
    }
    try {
        SaveGameFile(missing, "Velk Checkers", history);
        ADD_FAILURE();
    } catch (const EFCreateError& e) {
        EXPECT_EQ(std::string(e.what()), "Cannot create file \"" + missing + "\". No such file or directory");
    }
}
