#include "model/obj/objlines.h"

#include <cmath>
#include <cstring>

#include "model/numberscan.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r';
}

float channel(double value)
{
    return value >= 0.0 ? (value <= 1.0 ? static_cast<float>(value) : 1.0f) : 0.0f;
}

} // namespace

char ObjLineParser::keyword(const char*& p, const char* end)
{
    while (p < end && isBlank(*p))
        ++p;
    if (p == end || (*p != 'v' && *p != 'f') || (end - p > 1 && !isBlank(p[1])))
        return 0;
    return *p++;
}

int ObjLineParser::vertexNumbers(const char* p, const char* end, double values[6])
{
    int count = 0;
    for (const char* q; count < 6 && (q = scanDouble(p, end, values[count])) != nullptr; p = q)
        ++count;
    return count;
}

bool ObjLineParser::parse(const char* begin, const char* end, uint64_t line, ObjBatch& batch,
                          std::string& message) const
{
    if (end > begin && end[-1] == '\\')
        --end;
    const char* p = begin;
    const char word = keyword(p, end);
    if (word == 'v')
        return vertex(p, end, batch, message);
    if (word == 'f')
        return face(p, end, line, batch, message);
    if (p < end && (*p == 'u' || *p == 'm'))
        materialLine(p, end, batch);
    return true;
}

void ObjLineParser::materialLine(const char* p, const char* end, ObjBatch& batch)
{
    constexpr std::size_t kLength = 6; // "usemtl", "mtllib"
    if (static_cast<std::size_t>(end - p) < kLength
        || (static_cast<std::size_t>(end - p) > kLength && !isBlank(p[kLength])))
        return;
    const bool library = std::memcmp(p, "mtllib", kLength) == 0;
    if (!library && std::memcmp(p, "usemtl", kLength) != 0)
        return;
    p += kLength;
    while (p < end && isBlank(*p))
        ++p;
    while (end > p && isBlank(end[-1]))
        --end;
    batch.materialLines.push_back({batch.faces.counts.size(), library, std::string(p, end)});
    batch.materialBytes += static_cast<std::size_t>(end - p);
}

bool ObjLineParser::vertex(const char* p, const char* end, ObjBatch& batch, std::string& message) const
{
    double values[6];
    const int count = vertexNumbers(p, end, values);
    if (count < 3) {
        message = "a vertex needs three numbers x y z";
        return false;
    }
    const Vector3 position = {values[0], values[1], values[2]};
    if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z)) {
        message = "a vertex coordinate is not a finite number";
        return false;
    }
    batch.positions.push_back(position);
    if (colours_) {
        const bool given = count == 6;
        batch.colours.push_back(given ? channel(values[3]) : 1.0f);
        batch.colours.push_back(given ? channel(values[4]) : 1.0f);
        batch.colours.push_back(given ? channel(values[5]) : 1.0f);
    }
    return true;
}

bool ObjLineParser::face(const char* p, const char* end, uint64_t line, ObjBatch& batch, std::string& message) const
{
    FaceList& faces = batch.faces;
    const std::size_t first = faces.corners.size();
    const std::size_t firstRelative = batch.relative.size();
    std::string wide; // the face's first index at or beyond INT32_MIN, as written
    for (;;) {
        while (p < end && isBlank(*p))
            ++p;
        if (p == end || *p == '#')
            break;
        int32_t index = 0;
        bool outOfRange = false;
        const char* q = scanInt(p, end, index, outOfRange);
        if (q == nullptr) {
            message = "a face corner must begin with its vertex index";
            return false;
        }
        if (index == 0) {
            message = "corner index 0 is not valid";
            return false;
        }
        if (index == INT32_MIN && wide.empty())
            wide = writtenInteger(p, q);
        if (index < 0) {
            batch.relative.push_back({faces.corners.size(), outOfRange ? INT32_MIN : index,
                                      static_cast<uint32_t>(batch.positions.size()), line});
            faces.corners.push_back(nullptr);
        } else {
            if (static_cast<uint32_t>(index) > batch.largestIndex) {
                batch.largestIndex = static_cast<uint32_t>(index);
                batch.largestIndexLine = line;
                if (outOfRange)
                    batch.largestIndexText = writtenInteger(p, q);
            }
            faces.corners.push_back(builder_.corner(static_cast<uint32_t>(index) - 1));
        }
        while (q < end && !isBlank(*q))
            ++q;
        p = q;
    }
    const std::size_t corners = faces.corners.size() - first;
    if (corners < 3) {
        faces.corners.resize(first);
        batch.relative.resize(firstRelative);
        ++batch.skippedFaces;
        return true;
    }
    faces.counts.push_back(static_cast<uint32_t>(corners));
    if (!wide.empty() && batch.outOfRangeText.empty())
        batch.outOfRangeText = wide;
    return true;
}

LineFault ObjLineParser::parseLines(const char* begin, const char* end, ObjBatch& batch) const
{
    return forEachLine(begin, end, [&](const char* line, const char* lineEnd, uint64_t index, std::string& message) {
        return parse(line, lineEnd, index, batch, message);
    });
}
