#include "FileStream.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

namespace {

std::string FileError(const char* What, const std::string& FileName, int Error)
{
    return std::string("Cannot ") + What + " file \"" + FileName + "\". " + std::strerror(Error);
}

}  // namespace

TFileStream::TFileStream(const std::string& FileName, TFileMode Mode) : FFileName(FileName)
{
    if (Mode == fmCreate) {
        FHandle = ::open(FileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0)
            throw EFCreateError(FileError("create", FileName, errno));
        return;
    }
    FHandle = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (FHandle < 0)
        throw EFOpenError(FileError("open", FileName, errno));
    // A directory opens fine for reading on Linux and fails only at the first read, where the
    // user would get a vague read error instead of the reason.
    struct stat st;
    if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(FHandle);
        throw EFOpenError(FileError("open", FileName, EISDIR));
    }
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0)
        ::close(FHandle);
}

int64_t TFileStream::Read(void* Buffer, int64_t Count)
{
    int64_t done = 0;
    auto* bytes = static_cast<char*>(Buffer);
    while (done < Count) {
        const ssize_t n = ::read(FHandle, bytes + done, static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;  // end of file or an error: the caller sees a short read
        done += n;
    }
    FPosition += done;
    return done;
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count)
{
    int64_t done = 0;
    const auto* bytes = static_cast<const char*>(Buffer);
    while (done < Count) {
        const ssize_t n = ::write(FHandle, bytes + done, static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    FPosition += done;
    return done;
}

void TFileStream::SetPosition(int64_t Value)
{
    const off_t at = ::lseek(FHandle, static_cast<off_t>(std::max<int64_t>(0, Value)), SEEK_SET);
    if (at >= 0)
        FPosition = at;
}

int64_t TFileStream::Size() const
{
    struct stat st;
    return ::fstat(FHandle, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

}  // namespace velk
