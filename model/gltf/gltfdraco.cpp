#include "model/gltf/gltfdraco.h"

#include <algorithm>

#include <draco/compression/decode.h>

namespace {

// Every point's value of the attribute, `components` floats a point; integer
// values not marked normalized are taken as normalized all the same when
// `normalize` (colours).
bool pointValues(const draco::Mesh& mesh, uint32_t id, int components, bool normalize, std::vector<float>& values,
                 std::string& reason)
{
    const draco::PointAttribute* attribute = mesh.GetAttributeByUniqueId(id);
    if (attribute == nullptr) {
        reason = "the Draco data has no attribute " + std::to_string(id);
        return false;
    }
    float scale = 1.0f;
    if (normalize && !attribute->normalized()) {
        if (attribute->data_type() == draco::DT_UINT8)
            scale = 1.0f / 255.0f;
        else if (attribute->data_type() == draco::DT_UINT16)
            scale = 1.0f / 65535.0f;
    }
    const uint32_t points = mesh.num_points();
    values.assign(std::size_t{points} * components, 0.0f);
    const int taken = std::min<int>(components, attribute->num_components());
    for (uint32_t p = 0; p < points; ++p) {
        const draco::AttributeValueIndex at = attribute->mapped_index(draco::PointIndex(p));
        float value[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        if (at.value() >= attribute->size() || !attribute->ConvertValue<float>(at, static_cast<int8_t>(taken), value)) {
            reason
                = "the Draco data's attribute " + std::to_string(id) + " has no value for point " + std::to_string(p);
            return false;
        }
        for (int c = 0; c < taken; ++c)
            values[std::size_t{p} * components + c] = value[c] * scale;
    }
    return true;
}

} // namespace

bool decodeGltfDraco(const uint8_t* data, std::size_t size, uint32_t positionId, uint32_t colourId,
                     std::vector<float>& positions, std::vector<float>& colours, std::vector<uint32_t>& triangles,
                     std::string& reason)
{
    draco::DecoderBuffer buffer;
    buffer.Init(reinterpret_cast<const char*>(data), size);
    draco::Decoder decoder;
    auto decoded = decoder.DecodeMeshFromBuffer(&buffer);
    if (!decoded.ok()) {
        reason = "the Draco data cannot be decoded: " + decoded.status().error_msg_string();
        return false;
    }
    const std::unique_ptr<draco::Mesh> mesh = std::move(decoded).value();
    if (positionId == kGltfNone) {
        reason = "the Draco extension names no POSITION attribute";
        return false;
    }
    if (!pointValues(*mesh, positionId, 3, false, positions, reason))
        return false;
    if (colourId != kGltfNone && !pointValues(*mesh, colourId, 3, true, colours, reason))
        return false;
    const uint32_t faces = mesh->num_faces();
    triangles.resize(std::size_t{faces} * 3);
    for (uint32_t f = 0; f < faces; ++f) {
        const draco::Mesh::Face& face = mesh->face(draco::FaceIndex(f));
        for (int c = 0; c < 3; ++c) {
            const uint32_t point = face[c].value();
            if (point >= mesh->num_points()) {
                reason = "the Draco data's face " + std::to_string(f) + " names a point it does not have";
                return false;
            }
            triangles[std::size_t{f} * 3 + c] = point;
        }
    }
    return true;
}
