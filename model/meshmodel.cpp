#include "model/meshmodel.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <vector>

#include "model/cores.h"

namespace {

// Models with at least this many faces or vertices have their independent
// per-face and per-vertex work shared between two threads.
constexpr uint32_t kShareFrom = 200000;
// Faces are taken in blocks of this many for the vertex normals: a block
// whose corners all lie outside a thread's vertices is passed over.
constexpr uint32_t kFaceBlock = 4096;

// Runs work(begin, end) over [0, count), on two threads for large counts,
// split at a multiple of `step`. Each element is worked on alone, so the
// results do not depend on the split.
template <typename Work> void share(uint32_t count, uint32_t step, const Work& work)
{
    splitInTwo(count, kShareFrom, step, work);
}

// The lowest and highest corner of a block of faces.
struct CornerRange {
    const MeshVertex* low;
    const MeshVertex* high;
};

} // namespace

void buildMeshModel(MeshModel* model)
{
    const std::atomic<bool> never{false};
    buildMeshModel(model, never);
}

bool buildMeshModel(MeshModel* model, const std::atomic<bool>& cancel)
{
    if (model == nullptr)
        return true;
    // Stretches of work between looks at cancel.
    constexpr uint32_t kStretch = 65536;
    const auto stop = [&cancel](uint32_t i) { return i % kStretch == 0 && cancel.load(std::memory_order_relaxed); };

    const uint32_t blocks = model->faceCount / kFaceBlock + 1;
    std::vector<CornerRange> ranges(blocks, CornerRange{model->vertices + model->vertexCount, model->vertices});
    share(model->faceCount, kFaceBlock, [model, &stop, &ranges](uint32_t begin, uint32_t end) {
        for (uint32_t i = begin; i < end; ++i) {
            if (stop(i - begin))
                return;
            MeshFace& face = model->faces[i];
            CornerRange& range = ranges[i / kFaceBlock];
            Vector3 sum = {0.0, 0.0, 0.0};
            for (uint32_t j = 0; j < face.vertexCount; ++j) {
                const MeshVertex* corner = face.vertices[j];
                range.low = corner < range.low ? corner : range.low;
                range.high = corner > range.high ? corner : range.high;
                vecAdd(sum, sum, corner->position);
            }
            if (face.vertexCount > 0)
                vecDivide(face.center, sum, static_cast<double>(face.vertexCount));
            else
                face.center = sum;

            if (face.vertexCount >= 3) {
                Vector3 firstEdge;
                Vector3 secondEdge;
                vecSub(firstEdge, face.vertices[1]->position, face.vertices[0]->position);
                vecSub(secondEdge, face.vertices[2]->position, face.vertices[1]->position);
                vecCross(face.normal, firstEdge, secondEdge);
                vecNormalize(face.normal);
            } else {
                face.normal = {0.0, 0.0, 0.0};
            }
        }
    });

    if (cancel.load(std::memory_order_relaxed))
        return false;
    // In face order, so every vertex sums its faces' normals in file order;
    // each thread sums (and then normalises) for the vertices of its part of
    // the array, passing over the blocks of faces that have no corner there.
    share(model->vertexCount, 1, [model, &cancel, &ranges](uint32_t begin, uint32_t end) {
        MeshVertex* first = model->vertices + begin;
        MeshVertex* last = model->vertices + end;
        for (MeshVertex* v = first; v < last; ++v)
            v->normal = {0.0, 0.0, 0.0};
        for (std::size_t block = 0; block < ranges.size(); ++block) {
            if (ranges[block].high < first || ranges[block].low >= last)
                continue;
            if (cancel.load(std::memory_order_relaxed))
                return;
            const uint64_t blockEnd = std::min<uint64_t>(model->faceCount, (block + 1) * uint64_t{kFaceBlock});
            for (uint64_t i = block * uint64_t{kFaceBlock}; i < blockEnd; ++i) {
                const MeshFace& face = model->faces[i];
                for (uint32_t j = 0; j < face.vertexCount; ++j) {
                    MeshVertex* corner = face.vertices[j];
                    if (corner >= first && corner < last)
                        vecAdd(corner->normal, corner->normal, face.normal);
                }
            }
        }
        for (MeshVertex* v = first; v < last; ++v)
            vecNormalize(v->normal);
    });
    return !cancel.load(std::memory_order_relaxed);
}

void freeMeshModel(MeshModel* model)
{
    if (model == nullptr)
        return;
    // The vertex array goes first: freed while the many small corner arrays
    // still hold the heap around it, it does not make the allocator give the
    // whole heap back to the system, which the next model would then have
    // to fault in again page by page.
    std::free(model->vertices);
    if (model->cornerBlock != nullptr) {
        std::free(model->cornerBlock);
    } else if (model->faces != nullptr) {
        for (uint32_t i = 0; i < model->faceCount; ++i)
            std::free(model->faces[i].vertices);
    }
    std::free(model->faces);
    std::free(model->colours);
    std::free(model->faceColours);
    std::free(model);
}

void swapModelAxes(MeshModel* model)
{
    if (model == nullptr)
        return;
    for (uint32_t i = 0; i < model->vertexCount; ++i) {
        Vector3& p = model->vertices[i].position;
        const Vector3 old = p;
        p.x = old.y;
        p.y = old.z;
        p.z = old.x;
    }
}
