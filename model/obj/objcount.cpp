#include "model/obj/objcount.h"

#include <cstring>

#include "model/filescan.h"
#include "model/obj/objlines.h"

namespace {

struct PartCounts {
    ObjCounts counts; // colours: of the part's first vertex
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
            double values[6];
            if (part.counts.vertices++ == 0)
                part.counts.colours = ObjLineParser::vertexNumbers(q, textEnd, values) == 6;
        } else if (word == 'f') {
            ++part.counts.faces;
        }
        p = lineEnd + 1;
    }
}

} // namespace

bool countObjLines(int fd, long long from, ObjCounts& counts)
{
    PartCounts parts[2];
    if (!scanFileHalves(fd, from,
                        [&parts](const char* begin, const char* end, int half) { countPart(begin, end, parts[half]); }))
        return false;
    counts.vertices = parts[0].counts.vertices + parts[1].counts.vertices;
    counts.faces = parts[0].counts.faces + parts[1].counts.faces;
    counts.continued = parts[0].counts.continued || parts[1].counts.continued;
    // (The mapping is gone: the first vertex's colour was looked at while counting.)
    counts.colours = parts[0].counts.vertices > 0 ? parts[0].counts.colours : parts[1].counts.colours;
    return true;
}
