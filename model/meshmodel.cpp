#include "model/meshmodel.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "model/cores.h"
#include "model/tuning.h"

namespace {

// Models with at least kShareFrom faces and vertices have their normals
// built on two threads.
constexpr uint32_t kShareFrom = tuning::kShareFrom;
// Faces are taken in blocks of this many: a thread passes over a block of
// the other thread's faces that has no corner among its own vertices.
constexpr uint32_t kFaceBlock = 4096;
// Stretches of work between looks at cancel.
constexpr uint32_t kStretch = tuning::kCancelStretch;

// A face's centre (the mean of its corners) and normal (from its first
// three corners, unit length, or zero for fewer corners).
inline void centreAndNormal(const MeshFace& face, Vector3& centre, Vector3& normal)
{
    Vector3 sum = {0.0, 0.0, 0.0};
    for (uint32_t j = 0; j < face.vertexCount; ++j)
        vecAdd(sum, sum, face.vertices[j]->position);
    if (face.vertexCount > 0)
        vecDivide(centre, sum, static_cast<double>(face.vertexCount));
    else
        centre = sum;
    if (face.vertexCount >= 3) {
        Vector3 firstEdge;
        Vector3 secondEdge;
        vecSub(firstEdge, face.vertices[1]->position, face.vertices[0]->position);
        vecSub(secondEdge, face.vertices[2]->position, face.vertices[1]->position);
        vecCross(normal, firstEdge, secondEdge);
        vecNormalize(normal);
    } else {
        normal = {0.0, 0.0, 0.0};
    }
}

// Whether a corner of faces [begin, end) is one of the vertices [first,
// last). Only the corners are read when one block holds them all, in face
// order; otherwise every block is taken to have one.
bool hasCornerIn(const MeshModel& model, bool triangles, uint32_t begin, uint32_t end, const MeshVertex* first,
                 const MeshVertex* last)
{
    if (model.cornerBlock == nullptr)
        return true;
    MeshVertex* const* from = model.cornerBlock + std::size_t{3} * begin;
    MeshVertex* const* stop = model.cornerBlock + std::size_t{3} * end;
    if (!triangles) {
        const MeshFace& lastFace = model.faces[end - 1];
        from = model.faces[begin].vertices;
        stop = lastFace.vertices + lastFace.vertexCount;
    }
    for (MeshVertex* const* corner = from; corner < stop; ++corner) {
        if (*corner >= first && *corner < last)
            return true;
    }
    return false;
}

// Adds the normal to those of the face's corners in [low, high).
inline void addToCorners(const MeshFace& face, const Vector3& normal, MeshVertex* low, MeshVertex* high)
{
    for (uint32_t j = 0; j < face.vertexCount; ++j) {
        MeshVertex* corner = face.vertices[j];
        if (corner >= low && corner < high)
            vecAdd(corner->normal, corner->normal, normal);
    }
}

static_assert(sizeof(MeshFace) == 64 && offsetof(MeshFace, vertices) == 8 && offsetof(MeshFace, normal) == 16
                  && offsetof(MeshFace, center) == 40,
              "a triangle's record is written as four 16-byte pieces");

#if defined(__SSE2__)
// Writes a triangle's whole record past the cache: the record's line is
// neither read first nor kept, which halves what a large model's faces
// cost to write. Needs a record on a 16-byte boundary, as malloc gives.
inline void streamFace(MeshFace& out, MeshVertex** corners, const Vector3& normal, const Vector3& centre)
{
    auto* const words = reinterpret_cast<double*>(&out);
    _mm_stream_si128(reinterpret_cast<__m128i*>(&out),
                     _mm_set_epi64x(static_cast<long long>(reinterpret_cast<uintptr_t>(corners)), 3));
    _mm_stream_pd(words + 2, _mm_set_pd(normal.y, normal.x));
    _mm_stream_pd(words + 4, _mm_set_pd(centre.x, normal.z));
    _mm_stream_pd(words + 6, _mm_set_pd(centre.z, centre.y));
}

// The streamed records are out before any later store.
inline void fenceStreamedFaces()
{
    _mm_sfence();
}
#else
// Writes a triangle's whole record, byte for byte what the streaming stores
// write: the corner count as eight bytes (its padding zero), the corners,
// the normal and the centre.
inline void streamFace(MeshFace& out, MeshVertex** corners, const Vector3& normal, const Vector3& centre)
{
    const uint64_t words[2] = {3, static_cast<uint64_t>(reinterpret_cast<uintptr_t>(corners))};
    const double values[6] = {normal.x, normal.y, normal.z, centre.x, centre.y, centre.z};
    auto* const bytes = reinterpret_cast<unsigned char*>(&out);
    std::memcpy(bytes, words, sizeof words);
    std::memcpy(bytes + sizeof words, values, sizeof values);
}

// Plain stores need only be ordered before the later ones.
inline void fenceStreamedFaces()
{
    std::atomic_thread_fence(std::memory_order_release);
}
#endif

// One thread's share of the normals: the centres and normals of faces
// [ownBegin, ownEnd), and the normals of vertices [first, last), each the sum
// of the normals of the faces that use it in face order, brought to unit
// length. The faces of other blocks with a corner among those vertices have
// their normals worked out again here, the same way, rather than read.
// False when cancelled.
bool buildShare(MeshModel& model, bool triangles, uint32_t ownBegin, uint32_t ownEnd, uint32_t first, uint32_t last,
                const std::atomic<bool>& cancel)
{
    MeshVertex* const low = model.vertices + first;
    MeshVertex* const high = model.vertices + last;
    for (MeshVertex* v = low; v < high; ++v)
        v->normal = {0.0, 0.0, 0.0};
    for (uint64_t begin = 0; begin < model.faceCount; begin += kFaceBlock) {
        const auto end = static_cast<uint32_t>(std::min<uint64_t>(model.faceCount, begin + kFaceBlock));
        const bool own = begin >= ownBegin && begin < ownEnd;
        if (begin % kStretch == 0 && cancel.load(std::memory_order_relaxed)) {
            if (triangles)
                fenceStreamedFaces(); // the streamed records are out before the model goes
            return false;
        }
        if (!own && (low == high || !hasCornerIn(model, triangles, static_cast<uint32_t>(begin), end, low, high)))
            continue;
        for (auto i = static_cast<uint32_t>(begin); i < end; ++i) {
            Vector3 centre;
            Vector3 normal;
            if (triangles) {
                // The record is written whole, here, from the corners.
                const MeshFace face = {3, model.cornerBlock + std::size_t{3} * i, {}, {}};
                centreAndNormal(face, centre, normal);
                if (own)
                    streamFace(model.faces[i], face.vertices, normal, centre);
                addToCorners(face, normal, low, high);
                continue;
            }
            MeshFace& face = model.faces[i];
            centreAndNormal(face, centre, normal);
            if (own) {
                face.center = centre;
                face.normal = normal;
            }
            addToCorners(face, normal, low, high);
        }
    }
    if (triangles)
        fenceStreamedFaces();
    for (MeshVertex* v = low; v < high; ++v)
        vecNormalize(v->normal);
    return true;
}

// The normals as buildMeshModel makes them; with `triangles` as
// buildTriangleModel does, writing the faces' records whole.
bool buildNormals(MeshModel* model, bool triangles, const std::atomic<bool>& cancel)
{
    if (model == nullptr)
        return true;
    const uint32_t faces = model->faceCount;
    const uint32_t vertices = model->vertexCount;
    if (faces < kShareFrom || vertices < kShareFrom || usableCores() < 2)
        return buildShare(*model, triangles, 0, faces, 0, vertices, cancel) && !cancel.load(std::memory_order_relaxed);
    // Each thread owns half the faces (whole blocks) and half the vertices.
    const uint32_t middleFace = faces / 2 / kFaceBlock * kFaceBlock;
    const uint32_t middleVertex = vertices / 2;
    runInTwo([&](int part) {
        if (part == 0)
            buildShare(*model, triangles, 0, middleFace, 0, middleVertex, cancel);
        else
            buildShare(*model, triangles, middleFace, faces, middleVertex, vertices, cancel);
    });
    return !cancel.load(std::memory_order_relaxed);
}

} // namespace

void buildMeshModel(MeshModel* model)
{
    const std::atomic<bool> never{false};
    buildMeshModel(model, never);
}

bool buildMeshModel(MeshModel* model, const std::atomic<bool>& cancel)
{
    return buildNormals(model, false, cancel);
}

bool buildTriangleModel(MeshModel* model, const std::atomic<bool>& cancel)
{
    const bool aligned = model == nullptr || reinterpret_cast<uintptr_t>(model->faces) % 16 == 0;
    if (model != nullptr && !aligned) {
        for (uint32_t i = 0; i < model->faceCount; ++i) {
            model->faces[i].vertexCount = 3;
            model->faces[i].vertices = model->cornerBlock + std::size_t{3} * i;
        }
    }
    return buildNormals(model, aligned, cancel);
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
    model->frame = swappedFrame(model->frame);
}
