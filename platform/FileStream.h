#pragma once
// A stream over a file on disk, for saving and opening games. Failing to create, open, read or
// write the file raises an error whose text names the file and the system's reason, because
// that text is all the user gets to see.
#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

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

// A file that could not be replaced; the old one is left as it was.
class EFSaveError : public Exception {
public:
    using Exception::Exception;
};

enum TFileMode {
    fmCreate,    // create the file, replacing an existing one; read and write
    fmOpenRead,  // open an existing regular file for reading only
};

// The system calls that move a file's bytes. Tests point them elsewhere to see what a full disk
// or a failing device does; everything else leaves them alone.
struct TFileCalls {
    ssize_t (*Read)(int Handle, void* Buffer, size_t Count);
    ssize_t (*Write)(int Handle, const void* Buffer, size_t Count);
};
extern TFileCalls FileCalls;

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
    // What the file holds, as read and write errors call it: "game file", say.
    void SetDescription(const std::string& Value) { FDescription = Value; }
    // The system's error number of the last read or write that fell short, 0 at the file's end.
    int LastError() const { return FLastError; }
    bool ExplainsErrors() const override { return true; }

protected:
    [[noreturn]] void ReadFailed(int64_t Count, int64_t Done) override;
    [[noreturn]] void WriteFailed(int64_t Count, int64_t Done) override;

private:
    std::string FFileName;
    std::string FDescription = "file";
    int FHandle = -1;
    int64_t FPosition = 0;
    // Read ahead: a game is read a few bytes at a time, and a system call for each would cost
    // more than the rest of loading a long game.
    std::vector<char> FBuffer;
    size_t FBufferStart = 0;
    size_t FBufferEnd = 0;
    int FLastError = 0;  // errno of the last failed read or write, 0 for the end of the file
};

// Replaces FileName by a file holding exactly Data, or leaves it as it was: the bytes go to a
// new file in the same folder, which takes the old file's place only once it is complete on
// disk. A file through a link is replaced and the link kept; a write-protected file is refused.
// A failure raises EFSaveError "Cannot save the <Description> "<file>". <reason>".
void SaveFileReplacing(const std::string& FileName, const void* Data, size_t Size, const std::string& Description);

// A file-size limit (ulimit -f) sends SIGXFSZ at the write that passes it, and the signal ends
// the program, with the game in memory and half of what it was writing. Ignored, the write
// fails with "File too large" like any other. Each program calls this as it starts.
void ReportFileSizeLimitAsError();

}  // namespace velk
