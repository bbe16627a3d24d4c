#include "model/reducedmodel.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <vector>

#include "model/cores.h"
#include "model/meshmodel.h"

namespace {

constexpr uint32_t kNone = UINT32_MAX;
// Vertices or faces between looks at cancel.
constexpr uint32_t kStretch = tuning::kCancelStretch;
// A cell's key holds each of its three indices in 21 bits.
constexpr int kKeyBits = 21;
constexpr double kMostCells = double((uint64_t{1} << kKeyBits) - 1);
// Occupied cells per unit of area over the cell's area: a surface at a
// slant to the grid meets more cells than it would lying along it (a
// little more than a wavy sheet needs, so that a second try is rare).
constexpr double kCellsPerArea = 1.5;
// A closed or open surface has about two triangles for each vertex.
constexpr double kTrianglesPerCell = 2.0;
// Tries at a grid before the coarsest one is taken.
constexpr int kTries = 8;
// Models of at least this many vertices, or faces, are clustered, or have
// their triangles kept, on two cores.
constexpr uint32_t kSplitFrom = 8192;
// Faces whose area estimates the model's: a sample of at most this many.
constexpr uint32_t kAreaSample = 1u << 20;

uint64_t mix(uint64_t x)
{
    x ^= x >> 33;
    x *= 0xff51afd7ed558ccdULL;
    x ^= x >> 33;
    x *= 0xc4ceb9fe1a85ec53ULL;
    x ^= x >> 33;
    return x;
}

// Open addressing from a 64-bit key to a number: the cells' clusters, or
// the kept triangles by their corners.
class KeyTable {
public:
    // The number stored for key, or fresh once stored for it; `same` tells
    // whether a stored number stands for the key (for keys that are hashes).
    template <typename Same> uint32_t findOrAdd(uint64_t key, uint32_t fresh, const Same& same)
    {
        if (2 * (m_used + 1) > m_keys.size())
            grow();
        const std::size_t mask = m_keys.size() - 1;
        for (std::size_t i = mix(key) & mask;; i = (i + 1) & mask) {
            if (m_values[i] == kNone) {
                m_keys[i] = key;
                m_values[i] = fresh;
                ++m_used;
                return fresh;
            }
            if (m_keys[i] == key && same(m_values[i]))
                return m_values[i];
        }
    }
    uint32_t findOrAdd(uint64_t key, uint32_t fresh)
    {
        return findOrAdd(key, fresh, [](uint32_t) { return true; });
    }

private:
    void grow()
    {
        std::vector<uint64_t> keys(std::max<std::size_t>(2 * m_keys.size(), 4096));
        std::vector<uint32_t> values(keys.size(), kNone);
        const std::size_t mask = keys.size() - 1;
        for (std::size_t j = 0; j < m_keys.size(); ++j) {
            if (m_values[j] == kNone)
                continue;
            std::size_t i = mix(m_keys[j]) & mask;
            while (values[i] != kNone)
                i = (i + 1) & mask;
            keys[i] = m_keys[j];
            values[i] = m_values[j];
        }
        m_keys.swap(keys);
        m_values.swap(values);
    }

    std::vector<uint64_t> m_keys;
    std::vector<uint32_t> m_values;
    std::size_t m_used = 0;
};

// How a face's corners are found: a model of triangles alone keeps them one
// after the other in its corner block, which is read straight through.
class Corners {
public:
    Corners(const MeshModel& model, bool packed) : m_model(model)
    {
        const uint32_t last = model.faceCount - 1;
        m_packed = model.cornerBlock != nullptr && model.faceCount > 0
                   && (packed
                       || (model.faces[last].vertexCount == 3
                           && model.faces[last].vertices == model.cornerBlock + std::size_t{3} * last));
    }
    // Faces of fewer than three corners never come from a reader, so a
    // last face at three corners a face from the start means all are
    // triangles.
    bool packed() const { return m_packed; }
    uint32_t count(uint32_t face) const { return m_packed ? 3 : m_model.faces[face].vertexCount; }
    uint32_t vertex(uint32_t face, uint32_t corner) const
    {
        const MeshVertex* v
            = m_packed ? m_model.cornerBlock[std::size_t{3} * face + corner] : m_model.faces[face].vertices[corner];
        return static_cast<uint32_t>(v - m_model.vertices);
    }

private:
    const MeshModel& m_model;
    bool m_packed = false;
};

struct Box {
    Vector3 low;
    Vector3 high;
    double longest() const { return std::max({high.x - low.x, high.y - low.y, high.z - low.z}); }
};

Box boxOf(const MeshModel& model)
{
    Box box{model.vertices[0].position, model.vertices[0].position};
    for (uint32_t v = 1; v < model.vertexCount; ++v) {
        const Vector3& p = model.vertices[v].position;
        box.low = {std::min(box.low.x, p.x), std::min(box.low.y, p.y), std::min(box.low.z, p.z)};
        box.high = {std::max(box.high.x, p.x), std::max(box.high.y, p.y), std::max(box.high.z, p.z)};
    }
    return box;
}

// The model's area, from a sample of its faces (each face as its first
// triangle times its triangles).
double estimatedArea(const MeshModel& model, const Corners& corners)
{
    const uint32_t step = std::max<uint32_t>(1, model.faceCount / kAreaSample);
    double area = 0.0;
    for (uint32_t f = 0; f < model.faceCount; f += step) {
        const uint32_t n = corners.count(f);
        if (n < 3)
            continue;
        const Vector3& a = model.vertices[corners.vertex(f, 0)].position;
        const Vector3& b = model.vertices[corners.vertex(f, 1)].position;
        const Vector3& c = model.vertices[corners.vertex(f, 2)].position;
        Vector3 ab;
        Vector3 ac;
        Vector3 cross;
        vecSub(ab, b, a);
        vecSub(ac, c, a);
        vecCross(cross, ab, ac);
        // (vecLength takes the tiny triangles of a fine mesh for none.)
        area += 0.5 * std::sqrt(vecDot(cross, cross)) * (n - 2);
    }
    return area * step;
}

// The grid: cubic cells of one size from the box's low corner.
struct Grid {
    Vector3 low;
    double cell = 1.0;
    uint64_t cells[3] = {1, 1, 1};

    Grid(const Box& box, double size) : low(box.low), cell(std::max(size, box.longest() / kMostCells))
    {
        const double extent[3] = {box.high.x - box.low.x, box.high.y - box.low.y, box.high.z - box.low.z};
        for (int a = 0; a < 3; ++a) {
            const double n = std::ceil(extent[a] / cell);
            cells[a] = n > 1.0 ? static_cast<uint64_t>(std::min(n, kMostCells)) : 1;
        }
    }
    uint64_t index(double offset, int axis) const
    {
        // (Written so that a position that is not a number lands in a cell.)
        const double i = offset / cell;
        if (!(i > 0.0))
            return 0;
        return i < static_cast<double>(cells[axis] - 1) ? static_cast<uint64_t>(i) : cells[axis] - 1;
    }
    uint64_t keyOf(const Vector3& p) const
    {
        return index(p.x - low.x, 0) | index(p.y - low.y, 1) << kKeyBits | index(p.z - low.z, 2) << (2 * kKeyBits);
    }
};

// The clusters: each vertex's, numbered in the order the vertices first
// reach their cells, and each cluster's sums of its vertices' positions and
// colours (when the model has them) and its count, `width` values a cluster.
struct Clusters {
    std::vector<uint32_t> ofVertex;
    std::vector<double> sums;
    std::size_t width = 4;
};

// One part's clusters: its vertices' cells numbered in the order its
// vertices first reach them, each cluster's cell and sums.
struct PartClusters {
    KeyTable cells;
    std::vector<uint64_t> keys;
    std::vector<double> sums;
};

// Clusters vertices [begin, end) into part, writing each one's number in
// the part to ofVertex. False when cancelled.
bool clusterPart(const MeshModel& model, const Grid& grid, uint32_t begin, uint32_t end, std::size_t width,
                 uint32_t* ofVertex, PartClusters& part, const std::atomic<bool>& cancel)
{
    const bool colours = model.colours != nullptr;
    uint64_t lastKey = ~uint64_t{0};
    uint32_t lastCluster = kNone;
    double* sum = nullptr;
    for (uint32_t v = begin; v < end; ++v) {
        if ((v - begin) % kStretch == 0 && cancel.load(std::memory_order_relaxed))
            return false;
        // Neighbours in the file often share a cell.
        const Vector3& p = model.vertices[v].position;
        const uint64_t key = grid.keyOf(p);
        if (key != lastKey) {
            lastKey = key;
            const auto count = static_cast<uint32_t>(part.keys.size());
            lastCluster = part.cells.findOrAdd(key, count);
            if (lastCluster == count) {
                part.keys.push_back(key);
                part.sums.resize(part.sums.size() + width, 0.0);
            }
            sum = part.sums.data() + width * lastCluster;
        }
        ofVertex[v] = lastCluster;
        sum[0] += p.x;
        sum[1] += p.y;
        sum[2] += p.z;
        sum[3] += 1.0;
        if (colours)
            for (int c = 0; c < 3; ++c)
                sum[4 + c] += model.colours[std::size_t{3} * v + c];
    }
    return true;
}

// The clusters of all vertices, in two parts on two cores for a large
// model: the second part's clusters join the first's, numbered as one pass
// in vertex order would number them. False when cancelled.
bool clusterVertices(const MeshModel& model, const Grid& grid, Clusters& clusters, const std::atomic<bool>& cancel)
{
    clusters.width = model.colours != nullptr ? 7 : 4;
    clusters.ofVertex.resize(model.vertexCount);
    PartClusters parts[2];
    bool done[2] = {true, true};
    uint32_t middle = model.vertexCount;
    splitInTwo(model.vertexCount, kSplitFrom, 1, [&](uint32_t begin, uint32_t end) {
        const int p = begin == 0 ? 0 : 1;
        if (p == 1)
            middle = begin;
        done[p] = clusterPart(model, grid, begin, end, clusters.width, clusters.ofVertex.data(), parts[p], cancel);
    });
    if (!done[0] || !done[1])
        return false;
    clusters.sums = std::move(parts[0].sums);
    const std::size_t width = clusters.width;
    std::vector<uint32_t> joined(parts[1].keys.size());
    for (std::size_t j = 0; j < joined.size(); ++j) {
        const auto count = static_cast<uint32_t>(clusters.sums.size() / width);
        const uint32_t cluster = parts[0].cells.findOrAdd(parts[1].keys[j], count);
        if (cluster == count)
            clusters.sums.resize(clusters.sums.size() + width, 0.0);
        double* to = clusters.sums.data() + width * cluster;
        const double* from = parts[1].sums.data() + width * j;
        for (std::size_t k = 0; k < width; ++k)
            to[k] += from[k];
        joined[j] = cluster;
    }
    for (uint32_t v = middle; v < model.vertexCount; ++v)
        clusters.ofVertex[v] = joined[clusters.ofVertex[v]];
    return true;
}

// The triangles of the copy: their corners' clusters, three each, and the
// face each came from.
struct Kept {
    std::vector<uint32_t> corners;
    std::vector<uint32_t> faces;
    uint32_t facesSeen = 0; // faces looked at before the budget ran out
    bool over = false;      // more than the budget would be kept
};

// The key of a triangle by its clusters, turned to start at the least:
// the same for its three rotations.
uint64_t triangleKey(uint32_t (&t)[3])
{
    std::rotate(t, std::min_element(t, t + 3), t + 3);
    return mix(uint64_t{t[0]} << 32 | t[1]) ^ t[2];
}

// Adds triangle t of face f to kept, found by key in seen, unless it is
// there already. False when it would be one more than budget: then kept
// is over, and has seen the faces before f's.
bool keepOnce(uint32_t (&t)[3], uint64_t key, uint32_t f, uint32_t budget, KeyTable& seen, Kept& kept)
{
    const auto fresh = static_cast<uint32_t>(kept.faces.size());
    const uint32_t found = seen.findOrAdd(key, fresh, [&](uint32_t index) {
        return std::equal(t, t + 3, kept.corners.begin() + std::ptrdiff_t{3} * index);
    });
    if (found != fresh)
        return true;
    if (fresh >= budget) {
        kept.facesSeen = f + 1;
        kept.over = true;
        return false;
    }
    kept.corners.insert(kept.corners.end(), t, t + 3);
    kept.faces.push_back(f);
    return true;
}

// Every fan triangle of faces [begin, end) whose corners lie in three
// clusters, once, in its winding (the same three clusters wound the other
// way are another triangle). Stops once more than budget are kept. False
// when cancelled.
bool keepPart(const Corners& corners, const std::vector<uint32_t>& cluster, uint32_t begin, uint32_t end,
              uint32_t budget, KeyTable& seen, Kept& kept, const std::atomic<bool>& cancel)
{
    for (uint32_t f = begin; f < end; ++f) {
        if ((f - begin) % kStretch == 0 && cancel.load(std::memory_order_relaxed))
            return false;
        const uint32_t n = corners.count(f);
        const uint32_t first = n >= 3 ? cluster[corners.vertex(f, 0)] : 0;
        for (uint32_t i = 1; i + 1 < n; ++i) {
            uint32_t t[3] = {first, cluster[corners.vertex(f, i)], cluster[corners.vertex(f, i + 1)]};
            if (t[0] == t[1] || t[1] == t[2] || t[0] == t[2])
                continue;
            if (!keepOnce(t, triangleKey(t), f, budget, seen, kept))
                return true;
        }
    }
    kept.facesSeen = end;
    return true;
}

// The kept triangles of all faces, in two parts on two cores for a large
// model: the second part's join the first's, in the order one pass in face
// order would keep them. False when cancelled.
bool keepTriangles(const MeshModel& model, const Corners& corners, const std::vector<uint32_t>& cluster,
                   uint32_t budget, Kept& kept, const std::atomic<bool>& cancel)
{
    KeyTable seen[2];
    Kept parts[2];
    bool done[2] = {true, true};
    splitInTwo(model.faceCount, kSplitFrom, 1, [&](uint32_t begin, uint32_t end) {
        const int p = begin == 0 ? 0 : 1;
        done[p] = keepPart(corners, cluster, begin, end, budget, seen[p], parts[p], cancel);
    });
    if (!done[0] || !done[1])
        return false;
    kept = std::move(parts[0]);
    if (kept.over || parts[1].faces.empty())
        return true;
    const Kept& second = parts[1];
    for (std::size_t i = 0; i < second.faces.size(); ++i) {
        uint32_t t[3] = {second.corners[3 * i], second.corners[3 * i + 1], second.corners[3 * i + 2]};
        if (!keepOnce(t, triangleKey(t), second.faces[i], budget, seen[0], kept))
            return true;
    }
    if (second.over) {
        kept.over = true;
        kept.facesSeen = second.facesSeen;
    } else {
        kept.facesSeen = model.faceCount;
    }
    return true;
}

template <typename T> T* allocate(std::size_t count)
{
    return static_cast<T*>(std::malloc(std::max<std::size_t>(count, 1) * sizeof(T)));
}

// The copy from the clusters and the kept triangles: each cluster a kept
// triangle uses becomes a vertex at the mean of its vertices, with their
// mean colour.
MeshModel* makeCopy(const MeshModel& model, const Clusters& clusters, const Kept& kept, const std::atomic<bool>& cancel)
{
    std::vector<uint32_t> vertexOf(clusters.sums.size() / clusters.width, kNone);
    std::vector<uint32_t> used; // the clusters in the copy's vertex order
    std::vector<uint32_t> corners(kept.corners.size());
    for (std::size_t i = 0; i < corners.size(); ++i) {
        uint32_t& vertex = vertexOf[kept.corners[i]];
        if (vertex == kNone) {
            vertex = static_cast<uint32_t>(used.size());
            used.push_back(kept.corners[i]);
        }
        corners[i] = vertex;
    }
    const auto vertices = static_cast<uint32_t>(used.size());
    const auto triangles = static_cast<uint32_t>(kept.faces.size());
    const bool colours = model.colours != nullptr;
    auto* copy = allocate<MeshModel>(1);
    if (copy == nullptr)
        return nullptr;
    *copy = MeshModel{};
    copy->vertexCount = vertices;
    copy->faceCount = triangles;
    copy->vertices = allocate<MeshVertex>(vertices);
    copy->faces = allocate<MeshFace>(triangles);
    copy->cornerBlock = allocate<MeshVertex*>(std::size_t{3} * triangles);
    copy->colours = colours ? allocate<float>(std::size_t{3} * vertices) : nullptr;
    copy->faceColours = model.faceColours ? allocate<float>(std::size_t{3} * triangles) : nullptr;
    copy->frame = model.frame;
    copy->unit = model.unit;
    if (!copy->vertices || !copy->faces || !copy->cornerBlock || (colours && !copy->colours)
        || (model.faceColours && !copy->faceColours)) {
        freeMeshModel(copy);
        return nullptr;
    }
    for (uint32_t v = 0; v < vertices; ++v) {
        const double* sum = clusters.sums.data() + clusters.width * used[v];
        const double n = sum[3];
        copy->vertices[v].position = {sum[0] / n, sum[1] / n, sum[2] / n};
        copy->vertices[v].normal = {0.0, 0.0, 0.0};
        if (colours)
            for (int c = 0; c < 3; ++c)
                copy->colours[std::size_t{3} * v + c] = static_cast<float>(sum[4 + c] / n);
    }
    for (std::size_t i = 0; i < corners.size(); ++i)
        copy->cornerBlock[i] = copy->vertices + corners[i];
    if (model.faceColours)
        for (uint32_t t = 0; t < triangles; ++t)
            std::copy_n(model.faceColours + std::size_t{3} * kept.faces[t], 3, copy->faceColours + std::size_t{3} * t);
    if (!buildTriangleModel(copy, cancel)) {
        freeMeshModel(copy);
        return nullptr;
    }
    return copy;
}

} // namespace

uint64_t modelTriangleCount(const MeshModel& model, bool packedTriangles)
{
    const Corners corners(model, packedTriangles);
    if (corners.packed())
        return model.faceCount;
    uint64_t triangles = 0;
    for (uint32_t f = 0; f < model.faceCount; ++f) {
        const uint32_t n = model.faces[f].vertexCount;
        triangles += n >= 3 ? n - 2 : 0;
    }
    return triangles;
}

bool reducesModel(const MeshModel& model, const ReductionLimits& limits, bool showFirst, bool packedTriangles)
{
    const uint64_t above = showFirst ? std::max(limits.above, limits.showFirstAbove) : limits.above;
    return model.vertexCount > 0 && model.faceCount > 0 && modelTriangleCount(model, packedTriangles) > above;
}

MeshModel* buildReducedModel(const MeshModel& model, const ReductionLimits& limits, const std::atomic<bool>& cancel,
                             bool packedTriangles)
{
    if (model.vertexCount == 0 || model.faceCount == 0 || limits.budget == 0
        || modelTriangleCount(model, packedTriangles) <= limits.above)
        return nullptr;
    const Corners corners(model, packedTriangles);
    const Box box = boxOf(model);
    // A first grid whose occupied cells give about the budget's triangles.
    double cell = std::sqrt(kTrianglesPerCell * kCellsPerArea * estimatedArea(model, corners) / limits.budget);
    if (!(cell > 0.0))
        cell = box.longest() / std::sqrt(static_cast<double>(limits.budget));
    if (!(cell > 0.0) || !std::isfinite(cell))
        return nullptr; // every vertex at one place: no triangle would be left
    Clusters clusters;
    Kept kept;
    for (int attempt = 0;; ++attempt) {
        const Grid grid(box, cell);
        if (!clusterVertices(model, grid, clusters, cancel)
            || !keepTriangles(model, corners, clusters.ofVertex, limits.budget, kept, cancel))
            return nullptr;
        if (!kept.over)
            break;
        if (attempt + 1 == kTries || (grid.cells[0] == 1 && grid.cells[1] == 1 && grid.cells[2] == 1))
            return nullptr;
        // Coarser, by what the faces looked at so far foretell for all.
        const double foretold = double(limits.budget) * model.faceCount / std::max<uint32_t>(kept.facesSeen, 1);
        cell *= std::max(1.2, 1.1 * std::sqrt(foretold / limits.budget));
    }
    if (kept.faces.empty())
        return nullptr;
    return makeCopy(model, clusters, kept, cancel);
}
