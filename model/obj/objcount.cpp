#include "model/obj/objcount.h"

#include <cstring>
#include <system_error>
#include <thread>

#include <sys/mman.h>
#include <sys/stat.h>

#include "model/cores.h"
#include "model/obj/objlines.h"

namespace {

struct PartCounts {
    ObjCounts counts;
    const char* firstVertex = nullptr; // after its keyword
    const char* firstVertexEnd = nullptr;
};

void countPart(const char* begin, const char* end, PartCounts& part)
{
    for (const char* p = begin; p < end;) {
        const auto* found = static_cast<const char*>(std::memchr(p, '\n', static_cast<std::size_t>(end - p)));
        const char* lineEnd = found != nullptr ? found : end;
        const char* textEnd = lineEnd > p && lineEnd[-1] == '\r' ? lineEnd - 1 : lineEnd;
        if (textEnd > p && textEnd[-1] == '\\')
            part.counts.continued = true;
        const char* q = p;
        const char word = ObjLineParser::keyword(q, textEnd);
        if (word == 'v') {
            if (part.counts.vertices++ == 0) {
                part.firstVertex = q;
                part.firstVertexEnd = textEnd;
            }
        } else if (word == 'f') {
            ++part.counts.faces;
        }
        p = lineEnd + 1;
    }
}

} // namespace

bool countObjLines(int fd, long long from, ObjCounts& counts)
{
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= from)
        return false;
    const auto size = static_cast<std::size_t>(info.st_size);
    void* mapped = mmap(nullptr, size, PROT_READ, MAP_PRIVATE, fd, 0);
    if (mapped == MAP_FAILED)
        return false;
    madvise(mapped, size, MADV_SEQUENTIAL);
    const char* begin = static_cast<const char*>(mapped) + from;
    const char* end = static_cast<const char*>(mapped) + size;
    // Two halves, cut after a line end.
    const char* middle = begin + (end - begin) / 2;
    const auto* cut = static_cast<const char*>(std::memchr(middle, '\n', static_cast<std::size_t>(end - middle)));
    middle = cut != nullptr ? cut + 1 : end;
    PartCounts parts[2];
    std::thread helper;
    if (usableCores() >= 2 && middle < end) {
        try {
            helper = std::thread(countPart, middle, end, std::ref(parts[1]));
        } catch (const std::system_error&) {
            // No helper: this thread counts both halves.
        }
    }
    countPart(begin, middle, parts[0]);
    if (helper.joinable())
        helper.join();
    else
        countPart(middle, end, parts[1]);
    counts.vertices = parts[0].counts.vertices + parts[1].counts.vertices;
    counts.faces = parts[0].counts.faces + parts[1].counts.faces;
    counts.continued = parts[0].counts.continued || parts[1].counts.continued;
    const PartCounts& first = parts[0].firstVertex != nullptr ? parts[0] : parts[1];
    double values[6];
    counts.colours = first.firstVertex != nullptr
                     && ObjLineParser::vertexNumbers(first.firstVertex, first.firstVertexEnd, values) == 6;
    munmap(mapped, size);
    return true;
}
