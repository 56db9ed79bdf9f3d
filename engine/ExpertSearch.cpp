#include "ExpertSearch.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>

#include "DrawRule.h"
#include "ExpertEval.h"
#include "ExpertTable.h"
#include "PositionTable.h"
#include "Repetition.h"
#include "platform/Exceptions.h"

namespace velk {

namespace {

using TClock = std::chrono::steady_clock;
using namespace expert;

constexpr int MAX_PLY = 160;  // plies of one line, extensions included
constexpr int MAX_MOVES = 128;
constexpr int32_t INF = 32000;
// Replies searched beyond the horizon when the side to move stands to lose a piece there: a
// quiet position with a capture pending against it is no quiet position.
constexpr int THREAT_EXTENSIONS = 2;
constexpr int POLL_INTERVAL = 1024;  // nodes between looks at the clock and the stop request
constexpr int DRAW_PLIES = TGamePositions::KING_MOVES_FOR_DRAW;
constexpr int32_t HISTORY_MAX = 1 << 14;
// The root's first guess is this close to the last iteration's score; a score outside it is
// searched again with the window widened on that side.
constexpr int32_t ASPIRATION = 25;
constexpr int ASPIRATION_DEPTH = 5;
// A node whose search four plies shallower clears the window by this much is taken to fail
// high without its full search (from a depth of five on).
constexpr int32_t PROBCUT_MARGIN = 60;
constexpr int PROBCUT_DEPTH = 5;
constexpr int PROBCUT_REDUCTION = 4;

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

// Plies taken off a late quiet move by remaining depth and place in the order: more the
// deeper and the later, as the first few moves hold the best one nearly always. The divisor
// 1.4 (for 1.8) took 0.1 s on two threads from 13.6 plies to 14.5, and came with the
// evaluation's heavier mobility and a draw's worth (TExpertWeights).
struct TReductions {
    uint8_t R[64][MAX_MOVES];
    TReductions()
    {
        for (int d = 0; d < 64; ++d)
            for (int i = 0; i < MAX_MOVES; ++i)
                R[d][i] = d < 3 || i < 2 ? 0 : static_cast<uint8_t>(0.4 + std::log(d) * std::log(i + 1) / 1.4);
    }
};
const TReductions Reductions;

// A man stepping onto the last two rows before it crowns, or crowning: the race to the king
// row is decided a few plies later, too late for a shortened search.
bool NearCrowning(const TCheckersBoard& Board, const TCheckersMove& Move)
{
    if ((Board.Kings() & SquareBit(Move.From())) != 0)
        return false;
    return Board.Turn() == PLAYER_BLACK ? Move.To() >= P25 : Move.To() <= P08;
}

}  // namespace

// What every thread of one search shares: the table, the game's past, the clock and the stop.
struct TShared {
    TTable Table;
    TPositionSet Past;
    int Reversible = 0;
    const TStopFlag* Stop = nullptr;
    bool Timed = false;
    TClock::time_point Deadline;
    std::atomic<bool> Stopped{false};
    const TExpertWeights* Weights = &ExpertWeights;
    TExpertProbe Db;
    // Positions with fewer pieces than this are looked up. With a won or lost root in the
    // tables only what follows a capture is: every quiet move of a won ending is a win there,
    // and a search told nothing more shuffles its kings; searched, it finds the way to the mate.
    int ProbeBelow = 0;
};

// One thread's search: its own boards, killers and history, the table shared.
struct TWorker {
    explicit TWorker(TShared& Shared) : S(Shared)
    {
        for (int i = 0; i <= MAX_PLY; ++i)
            Boards.push_back(std::make_unique<TCheckersBoard>());
        Clear();
    }

    void Clear()
    {
        std::memset(History, 0, sizeof History);
        std::memset(Killers, 0, sizeof Killers);
    }

    bool Stopped() const { return S.Stopped.load(std::memory_order_relaxed); }

    // The evaluation of a quiet leaf, which the re-searches of late moves and of the window's
    // line ask for again and again. Cleared for every search, as the weights may change between.
    int32_t Evaluate(const TCheckersBoard& Board)
    {
        TEvalSlot& slot = EvalCache[Board.Key() & (EVAL_SLOTS - 1)];
        if (slot.Key != Board.Key()) {
            slot.Key = Board.Key();
            slot.Score = ExpertEvaluate(Board, *S.Weights);
        }
        return slot.Score;
    }

    // Only the first thread looks at the clock and the stop request: a helper never throws.
    void Poll()
    {
        if (!Main)
            return;
        if (S.Stop != nullptr) {
            const uint8_t request = S.Stop->load(std::memory_order_relaxed);
            if (request == STOP_ABORT)
                throw EAbort();
            if (request == STOP_HURRY)
                S.Stopped.store(true, std::memory_order_relaxed);
        }
        if (S.Timed && TClock::now() >= S.Deadline)
            S.Stopped.store(true, std::memory_order_relaxed);
    }

    // A position the game had (when no irreversible move lies between it and the root), or one
    // the line had with the same side to move since its last irreversible move.
    bool Repeats(int Ply, uint64_t Key) const
    {
        return velk::Repeats(Key, Ply, Line, Reversible[Ply], S.Past, Reversible[Ply] == Reversible[0] + Ply);
    }

    void SetChild(const TCheckersBoard& Parent, int Ply, const TCheckersMove& Move)
    {
        const bool irreversible = Move.Captured != 0 || (Parent.Kings() & SquareBit(Move.From())) == 0;
        Reversible[Ply + 1] = irreversible ? 0 : Reversible[Ply] + 1;
    }

    // Only (may be null or empty: every move) limits the root's moves.
    void Begin(const TCheckersBoard& Root, int Count, const std::vector<int32_t>* Only)
    {
        Boards[0]->Assign(Root);
        Boards[0]->BeginSearch();
        std::fill_n(EvalCache.get(), EVAL_SLOTS, TEvalSlot{});
        Reversible[0] = S.Reversible;
        Line[0] = Boards[0]->Key();
        Nodes = 0;
        Published.store(0, std::memory_order_relaxed);
        RootCount = 0;
        std::memset(Killers, 0, sizeof Killers);
        for (int i = 0; i < Count; ++i)
            if (Only == nullptr || Only->empty() || std::find(Only->begin(), Only->end(), i) != Only->end())
                RootOrder[RootCount++] = i;
        LimitedRoot = RootCount < Count;
        TEntry entry;
        if (S.Table.Probe(Line[0], entry)) {
            int* known = std::find(RootOrder, RootOrder + RootCount, entry.Move);
            if (known != RootOrder + RootCount)
                std::rotate(RootOrder, known, known + 1);
        }
    }

    void UpdateHistory(int Side, const TCheckersMove& Move, int32_t Bonus)
    {
        int32_t& h = History[Side][Move.From()][Move.To()];
        h += Bonus - h * std::abs(Bonus) / HISTORY_MAX;
    }

    int32_t Node(int Ply, int Depth, int32_t Alpha, int32_t Beta, int Threats);
    int32_t Root(int Depth, int32_t Alpha, int32_t Beta, bool& Changed, int First = 0);
    void Deepen(int MaxDepth);

    TShared& S;
    bool Main = false;
    int Index = 0;
    std::vector<std::unique_ptr<TCheckersBoard>> Boards;
    struct TEvalSlot {
        uint64_t Key = ~uint64_t{0};
        int32_t Score = 0;
    };
    static constexpr size_t EVAL_SLOTS = size_t{1} << 15;  // 512 KB, about what a core keeps near
    std::unique_ptr<TEvalSlot[]> EvalCache = std::make_unique<TEvalSlot[]>(EVAL_SLOTS);
    int32_t History[2][SQUARE_COUNT][SQUARE_COUNT];
    uint16_t Killers[MAX_PLY + 1][2] = {};
    int32_t Scores[MAX_PLY + 1][MAX_MOVES] = {};
    uint64_t Line[MAX_PLY + 1] = {};
    int Reversible[MAX_PLY + 1] = {};  // half-moves since the last irreversible one, the game's included
    int RootOrder[MAX_MOVES] = {};
    int RootCount = 0;
    bool LimitedRoot = false;  // the root's score is then not the position's own
    uint64_t Nodes = 0;
    std::atomic<uint64_t> Published{0};  // Nodes as other threads may read it, now and then
    int RootDepth = 0;
};

int32_t TWorker::Node(int Ply, int Depth, int32_t Alpha, int32_t Beta, int Threats)
{
    if (++Nodes % POLL_INTERVAL == 0) {
        Published.store(Nodes, std::memory_order_relaxed);
        Poll();
    }
    if (Stopped())
        return 0;
    const TExpertWeights& weights = *S.Weights;
    TCheckersBoard& board = *Boards[Ply];
    const uint64_t key = board.Key();
    // Fetched while the moves are generated. Nodes at the horizon never look at the table, and
    // they are most of the nodes: fetching for them too kept the memory busy for nothing.
    if (Depth > 0)
        S.Table.Prefetch(key);
    Line[Ply] = key;
    if (Reversible[Ply] >= DRAW_PLIES || Repeats(Ply, key))
        return Ply % 2 == 0 ? -weights.Contempt : weights.Contempt;
    // Most nodes are quiet leaves, which need no move list: whether a capture is due and
    // whether any move is left come from the squares alone.
    const bool capture = HasCapture(board.BlackPieces(), board.WhitePieces(), board.Kings(), board.Turn());
    const bool leaf = Depth <= 0 && !capture;
    if (leaf ? !board.HasMoves() : board.Moves().Count() == 0)
        return -(EXPERT_WIN - Ply);
    if (Ply >= MAX_PLY - 1)
        return ExpertEvaluate(board, weights);
    // The database knows quiet positions with few pieces; one with a capture pending is asked
    // after the capture, where the count is smaller.
    if (S.Db.Probe != nullptr && !capture &&
        SquareCount(board.BlackPieces() | board.WhitePieces()) < S.ProbeBelow) {
        const TEgdbResult known = S.Db.Probe(S.Db.Context, board);
        if (known != TEgdbResult::Unknown) {
            if (known == TEgdbResult::Draw)
                return Ply % 2 == 0 ? -weights.Contempt : weights.Contempt;
            // A little of the evaluation keeps the winner making progress and the loser
            // holding out.
            const int32_t edge = std::clamp(ExpertEvaluate(board, weights) / 4, -50, 50);
            return (known == TEgdbResult::Win ? EXPERT_DB_WIN - 50 - Ply : -(EXPERT_DB_WIN - 50 - Ply)) + edge;
        }
    }
    if (leaf) {
        if (Threats == 0 || !Threatened(board))
            return Evaluate(board);
        --Threats;
    }
    const TMoveList& moves = board.Moves();
    const int n = std::min<int>(moves.Count(), MAX_MOVES);
    // No line through here can do better than a win at once or worse than a loss at once.
    Alpha = std::max(Alpha, -(EXPERT_WIN - Ply));
    Beta = std::min(Beta, EXPERT_WIN - Ply - 1);
    if (Alpha >= Beta)
        return Alpha;

    int tableMove = -1;
    if (Depth > 0) {
        TEntry entry;
        if (S.Table.Probe(key, entry)) {
            tableMove = entry.Move < n ? entry.Move : -1;
            if (entry.Depth >= Depth) {
                const int32_t v = FromTable(entry.Score, Ply);
                if (entry.Bound == bkExact || (entry.Bound == bkLower && v >= Beta) ||
                    (entry.Bound == bkUpper && v <= Alpha))
                    return v;
            }
        }
    }

    // A null-window node whose shallower search clears the window by a wide margin is taken to
    // fail high: a few plies further seldom cost more than half a man a side already has. The
    // shallower search also leaves its best move in the table for the full one. In the same
    // time the search gets 0.7 of a ply deeper from the ballots at 0.1 s and 1.2 at 1 s; against
    // the strong outside engine at 0.1 s it scored 45.8 % over 200 games where the search
    // without it scored 45.0 %, losing 25 games instead of 31. Testing the other side of the
    // window as well gained no depth. Known results are left alone: a margin means
    // nothing to them.
    if (Depth >= PROBCUT_DEPTH && Beta - Alpha == 1 && !capture && std::abs(Beta) < EXPERT_DB_WIN / 2) {
        const int32_t high = Beta + PROBCUT_MARGIN;
        const int32_t v = Node(Ply, Depth - PROBCUT_REDUCTION, high - 1, high, Threats);
        if (Stopped())
            return 0;
        if (v >= high)
            return v;
        if (tableMove < 0) {
            TEntry entry;
            if (S.Table.Probe(key, entry))
                tableMove = entry.Move < n ? entry.Move : -1;
        }
    }

    int32_t* scores = Scores[Ply];
    const int side = board.Turn() == PLAYER_BLACK;
    for (int i = 0; i < n; ++i) {
        const TCheckersMove& m = moves[i];
        if (i == tableMove)
            scores[i] = 1 << 30;
        else if (capture)
            scores[i] = (1 << 20) + 16 * SquareCount(m.Captured) + 8 * SquareCount(m.Captured & board.Kings());
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
    const bool reducible = Depth >= 3 && !capture;
    const int32_t alphaBefore = Alpha;
    int32_t best = -INF;
    int bestMove = -1;
    uint8_t quiet[MAX_MOVES];
    int quietCount = 0;
    TCheckersBoard& child = *Boards[Ply + 1];
    for (int i = 0; i < n; ++i) {
        int pick = 0;
        for (int k = 1; k < n; ++k)
            if (scores[k] > scores[pick])
                pick = k;
        const int32_t order = scores[pick];
        scores[pick] = INT32_MIN;
        const TCheckersMove& m = moves[pick];
        child.ApplyMove(board, pick);
        SetChild(board, Ply, m);
        int32_t v;
        if (i == 0 || Depth <= 0) {
            v = -Node(Ply + 1, childDepth, -Beta, -Alpha, Threats);
        } else {
            // Late quiet moves are first looked at shallower; one that surprises is searched
            // again in full. Sparing also the moves that offer a capture, those of a side under
            // threat, or the moves of the window's own line cost two to three times the nodes to
            // the same depth from the openings. Against the search before these reductions, at
            // 0.1 s a move over 40 ballot games, this rule scored 6 wins, 3 losses; sparing the
            // moves that offer a capture near the horizon scored 3 wins, 9 losses. A man about
            // to crown is spared.
            int reduction = 0;
            if (reducible && order < (1 << 18) && !NearCrowning(board, m))
                reduction = std::clamp<int>(Reductions.R[std::min(Depth, 63)][i], 0, childDepth - 1);
            v = -Node(Ply + 1, childDepth - reduction, -Alpha - 1, -Alpha, Threats);
            if (v > Alpha && reduction > 0 && !Stopped())
                v = -Node(Ply + 1, childDepth, -Alpha - 1, -Alpha, Threats);
            if (v > Alpha && v < Beta && !Stopped())
                v = -Node(Ply + 1, childDepth, -Beta, -Alpha, Threats);
        }
        if (Stopped())
            return 0;
        if (v > best) {
            best = v;
            bestMove = pick;
            if (v > Alpha) {
                Alpha = v;
                if (v >= Beta) {
                    if (!capture && Depth > 0) {
                        const uint16_t code = MoveCode(m);
                        if (Killers[Ply][0] != code) {
                            Killers[Ply][1] = Killers[Ply][0];
                            Killers[Ply][0] = code;
                        }
                        const int32_t bonus = std::min(Depth * Depth, 400);
                        UpdateHistory(side, m, bonus);
                        // The quiet moves tried before it did not refute the line here.
                        for (int q = 0; q < quietCount; ++q)
                            UpdateHistory(side, moves[quiet[q]], -bonus);
                    }
                    break;
                }
            }
        }
        if (!capture)
            quiet[quietCount++] = static_cast<uint8_t>(pick);
    }

    if (Depth > 0)
        S.Table.Store(key, ToTable(best, Ply), Depth,
                      best >= Beta ? bkLower : best > alphaBefore ? bkExact : bkUpper, bestMove);
    return best;
}

// The root's moves in the window from RootOrder[First] on (the ones before it are the best
// moves an analysis has already listed), the best so far kept first among them. Changed: a move
// other than the first was proven better than it.
int32_t TWorker::Root(int Depth, int32_t Alpha, int32_t Beta, bool& Changed, int First)
{
    RootDepth = Depth;
    Changed = false;
    TCheckersBoard& root = *Boards[0];
    TCheckersBoard& child = *Boards[1];
    const TMoveList& moves = root.Moves();
    int32_t best = -INF;
    for (int k = First; k < RootCount; ++k) {
        const int m = RootOrder[k];
        child.ApplyMove(root, m);
        SetChild(root, 0, moves[m]);
        int32_t v;
        if (k == First) {
            v = -Node(1, Depth - 1, -Beta, -Alpha, THREAT_EXTENSIONS);
        } else {
            v = -Node(1, Depth - 1, -Alpha - 1, -Alpha, THREAT_EXTENSIONS);
            if (v > Alpha && v < Beta && !Stopped())
                v = -Node(1, Depth - 1, -Beta, -Alpha, THREAT_EXTENSIONS);
        }
        if (Stopped())
            break;
        if (v > best) {
            best = v;
            if (k > First && v > Alpha) {
                std::rotate(RootOrder + First, RootOrder + k, RootOrder + k + 1);
                Changed = true;
            }
            if (v > Alpha) {
                Alpha = v;
                if (v >= Beta)
                    break;
            }
        }
    }
    return best;
}

// The helpers' iterative deepening: the first thread's own is in Search. Odd helpers run a ply
// ahead, so that the threads' table entries come from more than one depth at a time.
void TWorker::Deepen(int MaxDepth)
{
    for (int depth = 1 + (Index & 1); depth <= MaxDepth && !Stopped(); ++depth) {
        bool changed;
        const int32_t score = Root(depth, -INF, INF, changed);
        if (Stopped())
            break;
        if (!LimitedRoot)
            S.Table.Store(Line[0], score, depth, bkExact, RootOrder[0]);
    }
}

struct TExpertEngine::TImpl {
    TImpl() { Workers.push_back(std::make_unique<TWorker>(Shared)); }

    TShared Shared;
    std::vector<std::unique_ptr<TWorker>> Workers;
    int Threads = 1;
};

TExpertEngine::TExpertEngine() : F(std::make_unique<TImpl>()) {}

TExpertEngine::~TExpertEngine() = default;

void TExpertEngine::Clear()
{
    F->Shared.Table.Clear();
    for (auto& worker : F->Workers)
        worker->Clear();
}

void TExpertEngine::SetWeights(const TExpertWeights& Weights)
{
    F->Shared.Weights = &Weights;
}

void TExpertEngine::SetThreads(int Threads)
{
    F->Threads = Threads > 0 ? Threads : std::max(1u, std::thread::hardware_concurrency());
}

int TExpertEngine::Threads() const
{
    return F->Threads;
}

void TExpertEngine::SetEndgameDb(const TEndgameDb* Db)
{
    TExpertProbe probe;
    if (Db != nullptr) {
        probe.MaxPieces = Db->MaxPieces();
        probe.Context = Db;
        probe.Probe = [](const void* Context, const TCheckersBoard& Board) {
            return static_cast<const TEndgameDb*>(Context)->Probe(Board);
        };
    }
    SetEndgameProbe(probe);
}

void TExpertEngine::SetEndgameProbe(const TExpertProbe& Probe)
{
    F->Shared.Db = Probe.MaxPieces > 0 ? Probe : TExpertProbe{};
}

TExpertResult TExpertEngine::Search(const TCheckersBoard& Board, uint32_t MoveTimeMs, uint32_t MaxMemory,
                                    const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys, int MaxDepth)
{
    TExpertRequest request;
    request.MoveTimeMs = MoveTimeMs;
    request.MaxDepth = MaxDepth;
    return Search(Board, request, MaxMemory, StopFlag, GameKeys);
}

namespace {

// The line the table expects after Move: each position's stored best move in turn, until the
// table knows no more, the line repeats itself or the game ends.
std::vector<TCheckersMove> TableLine(const TTable& Table, const TCheckersBoard& Root, int32_t Move, int MaxLength)
{
    std::vector<TCheckersMove> line;
    auto board = std::make_unique<TCheckersBoard>(), next = std::make_unique<TCheckersBoard>();
    board->Assign(Root);
    std::vector<uint64_t> seen{board->Key()};
    while (Move >= 0 && Move < board->MoveCount() && static_cast<int>(line.size()) < MaxLength) {
        line.push_back(board->Moves()[Move]);
        next->ApplyMove(*board, Move);
        std::swap(board, next);
        const uint64_t key = board->Key();
        if (std::find(seen.begin(), seen.end(), key) != seen.end())
            break;
        seen.push_back(key);
        TEntry entry;
        Move = Table.Probe(key, entry) ? entry.Move : -1;
    }
    return line;
}

}  // namespace

TExpertResult TExpertEngine::Search(const TCheckersBoard& Board, const TExpertRequest& Request, uint32_t MaxMemory,
                                    const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys)
{
    TImpl& impl = *F;
    TShared& s = impl.Shared;
    TWorker& main = *impl.Workers[0];
    main.Main = true;
    TCheckersBoard& root = *main.Boards[0];
    root.Assign(Board);
    root.BeginSearch();
    const TMoveList& moves = root.Moves();
    const int n = std::min<int>(moves.Count(), MAX_MOVES);
    TExpertResult result;
    if (n == 0) {
        result.Score = -EXPERT_WIN;
        return result;
    }
    // A request that limits the root's moves or asks for lines and reports wants the only move
    // searched as well: an analysis needs its score.
    const bool analysis = Request.OnReport || Request.Lines > 1 || !Request.RootMoves.empty();
    result.Move = 0;
    if (n == 1 && !analysis) {
        result.Score = ExpertEvaluate(root, *s.Weights);
        return result;
    }

    // The table is made before the clock starts, so that the move time is the search's alone.
    const auto made = TClock::now();
    if (s.Table.Resize(MaxMemory))
        result.TableSeconds = std::chrono::duration<double>(TClock::now() - made).count();
    const auto start = TClock::now();
    s.Table.NewSearch();
    // A draw is worth Contempt to the side the search plays for, so the same position scores
    // apart by some twice that in a search for the other side (a hint for the human between
    // the computer's moves, the analysis pane, the computer playing both). Each keeps to its
    // own entries instead of reading the other's draws; with a draw worth nothing the keys are
    // the positions' own.
    const int32_t drawToBlack = root.Turn() == PLAYER_BLACK ? -s.Weights->Contempt : s.Weights->Contempt;
    s.Table.SetSalt(static_cast<uint64_t>(static_cast<int64_t>(drawToBlack)) * 0x9E3779B97F4A7C15ull);
    const int rootPieces = SquareCount(root.BlackPieces() | root.WhitePieces());
    s.ProbeBelow = rootPieces > s.Db.MaxPieces || s.Db.Probe(s.Db.Context, root) == TEgdbResult::Draw
                       ? s.Db.MaxPieces + 1
                       : rootPieces;
    s.Past.Build(GameKeys);
    s.Reversible = GameKeys != nullptr && !GameKeys->empty() ? static_cast<int>(GameKeys->size()) - 1 : 0;
    s.Stop = StopFlag;
    s.Timed = Request.MoveTimeMs > 0;
    s.Deadline = start + std::chrono::milliseconds(Request.MoveTimeMs);
    s.Stopped.store(false);
    const int maxDepth = Request.MaxDepth > 0 ? std::min(Request.MaxDepth, EXPERT_MAX_DEPTH) : EXPERT_MAX_DEPTH;
    main.Begin(root, n, &Request.RootMoves);
    if (main.RootCount == 0)
        main.Begin(root, n, nullptr);  // none of the moves asked for is legal: all of them
    const int lineCount = std::clamp(Request.Lines, 1, main.RootCount);
    // Hurried before it begins, the search answers at once with the move it already knew. The
    // clock is not looked at yet: however late the search starts, its first depth is searched.
    if (s.Stop != nullptr && s.Stop->load(std::memory_order_relaxed) != STOP_NONE)
        main.Poll();
    result.Move = main.RootOrder[0];

    // The helpers start on the same root and stop when the first thread is done, also when it
    // leaves by an exception.
    while (static_cast<int>(impl.Workers.size()) < impl.Threads)
        impl.Workers.push_back(std::make_unique<TWorker>(s));
    struct THelpers {
        TShared& Shared;
        std::vector<std::thread> Threads;
        ~THelpers()
        {
            Shared.Stopped.store(true);
            for (std::thread& thread : Threads)
                thread.join();
        }
    } helpers{s, {}};
    for (int i = 1; i < impl.Threads && !s.Stopped.load(); ++i) {
        TWorker& helper = *impl.Workers[i];
        helper.Index = i;
        helper.Begin(root, n, &Request.RootMoves);
        try {
            helpers.Threads.emplace_back([&helper, maxDepth] {
                try {
                    helper.Deepen(maxDepth);
                } catch (...) {
                    // A helper's search only adds to the table; the first thread answers.
                }
            });
        } catch (const std::system_error&) {
            break;  // fewer threads than asked for, as the system allows
        }
    }
    auto nodesSoFar = [&] {
        uint64_t nodes = main.Nodes;
        for (size_t i = 1; i <= helpers.Threads.size(); ++i)
            nodes += impl.Workers[i]->Published.load(std::memory_order_relaxed);
        return nodes;
    };

    int32_t lineScores[MAX_MOVES] = {};
    for (int depth = 1; depth <= maxDepth; ++depth) {
        int32_t alpha = -INF, beta = INF, delta = ASPIRATION;
        if (depth >= ASPIRATION_DEPTH && std::abs(result.Score) < EXPERT_WIN_BOUND - 200) {
            alpha = result.Score - delta;
            beta = result.Score + delta;
        }
        int32_t score;
        bool changed = false;
        for (;;) {
            bool moved;
            score = main.Root(depth, alpha, beta, moved);
            changed = changed || moved;
            if (s.Stopped.load())
                break;
            if (score <= alpha) {
                beta = (alpha + beta) / 2;
                alpha = std::max(score - delta, -INF);
            } else if (score >= beta) {
                beta = std::min(score + delta, INF);
            } else {
                break;
            }
            delta *= 2;
            if (delta > 400)
                alpha = -INF, beta = INF;
        }
        // The further lines of an analysis: each the best of the moves not listed yet, searched
        // with the whole window, as its score is wanted and not only that it is worse.
        lineScores[0] = score;
        for (int line = 1; line < lineCount && !s.Stopped.load(); ++line) {
            bool moved;
            lineScores[line] = main.Root(depth, -INF, INF, moved, line);
        }
        if (s.Stopped.load()) {
            // Out of time, a move this iteration has already proven better than the last
            // iteration's choice is played; Move Now keeps to the last finished iteration.
            if (changed && !(s.Stop != nullptr && s.Stop->load() != STOP_NONE))
                result.Move = main.RootOrder[0];
            break;
        }
        result.Move = main.RootOrder[0];
        result.Score = score;
        result.Depth = depth;
        // With the root's moves limited the score is not the position's own.
        if (!main.LimitedRoot)
            s.Table.Store(main.Line[0], score, depth, bkExact, result.Move);
        if (analysis) {
            result.Lines.clear();
            for (int line = 0; line < lineCount; ++line)
                result.Lines.push_back({main.RootOrder[line], lineScores[line],
                                        TableLine(s.Table, root, main.RootOrder[line], depth + 8)});
            std::stable_sort(result.Lines.begin(), result.Lines.end(),
                             [](const TExpertLine& a, const TExpertLine& b) { return a.Score > b.Score; });
            if (Request.OnReport) {
                TExpertReport report;
                report.Depth = depth;
                report.Nodes = nodesSoFar();
                report.Seconds = std::chrono::duration<double>(TClock::now() - start).count();
                report.Lines = result.Lines;
                Request.OnReport(report);
            }
        }
        // A forced result proven within this depth stays as it is.
        if (std::abs(score) > EXPERT_WIN_BOUND && EXPERT_WIN - std::abs(score) < depth)
            break;
        // Time left over is not kept for later moves, so the search goes on to the end of the
        // move time: an iteration cut off still leaves its deeper entries in the table for the
        // next move, and a move it has already proven better is played. Measured against an
        // outside engine, this scored 30.5 % where stopping at half the time once the move was
        // settled scored 22.0 %.
    }
    s.Stopped.store(true);
    for (std::thread& thread : helpers.Threads)
        thread.join();
    for (size_t i = 0; i <= helpers.Threads.size(); ++i)
        result.Nodes += impl.Workers[i]->Nodes;
    helpers.Threads.clear();
    return result;
}

namespace {
std::mutex SharedDbGuard;
std::shared_ptr<const TEndgameDb> SharedDb;
}  // namespace

void SetExpertEndgameDb(std::shared_ptr<const TEndgameDb> Db)
{
    std::lock_guard lock(SharedDbGuard);
    SharedDb = std::move(Db);
}

std::shared_ptr<const TEndgameDb> ExpertEndgameDb()
{
    std::lock_guard lock(SharedDbGuard);
    return SharedDb;
}

TExpertResult SearchExpert(const TCheckersBoard& Board, uint32_t MoveTimeMs, uint32_t MaxMemory,
                           const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys, int Threads)
{
    TExpertRequest request;
    request.MoveTimeMs = MoveTimeMs;
    return SearchExpert(Board, request, MaxMemory, StopFlag, GameKeys, Threads);
}

TExpertResult SearchExpert(const TCheckersBoard& Board, const TExpertRequest& Request, uint32_t MaxMemory,
                           const TStopFlag* StopFlag, const std::vector<uint64_t>* GameKeys, int Threads)
{
    static std::mutex guard;
    static TExpertEngine engine;
    std::shared_ptr<const TEndgameDb> db;
    {
        std::lock_guard lock(SharedDbGuard);
        db = SharedDb;
    }
    std::lock_guard lock(guard);
    engine.SetThreads(Threads);
    engine.SetEndgameDb(db.get());
    struct TForgetDb {
        TExpertEngine& Engine;
        ~TForgetDb() { Engine.SetEndgameDb(nullptr); }
    } forget{engine};
    return engine.Search(Board, Request, MaxMemory, StopFlag, GameKeys);
}

}  // namespace velk
