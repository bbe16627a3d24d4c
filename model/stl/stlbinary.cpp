#include <cstdint>
#include <cstring>
#include <vector>

#include "model/cores.h"
#include "model/stl/stlbody.h"
#include "model/stl/stlrecord.h"
#include "model/stl/stlsplitwelder.h"
#include "model/stl/stlwelder.h"
#include "model/tuning.h"

namespace {

constexpr std::size_t kHeaderBytes = 84;
// Triangles welded at once.
constexpr uint32_t kBatchTriangles = 32;
// The welding table's first size for a count the file's size cannot confirm.
constexpr uint32_t kUncheckedVertices = 4096;
// Files of at least kSplitTriangles triangles are welded on two cores,
// kRunTriangles at a time.
constexpr uint32_t kSplitTriangles = tuning::kStlSplitTriangles;
constexpr uint32_t kRunTriangles = tuning::kStlRunTriangles;

uint32_t littleEndian32(const char* bytes)
{
    const auto* b = reinterpret_cast<const unsigned char*>(bytes);
    return uint32_t{b[0]} | uint32_t{b[1]} << 8 | uint32_t{b[2]} << 16 | uint32_t{b[3]} << 24;
}

std::string notFinite(uint64_t triangle)
{
    return "facet " + std::to_string(triangle + 1) + ": a coordinate is not finite";
}

std::string endsIn(uint64_t triangle, uint32_t count)
{
    return "the file ends in triangle " + std::to_string(triangle) + " of " + std::to_string(count);
}

// Reads triangles first .. first + n - 1 of `count` into corners (nine
// coordinates each); false with the reason when the file is at fault.
bool readTriangles(BlockReader& in, uint32_t first, uint32_t n, uint32_t count, float* corners, std::string& reason)
{
    for (uint32_t t = first; t < first + n; ++t) {
        const char* triangle = nullptr;
        if (!in.take(kStlTriangleBytes, triangle)) {
            reason = stlStopReason(in);
            if (reason.empty())
                reason = endsIn(uint64_t{t} + 1, count);
            return false;
        }
        float* slots = corners + 9 * (t - first);
        if (!stlCorner(triangle, 0, slots) || !stlCorner(triangle, 1, slots + 3)
            || !stlCorner(triangle, 2, slots + 6)) {
            reason = notFinite(t);
            return false;
        }
    }
    return true;
}

bool memoryFault(const ModelBuilder& builder, std::string& reason)
{
    reason = builder.memoryReason().empty() ? "not enough memory for the model" : builder.memoryReason();
    return false;
}

// Why handing the welded mesh to the builder failed.
bool buildFault(BlockReader& in, const ModelBuilder& builder, std::string& reason)
{
    if (!in.cancelRequested())
        return memoryFault(builder, reason);
    reason = "loading was cancelled";
    return false;
}

} // namespace

std::string stlStopReason(const BlockReader& in)
{
    if (in.stop() == BlockReader::Stop::cancelled)
        return "loading was cancelled";
    if (in.stop() == BlockReader::Stop::readError)
        return "the file could not be read";
    return std::string();
}

bool readStlBinary(BlockReader& in, long long fileBytes, ModelBuilder& builder, std::string& reason)
{
    const char* header = nullptr;
    if (!in.take(kHeaderBytes, header)) {
        reason = stlStopReason(in);
        if (reason.empty())
            reason = "the file ends in its 84-byte header";
        return false;
    }
    const uint32_t count = littleEndian32(header + 80);
    if (fileBytes >= 0) {
        const uint64_t body = static_cast<uint64_t>(fileBytes) - kHeaderBytes;
        if (body / kStlTriangleBytes < count) {
            reason = endsIn(body / kStlTriangleBytes + 1, count);
            return false;
        }
    }
    // Closed meshes have about half as many vertices as triangles; a stream
    // of unknown size gets a small table first, whatever its count claims.
    const uint32_t expected = count / 2 + 16;
    if (fileBytes >= 0 && count >= kSplitTriangles && usableCores() >= 2) {
        StlSplitWelder welder(expected, std::size_t{count} * 3);
        for (uint32_t t = 0; t < count;) {
            const uint32_t run = count - t < kRunTriangles ? count - t : kRunTriangles;
            const char* records = nullptr;
            if (!in.take(std::size_t{run} * kStlTriangleBytes, records)) {
                // The file has changed or cannot be read: where, triangle by
                // triangle.
                std::vector<float> corners(std::size_t{run} * 9);
                if (readTriangles(in, t, run, count, corners.data(), reason))
                    reason = "the file could not be read";
                return false;
            }
            std::size_t bad = run;
            if (!welder.addTriangles(records, run, bad)) {
                if (bad < run)
                    reason = notFinite(uint64_t{t} + bad);
                return bad < run ? false : memoryFault(builder, reason);
            }
            t += run;
        }
        return welder.build(builder, in.control()) || buildFault(in, builder, reason);
    }
    StlWelder welder(fileBytes >= 0 || expected < kUncheckedVertices ? expected : kUncheckedVertices);
    welder.reserveCorners(fileBytes >= 0 ? uint64_t{count} * 3 : kUncheckedVertices);
    // Triangles are welded a batch at a time, so that the table's memory is
    // asked for ahead of use.
    float corners[kBatchTriangles * 9];
    for (uint32_t t = 0; t < count;) {
        const uint32_t batch = count - t < kBatchTriangles ? count - t : kBatchTriangles;
        if (!readTriangles(in, t, batch, count, corners, reason))
            return false;
        if (!welder.addCorners(corners, 3 * batch))
            return memoryFault(builder, reason);
        t += batch;
    }
    return welder.build(builder, {}, in.control()) || buildFault(in, builder, reason);
}
