#include "model/ply/plybinaryruns.h"

#include <cmath>

#include "model/ply/plybinaryvalues.h"

namespace {

// A face item's bytes for `count` corners.
constexpr std::size_t faceBytes(std::size_t count)
{
    return 1 + 4 * count;
}

template <bool FloatPositions>
uint32_t readVertices(const char* bytes, uint32_t count, const PlyVertexRecord& record, MeshVertex* slots,
                      float* colourSlots, PositionBox& box)
{
    for (uint32_t i = 0; i < count; ++i, bytes += record.bytes) {
        Vector3 p;
        if constexpr (FloatPositions) {
            p = {plyLoad<float>(bytes + record.offset[0], false), plyLoad<float>(bytes + record.offset[1], false),
                 plyLoad<float>(bytes + record.offset[2], false)};
        } else {
            p = {plyLoadNumber(bytes + record.offset[0], record.type[0], record.swap),
                 plyLoadNumber(bytes + record.offset[1], record.type[1], record.swap),
                 plyLoadNumber(bytes + record.offset[2], record.type[2], record.swap)};
        }
        if (!std::isfinite(p.x) || !std::isfinite(p.y) || !std::isfinite(p.z))
            return i;
        slots[i].position = p;
        box.widen(p);
        if (record.colours) {
            float* rgb = colourSlots + 3 * static_cast<std::size_t>(i);
            for (int c = 0; c < 3; ++c) {
                rgb[c] = plyClampChannel(plyLoadNumber(bytes + record.offset[3 + c], record.type[3 + c], record.swap)
                                         * record.scale[c]);
            }
        }
    }
    return count;
}

inline int64_t loadCount(const char* p, const PlyFaceRecord& record)
{
    return record.signedCount ? static_cast<int8_t>(*p) : static_cast<uint8_t>(*p);
}

inline int64_t loadIndex(const char* p, const PlyFaceRecord& record)
{
    return record.signedIndex ? static_cast<int64_t>(plyLoad<int32_t>(p, record.swap))
                              : static_cast<int64_t>(plyLoad<uint32_t>(p, record.swap));
}

} // namespace

uint32_t readPlyVertexRun(const char* bytes, uint32_t count, const PlyVertexRecord& record, MeshVertex* slots,
                          float* colourSlots, PositionBox& box)
{
    const bool floats = !record.swap && record.type[0] == PlyType::float32 && record.type[1] == PlyType::float32
                        && record.type[2] == PlyType::float32;
    return floats ? readVertices<true>(bytes, count, record, slots, colourSlots, box)
                  : readVertices<false>(bytes, count, record, slots, colourSlots, box);
}

PlyFaceRun walkPlyFaceRun(const char* bytes, const char* end, uint32_t most, const PlyFaceRecord& record)
{
    PlyFaceRun run;
    const char* p = bytes;
    while (run.faces < most && p < end) {
        const int64_t count = loadCount(p, record);
        if (count < 3 || static_cast<std::size_t>(end - p) < faceBytes(static_cast<std::size_t>(count)))
            break;
        p += faceBytes(static_cast<std::size_t>(count));
        run.corners += static_cast<std::size_t>(count);
        ++run.faces;
    }
    run.bytes = static_cast<std::size_t>(p - bytes);
    return run;
}

PlyFaceRun plyTriangleRun(uint32_t faces)
{
    return {faces, std::size_t{3} * faces, faceBytes(3) * faces};
}

PlyFaceStop readPlyFaceRun(const char* bytes, const PlyFaceRun& run, bool triangles, const PlyFaceRecord& record,
                           MeshVertex* cornerBase, MeshFace* faces, MeshVertex** corners)
{
    PlyFaceStop stop;
    for (uint32_t i = 0; i < run.faces; ++i) {
        const auto count = static_cast<uint32_t>(loadCount(bytes, record));
        if (triangles && count != 3) {
            stop.kind = PlyFaceStop::notTriangle;
            stop.face = i;
            return stop;
        }
        const char* index = bytes + 1;
        if (!triangles) {
            faces[i].vertexCount = count;
            faces[i].vertices = corners;
        }
        for (uint32_t j = 0; j < count; ++j, index += 4) {
            const int64_t value = loadIndex(index, record);
            if (value < 0 || value >= record.vertexCount) {
                stop.kind = PlyFaceStop::badIndex;
                stop.face = i;
                stop.index = value;
                return stop;
            }
            corners[j] = cornerBase + value;
        }
        corners += count;
        bytes = index;
    }
    return stop;
}
