#pragma once
// Byte streams: the board, the game record and the game file are read and written through
// them. Read is the plain read that may return fewer bytes than asked; ReadBuffer and
// WriteBuffer insist on the whole count and raise EReadError / EWriteError.
#include <cstdint>
#include <vector>

#include "Exceptions.h"

namespace velk {

class TStream {
public:
    virtual ~TStream() = default;

    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    virtual int64_t Position() const = 0;
    virtual void SetPosition(int64_t Value) = 0;
    virtual int64_t Size() const = 0;

    int64_t Remaining() const { return Size() - Position(); }
    void ReadBuffer(void* Buffer, int64_t Count);
    void WriteBuffer(const void* Buffer, int64_t Count);

    // Little-endian integer helpers over the whole-count reads and writes.
    void WriteU8(uint8_t Value) { WriteBuffer(&Value, 1); }
    void WriteU32(uint32_t Value);
    void WriteI32(int32_t Value) { WriteU32(static_cast<uint32_t>(Value)); }
    uint8_t ReadU8();
    uint32_t ReadU32();
    int32_t ReadI32() { return static_cast<int32_t>(ReadU32()); }

    // Raises the stream's own error for a read that needs Missing bytes more than are left.
    [[noreturn]] void ReadPastEnd(int64_t Missing);
    // True when the stream's errors tell more than the generic text (they name a file, say).
    virtual bool ExplainsErrors() const { return false; }

protected:
    // Called by ReadBuffer and WriteBuffer when Done of Count bytes were moved; raises
    // EReadError / EWriteError with the best explanation the stream can give.
    [[noreturn]] virtual void ReadFailed(int64_t Count, int64_t Done);
    [[noreturn]] virtual void WriteFailed(int64_t Count, int64_t Done);
};

class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(std::vector<uint8_t> Bytes) : FBytes(std::move(Bytes)) {}

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Position() const override { return FPosition; }
    void SetPosition(int64_t Value) override;
    int64_t Size() const override { return static_cast<int64_t>(FBytes.size()); }

    const std::vector<uint8_t>& Bytes() const { return FBytes; }
    void Clear();

private:
    std::vector<uint8_t> FBytes;
    int64_t FPosition = 0;
};

}  // namespace velk
