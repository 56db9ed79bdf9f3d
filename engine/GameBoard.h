#pragma once
// The generic two-player board: side to move, change notification with update brackets,
// streaming and copying, and the fixed-depth alpha-beta search written once against the
// virtual operations that a concrete game supplies.
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Stream.h"
#include "platform/UpdateBracket.h"

namespace velk {

class TPositionTable;

enum TGameState : uint8_t { gsPlaying = 0, gsDraw = 1, gsPlayer1Won = 2, gsPlayer2Won = 3 };

constexpr int32_t INFINITE_SCORE = 1000000;
constexpr int32_t WIN_SCORE = INFINITE_SCORE - 64;
constexpr int MAX_SEARCH_DEPTH = 64;

// The stop request a search polls: 0 run, 1 hurry (score every further node statically),
// 2 abort (unwind with EAbort). Written by another thread, hence atomic.
using TStopFlag = std::atomic<uint8_t>;
constexpr uint8_t STOP_NONE = 0;
constexpr uint8_t STOP_HURRY = 1;
constexpr uint8_t STOP_ABORT = 2;

class TGameBoard {
public:
    using TNotifyEvent = std::function<void(TGameBoard* Sender)>;

    TGameBoard() = default;
    TGameBoard(const TGameBoard&) = delete;
    TGameBoard& operator=(const TGameBoard&) = delete;
    virtual ~TGameBoard() = default;

    // Copies the position through the board's own stream form; fires the receiver's OnChange.
    void Assign(const TGameBoard& Source);

    uint8_t Turn() const { return FTurn; }
    void SetTurn(uint8_t Value);

    virtual void Changed();
    virtual void DoTurnEnd();
    virtual void EndTurn();
    virtual int PlayerCount() const = 0;
    int Winner();
    int Loser();
    virtual TGameState GameState();
    virtual int32_t MoveCount() = 0;
    // Whether the side to move has a move: what the game's end hangs on. A board that can tell
    // without listing its moves says so here; the search asks it at every leaf.
    virtual bool HasMoves() { return MoveCount() > 0; }
    virtual std::string GetAsText() const = 0;
    virtual void SetAsText(const std::string& Text) = 0;
    virtual uint32_t BranchingFactor() const = 0;
    virtual uint64_t PositionKey() const = 0;
    virtual int32_t Evaluate() const = 0;
    virtual TPositionTable& PositionTable() const = 0;
    // Puts into this board the position reached from Source by Source's move Index, without
    // events or checks; the caller guarantees a valid index.
    virtual void ApplyMove(TGameBoard& Source, int32_t Index) = 0;
    // Starts loading Table's entries for the positions the moves lead to, when the board can
    // tell their keys without making the moves (false if not: the search then makes them).
    virtual bool PrefetchChildEntries(const TPositionTable& /*Table*/) { return false; }
    virtual void BeginSearch() {}
    virtual void EndSearch() {}
    // The virtual constructor: a new empty board of this board's own class.
    virtual std::unique_ptr<TGameBoard> Create() const = 0;
    virtual void SaveToStream(TStream& Stream) const;
    virtual void LoadFromStream(TStream& Stream);
    virtual void GetReport(std::string& Diagram, std::string& MoveList) = 0;
    virtual void NewGame() = 0;
    virtual bool MakeMove(int32_t Index) = 0;

    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    void Clear();

    // Returns the index of the chosen move, or -1 (depth 0, or no move). StopFlag may be null:
    // such a search cannot be stopped. GameKeys, when given and not empty, are the position keys
    // of the positions the game already had: the search scores reaching one of them, or a
    // position repeated within its own line, as a draw.
    int32_t Solve(uint8_t Depth, uint32_t MaxMemory, const TStopFlag* StopFlag,
                  const std::vector<uint64_t>* GameKeys = nullptr);
    int32_t SearchRoot(uint8_t Depth, uint32_t MaxMemory, const TStopFlag& StopFlag,
                       const std::vector<uint64_t>* GameKeys = nullptr);

    // Nodes visited by the last SearchRoot on this board (the root not counted).
    uint64_t SearchNodes() const { return FSearchNodes; }
    // The score of the chosen move in the last SearchRoot, from the side to move's view.
    int32_t SearchScore() const { return FSearchScore; }

    TNotifyEvent OnChange;
    TNotifyEvent OnTurnEnd;

protected:
    // True in a descendant's Changed called by the outermost EndUpdate to report the edits its
    // bracket held back: that call announces earlier edits and is not an edit of its own.
    bool Announcing() const { return FAnnouncing; }

    uint8_t FTurn = 0;

private:
    struct TSearch;
    // How a node's table entry stands when the search reaches it: asked for just now, asked for
    // long ago, or asked for long ago together with the node's own children's.
    enum TArrival : uint8_t { arFresh, arArrived, arPrepared };
    template <bool Large>
    static int32_t Negamax(TSearch& Search, TGameBoard& Board, int Depth, int32_t Alpha, int32_t Beta,
                           TArrival Arrival);
    static TGameState PrepareChildren(TSearch& Search, TGameBoard& Board, int Depth);

    int32_t FUpdateCount = 0;
    bool FChangePending = false;
    bool FAnnouncing = false;
    uint64_t FSearchNodes = 0;
    int32_t FSearchScore = 0;
};

using TBoardUpdate = TUpdateBracket<TGameBoard>;

}  // namespace velk
