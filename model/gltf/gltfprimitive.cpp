#include "model/gltf/gltfprimitive.h"

#include <algorithm>
#include <cstring>

#include "model/gltf/gltfaccessor.h"
#include "model/gltf/gltfdraco.h"

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

void clampColours(std::vector<float>& colours)
{
    for (float& c : colours)
        c = c >= 0.0f ? std::min(c, 1.0f) : 0.0f; // NaN too becomes 0
}

} // namespace

bool weldGltfGeometry(GltfGeometry& geometry, const LoadControl* control)
{
    const std::size_t vertices = geometry.positions.size() / 3;
    std::size_t capacity = 16;
    while (capacity < 2 * vertices)
        capacity *= 2;
    const auto mask = static_cast<uint32_t>(capacity - 1);
    std::vector<uint32_t> table(capacity, 0);      // welded vertex + 1, or 0
    std::vector<uint32_t> renumbered(vertices, 0); // welded vertex + 1, or 0 before its first use
    std::vector<uint32_t> welded;                  // the bits of the welded positions
    std::vector<float> colours;
    welded.reserve(geometry.triangles.size() < vertices ? geometry.triangles.size() * 3 : vertices * 3);
    const bool hasColours = !geometry.colours.empty();
    std::size_t done = 0;
    for (uint32_t& corner : geometry.triangles) {
        if ((++done & kCancelMask) == 0 && stopAsked(control))
            return false;
        if (renumbered[corner] != 0) {
            corner = renumbered[corner] - 1;
            continue;
        }
        uint32_t bits[3];
        std::memcpy(bits, &geometry.positions[std::size_t{corner} * 3], sizeof bits);
        uint32_t slot = positionHash(bits) & mask;
        while (table[slot] != 0 && std::memcmp(&welded[std::size_t{table[slot] - 1} * 3], bits, sizeof bits) != 0)
            slot = (slot + 1) & mask;
        if (table[slot] == 0) {
            welded.insert(welded.end(), bits, bits + 3);
            if (hasColours)
                colours.insert(colours.end(), &geometry.colours[std::size_t{corner} * 3],
                               &geometry.colours[std::size_t{corner} * 3] + 3);
            table[slot] = static_cast<uint32_t>(welded.size() / 3);
        }
        renumbered[corner] = table[slot];
        corner = table[slot] - 1;
    }
    geometry.positions.resize(welded.size());
    if (!welded.empty())
        std::memcpy(geometry.positions.data(), welded.data(), welded.size() * sizeof(float));
    geometry.positions.shrink_to_fit();
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
        indices.resize(positions);
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
