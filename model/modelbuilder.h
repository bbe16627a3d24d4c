#pragma once

// Collects the vertices, colours and faces of a model as a reader finds
// them, and hands them over as one MeshModel: every face's corners in one
// shared block, positions centred and scaled, normals built. Whatever is not
// handed over is released.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "model/meshmodel.h"

// The bounding box of positions in the order they were added: it starts
// from the first, and later ones widen it only where they lie strictly
// outside (so of equal values, such as 0 and -0, the first stays).
struct PositionBox {
    bool empty = true;
    Vector3 low = {0.0, 0.0, 0.0};
    Vector3 high = {0.0, 0.0, 0.0};

    void widen(const Vector3& p)
    {
        if (empty) {
            low = high = p;
            empty = false;
            return;
        }
        widenBy(p, p);
    }
    // Takes in the box of positions that come after these.
    void merge(const PositionBox& later)
    {
        if (empty)
            *this = later;
        else if (!later.empty)
            widenBy(later.low, later.high);
    }

private:
    void widenBy(const Vector3& lower, const Vector3& higher)
    {
        widenAxis(low.x, high.x, lower.x, higher.x);
        widenAxis(low.y, high.y, lower.y, higher.y);
        widenAxis(low.z, high.z, lower.z, higher.z);
    }
    static void widenAxis(double& least, double& most, double lower, double higher)
    {
        if (higher > most)
            most = higher;
        if (least > lower)
            least = lower;
    }
};

// Polygons collected apart from the model (by another thread, say): the
// corner count of each, and all their corners one after the other.
struct FaceList {
    std::vector<uint32_t> counts;
    std::vector<MeshVertex*> corners;
    void clear()
    {
        counts.clear();
        corners.clear();
    }
};

class ModelBuilder {
public:
    ModelBuilder() = default;
    ModelBuilder(const ModelBuilder&) = delete;
    ModelBuilder& operator=(const ModelBuilder&) = delete;
    ~ModelBuilder();

    // Sets the declared counts. With `exact` the arrays get their final size
    // at once (the file is known to be large enough for them), and a helper
    // thread has the kernel supply their pages from the far end while the
    // reader fills them from the front, so that the page faults of a large
    // model are taken on two cores; otherwise the arrays grow with what is
    // actually read, the vertex count being only the most there may be (a
    // reader that cannot know it gives the largest count), and the model
    // keeps the vertices added. False when memory runs out.
    bool prepare(uint32_t vertexCount, uint32_t faceCount, bool colours, bool exact);

    // Appends the next vertex; false when memory runs out.
    bool addVertex(const Vector3& position)
    {
        if (vertexCount_ == vertexCapacity_ && !growVertices())
            return false;
        vertices_[vertexCount_].position = position;
        box_.widen(position);
        ++vertexCount_;
        return true;
    }
    // With arrays of their final size: the vertex slots from vertex `first`
    // on, and their colour slots (null without colours), for a reader to
    // fill; then commitVertices counts `count` more vertices, whose box is
    // given, as added.
    MeshVertex* vertexSlots(uint32_t first) const { return vertices_ + first; }
    float* colourSlots(uint32_t first) const
    {
        return colours_ != nullptr ? colours_ + 3 * static_cast<std::size_t>(first) : nullptr;
    }
    void commitVertices(uint32_t count, const PositionBox& box)
    {
        box_.merge(box);
        vertexCount_ += count;
    }
    bool exact() const { return exact_; }
    uint32_t vertexCount() const { return vertexCount_; }
    // Colour of the vertex added last, each channel in [0, 1].
    void setColour(float red, float green, float blue)
    {
        float* c = colours_ + 3 * static_cast<std::size_t>(vertexCount_ - 1);
        c[0] = red;
        c[1] = green;
        c[2] = blue;
    }
    bool hasColours() const { return colours_ != nullptr; }

    // What a face's corner slot holds for vertex `index` (0 <= index < the
    // declared count): its address when the vertex array has its final size
    // already, otherwise the index itself, turned into an address when the
    // model is handed over. So a growing vertex array may still move, and
    // faces may come before vertices.
    MeshVertex* corner(uint32_t index) const
    {
        return exact_ ? vertices_ + index : reinterpret_cast<MeshVertex*>(static_cast<uintptr_t>(index));
    }

    // Appends a face of `corners` corners and returns the slots for its
    // corner addresses, or null when memory runs out.
    MeshVertex** addFace(uint32_t corners)
    {
        if ((faceCount_ == faceCapacity_ || cornerCapacity_ - cornerCount_ < corners) && !makeRoom(1, corners))
            return nullptr;
        faces_[faceCount_++].vertexCount = corners;
        MeshVertex** slots = corners_ + cornerCount_;
        cornerCount_ += corners;
        return slots;
    }
    // Appends the polygons of a list; false when memory runs out.
    bool addFaces(const FaceList& list);
    // Takes back the face added last (its corners turned out to be wrong).
    void dropLastFace()
    {
        --faceCount_;
        cornerCount_ -= faces_[faceCount_].vertexCount;
    }

    // Appends the triangles of triangle strips: `indices` holds vertex
    // indices (each below the declared count) with -1 between strips. The
    // triangles alternate their winding along a strip; one that repeats a
    // vertex is left out. False when memory runs out.
    bool addStrips(const int32_t* indices, std::size_t count);

    uint32_t faceCount() const { return faceCount_; }

    // Centres and scales the positions, builds the normals and hands the
    // model over; null when memory runs out.
    MeshModel* finish();

private:
    void startPrefaulting();
    void stopPrefaulting();
    bool growVertices();
    bool makeRoom(std::size_t faces, std::size_t corners);
    bool fixVertices();

    uint32_t declaredVertices_ = 0;
    bool exact_ = false; // the arrays have their final size
    MeshVertex* vertices_ = nullptr;
    float* colours_ = nullptr;
    uint32_t vertexCount_ = 0;
    uint32_t vertexCapacity_ = 0;
    MeshFace* faces_ = nullptr;
    uint32_t faceCount_ = 0;
    uint32_t faceCapacity_ = 0;
    MeshVertex** corners_ = nullptr;
    std::size_t cornerCount_ = 0;
    std::size_t cornerCapacity_ = 0;
    PositionBox box_;
    std::thread prefaulter_;
    std::atomic<bool> stopPrefaulting_{false};
};
