#include "ExpertSearch.h"

#include <algorithm>
#include <bit>
#include <chrono>
#include <cstring>
#include <mutex>

#include "DrawRule.h"
#include "ExpertEval.h"
#include "PositionTable.h"
#include "platform/Exceptions.h"

namespace velk {

namespace {

using TClock = std::chrono::steady_clock;

constexpr int MAX_PLY = 160;  // plies of one line, extensions included
constexpr int MAX_MOVES = 128;
constexpr int32_t INF = 32000;
// Replies searched beyond the horizon when the side to move stands to lose a piece there: a
// quiet position with a capture pending against it is no quiet position.
constexpr int THREAT_EXTENSIONS = 2;
constexpr int POLL_INTERVAL = 1024;  // nodes between looks at the clock and the stop request
constexpr int DRAW_PLIES = TGamePositions::KING_MOVES_FOR_DRAW;

struct TEntry {
    uint64_t Key;
    int16_t Score;
    int8_t Depth;
    uint8_t Bound;
    int8_t Move;
    uint8_t Age;
    uint8_t Unused[2];
};
static_assert(sizeof(TEntry) == 16);

// The game's past positions, looked up at many nodes: an open-addressed set built once per
// search, so that a look-up allocates nothing.
class TKeySet {
public:
    void Build(const std::vector<uint64_t>* Keys)
    {
        const size_t n = Keys ? Keys->size() : 0;
        size_t size = 16;
        while (size < 2 * n)
            size *= 2;
        FSlots.assign(size, 0);
        FMask = size - 1;
        FHasZero = false;
        for (size_t i = 0; i < n; ++i) {
            const uint64_t key = (*Keys)[i];
            if (key == 0) {
                FHasZero = true;
                continue;
            }
            size_t at = key & FMask;
            while (FSlots[at] != 0 && FSlots[at] != key)
                at = (at + 1) & FMask;
            FSlots[at] = key;
        }
    }
    bool Contains(uint64_t Key) const
    {
        if (Key == 0)
            return FHasZero;
        for (size_t at = Key & FMask;; at = (at + 1) & FMask) {
            if (FSlots[at] == Key)
                return true;
            if (FSlots[at] == 0)
                return false;
        }
    }

private:
    std::vector<uint64_t> FSlots;
    size_t FMask = 0;
    bool FHasZero = false;
};

int32_t ToTable(int32_t Score, int Ply)
{
    return Score > EXPERT_WIN_BOUND ? Score + Ply : Score < -EXPERT_WIN_BOUND ? Score - Ply : Score;
}

int32_t FromTable(int32_t Score, int Ply)
{
    return Score > EXPERT_WIN_BOUND ? Score - Ply : Score < -EXPERT_WIN_BOUND ? Score + Ply : Score;
}

// True when the side not to move could capture if it were its turn.
bool Threatened(const TCheckersBoard& Board)
{
    const bool blackToMove = Board.Turn() == PLAYER_BLACK;
    const TSquareSet own = blackToMove ? Board.BlackPieces() : Board.WhitePieces();
    const TSquareSet other = blackToMove ? Board.WhitePieces() : Board.BlackPieces();
    const TSquareSet empty = ~(own | other);
    return CanCapture(other & ~Board.Kings(), own, empty, blackToMove ? -1 : 1) ||
           CanCapture(other & Board.Kings(), own, empty, 0);
}

uint16_t MoveCode(const TCheckersMove& Move) { return static_cast<uint16_t>(Move.From() * 32 + Move.To()); }

}  // namespace

struct TExpertEngine::TImpl {
    TImpl()
    {
        for (int i = 0; i <= MAX_PLY; ++i)
            Boards.push_back(std::make_unique<TCheckersBoard>());
        std::memset(History, 0, sizeof History);
    }

    void SizeTable(uint32_t MaxMemory)
    {
        const size_t budget = std::min(MaxMemory, EXPERT_MAX_TABLE_BYTES) / sizeof(TEntry);
        const size_t count = std::max<size_t>(1024, std::bit_floor(std::max<size_t>(budget, 1)));
        if (count != TableSize) {
            Table = std::make_unique<TEntry[]>(count);
            TableSize = count;
        }
    }

    void Poll()
    {
        if (Stop != nullptr) {
            const uint8_t request = Stop->load(std::memory_order_relaxed);
            if (request == STOP_ABORT)
                throw EAbort();
            if (request == STOP_HURRY)
                Stopped = true;
        }
        if (Timed && TClock::now() >= Deadline)
            Stopped = true;
    }

    // A position the game had (when no irreversible move lies between it and the root), or one
    // the line had with the same side to move since its last irreversible move.
    bool Repeats(int Ply, uint64_t Key) const
    {
        if (Reversible[Ply] == Reversible[0] + Ply && Past.Contains(Key))
            return true;
        for (int p = Ply - 4; p >= 0 && p >= Ply - Reversible[Ply]; p -= 2)
            if (Line[p] == Key)
                return true;
        return false;
    }

    void SetChild(const TCheckersBoard& Parent, int Ply, const TCheckersMove& Move)
    {
        const bool irreversible = Move.Captured != 0 || (Parent.Kings() & SquareBit(Move.From())) == 0;
        Reversible[Ply + 1] = irreversible ? 0 : Reversible[Ply] + 1;
    }

    int32_t Node(int Ply, int Depth, int32_t Alpha, int32_t Beta, int Threats);
    void Reward(int Ply, int Depth, const TCheckersBoard& Board, const TCheckersMove& Move);

    std::vector<std::unique_ptr<TCheckersBoard>> Boards;
    std::unique_ptr<TEntry[]> Table;
    size_t TableSize = 0;
    uint8_t Age = 0;
    int32_t History[2][SQUARE_COUNT][SQUARE_COUNT];
    uint16_t Killers[MAX_PLY + 1][2] = {};
    int32_t Scores[MAX_PLY + 1][MAX_MOVES] = {};
    uint64_t Line[MAX_PLY + 1] = {};
    int Reversible[MAX_PLY + 1] = {};  // half-moves since the last irreversible one, the game's included

    TKeySet Past;
    const TStopFlag* Stop = nullptr;
    bool Timed = false;
    TClock::time_point Deadline;
    bool Stopped = false;
    uint64_t Nodes = 0;
    int RootDepth = 0;
    const TExpertWeights* Weights = &ExpertWeights;
};

void TExpertEngine::TImpl::Reward(int Ply, int Depth, const TCheckersBoard& Board, const TCheckersMove& Move)
{
    const uint16_t code = MoveCode(Move);
    if (Killers[Ply][0] != code) {
        Killers[Ply][1] = Killers[Ply][0];
        Killers[Ply][0] = code;
    }
    int32_t& h = History[Board.Turn() == PLAYER_BLACK][Move.From()][Move.To()];
    h += Depth * Depth;
    if (h > (1 << 16))
        for (auto& side : History)
            for (auto& from : side)
                for (int32_t& value : from)
                    value /= 2;
}

int32_t TExpertEngine::TImpl::Node(int Ply, int Depth, int32_t Alpha, int32_t Beta, int Threats)
{
    if (++Nodes % POLL_INTERVAL == 0)
        Poll();
    if (Stopped)
        return 0;
    TCheckersBoard& board = *Boards[Ply];
    const uint64_t key = board.Key();
    Line[Ply] = key;
    if (Reversible[Ply] >= DRAW_PLIES || Repeats(Ply, key))
        return Ply % 2 == 0 ? -Weights->Contempt : Weights->Contempt;
    const TMoveList& moves = board.Moves();
    const int n = std::min<int>(moves.Count(), MAX_MOVES);
    if (n == 0)
        return -(EXPERT_WIN - Ply);
    if (Ply >= MAX_PLY - 1)
        return ExpertEvaluate(board, *Weights);
    const bool capture = moves[0].Captured != 0;
    if (Depth <= 0 && !capture) {
        if (Threats == 0 || !Threatened(board))
            return ExpertEvaluate(board, *Weights);
        --Threats;
    }
    // No line through here can do better than a win at once or worse than a loss at once.
    Alpha = std::max(Alpha, -(EXPERT_WIN - Ply));
    Beta = std::min(Beta, EXPERT_WIN - Ply - 1);
    if (Alpha >= Beta)
        return Alpha;

    int tableMove = -1;
    TEntry* entry = nullptr;
    if (Depth > 0) {
        entry = &Table[key & (TableSize - 1)];
        if (entry->Key == key) {
            tableMove = entry->Move < n ? entry->Move : -1;
            if (entry->Depth >= Depth) {
                const int32_t s = FromTable(entry->Score, Ply);
                if (entry->Bound == bkExact || (entry->Bound == bkLower && s >= Beta) ||
                    (entry->Bound == bkUpper && s <= Alpha))
                    return s;
            }
        }
    }

    int32_t* scores = Scores[Ply];
    const int side = board.Turn() == PLAYER_BLACK;
    for (int i = 0; i < n; ++i) {
        const TCheckersMove& m = moves[i];
        if (i == tableMove)
            scores[i] = 1 << 30;
        else if (capture)
            scores[i] = (1 << 20) + 16 * std::popcount(m.Captured) + 8 * std::popcount(m.Captured & board.Kings());
        else if (MoveCode(m) == Killers[Ply][0])
            scores[i] = 1 << 19;
        else if (MoveCode(m) == Killers[Ply][1])
            scores[i] = 1 << 18;
        else
            scores[i] = History[side][m.From()][m.To()];
    }

    // A forced move costs no depth: a line of single replies is followed to where it branches.
    const int extension = n == 1 && Ply < 2 * RootDepth ? 1 : 0;
    const int childDepth = Depth > 0 ? Depth - 1 + extension : 0;
    const int32_t alphaBefore = Alpha;
    int32_t best = -INF;
    int bestMove = -1;
    TCheckersBoard& child = *Boards[Ply + 1];
    for (int i = 0; i < n; ++i) {
        int pick = 0;
        for (int k = 1; k < n; ++k)
            if (scores[k] > scores[pick])
                pick = k;
        const int32_t order = scores[pick];
        scores[pick] = -1;
        const TCheckersMove& m = moves[pick];
        child.ApplyMove(board, pick);
        SetChild(board, Ply, m);
        int32_t v;
        if (i == 0 || Depth <= 0) {
            v = -Node(Ply + 1, childDepth, -Beta, -Alpha, Threats);
        } else {
            // Late quiet moves are first looked at one ply shallower; one that surprises is
            // searched again in full.
            const int reduction = Depth >= 3 && i >= 3 && !capture && order < (1 << 18) ? 1 : 0;
            v = -Node(Ply + 1, childDepth - reduction, -Alpha - 1, -Alpha, Threats);
            if (v > Alpha && !Stopped && (reduction > 0 || v < Beta))
                v = -Node(Ply + 1, childDepth, -Beta, -Alpha, Threats);
        }
        if (Stopped)
            return 0;
        if (v > best) {
            best = v;
            bestMove = pick;
            if (v > Alpha) {
                Alpha = v;
                if (v >= Beta) {
                    if (!capture)
                        Reward(Ply, Depth, board, m);
                    break;
                }
            }
        }
    }

    if (entry != nullptr && (entry->Key == key || entry->Age != Age || entry->Depth <= Depth + 1)) {
        entry->Key = key;
        entry->Score = static_cast<int16_t>(ToTable(best, Ply));
        entry->Depth = static_cast<int8_t>(std::min(Depth, 127));
        entry->Bound = best >= Beta ? bkLower : best > alphaBefore ? bkExact : bkUpper;
        entry->Move = static_cast<int8_t>(bestMove);
        entry->Age = Age;
    }
    return best;
}

TExpertEngine::TExpertEngine() : F(std::make_unique<TImpl>()) {}

TExpertEngine::~TExpertEngine() = default;

void TExpertEngine::Clear()
{
    const TExpertWeights* weights = F->Weights;
    F = std::make_unique<TImpl>();
    F->Weights = weights;
}

void TExpertEngine::SetWeights(const TExpertWeights& Weights)
{
    F->Weights = &Weights;
}

TExpertResult TExpertEngine::Search(const TCheckersBoard& Board, uint32_t MoveTimeMs, uint32_t MaxMemory,
                                    const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys, int MaxDepth)
{
    TImpl& s = *F;
    const auto start = TClock::now();
    TCheckersBoard& root = *s.Boards[0];
    root.Assign(Board);
    root.BeginSearch();
    const TMoveList& moves = root.Moves();
    const int n = std::min<int>(moves.Count(), MAX_MOVES);
    TExpertResult result;
    if (n == 0) {
        result.Score = -EXPERT_WIN;
        return result;
    }
    result.Move = 0;
    if (n == 1) {
        result.Score = ExpertEvaluate(root, *s.Weights);
        return result;
    }

    s.SizeTable(MaxMemory);
    ++s.Age;
    s.Past.Build(GameKeys);
    s.Reversible[0] = GameKeys != nullptr && !GameKeys->empty() ? static_cast<int>(GameKeys->size()) - 1 : 0;
    s.Line[0] = root.Key();
    s.Stop = StopFlag;
    s.Timed = MoveTimeMs > 0;
    s.Deadline = start + std::chrono::milliseconds(MoveTimeMs);
    s.Stopped = false;
    s.Nodes = 0;
    std::memset(s.Killers, 0, sizeof s.Killers);
    // Hurried before it begins, the search answers at once with the move it already knew. The
    // clock is not looked at yet: however late the search starts, its first depth is searched.
    if (s.Stop != nullptr && s.Stop->load(std::memory_order_relaxed) != STOP_NONE)
        s.Poll();

    // Root moves in the order of the last iteration's best first; the table's move starts.
    int order[MAX_MOVES];
    for (int i = 0; i < n; ++i)
        order[i] = i;
    const TEntry& rootEntry = s.Table[root.Key() & (s.TableSize - 1)];
    if (rootEntry.Key == root.Key() && rootEntry.Move >= 0 && rootEntry.Move < n)
        std::rotate(order, order + rootEntry.Move, order + rootEntry.Move + 1);
    result.Move = order[0];

    TCheckersBoard& child = *s.Boards[1];
    for (int depth = 1; depth <= std::min(MaxDepth, EXPERT_MAX_DEPTH); ++depth) {
        s.RootDepth = depth;
        int32_t alpha = -INF;
        int32_t bestScore = -INF;
        int best = -1;
        for (int k = 0; k < n && !s.Stopped; ++k) {
            const int m = order[k];
            child.ApplyMove(root, m);
            s.SetChild(root, 0, moves[m]);
            int32_t v;
            if (k == 0) {
                v = -s.Node(1, depth - 1, -INF, INF, THREAT_EXTENSIONS);
            } else {
                v = -s.Node(1, depth - 1, -alpha - 1, -alpha, THREAT_EXTENSIONS);
                if (v > alpha && !s.Stopped)
                    v = -s.Node(1, depth - 1, -INF, -alpha, THREAT_EXTENSIONS);
            }
            if (s.Stopped)
                break;
            if (v > bestScore) {
                bestScore = v;
                best = k;
                alpha = std::max(alpha, v);
            }
        }
        if (s.Stopped) {
            // Out of time, a move this iteration has already proven better than the last
            // iteration's choice is played; Move Now keeps to the last finished iteration.
            if (best > 0 && !(s.Stop != nullptr && s.Stop->load() != STOP_NONE))
                result.Move = order[best];
            break;
        }
        std::rotate(order, order + best, order + best + 1);
        result.Move = order[0];
        result.Score = bestScore;
        result.Depth = depth;
        TEntry& e = s.Table[root.Key() & (s.TableSize - 1)];
        e = TEntry{root.Key(), static_cast<int16_t>(bestScore), static_cast<int8_t>(std::min(depth, 127)),
                   bkExact, static_cast<int8_t>(order[0]), s.Age, {}};
        // A forced result proven within this depth stays as it is.
        if (std::abs(bestScore) > EXPERT_WIN_BOUND && EXPERT_WIN - std::abs(bestScore) < depth)
            break;
        // An iteration takes longer than all before it together: one begun late would most
        // likely be cut off before it proves anything, its work lost.
        if (s.Timed && TClock::now() - start > std::chrono::milliseconds(MoveTimeMs) * 7 / 10)
            break;
    }
    result.Nodes = s.Nodes;
    return result;
}

TExpertResult SearchExpert(const TCheckersBoard& Board, uint32_t MoveTimeMs, uint32_t MaxMemory,
                           const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys)
{
    static std::mutex guard;
    static TExpertEngine engine;
    std::lock_guard lock(guard);
    return engine.Search(Board, MoveTimeMs, MaxMemory, StopFlag, GameKeys);
}

}  // namespace velk
