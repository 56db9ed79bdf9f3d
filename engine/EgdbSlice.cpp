// Combinatorial numbering of the tables' positions and the run-length form of their files.
#include "EgdbSlice.h"

#include <algorithm>
#include <bit>

namespace velk::egdb {

namespace {

// A man never stands on the row where it is crowned: Black's men on rows 0-6, White's on 1-7.
constexpr int MAN_SQUARES = 28;
constexpr int WHITE_MEN_FIRST = 4;

struct TBinomials {
    uint64_t C[SQUARE_COUNT + 1][SQUARE_COUNT + 1];
};

constexpr TBinomials MakeBinomials()
{
    TBinomials b{};
    for (int n = 0; n <= SQUARE_COUNT; ++n) {
        b.C[n][0] = 1;
        for (int k = 1; k <= n; ++k)
            b.C[n][k] = b.C[n - 1][k - 1] + (k <= n - 1 ? b.C[n - 1][k] : 0);
    }
    return b;
}

constexpr TBinomials Binomials = MakeBinomials();

constexpr uint64_t Choose(int N, int K) { return K < 0 || N < 0 || K > N ? 0 : Binomials.C[N][K]; }

// The squares 0 .. P-1.
constexpr TSquareSet Below(int P) { return P == 0 ? 0 : ~0u << (32 - P); }

// The rank of Set among the subsets of its size of the squares from First up, Skipped taken out
// of the count: each square becomes its number among the squares left, and the sorted numbers
// t0 < t1 < ... rank as C(t0, 1) + C(t1, 2) + ...
uint64_t RankSet(TSquareSet Set, TSquareSet Skipped, int First)
{
    uint64_t rank = 0;
    int i = 0;
    const TSquareSet counted = Skipped & ~Below(First);
    while (Set != 0) {
        const int p = std::countl_zero(Set);
        Set &= ~SquareBit(p);
        const int t = p - First - std::popcount(counted & Below(p));
        rank += Choose(t, ++i);
    }
    return rank;
}

// The set of Count squares at Rank as RankSet numbers it; false when a number falls beyond
// the last square.
bool UnrankSet(uint64_t Rank, int Count, TSquareSet Skipped, int First, TSquareSet& Set)
{
    int numbers[SQUARE_COUNT];
    int t = SQUARE_COUNT;
    for (int i = Count; i >= 1; --i) {
        while (Choose(t, i) > Rank)
            --t;
        Rank -= Choose(t, i);
        numbers[i - 1] = t;
        --t;
    }
    Set = 0;
    int p = First, seen = 0;
    for (int i = 0; i < Count; ++i) {
        for (;; ++p) {
            if (p >= SQUARE_COUNT)
                return false;
            if (Skipped & SquareBit(p))
                continue;
            if (seen++ == numbers[i])
                break;
        }
        Set |= SquareBit(p++);
    }
    return true;
}

}  // namespace

uint64_t TSlice::Placements() const
{
    const int men = BlackMen + WhiteMen;
    return Choose(MAN_SQUARES, BlackMen) * Choose(MAN_SQUARES, WhiteMen) * Choose(SQUARE_COUNT - men, BlackKings) *
           Choose(SQUARE_COUNT - men - BlackKings, WhiteKings);
}

std::string TSlice::Name() const
{
    return std::to_string(BlackMen) + "-" + std::to_string(BlackKings) + "-" + std::to_string(WhiteMen) + "-" +
           std::to_string(WhiteKings);
}

TSlice SliceOf(TSquareSet Black, TSquareSet White, TSquareSet Kings)
{
    return {static_cast<uint8_t>(std::popcount(Black & ~Kings)), static_cast<uint8_t>(std::popcount(Black & Kings)),
            static_cast<uint8_t>(std::popcount(White & ~Kings)), static_cast<uint8_t>(std::popcount(White & Kings))};
}

std::vector<TSlice> BuildOrder(int Pieces)
{
    std::vector<TSlice> order;
    for (int n = 2; n <= Pieces; ++n) {
        for (int men = 0; men <= n; ++men) {
            for (int bm = 0; bm <= men; ++bm) {
                const int wm = men - bm;
                for (int bk = 0; bk <= n - men; ++bk) {
                    const TSlice s{static_cast<uint8_t>(bm), static_cast<uint8_t>(bk), static_cast<uint8_t>(wm),
                                   static_cast<uint8_t>(n - men - bk)};
                    if (s.BlackMen + s.BlackKings > 0 && s.WhiteMen + s.WhiteKings > 0 && s.Stored() && HasTable(s))
                        order.push_back(s);
                }
            }
        }
    }
    return order;
}

uint64_t IndexOf(const TSlice& Slice, TSquareSet Black, TSquareSet White, TSquareSet Kings, int Turn)
{
    const TSquareSet bm = Black & ~Kings, wm = White & ~Kings;
    const int men = Slice.BlackMen + Slice.WhiteMen;
    uint64_t index = RankSet(bm, 0, 0);
    index = index * Choose(MAN_SQUARES, Slice.WhiteMen) + RankSet(wm, bm, WHITE_MEN_FIRST);
    index = index * Choose(SQUARE_COUNT - men, Slice.BlackKings) + RankSet(Black & Kings, bm | wm, 0);
    index = index * Choose(SQUARE_COUNT - men - Slice.BlackKings, Slice.WhiteKings) +
            RankSet(White & Kings, bm | wm | (Black & Kings), 0);
    return Turn == 0 ? index : index + Slice.Placements();
}

bool PositionAt(const TSlice& Slice, uint64_t Index, TSquareSet& Black, TSquareSet& White, TSquareSet& Kings, int& Turn)
{
    const uint64_t placements = Slice.Placements();
    Turn = Index >= placements ? 1 : 0;
    if (Turn == 1)
        Index -= placements;
    const int men = Slice.BlackMen + Slice.WhiteMen;
    const uint64_t nwk = Choose(SQUARE_COUNT - men - Slice.BlackKings, Slice.WhiteKings);
    const uint64_t nbk = Choose(SQUARE_COUNT - men, Slice.BlackKings);
    const uint64_t nwm = Choose(MAN_SQUARES, Slice.WhiteMen);
    const uint64_t iwk = Index % nwk;
    Index /= nwk;
    const uint64_t ibk = Index % nbk;
    Index /= nbk;
    const uint64_t iwm = Index % nwm;
    const uint64_t ibm = Index / nwm;
    TSquareSet bm, wm, bk, wk;
    if (!UnrankSet(ibm, Slice.BlackMen, 0, 0, bm) || !UnrankSet(iwm, Slice.WhiteMen, bm, WHITE_MEN_FIRST, wm) ||
        !UnrankSet(ibk, Slice.BlackKings, bm | wm, 0, bk) || !UnrankSet(iwk, Slice.WhiteKings, bm | wm | bk, 0, wk))
        return false;
    Black = bm | bk;
    White = wm | wk;
    Kings = bk | wk;
    return true;
}

// Runs: a byte below 128 is followed by that many plus one bytes as they are; a byte from 128
// up is followed by one byte that repeats (byte - 128) + 3 times.
std::vector<uint8_t> Compress(const std::vector<uint8_t>& Packed)
{
    std::vector<uint8_t> out;
    out.reserve(Packed.size() / 4 + 16);
    const size_t n = Packed.size();
    size_t i = 0, literal = 0;  // Packed[literal .. i) waits to be written as it is
    auto flushLiteral = [&](size_t End) {
        while (literal < End) {
            const size_t count = std::min<size_t>(128, End - literal);
            out.push_back(static_cast<uint8_t>(count - 1));
            out.insert(out.end(), Packed.begin() + static_cast<ptrdiff_t>(literal),
                       Packed.begin() + static_cast<ptrdiff_t>(literal + count));
            literal += count;
        }
    };
    while (i < n) {
        size_t run = 1;
        while (i + run < n && Packed[i + run] == Packed[i] && run < 130)
            ++run;
        if (run >= 3) {
            flushLiteral(i);
            out.push_back(static_cast<uint8_t>(128 + run - 3));
            out.push_back(Packed[i]);
            i += run;
            literal = i;
        } else {
            i += run;
        }
    }
    flushLiteral(n);
    return out;
}

bool Decompress(const uint8_t* Data, size_t Size, std::vector<uint8_t>& Packed)
{
    size_t at = 0, i = 0;
    const size_t n = Packed.size();
    while (at < Size) {
        const uint8_t c = Data[at++];
        if (c < 128) {
            const size_t count = size_t{c} + 1;
            if (Size - at < count || n - i < count)
                return false;
            std::copy(Data + at, Data + at + count, Packed.begin() + static_cast<ptrdiff_t>(i));
            at += count;
            i += count;
        } else {
            const size_t count = size_t{c} - 125;
            if (at >= Size || n - i < count)
                return false;
            std::fill_n(Packed.begin() + static_cast<ptrdiff_t>(i), count, Data[at++]);
            i += count;
        }
    }
    return i == n;
}

}  // namespace velk::egdb
