#include "model/stl/stlsplitwelder.h"

#include <cstring>
#include <limits>

#include "model/cores.h"
#include "model/stl/stlrecord.h"

namespace {

// A table's vertex indices carry the table in their lowest bit.
constexpr uint32_t kMostPerPart = std::numeric_limits<uint32_t>::max() / 2 - 1;

} // namespace

StlSplitWelder::StlSplitWelder(uint64_t expectedVertices, std::size_t corners)
    : parts_{StlWelder(expectedVertices / 2 + 1), StlWelder(expectedVertices / 2 + 1)}
{
    corners_.assign(corners);
}

bool StlSplitWelder::weldPart(int part, const char* records, std::size_t count, std::size_t& badTriangle)
{
    // The part's corners a batch at a time, so that the table looks them up
    // with its memory asked for ahead of use.
    StlWelder& table = parts_[part];
    float positions[StlWelder::kBatchCorners][3];
    const float* batch[StlWelder::kBatchCorners] = {};
    uint64_t hashes[StlWelder::kBatchCorners] = {};
    std::size_t places[StlWelder::kBatchCorners];
    uint32_t indices[StlWelder::kBatchCorners];
    std::size_t inBatch = 0;
    const auto weldBatch = [&] {
        if (!table.weld(batch, hashes, inBatch, indices))
            return false;
        for (std::size_t i = 0; i < inBatch; ++i) {
            if (indices[i] > kMostPerPart)
                return false;
            corners_[places[i]] = indices[i] * 2 + static_cast<uint32_t>(part);
        }
        inBatch = 0;
        return true;
    };
    badTriangle = count;
    for (std::size_t t = 0; t < count; ++t) {
        const char* record = records + t * kStlTriangleBytes;
        for (int c = 0; c < 3; ++c) {
            float* position = positions[inBatch];
            const bool finite = stlCorner(record, c, position);
            // The highest bit of the hash, which the tables do not place
            // their vertices by, says which table the position belongs to.
            const uint64_t hash = StlWelder::hashOf(position);
            if (static_cast<int>(hash >> 63) != part)
                continue;
            if (!finite) {
                badTriangle = t;
                return false;
            }
            batch[inBatch] = position;
            hashes[inBatch] = hash;
            places[inBatch] = added_ + 3 * t + static_cast<std::size_t>(c);
            if (++inBatch == StlWelder::kBatchCorners && !weldBatch())
                return false;
        }
    }
    return weldBatch();
}

bool StlSplitWelder::addTriangles(const char* records, std::size_t count, std::size_t& badTriangle)
{
    badTriangle = count;
    if (count > (corners_.size() - added_) / 3)
        return false;
    std::size_t bad[2] = {count, count};
    bool welded[2] = {true, true};
    runInTwo([&](int part) { welded[part] = weldPart(part, records, count, bad[part]); });
    added_ += 3 * count;
    badTriangle = bad[0] < bad[1] ? bad[0] : bad[1];
    return welded[0] && welded[1];
}

bool StlSplitWelder::build(ModelBuilder& builder, const LoadControl* control)
{
    parts_[0].releaseTable();
    parts_[1].releaseTable();
    const uint64_t vertices = uint64_t{parts_[0].vertexCount()} + parts_[1].vertexCount();
    const std::size_t faces = added_ / 3;
    if (vertices >= std::numeric_limits<uint32_t>::max() - 1 || faces > std::numeric_limits<uint32_t>::max()
        || !builder.prepare(static_cast<uint32_t>(vertices), static_cast<uint32_t>(faces), false, true))
        return false;
    // The model's pages are taken on another thread as they are written.
    builder.populateAhead(control);
    // Both tables' numbers become one numbering in the order of first use.
    ScratchArray<uint32_t> numbers[2]
        = {ScratchArray<uint32_t>(parts_[0].vertexCount()),
           ScratchArray<uint32_t>(parts_[1].vertexCount())};          // final index + 1, 0 while unused
    ScratchArray<uint32_t> order(static_cast<std::size_t>(vertices)); // the table's index * 2 + part, by final index
    uint32_t numbered = 0;
    for (std::size_t c = 0; c < added_; ++c) {
        if (c % StlWelder::kStopLookEvery == 0 && StlWelder::stopAsked(control))
            return false;
        const uint32_t welded = corners_[c];
        uint32_t& number = numbers[welded & 1][welded >> 1];
        if (number == 0) {
            order[numbered] = welded;
            number = ++numbered;
        }
        corners_[c] = number - 1;
    }
    MeshVertex* slots = builder.vertexSlots(0);
    for (uint32_t first = 0; first < numbered; first += StlWelder::kStopLookEvery) {
        if (StlWelder::stopAsked(control))
            return false;
        const uint32_t last
            = numbered - first < StlWelder::kStopLookEvery ? numbered : first + StlWelder::kStopLookEvery;
        PositionBox box;
        for (uint32_t v = first; v < last; ++v) {
            float xyz[3];
            parts_[order[v] & 1].position(order[v] >> 1, xyz);
            slots[v].position = {xyz[0], xyz[1], xyz[2]};
            box.widen(slots[v].position);
        }
        builder.commitVertices(last - first, box);
    }
    // The corners are then written as addresses at once.
    if (!builder.verticesDone())
        return false;
    for (std::size_t f = 0; f < faces; ++f) {
        if (f % StlWelder::kStopLookEvery == 0 && StlWelder::stopAsked(control))
            return false;
        MeshVertex** corners = builder.addTriangle();
        if (corners == nullptr)
            return false;
        for (std::size_t c = 0; c < 3; ++c)
            corners[c] = builder.corner(corners_[3 * f + c]);
    }
    return true;
}
