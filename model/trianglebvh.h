#pragma once

// A bounding-volume hierarchy over a model's triangles, for finding what a
// ray meets without looking at every face. Polygons count as the fan of
// triangles from their first corner, as they are drawn. The triangles are
// put in the order of their centres' Morton codes (a 10-bit grid per axis
// over the centres' box) and split where the codes' highest differing bit
// changes, or in the middle where the codes are equal; the boxes are the
// triangles' own, rounded outwards to float. Building reads the model's
// positions and keeps pointers into its faces: the model must outlive the
// hierarchy and keep its positions while it is used.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

struct MeshModel;

// One triangle: corners 0, corner and corner + 1 of the face.
struct BvhTriangle {
    uint32_t face;
    uint32_t corner;
};

// A box and either a run of triangles (count > 0: triangles first to
// first + count - 1) or two children (count == 0: the next node, and first).
struct BvhNode {
    float low[3];
    float high[3];
    uint32_t first;
    uint32_t count;
};

class TriangleBvh {
public:
    // The most triangles a leaf holds.
    static constexpr std::size_t kLeafSize = 4;

    // Builds the hierarchy of model's triangles; false (and empty) when
    // cancel was set meanwhile (looked at every few thousand triangles) or
    // the model has more triangles than 32-bit indices count. A model
    // without triangles gives an empty hierarchy.
    bool build(const MeshModel& model, const std::atomic<bool>& cancel);

    bool empty() const { return m_nodes.empty(); }
    const std::vector<BvhNode>& nodes() const { return m_nodes; }
    const std::vector<BvhTriangle>& triangles() const { return m_triangles; }
    // The model the hierarchy was built for (null before a build).
    const MeshModel* model() const { return m_model; }

private:
    const MeshModel* m_model = nullptr;
    std::vector<BvhNode> m_nodes;
    std::vector<BvhTriangle> m_triangles;
};
