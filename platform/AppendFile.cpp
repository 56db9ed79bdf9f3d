#include "AppendFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velk {

int AppendWhole(const std::string& FileName, const std::string& Bytes)
{
    const int fd = ::open(FileName.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
    if (fd < 0)
        return errno;
    struct stat st;
    const off_t before = ::fstat(fd, &st) == 0 ? st.st_size : -1;
    int error = 0;
    size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = ::write(fd, Bytes.data() + done, Bytes.size() - done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            error = n < 0 ? errno : EIO;
            break;
        }
        done += static_cast<size_t>(n);
    }
    // A full disk may only be noticed when the data is written out.
    if (error == 0 && ::fdatasync(fd) != 0 && errno != EINVAL && errno != EROFS)
        error = errno;
    if (error != 0 && done > 0 && before >= 0 && S_ISREG(st.st_mode))
        (void)::ftruncate(fd, before);
    ::close(fd);
    return error;
}

}  // namespace velk
