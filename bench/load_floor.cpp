// The floor of a whole-process load on this machine: read a file and fill
// as many bytes of fresh memory as the model takes, the work shared by two
// threads (each reads half the file and fills half the memory, in huge
// pages where the system gives them), and nothing else.
//   load_floor FILE MODEL_BYTES
// Timed from outside, beside brenvik-info on the same file
// (bench/process_times.sh).

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <vector>

namespace {

void readPart(int fd, off_t from, off_t to)
{
    std::vector<char> block(std::size_t{1} << 20);
    while (from < to) {
        const auto wanted = static_cast<std::size_t>(std::min<off_t>(to - from, static_cast<off_t>(block.size())));
        const ssize_t got = pread(fd, block.data(), wanted, from);
        if (got <= 0)
            return;
        from += got;
    }
}

void fillPart(char* memory, std::size_t bytes)
{
    std::memset(memory, 1, bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: load_floor FILE MODEL_BYTES\n");
        return 2;
    }
    const int fd = open(argv[1], O_RDONLY);
    struct stat info;
    if (fd < 0 || fstat(fd, &info) != 0) {
        std::perror(argv[1]);
        return 1;
    }
    const std::size_t bytes = std::strtoull(argv[2], nullptr, 10);
    auto* memory = static_cast<char*>(
        std::aligned_alloc(std::size_t{2} << 20, (bytes + (2 << 20)) & ~std::size_t{(2 << 20) - 1}));
    if (memory == nullptr)
        return 1;
    madvise(memory, bytes, MADV_HUGEPAGE);
    const off_t half = info.st_size / 2;
    std::thread helper([&] {
        readPart(fd, half, info.st_size);
        fillPart(memory + bytes / 2, bytes - bytes / 2);
    });
    readPart(fd, 0, half);
    fillPart(memory, bytes / 2);
    helper.join();
    // The memory is used, so that the filling stays.
    std::printf("%d\n", memory[bytes / 3] + memory[bytes - 1]);
    std::free(memory);
    close(fd);
    return 0;
}
