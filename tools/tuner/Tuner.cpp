// velk-tune: fits the Expert evaluation's weights to the results of self-play games.
//   generate  plays the Expert search against itself from the three-move ballots and writes
//             the quiet positions of each game with its result
//   tune      fits the weights to those results (logistic regression) and prints them as C++
//   label     blends each position's game result with what a deeper search makes of it
//   match     plays one set of weights against another at a fixed depth or time a move
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "engine/DrawRule.h"
#include "engine/EndgameDb.h"
#include "engine/ExpertEval.h"
#include "engine/ExpertSearch.h"
#include "engine/Fen.h"

namespace velk {
namespace {

constexpr uint32_t TABLE_BYTES = 4u << 20;
// No game gets here under the draw rule; the bound keeps a faulty one from running on.
constexpr int MAX_PLIES = 400;

struct TOptions {
    std::map<std::string, std::string> Values;

    std::string Text(const std::string& Name, const std::string& Default = "") const
    {
        const auto it = Values.find(Name);
        return it == Values.end() ? Default : it->second;
    }
    double Number(const std::string& Name, double Default) const
    {
        const auto it = Values.find(Name);
        return it == Values.end() ? Default : std::atof(it->second.c_str());
    }
};

[[noreturn]] void Fail(const std::string& Message)
{
    std::fprintf(stderr, "velk-tune: %s\n", Message.c_str());
    std::exit(2);
}

// The positions after the ballots: the fifth column of the file, '#' lines skipped.
std::vector<std::string> ReadBallots(const std::string& Path)
{
    std::ifstream in(Path);
    if (!in)
        Fail("cannot read " + Path);
    std::vector<std::string> fens;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#')
            continue;
        std::vector<std::string> columns;
        std::istringstream row(line);
        for (std::string column; std::getline(row, column, '\t');)
            columns.push_back(column);
        if (columns.size() >= 5)
            fens.push_back(columns[4]);
    }
    if (fens.empty())
        Fail(Path + " holds no ballot");
    return fens;
}

void FromFen(const std::string& Fen, TCheckersBoard& Board)
{
    std::string error;
    if (!ParseFen(Fen, Board, error))
        Fail(Fen + ": " + error);
}

// A formation's weight is named BandB_C: B the region from 0 (the bands, then the blocks from
// EXPERT_BANDS on), C the configuration.
constexpr int ALL_FEATURES = EXPERT_FEATURES + EXPERT_REGIONS * EXPERT_REGION_CONFIGS;

std::string FeatureName(int Feature)
{
    if (Feature < EXPERT_FEATURES)
        return ExpertFeatureName(Feature);
    const int band = (Feature - EXPERT_FEATURES) / EXPERT_REGION_CONFIGS;
    return "Band" + std::to_string(band) + "_" + std::to_string((Feature - EXPERT_FEATURES) % EXPERT_REGION_CONFIGS);
}

// Weights as 'Name Open End' lines; names not given keep the compiled-in values. The
// formations read live as long as the program.
TExpertWeights ReadWeights(const std::string& Path)
{
    TExpertWeights w = ExpertWeights;
    if (Path.empty())
        return w;
    std::ifstream in(Path);
    if (!in)
        Fail("cannot read " + Path);
    static std::vector<std::unique_ptr<TExpertPatterns>> kept;
    kept.push_back(std::make_unique<TExpertPatterns>(EXPERT_PATTERNS));
    TExpertPatterns& patterns = *kept.back();
    w.Patterns = &patterns;
    std::string name;
    double open, end;
    while (in >> name >> open >> end) {
        if (name == "Bands") {
            w.Patterns = nullptr;  // the evaluation without them, and without their cost
            continue;
        }
        if (name == "Blocks") {
            w.Regions = EXPERT_BANDS;  // the bands alone
            continue;
        }
        int band, config;
        if (std::sscanf(name.c_str(), "Band%d_%d", &band, &config) == 2 && band >= 0 && band < EXPERT_REGIONS &&
            config >= 0 && config < EXPERT_REGION_CONFIGS) {
            if (std::abs(open) > INT16_MAX || std::abs(end) > INT16_MAX)
                Fail(Path + ": " + name + " does not fit 16 bits");
            patterns.Weight[band][config] = {static_cast<int16_t>(std::lround(open)),
                                             static_cast<int16_t>(std::lround(end))};
            continue;
        }
        int feature = 0;
        while (feature < EXPERT_FEATURES && ExpertFeatureName(feature) != name)
            ++feature;
        if (feature == EXPERT_FEATURES)
            Fail(Path + ": unknown weight " + name);
        w.Weight(feature) = {static_cast<int32_t>(std::lround(open)), static_cast<int32_t>(std::lround(end))};
    }
    return w;
}

bool HasCapture(const TCheckersBoard& Board, uint8_t Side)
{
    TCheckersBoard board;
    board.Assign(Board);
    board.SetTurn(Side);
    const TMoveList& moves = board.Moves();
    return moves.Count() > 0 && moves[0].Captured != 0;
}

// One game to its end; Quiet (if not null) receives the positions neither side has a capture
// in. Returns Black's result: 1 a win, 0.5 a draw, 0 a loss. With Db the game ends as soon as
// the tables know the position: a shallow player misplays endings it cannot see through, and
// the label of every position before would carry its mistake.
double PlayGame(const TCheckersBoard& Start, TExpertEngine& Black, TExpertEngine& White, int Depth, uint32_t MoveTimeMs,
                std::vector<std::string>* Quiet, const TEndgameDb* Db = nullptr)
{
    TCheckersBoard board;
    board.Assign(Start);
    TGamePositions past;
    past.Reset(board);
    Black.Clear();
    White.Clear();
    for (int ply = 0; board.GameState() == gsPlaying; ++ply) {
        if (past.Drawn() || ply >= MAX_PLIES)
            return 0.5;
        if (const TEgdbResult known = Db ? Db->Probe(board) : TEgdbResult::Unknown; known != TEgdbResult::Unknown) {
            const double side = known == TEgdbResult::Win ? 1.0 : known == TEgdbResult::Loss ? 0.0 : 0.5;
            return board.Turn() == PLAYER_BLACK ? side : 1 - side;
        }
        if (Quiet && !HasCapture(board, PLAYER_BLACK) && !HasCapture(board, PLAYER_WHITE))
            Quiet->push_back(BoardToFen(board));
        TExpertEngine& player = board.Turn() == PLAYER_BLACK ? Black : White;
        const TExpertResult r = player.Search(board, MoveTimeMs, TABLE_BYTES, nullptr, &past.ReversibleKeys(), Depth);
        if (r.Move < 0 || !board.MakeMove(r.Move))
            Fail("no move in " + BoardToFen(board));
        past.Push(board);
    }
    return board.Winner() == PLAYER_BLACK ? 1.0 : 0.0;
}

// The endgame tables of --egdb DIR, given to each engine; false when the option is not given.
bool UseTables(const TOptions& O, TEndgameDb& Db, std::initializer_list<TExpertEngine*> Engines)
{
    const std::string folder = O.Text("egdb");
    if (folder.empty())
        return false;
    if (!Db.Load(folder))
        Fail("cannot load the endgame database in " + folder);
    for (TExpertEngine* engine : Engines)
        engine->SetEndgameDb(&Db);
    return true;
}

int Generate(const TOptions& O)
{
    const std::vector<std::string> ballots = ReadBallots(O.Text("ballots", "data/three-move-ballots.tsv"));
    const int games = static_cast<int>(O.Number("games", 1000));
    const int depth = static_cast<int>(O.Number("depth", 6));
    const int randomPlies = static_cast<int>(O.Number("random-plies", 2));
    std::mt19937 random(static_cast<uint32_t>(O.Number("seed", 1)));
    const std::string outPath = O.Text("out", "positions.txt");
    std::ofstream out(outPath);
    if (!out)
        Fail("cannot write " + outPath);
    TEndgameDb db;  // outlives the engines that probe it
    TExpertEngine black, white;
    const bool tables = UseTables(O, db, {&black, &white});
    size_t positions = 0;
    double blackScore = 0;
    for (int g = 0; g < games; ++g) {
        // Every ballot in turn, each time a few random plies on so that no two games are alike.
        TCheckersBoard board;
        FromFen(ballots[g % ballots.size()], board);
        for (int i = 0; i < randomPlies && board.GameState() == gsPlaying; ++i)
            board.MakeMove(static_cast<int32_t>(random() % board.MoveCount()));
        if (board.GameState() != gsPlaying)
            continue;
        std::vector<std::string> quiet;
        const double result = PlayGame(board, black, white, depth, 0, &quiet, tables ? &db : nullptr);
        blackScore += result;
        for (const std::string& fen : quiet)
            out << fen << '\t' << result << '\n';
        positions += quiet.size();
        if ((g + 1) % 50 == 0 || g + 1 == games) {
            std::fprintf(stderr, "%d games, %zu positions, Black scored %.1f %%\n", g + 1, positions,
                         100 * blackScore / (g + 1));
        }
    }
    std::printf("%d games, %zu positions in %s\n", games, positions, outPath.c_str());
    return 0;
}

double Sigmoid(double K, double Score) { return 1 / (1 + std::exp(-K * Score)); }

// A game's result says little about most of its positions (nearly all games are drawn); a
// search deeper than the games were played at says more about each, and the endgame database
// says all about the positions it holds. The label written is Lambda times the game's result
// plus the rest times the search's score through the same sigmoid the fit uses.
int Label(const TOptions& O)
{
    const std::string inPath = O.Text("positions", "positions.txt"), outPath = O.Text("out", "labelled.txt");
    const int depth = static_cast<int>(O.Number("depth", 9));
    const double lambda = O.Number("lambda", 0.5), k = O.Number("k", 0.0103);
    const size_t every = static_cast<size_t>(std::max(1.0, O.Number("every", 1)));
    const size_t part = static_cast<size_t>(O.Number("part", 0)), parts = static_cast<size_t>(O.Number("parts", 1));
    if (parts < 1 || part >= parts)
        Fail("--part must be below --parts");
    std::ifstream in(inPath);
    if (!in)
        Fail("cannot read " + inPath);
    std::ofstream out(outPath);
    if (!out)
        Fail("cannot write " + outPath);
    TEndgameDb db;
    TExpertWeights weights = ReadWeights(O.Text("weights"));  // the engine keeps a pointer
    // A label is a score for whichever side is to move: a draw must be 0 to both.
    weights.Contempt = 0;
    TExpertEngine engine;
    engine.SetWeights(weights);
    UseTables(O, db, {&engine});
    TExpertRequest request;
    request.MaxDepth = depth;
    size_t line = 0, written = 0;
    for (std::string text; std::getline(in, text); ++line) {
        const size_t tab = text.find('\t');
        if (tab == std::string::npos || line % every != 0 || line / every % parts != part)
            continue;
        TCheckersBoard board;
        FromFen(text.substr(0, tab), board);
        const double blackResult = std::atof(text.c_str() + tab + 1);
        // Positions of one game follow each other; a fresh table for each keeps every label
        // the same whatever was searched before it.
        engine.Clear();
        const TExpertResult r = engine.Search(board, request, TABLE_BYTES, nullptr, nullptr);
        const double sideExpected = r.Score > EXPERT_WIN_BOUND - 200   ? 1.0
                                    : r.Score < 200 - EXPERT_WIN_BOUND ? 0.0
                                                                       : Sigmoid(k, r.Score);
        const double blackExpected = board.Turn() == PLAYER_BLACK ? sideExpected : 1 - sideExpected;
        out << text.substr(0, tab) << '\t' << lambda * blackResult + (1 - lambda) * blackExpected << '\n';
        if (++written % 10000 == 0)
            std::fprintf(stderr, "%zu positions labelled\n", written);
    }
    std::printf("%zu positions labelled in %s\n", written, outPath.c_str());
    return 0;
}

// The positions as the regression sees them: the features that are not zero, from the side to
// move's view (most of the square features are zero in any position), the pieces that blend
// the weights, and the side to move's result.
struct TEntry {
    uint32_t Feature;  // a region's configuration from EXPERT_FEATURES on
    int16_t Value;
};

struct TSamples {
    std::vector<TEntry> Entries;
    std::vector<uint32_t> Starts{0};  // sample i's entries are [Starts[i], Starts[i + 1])
    std::vector<float> Open;          // pieces / 24: the share of the Open weight
    std::vector<float> Result;

    size_t Size() const { return Open.size(); }
    void Add(const int32_t* Features, const uint16_t* Regions, int Pieces, double SideResult)
    {
        for (int i = 0; i < EXPERT_FEATURES; ++i)
            if (Features[i] != 0)
                Entries.push_back({static_cast<uint32_t>(i), static_cast<int16_t>(Features[i])});
        for (int region = 0; region < EXPERT_REGIONS; ++region)
            Entries.push_back(
                {static_cast<uint32_t>(EXPERT_FEATURES + region * EXPERT_REGION_CONFIGS + Regions[region]), 1});
        Starts.push_back(static_cast<uint32_t>(Entries.size()));
        Open.push_back(static_cast<float>(std::clamp(Pieces, 0, EXPERT_FULL_BOARD)) / EXPERT_FULL_BOARD);
        Result.push_back(static_cast<float>(SideResult));
    }
};

constexpr int PARAMETERS = 2 * ALL_FEATURES;

std::vector<double> ToParameters(const TExpertWeights& W)
{
    std::vector<double> p(PARAMETERS);
    for (int i = 0; i < EXPERT_FEATURES; ++i) {
        p[2 * i] = W.Weight(i).Open;
        p[2 * i + 1] = W.Weight(i).End;
    }
    for (int band = 0; W.Patterns != nullptr && band < EXPERT_REGIONS; ++band)
        for (int c = 0; c < EXPERT_REGION_CONFIGS; ++c) {
            const int i = EXPERT_FEATURES + band * EXPERT_REGION_CONFIGS + c;
            p[2 * i] = W.Patterns->Weight[band][c].Open;
            p[2 * i + 1] = W.Patterns->Weight[band][c].End;
        }
    return p;
}

double Score(const TSamples& S, size_t I, const std::vector<double>& P)
{
    double open = 0, end = 0;
    for (uint32_t e = S.Starts[I]; e < S.Starts[I + 1]; ++e) {
        open += S.Entries[e].Value * P[2 * S.Entries[e].Feature];
        end += S.Entries[e].Value * P[2 * S.Entries[e].Feature + 1];
    }
    return open * S.Open[I] + end * (1 - S.Open[I]);
}

// Work over the samples split between the machine's cores: Part(First, Last, Slot) for each
// share, Slot numbering the shares from 0.
template <typename TPart>
void Split(size_t Count, int Threads, const TPart& Part)
{
    std::vector<std::thread> threads;
    for (int t = 1; t < Threads; ++t)
        threads.emplace_back([&, t] { Part(Count * t / Threads, Count * (t + 1) / Threads, t); });
    Part(0, Count / Threads, 0);
    for (std::thread& t : threads)
        t.join();
}

int Cores() { return std::max(1, static_cast<int>(std::thread::hardware_concurrency())); }

double Loss(const TSamples& Samples, const std::vector<double>& P, double K)
{
    if (Samples.Size() == 0)
        return 0;
    std::vector<double> sums(Cores(), 0);
    Split(Samples.Size(), Cores(), [&](size_t First, size_t Last, int Slot) {
        double sum = 0;
        for (size_t i = First; i < Last; ++i) {
            const double e = Sigmoid(K, Score(Samples, i, P)) - Samples.Result[i];
            sum += e * e;
        }
        sums[Slot] = sum;
    });
    double sum = 0;
    for (double x : sums)
        sum += x;
    return sum / static_cast<double>(Samples.Size());
}

// K that makes the current weights' scores predict the results best, by golden-section search
// over its logarithm.
double FitK(const TSamples& Samples, const std::vector<double>& P)
{
    double lo = std::log(1e-4), hi = std::log(1e-1);
    const double g = (std::sqrt(5.0) - 1) / 2;
    for (int i = 0; i < 40; ++i) {
        const double a = hi - g * (hi - lo), b = lo + g * (hi - lo);
        if (Loss(Samples, P, std::exp(a)) < Loss(Samples, P, std::exp(b)))
            hi = b;
        else
            lo = a;
    }
    return std::exp((lo + hi) / 2);
}

// The king-ending chase and lead steer a won ending, which the games seldom reach, and the
// man's opening worth fixes the scale: these stay as they are.
bool Frozen(int Parameter)
{
    const int feature = Parameter / 2;
    return Parameter == 2 * efMan || feature == efChase || feature == efDoubleCorner || feature == efLead;
}

int Tune(const TOptions& O)
{
    const std::string inPath = O.Text("positions", "positions.txt");
    std::ifstream in(inPath);
    if (!in)
        Fail("cannot read " + inPath);
    TSamples samples, heldOut;
    size_t lines = 0;
    for (std::string line; std::getline(in, line);) {
        const size_t tab = line.find('\t');
        if (tab == std::string::npos)
            continue;
        TCheckersBoard board;
        FromFen(line.substr(0, tab), board);
        const double blackResult = std::atof(line.c_str() + tab + 1);
        int32_t f[EXPERT_FEATURES];
        uint16_t regions[EXPERT_REGIONS];
        const int pieces = ExpertFeatures(board, f);
        ExpertRegions(board, regions);
        // Every tenth block of positions (about a game each) is held out, to check that the fit
        // predicts games it has not seen.
        (lines++ / 100 % 10 == 9 ? heldOut : samples)
            .Add(f, regions, pieces, board.Turn() == PLAYER_BLACK ? blackResult : 1 - blackResult);
    }
    if (samples.Size() == 0)
        Fail(inPath + " holds no position");

    const TExpertWeights start = ReadWeights(O.Text("weights"));
    std::vector<double> p = ToParameters(start);
    const double k = O.Values.count("k") ? O.Number("k", 0) : FitK(samples, p);
    const double before = Loss(samples, p, k), heldBefore = Loss(heldOut, p, k);
    std::fprintf(stderr, "%zu positions, K %.6f, loss %.6f\n", samples.Size(), k, before);

    // Adam on the full batch: the features differ in scale by two orders, which plain descent
    // would need a step for each to cope with.
    const int iterations = static_cast<int>(O.Number("iterations", 1500));
    const double rate = O.Number("rate", 1.0);
    const double l2 = O.Number("l2", 0), l2Bands = O.Number("l2-bands", 0);
    std::vector<double> m(PARAMETERS, 0), v(PARAMETERS, 0), grad(PARAMETERS);
    std::vector<std::vector<double>> grads(Cores(), std::vector<double>(PARAMETERS));
    for (int it = 1; it <= iterations; ++it) {
        Split(samples.Size(), Cores(), [&](size_t First, size_t Last, int Slot) {
            std::vector<double>& g = grads[Slot];
            std::fill(g.begin(), g.end(), 0);
            for (size_t i = First; i < Last; ++i) {
                const double y = Sigmoid(k, Score(samples, i, p));
                const double d = 2 * (y - samples.Result[i]) * y * (1 - y) * k;
                const double open = d * samples.Open[i], end = d * (1 - samples.Open[i]);
                for (uint32_t e = samples.Starts[i]; e < samples.Starts[i + 1]; ++e) {
                    g[2 * samples.Entries[e].Feature] += open * samples.Entries[e].Value;
                    g[2 * samples.Entries[e].Feature + 1] += end * samples.Entries[e].Value;
                }
            }
        });
        for (int j = 0; j < PARAMETERS; ++j) {
            grad[j] = 0;
            for (const std::vector<double>& g : grads)
                grad[j] += g[j];
        }
        for (int j = 0; j < PARAMETERS; ++j) {
            if (Frozen(j))
                continue;
            // The squares' and bands' weights may be drawn toward nothing (--l2, --l2-bands), so
            // that one seldom seen keeps a small weight rather than a noisy one: without the pull
            // a band configuration learns the few games it came from by heart, and the search
            // seeks out such configurations.
            const double pull = j >= 2 * EXPERT_FEATURES ? l2Bands : j >= 2 * efManAt ? l2 : 0;
            const double gj = grad[j] / static_cast<double>(samples.Size()) + 2 * pull * p[j];
            m[j] = 0.9 * m[j] + 0.1 * gj;
            v[j] = 0.999 * v[j] + 0.001 * gj * gj;
            const double mh = m[j] / (1 - std::pow(0.9, it)), vh = v[j] / (1 - std::pow(0.999, it));
            p[j] -= rate * mh / (std::sqrt(vh) + 1e-12);
        }
        if (it % 100 == 0)
            std::fprintf(stderr, "iteration %d: loss %.6f\n", it, Loss(samples, p, k));
    }
    for (double& x : p)
        x = std::round(x);
    const double after = Loss(samples, p, k), heldAfter = Loss(heldOut, p, k);

    std::printf("// %zu positions, K %.6f: loss %.6f before, %.6f after; %zu held out: %.6f before, %.6f after\n",
                samples.Size(), k, before, after, heldOut.Size(), heldBefore, heldAfter);
    const std::string outPath = O.Text("out");
    std::ofstream out;
    if (!outPath.empty())
        out.open(outPath);
    // The scalar weights as the members' lines, the squares' as the arrays' initialisers.
    for (int i = 0; i < EXPERT_FEATURES; ++i) {
        const long open = std::lround(p[2 * i]), end = std::lround(p[2 * i + 1]);
        if (i < EXPERT_SCALAR_FEATURES)
            std::printf("    TPhased %s{%ld, %ld};\n", ExpertFeatureName(i).c_str(), open, end);
        else
            std::printf("%s{%ld, %ld},%s", (i - efManAt) % 8 == 0 ? "        " : " ", open, end,
                        (i - efManAt) % 8 == 7 ? "\n" : "");
        if (i == efKingAt - 1 || i == EXPERT_FEATURES - 1)
            std::printf("    };\n");
        if (i == efManAt - 1 || i == efKingAt - 1)
            std::printf("    TPhased %s[SQUARE_COUNT]{\n", i < efManAt ? "ManAt" : "KingAt");
    }
    // Every weight, the formations' zeros too: a name left out would keep the compiled-in value
    // when the file is read, so a fit played against the weights it replaced would be a mixture.
    for (int i = 0; out && i < ALL_FEATURES; ++i)
        out << FeatureName(i) << ' ' << p[2 * i] << ' ' << p[2 * i + 1] << '\n';
    // The bands' weights as engine/ExpertPatterns.inc holds them.
    const std::string incPath = O.Text("patterns-out");
    if (!incPath.empty()) {
        std::ofstream inc(incPath);
        if (!inc)
            Fail("cannot write " + incPath);
        inc << "// The formations' weights, one brace a region (the bands, then the blocks), each an\n"
               "// {Open, End} pair a configuration; written by velk-tune tune --patterns-out ("
            << samples.Size() << " positions, K " << k << ").\n";
        for (int band = 0; band < EXPERT_REGIONS; ++band) {
            inc << "{";
            for (int c = 0; c < EXPERT_REGION_CONFIGS; ++c) {
                const int i = EXPERT_FEATURES + band * EXPERT_REGION_CONFIGS + c;
                const long open = std::lround(p[2 * i]), end = std::lround(p[2 * i + 1]);
                if (std::abs(open) > INT16_MAX || std::abs(end) > INT16_MAX)
                    Fail(FeatureName(i) + " does not fit 16 bits");
                inc << (c % 12 == 0 ? "\n" : " ") << '{' << open << ',' << end << "},";
            }
            inc << "\n},\n";
        }
    }
    return 0;
}

int Match(const TOptions& O)
{
    const std::vector<std::string> ballots = ReadBallots(O.Text("ballots", "data/three-move-ballots.tsv"));
    const TExpertWeights a = ReadWeights(O.Text("a")), b = ReadWeights(O.Text("b"));
    const int depth = static_cast<int>(O.Number("depth", EXPERT_MAX_DEPTH));
    const uint32_t ms = static_cast<uint32_t>(std::lround(O.Number("movetime", 0) * 1000));
    const size_t count = std::min(ballots.size(), static_cast<size_t>(O.Number("count", double(ballots.size()))));
    TEndgameDb db;
    TExpertEngine playerA, playerB;
    playerA.SetWeights(a);
    playerB.SetWeights(b);
    UseTables(O, db, {&playerA, &playerB});
    int wins = 0, losses = 0, draws = 0;
    for (size_t i = 0; i < count; ++i) {
        // Ballots spread over the whole list when fewer are played.
        TCheckersBoard start;
        FromFen(ballots[i * ballots.size() / count], start);
        for (const uint8_t sideA : {PLAYER_BLACK, PLAYER_WHITE}) {
            const double black = sideA == PLAYER_BLACK ? PlayGame(start, playerA, playerB, depth, ms, nullptr)
                                                       : PlayGame(start, playerB, playerA, depth, ms, nullptr);
            const double resultA = sideA == PLAYER_BLACK ? black : 1 - black;
            wins += resultA == 1;
            losses += resultA == 0;
            draws += resultA == 0.5;
        }
        std::fprintf(stderr, "%zu ballots: A %d wins, %d losses, %d draws\n", i + 1, wins, losses, draws);
    }
    const int games = wins + losses + draws;
    const double s = (wins + 0.5 * draws) / games;
    const double sd =
        std::sqrt((wins * (1 - s) * (1 - s) + losses * s * s + draws * (0.5 - s) * (0.5 - s)) / games / games);
    std::printf("A %d wins, %d losses, %d draws of %d: score %.1f %% +- %.1f\n", wins, losses, draws, games, 100 * s,
                196 * sd);
    return 0;
}

}  // namespace
}  // namespace velk

int main(int argc, char** argv)
{
    using namespace velk;
    if (argc < 2) {
        std::fprintf(stderr, "usage: velk-tune generate [--ballots FILE] [--games N] [--depth D] [--random-plies R]\n"
                             "                          [--seed S] [--egdb DIR] [--out POSITIONS]\n"
                             "       velk-tune tune [--positions POSITIONS] [--weights FILE] [--k K] [--iterations N]\n"
                             "                      [--rate R] [--l2 L] [--l2-bands L] [--out FILE]\n"
                             "                      [--patterns-out FILE]\n"
                             "       velk-tune label [--positions POSITIONS] [--depth D] [--lambda L] [--k K]\n"
                             "                       [--weights FILE] [--egdb DIR] [--every N] [--part I --parts N]\n"
                             "                       [--out FILE]\n"
                             "       velk-tune match [--a FILE] [--b FILE] [--depth D | --movetime SECONDS]\n"
                             "                       [--ballots FILE] [--count N] [--egdb DIR]\n"
                             "Weight files hold 'Name Open End' lines; what they leave out, and a side without\n"
                             "one, keeps the weights compiled in ('Bands 0 0' leaves the formations out,\n"
                             "'Blocks 0 0' keeps the bands and leaves the blocks out).\n");
        return 2;
    }
    TOptions options;
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string name = argv[i];
        if (name.rfind("--", 0) != 0)
            Fail("expected an option, not " + name);
        options.Values[name.substr(2)] = argv[i + 1];
    }
    const std::string command = argv[1];
    if (command == "generate")
        return Generate(options);
    if (command == "tune")
        return Tune(options);
    if (command == "label")
        return Label(options);
    if (command == "match")
        return Match(options);
    Fail("unknown command " + command);
}
