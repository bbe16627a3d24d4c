#include "model/regularfile.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

FILE* refuse(std::string& reason, const char* message)
{
    reason = message;
    return nullptr;
}

} // namespace

FILE* openRegularFile(const std::string& path, std::string& reason)
{
    reason.clear();
    struct stat info;
    if (stat(path.c_str(), &info) != 0)
        return refuse(reason, std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return refuse(reason, "not a regular file");
    // Non-blocking, in case a FIFO took the file's place after the check.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return refuse(reason, std::strerror(errno));
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        close(fd);
        return refuse(reason, "not a regular file");
    }
    const int flags = fcntl(fd, F_GETFL);
    if (flags >= 0)
        fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FILE* stream = fdopen(fd, "r");
    if (stream == nullptr) {
        const int error = errno;
        close(fd);
        return refuse(reason, std::strerror(error));
    }
    return stream;
}
