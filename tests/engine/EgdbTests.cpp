// The endgame tables: their numbering, the moves walked backward, the values of known endings,
// agreement of every value with the moves' results, resuming a stopped build and refusing
// damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <set>
#include <thread>
#include <unistd.h>

#include "TestBoards.h"
#include "engine/EgdbSlice.h"
#include "engine/EndgameBuilder.h"
#include "engine/EndgameDb.h"

namespace velk {
namespace {

namespace fs = std::filesystem;
using egdb::TSlice;

std::string FenOf(TSquareSet Black, TSquareSet White, TSquareSet Kings, int Turn)
{
    auto side = [&](TSquareSet Set) {
        std::string text;
        for (int p = 0; p < SQUARE_COUNT; ++p) {
            if (!(Set & SquareBit(p)))
                continue;
            text += text.empty() ? "" : ",";
            text += (Kings & SquareBit(p)) ? "K" : "";
            text += std::to_string(p + 1);
        }
        return text;
    };
    return std::string(Turn == 0 ? "B" : "W") + ":W" + side(White) + ":B" + side(Black);
}

std::string FolderFor(const std::string& Name)
{
    const fs::path folder = fs::temp_directory_path() / ("velk-egdb-" + std::to_string(getpid()) + "-" + Name);
    fs::remove_all(folder);
    return folder.string();
}

std::vector<uint8_t> Bytes(const fs::path& Path)
{
    std::ifstream in(Path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::map<std::string, std::vector<uint8_t>> FolderBytes(const std::string& Folder)
{
    std::map<std::string, std::vector<uint8_t>> files;
    for (const auto& e : fs::directory_iterator(Folder))
        files[e.path().filename().string()] = Bytes(e.path());
    return files;
}

// Every ending with up to four pieces, built once for the suite.
class Egdb : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        Folder = new std::string(FolderFor("four"));
        TEgdbBuildOptions options;
        options.Folder = *Folder;
        options.Pieces = 4;
        options.Threads = 2;
        std::string error;
        ASSERT_TRUE(BuildEndgameDb(options, nullptr, error)) << error;
        Db = new TEndgameDb;
        ASSERT_TRUE(Db->Load(*Folder));
    }

    static void TearDownTestSuite()
    {
        fs::remove_all(*Folder);
        delete Db;
        delete Folder;
    }

    static TEgdbResult Probe(const std::string& Fen) { return Db->Probe(*test::Board(Fen)); }

    static std::string* Folder;
    static TEndgameDb* Db;
};

std::string* Egdb::Folder = nullptr;
TEndgameDb* Egdb::Db = nullptr;

TEST(EgdbNumbering, EveryNumberNamesOneSoundPositionAndBack)
{
    for (const TSlice& s : egdb::BuildOrder(4)) {
        if (s.Pieces() == 4 && s.Men() != 2)
            continue;  // the rest of the four-piece tables only repeat the same numbering, slower
        uint64_t sound = 0;
        for (uint64_t i = 0; i < s.Positions(); ++i) {
            TSquareSet black, white, kings;
            int turn;
            if (!egdb::PositionAt(s, i, black, white, kings, turn))
                continue;
            ++sound;
            ASSERT_EQ(black & white, 0u) << s.Name() << " " << i;
            ASSERT_EQ(kings & ~(black | white), 0u);
            ASSERT_EQ(PositionProblem(black, white, kings), "") << FenOf(black, white, kings, turn);
            ASSERT_TRUE(egdb::SliceOf(black, white, kings) == s) << FenOf(black, white, kings, turn);
            ASSERT_EQ(egdb::IndexOf(s, black, white, kings, turn), i) << FenOf(black, white, kings, turn);
        }
        // Only white men that do not fit beside the black ones leave numbers unused.
        if (s.BlackMen == 0 || s.WhiteMen == 0) {
            EXPECT_EQ(sound, s.Positions()) << s.Name();
        }
        EXPECT_GT(sound, s.Positions() * 9 / 10) << s.Name();
    }
}

// At seven pieces only the king endings with at most one man have tables: whatever a capture or
// a crowning leads to from them must be a table built before, or the build stops half-way.
TEST(EgdbNumbering, SevenPieceTablesLeadOnlyToTablesBuiltBefore)
{
    const std::vector<TSlice> order = egdb::BuildOrder(7);
    EXPECT_EQ(order.size(), egdb::BuildOrder(6).size() + 9);
    std::mt19937_64 random(7);
    TMoveList list;
    for (size_t n = egdb::BuildOrder(6).size(); n < order.size(); ++n) {
        const TSlice& s = order[n];
        ASSERT_EQ(s.Pieces(), 7);
        EXPECT_LE(s.Men(), 1) << s.Name();
        for (int sample = 0; sample < 3000; ++sample) {
            TSquareSet black, white, kings;
            int turn;
            if (!egdb::PositionAt(s, random() % s.Positions(), black, white, kings, turn))
                continue;
            GenerateMoves(list, black, white, kings, turn == 0 ? PLAYER_BLACK : PLAYER_WHITE);
            for (int32_t m = 0; m < list.Count(); ++m) {
                const TCheckersMove& move = list[m];
                const TSquareSet from = SquareBit(move.From()), to = SquareBit(move.To());
                const bool crowns =
                    (kings & from) == 0 && move.To() >= (turn == 0 ? P29 : P01) && move.To() <= (turn == 0 ? P32 : P04);
                if (move.Captured == 0 && !crowns)
                    continue;
                TSquareSet b = black & ~move.Captured, w = white & ~move.Captured;
                (turn == 0 ? b : w) = ((turn == 0 ? b : w) & ~from) | to;
                const TSquareSet k = (kings & ~(from | move.Captured)) | ((kings & from) != 0 || crowns ? to : 0);
                if (b == 0 || w == 0)
                    continue;
                TSlice next = egdb::SliceOf(b, w, k);
                if (!next.Stored())
                    next = TSlice{next.WhiteMen, next.WhiteKings, next.BlackMen, next.BlackKings};
                EXPECT_NE(std::find(order.begin(), order.begin() + static_cast<ptrdiff_t>(n), next),
                          order.begin() + static_cast<ptrdiff_t>(n))
                    << s.Name() << " leads to " << next.Name() << " from " << FenOf(black, white, kings, turn);
            }
        }
    }
}

TEST(EgdbNumbering, TheBoardTurnedRoundSwapsTheColours)
{
    // Square 1 and square 32 are opposite corners; 5 (left edge) faces 28 (right edge).
    EXPECT_EQ(egdb::Rotate(SquareBit(P01)), SquareBit(P32));
    EXPECT_EQ(egdb::Rotate(SquareBit(P05) | SquareBit(P14)), SquareBit(P28) | SquareBit(P19));
    // The moves of a position turned round are its moves turned round, captures included.
    for (const auto& [fen, turned] :
         {std::pair{"B:WK1,18:B14,K6", "W:W19,K27:BK32,15"}, std::pair{"W:W24,K9:BK2,20", "B:WK31,13:B9,K24"}}) {
        std::set<std::pair<int, int>> moves, turnedMoves;
        auto board = test::Board(fen);
        auto other = test::Board(turned);
        for (int32_t i = 0; i < board->Moves().Count(); ++i)
            moves.emplace(31 - board->Moves()[i].From(), 31 - board->Moves()[i].To());
        for (int32_t i = 0; i < other->Moves().Count(); ++i)
            turnedMoves.emplace(other->Moves()[i].From(), other->Moves()[i].To());
        EXPECT_EQ(moves, turnedMoves) << fen;
        EXPECT_FALSE(moves.empty());
        EXPECT_EQ(other->BlackPieces(), egdb::Rotate(board->WhitePieces()));
        EXPECT_EQ(other->Kings(), egdb::Rotate(board->Kings()));
    }
}

// What steps into each position, found forward with the engine's own move generation, against
// what the tables' backward walk finds.
TEST(EgdbNumbering, BackwardStepsAreExactlyTheForwardOnes)
{
    TMoveList list;
    for (const TSlice& s : egdb::BuildOrder(4)) {
        if (s.Pieces() == 4 && (s.BlackKings == 0 || s.WhiteMen == 0))
            continue;
        std::vector<std::pair<uint64_t, uint64_t>> forward, backward;
        for (uint64_t i = 0; i < s.Positions(); ++i) {
            TSquareSet black, white, kings;
            int turn;
            if (!egdb::PositionAt(s, i, black, white, kings, turn))
                continue;
            GenerateMoves(list, black, white, kings, turn == 0 ? PLAYER_BLACK : PLAYER_WHITE);
            for (int32_t m = 0; m < list.Count(); ++m) {
                const TCheckersMove& move = list[m];
                const TSquareSet from = SquareBit(move.From()), to = SquareBit(move.To());
                const bool king = (kings & from) != 0;
                const bool crowns =
                    !king && move.To() >= (turn == 0 ? P29 : P01) && move.To() <= (turn == 0 ? P32 : P04);
                if (move.Captured != 0 || crowns)
                    continue;
                TSquareSet b = black, w = white;
                (turn == 0 ? b : w) = ((turn == 0 ? b : w) & ~from) | to;
                const TSquareSet k = king ? (kings & ~from) | to : kings;
                forward.emplace_back(egdb::IndexOf(s, b, w, k, turn ^ 1), i);
            }
            egdb::ForEachPredecessor(black, white, kings, turn, [&](TSquareSet B, TSquareSet W, TSquareSet K) {
                backward.emplace_back(i, egdb::IndexOf(s, B, W, K, turn ^ 1));
            });
        }
        // Sorted, a step found twice backward shows as well as one missing.
        std::sort(forward.begin(), forward.end());
        std::sort(backward.begin(), backward.end());
        EXPECT_TRUE(forward == backward) << s.Name() << ": " << forward.size() << " forward, " << backward.size()
                                         << " backward";
    }
}

TEST(EgdbFiles, RunsComeBackAsTheyWent)
{
    std::mt19937 random(7);
    std::vector<uint8_t> data;
    // Runs just under, at and over the longest a token holds, and literals of every length
    // around the longest literal.
    for (const size_t run : {1, 2, 3, 129, 130, 131, 260, 261, 5000})
        data.insert(data.end(), run, static_cast<uint8_t>(run));
    for (const size_t literal : {127, 128, 129, 300})
        for (size_t i = 0; i < literal; ++i)
            data.push_back(static_cast<uint8_t>(i * 7 + 1));
    for (int i = 0; i < 1000; ++i)
        data.push_back(static_cast<uint8_t>(random() % 3));
    const std::vector<uint8_t> packed = egdb::Compress(data);
    EXPECT_LT(packed.size(), data.size() / 2);
    std::vector<uint8_t> back(data.size());
    ASSERT_TRUE(egdb::Decompress(packed.data(), packed.size(), back));
    EXPECT_EQ(back, data);
    // Cut short, or expanding past the table's size, is refused.
    EXPECT_FALSE(egdb::Decompress(packed.data(), packed.size() - 1, back));
    std::vector<uint8_t> small(data.size() - 1);
    EXPECT_FALSE(egdb::Decompress(packed.data(), packed.size(), small));
}

TEST_F(Egdb, LoadsEverythingBuiltAndNothingBeyond)
{
    EXPECT_EQ(Db->MaxPieces(), 4);
    EXPECT_TRUE(EndgameDbComplete(*Folder, 4));
    EXPECT_FALSE(EndgameDbComplete(*Folder, 5));
    EXPECT_EQ(Probe("B:W21,22,23:BK10,K11"), TEgdbResult::Unknown);  // five pieces
    TEndgameDb none;
    EXPECT_FALSE(none.Load(*Folder + "/missing"));
    EXPECT_EQ(none.MaxPieces(), 0);
    EXPECT_EQ(none.Probe(*test::Board("B:WK1:BK10")), TEgdbResult::Unknown);
}

// Two kings win against one, except where the lone king takes one at once, or jams both in a
// corner and trades itself for one of them: a hundred positions of some sixty thousand. (After
// a capture the lone king may even trap the other on an edge and win.)
TEST_F(Egdb, TwoKingsBeatOneBarringRareTrades)
{
    const TSlice s{0, 2, 0, 1};
    TMoveList list;
    int drawnByCapture = 0, exceptions = 0;
    for (uint64_t i = 0; i < s.Positions(); ++i) {
        TSquareSet black, white, kings;
        int turn;
        ASSERT_TRUE(egdb::PositionAt(s, i, black, white, kings, turn));
        const TEgdbResult r = Db->Probe(black, white, kings, turn == 0 ? PLAYER_BLACK : PLAYER_WHITE);
        GenerateMoves(list, black, white, kings, turn == 0 ? PLAYER_BLACK : PLAYER_WHITE);
        const bool takes = turn == 1 && list[0].Captured != 0;
        drawnByCapture += takes && r == TEgdbResult::Draw;
        exceptions += !takes && r == TEgdbResult::Draw;
    }
    EXPECT_GT(drawnByCapture, 1000);
    EXPECT_EQ(exceptions, 100);
    // The lone king in the double corner still loses, whoever moves; so does White's, the
    // same ending with the colours swapped.
    EXPECT_EQ(Probe("W:WK1:BK14,K23"), TEgdbResult::Loss);
    EXPECT_EQ(Probe("B:WK1:BK14,K23"), TEgdbResult::Win);
    EXPECT_EQ(Probe("B:WK10,K19:BK32"), TEgdbResult::Loss);
    EXPECT_EQ(Probe("W:WK10,K19:BK28"), TEgdbResult::Win);
    // Both kings jammed in the single corner: each move lets the lone king take one.
    EXPECT_EQ(Probe("B:WK11:BK3,K4"), TEgdbResult::Draw);
    // Between the two on a diagonal, the lone king takes whichever stays.
    EXPECT_EQ(Probe("B:WK18:BK14,K23"), TEgdbResult::Draw);
}

// A king against a king draws unless one is taken or trapped on an edge where each move walks
// into a capture.
TEST_F(Egdb, KingAgainstKingDrawsUnlessTakenOrTrapped)
{
    const TSlice s{0, 1, 0, 1};
    TMoveList list;
    uint64_t draws = 0;
    for (uint64_t i = 0; i < s.Positions(); ++i) {
        TSquareSet black, white, kings;
        int turn;
        ASSERT_TRUE(egdb::PositionAt(s, i, black, white, kings, turn));
        const uint8_t side = turn == 0 ? PLAYER_BLACK : PLAYER_WHITE;
        GenerateMoves(list, black, white, kings, side);
        const TEgdbResult r = Db->Probe(black, white, kings, side);
        if (list[0].Captured != 0) {
            ASSERT_EQ(r, TEgdbResult::Win) << FenOf(black, white, kings, turn);
        }
        draws += r == TEgdbResult::Draw;
    }
    EXPECT_GT(draws, s.Positions() / 2);
    EXPECT_EQ(Probe("B:WK14:BK23"), TEgdbResult::Draw);
    EXPECT_EQ(Probe("W:WK1:BK28"), TEgdbResult::Draw);
    // After 1-6 the white king on 7 goes to 2 or into a capture; then 6-10, and both its moves
    // from 2 are taken.
    EXPECT_EQ(Probe("B:WK7:BK1"), TEgdbResult::Win);
    EXPECT_EQ(Probe("W:WK2:BK10"), TEgdbResult::Loss);
}

TEST_F(Egdb, MenAndKingsInKnownEndings)
{
    EXPECT_EQ(Probe("B:W32:B28"), TEgdbResult::Loss);          // the black man is blocked: no move
    EXPECT_EQ(Probe("B:W18:B14"), TEgdbResult::Win);           // takes the last piece
    EXPECT_EQ(Probe("W:W18:B14"), TEgdbResult::Win);           // White takes first: 18x9
    EXPECT_EQ(Probe("B:WK1,K5:BK28,K32"), TEgdbResult::Draw);  // two kings each, both in a double corner
    EXPECT_EQ(Probe("W:WK1,K5:BK28,K32"), TEgdbResult::Draw);
    // A king against a man far from crowning wins; against a man one step from crowning and
    // free to crown it cannot stop the second king.
    EXPECT_EQ(Probe("B:W24:BK1"), TEgdbResult::Win);
    EXPECT_EQ(Probe("W:W6:BK28"), TEgdbResult::Draw);
    // A side without a piece has lost; a position with the wrong men is not in the tables.
    EXPECT_EQ(Db->Probe(0, SquareBit(P10), 0, PLAYER_BLACK), TEgdbResult::Loss);
    EXPECT_EQ(Db->Probe(SquareBit(P30), SquareBit(P10), 0, PLAYER_BLACK), TEgdbResult::Unknown);
}

// Each value against the values of the positions the moves lead to, the moves made by the board
// itself, not the tables' own successor.
TEST_F(Egdb, EveryValueFollowsFromTheMovesResults)
{
    for (const TSlice& s : egdb::BuildOrder(3)) {
        for (uint64_t i = 0; i < s.Positions(); ++i) {
            TSquareSet black, white, kings;
            int turn;
            if (!egdb::PositionAt(s, i, black, white, kings, turn))
                continue;
            const std::string fen = FenOf(black, white, kings, turn);
            auto board = test::Board(fen);
            const int32_t count = board->Moves().Count();
            bool win = false, draw = false;
            for (int32_t m = 0; m < count; ++m) {
                auto next = test::Board(fen);
                next->MakeMove(m);
                const TEgdbResult r = Db->Probe(*next);
                ASSERT_NE(r, TEgdbResult::Unknown) << fen << " move " << m;
                win = win || r == TEgdbResult::Loss;
                draw = draw || r == TEgdbResult::Draw;
            }
            const TEgdbResult expected = win ? TEgdbResult::Win : draw ? TEgdbResult::Draw : TEgdbResult::Loss;
            ASSERT_EQ(Db->Probe(*board), expected) << fen;
        }
    }
    TEgdbVerifyReport report;
    EXPECT_TRUE(VerifyEndgameDb(*Db, 1, nullptr, report));
    EXPECT_EQ(report.Faults, 0u) << report.FirstFault;
    EXPECT_GT(report.Checked, 7000000u);
}

TEST_F(Egdb, StoppedBuildResumesToTheSameBytes)
{
    const std::string folder = FolderFor("resume");
    TEgdbBuildOptions options;
    options.Folder = folder;
    options.Pieces = 4;
    options.Threads = 1;
    int tables = 0;
    std::string error;
    // Stops at the tenth report, between tables or in the middle of one.
    EXPECT_FALSE(BuildEndgameDb(
        options, [&](uint64_t, uint64_t) { return ++tables < 10; }, error));
    EXPECT_EQ(error, "The build was stopped.");
    EXPECT_FALSE(EndgameDbComplete(folder, 4));
    for (const auto& [name, bytes] : FolderBytes(folder))
        EXPECT_EQ(name.find(".part"), std::string::npos) << name;
    int seen = 0;
    options.TableDone = [&](int Done, int Total, const std::string&) {
        EXPECT_EQ(Done, ++seen);
        EXPECT_EQ(Total, static_cast<int>(egdb::BuildOrder(4).size()));
    };
    ASSERT_TRUE(BuildEndgameDb(options, nullptr, error)) << error;
    EXPECT_EQ(seen, static_cast<int>(egdb::BuildOrder(4).size()));
    EXPECT_EQ(FolderBytes(folder), FolderBytes(*Folder));
    fs::remove_all(folder);
}

// The game's builder hands over the smaller tables as soon as they are complete and the rest
// after them; a later start finds everything built and only loads it.
TEST(EgdbBuild, TheBackgroundBuildHandsOverTheFirstPartEarly)
{
    const std::string folder = FolderFor("staged");
    std::mutex guard;
    std::vector<int> loaded;
    auto record = [&](std::shared_ptr<const TEndgameDb> Db) {
        std::lock_guard lock(guard);
        loaded.push_back(Db->MaxPieces());
    };
    auto finish = [](TEndgameBuilder& Builder) {
        Builder.Start();
        for (int i = 0; i < 6000 && Builder.Running(); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    };
    {
        TEndgameBuilder builder(folder, 3, 1, record, 2);
        finish(builder);
        EXPECT_TRUE(builder.Complete()) << builder.Error();
        EXPECT_EQ(builder.Progress(), 1.0);
    }
    {
        TEndgameBuilder builder(folder, 3, 1, record, 2);
        finish(builder);
        EXPECT_TRUE(builder.Complete());
    }
    std::lock_guard lock(guard);
    EXPECT_EQ(loaded, (std::vector<int>{2, 3, 3}));
    fs::remove_all(folder);
}

TEST_F(Egdb, DamagedTablesAreRefusedAndRebuilt)
{
    const std::string folder = FolderFor("damaged");
    fs::copy(*Folder, folder);
    const fs::path table = fs::path(folder) / "velk-1-1-1-0.egdb";
    const std::vector<uint8_t> good = Bytes(table);
    ASSERT_GT(good.size(), 100u);
    auto write = [&](std::vector<uint8_t> Data) {
        std::ofstream out(table, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(Data.data()), static_cast<std::streamsize>(Data.size()));
    };
    std::vector<std::vector<uint8_t>> damaged;
    damaged.emplace_back(good.begin(), good.begin() + static_cast<ptrdiff_t>(good.size() / 2));  // cut short
    damaged.emplace_back(good.begin(), good.begin() + 20);                                       // the header cut
    damaged.push_back(good);
    damaged.back()[good.size() - 5] ^= 0x40;  // a value changed
    damaged.push_back(good);
    damaged.back()[8] = 9;  // another version
    damaged.push_back(good);
    damaged.back()[12] = 0;  // another table's header
    damaged.push_back(good);
    damaged.back().push_back(0);  // longer than its header says
    for (size_t d = 0; d < damaged.size(); ++d) {
        write(damaged[d]);
        TEndgameDb db;
        EXPECT_TRUE(db.Load(folder)) << d;
        EXPECT_EQ(db.MaxPieces(), 2) << d;  // the three-piece set lacks a table
        EXPECT_EQ(db.Probe(*test::Board("B:W18:B14")), TEgdbResult::Win) << d;
        EXPECT_EQ(db.Probe(*test::Board("B:W18:BK14,K1")), TEgdbResult::Unknown) << d;
    }
    EXPECT_FALSE(EndgameDbComplete(folder, 3));
    TEgdbBuildOptions options;
    options.Folder = folder;
    options.Pieces = 4;
    std::string error;
    ASSERT_TRUE(BuildEndgameDb(options, nullptr, error)) << error;
    EXPECT_EQ(Bytes(table), good);
    fs::remove_all(folder);
}

TEST(EgdbBuild, RefusesWhatItCannotDo)
{
    TEgdbBuildOptions options;
    options.Folder = FolderFor("refused");
    options.Pieces = 8;
    std::string error;
    EXPECT_FALSE(BuildEndgameDb(options, nullptr, error));
    EXPECT_EQ(error, "The number of pieces must be between 2 and 7.");
    // A file where the folder should be.
    std::ofstream(options.Folder).put('x');
    options.Pieces = 2;
    EXPECT_FALSE(BuildEndgameDb(options, nullptr, error));
    EXPECT_EQ(error.rfind("Cannot create the folder " + options.Folder, 0), 0u) << error;
    fs::remove(options.Folder);
}

}  // namespace
}  // namespace velk
