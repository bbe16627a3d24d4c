#include "model/modelbuilder.h"

#include <cstdlib>
#include <cstring>
#include <functional>
#include <limits>
#include <system_error>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "model/cores.h"
#include "model/normalise.h"

namespace {

// Arrays that grow start at this many elements and double.
constexpr std::size_t kFirstCapacity = 4096;

// Asks the kernel to back a large block with huge pages: filling hundreds of
// megabytes page by page costs more than reading the file. Only a hint.
void adviseHugePages(void* block, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr std::size_t kWorthIt = std::size_t{4} << 20;
    if (block == nullptr || bytes < kWorthIt)
        return;
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0)
        return;
    const auto page = static_cast<uintptr_t>(pageSize);
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

// Resizes a malloc'd array to `count` elements (at least one).
template <typename T> bool resize(T*& array, std::size_t count)
{
    const std::size_t elements = count > 0 ? count : 1;
    if (elements > std::numeric_limits<std::size_t>::max() / sizeof(T))
        return false;
    void* resized = std::realloc(array, elements * sizeof(T));
    if (resized == nullptr)
        return false;
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

struct Region {
    void* block;
    std::size_t bytes;
};

// Has the kernel supply the pages of the regions, the last region first and
// each from its end backwards, in pieces, until told to stop. The pages'
// contents are not touched: the reader may be writing to them meanwhile.
void prefault(std::vector<Region> regions, const std::atomic<bool>& stop)
{
#ifdef MADV_POPULATE_WRITE
    constexpr uintptr_t kPiece = uintptr_t{2} << 20;
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0)
        return;
    const auto page = static_cast<uintptr_t>(pageSize);
    for (auto region = regions.rbegin(); region != regions.rend(); ++region) {
        const uintptr_t begin = (reinterpret_cast<uintptr_t>(region->block) + page - 1) & ~(page - 1);
        uintptr_t end = (reinterpret_cast<uintptr_t>(region->block) + region->bytes) & ~(page - 1);
        while (end > begin && !stop.load(std::memory_order_relaxed)) {
            const uintptr_t start = end - begin > kPiece ? ((end - kPiece) & ~(page - 1)) : begin;
            if (madvise(reinterpret_cast<void*>(start), end - start, MADV_POPULATE_WRITE) != 0)
                return; // not supported here, or no memory: the reader's own faults will do
            end = start;
        }
    }
#else
    (void)regions;
    (void)stop;
#endif
}

} // namespace

ModelBuilder::~ModelBuilder()
{
    stopPrefaulting();
    std::free(vertices_);
    std::free(colours_);
    std::free(faces_);
    std::free(corners_);
}

bool ModelBuilder::prepare(uint32_t vertexCount, uint32_t faceCount, bool colours, bool exact)
{
    declaredVertices_ = vertexCount;
    exact_ = exact;
    const std::size_t vertexRoom = exact ? vertexCount : (vertexCount < kFirstCapacity ? vertexCount : kFirstCapacity);
    const std::size_t faceRoom = exact ? faceCount : (faceCount < kFirstCapacity ? faceCount : kFirstCapacity);
    if (!resize(vertices_, vertexRoom) || !resize(faces_, faceRoom) || !resize(corners_, faceRoom * 3))
        return false;
    if (colours && !resize(colours_, vertexRoom * 3))
        return false;
    vertexCapacity_ = static_cast<uint32_t>(vertexRoom);
    faceCapacity_ = static_cast<uint32_t>(faceRoom);
    cornerCapacity_ = faceRoom * 3;
    if (exact)
        startPrefaulting();
    return true;
}

void ModelBuilder::startPrefaulting()
{
    constexpr std::size_t kWorthIt = std::size_t{16} << 20;
    std::vector<Region> regions = {{vertices_, vertexCapacity_ * sizeof(MeshVertex)},
                                   {faces_, faceCapacity_ * sizeof(MeshFace)},
                                   {corners_, cornerCapacity_ * sizeof(MeshVertex*)}};
    if (colours_ != nullptr)
        regions.insert(regions.begin() + 1, Region{colours_, vertexCapacity_ * 3 * sizeof(float)});
    std::size_t total = 0;
    for (const Region& region : regions)
        total += region.bytes;
    if (total < kWorthIt || usableCores() < 2)
        return;
    try {
        prefaulter_ = std::thread(prefault, std::move(regions), std::cref(stopPrefaulting_));
    } catch (const std::system_error&) {
        // No thread: the reader takes every fault itself.
    }
}

void ModelBuilder::stopPrefaulting()
{
    if (!prefaulter_.joinable())
        return;
    stopPrefaulting_ = true;
    prefaulter_.join();
}

bool ModelBuilder::growVertices()
{
    // Only a file with more vertices than it declares would go past the
    // declared count; the readers never ask for that.
    if (vertexCapacity_ >= declaredVertices_)
        return false;
    const std::size_t capacity = grown(vertexCapacity_, vertexCapacity_ + 1, declaredVertices_);
    if (!resize(vertices_, capacity) || (colours_ != nullptr && !resize(colours_, capacity * 3)))
        return false;
    vertexCapacity_ = static_cast<uint32_t>(capacity);
    return true;
}

bool ModelBuilder::fixVertices()
{
    if (vertexCapacity_ == vertexCount_)
        return true;
    if (!resize(vertices_, vertexCount_) || (colours_ != nullptr && !resize(colours_, vertexCount_ * std::size_t{3})))
        return false;
    vertexCapacity_ = vertexCount_;
    return true;
}

bool ModelBuilder::makeRoom(std::size_t faces, std::size_t corners)
{
    if (faces > std::numeric_limits<uint32_t>::max() - faceCount_)
        return false;
    if (faceCapacity_ - faceCount_ < faces) {
        const std::size_t capacity = grown(faceCapacity_, faceCount_ + faces, std::numeric_limits<uint32_t>::max());
        if (!resize(faces_, capacity))
            return false;
        faceCapacity_ = static_cast<uint32_t>(capacity);
    }
    if (cornerCapacity_ - cornerCount_ < corners) {
        const std::size_t capacity
            = grown(cornerCapacity_, cornerCount_ + corners, std::numeric_limits<std::size_t>::max());
        if (!resize(corners_, capacity))
            return false;
        cornerCapacity_ = capacity;
    }
    return true;
}

bool ModelBuilder::addFaces(const FaceList& list)
{
    const std::size_t faces = list.counts.size();
    const std::size_t corners = list.corners.size();
    if (!makeRoom(faces, corners))
        return false;
    for (std::size_t i = 0; i < faces; ++i)
        faces_[faceCount_ + i].vertexCount = list.counts[i];
    if (corners > 0)
        std::memcpy(corners_ + cornerCount_, list.corners.data(), corners * sizeof(MeshVertex*));
    faceCount_ += static_cast<uint32_t>(faces);
    cornerCount_ += corners;
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

MeshModel* ModelBuilder::finish()
{
    stopPrefaulting();
    if (!fixVertices() || !resize(faces_, faceCount_) || !resize(corners_, cornerCount_))
        return nullptr;
    auto* model = static_cast<MeshModel*>(std::malloc(sizeof(MeshModel)));
    if (model == nullptr)
        return nullptr;
    if (!exact_) {
        for (std::size_t i = 0; i < cornerCount_; ++i)
            corners_[i] = vertices_ + reinterpret_cast<uintptr_t>(corners_[i]);
    }
    MeshVertex** next = corners_;
    for (uint32_t i = 0; i < faceCount_; ++i) {
        faces_[i].vertices = next;
        next += faces_[i].vertexCount;
    }
    normalisePositions(vertices_, vertexCount_, box_.low, box_.high);
    model->vertexCount = vertexCount_;
    model->vertices = vertices_;
    model->faceCount = faceCount_;
    model->faces = faces_;
    model->colours = colours_;
    model->cornerBlock = corners_;
    vertices_ = nullptr;
    colours_ = nullptr;
    faces_ = nullptr;
    corners_ = nullptr;
    buildMeshModel(model);
    return model;
}
