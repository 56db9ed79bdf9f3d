#include "AppendFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "FileStream.h"

namespace velk {

namespace {

const char* const NOT_REGULAR = "Not a regular file";

// Makes Folder and those above it that are missing. Returns 0, or the system's error number of
// the step that failed: the folder the user may not write, rather than the file then missing.
int CreateFolders(const std::string& Folder)
{
    struct stat st;
    if (Folder.empty() || ::stat(Folder.c_str(), &st) == 0)
        return 0;  // something that is not a folder is for the file's own open to report
    if (errno != ENOENT)
        return errno;
    const size_t slash = Folder.rfind('/');
    if (slash != std::string::npos && slash > 0)
        if (const int error = CreateFolders(Folder.substr(0, slash)); error != 0)
            return error;
    return ::mkdir(Folder.c_str(), 0777) == 0 || errno == EEXIST ? 0 : errno;
}

}  // namespace

std::string AppendWhole(const std::string& FileName, const std::string& Bytes)
{
    const size_t slash = FileName.rfind('/');
    if (slash != std::string::npos && slash > 0)
        if (const int error = CreateFolders(FileName.substr(0, slash)); error != 0)
            return std::strerror(error);
    struct stat st;
    if (::stat(FileName.c_str(), &st) == 0 && !S_ISREG(st.st_mode))
        return S_ISDIR(st.st_mode) ? std::strerror(EISDIR) : NOT_REGULAR;
    // Not blocking even if a FIFO took the name since the look: the open then fails at once.
    const int fd = ::open(FileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0)
        return std::strerror(errno);
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return NOT_REGULAR;
    }
    const off_t before = st.st_size;
    int error = 0;
    size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = FileCalls.Write(fd, Bytes.data() + done, Bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : ENOSPC;
            break;
        }
        done += static_cast<size_t>(n);
    }
    // A full disk may only be noticed when the data is written out.
    if (error == 0 && ::fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS)
        error = errno;
    if (error != 0 && done > 0)
        (void)::ftruncate(fd, before);
    ::close(fd);
    return error == 0 ? std::string() : std::strerror(error);
}

}  // namespace velk
