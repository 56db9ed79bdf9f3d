#include "GameBoard.h"

#include <vector>

#include "PositionTable.h"
#include "Repetition.h"
#include "platform/Clock.h"
#include "platform/Exceptions.h"

namespace velk {

void TGameBoard::Assign(const TGameBoard& Source)
{
    TMemoryStream stream;
    Source.SaveToStream(stream);
    stream.SetPosition(0);
    LoadFromStream(stream);
}

void TGameBoard::SetTurn(uint8_t Value)
{
    if (Value != FTurn) {
        FTurn = Value;
        Changed();
    }
}

void TGameBoard::Changed()
{
    FAnnouncing = false;
    if (FUpdateCount > 0) {
        FChangePending = true;
        return;
    }
    FChangePending = false;
    if (OnChange)
        OnChange(this);
}

void TGameBoard::DoTurnEnd()
{
    if (OnTurnEnd)
        OnTurnEnd(this);
}

void TGameBoard::EndTurn()
{
    SetTurn(FTurn ^ 3);
    DoTurnEnd();
}

int TGameBoard::Winner()
{
    switch (GameState()) {
    case gsPlayer1Won: return 1;
    case gsPlayer2Won: return 2;
    default: return 0;
    }
}

int TGameBoard::Loser()
{
    switch (GameState()) {
    case gsPlayer1Won: return 2;
    case gsPlayer2Won: return 1;
    default: return 0;
    }
}

TGameState TGameBoard::GameState()
{
    if (HasMoves())
        return gsPlaying;
    switch (FTurn) {
    case 1: return gsPlayer2Won;
    case 2: return gsPlayer1Won;
    default: return gsPlaying;
    }
}

void TGameBoard::SaveToStream(TStream& Stream) const
{
    Stream.WriteU8(FTurn);
}

void TGameBoard::LoadFromStream(TStream& Stream)
{
    Stream.Read(&FTurn, 1);
    Changed();
}

void TGameBoard::EndUpdate()
{
    if (FUpdateCount > 0 && --FUpdateCount == 0 && FChangePending) {
        FAnnouncing = true;  // until the base Changed, so that OnChange handlers edit as usual
        Changed();
    }
}

void TGameBoard::Clear()
{
    TBoardUpdate update(*this);
    SetAsText(std::string());
    SetTurn(0);
}

// ---------------------------------------------------------------------------------------------
// Search

struct TGameBoard::TSearch {
    // Boards[d - 1] receives children at depth d; Spares[d - 1] a child made ahead of its turn.
    std::vector<std::unique_ptr<TGameBoard>> Boards;
    std::vector<std::unique_ptr<TGameBoard>> Spares;
    TPositionTable* Table = nullptr;
    const TStopFlag* Stop = nullptr;
    uint64_t Nodes = 0;

    // Only with the game's past: its positions, the keys along the line being searched (Line[0]
    // the root's), and how many nodes were scored a draw by repetition so far.
    bool Repetitions = false;
    TPositionSet GameKeys;
    int RootDepth = 0;
    uint64_t Line[256] = {};  // a ply for every depth SearchRoot may be given
    uint64_t RepetitionDraws = 0;

    // The board knows no irreversible moves, so every earlier position of the line, and the
    // game's, may come back.
    bool Repeats(uint64_t Key, int Ply) const { return velk::Repeats(Key, Ply, Line, Ply, GameKeys, true); }
};

int32_t TGameBoard::Solve(uint8_t Depth, uint32_t MaxMemory, const TStopFlag* StopFlag,
                          const std::vector<uint64_t>* GameKeys)
{
    if (Depth == 0)
        return -1;
    if (Depth > MAX_SEARCH_DEPTH)
        Depth = MAX_SEARCH_DEPTH;
    BeginSearch();
    struct TEndSearch {
        TGameBoard* Board;
        ~TEndSearch() { Board->EndSearch(); }
    } endSearch{this};
    TStopFlag never{STOP_NONE};
    return SearchRoot(Depth, MaxMemory, StopFlag ? *StopFlag : never, GameKeys);
}

int32_t TGameBoard::SearchRoot(uint8_t Depth, uint32_t MaxMemory, const TStopFlag& StopFlag,
                               const std::vector<uint64_t>* GameKeys)
{
    FSearchNodes = 0;
    FSearchScore = 0;
    const int32_t n = MoveCount();
    if (n == 1)
        return 0;
    int32_t best = -1;
    int32_t bestScore = -INFINITE_SCORE;

    TSearch search;
    search.Table = &PositionTable();
    search.Table->Plan(BranchingFactor(), Depth, MaxMemory);
    const bool large = search.Table->Large();
    search.Boards.reserve(Depth);
    for (int d = 0; d < Depth; ++d) {
        search.Boards.push_back(Create());
        search.Spares.push_back(large && d == 1 ? Create() : nullptr);
    }
    search.Stop = &StopFlag;
    if (GameKeys != nullptr && !GameKeys->empty()) {
        search.Repetitions = true;
        search.GameKeys.Build(GameKeys);
        search.RootDepth = Depth;
        search.Line[0] = PositionKey();
    }

    TGameBoard& child = *search.Boards[Depth - 1];
    for (int32_t i = 0; i < n; ++i) {
        child.ApplyMove(*this, i);
        const int32_t v = large ? -Negamax<true>(search, child, Depth - 1, -INFINITE_SCORE, INFINITE_SCORE, arFresh)
                                : -Negamax<false>(search, child, Depth - 1, -INFINITE_SCORE, INFINITE_SCORE, arFresh);
        if (v > bestScore) {
            bestScore = v;
            best = i;
        } else if (v == bestScore && (GetTickCount() & 1) != 0) {
            best = i;
        }
    }
    FSearchNodes = search.Nodes;
    FSearchScore = best >= 0 ? bestScore : 0;
    return best;
}

// The move searched I-th: the stored best move goes first, move 0 takes its place in the order.
inline int32_t SearchOrder(int32_t I, int32_t HashMove)
{
    if (I == 0 && HashMove >= 0)
        return HashMove;
    return I == HashMove ? 0 : I;
}

// Lists a node's moves, tells whether its game goes on (cheaply, the list being there), and
// if so asks for its children's table entries.
TGameState TGameBoard::PrepareChildren(TSearch& Search, TGameBoard& Board, int Depth)
{
    const int32_t n = Board.MoveCount();
    const TGameState state = Board.GameState();
    if (state == gsPlaying && !Board.PrefetchChildEntries(*Search.Table)) {
        TGameBoard& child = *Search.Boards[Depth - 1];
        for (int32_t i = 0; i < n; ++i) {
            child.ApplyMove(Board, i);
            Search.Table->Prefetch(Search.Table->Slot(child.PositionKey()));
        }
    }
    return state;
}

// Large: the table is too large for the caches, and every probe would wait on memory. Each node
// then asks for its children's entries together, once it has its move list, so that the waits
// overlap instead of following one another. A node whose own entry was asked for just now
// (Arrival arFresh) does that, and works out what a leaf needs, before it waits on its entry;
// one whose entry has long arrived probes first and spares the work when the entry answers.
// What is left is the wait of a node's first leaf, asked for just before it is needed: a node
// two plies above the leaves therefore makes each next child and asks for that child's leaves
// while it searches the one before (arPrepared), which costs a wasted child at a cut-off.
template <bool Large>
int32_t TGameBoard::Negamax(TSearch& Search, TGameBoard& Board, int Depth, int32_t Alpha, int32_t Beta,
                            TArrival Arrival)
{
    ++Search.Nodes;
    int32_t hashMove = -1;
    const uint64_t key = Board.PositionKey();
    if (Search.Repetitions) {
        const int ply = Search.RootDepth - Depth;
        if (Search.Repeats(key, ply)) {
            ++Search.RepetitionDraws;
            return 0;
        }
        Search.Line[ply] = key;
    }
    const uint64_t drawsBefore = Search.RepetitionDraws;
    const uint32_t slot = Search.Table->Slot(key);
    const bool early = Large && Arrival == arFresh;
    TGameState state = gsPlaying;
    int32_t leafScore = 0;
    if (early) {
        if (Depth == 0) {
            state = Board.GameState();
            if (state == gsPlaying)
                leafScore = Board.Evaluate();
        } else {
            state = PrepareChildren(Search, Board, Depth);
        }
    }
    int32_t score = 0;
    if (Search.Table->template ProbeIn<Large>(slot, Depth, Alpha, Beta, key, score, hashMove))
        return score;
    if (!early)
        state = Large && Depth > 0 && Arrival == arArrived ? PrepareChildren(Search, Board, Depth) : Board.GameState();

    TBoundKind bound = bkExact;
    int32_t bestMove = hashMove;
    if (state == gsDraw) {
        score = 0;
    } else if (state == gsPlayer1Won || state == gsPlayer2Won) {
        const bool lost = (state == gsPlayer2Won) == (Board.Turn() == 1);
        score = lost ? -(WIN_SCORE + Depth) : WIN_SCORE + Depth;
    } else {
        const uint8_t stop = Search.Stop->load(std::memory_order_relaxed);
        if (Depth == 0 || stop != STOP_NONE) {
            if (stop == STOP_ABORT)
                throw EAbort();
            score = early && Depth == 0 ? leafScore : Board.Evaluate();
        } else {
            const int32_t n = Board.MoveCount();
            if (hashMove >= n) {
                hashMove = -1;
                bestMove = -1;
            }
            TGameBoard* child = Search.Boards[Depth - 1].get();
            TGameBoard* spare = Search.Spares[Depth - 1].get();
            const bool prepare = Large && Depth == 2;
            int32_t prepared = -1;
            if (prepare) {
                prepared = SearchOrder(0, hashMove);
                spare->ApplyMove(Board, prepared);
                PrepareChildren(Search, *spare, Depth - 1);
            }
            bound = bkUpper;
            score = Alpha;
            for (int32_t i = 0; i < n; ++i) {
                const int32_t m = SearchOrder(i, hashMove);
                TArrival arrival = i == 0 ? arFresh : arArrived;
                if (m == prepared) {
                    std::swap(child, spare);
                    arrival = arPrepared;
                } else {
                    child->ApplyMove(Board, m);
                }
                prepared = -1;
                if (prepare && i + 1 < n) {
                    prepared = SearchOrder(i + 1, hashMove);
                    spare->ApplyMove(Board, prepared);
                    PrepareChildren(Search, *spare, Depth - 1);
                }
                const int32_t v = -Negamax<Large>(Search, *child, Depth - 1, -Beta, -Alpha, arrival);
                if (v >= Beta) {
                    score = v;
                    bestMove = m;
                    bound = bkLower;
                    break;
                }
                if (v > Alpha) {
                    Alpha = v;
                    score = v;
                    bestMove = m;
                    bound = bkExact;
                }
            }
        }
    }
    // Under a stop request the score rests on static guesses somewhere below; stored, it would
    // pass for a full search and answer the next search of this position at once. The request
    // stays up until the search ends, so no node whose subtree it reached is stored. Likewise a
    // draw by repetition belongs to this game's past and this line, not to the position: the
    // table outlives the search, so no node whose subtree met one is stored either.
    if (Search.Stop->load(std::memory_order_relaxed) == STOP_NONE && Search.RepetitionDraws == drawsBefore)
        Search.Table->template StoreIn<Large>(slot, Depth, bound, key, score, bestMove);
    return score;
}

}  // namespace velk
