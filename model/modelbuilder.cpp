#include "model/modelbuilder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>

#include <sys/mman.h>
#include <unistd.h>

#include "model/bigmemory.h"
#include "model/memorylimit.h"
#include "model/normalise.h"
#include "model/tuning.h"

namespace {

// Arrays that grow (all of them when the counts are not known to be exact,
// the corners of polygons with more than three) start at kFirstCapacity
// elements and double.
constexpr std::size_t kFirstCapacity = tuning::kFirstCapacity;

// Resizes a malloc'd array to `count` elements (at least one); `moved`, when
// given, tells whether it moved.
template <typename T> bool resize(T*& array, std::size_t count, bool* moved = nullptr)
{
    const std::size_t elements = count > 0 ? count : 1;
    if (elements > std::numeric_limits<std::size_t>::max() / sizeof(T))
        return false;
    // The old address as a number, kept where the compiler's use-after-free
    // check does not take its comparison for a use of the old block.
    const volatile uintptr_t before = reinterpret_cast<uintptr_t>(array);
    void* resized = std::realloc(array, elements * sizeof(T));
    if (resized == nullptr)
        return false;
    if (moved != nullptr)
        *moved = reinterpret_cast<uintptr_t>(resized) != before;
    array = static_cast<T*>(resized);
    adviseHugePages(array, elements * sizeof(T));
    return true;
}

// The next capacity of a doubling array that must reach `needed` and need
// never pass `limit`.
std::size_t grown(std::size_t capacity, std::size_t needed, std::size_t limit)
{
    std::size_t next = capacity < kFirstCapacity ? kFirstCapacity : capacity * 2;
    if (next > limit)
        next = limit;
    return next < needed ? needed : next;
}

// The filling hears of the reader's progress every this many vertices or
// faces.
constexpr uint32_t kReportEvery = 65536;

} // namespace

ModelBuilder::~ModelBuilder()
{
    populated();
    std::free(vertices_);
    std::free(colours_);
    std::free(faces_);
    std::free(faceColours_);
    std::free(corners_);
}

bool ModelBuilder::prepare(uint32_t vertexCount, uint32_t faceCount, bool colours, bool exact)
{
    return prepare(vertexCount, faceCount, colours, exact, loadMemoryLimit());
}

bool ModelBuilder::prepare(uint32_t vertexCount, uint32_t faceCount, bool colours, bool exact, uint64_t memoryLimit)
{
    populated();
    declaredVertices_ = vertexCount;
    memoryLimit_ = memoryLimit;
    wantColours_ = colours;
    const uint64_t provenVertices = vertexCount == kUnknownCount ? 0 : vertexCount;
    if (!fitsMemoryLimit(modelBytes(provenVertices, faceCount, uint64_t{3} * faceCount, colours), memoryLimit_,
                         memoryReason_))
        return false;
    // With exact counts, the arrays get them as address space: the system
    // supplies the pages only as the reader writes them, so the memory taken
    // follows the file. (Growing the arrays instead moves them, and the moves
    // break up the huge pages that make filling them cheap.) Otherwise they
    // start small and double as items are read.
    const std::size_t vertexRoom = exact || vertexCount < kFirstCapacity ? vertexCount : kFirstCapacity;
    const std::size_t faceRoom = exact || faceCount < kFirstCapacity ? faceCount : kFirstCapacity;
    if (!resize(vertices_, vertexRoom) || !resize(faces_, faceRoom) || !resizeCorners(faceRoom * 3)
        || (colours && !resize(colours_, vertexRoom * 3)))
        return outOfMemory();
    vertexCapacity_ = static_cast<uint32_t>(vertexRoom);
    faceCapacity_ = static_cast<uint32_t>(faceRoom);
    cornerCapacity_ = faceRoom * 3;
    verticesFixed_ = vertexRoom == vertexCount;
    return true;
}

void ModelBuilder::populateAhead(const LoadControl* control)
{
    populated();
    fillControl_ = control;
    // In the order the arrays are listed in reportWritten.
    const PageFiller::Block blocks[PageFiller::kBlocks]
        = {{vertices_, std::size_t{vertexCapacity_} * sizeof(MeshVertex)},
           {colours_, colours_ != nullptr ? std::size_t{vertexCapacity_} * 3 * sizeof(float) : 0},
           {faces_, std::size_t{faceCapacity_} * sizeof(MeshFace)},
           {corners_, cornerCapacity_ * sizeof(MeshVertex*)}};
    if (!filler_.start(blocks, control != nullptr ? &control->cancel : nullptr))
        return;
    vertexMark_ = 0;
    faceMark_ = 0;
    reportWritten();
}

void ModelBuilder::reportWritten()
{
    if (!filler_.running()) {
        vertexMark_ = UINT32_MAX;
        faceMark_ = UINT32_MAX;
        return;
    }
    const std::size_t written[PageFiller::kBlocks]
        = {std::size_t{vertexCount_} * sizeof(MeshVertex), std::size_t{vertexCount_} * 3 * sizeof(float),
           std::size_t{faceCount_} * sizeof(MeshFace), cornerCount_ * sizeof(MeshVertex*)};
    filler_.written(written);
    vertexMark_ = vertexCount_ < UINT32_MAX - kReportEvery ? vertexCount_ + kReportEvery : UINT32_MAX;
    faceMark_ = faceCount_ < UINT32_MAX - kReportEvery ? faceCount_ + kReportEvery : UINT32_MAX;
}

void ModelBuilder::populated()
{
    filler_.stop();
    vertexMark_ = UINT32_MAX;
    faceMark_ = UINT32_MAX;
}

bool ModelBuilder::outOfMemory()
{
    memoryReason_ = "not enough memory for the model";
    return false;
}

bool ModelBuilder::startFaceColours()
{
    return resizeFaceColours(0);
}

bool ModelBuilder::resizeFaceColours(std::size_t oldCapacity)
{
    if (!resize(faceColours_, std::size_t{3} * faceCapacity_))
        return outOfMemory();
    if (faceCapacity_ > oldCapacity)
        std::fill(faceColours_ + 3 * oldCapacity, faceColours_ + std::size_t{3} * faceCapacity_, kNoFaceColour);
    return true;
}

bool ModelBuilder::resizeCorners(std::size_t capacity)
{
    bool moved = false;
    if (!resize(corners_, capacity, &moved))
        return false;
    cornersMoved_ = cornersMoved_ || (moved && faceCount_ > 0);
    return true;
}

bool ModelBuilder::withinLimit(std::size_t vertices, std::size_t faces, std::size_t corners)
{
    return fitsMemoryLimit(modelBytes(vertices, faces, corners, wantColours_), memoryLimit_, memoryReason_);
}

bool ModelBuilder::growVertices(std::size_t needed)
{
    populated();
    // Only a file with more vertices than it declares would go past the
    // declared count; the readers never ask for that.
    if (needed > declaredVertices_ || verticesFixed_)
        return false;
    std::size_t capacity = grown(vertexCapacity_, needed, declaredVertices_);
    // Near the limit the steps get smaller, down to what is needed.
    while (capacity > needed && modelBytes(capacity, faceCapacity_, cornerCapacity_, wantColours_) > memoryLimit_)
        capacity = needed + (capacity - needed) / 2;
    if (!withinLimit(capacity, faceCapacity_, cornerCapacity_))
        return false;
    if (!resize(vertices_, capacity) || (colours_ != nullptr && !resize(colours_, capacity * 3)))
        return outOfMemory();
    vertexCapacity_ = static_cast<uint32_t>(capacity);
    return true;
}

bool ModelBuilder::verticesDone()
{
    if (verticesFixed_)
        return true;
    populated();
    if (vertexCapacity_ != vertexCount_) {
        if (!resize(vertices_, vertexCount_)
            || (colours_ != nullptr && !resize(colours_, vertexCount_ * std::size_t{3})))
            return outOfMemory();
        vertexCapacity_ = vertexCount_;
    }
    // Corners added so far hold vertex indices.
    for (std::size_t i = 0; i < cornerCount_; ++i)
        corners_[i] = vertices_ + reinterpret_cast<uintptr_t>(corners_[i]);
    verticesFixed_ = true;
    return true;
}

bool ModelBuilder::makeRoom(std::size_t faces, std::size_t corners)
{
    if (faces > std::numeric_limits<uint32_t>::max() - faceCount_)
        return outOfMemory();
    std::size_t faceCapacity = faceCapacity_;
    std::size_t cornerCapacity = cornerCapacity_;
    if (faceCapacity - faceCount_ < faces)
        faceCapacity = grown(faceCapacity, faceCount_ + faces, std::numeric_limits<uint32_t>::max());
    if (cornerCapacity - cornerCount_ < corners)
        cornerCapacity = grown(cornerCapacity, cornerCount_ + corners, std::numeric_limits<std::size_t>::max());
    // Near the limit the steps get smaller, down to what is needed.
    const std::size_t faceNeed = std::max<std::size_t>(faceCapacity_, faceCount_ + faces);
    const std::size_t cornerNeed = std::max(cornerCapacity_, cornerCount_ + corners);
    while ((faceCapacity > faceNeed || cornerCapacity > cornerNeed)
           && modelBytes(vertexCapacity_, faceCapacity, cornerCapacity, wantColours_) > memoryLimit_) {
        faceCapacity = faceNeed + (faceCapacity - faceNeed) / 2;
        cornerCapacity = cornerNeed + (cornerCapacity - cornerNeed) / 2;
    }
    if (faceCapacity == faceCapacity_ && cornerCapacity == cornerCapacity_)
        return true; // there is room: nothing moves
    if (!withinLimit(vertexCapacity_, faceCapacity, cornerCapacity))
        return false;
    // The filling stops while the arrays move, and goes on in their new place.
    const bool filling = filler_.running();
    populated();
    if (faceCapacity != faceCapacity_) {
        if (!resize(faces_, faceCapacity))
            return outOfMemory();
        const std::size_t oldCapacity = faceCapacity_;
        faceCapacity_ = static_cast<uint32_t>(faceCapacity);
        if (faceColours_ != nullptr && !resizeFaceColours(oldCapacity))
            return false;
    }
    if (cornerCapacity != cornerCapacity_) {
        if (!resizeCorners(cornerCapacity))
            return outOfMemory();
        cornerCapacity_ = cornerCapacity;
    }
    if (filling)
        populateAhead(fillControl_);
    return true;
}

void ModelBuilder::writeTriangleRecords(uint32_t face, std::size_t corner)
{
    for (; face < faceCount_; ++face, corner += 3) {
        faces_[face].vertexCount = 3;
        faces_[face].vertices = corners_ + corner;
    }
}

bool ModelBuilder::addFaces(const FaceList& list)
{
    const std::size_t faces = list.counts.size();
    const std::size_t corners = list.corners.size();
    // A list of triangles alone leaves their records to finish, as
    // commitTriangles does.
    if (!(trianglesOnly_ && corners == 3 * faces
          && std::all_of(list.counts.begin(), list.counts.end(), [](uint32_t count) { return count == 3; })))
        endTrianglesOnly();
    if (!makeRoom(faces, corners))
        return false;
    MeshVertex** next = corners_ + cornerCount_;
    for (std::size_t i = 0; i < faces && !trianglesOnly_; ++i) {
        faces_[faceCount_ + i].vertexCount = list.counts[i];
        faces_[faceCount_ + i].vertices = next;
        next += list.counts[i];
    }
    if (!list.colours.empty()) {
        if (faceColours_ == nullptr && !startFaceColours())
            return false;
        std::copy(list.colours.begin(), list.colours.end(), faceColours_ + std::size_t{3} * faceCount_);
    }
    if (corners > 0)
        std::memcpy(corners_ + cornerCount_, list.corners.data(), corners * sizeof(MeshVertex*));
    faceCount_ += static_cast<uint32_t>(faces);
    cornerCount_ += corners;
    if (faceCount_ >= faceMark_)
        reportWritten();
    return true;
}

bool ModelBuilder::addStrips(const int32_t* indices, std::size_t count)
{
    std::size_t inStrip = 0; // vertices of the current strip so far
    for (std::size_t i = 0; i < count; ++i) {
        if (indices[i] < 0) {
            inStrip = 0;
            continue;
        }
        if (++inStrip < 3)
            continue;
        const std::size_t k = inStrip - 3; // the triangle's place in its strip
        int32_t a = indices[i - 2];
        int32_t b = indices[i - 1];
        const int32_t c = indices[i];
        if (k % 2 == 1) {
            const int32_t first = a;
            a = b;
            b = first;
        }
        if (a == b || b == c || a == c)
            continue;
        MeshVertex** slots = addFace(3);
        if (slots == nullptr)
            return false;
        slots[0] = corner(static_cast<uint32_t>(a));
        slots[1] = corner(static_cast<uint32_t>(b));
        slots[2] = corner(static_cast<uint32_t>(c));
    }
    return true;
}

MeshModel* ModelBuilder::finish(const LoadControl* control)
{
    populated();
    if (!verticesDone() || !resize(faces_, faceCount_) || !resizeCorners(cornerCount_)
        || (faceColours_ != nullptr && !resize(faceColours_, std::size_t{3} * faceCount_))) {
        outOfMemory();
        return nullptr;
    }
    auto* model = static_cast<MeshModel*>(std::malloc(sizeof(MeshModel)));
    if (model == nullptr) {
        outOfMemory();
        return nullptr;
    }
    // Triangles whose records are still to be written get them with the
    // normals.
    const bool triangles = trianglesOnly_ && faceCount_ > 0;
    if (!triangles)
        endTrianglesOnly();
    if (cornersMoved_ && !triangles) {
        MeshVertex** next = corners_;
        for (uint32_t i = 0; i < faceCount_; ++i) {
            faces_[i].vertices = next;
            next += faces_[i].vertexCount;
        }
    }
    model->frame = normalisePositions(vertices_, vertexCount_, box_.low, box_.high);
    model->unit = unit_;
    model->vertexCount = vertexCount_;
    model->vertices = vertices_;
    model->faceCount = faceCount_;
    model->faces = faces_;
    model->colours = colours_;
    model->faceColours = faceColours_;
    model->cornerBlock = corners_;
    vertices_ = nullptr;
    colours_ = nullptr;
    faceColours_ = nullptr;
    faces_ = nullptr;
    corners_ = nullptr;
    if (control != nullptr && control->onShape)
        control->onShape(*model, triangles);
    const std::atomic<bool> never{false};
    const std::atomic<bool>& cancel = control != nullptr ? control->cancel : never;
    if (!(triangles ? buildTriangleModel(model, cancel) : buildMeshModel(model, cancel))) {
        freeMeshModel(model);
        cancelled_ = true;
        return nullptr;
    }
    return model;
}

MeshModel* ModelBuilder::finishLoad(const LoadControl* control, std::string& reason)
{
    const auto stopAsked = [control] { return control != nullptr && control->cancel.load(); };
    MeshModel* model = stopAsked() ? nullptr : finish(control);
    if (model == nullptr && (cancelled_ || stopAsked()))
        reason = "loading was cancelled";
    else if (model == nullptr)
        reason = memoryReason_.empty() ? "not enough memory for the model" : memoryReason_;
    return model;
}
