#include "model/off/offlines.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "model/numberscan.h"

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r';
}

// True when the next `count` tokens from p are integers: digits only.
bool isIntegers(const char* p, const char* end, int count)
{
    for (int k = 0; k < count; ++k) {
        while (p < end && isBlank(*p))
            ++p;
        const char* digits = p;
        while (p < end && *p >= '0' && *p <= '9')
            ++p;
        if (p == digits || (p < end && !isBlank(*p)))
            return false;
    }
    return true;
}

float channel(double value)
{
    return value >= 0.0 ? (value <= 1.0 ? static_cast<float>(value) : 1.0f) : 0.0f;
}

struct ColourValue {
    float channels[3];
    operator const float*() const { return channels; }
};

// A colour of three numbers read from `text`: integers with one above 1
// are 0 to 255, other numbers 0 to 1.
ColourValue colourOf(const double* rgb, const char* text, const char* end)
{
    const bool bytes = isIntegers(text, end, 3) && (rgb[0] > 1.0 || rgb[1] > 1.0 || rgb[2] > 1.0);
    const double scale = bytes ? 1.0 / 255.0 : 1.0;
    return ColourValue{{channel(rgb[0] * scale), channel(rgb[1] * scale), channel(rgb[2] * scale)}};
}

} // namespace

const char* OffLineParser::contentEnd(const char* begin, const char* end)
{
    const void* hash = std::memchr(begin, '#', static_cast<std::size_t>(end - begin));
    return hash != nullptr ? static_cast<const char*>(hash) : end;
}

bool OffLineParser::isEmpty(const char* p, const char* end)
{
    end = contentEnd(p, end);
    while (p < end && isBlank(*p))
        ++p;
    return p == end;
}

bool OffLineParser::vertex(const char* p, const char* end, Vector3& position, float* colour, std::string& message) const
{
    end = contentEnd(p, end);
    // x y z, a normal, r g b (an alpha after them is not read).
    const int wanted = 3 + (normals_ ? 3 : 0) + (colours_ ? 3 : 0);
    double values[9];
    const char* colourText = nullptr;
    for (int k = 0; k < wanted; ++k) {
        if (k == wanted - 3 && colours_)
            colourText = p;
        if ((p = scanDouble(p, end, values[k])) == nullptr) {
            message = k < 3 ? "a vertex line needs three numbers x y z"
                            : "the vertex line has too few numbers for its "
                                  + std::string(colours_ && k >= wanted - 3 ? "colour" : "normal");
            return false;
        }
    }
    position = {values[0], values[1], values[2]};
    if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z)) {
        message = "a vertex coordinate is not a finite number";
        return false;
    }
    if (colours_) {
        const ColourValue rgb = colourOf(values + wanted - 3, colourText, end);
        std::copy_n(rgb.channels, 3, colour);
    }
    return true;
}

bool OffLineParser::face(const char* p, const char* end, FaceList& faces, uint64_t& skipped, std::string& message) const
{
    end = contentEnd(p, end);
    int32_t count = 0;
    bool outOfRange = false;
    if ((p = scanInt(p, end, count, outOfRange)) == nullptr) {
        message = "a face line must begin with its corner count";
        return false;
    }
    if (outOfRange || count < 0) {
        message = "the corner count is out of range";
        return false;
    }
    const std::size_t first = faces.corners.size();
    for (int32_t c = 0; c < count; ++c) {
        int32_t index = 0;
        const char* from = p;
        if ((p = scanInt(p, end, index, outOfRange)) == nullptr) {
            faces.corners.resize(first);
            message = "the face line has " + std::to_string(c) + " of its " + std::to_string(count) + " corner indices";
            return false;
        }
        if (outOfRange || index < 0 || static_cast<uint32_t>(index) >= vertexCount_) {
            faces.corners.resize(first);
            message = "corner index " + writtenInteger(from, p) + " is outside "
                      + (vertexCount_ > 0 ? "0.." + std::to_string(vertexCount_ - 1) : "the vertices, there are none");
            return false;
        }
        faces.corners.push_back(builder_.corner(static_cast<uint32_t>(index)));
    }
    if (count < 3) {
        faces.corners.resize(first);
        ++skipped;
        return true;
    }
    faces.counts.push_back(static_cast<uint32_t>(count));
    // A colour may follow the indices: r g b (an alpha after them is not
    // read; a lone colour-map index is ignored).
    double rgb[3];
    const char* colourText = p;
    for (int c = 0; c < 3; ++c) {
        if ((p = scanDouble(p, end, rgb[c])) == nullptr)
            return true;
    }
    faces.colourLast(colourOf(rgb, colourText, end));
    return true;
}
