#pragma once

// Writing a triangle mesh as glTF 2.0: one mesh of one indexed triangle
// primitive (float positions, unsigned int indices) in one buffer, either a
// binary .glb (the buffer in its binary chunk) or a JSON .gltf with the
// buffer in a base64 data: URI.

#include <cstdint>
#include <string>
#include <vector>

// The file's bytes: `positions` three floats a vertex, `triangles` three
// indices a face.
std::string gltfOf(const std::vector<float>& positions, const std::vector<uint32_t>& triangles, bool binary);
