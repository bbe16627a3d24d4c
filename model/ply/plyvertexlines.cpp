#include "model/ply/plyvertexlines.h"

#include <cmath>
#include <vector>

#include "model/numberscan.h"

namespace {

// Lines of up to this many used properties are read without allocating.
constexpr int kLocalValues = 32;

float clampChannel(double value)
{
    return value >= 0.0 ? (value <= 1.0 ? static_cast<float>(value) : 1.0f) : 0.0f;
}

// Reads past a list of numbers: its count, then that many numbers.
const char* skipList(const char* p, const char* end)
{
    int32_t count = 0;
    bool outOfRange = false;
    p = scanInt(p, end, count, outOfRange);
    if (p == nullptr || outOfRange || count < 0)
        return nullptr;
    double ignored = 0.0;
    for (int32_t j = 0; j < count && p != nullptr; ++j)
        p = scanDouble(p, end, ignored);
    return p;
}

} // namespace

VertexLineParser::VertexLineParser(const PlyElement& element, const PlyVertexLayout& layout)
    : element_(element), layout_(layout),
      plain_(layout.position[0] == 0 && layout.position[1] == 1 && layout.position[2] == 2),
      fast_(plain_ && !layout.hasColours())
{
    for (int c = 0; c < 3 && layout.hasColours(); ++c)
        scale_[c] = plyColourScale(element.properties[static_cast<std::size_t>(layout.colour[c])].type);
}

bool VertexLineParser::parseText(const char* begin, const char* end, Vector3& position, float* colour,
                                 std::string& message) const
{
    const char* p = begin;
    if (fast_) {
        if ((p = scanDouble(p, end, position.x)) == nullptr || (p = scanDouble(p, end, position.y)) == nullptr
            || scanDouble(p, end, position.z) == nullptr) {
            message = "a vertex line needs three numbers x y z";
            return false;
        }
    } else {
        double local[kLocalValues];
        std::vector<double> heap;
        double* values = local;
        if (layout_.needed > kLocalValues) {
            heap.resize(static_cast<std::size_t>(layout_.needed));
            values = heap.data();
        }
        for (int k = 0; k < layout_.needed; ++k) {
            const PlyProperty& property = element_.properties[static_cast<std::size_t>(k)];
            values[k] = 0.0;
            if (property.isList ? (p = skipList(p, end)) == nullptr : (p = scanDouble(p, end, values[k])) == nullptr) {
                if (plain_ && k < 3)
                    message = "a vertex line needs three numbers x y z";
                else
                    message = "the vertex line has no number for its property " + property.name;
                return false;
            }
        }
        position = {values[layout_.position[0]], values[layout_.position[1]], values[layout_.position[2]]};
        for (int c = 0; c < 3 && layout_.hasColours(); ++c)
            colour[c] = clampChannel(values[layout_.colour[c]] * scale_[c]);
    }
    if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z)) {
        message = "a vertex coordinate is not a finite number";
        return false;
    }
    return true;
}
