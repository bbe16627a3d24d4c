#include "model/gltf/gltfprimitive.h"

#include <algorithm>
#include <cstring>

#include "model/bigmemory.h"
#include "model/cores.h"
#include "model/gltf/gltfaccessor.h"
#include "model/gltf/gltfdraco.h"
#include "model/tuning.h"

namespace {

constexpr uint32_t kCancelMask = 65535;

bool stopAsked(const LoadControl* control)
{
    return control != nullptr && control->cancel.load(std::memory_order_relaxed);
}

// Appends the triangle unless two of its corners are the same index.
void addTriangle(std::vector<uint32_t>& triangles, uint32_t a, uint32_t b, uint32_t c)
{
    if (a == b || b == c || a == c)
        return;
    triangles.push_back(a);
    triangles.push_back(b);
    triangles.push_back(c);
}

// The triangles of a strip (mode 5) or fan (mode 6) of indices, as glTF
// splits them.
bool splitTriangles(const std::vector<uint32_t>& indices, uint32_t mode, std::vector<uint32_t>& triangles,
                    const LoadControl* control)
{
    const std::size_t n = indices.size();
    const uint32_t* p = indices.data();
    if (n < 3)
        return true;
    triangles.reserve((n - 2) * 3);
    for (std::size_t i = 0; i + 2 < n; ++i) {
        if (mode == 5)
            addTriangle(triangles, p[i], p[i + 1 + i % 2], p[i + 2 - i % 2]);
        else
            addTriangle(triangles, p[i + 1], p[i + 2], p[0]);
        if ((i & kCancelMask) == 0 && stopAsked(control))
            return false;
    }
    return true;
}

uint32_t positionHash(const uint32_t* bits)
{
    uint32_t h = bits[0] * 0x9E3779B1u;
    h = (h ^ bits[1]) * 0x85EBCA77u;
    h = (h ^ bits[2]) * 0xC2B2AE3Du;
    return h ^ (h >> 15);
}

// A position's hash and the first vertex found there, plus one (0: an empty
// slot). Positions are compared only when their hashes are equal.
struct WeldSlot {
    uint32_t hash;
    uint32_t first;
};

// For every used vertex whose hash has the top bit `half`: the first vertex
// (in vertex order) at the same position, into `first`. Each half has a
// table of its own, so the two halves may run at once. False when the
// control asks the load to stop.
bool findFirsts(const float* positions, const std::vector<uint8_t>& used, uint32_t half, std::vector<uint32_t>& first,
                const LoadControl* control)
{
    const auto vertices = static_cast<uint32_t>(used.size());
    const auto bitsOf
        = [positions](uint32_t v, uint32_t* bits) { std::memcpy(bits, positions + 3 * std::size_t{v}, 12); };
    std::size_t count = 0;
    for (uint32_t v = 0; v < vertices; ++v) {
        uint32_t bits[3];
        bitsOf(v, bits);
        count += used[v] != 0 && positionHash(bits) >> 31 == half;
    }
    std::size_t capacity = 16;
    while (capacity < 2 * count)
        capacity *= 2;
    const auto mask = static_cast<uint32_t>(capacity - 1);
    std::vector<WeldSlot> table;
    assignLarge(table, capacity, WeldSlot{0, 0});
    for (uint32_t v = 0; v < vertices; ++v) {
        if ((v & kCancelMask) == kCancelMask && stopAsked(control))
            return false;
        uint32_t bits[3];
        bitsOf(v, bits);
        const uint32_t hash = positionHash(bits);
        if (used[v] == 0 || hash >> 31 != half)
            continue;
        uint32_t slot = hash & mask;
        while (table[slot].first != 0
               && (table[slot].hash != hash
                   || std::memcmp(positions + 3 * std::size_t{table[slot].first - 1}, bits, sizeof bits) != 0))
            slot = (slot + 1) & mask;
        if (table[slot].first == 0) {
            table[slot].hash = hash;
            table[slot].first = v + 1;
        }
        first[v] = table[slot].first - 1;
    }
    return true;
}

void clampColours(std::vector<float>& colours)
{
    for (float& c : colours)
        c = c >= 0.0f ? std::min(c, 1.0f) : 0.0f; // NaN too becomes 0
}

} // namespace

bool weldGltfGeometry(GltfGeometry& geometry, const LoadControl* control)
{
    const auto vertices = static_cast<uint32_t>(geometry.positions.size() / 3);
    std::vector<uint8_t> used;
    assignLarge(used, vertices, uint8_t{0});
    for (uint32_t corner : geometry.triangles)
        used[corner] = 1;
    // The first vertex at each used vertex's position, the two halves of
    // the hashes on two cores.
    std::vector<uint32_t> first;
    assignLarge(first, vertices, 0u);
    bool done[2] = {true, true};
    const auto half = [&](int part) {
        done[part] = findFirsts(geometry.positions.data(), used, static_cast<uint32_t>(part), first, control);
    };
    if (vertices >= tuning::kParallelItems) {
        runInTwo(half);
    } else {
        half(0);
        half(1);
    }
    if (!done[0] || !done[1])
        return false;
    // Every vertex used and at a position of its own (as exporters that
    // share vertices write them): the primitive is welded as it is.
    bool asItIs = true;
    for (uint32_t v = 0; v < vertices && asItIs; ++v)
        asItIs = used[v] != 0 && first[v] == v;
    if (asItIs)
        return true;
    // The welded vertices in the order of their first vertex.
    constexpr uint32_t kNone = 0xffffffffu;
    std::vector<uint32_t> welded;
    assignLarge(welded, vertices, kNone);
    std::vector<float> positions;
    std::vector<float> colours;
    const bool hasColours = !geometry.colours.empty();
    // (Address space: pages come as they are written.)
    reserveLarge(positions, geometry.positions.size());
    reserveLarge(colours, geometry.colours.size());
    for (uint32_t v = 0; v < vertices; ++v) {
        if (used[v] == 0)
            continue;
        const uint32_t f = first[v];
        if (welded[f] == kNone) {
            welded[f] = static_cast<uint32_t>(positions.size() / 3);
            positions.insert(positions.end(), &geometry.positions[3 * std::size_t{f}],
                             &geometry.positions[3 * std::size_t{f}] + 3);
            if (hasColours)
                colours.insert(colours.end(), &geometry.colours[3 * std::size_t{f}],
                               &geometry.colours[3 * std::size_t{f}] + 3);
        }
        welded[v] = welded[f];
    }
    if (stopAsked(control))
        return false;
    for (uint32_t& corner : geometry.triangles)
        corner = welded[corner];
    geometry.positions = std::move(positions);
    geometry.colours = std::move(colours);
    return true;
}

GltfPrimitiveRead readGltfPrimitive(const GltfDocument& document, GltfBuffers& buffers, uint32_t mesh,
                                    uint32_t primitive, GltfGeometry& geometry, const LoadControl* control,
                                    std::string& reason)
{
    const GltfPrimitive& p = document.meshes[mesh].primitives[primitive];
    const std::string meshName = gltfMeshName(document, mesh);
    const auto failed = [&reason, &meshName](const std::string& where, const std::string& why) {
        reason = meshName + ", " + where + ": " + why;
        return GltfPrimitiveRead::failed;
    };
    const std::string primitiveName = "primitive " + std::to_string(primitive);
    if (p.mode >= 1 && p.mode <= 3)
        return GltfPrimitiveRead::lines;
    if (p.mode > 6)
        return failed(primitiveName, "mode " + std::to_string(p.mode) + " is not a glTF primitive mode");
    if (p.material != kGltfNone) {
        if (p.material >= document.materials.size())
            return failed(primitiveName, "material " + std::to_string(p.material) + " does not exist");
        const GltfMaterial& material = document.materials[p.material];
        geometry.hasFaceColour = material.hasBaseColour;
        std::copy_n(material.baseColour, 3, geometry.faceColour);
    }
    std::string why;
    const auto accessorName = [](uint32_t accessor) { return "accessor " + std::to_string(accessor); };
    if (p.draco) {
        const uint8_t* data = nullptr;
        uint64_t size = 0;
        const std::string where = primitiveName + " (KHR_draco_mesh_compression)";
        if (!buffers.view(p.dracoView, data, size, why)
            || !decodeGltfDraco(data, static_cast<std::size_t>(size), p.dracoPosition,
                                p.colour != kGltfNone ? p.dracoColour : kGltfNone, geometry.positions, geometry.colours,
                                geometry.triangles, why))
            return failed(where, why);
        if (p.mode != 4 && p.mode != 0)
            return failed(where, "mode " + std::to_string(p.mode) + " is not read for compressed primitives");
        clampColours(geometry.colours);
        if (p.mode == 0) {
            geometry.points = true;
            geometry.triangles.clear();
            return GltfPrimitiveRead::read;
        }
        std::vector<uint32_t> corners = std::move(geometry.triangles);
        geometry.triangles.clear();
        for (std::size_t i = 0; i + 3 <= corners.size(); i += 3)
            addTriangle(geometry.triangles, corners[i], corners[i + 1], corners[i + 2]);
        return weldGltfGeometry(geometry, control) ? GltfPrimitiveRead::read : GltfPrimitiveRead::failed;
    }
    if (p.position == kGltfNone)
        return failed(primitiveName, "it has no POSITION attribute");
    if (!readGltfFloats(document, buffers, p.position, 3, geometry.positions, why))
        return failed(accessorName(p.position), why);
    const std::size_t positions = geometry.positions.size() / 3;
    if (p.colour != kGltfNone) {
        if (!readGltfFloats(document, buffers, p.colour, 3, geometry.colours, why))
            return failed(accessorName(p.colour), why);
        if (geometry.colours.size() < geometry.positions.size())
            return failed(accessorName(p.colour), "it has fewer colours than there are positions");
        geometry.colours.resize(geometry.positions.size());
        clampColours(geometry.colours);
    }
    std::vector<uint32_t> indices;
    if (p.indices != kGltfNone) {
        if (!readGltfIndices(document, buffers, p.indices, indices, why))
            return failed(accessorName(p.indices), why);
        for (std::size_t i = 0; i < indices.size(); ++i)
            if (indices[i] >= positions)
                return failed(accessorName(p.indices), "index " + std::to_string(indices[i]) + " (element "
                                                           + std::to_string(i) + ") is out of range: there are "
                                                           + std::to_string(positions) + " positions");
    } else {
        assignLarge(indices, positions, 0u);
        for (std::size_t i = 0; i < positions; ++i)
            indices[i] = static_cast<uint32_t>(i);
    }
    if (stopAsked(control))
        return GltfPrimitiveRead::failed;
    if (p.mode == 0) {
        geometry.points = true;
        if (p.indices != kGltfNone) {
            std::vector<float> chosen;
            std::vector<float> chosenColours;
            chosen.reserve(indices.size() * 3);
            for (uint32_t index : indices) {
                chosen.insert(chosen.end(), &geometry.positions[std::size_t{index} * 3],
                              &geometry.positions[std::size_t{index} * 3] + 3);
                if (!geometry.colours.empty())
                    chosenColours.insert(chosenColours.end(), &geometry.colours[std::size_t{index} * 3],
                                         &geometry.colours[std::size_t{index} * 3] + 3);
            }
            geometry.positions = std::move(chosen);
            geometry.colours = std::move(chosenColours);
        }
        return GltfPrimitiveRead::read;
    }
    if (p.mode == 4) {
        // The list itself becomes the triangles, those repeating an index
        // taken out in place.
        indices.resize(indices.size() / 3 * 3);
        std::size_t kept = 0;
        for (std::size_t i = 0; i < indices.size(); i += 3) {
            const uint32_t a = indices[i], b = indices[i + 1], c = indices[i + 2];
            if (a == b || b == c || a == c)
                continue;
            indices[kept++] = a;
            indices[kept++] = b;
            indices[kept++] = c;
        }
        indices.resize(kept);
        geometry.triangles = std::move(indices);
    } else if (!splitTriangles(indices, p.mode, geometry.triangles, control)) {
        return GltfPrimitiveRead::failed;
    }
    return weldGltfGeometry(geometry, control) ? GltfPrimitiveRead::read : GltfPrimitiveRead::failed;
}
