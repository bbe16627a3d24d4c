#include "model/obj/objcount.h"

#include "model/bytescan.h"
#include "model/filescan.h"
#include "model/obj/objlines.h"

namespace {

struct PartCounts {
    ObjCounts counts; // colours: of the part's first vertex
};

void countLine(const char* p, const char* textEnd, PartCounts& part)
{
    if (textEnd > p && textEnd[-1] == '\\')
        part.counts.continued = true;
    const char word = ObjLineParser::keyword(p, textEnd);
    if (word == 'v') {
        double values[6];
        if (part.counts.vertices++ == 0)
            part.counts.colours = ObjLineParser::vertexNumbers(p, textEnd, values) == 6;
    } else if (word == 'f') {
        ++part.counts.faces;
    }
}

void countPart(const char* begin, const char* end, PartCounts& part)
{
    const char* p = begin;
    forEachLineEnd(begin, end, [&](const char* lineEnd, const char* next) {
        countLine(p, lineEnd, part);
        p = next;
        return true;
    });
    if (p < end)
        countLine(p, end, part);
}

} // namespace

bool countObjLines(int fd, long long from, ObjCounts& counts, const std::atomic<bool>* stop)
{
    PartCounts parts[2];
    if (!scanFileHalves(
            fd, from, [&parts](const char* begin, const char* end, int half) { countPart(begin, end, parts[half]); },
            stop))
        return false;
    counts.vertices = parts[0].counts.vertices + parts[1].counts.vertices;
    counts.faces = parts[0].counts.faces + parts[1].counts.faces;
    counts.continued = parts[0].counts.continued || parts[1].counts.continued;
    // (The file's pieces are gone: the first vertex's colour was looked at while counting.)
    counts.colours = parts[0].counts.vertices > 0 ? parts[0].counts.colours : parts[1].counts.colours;
    return true;
}
