#include "GameHistory.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <utility>

#include "engine/CheckersBoard.h"

namespace velk {

namespace {

// Size, path length, duration and end-of-turn flag: the least a record block can occupy.
constexpr int64_t MIN_RECORD_BYTES = 4 + 4 + 4 + 1;


[[noreturn]] void Damaged(const std::string& Detail)
{
    throw EDamagedGameFile(Detail);
}

// A count or size from the stream, refused when negative or when the rest of the stream
// cannot hold that many items: nothing is allocated from a number that was not checked. In a
// file, that is what a file cut off in the middle looks like, and the file's own error says so.
int32_t ReadCount(TStream& Stream, int64_t ItemBytes, const std::string& What)
{
    const int32_t n = Stream.ReadI32();
    if (n < 0)
        Damaged(What + " is " + std::to_string(n));
    const int64_t left = std::max<int64_t>(0, Stream.Remaining());
    if (static_cast<int64_t>(n) * ItemBytes > left && Stream.ExplainsErrors())
        Stream.ReadPastEnd(static_cast<int64_t>(n) * ItemBytes - left);  // a file that was cut off
    if (static_cast<int64_t>(n) * ItemBytes > left)
        Damaged(What + " is " + std::to_string(n) + ", more than the " + std::to_string(left) +
                " bytes that follow can hold");
    return n;
}

bool ReadFlag(TStream& Stream, const std::string& What)
{
    const uint8_t b = Stream.ReadU8();
    if (b > 1)
        Damaged(What + " is " + std::to_string(b) + " (0 or 1 expected)");
    return b != 0;
}

uint32_t LittleEndian32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// A board block is loaded with the board's own plain reads, which trust every byte; a block
// the board could never have written is refused here instead.
void CheckBoardBlock(const TGameBoard& BoardClass, const std::vector<uint8_t>& Block, const std::string& What)
{
    if (Block.empty())
        return;
    if (Block[0] > BoardClass.PlayerCount())
        Damaged(What + " has side to move " + std::to_string(Block[0]) + " (0 to " +
                std::to_string(BoardClass.PlayerCount()) + " expected)");
    if (dynamic_cast<const TCheckersBoard*>(&BoardClass) == nullptr || Block.size() < 17)
        return;
    const TSquareSet black = LittleEndian32(&Block[1]);
    const TSquareSet white = LittleEndian32(&Block[5]);
    const TSquareSet kings = LittleEndian32(&Block[9]);
    const uint32_t continuation = LittleEndian32(&Block[13]);
    for (unsigned p = 0; p < SQUARE_COUNT; ++p) {
        const TSquareSet bit = SquareBit(p);
        if ((black & white & bit) != 0)
            Damaged(What + " has a black and a white piece on square " + std::to_string(p + 1));
        if ((kings & bit) != 0 && ((black | white) & bit) == 0)
            Damaged(What + " has a king on the empty square " + std::to_string(p + 1));
    }
    if (continuation >= SQUARE_COUNT)
        Damaged(What + " continues a capture from square " + std::to_string(continuation) +
                ", which is not on the board (0 to 31 expected)");

    // What no game can reach and the setup mode does not let anyone compose.
    if (const std::string problem = PositionProblem(black, white, kings); !problem.empty())
        Damaged(What + " has " + problem);
    // Square 1 cannot be told from "no capture going on", so 0 is never a continuation.
    const TSquareSet mover = Block[0] == PLAYER_BLACK ? black : Block[0] == PLAYER_WHITE ? white : 0;
    if (continuation != 0 && (mover & SquareBit(continuation)) == 0)
        Damaged(What + " continues a capture from square " + std::to_string(continuation + 1) +
                ", which holds no piece of the side to move");
}

void CheckPath(const TGameBoard& BoardClass, const TMovementPath& Path, const std::string& What)
{
    if (Path.empty())
        Damaged(What + " has an empty path");
    if (Path.size() == 1)
        Damaged(What + " has a path of 1 position (at least 2 expected)");
    const bool checkers = dynamic_cast<const TCheckersBoard*>(&BoardClass) != nullptr;
    if (checkers && Path.size() > MAX_PATH_SQUARES)
        Damaged(What + " has a path of " + std::to_string(Path.size()) + " positions (at most " +
                std::to_string(MAX_PATH_SQUARES) + " expected)");
    for (const int32_t pos : Path) {
        TPosition square;
        if (pos < 0 || pos > 63 || (checkers && !PositionToSquare(pos, square)))
            Damaged(What + " passes through position " + std::to_string(pos) + ", which is not a playable square");
    }
}

// A record must be what the board's own rules make of the board before it: its path played
// step by step from there, ending the turn exactly when the record says so, and leaving the
// board the record holds. A turn that does not end leaves its capture to the next record.
void CheckRecordFollows(const TGameBoard& BoardClass, const std::vector<uint8_t>& Before, const TGameHistoryRec& Rec,
                        const std::string& What)
{
    if (dynamic_cast<const TCheckersBoard*>(&BoardClass) == nullptr)
        return;
    TCheckersBoard board;
    TMemoryStream before(Before);
    board.LoadFromStream(before);
    bool ended = false;
    for (size_t i = 0; i + 1 < Rec.Path.size(); ++i) {
        TCheckersMove step;  // CheckPath has made sure that both ends are squares
        PathToSquares({Rec.Path[i], Rec.Path[i + 1]}, step);
        if (ended)
            Damaged(What + " goes on with " + PathToText(step) + " after the turn has ended");
        if (!board.MakeStep(step.From(), step.To()))
            Damaged(What + " plays " + PathToText(step) + ", which is not a legal step there");
        if (board.Moves().Count() == 0) {
            board.EndTurn();
            ended = true;
        }
    }
    if (ended != Rec.EndsTurn)
        Damaged(What + (ended ? " ends the turn but is marked as going on" : " is marked as ending the turn, but the "
                                                                             "capture goes on"));
    TMemoryStream after;
    board.SaveToStream(after);
    if (after.Bytes() != Rec.BoardState.Bytes())
        Damaged("the board of " + What + " is not the one its path leads to");
}

// Reads a record block into Rec only when the whole block could be read. BlockSize, when not
// negative, is the one board state size besides 0 that the record may hold.
void ReadRecord(TStream& Stream, TGameHistoryRec& Rec, const std::string& What, int64_t BlockSize = -1)
{
    const int32_t size = ReadCount(Stream, 1, "the board state size of " + What);
    if (BlockSize >= 0 && size != 0 && size != BlockSize)
        Damaged("the board state of " + What + " has " + std::to_string(size) + " bytes (0 or " +
                std::to_string(BlockSize) + " expected)");
    std::vector<uint8_t> state(static_cast<size_t>(size));
    Stream.ReadBuffer(state.data(), size);
    const int32_t length = ReadCount(Stream, 4, "the path length of " + What);
    TMovementPath path(static_cast<size_t>(length));
    for (int32_t& pos : path)
        pos = Stream.ReadI32();
    const uint32_t duration = Stream.ReadU32();
    const bool endsTurn = ReadFlag(Stream, "the end-of-turn flag of " + What);

    Rec.BoardState = TMemoryStream(std::move(state));
    Rec.Path = std::move(path);
    Rec.Duration = duration;
    Rec.EndsTurn = endsTurn;
}

}  // namespace

EListError::EListError(int32_t Index) : Exception("List index out of bounds (" + std::to_string(Index) + ")") {}

EDamagedGameFile::EDamagedGameFile(const std::string& Detail) : Exception("The game file is damaged: " + Detail + ".")
{}

// ---------------------------------------------------------------------------------------------
// TGameHistoryRec

void TGameHistoryRec::Assign(const TGameHistoryRec& Source)
{
    if (&Source == this)
        return;
    BoardState = TMemoryStream(Source.BoardState.Bytes());
    Path = Source.Path;
    Duration = Source.Duration;
    EndsTurn = Source.EndsTurn;
    Comment = Source.Comment;
    Analysis = Source.Analysis;
}

void TGameHistoryRec::Clear()
{
    BoardState.Clear();
    Path.clear();
    Duration = 0;
    EndsTurn = false;
    Comment.clear();
    Analysis = {};
}

void TGameHistoryRec::SaveToStream(TStream& Stream) const
{
    const auto& state = BoardState.Bytes();
    Stream.WriteI32(static_cast<int32_t>(state.size()));
    Stream.WriteBuffer(state.data(), static_cast<int64_t>(state.size()));
    Stream.WriteI32(static_cast<int32_t>(Path.size()));
    for (const int32_t pos : Path)
        Stream.WriteI32(pos);
    Stream.WriteU32(Duration);
    Stream.WriteU8(EndsTurn ? 1 : 0);
}

void TGameHistoryRec::LoadFromStream(TStream& Stream)
{
    ReadRecord(Stream, *this, "the record");
}

void TGameHistoryRec::AddPath(const TMovementPath& Positions)
{
    if (Positions.empty())
        return;
    const bool joins = !Path.empty() && Path.back() == Positions.front();
    Path.insert(Path.end(), Positions.begin() + (joins ? 1 : 0), Positions.end());
}

// ---------------------------------------------------------------------------------------------
// TGameHistory

TGameHistory::TGameHistory(const TGameBoard& BoardClass) : FStartBoard(BoardClass.Create())
{
    TMemoryStream block;
    FStartBoard->SaveToStream(block);
    FBoardBlockSize = block.Size();
    FStartBoard->OnChange = [this](TGameBoard*) { Clear(); };
}

TGameHistory::~TGameHistory()
{
    FUpdateCount = -1;
    FItems.clear();
}

const TGameHistoryRec& TGameHistory::Items(int32_t Index) const
{
    if (Index < 0 || Index >= Count())
        throw EListError(Index);
    return *FItems[static_cast<size_t>(Index)];
}

TGameHistoryRec& TGameHistory::Items(int32_t Index)
{
    auto& rec = const_cast<TGameHistoryRec&>(std::as_const(*this).Items(Index));
    ListChanged();
    return rec;
}

int32_t TGameHistory::IndexOf(const TGameHistoryRec* Rec) const
{
    if (Rec == nullptr)
        return -1;
    const int32_t i = Rec->FListIndex;
    return i >= 0 && i < Count() && FItems[static_cast<size_t>(i)].get() == Rec ? i : -1;
}

void TGameHistory::Delete(int32_t Index)
{
    std::as_const(*this).Items(Index);  // the index error for a record that is not there
    FItems.erase(FItems.begin() + Index);
    for (int32_t i = Index; i < Count(); ++i)
        FItems[static_cast<size_t>(i)]->FListIndex = i;
    ListChanged();
    Changed();
}

void TGameHistory::SetPosition(int32_t Value)
{
    if (Value != FPosition) {
        FPosition = Value;
        Changed();
    }
}

void TGameHistory::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        Changed();
}

void TGameHistory::Changed()
{
    if (FUpdateCount == 0 && OnChange)
        OnChange(this);
}

void TGameHistory::Clear()
{
    SetPosition(0);
    while (!FItems.empty())
        Delete(Count() - 1);
}

void TGameHistory::Add(std::unique_ptr<TGameHistoryRec> Rec)
{
    if (!Rec)
        return;
    THistoryUpdate update(*this);
    while (Count() > std::max(FPosition, 0))
        Delete(Count() - 1);
    Rec->FListIndex = Count();
    FItems.push_back(std::move(Rec));
    ListChanged();
    Changed();
    SetPosition(Count());
    FFinished = false;
}

void TGameHistory::SaveToStream(TStream& Stream) const
{
    FStartBoard->SaveToStream(Stream);
    Stream.WriteI32(Count());
    for (const auto& rec : FItems)
        rec->SaveToStream(Stream);
    Stream.WriteI32(FPosition);
    Stream.WriteU8(FFinished ? 1 : 0);
}

void TGameHistory::LoadFromStream(TStream& Stream)
{
    // Everything is read and checked before the first change, so a damaged stream leaves
    // the game as it was.
    std::vector<uint8_t> start(static_cast<size_t>(FBoardBlockSize));
    Stream.ReadBuffer(start.data(), FBoardBlockSize);
    CheckBoardBlock(*FStartBoard, start, "the start board");

    const int32_t count = ReadCount(Stream, MIN_RECORD_BYTES, "the record count");
    std::vector<std::unique_ptr<TGameHistoryRec>> records;
    records.reserve(static_cast<size_t>(count));
    const std::vector<uint8_t>* before = &start;
    for (int32_t i = 0; i < count; ++i) {
        const std::string what = "record " + std::to_string(i + 1);
        auto rec = std::make_unique<TGameHistoryRec>();
        ReadRecord(Stream, *rec, what, FBoardBlockSize);
        const std::vector<uint8_t>& state = rec->BoardState.Bytes();
        // The program stores the board after every record it keeps, whole turn or part of one;
        // without it, going to the record would leave whatever board was shown before.
        if (state.empty())
            Damaged(what + " has no board state");
        CheckBoardBlock(*FStartBoard, state, "the board of " + what);
        if (state[0] == 0)
            Damaged("the board of " + what + " has no side to move");
        CheckPath(*FStartBoard, rec->Path, what);
        CheckRecordFollows(*FStartBoard, *before, *rec, what);
        before = &state;
        rec->FListIndex = i;
        records.push_back(std::move(rec));
    }

    const int32_t position = Stream.ReadI32();
    if (position < 0)
        Damaged("the record position is " + std::to_string(position));
    if (position > count)
        throw EListError(position - 1);  // the record the board would be read from
    const bool finished = ReadFlag(Stream, "the finished flag");

    THistoryUpdate update(*this);
    Clear();
    TMemoryStream block(std::move(start));
    FStartBoard->LoadFromStream(block);  // empties the list once more through OnChange
    FItems = std::move(records);
    ListChanged();
    FPosition = position;
    FFinished = finished;
}

const TGameHistory::TTurnIndex& TGameHistory::TurnIndex() const
{
    TTurnIndex& index = FTurnIndex;
    if (index.Valid)
        return index;
    index.Starts.clear();
    index.EndsBefore.assign(1, 0);
    index.Times.assign(1, 0);
    uint32_t turnTime = 0;
    for (int32_t i = 0; i < Count(); ++i) {
        const TGameHistoryRec& rec = *FItems[static_cast<size_t>(i)];
        if (i == 0 || FItems[static_cast<size_t>(i) - 1]->EndsTurn) {
            index.Starts.push_back(i);
            turnTime = 0;
        }
        turnTime += rec.Duration;  // wraps like the sums it stands for
        index.EndsBefore.push_back(index.EndsBefore.back() + (rec.EndsTurn ? 1 : 0));
        if (rec.EndsTurn || i == Count() - 1) {
            const size_t half = index.Starts.size();
            index.Times.push_back(turnTime + (half >= 2 ? index.Times[half - 2] : 0));
        }
    }
    index.Valid = true;
    return index;
}

int32_t TGameHistory::IndexOfMove(uint8_t Player, int32_t MoveNo) const
{
    // Half-moves count from 1, the start side's moves being the odd ones.
    const int64_t half = 2 * static_cast<int64_t>(MoveNo) - (Player == FStartBoard->Turn() ? 1 : 0);
    const std::vector<int32_t>& starts = TurnIndex().Starts;
    return half >= 1 && half <= static_cast<int64_t>(starts.size()) ? starts[static_cast<size_t>(half - 1)] : -1;
}

int32_t TGameHistory::MoveNumberAt(uint8_t Player, int32_t Index) const
{
    const int32_t ends = TurnIndex().EndsBefore[static_cast<size_t>(std::clamp(Index, 0, Count()))];
    return 1 + (Player == FStartBoard->Turn() ? (ends + 1) / 2 : ends / 2);
}

uint32_t TGameHistory::PlayerTime(uint8_t Player, int32_t MoveNo) const
{
    const TTurnIndex& index = TurnIndex();
    const auto halves = static_cast<int64_t>(index.Starts.size());
    int64_t half = 2 * static_cast<int64_t>(MoveNo) - (Player == FStartBoard->Turn() ? 1 : 0);
    if (half > halves)
        half = halves - (half - halves) % 2;  // the player's last half-move in the list
    return half >= 1 ? index.Times[static_cast<size_t>(half)] : 0;
}

void TGameHistory::LoadBoardAt(int32_t Index, TGameBoard& Board) const
{
    if (Index < 1) {
        Board.Assign(*FStartBoard);
        return;
    }
    TMemoryStream state(Items(Index - 1).BoardState.Bytes());
    Board.LoadFromStream(state);
}

// ---------------------------------------------------------------------------------------------
// TGameRecordView

int32_t TGameRecordView::MoveNumberOf(uint8_t Player) const
{
    return Player == 1 || Player == 2 ? History.MoveNumberAt(Player, History.Position()) : 0;
}

const TGameHistoryRec* TGameRecordView::GetMoveRecord(uint8_t Player, int32_t MoveNo) const
{
    const int32_t index = History.IndexOfMove(Player, MoveNo);
    if (index >= 0)
        return &History.Items(index);
    if (Player == SideToMove && !CurrentMove.IsEmpty() && MoveNo == CurrentMoveNumber())
        return &CurrentMove;
    return nullptr;
}

std::string TGameRecordView::GetMoveText(uint8_t Player, int32_t MoveNo) const
{
    const TGameHistoryRec* rec = GetMoveRecord(Player, MoveNo);
    if (rec == nullptr)
        return std::string();
    const auto allButLast = [this](const TGameHistoryRec& r) {
        return PathNotation(r.Path, TwoDigits, r.Path.empty() ? 0 : r.Path.size() - 1) + "-";
    };
    std::string text;
    if (rec == &CurrentMove) {
        text = PathNotation(rec->Path, TwoDigits) + (rec->EndsTurn ? "" : "->");
        for (int32_t i = History.Count() - 1; i >= 0 && !History.Items(i).EndsTurn; --i)
            text = allButLast(History.Items(i)) + text;
        return text;
    }
    int32_t i = History.IndexOf(rec);
    for (; i < History.Count() - 1 && !History.Items(i).EndsTurn; ++i)
        text += allButLast(History.Items(i));
    const TGameHistoryRec& last = History.Items(i);
    return text + PathNotation(last.Path, TwoDigits) + (last.EndsTurn ? "" : "->");
}

uint32_t TGameRecordView::GetMoveTime(uint8_t Player, int32_t MoveNo) const
{
    const TGameHistoryRec* rec = GetMoveRecord(Player, MoveNo);
    if (rec == nullptr)
        return 0;
    uint32_t sum = rec->Duration;
    if (rec == &CurrentMove) {
        for (int32_t i = History.Count() - 1; i >= 0 && !History.Items(i).EndsTurn; --i)
            sum += History.Items(i).Duration;
        return sum;
    }
    for (int32_t i = History.IndexOf(rec); i < History.Count() - 1 && !History.Items(i).EndsTurn; ++i)
        sum += History.Items(i + 1).Duration;
    return sum;
}

uint32_t TGameRecordView::PlayerTime(uint8_t Player, uint32_t TurnTime) const
{
    if (Player != 1 && Player != 2)
        return 0;
    const uint32_t stored = History.PlayerTime(Player, MoveNumberOf(Player) - 1);
    return stored + (Player == SideToMove ? TurnTime : 0);
}

std::string TGameRecordView::GameRecordText(bool GameOver, int Winner) const
{
    std::string text = !GameOver ? "NOT FINISHED:" : Winner == 1 ? "WHITE:" : Winner == 2 ? "BLACK:" : "DRAW :";
    for (int32_t i = 1; i <= MoveCount() + 1; ++i) {
        const std::string black = GetMoveText(2, i);
        if (black.empty())
            break;
        text += " " + black;
        const std::string white = GetMoveText(1, i);
        if (white.empty())
            break;
        text += " " + white;
    }
    return text;
}

// ---------------------------------------------------------------------------------------------

std::string FormatDuration(uint32_t Milliseconds, bool Long)
{
    // 64 bits, so that the rounding cannot wrap a duration near the 32-bit limit to zero.
    const uint64_t s = (static_cast<uint64_t>(Milliseconds) + 500) / 1000;
    char text[32];
    if (Long)
        std::snprintf(text, sizeof text, "%u:%2.2u:%2.2u", static_cast<unsigned>(s / 3600),
                      static_cast<unsigned>(s / 60 % 60), static_cast<unsigned>(s % 60));
    else
        std::snprintf(text, sizeof text, "%2.2u:%2.2u", static_cast<unsigned>(s / 60), static_cast<unsigned>(s % 60));
    return text;
}

}  // namespace velk
