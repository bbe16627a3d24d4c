#include "model/filescan.h"

#include <cstring>
#include <system_error>
#include <thread>

#include <sys/mman.h>
#include <sys/stat.h>

#include "model/cores.h"

bool scanFileHalves(int fd, long long from, const std::function<void(const char*, const char*, int)>& scan)
{
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= from || from < 0)
        return false;
    const auto size = static_cast<std::size_t>(info.st_size);
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED)
        return false;
    madvise(mapped, size, MADV_SEQUENTIAL);
    const char* begin = static_cast<const char*>(mapped) + from;
    const char* end = static_cast<const char*>(mapped) + size;
    const char* middle = begin + (end - begin) / 2;
    const auto* cut = static_cast<const char*>(std::memchr(middle, '\n', static_cast<std::size_t>(end - middle)));
    middle = cut != nullptr ? cut + 1 : end;
    std::thread helper;
    if (usableCores() >= 2 && middle < end) {
        try {
            helper = std::thread(scan, middle, end, 1);
        } catch (const std::system_error&) {
            // No helper: this thread looks at both halves.
        }
    }
    scan(begin, middle, 0);
    if (helper.joinable())
        helper.join();
    else
        scan(middle, end, 1);
    munmap(mapped, size);
    return true;
}
