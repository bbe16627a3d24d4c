#include "render/outlineedges.h"

#include "model/cores.h"
#include "model/meshmodel.h"

#include <algorithm>

namespace {

// A polygon edge met at its lower vertex: the other end and where it is
// drawn (triangle * 3 + edge).
struct HalfEdge {
    uint32_t other;
    uint32_t place;
};

} // namespace

void OutlineEdges::clear()
{
    std::vector<Triangle>().swap(m_triangles);
    std::vector<float>().swap(m_planes);
    std::vector<unsigned char>().swap(m_kept);
}

std::size_t OutlineEdges::byteSize() const
{
    return m_triangles.size() * sizeof(Triangle) + m_planes.size() * sizeof(float) + m_kept.size();
}

void OutlineEdges::build(const MeshModel& model)
{
    clear();
    std::size_t triangles = 0;
    for (uint32_t f = 0; f < model.faceCount; ++f)
        triangles += model.faces[f].vertexCount >= 3 ? model.faces[f].vertexCount - 2 : 0;
    if (triangles >= kAlone / 3)
        return;
    m_triangles.resize(triangles);
    m_planes.resize(4 * triangles);
    // The triangles, their planes from the positions as the buffers hold
    // them, and the polygon edges counted under their lower vertex.
    std::vector<std::size_t> edgesAt(std::size_t{model.vertexCount} + 1, 0);
    std::size_t t = 0;
    for (uint32_t f = 0; f < model.faceCount; ++f) {
        const MeshFace& face = model.faces[f];
        const uint32_t n = face.vertexCount;
        for (uint32_t i = 0; i + 2 < n; ++i, ++t) {
            Triangle& triangle = m_triangles[t];
            const MeshVertex* corners[3] = {face.vertices[i + 1], face.vertices[i + 2], face.vertices[0]};
            double p[3][3];
            for (int c = 0; c < 3; ++c) {
                triangle.corner[c] = static_cast<uint32_t>(corners[c] - model.vertices);
                p[c][0] = static_cast<float>(corners[c]->position.x);
                p[c][1] = static_cast<float>(corners[c]->position.y);
                p[c][2] = static_cast<float>(corners[c]->position.z);
            }
            // Corner i + 1 to i + 2 is always the polygon's; i + 2 to 0 only
            // in the last triangle, 0 to 1 only in the first.
            triangle.beside[0] = kAlone;
            triangle.beside[1] = i + 3 == n ? kAlone : kInner;
            triangle.beside[2] = i == 0 ? kAlone : kInner;
            for (int k = 0; k < 3; ++k) {
                if (triangle.beside[k] == kAlone)
                    ++edgesAt[std::min(triangle.corner[k], triangle.corner[(k + 1) % 3]) + std::size_t{1}];
            }
            const double a[3] = {p[1][0] - p[0][0], p[1][1] - p[0][1], p[1][2] - p[0][2]};
            const double b[3] = {p[2][0] - p[0][0], p[2][1] - p[0][1], p[2][2] - p[0][2]};
            const double normal[3] = {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
            float* plane = &m_planes[4 * t];
            for (int k = 0; k < 3; ++k)
                plane[k] = static_cast<float>(normal[k]);
            plane[3] = static_cast<float>(normal[0] * p[0][0] + normal[1] * p[0][1] + normal[2] * p[0][2]);
        }
    }
    // The edges under each vertex in drawing order; those with the same
    // other end are paired in that order (an edge of more than two polygons
    // makes a pair of each two).
    for (std::size_t v = 0; v < model.vertexCount; ++v)
        edgesAt[v + 1] += edgesAt[v];
    std::vector<HalfEdge> halves(edgesAt[model.vertexCount]);
    {
        std::vector<std::size_t> next(edgesAt.begin(), edgesAt.end() - 1);
        for (std::size_t i = 0; i < triangles; ++i) {
            const Triangle& triangle = m_triangles[i];
            for (uint32_t k = 0; k < 3; ++k) {
                if (triangle.beside[k] != kAlone)
                    continue;
                const uint32_t u = triangle.corner[k];
                const uint32_t w = triangle.corner[(k + 1) % 3];
                halves[next[std::min(u, w)]++] = HalfEdge{std::max(u, w), static_cast<uint32_t>(3 * i + k)};
            }
        }
    }
    const uint32_t middle = model.vertexCount / 2;
    runInTwo([&](int part) {
        const uint32_t end = part == 0 ? middle : model.vertexCount;
        for (uint32_t v = part == 0 ? 0 : middle; v < end; ++v) {
            HalfEdge* begin = halves.data() + edgesAt[v];
            HalfEdge* stop = halves.data() + edgesAt[v + 1];
            std::stable_sort(begin, stop, [](const HalfEdge& x, const HalfEdge& y) { return x.other < y.other; });
            for (HalfEdge* h = begin; h + 1 < stop; ++h) {
                if (h[1].other != h[0].other)
                    continue;
                // Each thread writes only the edges of its own vertices.
                m_triangles[h[0].place / 3].beside[h[0].place % 3] = h[1].place / 3;
                m_triangles[h[1].place / 3].beside[h[1].place % 3] = h[0].place / 3;
                ++h;
            }
        }
    });
    m_kept.assign(triangles, 0);
}

void OutlineEdges::write(const EdgeCulling& culling, bool bothWays, uint32_t* out, std::size_t counts[2]) const
{
    const std::size_t triangles = m_triangles.size();
    const std::size_t half = triangles / 2;
    if (culling.enabled) {
        runInTwo([&](int part) {
            const std::size_t end = part == 0 ? half : triangles;
            for (std::size_t t = part == 0 ? 0 : half; t < end; ++t) {
                const float* p = &m_planes[4 * t];
                const double area
                    = culling.eye[0] * p[0] + culling.eye[1] * p[1] + culling.eye[2] * p[2] + culling.eye[3] * p[3];
                m_kept[t] = (area > 0.0 && culling.keepFront) || (area < 0.0 && culling.keepBack);
            }
        });
    } else {
        std::fill(m_kept.begin(), m_kept.end(), 1);
    }
    runInTwo([&](int part) {
        uint32_t* to = out + (part == 0 ? 0 : secondPart());
        const uint32_t* start = to;
        const std::size_t end = part == 0 ? half : triangles;
        for (std::size_t t = part == 0 ? 0 : half; t < end; ++t) {
            if (!m_kept[t])
                continue;
            const Triangle& triangle = m_triangles[t];
            // Mesa draws a triangle's edges in line mode from its last
            // corner: 2 to 0, then 0 to 1, then 1 to 2.
            for (const int k : {2, 0, 1}) {
                const uint32_t beside = triangle.beside[k];
                // A shared edge is drawn by the first triangle that shows
                // (or by each).
                if (beside == kInner || (!bothWays && beside < t && m_kept[beside]))
                    continue;
                *to++ = triangle.corner[k];
                *to++ = triangle.corner[(k + 1) % 3];
            }
        }
        counts[part] = static_cast<std::size_t>(to - start);
    });
}
