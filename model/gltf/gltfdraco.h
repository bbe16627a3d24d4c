#pragma once

// Decoding a KHR_draco_mesh_compression primitive's bytes with Draco.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/gltf/gltfdocument.h"

// Decodes a Draco mesh: the positions of its points (three floats each) from
// the attribute `positionId`, their colours (three each, in [0, 1]) from
// `colourId` when it is not kGltfNone, and its triangles (three point indices
// each). False with the reason when the bytes are not such a mesh.
bool decodeGltfDraco(const uint8_t* data, std::size_t size, uint32_t positionId, uint32_t colourId,
                     std::vector<float>& positions, std::vector<float>& colours, std::vector<uint32_t>& triangles,
                     std::string& reason);
