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
    slots_.assign(static_cast<std::size_t>(slots), 0);
    mask_ = slots - 1;
    keys_.reserve(static_cast<std::size_t>(expectedVertices < slots / 2 ? expectedVertices : slots / 2));
}

uint64_t StlWelder::hash(const Key& key)
{
    uint64_t h = (uint64_t{key.bits[0]} << 32 | key.bits[1]) * 0x9E3779B97F4A7C15ull;
    h ^= (h >> 29) ^ (uint64_t{key.bits[2]} * 0xC2B2AE3D27D4EB4Full);
    h *= 0xFF51AFD7ED558CCDull;
    return h ^ (h >> 32);
}

bool StlWelder::addCorners(const float* positions, std::size_t count)
{
    const float* at[kBatchCorners] = {};
    uint32_t indices[kBatchCorners];
    for (std::size_t i = 0; i < count; ++i)
        at[i] = positions + 3 * i;
    if (!weld(at, count, indices))
        return false;
    corners_.insert(corners_.end(), indices, indices + count);
    return true;
}

bool StlWelder::weld(const float* const positions[], std::size_t count, uint32_t indices[])
{
    // First the table's slots, then the vertices they hold, are brought
    // into the cache for the whole batch; then the corners are looked up
    // (and added) one by one as usual.
    uint64_t at[kBatchCorners];
    for (std::size_t i = 0; i < count; ++i) {
        Key key;
        std::memcpy(key.bits, positions[i], sizeof key.bits);
        at[i] = hash(key) & mask_;
        __builtin_prefetch(&slots_[at[i]]);
    }
    for (std::size_t i = 0; i < count; ++i) {
        const uint32_t slot = slots_[at[i]];
        if (slot != 0)
            __builtin_prefetch(&keys_[slot - 1]);
    }
    for (std::size_t i = 0; i < count; ++i) {
        if (!vertexAt(positions[i], indices[i]))
            return false;
    }
    return true;
}

void StlWelder::grow()
{
    const uint64_t slots = (mask_ + 1) * 2;
    slots_.assign(static_cast<std::size_t>(slots), 0);
    mask_ = slots - 1;
    for (std::size_t v = 0; v < keys_.size(); ++v) {
        uint64_t at = hash(keys_[v]) & mask_;
        while (slots_[at] != 0)
            at = (at + 1) & mask_;
        slots_[at] = static_cast<uint32_t>(v + 1);
    }
}

bool StlWelder::vertexAt(const float position[3], uint32_t& index)
{
    Key key;
    std::memcpy(key.bits, position, sizeof key.bits);
    uint64_t at = hash(key) & mask_;
    for (uint32_t slot; (slot = slots_[at]) != 0; at = (at + 1) & mask_) {
        const Key& held = keys_[slot - 1];
        if (held.bits[0] == key.bits[0] && held.bits[1] == key.bits[1] && held.bits[2] == key.bits[2]) {
            index = slot - 1;
            return true;
        }
    }
    if (keys_.size() >= std::numeric_limits<uint32_t>::max() - 1)
        return false;
    index = static_cast<uint32_t>(keys_.size());
    keys_.push_back(key);
    slots_[at] = index + 1;
    if (keys_.size() * 2 > mask_ + 1)
        grow();
    return true;
}

void StlWelder::position(uint32_t index, float xyz[3]) const
{
    std::memcpy(xyz, keys_[index].bits, sizeof keys_[index].bits);
}

bool StlWelder::build(ModelBuilder& builder, const std::vector<uint32_t>& faceSizes) const
{
    const auto vertices = static_cast<uint32_t>(keys_.size());
    const std::size_t faces = faceSizes.empty() ? corners_.size() / 3 : faceSizes.size();
    if (faces > std::numeric_limits<uint32_t>::max()
        || !builder.prepare(vertices, static_cast<uint32_t>(faces), false, true))
        return false;
    MeshVertex* slots = builder.vertexSlots(0);
    PositionBox box;
    for (uint32_t v = 0; v < vertices; ++v) {
        float xyz[3];
        std::memcpy(xyz, keys_[v].bits, sizeof xyz);
        slots[v].position = {xyz[0], xyz[1], xyz[2]};
        box.widen(slots[v].position);
    }
    builder.commitVertices(vertices, box);
    std::size_t next = 0;
    for (std::size_t f = 0; f < faces; ++f) {
        const uint32_t size = faceSizes.empty() ? 3 : faceSizes[f];
        MeshVertex** corners = builder.addFace(size);
        if (corners == nullptr)
            return false;
        for (uint32_t c = 0; c < size; ++c)
            corners[c] = builder.corner(corners_[next++]);
    }
    return true;
}
