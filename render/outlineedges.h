#pragma once

// The edges of a model's polygons for drawing outlines as lines instead of
// as polygons in line mode: the same picture in about half the time with a
// software rasteriser, which otherwise takes every triangle through its
// polygon stages and draws each edge between two polygons twice.
//
// An edge shows when a polygon beside it is not culled, so with culling on
// the edges drawn follow the eye: seen() picks them for the current
// transformation, deciding each triangle's side by the sign OpenGL takes
// (the window area of its corners). The edges come in the order Mesa draws
// them in line mode. An edge between two triangles that both show is drawn
// twice there, once each way round; drawn once, the way round of the first
// (the later one loses the depth test to it), it costs half as much, and
// only the few pixels that the other way round alone lights at the line's
// ends are missing, but where the lines carry vertex colours the pixel
// where lines meet may then show another line's colour.

#include <cstddef>
#include <cstdint>
#include <vector>

struct MeshModel;

// Which side of its triangles OpenGL keeps, from the current state.
struct EdgeCulling {
    bool enabled = false;
    bool keepFront = true; // triangles whose window area is positive
    bool keepBack = false; // ... negative
    // A triangle with plane (n, d) (n the cross product of its edges from
    // its first corner, d = n . that corner) has the sign of
    // eye . (n.x, n.y, n.z, d) as its window area.
    double eye[4] = {0.0, 0.0, 0.0, 0.0};
};

class OutlineEdges {
public:
    // The fan triangles of the model's polygons of three or more corners,
    // as the buffers draw them (corners i + 1, i + 2 and 0), with their
    // planes and, for each polygon edge, the triangle on its other side.
    void build(const MeshModel& model);
    void clear();

    std::size_t triangleCount() const { return m_triangles.size(); }
    // Room for the ends of every edge drawn: two indices an edge, the
    // first half of the triangles' from out[0], the second half's from
    // out[secondPart()].
    std::size_t indexRoom() const { return 6 * m_triangles.size(); }
    std::size_t secondPart() const { return 6 * (m_triangles.size() / 2); }
    // Bytes held for the triangles and their planes.
    std::size_t byteSize() const;

    // The ends (vertex indices) of the edges drawn with culling as given,
    // an edge between two triangles that show once or (bothWays) twice;
    // counts[i] is the number of indices written for part i.
    void write(const EdgeCulling& culling, bool bothWays, uint32_t* out, std::size_t counts[2]) const;

private:
    static constexpr uint32_t kInner = 0xffffffffu; // an edge inside a polygon's fan
    static constexpr uint32_t kAlone = 0xfffffffeu; // no triangle on the other side

    struct Triangle {
        uint32_t corner[3];
        uint32_t beside[3]; // of edge k (corner k to k + 1): the other triangle, kInner or kAlone
    };

    std::vector<Triangle> m_triangles;
    std::vector<float> m_planes; // four a triangle: n, d
    mutable std::vector<unsigned char> m_kept;
};
