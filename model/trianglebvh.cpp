#include "model/trianglebvh.h"

#include "model/meshmodel.h"

#include <algorithm>
#include <cmath>
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

const Vector3& cornerOf(const MeshModel& model, const BvhTriangle& triangle, uint32_t k)
{
    const MeshFace& face = model.faces[triangle.face];
    return face.vertices[k == 0 ? 0 : triangle.corner + k - 1]->position;
}

struct Box {
    double low[3] = {std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
                     std::numeric_limits<double>::infinity()};
    double high[3] = {-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
                      -std::numeric_limits<double>::infinity()};

    void add(const Vector3& p)
    {
        const double xyz[3] = {p.x, p.y, p.z};
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], xyz[a]);
            high[a] = std::max(high[a], xyz[a]);
        }
    }
};

class Builder {
public:
    Builder(const MeshModel& model, const std::atomic<bool>& cancel, const std::vector<uint32_t>& codes,
            const std::vector<BvhTriangle>& triangles, std::vector<BvhNode>& nodes)
        : m_model(model), m_cancel(cancel), m_codes(codes), m_triangles(triangles), m_nodes(nodes)
    {
    }

    // The node of triangles begin to end - 1 and those below it; false when
    // cancelled.
    bool build(std::size_t begin, std::size_t end)
    {
        const std::size_t index = m_nodes.size();
        m_nodes.push_back(BvhNode{});
        if (end - begin <= TriangleBvh::kLeafSize) {
            Box box;
            for (std::size_t i = begin; i < end; ++i) {
                for (uint32_t k = 0; k < 3; ++k)
                    box.add(cornerOf(m_model, m_triangles[i], k));
            }
            BvhNode& leaf = m_nodes[index];
            for (int a = 0; a < 3; ++a) {
                leaf.low[a] = floatBelow(box.low[a]);
                leaf.high[a] = floatAbove(box.high[a]);
            }
            leaf.first = static_cast<uint32_t>(begin);
            leaf.count = static_cast<uint32_t>(end - begin);
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
    // Where the codes' highest differing bit turns from 0 to 1; the middle
    // when all codes are equal.
    std::size_t splitOf(std::size_t begin, std::size_t end) const
    {
        const uint32_t first = m_codes[begin];
        const uint32_t last = m_codes[end - 1];
        if (first == last)
            return begin + (end - begin) / 2;
        const int bit = highestBit(first ^ last);
        const auto at = std::partition_point(m_codes.begin() + static_cast<std::ptrdiff_t>(begin),
                                             m_codes.begin() + static_cast<std::ptrdiff_t>(end),
                                             [bit](uint32_t code) { return ((code >> bit) & 1u) == 0; });
        return static_cast<std::size_t>(at - m_codes.begin());
    }

    const MeshModel& m_model;
    const std::atomic<bool>& m_cancel;
    const std::vector<uint32_t>& m_codes;
    const std::vector<BvhTriangle>& m_triangles;
    std::vector<BvhNode>& m_nodes;
};

// Sorts keys by their bits 32 to 61, keeping the order of equal ones.
void sortByHighBits(std::vector<uint64_t>& keys)
{
    std::vector<uint64_t> scratch(keys.size());
    for (int shift = 32; shift < 32 + 3 * kMortonBits; shift += kDigitBits) {
        std::vector<std::size_t> starts(kDigits + 1, 0);
        for (const uint64_t key : keys)
            ++starts[((key >> shift) & (kDigits - 1)) + 1];
        for (std::size_t d = 1; d <= kDigits; ++d)
            starts[d] += starts[d - 1];
        for (const uint64_t key : keys)
            scratch[starts[(key >> shift) & (kDigits - 1)]++] = key;
        keys.swap(scratch);
    }
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

    // Every triangle with its centre (three times over: only the order
    // matters), and the centres' box.
    std::vector<BvhTriangle> triangles;
    std::vector<Vector3> centres;
    triangles.reserve(static_cast<std::size_t>(count));
    centres.reserve(static_cast<std::size_t>(count));
    Box box;
    for (uint32_t f = 0; f < model.faceCount; ++f) {
        const MeshFace& face = model.faces[f];
        for (uint32_t corner = 1; corner + 1 < face.vertexCount; ++corner) {
            const Vector3& a = face.vertices[0]->position;
            const Vector3& b = face.vertices[corner]->position;
            const Vector3& c = face.vertices[corner + 1]->position;
            const Vector3 centre{a.x + b.x + c.x, a.y + b.y + c.y, a.z + b.z + c.z};
            triangles.push_back(BvhTriangle{f, corner});
            centres.push_back(centre);
            box.add(centre);
            if (triangles.size() % kCancelStride == 0 && cancel.load(std::memory_order_relaxed))
                return false;
        }
    }

    // Morton codes over the box, sorted with the triangles' numbers.
    double cellsPer[3];
    for (int a = 0; a < 3; ++a) {
        const double extent = box.high[a] - box.low[a];
        cellsPer[a] = extent > 0.0 && std::isfinite(extent) ? kMortonCells / extent : 0.0;
    }
    std::vector<uint64_t> keys(triangles.size());
    for (std::size_t i = 0; i < triangles.size(); ++i) {
        const double xyz[3] = {centres[i].x, centres[i].y, centres[i].z};
        uint32_t cells[3];
        for (int a = 0; a < 3; ++a) {
            const double cell = (xyz[a] - box.low[a]) * cellsPer[a];
            cells[a] = cell >= 0.0 ? static_cast<uint32_t>(std::min(cell, kMortonCells)) : 0u;
        }
        const uint32_t code = (spreadBits(cells[0]) << 2) | (spreadBits(cells[1]) << 1) | spreadBits(cells[2]);
        keys[i] = (static_cast<uint64_t>(code) << 32) | i;
    }
    std::vector<Vector3>().swap(centres);
    if (cancel.load(std::memory_order_relaxed))
        return false;
    sortByHighBits(keys);
    std::vector<uint32_t> codes(keys.size());
    m_triangles.resize(keys.size());
    for (std::size_t i = 0; i < keys.size(); ++i) {
        codes[i] = static_cast<uint32_t>(keys[i] >> 32);
        m_triangles[i] = triangles[keys[i] & 0xffffffffu];
    }
    std::vector<uint64_t>().swap(keys);
    std::vector<BvhTriangle>().swap(triangles);

    m_nodes.reserve(m_triangles.size()); // leaves of two to four triangles
    Builder builder(model, cancel, codes, m_triangles, m_nodes);
    if (!builder.build(0, m_triangles.size()) || cancel.load()) {
        m_nodes.clear();
        m_triangles.clear();
        return false;
    }
    return true;
}
