#include "model/stl/stlwelder.h"

#include <cstring>
#include <limits>

namespace {

constexpr uint64_t kLeastSlots = 1024;

} // namespace

StlWelder::StlWelder(uint64_t expectedVertices)
{
    uint64_t slots = kLeastSlots;
    // At most half full, and no larger up front than a modest file needs.
    while (slots < 2 * expectedVertices && slots < (uint64_t{1} << 26))
        slots *= 2;
    slots_.assign(static_cast<std::size_t>(slots));
    recent_.assign(kRecent);
    mask_ = slots - 1;
    keys_.assign(static_cast<std::size_t>(slots / 2 + 1));
}

void StlWelder::releaseTable()
{
    slots_.release();
}

bool StlWelder::addCorners(const float* positions, std::size_t count)
{
    const float* at[kBatchCorners] = {};
    uint64_t hashes[kBatchCorners] = {};
    uint32_t indices[kBatchCorners];
    for (std::size_t i = 0; i < count; ++i) {
        at[i] = positions + 3 * i;
        hashes[i] = hashOf(at[i]);
    }
    if (!weld(at, hashes, count, indices))
        return false;
    corners_.insert(corners_.end(), indices, indices + count);
    return true;
}

bool StlWelder::weld(const float* const positions[], const uint64_t hashes[], std::size_t count, uint32_t indices[])
{
    // The corners not among the recent vertices have the table's places
    // brought into the cache for the whole batch first; then they are
    // looked up (and added) one by one, in order.
    std::size_t missed[kBatchCorners];
    std::size_t misses = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const Slot& recent = recent_[(hashes[i] >> 40) & (kRecent - 1)];
        if (recent.index != 0 && std::memcmp(recent.key.bits, positions[i], sizeof recent.key.bits) == 0) {
            indices[i] = recent.index - 1;
        } else {
            __builtin_prefetch(&slots_[hashes[i] & mask_]);
            missed[misses++] = i;
        }
    }
    for (std::size_t m = 0; m < misses; ++m) {
        const std::size_t i = missed[m];
        if (!vertexAt(positions[i], hashes[i], indices[i]))
            return false;
        Slot& recent = recent_[(hashes[i] >> 40) & (kRecent - 1)];
        std::memcpy(recent.key.bits, positions[i], sizeof recent.key.bits);
        recent.index = indices[i] + 1;
    }
    return true;
}

void StlWelder::grow()
{
    const uint64_t slots = (mask_ + 1) * 2;
    slots_.assign(static_cast<std::size_t>(slots));
    keys_.grow(static_cast<std::size_t>(slots / 2 + 1));
    mask_ = slots - 1;
    for (uint32_t v = 0; v < vertexCount_; ++v) {
        uint64_t at = hash(keys_[v]) & mask_;
        while (slots_[at].index != 0)
            at = (at + 1) & mask_;
        slots_[at] = Slot{keys_[v], v + 1};
    }
}

bool StlWelder::vertexAt(const float position[3], uint64_t hash, uint32_t& index)
{
    Key key;
    std::memcpy(key.bits, position, sizeof key.bits);
    uint64_t at = hash & mask_;
    for (; slots_[at].index != 0; at = (at + 1) & mask_) {
        const Key& held = slots_[at].key;
        if (held.bits[0] == key.bits[0] && held.bits[1] == key.bits[1] && held.bits[2] == key.bits[2]) {
            index = slots_[at].index - 1;
            return true;
        }
    }
    if (vertexCount_ >= std::numeric_limits<uint32_t>::max() - 1)
        return false;
    index = vertexCount_++;
    keys_[index] = key;
    slots_[at] = Slot{key, index + 1};
    if (uint64_t{vertexCount_} * 2 > mask_ + 1)
        grow();
    return true;
}

void StlWelder::position(uint32_t index, float xyz[3]) const
{
    std::memcpy(xyz, keys_[index].bits, sizeof keys_[index].bits);
}

bool StlWelder::build(ModelBuilder& builder, const std::vector<uint32_t>& faceSizes, const LoadControl* control) const
{
    const uint32_t vertices = vertexCount_;
    const std::size_t faces = faceSizes.empty() ? corners_.size() / 3 : faceSizes.size();
    if (faces > std::numeric_limits<uint32_t>::max()
        || !builder.prepare(vertices, static_cast<uint32_t>(faces), false, true))
        return false;
    builder.populateAhead(control);
    MeshVertex* slots = builder.vertexSlots(0);
    for (uint32_t first = 0; first < vertices; first += kStopLookEvery) {
        if (stopAsked(control))
            return false;
        const uint32_t last = vertices - first < kStopLookEvery ? vertices : first + kStopLookEvery;
        PositionBox box;
        for (uint32_t v = first; v < last; ++v) {
            float xyz[3];
            std::memcpy(xyz, keys_[v].bits, sizeof xyz);
            slots[v].position = {xyz[0], xyz[1], xyz[2]};
            box.widen(slots[v].position);
        }
        builder.commitVertices(last - first, box);
    }
    // The corners are then written as addresses at once.
    if (!builder.verticesDone())
        return false;
    std::size_t next = 0;
    for (std::size_t f = 0; f < faces; ++f) {
        if (f % kStopLookEvery == 0 && stopAsked(control))
            return false;
        const uint32_t size = faceSizes.empty() ? 3 : faceSizes[f];
        MeshVertex** corners = size == 3 ? builder.addTriangle() : builder.addFace(size);
        if (corners == nullptr)
            return false;
        for (uint32_t c = 0; c < size; ++c)
            corners[c] = builder.corner(corners_[next++]);
    }
    return true;
}
