#pragma once
// The game record: every turn played since the start position, the board after it and the
// time it took, with a cursor that says how much of it the board shows. The board control
// builds records as moves are played and navigates by the cursor; the history panel, the
// clipboard text and the game log read the record through TGameRecordView.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Squares.h"
#include "engine/GameBoard.h"
#include "platform/Stream.h"
#include "platform/UpdateBracket.h"

namespace velk {

// The class library's list index error.
class EListError : public Exception {
public:
    explicit EListError(int32_t Index);
};

// A game stream that no version of the program could have written. Game files come from
// anywhere, so every count, size and value is checked before it is believed.
class EDamagedGameFile : public Exception {
public:
    explicit EDamagedGameFile(const std::string& Detail);
};

// What an analysis of the game found about a move: the score after it, the move the engine
// preferred and how much the move played lost. Game files have no room for it; PDN carries it
// as a comment and a NAG.
struct TMoveAnalysis {
    // The classes of a move by what it lost, as PDN writes them ($6 "?!", $2 "?", $4 "??").
    enum TMark : uint8_t { None = 0, Mistake = 2, Blunder = 4, Inaccuracy = 6 };

    bool Valid = false;
    int32_t Score = 0;     // after the move, from Red's side (see engine/ScoreText.h)
    std::string BestMove;  // the engine's choice where it differs from the move played, else ""
    TMark Mark = None;

    bool operator==(const TMoveAnalysis&) const = default;
};

// One recorded turn, or one part of a turn entered a step at a time.
class TGameHistoryRec {
public:
    TGameHistoryRec() = default;
    virtual ~TGameHistoryRec() = default;
    TGameHistoryRec(const TGameHistoryRec&) = delete;
    TGameHistoryRec& operator=(const TGameHistoryRec&) = delete;

    virtual void Assign(const TGameHistoryRec& Source);
    virtual void Clear();
    virtual void SaveToStream(TStream& Stream) const;
    // Reads one record block; on any error raises and leaves the record as it was.
    virtual void LoadFromStream(TStream& Stream);
    // Appends the steps of Positions; a step that starts where the path ends continues it.
    virtual void AddPath(const TMovementPath& Positions);
    virtual bool IsEmpty() const { return Path.empty(); }

    TMemoryStream BoardState;  // the board's stream form after this record's steps
    TMovementPath Path;
    uint32_t Duration = 0;  // milliseconds
    bool EndsTurn = false;
    // The player's note on this move, from PDN or typed in: game files have no room for it,
    // so only PDN carries it.
    std::string Comment;
    // On the turn's last record; like the comment, only PDN carries it.
    TMoveAnalysis Analysis;

private:
    friend class TGameHistory;
    int32_t FListIndex = -1;  // where the history last put it; checked before it is believed
};

class TGameHistory {
public:
    using TNotifyEvent = std::function<void(TGameHistory* Sender)>;

    // StartBoard is a new board of BoardClass's own class.
    explicit TGameHistory(const TGameBoard& BoardClass);
    virtual ~TGameHistory();
    TGameHistory(const TGameHistory&) = delete;
    TGameHistory& operator=(const TGameHistory&) = delete;

    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    // The writable form forgets the turn index, since the caller may change EndsTurn or
    // Duration; readers should use the const form.
    TGameHistoryRec& Items(int32_t Index);
    const TGameHistoryRec& Items(int32_t Index) const;
    int32_t IndexOf(const TGameHistoryRec* Rec) const;
    void Delete(int32_t Index);

    // How many records lie behind the board that is shown: 0 the start, Count the latest.
    int32_t Position() const { return FPosition; }
    void SetPosition(int32_t Value);
    TGameBoard& StartBoard() const { return *FStartBoard; }
    bool Finished() const { return FFinished; }
    void SetFinished(bool Value) { FFinished = Value; }

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    virtual void Changed();
    virtual void Clear();
    // Appends a finished record after Position, discarding the records that were undone.
    virtual void Add(std::unique_ptr<TGameHistoryRec> Rec);
    virtual void SaveToStream(TStream& Stream) const;
    // Replaces the whole record by the one read, or raises and changes nothing.
    virtual void LoadFromStream(TStream& Stream);

    // The index of the first record of Player's move MoveNo, -1 when there is none.
    int32_t IndexOfMove(uint8_t Player, int32_t MoveNo) const;
    // The number of Player's next move when the first Index records have been played.
    int32_t MoveNumberAt(uint8_t Player, int32_t Index) const;
    // Player's total time in moves 1 .. MoveNo, over the whole list.
    uint32_t PlayerTime(uint8_t Player, int32_t MoveNo) const;
    // Puts into Board the position shown when Index records lie behind it.
    void LoadBoardAt(int32_t Index, TGameBoard& Board) const;

    TNotifyEvent OnChange;

private:
    // Where each half-move starts and what the players' half-moves took, so that the history
    // panel's questions about every row of a long game cost a look-up each instead of a walk
    // over the whole list. Rebuilt on the first question after the list changes.
    struct TTurnIndex {
        bool Valid = false;
        std::vector<int32_t> Starts;      // Starts[h - 1]: the first record of half-move h
        std::vector<int32_t> EndsBefore;  // EndsBefore[i]: turn-ending records among the first i
        std::vector<uint32_t> Times;      // Times[h]: durations of half-moves h, h - 2, h - 4 ...
    };
    const TTurnIndex& TurnIndex() const;
    void ListChanged() { FTurnIndex.Valid = false; }

    std::vector<std::unique_ptr<TGameHistoryRec>> FItems;
    mutable TTurnIndex FTurnIndex;
    int32_t FPosition = 0;
    std::unique_ptr<TGameBoard> FStartBoard;
    bool FFinished = false;
    int32_t FUpdateCount = 0;  // -1 while destroying, so that freeing the records reports nothing
    int64_t FBoardBlockSize = 0;
};

using THistoryUpdate = TUpdateBracket<TGameHistory>;

// The questions the history panel, the clipboard and the game log ask about a game: the
// control answers them for its history, its pending CurrentMove and the side to move of its
// board. Players are 1 (White) and 2 (Black).
struct TGameRecordView {
    const TGameHistory& History;
    const TGameHistoryRec& CurrentMove;
    uint8_t SideToMove;
    bool TwoDigits = true;

    // Rows of a two-column move list.
    int32_t MoveCount() const { return (History.Count() + 1) / 2; }
    int32_t CurrentMoveNumber() const { return History.Position() / 2 + 1; }
    int32_t MoveNumberOf(uint8_t Player) const;
    // The first record of the move, or CurrentMove for the move being entered; null for none.
    const TGameHistoryRec* GetMoveRecord(uint8_t Player, int32_t MoveNo) const;
    // The whole turn in notation, "->" after a turn not finished yet; empty for none.
    std::string GetMoveText(uint8_t Player, int32_t MoveNo) const;
    uint32_t GetMoveTime(uint8_t Player, int32_t MoveNo) const;
    // Player's total, with TurnTime added when Player is to move.
    uint32_t PlayerTime(uint8_t Player, uint32_t TurnTime) const;
    // The one-line record: "BLACK:", "WHITE:", "DRAW :" or "NOT FINISHED:", then the moves,
    // Black's before White's in every turn. GameOver and Winner are those of the shown board.
    std::string GameRecordText(bool GameOver, int Winner) const;
};

// "mm:ss" (Long false, minutes not reduced) or "h:mm:ss", rounded to the nearest second.
std::string FormatDuration(uint32_t Milliseconds, bool Long);

}  // namespace velk
