#include "model/trianglebvh.h"

#include "model/bigmemory.h"
#include "model/meshmodel.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// Triangles between two looks at the cancel flag.
constexpr std::size_t kCancelStride = std::size_t{1} << 16;
// Bits of a Morton code per axis, and the grid cells' largest number.
constexpr int kMortonBits = 10;
constexpr double kMortonCells = (1 << kMortonBits) - 1;
// The radix sort's digit.
constexpr int kDigitBits = 10;
constexpr std::size_t kDigits = std::size_t{1} << kDigitBits;

float floatBelow(double value)
{
    float rounded = static_cast<float>(value);
    if (static_cast<double>(rounded) > value)
        rounded = std::nextafter(rounded, -std::numeric_limits<float>::infinity());
    return rounded;
}

float floatAbove(double value)
{
    float rounded = static_cast<float>(value);
    if (static_cast<double>(rounded) < value)
        rounded = std::nextafter(rounded, std::numeric_limits<float>::infinity());
    return rounded;
}

// The low ten bits of value, each moved to every third bit.
uint32_t spreadBits(uint32_t value)
{
    value &= 0x3ffu;
    value = (value | (value << 16)) & 0x030000ffu;
    value = (value | (value << 8)) & 0x0300f00fu;
    value = (value | (value << 4)) & 0x030c30c3u;
    value = (value | (value << 2)) & 0x09249249u;
    return value;
}

int highestBit(uint32_t value)
{
    int bit = 31;
    while (bit > 0 && (value >> bit) == 0)
        --bit;
    return bit;
}

// A triangle's box, rounded outwards to float.
struct TriangleBox {
    float low[3];
    float high[3];
};

TriangleBox boxOf(const Vector3& a, const Vector3& b, const Vector3& c)
{
    const double xyz[3][3] = {{a.x, a.y, a.z}, {b.x, b.y, b.z}, {c.x, c.y, c.z}};
    TriangleBox box;
    for (int axis = 0; axis < 3; ++axis) {
        box.low[axis] = floatBelow(std::min({xyz[0][axis], xyz[1][axis], xyz[2][axis]}));
        box.high[axis] = floatAbove(std::max({xyz[0][axis], xyz[1][axis], xyz[2][axis]}));
    }
    return box;
}

// The triangles in the order of their keys: each key holds a triangle's
// Morton code in its high half and its number in its low half.
class Builder {
public:
    Builder(const std::atomic<bool>& cancel, const ScratchArray<uint64_t>& keys, const ScratchArray<TriangleBox>& boxes,
            std::vector<BvhNode>& nodes)
        : m_cancel(cancel), m_keys(keys), m_boxes(boxes), m_nodes(nodes)
    {
    }

    // The node of keys begin to end - 1 and those below it; false when
    // cancelled.
    bool build(std::size_t begin, std::size_t end)
    {
        const std::size_t index = m_nodes.size();
        m_nodes.push_back(BvhNode{});
        if (end - begin <= TriangleBvh::kLeafSize) {
            BvhNode leaf{};
            for (int a = 0; a < 3; ++a) {
                leaf.low[a] = std::numeric_limits<float>::infinity();
                leaf.high[a] = -std::numeric_limits<float>::infinity();
            }
            for (std::size_t i = begin; i < end; ++i) {
                const TriangleBox& box = m_boxes[m_keys[i] & 0xffffffffu];
                for (int a = 0; a < 3; ++a) {
                    leaf.low[a] = std::min(leaf.low[a], box.low[a]);
                    leaf.high[a] = std::max(leaf.high[a], box.high[a]);
                }
            }
            leaf.first = static_cast<uint32_t>(begin);
            leaf.count = static_cast<uint32_t>(end - begin);
            m_nodes[index] = leaf;
            return true;
        }
        if (end - begin >= kCancelStride && m_cancel.load(std::memory_order_relaxed))
            return false;
        const std::size_t split = splitOf(begin, end);
        if (!build(begin, split))
            return false;
        const std::size_t right = m_nodes.size();
        if (!build(split, end))
            return false;
        BvhNode& node = m_nodes[index];
        const BvhNode& a = m_nodes[index + 1];
        const BvhNode& b = m_nodes[right];
        for (int axis = 0; axis < 3; ++axis) {
            node.low[axis] = std::min(a.low[axis], b.low[axis]);
            node.high[axis] = std::max(a.high[axis], b.high[axis]);
        }
        node.first = static_cast<uint32_t>(right);
        node.count = 0;
        return true;
    }

private:
    uint32_t codeAt(std::size_t i) const { return static_cast<uint32_t>(m_keys[i] >> 32); }

    // Where the codes' highest differing bit turns from 0 to 1; the middle
    // when all codes are equal.
    std::size_t splitOf(std::size_t begin, std::size_t end) const
    {
        const uint32_t first = codeAt(begin);
        const uint32_t last = codeAt(end - 1);
        if (first == last)
            return begin + (end - begin) / 2;
        const int bit = highestBit(first ^ last);
        std::size_t low = begin;    // without the bit
        std::size_t high = end - 1; // with it
        while (high - low > 1) {
            const std::size_t middle = low + (high - low) / 2;
            if (((codeAt(middle) >> bit) & 1u) != 0)
                high = middle;
            else
                low = middle;
        }
        return high;
    }

    const std::atomic<bool>& m_cancel;
    const ScratchArray<uint64_t>& m_keys;
    const ScratchArray<TriangleBox>& m_boxes;
    std::vector<BvhNode>& m_nodes;
};

// Sorts keys by their bits 32 to 61, keeping the order of equal ones.
void sortByHighBits(ScratchArray<uint64_t>& keys)
{
    const std::size_t count = keys.size();
    ScratchArray<uint64_t> scratch(count);
    uint64_t* from = keys.data();
    uint64_t* to = scratch.data();
    std::vector<std::size_t> starts(kDigits + 1);
    for (int shift = 32; shift < 32 + 3 * kMortonBits; shift += kDigitBits) {
        std::fill(starts.begin(), starts.end(), 0);
        for (std::size_t i = 0; i < count; ++i)
            ++starts[((from[i] >> shift) & (kDigits - 1)) + 1];
        for (std::size_t d = 1; d <= kDigits; ++d)
            starts[d] += starts[d - 1];
        for (std::size_t i = 0; i < count; ++i)
            to[starts[(from[i] >> shift) & (kDigits - 1)]++] = from[i];
        std::swap(from, to);
    }
    if (from != keys.data()) // an odd number of passes
        std::memcpy(keys.data(), from, count * sizeof(uint64_t));
}

} // namespace

bool TriangleBvh::build(const MeshModel& model, const std::atomic<bool>& cancel)
{
    m_model = &model;
    m_nodes.clear();
    m_triangles.clear();
    uint64_t count = 0;
    for (uint32_t f = 0; f < model.faceCount; ++f) {
        if (model.faces[f].vertexCount >= 3)
            count += model.faces[f].vertexCount - 2;
    }
    if (count == 0)
        return !cancel.load();
    if (count > std::numeric_limits<uint32_t>::max())
        return false;

    // Every triangle with its box, and the box of the boxes' centres. The
    // working arrays are the readers' scratch arrays: a fresh page costs.
    const std::size_t n = static_cast<std::size_t>(count);
    ScratchArray<BvhTriangle> triangles(n);
    ScratchArray<TriangleBox> boxes(n);
    float centreLow[3] = {std::numeric_limits<float>::infinity(), std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::infinity()};
    float centreHigh[3] = {-centreLow[0], -centreLow[1], -centreLow[2]};
    std::size_t made = 0;
    for (uint32_t f = 0; f < model.faceCount; ++f) {
        const MeshFace& face = model.faces[f];
        for (uint32_t corner = 1; corner + 1 < face.vertexCount; ++corner) {
            const TriangleBox box = boxOf(face.vertices[0]->position, face.vertices[corner]->position,
                                          face.vertices[corner + 1]->position);
            for (int a = 0; a < 3; ++a) {
                const float centre = 0.5f * box.low[a] + 0.5f * box.high[a];
                centreLow[a] = std::min(centreLow[a], centre);
                centreHigh[a] = std::max(centreHigh[a], centre);
            }
            triangles[made] = BvhTriangle{f, corner};
            boxes[made] = box;
            if (++made % kCancelStride == 0 && cancel.load(std::memory_order_relaxed))
                return false;
        }
    }

    // Morton codes of the centres over their box, sorted with the
    // triangles' numbers.
    double cellsPer[3];
    for (int a = 0; a < 3; ++a) {
        const double extent = static_cast<double>(centreHigh[a]) - centreLow[a];
        cellsPer[a] = extent > 0.0 && std::isfinite(extent) ? kMortonCells / extent : 0.0;
    }
    ScratchArray<uint64_t> keys(n);
    for (std::size_t i = 0; i < n; ++i) {
        uint32_t cells[3];
        for (int a = 0; a < 3; ++a) {
            const float centre = 0.5f * boxes[i].low[a] + 0.5f * boxes[i].high[a];
            const double cell = (static_cast<double>(centre) - centreLow[a]) * cellsPer[a];
            cells[a] = cell >= 0.0 ? static_cast<uint32_t>(std::min(cell, kMortonCells)) : 0u;
        }
        const uint32_t code = (spreadBits(cells[0]) << 2) | (spreadBits(cells[1]) << 1) | spreadBits(cells[2]);
        keys[i] = (static_cast<uint64_t>(code) << 32) | i;
    }
    if (cancel.load(std::memory_order_relaxed))
        return false;
    sortByHighBits(keys);

    m_nodes.reserve(n); // leaves of two to four triangles
    adviseHugePages(m_nodes.data(), m_nodes.capacity() * sizeof(BvhNode));
    Builder builder(cancel, keys, boxes, m_nodes);
    if (!builder.build(0, n) || cancel.load()) {
        m_nodes.clear();
        return false;
    }
    m_triangles.reserve(n);
    adviseHugePages(m_triangles.data(), n * sizeof(BvhTriangle));
    for (std::size_t i = 0; i < n; ++i)
        m_triangles.push_back(triangles[keys[i] & 0xffffffffu]);
    return true;
}
