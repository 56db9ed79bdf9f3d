#include "FileStream.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

TFileCalls FileCalls = {::read, ::write};

namespace {

std::string FileError(const char* What, const std::string& FileName, int Error)
{
    return std::string("Cannot ") + What + " file \"" + FileName + "\". " + std::strerror(Error);
}

std::string Quoted(const std::string& FileName)
{
    return "\"" + FileName + "\"";
}

// Writes all of Data, resuming after interrupted or partial writes; false with errno set when
// the system refuses. A write that moves nothing and reports nothing counts as a full disk.
bool WriteAll(int Handle, const char* Data, size_t Size)
{
    while (Size > 0) {
        const ssize_t n = FileCalls.Write(Handle, Data, Size);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            if (n == 0)
                errno = ENOSPC;
            return false;
        }
        Data += n;
        Size -= static_cast<size_t>(n);
    }
    return true;
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
    // Without O_NONBLOCK, opening a FIFO waits for a writer that may never come, and reading a
    // device may never end; only a regular file is a game, and is read blocking as usual.
    FHandle = ::open(FileName.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (FHandle < 0)
        throw EFOpenError(FileError("open", FileName, errno));
    struct stat st;
    const int statError = ::fstat(FHandle, &st) == 0 ? 0 : errno;
    if (statError != 0 || !S_ISREG(st.st_mode)) {
        ::close(FHandle);
        FHandle = -1;
        if (statError != 0)
            throw EFOpenError(FileError("open", FileName, statError));
        // A directory opens fine for reading on Linux and fails only at the first read.
        if (S_ISDIR(st.st_mode))
            throw EFOpenError(FileError("open", FileName, EISDIR));
        throw EFOpenError("Cannot open file " + Quoted(FileName) + ". Not a regular file");
    }
    const int flags = ::fcntl(FHandle, F_GETFL);
    if (flags >= 0)
        ::fcntl(FHandle, F_SETFL, flags & ~O_NONBLOCK);
}

TFileStream::~TFileStream()
{
    if (FHandle >= 0)
        ::close(FHandle);
}

int64_t TFileStream::Read(void* Buffer, int64_t Count)
{
    constexpr size_t BUFFER_SIZE = 64 * 1024;
    int64_t done = 0;
    auto* bytes = static_cast<char*>(Buffer);
    FLastError = 0;
    while (done < Count) {
        if (FBufferStart < FBufferEnd) {
            const size_t n = std::min(FBufferEnd - FBufferStart, static_cast<size_t>(Count - done));
            std::memcpy(bytes + done, FBuffer.data() + FBufferStart, n);
            FBufferStart += n;
            done += static_cast<int64_t>(n);
            continue;
        }
        FBuffer.resize(BUFFER_SIZE);
        const ssize_t n = FileCalls.Read(FHandle, FBuffer.data(), BUFFER_SIZE);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            FLastError = errno;
        if (n <= 0)
            break;  // end of file or an error: the caller sees a short read
        FBufferStart = 0;
        FBufferEnd = static_cast<size_t>(n);
    }
    FPosition += done;
    return done;
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count)
{
    if (FBufferStart < FBufferEnd)
        SetPosition(FPosition);  // the file's own offset is where the read-ahead stopped
    int64_t done = 0;
    const auto* bytes = static_cast<const char*>(Buffer);
    FLastError = 0;
    while (done < Count) {
        const ssize_t n = FileCalls.Write(FHandle, bytes + done, static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            FLastError = n < 0 ? errno : ENOSPC;
            break;
        }
        done += n;
    }
    FPosition += done;
    return done;
}

void TFileStream::ReadFailed(int64_t Count, int64_t Done)
{
    if (FLastError != 0)
        throw EReadError("Cannot read the " + FDescription + " " + Quoted(FFileName) + ". " +
                         std::strerror(FLastError));
    const int64_t missing = Count - Done;
    throw EReadError("The " + FDescription + " " + Quoted(FFileName) + " is cut short: it ends at byte " +
                     std::to_string(Size()) + ", where " + std::to_string(missing) +
                     (missing == 1 ? " more byte was" : " more bytes were") + " expected");
}

void TFileStream::WriteFailed(int64_t, int64_t)
{
    throw EWriteError("Cannot write the " + FDescription + " " + Quoted(FFileName) + ". " +
                      std::strerror(FLastError != 0 ? FLastError : EIO));
}

void TFileStream::SetPosition(int64_t Value)
{
    FBufferStart = FBufferEnd = 0;
    const off_t at = ::lseek(FHandle, static_cast<off_t>(std::max<int64_t>(0, Value)), SEEK_SET);
    if (at >= 0)
        FPosition = at;
}

int64_t TFileStream::Size() const
{
    struct stat st;
    return ::fstat(FHandle, &st) == 0 ? static_cast<int64_t>(st.st_size) : 0;
}

// ---------------------------------------------------------------------------------------------

void ReportFileSizeLimitAsError()
{
    ::signal(SIGXFSZ, SIG_IGN);
}

namespace {

// A save's temporary file is "." + the first 200 bytes of the file's name + SAVING + the
// writer's process id + "-" + six letters or digits: hidden, short enough that a name near the
// length limit still leaves room for it, and of a form nobody gives their own files.
constexpr const char* SAVING = ".saving-";
constexpr int STALE_SECONDS = 60;

std::string TemporaryPrefix(const std::string& Base)
{
    std::string prefix(1, '.');
    return prefix.append(Base, 0, 200).append(SAVING);
}

// The writer's process id when Name is a save's temporary file with that Prefix, else 0.
pid_t TemporaryWriter(const std::string& Name, const std::string& Prefix)
{
    if (Name.compare(0, Prefix.size(), Prefix) != 0)
        return 0;
    const auto digit = [](char c) { return c >= '0' && c <= '9'; };
    const auto alphanumeric = [&](char c) { return digit(c) || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); };
    pid_t writer = 0;
    size_t at = Prefix.size();
    for (; at < Name.size() && digit(Name[at]) && writer < 100000000; ++at)
        writer = writer * 10 + (Name[at] - '0');
    if (at == Prefix.size() || Name.size() != at + 7 || Name[at] != '-' ||
        !std::all_of(Name.begin() + static_cast<std::ptrdiff_t>(at) + 1, Name.end(), alphanumeric))
        return 0;
    return writer;
}

// Removes what saves of the same file left behind when they were killed before their rename:
// a file of that name's form, ours, whose writer is gone and which nobody has written for a
// minute. A save still running keeps its file on both counts: its process lives, and it writes
// within seconds. Either test alone could be fooled (a folder shared with another machine,
// whose process ids mean nothing here; a reused id, which only leaves a file for later), both
// together only by a save that has stalled for a minute on another machine, which then fails
// cleanly at its rename and leaves the game file as it was.
void RemoveStaleTemporaries(const std::string& Folder, const std::string& Prefix)
{
    DIR* dir = ::opendir(Folder.c_str());
    if (dir == nullptr)
        return;
    const time_t now = ::time(nullptr);
    while (const dirent* entry = ::readdir(dir)) {
        const pid_t writer = TemporaryWriter(entry->d_name, Prefix);
        struct stat st;
        if (writer <= 0 || ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid() || now - st.st_mtime < STALE_SECONDS)
            continue;
        if (::kill(writer, 0) != 0 && errno == ESRCH)
            ::unlinkat(::dirfd(dir), entry->d_name, 0);
    }
    ::closedir(dir);
}

}  // namespace

void SaveFileReplacing(const std::string& FileName, const void* Data, size_t Size, const std::string& Description)
{
    const auto fail = [&](int Error) {
        throw EFSaveError("Cannot save the " + Description + " " + Quoted(FileName) + ". " + std::strerror(Error));
    };
    // A link is followed, so that the file it points to is replaced and the link stays.
    std::string target = FileName;
    mode_t mode;
    struct stat st;
    if (::stat(FileName.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) {
            if (S_ISDIR(st.st_mode))
                fail(EISDIR);
            throw EFSaveError("Cannot save the " + Description + " " + Quoted(FileName) + ". Not a regular file");
        }
        // The new file takes the old one's place through the folder, which the system allows
        // however the file itself is protected. A write-protected file is kept, as editors
        // keep it; root may write any file, so for root the file's own bits decide.
        if ((st.st_mode & 0222) == 0)
            fail(EACCES);
        if (::faccessat(AT_FDCWD, FileName.c_str(), W_OK, AT_EACCESS) != 0)
            fail(errno);
        mode = st.st_mode & 07777;
        char resolved[PATH_MAX];
        if (::realpath(FileName.c_str(), resolved) != nullptr)
            target = resolved;
    } else {
        if (errno != ENOENT)
            fail(errno);
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }

    const size_t slash = target.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
    const std::string prefix = TemporaryPrefix(slash == std::string::npos ? target : target.substr(slash + 1));
    RemoveStaleTemporaries(folder, prefix);
    std::string temporary = (slash == std::string::npos ? "" : target.substr(0, slash + 1)) + prefix +
                            std::to_string(::getpid()) + "-XXXXXX";
    const int handle = ::mkostemp(temporary.data(), O_CLOEXEC);
    if (handle < 0)
        fail(errno);
    bool written = ::fchmod(handle, mode) == 0 && WriteAll(handle, static_cast<const char*>(Data), Size) &&
                   ::fsync(handle) == 0;
    int error = written ? 0 : errno;
    if (::close(handle) != 0 && written) {
        written = false;
        error = errno;
    }
    if (written && ::rename(temporary.c_str(), target.c_str()) != 0) {
        written = false;
        error = errno;
    }
    if (!written) {
        ::unlink(temporary.c_str());
        fail(error);
    }
    // The new name is on disk only once the folder is; a failure here loses nothing that the
    // rename has not already made safe, so it is not reported.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

}  // namespace velk
