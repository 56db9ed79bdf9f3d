// The endgame tables: built table by table by retrograde analysis, each written whole to its own
// file, and held packed in memory for probing.
//
// A table holds one set of pieces with either side to move. A capture or a crowning leads to a
// table built before it, so its value is known when the table is built; only steps that neither
// take nor crown stay inside the table. The first pass looks at every position's moves: those
// that leave the table settle wins at once, and the steps that stay are counted. The second pass
// walks backward from every settled position: a loss makes each position that could step into it
// a win, a win takes one from the count of each such position, and a count that reaches zero is a
// loss (a draw when a move out of the table draws). What is never settled is a draw.
#include "EndgameDb.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <mutex>
#include <thread>
#include <vector>

#include "EgdbSlice.h"

namespace velk {

using egdb::TSlice;

namespace {

constexpr uint8_t CODE_DRAW = 0;
constexpr uint8_t CODE_WIN = 1;
constexpr uint8_t CODE_LOSS = 2;

constexpr char MAGIC[8] = {'V', 'E', 'L', 'K', 'E', 'G', 'D', 'B'};
constexpr uint32_t FORMAT_VERSION = 1;
constexpr size_t HEADER_SIZE = 40;

constexpr TSquareSet BLACK_CROWN_ROW = 0x0000000Fu;  // squares 29-32
constexpr TSquareSet WHITE_CROWN_ROW = 0xF0000000u;  // squares 1-4

TEgdbResult FromCode(uint8_t Code)
{
    return Code == CODE_WIN ? TEgdbResult::Win : Code == CODE_LOSS ? TEgdbResult::Loss : TEgdbResult::Draw;
}

// The packed tables, by the counts of the pieces in their stored form.
struct TTableSet {
    const uint8_t* Data[EGDB_MAX_PIECES + 1][EGDB_MAX_PIECES + 1][EGDB_MAX_PIECES + 1][EGDB_MAX_PIECES + 1] = {};
    std::vector<std::vector<uint8_t>> Owned;

    void Add(const TSlice& S, std::vector<uint8_t>&& Packed)
    {
        Owned.push_back(std::move(Packed));
        Data[S.BlackMen][S.BlackKings][S.WhiteMen][S.WhiteKings] = Owned.back().data();
    }

    // Turn 0 Black, 1 White to move; Unknown when the table is not here.
    TEgdbResult Probe(TSquareSet Black, TSquareSet White, TSquareSet Kings, int Turn) const
    {
        if ((Black & White) != 0 || (Kings & ~(Black | White)) != 0)
            return TEgdbResult::Unknown;
        if ((Turn == 0 ? Black : White) == 0)
            return TEgdbResult::Loss;
        if ((Turn == 0 ? White : Black) == 0)
            return TEgdbResult::Win;
        if ((Black & ~Kings & BLACK_CROWN_ROW) != 0 || (White & ~Kings & WHITE_CROWN_ROW) != 0)
            return TEgdbResult::Unknown;
        TSlice s = egdb::SliceOf(Black, White, Kings);
        if (s.Pieces() > EGDB_MAX_PIECES)
            return TEgdbResult::Unknown;
        if (!s.Stored()) {
            const TSquareSet black = egdb::Rotate(White);
            White = egdb::Rotate(Black);
            Black = black;
            Kings = egdb::Rotate(Kings);
            Turn ^= 1;
            s = TSlice{s.WhiteMen, s.WhiteKings, s.BlackMen, s.BlackKings};
        }
        const uint8_t* data = Data[s.BlackMen][s.BlackKings][s.WhiteMen][s.WhiteKings];
        if (data == nullptr)
            return TEgdbResult::Unknown;
        const uint64_t index = egdb::IndexOf(s, Black, White, Kings, Turn);
        return FromCode((data[index >> 2] >> ((index & 3) * 2)) & 3);
    }
};

// The position a move leads to, with the man crowned that reaches the far row.
struct TSuccessor {
    TSquareSet Black, White, Kings;
    bool LeavesSlice;  // a capture or a crowning
};

TSuccessor Successor(const TCheckersMove& Move, TSquareSet Black, TSquareSet White, TSquareSet Kings, int Turn)
{
    const TSquareSet from = SquareBit(Move.From()), to = SquareBit(Move.To());
    const bool king = (Kings & from) != 0;
    TSquareSet own = Turn == 0 ? Black : White;
    TSquareSet opp = Turn == 0 ? White : Black;
    own = (own & ~from) | to;
    opp &= ~Move.Captured;
    Kings &= ~(from | Move.Captured);
    const bool crowned = !king && (to & (Turn == 0 ? BLACK_CROWN_ROW : WHITE_CROWN_ROW)) != 0;
    if (king || crowned)
        Kings |= to;
    return Turn == 0 ? TSuccessor{own, opp, Kings, Move.Captured != 0 || crowned}
                     : TSuccessor{opp, own, Kings, Move.Captured != 0 || crowned};
}

uint8_t Side(int Turn) { return Turn == 0 ? PLAYER_BLACK : PLAYER_WHITE; }

uint64_t Fnv1a(const std::vector<uint8_t>& Bytes)
{
    uint64_t h = 0xcbf29ce484222325ull;
    for (const uint8_t b : Bytes)
        h = (h ^ b) * 0x100000001b3ull;
    return h;
}

void PutU64(uint8_t* At, uint64_t Value)
{
    for (int i = 0; i < 8; ++i)
        At[i] = static_cast<uint8_t>(Value >> (8 * i));
}

uint64_t GetU64(const uint8_t* At)
{
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i)
        v = (v << 8) | At[i];
    return v;
}

std::string TablePath(const std::string& Folder, const TSlice& S) { return Folder + "/velk-" + S.Name() + ".egdb"; }

// The whole file, or false when it cannot be read.
bool ReadFile(const std::string& Path, std::vector<uint8_t>& Bytes)
{
    FILE* f = std::fopen(Path.c_str(), "rb");
    if (f == nullptr)
        return false;
    bool ok = std::fseek(f, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(f) : -1;
    ok = ok && size >= 0 && std::fseek(f, 0, SEEK_SET) == 0;
    if (ok) {
        Bytes.resize(static_cast<size_t>(size));
        ok = std::fread(Bytes.data(), 1, Bytes.size(), f) == Bytes.size();
    }
    std::fclose(f);
    return ok;
}

// The header's fields; false when they are not those of S's table.
bool CheckHeader(const uint8_t* Header, size_t FileSize, const TSlice& S, uint64_t& CompressedSize)
{
    if (FileSize < HEADER_SIZE || std::memcmp(Header, MAGIC, sizeof MAGIC) != 0)
        return false;
    const uint32_t version = static_cast<uint32_t>(GetU64(Header + 8) & 0xFFFFFFFFu);
    const TSlice s{Header[12], Header[13], Header[14], Header[15]};
    CompressedSize = GetU64(Header + 24);
    return version == FORMAT_VERSION && s == S && GetU64(Header + 16) == S.Positions() &&
           CompressedSize == FileSize - HEADER_SIZE;
}

// Whether S's file is there with a header that fits it, without reading the rest.
bool TableHeaderFits(const std::string& Folder, const TSlice& S)
{
    FILE* f = std::fopen(TablePath(Folder, S).c_str(), "rb");
    if (f == nullptr)
        return false;
    uint8_t header[HEADER_SIZE];
    const bool read = std::fread(header, 1, HEADER_SIZE, f) == HEADER_SIZE && std::fseek(f, 0, SEEK_END) == 0;
    const long size = read ? std::ftell(f) : -1;
    std::fclose(f);
    uint64_t compressed = 0;
    return size >= 0 && CheckHeader(header, static_cast<size_t>(size), S, compressed);
}

// S's table from its file, checked whole; false for a missing, truncated or damaged file.
bool LoadTable(const std::string& Folder, const TSlice& S, std::vector<uint8_t>& Packed)
{
    std::vector<uint8_t> bytes;
    uint64_t compressed = 0;
    if (!ReadFile(TablePath(Folder, S), bytes) || !CheckHeader(bytes.data(), bytes.size(), S, compressed))
        return false;
    Packed.assign((S.Positions() + 3) / 4, 0);
    return egdb::Decompress(bytes.data() + HEADER_SIZE, compressed, Packed) &&
           Fnv1a(Packed) == GetU64(bytes.data() + 32);
}

bool WriteTable(const std::string& Folder, const TSlice& S, const std::vector<uint8_t>& Packed, std::string& Error)
{
    const std::vector<uint8_t> payload = egdb::Compress(Packed);
    uint8_t header[HEADER_SIZE] = {};
    std::memcpy(header, MAGIC, sizeof MAGIC);
    PutU64(header + 8, FORMAT_VERSION);
    header[12] = S.BlackMen;
    header[13] = S.BlackKings;
    header[14] = S.WhiteMen;
    header[15] = S.WhiteKings;
    PutU64(header + 16, S.Positions());
    PutU64(header + 24, payload.size());
    PutU64(header + 32, Fnv1a(Packed));
    const std::string path = TablePath(Folder, S);
    const std::string temp = path + ".part";
    FILE* f = std::fopen(temp.c_str(), "wb");
    if (f == nullptr) {
        Error = "Cannot write " + temp + ". " + std::strerror(errno);
        return false;
    }
    bool ok = std::fwrite(header, 1, HEADER_SIZE, f) == HEADER_SIZE &&
              std::fwrite(payload.data(), 1, payload.size(), f) == payload.size();
    const int error = errno;
    ok = std::fclose(f) == 0 && ok;
    if (!ok || std::rename(temp.c_str(), path.c_str()) != 0) {
        Error = "Cannot write " + path + ". " + std::strerror(ok ? errno : error);
        std::remove(temp.c_str());
        return false;
    }
    return true;
}

// Values while a table is built: unknown until settled; the top bit marks a settled position
// whose predecessors have been told.
constexpr uint8_t V_UNKNOWN = 0;
constexpr uint8_t V_WIN = 1;
constexpr uint8_t V_LOSS = 2;
constexpr uint8_t V_DRAW = 3;
constexpr uint8_t V_TOLD = 0x80;
// In the counts, the top bit marks a position with a drawing move out of the table.
constexpr uint8_t C_DRAW_OUT = 0x80;

struct TSliceBuild {
    const TSlice& Slice;
    const TTableSet& Known;
    std::vector<uint8_t> Values;
    std::vector<uint8_t> Counts;
    std::atomic<uint64_t> Next{0};
    std::atomic<uint64_t> Done{0};
    std::atomic<bool> Stop{false};
    std::atomic<bool> OutOfMemory{false};
    std::mutex ErrorLock;
    std::string Error;

    TSliceBuild(const TSlice& S, const TTableSet& K) : Slice(S), Known(K) {}

    void Fail(const std::string& Message)
    {
        const std::lock_guard<std::mutex> lock(ErrorLock);
        if (Error.empty())
            Error = Message;
        Stop = true;
    }

    void FirstPass()
    {
        constexpr uint64_t CHUNK = 1 << 14;
        const uint64_t total = Slice.Positions();
        TMoveList list;
        list.SetCapacity(64);
        for (;;) {
            const uint64_t start = Next.fetch_add(CHUNK);
            if (start >= total || Stop)
                return;
            const uint64_t end = std::min(total, start + CHUNK);
            for (uint64_t i = start; i < end; ++i)
                Settle(i, list);
            Done += end - start;
        }
    }

    void Settle(uint64_t Index, TMoveList& List)
    {
        TSquareSet black, white, kings;
        int turn;
        if (!egdb::PositionAt(Slice, Index, black, white, kings, turn)) {
            Values[Index] = V_DRAW | V_TOLD;
            return;
        }
        GenerateMoves(List, black, white, kings, Side(turn));
        uint8_t inside = 0;
        bool drawOut = false;
        for (int32_t m = 0; m < List.Count(); ++m) {
            const TSuccessor next = Successor(List[m], black, white, kings, turn);
            if (!next.LeavesSlice) {
                ++inside;
                continue;
            }
            const TEgdbResult r = Known.Probe(next.Black, next.White, next.Kings, turn ^ 1);
            if (r == TEgdbResult::Loss) {
                Values[Index] = V_WIN;
                return;
            }
            if (r == TEgdbResult::Unknown) {
                Fail("The table for " + egdb::SliceOf(next.Black, next.White, next.Kings).Name() +
                     " is missing while " + Slice.Name() + " is built.");
                return;
            }
            drawOut = drawOut || r == TEgdbResult::Draw;
        }
        if (inside == 0)
            Values[Index] = drawOut ? V_DRAW : V_LOSS;
        else
            Counts[Index] = static_cast<uint8_t>(inside | (drawOut ? C_DRAW_OUT : 0));
    }

    // One sweep over the positions, on every thread: tells the predecessors of each settled
    // position not told yet. A position settled behind a thread's sweep is told on the next
    // one; the sweeps end when one tells nothing. Threads meet at the same predecessor, so its
    // value and count change atomically.
    void Sweep(std::atomic<bool>& Told)
    {
        constexpr uint64_t CHUNK = 1 << 14;
        const uint64_t total = Slice.Positions();
        uint64_t told = 0;
        for (;;) {
            const uint64_t start = Next.fetch_add(CHUNK);
            if (start >= total || Stop)
                break;
            const uint64_t end = std::min(total, start + CHUNK);
            for (uint64_t i = start; i < end; ++i) {
                std::atomic_ref<uint8_t> value(Values[i]);
                const uint8_t v = value.load(std::memory_order_relaxed);
                if (v != V_WIN && v != V_LOSS)
                    continue;
                value.store(v | V_TOLD, std::memory_order_relaxed);
                ++told;
                TSquareSet black, white, kings;
                int turn;
                egdb::PositionAt(Slice, i, black, white, kings, turn);
                egdb::ForEachPredecessor(black, white, kings, turn, [&](TSquareSet B, TSquareSet W, TSquareSet K) {
                    const uint64_t j = egdb::IndexOf(Slice, B, W, K, turn ^ 1);
                    std::atomic_ref<uint8_t> before(Values[j]);
                    if (before.load(std::memory_order_relaxed) != V_UNKNOWN)
                        return;
                    uint8_t unknown = V_UNKNOWN;
                    if (v == V_LOSS) {
                        before.compare_exchange_strong(unknown, V_WIN, std::memory_order_relaxed);
                        return;
                    }
                    const uint8_t left =
                        std::atomic_ref<uint8_t>(Counts[j]).fetch_sub(1, std::memory_order_relaxed) - 1;
                    if ((left & ~C_DRAW_OUT) == 0)
                        before.compare_exchange_strong(unknown, (left & C_DRAW_OUT) != 0 ? V_DRAW : V_LOSS,
                                                       std::memory_order_relaxed);
                });
            }
        }
        Done += told;
        if (told != 0)
            Told = true;
    }

    std::vector<uint8_t> Pack() const
    {
        std::vector<uint8_t> packed((Values.size() + 3) / 4, 0);
        for (size_t i = 0; i < Values.size(); ++i) {
            const uint8_t v = Values[i] & ~V_TOLD;
            const uint8_t code = v == V_WIN ? CODE_WIN : v == V_LOSS ? CODE_LOSS : CODE_DRAW;
            packed[i >> 2] |= static_cast<uint8_t>(code << ((i & 3) * 2));
        }
        return packed;
    }
};

using TProgress = std::function<bool(uint64_t, uint64_t)>;

// Solves one table on Threads threads, calling Progress from this thread meanwhile.
// Runs Work on Threads threads, calling Progress from this thread meanwhile.
void RunWorkers(int Threads, TSliceBuild& Build, uint64_t DoneBefore, uint64_t Total, const TProgress& Progress,
                const std::function<void()>& Work)
{
    std::mutex lock;
    std::condition_variable finished;
    int running = Threads;
    std::vector<std::thread> workers;
    for (int t = 0; t < Threads; ++t)
        workers.emplace_back([&] {
            try {
                Work();
            } catch (const std::bad_alloc&) {
                Build.OutOfMemory = true;
                Build.Stop = true;
            }
            const std::lock_guard<std::mutex> guard(lock);
            if (--running == 0)
                finished.notify_one();
        });
    std::unique_lock<std::mutex> guard(lock);
    while (!finished.wait_for(guard, std::chrono::milliseconds(100), [&] { return running == 0; })) {
        guard.unlock();
        if (Progress && !Build.Stop && !Progress(DoneBefore + Build.Done, Total))
            Build.Stop = true;
        guard.lock();
    }
    guard.unlock();
    for (std::thread& w : workers)
        w.join();
}

// Solves one table; its share of the progress is two steps a position: the first pass, then
// the telling of the settled ones (the draws are never told, hence the jump at the end).
bool SolveSlice(const TSlice& S, const TTableSet& Known, int Threads, uint64_t DoneBefore, uint64_t Total,
                const TProgress& Progress, std::vector<uint8_t>& Packed, std::string& Error)
{
    TSliceBuild build(S, Known);
    build.Values.assign(S.Positions(), V_UNKNOWN);
    build.Counts.assign(S.Positions(), 0);
    RunWorkers(Threads, build, DoneBefore, Total, Progress, [&] { build.FirstPass(); });
    for (std::atomic<bool> told{true}; told && !build.Stop;) {
        told = false;
        build.Next = 0;
        RunWorkers(Threads, build, DoneBefore, Total, Progress, [&] { build.Sweep(told); });
    }
    if (build.Stop) {
        Error = build.OutOfMemory     ? "Not enough memory to build the endgame tables."
                : build.Error.empty() ? "The build was stopped."
                                      : build.Error;
        return false;
    }
    Packed = build.Pack();
    return true;
}

std::string PositionText(TSquareSet Black, TSquareSet White, TSquareSet Kings, int Turn)
{
    auto side = [&](TSquareSet Set) {
        std::string text;
        for (int p = 0; p < SQUARE_COUNT; ++p) {
            if (!(Set & SquareBit(p)))
                continue;
            if (!text.empty())
                text += ',';
            if (Kings & SquareBit(p))
                text += 'K';
            text += std::to_string(p + 1);
        }
        return text;
    };
    return std::string(Turn == 0 ? "B" : "W") + ":W" + side(White) + ":B" + side(Black);
}

}  // namespace

struct TEndgameDb::TImpl {
    int MaxPieces = 0;
    TTableSet Tables;
};

TEndgameDb::TEndgameDb() : F(std::make_unique<TImpl>()) {}

TEndgameDb::~TEndgameDb() = default;

std::string TEndgameDb::DefaultFolder()
{
    const char* data = std::getenv("XDG_DATA_HOME");
    if (data != nullptr && *data == '/')
        return std::string(data) + "/velk-checkers/egdb";
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : ".") + "/.local/share/velk-checkers/egdb";
}

bool TEndgameDb::Load(const std::string& Folder, int MostPieces)
{
    auto impl = std::make_unique<TImpl>();
    try {
        const std::vector<TSlice> order = egdb::BuildOrder(std::clamp(MostPieces, 0, EGDB_MAX_PIECES));
        for (size_t i = 0; i < order.size();) {
            const int pieces = order[i].Pieces();
            // A set still being built is not read at all.
            bool complete = true;
            for (size_t j = i; j < order.size() && order[j].Pieces() == pieces && complete; ++j)
                complete = TableHeaderFits(Folder, order[j]);
            for (; i < order.size() && order[i].Pieces() == pieces && complete; ++i) {
                std::vector<uint8_t> packed;
                complete = LoadTable(Folder, order[i], packed);
                if (complete)
                    impl->Tables.Add(order[i], std::move(packed));
            }
            if (!complete)
                break;
            impl->MaxPieces = pieces;
        }
    } catch (const std::bad_alloc&) {
        // What fitted stays usable: MaxPieces only counts complete sets of tables.
    }
    // Tables of an incomplete set are never probed: Probe refuses more pieces than MaxPieces.
    F = std::move(impl);
    return F->MaxPieces > 0;
}

int TEndgameDb::MaxPieces() const { return F->MaxPieces; }

TEgdbResult TEndgameDb::Probe(const TCheckersBoard& Board) const
{
    return Probe(Board.BlackPieces(), Board.WhitePieces(), Board.Kings(), Board.Turn());
}

TEgdbResult TEndgameDb::Probe(TSquareSet Black, TSquareSet White, TSquareSet Kings, uint8_t Turn) const
{
    if (std::popcount(Black | White) > F->MaxPieces || (Turn != PLAYER_BLACK && Turn != PLAYER_WHITE))
        return TEgdbResult::Unknown;
    return F->Tables.Probe(Black, White, Kings, Turn == PLAYER_BLACK ? 0 : 1);
}

bool BuildEndgameDb(const TEgdbBuildOptions& Options,
                    const std::function<bool(uint64_t Done, uint64_t Total)>& Progress, std::string& Error)
{
    if (Options.Pieces < 2 || Options.Pieces > EGDB_MAX_PIECES) {
        Error = "The number of pieces must be between 2 and " + std::to_string(EGDB_MAX_PIECES) + ".";
        return false;
    }
    std::error_code ec;
    std::filesystem::create_directories(Options.Folder, ec);
    if (ec || !std::filesystem::is_directory(Options.Folder, ec)) {
        Error = "Cannot create the folder " + Options.Folder + ". " + ec.message();
        return false;
    }
    const int threads = Options.Threads > 0 ? Options.Threads : std::max(1u, std::thread::hardware_concurrency());
    try {
        const std::vector<TSlice> order = egdb::BuildOrder(Options.Pieces);
        uint64_t total = 0, done = 0;
        for (const TSlice& s : order)
            total += 2 * s.Positions();
        TTableSet known;
        int tables = 0;
        for (const TSlice& s : order) {
            std::vector<uint8_t> packed;
            if (!LoadTable(Options.Folder, s, packed)) {
                if (!SolveSlice(s, known, threads, done, total, Progress, packed, Error) ||
                    !WriteTable(Options.Folder, s, packed, Error))
                    return false;
            }
            known.Add(s, std::move(packed));
            done += 2 * s.Positions();
            ++tables;
            if (Options.TableDone)
                Options.TableDone(tables, static_cast<int>(order.size()), s.Name());
            if (Progress && !Progress(done, total)) {
                Error = "The build was stopped.";
                return false;
            }
        }
        return true;
    } catch (const std::bad_alloc&) {
        Error = "Not enough memory to build the endgame tables.";
        return false;
    } catch (const std::system_error& e) {
        Error = std::string("Cannot start the building threads. ") + e.what();
        return false;
    }
}

bool EndgameDbComplete(const std::string& Folder, int Pieces)
{
    if (Pieces < 2 || Pieces > EGDB_MAX_PIECES)
        return false;
    for (const TSlice& s : egdb::BuildOrder(Pieces))
        if (!TableHeaderFits(Folder, s))
            return false;
    return true;
}

bool VerifyEndgameDb(const TEndgameDb& Db, uint64_t Stride,
                     const std::function<bool(uint64_t Done, uint64_t Total)>& Progress, TEgdbVerifyReport& Report)
{
    Report = {};
    Stride = std::max<uint64_t>(Stride, 1);
    const std::vector<TSlice> order = egdb::BuildOrder(Db.MaxPieces());
    uint64_t total = 0, done = 0;
    for (const TSlice& s : order)
        total += s.Positions();
    TMoveList list;
    auto startTime = std::chrono::steady_clock::now();
    for (const TSlice& s : order) {
        for (uint64_t i = 0; i < s.Positions(); i += Stride) {
            TSquareSet black, white, kings;
            int turn;
            if (!egdb::PositionAt(s, i, black, white, kings, turn))
                continue;
            const uint8_t side = Side(turn);
            const TEgdbResult stored = Db.Probe(black, white, kings, side);
            GenerateMoves(list, black, white, kings, side);
            bool draw = false, win = false, unknown = stored == TEgdbResult::Unknown;
            for (int32_t m = 0; m < list.Count(); ++m) {
                const TSuccessor next = Successor(list[m], black, white, kings, turn);
                const TEgdbResult r = Db.Probe(next.Black, next.White, next.Kings, Side(turn ^ 1));
                win = win || r == TEgdbResult::Loss;
                draw = draw || r == TEgdbResult::Draw;
                unknown = unknown || r == TEgdbResult::Unknown;
            }
            const TEgdbResult implied = win ? TEgdbResult::Win : draw ? TEgdbResult::Draw : TEgdbResult::Loss;
            ++Report.Checked;
            if (unknown || implied != stored) {
                if (Report.Faults++ == 0)
                    Report.FirstFault = PositionText(black, white, kings, turn);
            }
            if (Progress && std::chrono::steady_clock::now() - startTime > std::chrono::milliseconds(100)) {
                startTime = std::chrono::steady_clock::now();
                if (!Progress(done + i, total))
                    return false;
            }
        }
        done += s.Positions();
    }
    if (Progress)
        Progress(total, total);
    return true;
}

}  // namespace velk
