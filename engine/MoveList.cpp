#include <algorithm>
#include <cstring>

#include "CheckersBoard.h"

namespace velk {

namespace {
bool StartsWith(const TCheckersMove& Move, const TCheckersMove& Prefix)
{
    return Move.Count >= Prefix.Count && std::equal(Prefix.Squares, Prefix.Squares + Prefix.Count, Move.Squares);
}
}  // namespace

void TMoveList::SetCapacity(int32_t Value)
{
    Value = std::max<int32_t>(Value, 0);
    if (Value == FCapacity)
        return;
    FCount = std::min(FCount, Value);
    std::unique_ptr<TCheckersMove[]> items;
    if (Value > 0) {
        items = std::make_unique<TCheckersMove[]>(static_cast<size_t>(Value));
        std::copy(FItems.get(), FItems.get() + FCount, items.get());
    }
    FItems = std::move(items);
    FCapacity = Value;
}

void TMoveList::GetMove(int32_t Index, TCheckersMove& Move) const
{
    if (Index >= 0 && Index < FCount)
        Move = FItems[Index];
    else
        Move.Count = 0;
}

void TMoveList::AddJump(const TCheckersMove& Move)
{
    // Captures stay ordered by length, longest first; equal lengths keep generation order.
    int32_t at = 0;
    while (at < FCount && FItems[at].Count >= Move.Count)
        ++at;
    Append();
    std::copy_backward(FItems.get() + at, FItems.get() + FCount - 1, FItems.get() + FCount);
    FItems[at] = Move;
}

void TMoveList::Restrict(const TCheckersMove& Prefix)
{
    const int drop = Prefix.Count - 1;
    int32_t kept = 0;
    for (int32_t i = 0; i < FCount; ++i) {
        TCheckersMove m = FItems[i];
        if (m.Count <= Prefix.Count || !StartsWith(m, Prefix))
            continue;
        if (drop > 0) {
            std::copy(m.Squares + drop, m.Squares + m.Count, m.Squares);
            m.Count = static_cast<uint8_t>(m.Count - drop);
        }
        FItems[kept++] = m;
    }
    FCount = kept;
}

int32_t TMoveList::IndexOf(const TCheckersMove& Move) const
{
    for (int32_t i = 0; i < FCount; ++i)
        if (FItems[i].Count == Move.Count && StartsWith(FItems[i], Move))
            return i;
    return -1;
}

int32_t TMoveList::FindPrefix(const TCheckersMove& Path, int32_t After) const
{
    for (int32_t i = std::max<int32_t>(After + 1, 0); i < FCount; ++i)
        if (StartsWith(FItems[i], Path))
            return i;
    return -1;
}

bool TMoveList::HasStep(TPosition Src, TPosition Dst) const
{
    TCheckersMove step;
    step.Count = 2;
    step.Squares[0] = Src;
    step.Squares[1] = Dst;
    return FindPrefix(step, -1) >= 0;
}

bool TMoveList::Complete(TCheckersMove& Path) const
{
    for (;;) {
        bool found = false;
        TPosition next = P01;
        for (int32_t i = 0; i < FCount; ++i) {
            const TCheckersMove& m = FItems[i];
            if (!StartsWith(m, Path))
                continue;
            if (m.Count == Path.Count)
                return true;
            const TPosition candidate = m.Squares[Path.Count];
            if (found && candidate != next)
                return false;
            found = true;
            next = candidate;
        }
        if (!found)
            return false;
        Path.Squares[Path.Count++] = next;
    }
}

}  // namespace velk
