#pragma once

// Collects the vertices, colours and faces of a model as a reader finds
// them, and hands them over as one MeshModel: every face's corners in one
// shared block, positions centred and scaled, normals built. Memory follows
// what is read, within the load's memory limit; whatever is not handed over
// is released, at once, with the builder.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"
#include "model/pagefiller.h"

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
// corner count of each, and all their corners one after the other; once a
// face of the list has a colour, the colours, three a face, those from
// colours.size() / 3 on having none.
struct FaceList {
    std::vector<uint32_t> counts;
    std::vector<MeshVertex*> corners;
    std::vector<float> colours;
    void clear()
    {
        counts.clear();
        corners.clear();
        colours.clear();
    }
    // Gives the face added last its colour (red, green, blue in [0, 1]).
    void colourLast(const float* rgb)
    {
        colours.resize(3 * (counts.size() - 1), kNoFaceColour);
        colours.insert(colours.end(), rgb, rgb + 3);
    }
};

class ModelBuilder {
public:
    ModelBuilder() = default;
    ModelBuilder(const ModelBuilder&) = delete;
    ModelBuilder& operator=(const ModelBuilder&) = delete;
    ~ModelBuilder();

    // The vertex count of a reader that learns it only as it reads.
    static constexpr uint32_t kUnknownCount = 0xffffffffu;

    // Sets the declared counts and refuses them, before anything is
    // allocated, when the model they describe (with at least three corners a
    // face) would need more memory than the load may use (loadMemoryLimit).
    // With `exact` (the file is known to be long enough for the counts) the
    // arrays are sized for them as address space only: the system supplies
    // their pages as the reader writes them, and nothing touches them ahead
    // of the reader. Otherwise they start small and double as items are
    // read. Either way the memory a load holds follows what it has read; the
    // corners of larger polygons grow the corner array. A reader that cannot
    // know its vertex count gives kUnknownCount: the vertices then grow with
    // what is read, each step checked against the limit. The model keeps the
    // vertices added. False with memoryReason() set.
    bool prepare(uint32_t vertexCount, uint32_t faceCount, bool colours, bool exact = false);
    // The same with the limit given (in bytes).
    bool prepare(uint32_t vertexCount, uint32_t faceCount, bool colours, bool exact, uint64_t memoryLimit);

    // For counts the file has proven (counted in it, or a body long enough
    // for them): has the system supply the pages of the arrays, as prepared,
    // on a thread of its own while the reader reads, instead of one page at
    // a time as the reader first writes each (PageFiller). Filling fresh
    // pages is the largest single cost of a big load, and this way it is
    // shared between the cores. An array's pages come only once the reader
    // has written into it, and at most PageFiller::kWindow bytes beyond what
    // it has written, so a file that fails early costs what it has read; the
    // filling stops at once when the load fails, the control (if any) asks
    // it to stop, or the builder goes. Only a hint: the contents are left
    // alone, and without the system's support nothing happens.
    void populateAhead(const LoadControl* control = nullptr);

    // Appends the next vertex; false when memory runs out.
    bool addVertex(const Vector3& position)
    {
        if (vertexCount_ == vertexCapacity_ && !growVertices(vertexCount_ + std::size_t{1}))
            return false;
        vertices_[vertexCount_].position = position;
        box_.widen(position);
        if (++vertexCount_ >= vertexMark_)
            reportWritten();
        return true;
    }
    // Makes sure of the room for the vertices up to `count` (at most the
    // declared count) so that vertexSlots and colourSlots may be filled up to
    // there; false when memory runs out.
    bool reserveVertices(uint32_t count) { return count <= vertexCapacity_ || growVertices(count); }
    // The vertex slots from vertex `first` on, and their colour slots (null
    // without colours), for a reader to fill within the reserved room; then
    // commitVertices counts `count` more vertices, whose box is given, as
    // added.
    MeshVertex* vertexSlots(uint32_t first) const { return vertices_ + first; }
    float* colourSlots(uint32_t first) const
    {
        return colours_ != nullptr ? colours_ + 3 * static_cast<std::size_t>(first) : nullptr;
    }
    void commitVertices(uint32_t count, const PositionBox& box)
    {
        box_.merge(box);
        vertexCount_ += count;
        if (vertexCount_ >= vertexMark_)
            reportWritten();
    }
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

    // Says that every vertex has been added: the vertex array gets its
    // final size and place, and the corners from now on are addresses. False
    // when memory runs out.
    bool verticesDone();

    // What a face's corner slot holds for vertex `index` (0 <= index < the
    // declared count): its address once the vertices are done, otherwise the
    // index itself, turned into an address when they are. So a growing vertex
    // array may still move, and faces may come before vertices.
    MeshVertex* corner(uint32_t index) const
    {
        return verticesFixed_ ? vertices_ + index : reinterpret_cast<MeshVertex*>(static_cast<uintptr_t>(index));
    }

    // Appends a triangle as addFace(3) does, its record left to finish while
    // every face is such a triangle (see commitTriangles).
    MeshVertex** addTriangle()
    {
        if (!trianglesOnly_)
            return addFace(3);
        if ((faceCount_ == faceCapacity_ || cornerCapacity_ - cornerCount_ < 3) && !makeRoom(1, 3))
            return nullptr;
        MeshVertex** slots = corners_ + cornerCount_;
        cornerCount_ += 3;
        if (++faceCount_ >= faceMark_)
            reportWritten();
        return slots;
    }
    // Appends a face of `corners` corners and returns the slots for its
    // corner addresses, or null when memory runs out.
    MeshVertex** addFace(uint32_t corners)
    {
        endTrianglesOnly();
        if ((faceCount_ == faceCapacity_ || cornerCapacity_ - cornerCount_ < corners) && !makeRoom(1, corners))
            return nullptr;
        MeshVertex** slots = corners_ + cornerCount_;
        faces_[faceCount_].vertexCount = corners;
        faces_[faceCount_].vertices = slots;
        cornerCount_ += corners;
        if (++faceCount_ >= faceMark_)
            reportWritten();
        return slots;
    }
    // For a reader that writes faces into the arrays itself: the address
    // corner slots hold for vertex 0 (vertex i's is this + i), null until
    // the vertices are done; room for `faces` more faces with `corners`
    // corners in all (false when memory runs out); the slots of the next
    // face and corner, to be filled within that room, each face given its
    // corner count and the address of its first corner slot; and then
    // commitFaces to count them as added.
    MeshVertex* cornerBase() const { return verticesFixed_ ? vertices_ : nullptr; }
    bool reserveFaces(std::size_t faces, std::size_t corners)
    {
        return (faceCapacity_ - faceCount_ >= faces && cornerCapacity_ - cornerCount_ >= corners)
               || makeRoom(faces, corners);
    }
    MeshFace* faceSlots() const { return faces_ + faceCount_; }
    MeshVertex** cornerSlots() const { return corners_ + cornerCount_; }
    void commitFaces(uint32_t faces, std::size_t corners)
    {
        endTrianglesOnly();
        faceCount_ += faces;
        cornerCount_ += corners;
        if (faceCount_ >= faceMark_)
            reportWritten();
    }
    // The same for `faces` triangles whose corners, three a face, the
    // reader has written at cornerSlots() but whose records it has left
    // alone. While every face of the model is such a triangle (or came by
    // addTriangle, or in a list of triangles alone), finish writes their
    // records whole, with the normals (buildTriangleModel), rather than
    // each record being written twice; the first other face has the records
    // so far written at once.
    void commitTriangles(uint32_t faces)
    {
        faceCount_ += faces;
        cornerCount_ += std::size_t{3} * faces;
        if (!trianglesOnly_)
            writeTriangleRecords(faceCount_ - faces, cornerCount_ - std::size_t{3} * faces);
        if (faceCount_ >= faceMark_)
            reportWritten();
    }
    // Appends the polygons of a list (a list of triangles alone, while every
    // face is a triangle, leaves their records to finish); false when memory
    // runs out.
    bool addFaces(const FaceList& list);
    // Takes back the face added last (its corners turned out to be wrong).
    void dropLastFace()
    {
        endTrianglesOnly();
        --faceCount_;
        cornerCount_ -= faces_[faceCount_].vertexCount;
        if (faceColours_ != nullptr)
            std::fill_n(faceColours_ + 3 * static_cast<std::size_t>(faceCount_), 3, kNoFaceColour);
    }
    // Colour of the face added last, each channel in [0, 1]; false when
    // memory runs out. The first one makes room for the colours of every
    // face, kNoFaceColour for those given none: a model whose faces have no
    // colours costs nothing for them.
    bool setFaceColour(const float* rgb)
    {
        if (faceColours_ == nullptr && !startFaceColours())
            return false;
        std::copy_n(rgb, 3, faceColours_ + 3 * static_cast<std::size_t>(faceCount_ - 1));
        return true;
    }
    bool hasFaceColours() const { return faceColours_ != nullptr; }

    // Appends the triangles of triangle strips: `indices` holds vertex
    // indices (each below the declared count) with -1 between strips. The
    // triangles alternate their winding along a strip; one that repeats a
    // vertex is left out. False when memory runs out.
    bool addStrips(const int32_t* indices, std::size_t count);

    uint32_t faceCount() const { return faceCount_; }

    // The length unit the file states for its coordinates (glTF: metres;
    // 3MF: its unit attribute); the model has none unless a reader sets one.
    void setUnit(ModelUnit unit) { unit_ = unit; }

    // Centres and scales the positions, builds the normals and hands the
    // model over; null when memory runs out (memoryReason) or, with a
    // control, when it asks the load to stop (cancelled).
    MeshModel* finish(const LoadControl* control = nullptr);
    bool cancelled() const { return cancelled_; }
    // A reader's last step: finish, unless the control has already asked
    // the load to stop; on null, `reason` says why ("loading was cancelled",
    // or the memory reason).
    MeshModel* finishLoad(const LoadControl* control, std::string& reason);

    // Why the last step that needed memory failed: the load's limit (see
    // fitsMemoryLimit) or "not enough memory for the model".
    const std::string& memoryReason() const { return memoryReason_; }

private:
    // Once another face comes, or one goes: the triangles so far get their
    // records.
    void endTrianglesOnly()
    {
        if (trianglesOnly_) {
            writeTriangleRecords(0, 0);
            trianglesOnly_ = false;
        }
    }
    // Writes the records of faces [face, faceCount_), triangles whose
    // corners start at corner `corner`.
    void writeTriangleRecords(uint32_t face, std::size_t corner);
    bool growVertices(std::size_t needed);
    bool makeRoom(std::size_t faces, std::size_t corners);
    // Whether arrays of these capacities stay within the limit (else the
    // reason is set).
    bool withinLimit(std::size_t vertices, std::size_t faces, std::size_t corners);
    bool outOfMemory();
    // Stops populateAhead's filling, before an array moves or goes.
    void populated();
    // Tells the filling how far the reader has written, and sets the next
    // marks at which to tell it again.
    void reportWritten();
    bool startFaceColours();
    // Resizes the face colours to the face capacity, marking new ones as none.
    bool resizeFaceColours(std::size_t oldCapacity);
    // Resizes the corner array; once it has moved, the faces' corner
    // addresses are made again when the model is handed over.
    bool resizeCorners(std::size_t capacity);

    PageFiller filler_;
    const LoadControl* fillControl_ = nullptr;
    // The counts at which the filling hears of the reader's progress next
    // (never, while there is no filling).
    uint32_t vertexMark_ = UINT32_MAX;
    uint32_t faceMark_ = UINT32_MAX;
    uint32_t declaredVertices_ = 0;
    uint64_t memoryLimit_ = UINT64_MAX;
    bool verticesFixed_ = false; // the vertex array has its final size and place
    MeshVertex* vertices_ = nullptr;
    float* colours_ = nullptr;
    bool wantColours_ = false;
    uint32_t vertexCount_ = 0;
    uint32_t vertexCapacity_ = 0;
    MeshFace* faces_ = nullptr;
    float* faceColours_ = nullptr; // three a face of the capacity, once a face has one
    uint32_t faceCount_ = 0;
    uint32_t faceCapacity_ = 0;
    MeshVertex** corners_ = nullptr;
    std::size_t cornerCount_ = 0;
    std::size_t cornerCapacity_ = 0;
    bool cornersMoved_ = false; // since faces were given addresses in it
    bool trianglesOnly_ = true; // every face is a triangle whose record is left to finish
    PositionBox box_;
    ModelUnit unit_ = ModelUnit::none;
    std::string memoryReason_;
    bool cancelled_ = false;
};
