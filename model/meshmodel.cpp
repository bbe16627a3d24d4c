#include "model/meshmodel.h"

#include <atomic>
#include <cstdlib>

#include "model/cores.h"

namespace {

// Models with at least this many faces or vertices have their independent
// per-face and per-vertex work shared between two threads.
constexpr uint32_t kShareFrom = 200000;

// Runs work(begin, end) over [0, count): on two threads for large counts.
// Each element is worked on alone, so the results do not depend on the split.
template <typename Work> void share(uint32_t count, const Work& work)
{
    if (count < kShareFrom || usableCores() < 2) {
        work(0, count);
        return;
    }
    const uint32_t middle = count / 2;
    runInTwo([&](int part) { part == 0 ? work(0, middle) : work(middle, count); });
}

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

    share(model->faceCount, [model, &stop](uint32_t begin, uint32_t end) {
        for (uint32_t i = begin; i < end; ++i) {
            if (stop(i - begin))
                return;
            MeshFace& face = model->faces[i];
            Vector3 sum = {0.0, 0.0, 0.0};
            for (uint32_t j = 0; j < face.vertexCount; ++j)
                vecAdd(sum, sum, face.vertices[j]->position);
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
    // the array.
    share(model->vertexCount, [model, &stop](uint32_t begin, uint32_t end) {
        MeshVertex* first = model->vertices + begin;
        MeshVertex* last = model->vertices + end;
        for (MeshVertex* v = first; v < last; ++v)
            v->normal = {0.0, 0.0, 0.0};
        for (uint32_t i = 0; i < model->faceCount; ++i) {
            if (stop(i))
                return;
            const MeshFace& face = model->faces[i];
            for (uint32_t j = 0; j < face.vertexCount; ++j) {
                MeshVertex* corner = face.vertices[j];
                if (corner >= first && corner < last)
                    vecAdd(corner->normal, corner->normal, face.normal);
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
