#include "ExpertEval.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>

namespace velk {

namespace {

// Each side is scored as if it were Black, moving toward higher square numbers: White's sets
// are mirrored (square p becomes 31 - p, a bit reversal), so one set of masks serves both.
constexpr TSquareSet Mirror(TSquareSet x) { return TurnedRound(x); }

constexpr TSquareSet Squares(std::initializer_list<int> Numbers)
{
    TSquareSet set = 0;
    for (int n : Numbers)
        set |= SquareBit(static_cast<unsigned>(n - 1));
    return set;
}

constexpr TSquareSet BRIDGE = Squares({1, 3});
constexpr TSquareSet BACK_OTHER = Squares({2, 4});
constexpr TSquareSet CENTRE = Squares({14, 15, 18, 19});
constexpr TSquareSet KING_CENTRE = Squares({10, 11, 14, 15, 18, 19, 22, 23});
constexpr TSquareSet EDGE = Squares({4, 5, 12, 13, 20, 21, 28, 29});
constexpr TSquareSet DOUBLE_CORNERS = Squares({1, 5, 28, 32});
// A man here steps only onto the corner square, so a piece there locks it for good.
constexpr TSquareSet DOG_HOLE = Squares({28});
constexpr TSquareSet DOG_HOLE_LOCK = Squares({32});

// One diagonal step of every square of a set: up (toward square 1) or down, to the left or the
// right as the board is drawn with square 1 in the top row. Steps off the board vanish. UpLeft
// undoes DownRight and UpRight undoes DownLeft. The shift by 4 goes left from the even rows and
// right from the odd ones.
constexpr TSquareSet UpLeft(TSquareSet x) { return StepUp(x & EVEN_ROWS, 4) | StepUp(x, 5); }
constexpr TSquareSet UpRight(TSquareSet x) { return StepUp(x, 3) | StepUp(x & ODD_ROWS, 4); }
constexpr TSquareSet DownLeft(TSquareSet x) { return StepDown(x & EVEN_ROWS, 4) | StepDown(x, 3); }
constexpr TSquareSet DownRight(TSquareSet x) { return StepDown(x, 5) | StepDown(x & ODD_ROWS, 4); }

// The four directions, numbered so that 3 - d is the opposite of d; Black's men move 2 and 3.
constexpr TSquareSet Step(int Direction, TSquareSet x)
{
    switch (Direction) {
    case 0: return UpLeft(x);
    case 1: return UpRight(x);
    case 2: return DownLeft(x);
    default: return DownRight(x);
    }
}

struct TGeometry {
    int8_t Row[SQUARE_COUNT];
    int8_t Column[SQUARE_COUNT];
    // The squares ahead of a man from which an opposing piece could still meet it.
    TSquareSet Cone[SQUARE_COUNT];
};

constexpr TGeometry MakeGeometry()
{
    TGeometry g{};
    for (int p = 0; p < SQUARE_COUNT; ++p) {
        const int row = p / 4;
        g.Row[p] = static_cast<int8_t>(row);
        g.Column[p] = static_cast<int8_t>(row % 2 == 0 ? 2 * (p % 4) + 1 : 2 * (p % 4));
    }
    for (int p = 0; p < SQUARE_COUNT; ++p)
        for (int q = 0; q < SQUARE_COUNT; ++q) {
            const int dr = g.Row[q] - g.Row[p];
            const int dc = g.Column[q] > g.Column[p] ? g.Column[q] - g.Column[p] : g.Column[p] - g.Column[q];
            if (dr > 0 && dc <= dr + 1)
                g.Cone[p] |= SquareBit(static_cast<unsigned>(q));
        }
    return g;
}

constexpr TGeometry Geometry = MakeGeometry();

int Count(TSquareSet Set) { return SquareCount(Set); }

// The highest-numbered square of a set, the one Set &= Set - 1 takes out.
int Square(TSquareSet Set) { return 31 - std::countr_zero(Set); }

// The squares a mover in Direction may step to from Pieces where no opposing piece can take it
// at once: an opponent beside the new square that can move across it onto an empty square,
// or onto the square the mover has just left. OppMen move up, OppKings every way.
TSquareSet SafeSteps(int Direction, TSquareSet Pieces, TSquareSet Empty, TSquareSet OppMen, TSquareSet OppKings)
{
    const TSquareSet to = Step(Direction, Pieces) & Empty;
    TSquareSet unsafe = 0;
    for (int k = 0; k < 4; ++k) {
        if (k == 3 - Direction)
            continue;  // the mover's own square
        // An attacker one step in direction k from the new square jumps it in direction 3 - k.
        const int jump = 3 - k;
        const TSquareSet attackers = jump <= 1 ? OppMen | OppKings : OppKings;
        const TSquareSet landing = k == Direction ? ~TSquareSet{0} : Step(k, Empty);
        unsafe |= Step(jump, attackers) & landing;
    }
    return to & ~unsafe;
}

// Where AddSide's counts go: the features themselves (for tuning and tests) or straight into
// the two weighted sums, which spares the search a pass over every square's feature.
struct TFeatureSink {
    int32_t* Out;
    void Add(int Feature, int32_t Value) { Out[Feature] += Value; }
};

struct TScoreSink {
    const TExpertWeights& W;
    int32_t Open = 0;
    int32_t End = 0;
    void Add(int Feature, int32_t Value)
    {
        const TPhased& w = W.Weight(Feature);
        Open += Value * w.Open;
        End += Value * w.End;
    }
};

constexpr TSquareSet LEFT_HALF = Squares({1, 2, 5, 6, 9, 10, 13, 14, 17, 18, 21, 22, 25, 26, 29, 30});

// One side's features, seen as Black, added to Sink with Sign.
template <typename TSink>
void AddSide(TSquareSet Men, TSquareSet Kings, TSquareSet OppMen, TSquareSet OppKings, int Sign, TSink& Sink)
{
    const TSquareSet empty = ~(Men | Kings | OppMen | OppKings);
    const int oppMen = Count(OppMen);
    int32_t f[EXPERT_SCALAR_FEATURES] = {};
    f[efMan] = Count(Men);
    f[efKing] = Count(Kings);
    f[efBackBridge] = Count(Men & BRIDGE) * oppMen;
    f[efBackOther] = Count(Men & BACK_OTHER) * oppMen;
    f[efCentre] = Count(Men & CENTRE);
    f[efKingCentre] = Count(Kings & KING_CENTRE);
    f[efKingEdge] = Count(Kings & EDGE);
    f[efBalance] = std::abs(2 * Count(Men & LEFT_HALF) - f[efMan]);

    const TSquareSet opponents = OppMen | OppKings;
    for (TSquareSet m = Men; m != 0; m &= m - 1) {
        const int p = Square(m);
        Sink.Add(efManAt + p, Sign);
        f[efTempo] += Geometry.Row[p];
        if ((Geometry.Cone[p] & opponents) == 0) {
            ++f[efRunaway];
            f[efRunawayRows] += 7 - Geometry.Row[p];
        }
    }
    for (TSquareSet k = Kings; k != 0; k &= k - 1)
        Sink.Add(efKingAt + Square(k), Sign);

    TSquareSet menFree = 0, kingsFree = 0;
    for (int d = 0; d < 4; ++d) {
        if (d >= 2) {
            const TSquareSet men = SafeSteps(d, Men, empty, OppMen, OppKings);
            f[efMobility] += Count(men);
            menFree |= Step(3 - d, men);
        }
        if (Kings != 0) {
            const TSquareSet kings = SafeSteps(d, Kings, empty, OppMen, OppKings);
            f[efMobility] += Count(kings);
            kingsFree |= Step(3 - d, kings);
        }
    }
    f[efTrappedKing] = Count(Kings & ~kingsFree);
    const TSquareSet waiting = UpLeft(Men | Kings) | UpRight(Men | Kings);
    f[efTrappedMan] = Count(Men & ~menFree & ~waiting);
    f[efDogHole] = (Men & DOG_HOLE) != 0 && (opponents & DOG_HOLE_LOCK) != 0;

    for (int i = 0; i < EXPERT_SCALAR_FEATURES; ++i)
        if (f[i] != 0)
            Sink.Add(i, Sign * f[i]);
}

int Distance(int A, int B)
{
    return std::max(std::abs(Geometry.Row[A] - Geometry.Row[B]), std::abs(Geometry.Column[A] - Geometry.Column[B]));
}

// Against a side left with kings only, what keeps the side ahead from catching them: how far
// each is from the nearest king that hunts it, and each that sits in a double corner.
template <typename TSink>
void AddChase(TSquareSet StrongKings, TSquareSet WeakKings, int Sign, TSink& Sink)
{
    Sink.Add(efDoubleCorner, Sign * Count(WeakKings & DOUBLE_CORNERS));
    int32_t chase = 0;
    for (TSquareSet w = WeakKings; w != 0; w &= w - 1) {
        int nearest = 8;
        for (TSquareSet k = StrongKings; k != 0; k &= k - 1)
            nearest = std::min(nearest, Distance(Square(w), Square(k)));
        chase += nearest;
    }
    Sink.Add(efChase, Sign * chase);
}

// Both sides into Sink, from the side to move's view; returns the pieces on the board.
template <typename TSink>
int AddBoth(const TCheckersBoard& Board, TSink& Sink)
{
    const TSquareSet kings = Board.Kings();
    const TSquareSet blackMen = Board.BlackPieces() & ~kings;
    const TSquareSet blackKings = Board.BlackPieces() & kings;
    const TSquareSet whiteMen = Board.WhitePieces() & ~kings;
    const TSquareSet whiteKings = Board.WhitePieces() & kings;
    const int black = Count(Board.BlackPieces());
    const int white = Count(Board.WhitePieces());
    const int sign = Board.Turn() == PLAYER_WHITE ? -1 : 1;

    AddSide(blackMen, blackKings, whiteMen, whiteKings, sign, Sink);
    AddSide(Mirror(whiteMen), Mirror(whiteKings), Mirror(blackMen), Mirror(blackKings), -sign, Sink);
    if (black > white && whiteMen == 0 && blackKings != 0)
        AddChase(blackKings, whiteKings, sign, Sink);
    else if (white > black && blackMen == 0 && whiteKings != 0)
        AddChase(whiteKings, blackKings, -sign, Sink);
    // Only against a man or none, so that the last man's crowning, which the chase above
    // already makes worse for the side ahead, does not turn this on.
    if (black > white && blackKings != 0 && Count(whiteMen) <= 1)
        Sink.Add(efLead, sign * (black - white));
    else if (white > black && whiteKings != 0 && Count(blackMen) <= 1)
        Sink.Add(efLead, -sign * (white - black));
    return black + white;
}

// A band's eight squares as a number in base 3: the mover's men are the digits 1, the
// opponent's 2.
constexpr auto BASE3 = [] {
    std::array<uint16_t, 256> t{};
    for (int b = 0; b < 256; ++b)
        for (int i = 7, power = 1; i >= 0; --i, power *= 3)
            t[b] = static_cast<uint16_t>(t[b] + ((b >> i) & 1) * power);
    return t;
}();

// The two squares of each row that a column of blocks takes (the row's first two, middle two
// or last two), as two bits a row, row 1 highest.
constexpr uint32_t BlockColumn(TSquareSet Men, int Column)
{
    uint32_t x = (Men >> (2 - Column)) & 0x33333333u;
    x = (x | (x >> 2)) & 0x0F0F0F0Fu;
    x = (x | (x >> 4)) & 0x00FF00FFu;
    return (x | (x >> 8)) & 0xFFFFu;
}

template <typename TVisit>
void ForEachRegion(const TCheckersBoard& Board, int Regions, const TVisit& Visit)
{
    const TSquareSet men = ~Board.Kings();
    TSquareSet own = Board.BlackPieces() & men, opp = Board.WhitePieces() & men;
    if (Board.Turn() == PLAYER_WHITE) {
        const TSquareSet mover = Mirror(opp);
        opp = Mirror(own);
        own = mover;
    }
    // Row r holds the bits 31 - 4r down to 28 - 4r, so rows r and r + 1 are one byte.
    for (int band = 0; band < EXPERT_BANDS; ++band) {
        const int shift = 24 - 4 * band;
        Visit(band, BASE3[(own >> shift) & 0xFF] + 2 * BASE3[(opp >> shift) & 0xFF]);
    }
    if (Regions == EXPERT_BANDS)
        return;
    // In a column of blocks a row is two bits, so four rows are one byte.
    static_assert(EXPERT_BLOCKS == 3 * 5, "three columns of blocks, five deep");
    int region = EXPERT_BANDS;
    for (int column = 0; column < 3; ++column) {
        const uint32_t ownColumn = BlockColumn(own, column), oppColumn = BlockColumn(opp, column);
        for (int row = 0; row < 5; ++row) {
            const int shift = 8 - 2 * row;
            Visit(region++, BASE3[(ownColumn >> shift) & 0xFF] + 2 * BASE3[(oppColumn >> shift) & 0xFF]);
        }
    }
}

int32_t Blend(int32_t Open, int32_t End, int Pieces)
{
    const int open = std::clamp(Pieces, 0, EXPERT_FULL_BOARD);
    return (Open * open + End * (EXPERT_FULL_BOARD - open)) / EXPERT_FULL_BOARD;
}

}  // namespace

std::string ExpertFeatureName(int Feature)
{
    static constexpr const char* NAMES[EXPERT_SCALAR_FEATURES] = {
        "Man",      "King",        "BackBridge", "BackOther",   "Centre",     "KingCentre",
        "KingEdge", "Tempo",       "Runaway",    "RunawayRows", "Mobility",   "TrappedKing",
        "TrappedMan", "DogHole",   "Chase",      "DoubleCorner", "Balance",  "Lead"};
    if (Feature >= efKingAt)
        return "KingAt" + std::to_string(Feature - efKingAt + 1);
    if (Feature >= efManAt)
        return "ManAt" + std::to_string(Feature - efManAt + 1);
    return NAMES[Feature];
}

int ExpertFeatures(const TCheckersBoard& Board, int32_t* Out)
{
    std::fill(Out, Out + EXPERT_FEATURES, 0);
    TFeatureSink sink{Out};
    return AddBoth(Board, sink);
}

void ExpertRegions(const TCheckersBoard& Board, uint16_t* Out)
{
    ForEachRegion(Board, EXPERT_REGIONS, [&](int Region, int Config) { Out[Region] = static_cast<uint16_t>(Config); });
}

int32_t ExpertEvaluate(const TCheckersBoard& Board, const TExpertWeights& W)
{
    TScoreSink sink{W};
    const int pieces = AddBoth(Board, sink);
    if (W.Patterns != nullptr)
        ForEachRegion(Board, W.Regions, [&](int Region, int Config) {
            sink.Open += W.Patterns->Weight[Region][Config].Open;
            sink.End += W.Patterns->Weight[Region][Config].End;
        });
    return Blend(sink.Open, sink.End, pieces);
}

const TExpertPatterns EXPERT_PATTERNS = {{
#include "ExpertPatterns.inc"
}};

}  // namespace velk
