#pragma once

// Reading a glTF accessor's elements: any component type, normalized or
// not, through its buffer view's stride and both byte offsets, with sparse
// substitution.

#include <cstdint>
#include <string>
#include <vector>

#include "model/gltf/gltfbuffers.h"
#include "model/gltf/gltfdocument.h"

// The first `components` components of every element of accessor `index`
// as floats (normalized integers as the glTF rules give them: c / 255,
// max(c / 127, -1) and so on; other integers as their values), `components`
// a element; missing components are 0. False with the reason, which does
// not name the accessor ("runs past its buffer view").
bool readGltfFloats(const GltfDocument& document, GltfBuffers& buffers, uint32_t index, uint32_t components,
                    std::vector<float>& values, std::string& reason);

// The elements of a scalar accessor of unsigned integers (vertex indices).
bool readGltfIndices(const GltfDocument& document, GltfBuffers& buffers, uint32_t index, std::vector<uint32_t>& values,
                     std::string& reason);
