#include "Stream.h"

#include <algorithm>
#include <cstring>

namespace velk {

void TStream::ReadBuffer(void* Buffer, int64_t Count)
{
    if (Count == 0)
        return;
    const int64_t done = Read(Buffer, Count);
    if (done != Count)
        ReadFailed(Count, done);
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count)
{
    if (Count == 0)
        return;
    const int64_t done = Write(Buffer, Count);
    if (done != Count)
        WriteFailed(Count, done);
}

void TStream::ReadPastEnd(int64_t Missing)
{
    ReadFailed(Remaining() + Missing, Remaining());
    throw EReadError();  // an override that returned would break its promise
}

void TStream::ReadFailed(int64_t, int64_t)
{
    throw EReadError();
}

void TStream::WriteFailed(int64_t, int64_t)
{
    throw EWriteError();
}

void TStream::WriteU32(uint32_t Value)
{
    const uint8_t bytes[4] = {static_cast<uint8_t>(Value), static_cast<uint8_t>(Value >> 8),
                              static_cast<uint8_t>(Value >> 16), static_cast<uint8_t>(Value >> 24)};
    WriteBuffer(bytes, 4);
}

uint8_t TStream::ReadU8()
{
    uint8_t value = 0;
    ReadBuffer(&value, 1);
    return value;
}

uint32_t TStream::ReadU32()
{
    uint8_t b[4] = {};
    ReadBuffer(b, 4);
    return b[0] | (b[1] << 8) | (b[2] << 16) | (static_cast<uint32_t>(b[3]) << 24);
}

int64_t TMemoryStream::Read(void* Buffer, int64_t Count)
{
    if (Count <= 0 || FPosition >= Size())
        return 0;
    const int64_t n = std::min(Count, Size() - FPosition);
    std::memcpy(Buffer, FBytes.data() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count)
{
    if (Count <= 0)
        return 0;
    const auto end = static_cast<size_t>(FPosition + Count);
    if (end > FBytes.size())
        FBytes.resize(end);
    std::memcpy(FBytes.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition += Count;
    return Count;
}

void TMemoryStream::SetPosition(int64_t Value)
{
    FPosition = std::max<int64_t>(0, Value);
}

void TMemoryStream::Clear()
{
    FBytes.clear();
    FPosition = 0;
}

}  // namespace velk
