#pragma once
// A stream over a file on disk, for saving and opening games. Failing to create or open the
// file raises the class library's file errors, whose text names the file and the system's
// reason, because that text is all the user gets to see.
#include <string>

#include "Stream.h"

namespace velk {

class EFCreateError : public Exception {
public:
    using Exception::Exception;
};

class EFOpenError : public Exception {
public:
    using Exception::Exception;
};

enum TFileMode {
    fmCreate,    // create the file, replacing an existing one; read and write
    fmOpenRead,  // open an existing file for reading only
};

class TFileStream : public TStream {
public:
    TFileStream(const std::string& FileName, TFileMode Mode);
    ~TFileStream() override;
    TFileStream(const TFileStream&) = delete;
    TFileStream& operator=(const TFileStream&) = delete;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Position() const override { return FPosition; }
    void SetPosition(int64_t Value) override;
    int64_t Size() const override;

    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
    int FHandle = -1;
    int64_t FPosition = 0;
};

}  // namespace velk
