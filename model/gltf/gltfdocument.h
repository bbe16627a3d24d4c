#pragma once

// The parts of a glTF 2.0 document a mesh is built from, read from its JSON
// (simdjson): buffers, buffer views (with EXT_meshopt_compression), accessors
// (with sparse substitution), meshes and their primitives (with
// KHR_draco_mesh_compression), materials' base colours, nodes and scenes.
// Indices into the other lists are kept as the file gives them; whoever
// follows one checks it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "model/bigmemory.h"

constexpr uint32_t kGltfNone = 0xffffffffu;

struct GltfBuffer {
    uint64_t byteLength = 0;
    bool hasUri = false;
    // A data: URI keeps here only what comes before its data (up to its
    // comma); data that says it is base64 is decoded as the document is read,
    // into `bytes`, `decoded` telling whether it was all base64. (The
    // document's text need not be copied, and the buffers take the bytes
    // when they first need them.)
    std::string uri;
    RawBytes bytes;
    bool decoded = false;
};

// A buffer view's EXT_meshopt_compression: its bytes are decoded from these.
struct GltfMeshopt {
    uint32_t buffer = kGltfNone;
    uint64_t byteOffset = 0;
    uint64_t byteLength = 0;
    uint32_t byteStride = 0;
    uint32_t count = 0;
    enum Mode { attributes, triangles, indices } mode = attributes;
    enum Filter { none, octahedral, quaternion, exponential } filter = none;
};

struct GltfView {
    uint32_t buffer = kGltfNone;
    uint64_t byteOffset = 0;
    uint64_t byteLength = 0;
    uint32_t byteStride = 0; // 0: elements packed tightly
    bool compressed = false;
    GltfMeshopt meshopt;
};

struct GltfSparse {
    uint32_t count = 0;
    uint32_t indexView = kGltfNone;
    uint64_t indexOffset = 0;
    uint32_t indexType = 0;
    uint32_t valueView = kGltfNone;
    uint64_t valueOffset = 0;
};

struct GltfAccessor {
    uint32_t view = kGltfNone; // none: zeros, unless sparse values replace some
    uint64_t byteOffset = 0;
    uint32_t componentType = 0;
    bool normalized = false;
    uint32_t count = 0;
    uint32_t components = 1; // SCALAR 1, VEC2 2, VEC3 3, VEC4 4, MAT2 4, MAT3 9, MAT4 16
    bool sparse = false;
    GltfSparse sparseData;
};

struct GltfPrimitive {
    uint32_t position = kGltfNone;
    uint32_t colour = kGltfNone;
    uint32_t indices = kGltfNone;
    uint32_t material = kGltfNone;
    uint32_t mode = 4;
    bool draco = false;
    uint32_t dracoView = kGltfNone;
    uint32_t dracoPosition = kGltfNone; // the Draco attribute ids
    uint32_t dracoColour = kGltfNone;
};

struct GltfMesh {
    std::string name;
    std::vector<GltfPrimitive> primitives;
};

struct GltfMaterial {
    bool hasBaseColour = false;
    float baseColour[3] = {1.0f, 1.0f, 1.0f};
};

struct GltfNode {
    uint32_t mesh = kGltfNone;
    std::vector<uint32_t> children;
    double matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; // column-major
};

struct GltfDocument {
    std::vector<GltfBuffer> buffers;
    std::vector<GltfView> views;
    std::vector<GltfAccessor> accessors;
    std::vector<GltfMesh> meshes;
    std::vector<GltfMaterial> materials;
    std::vector<GltfNode> nodes;
    std::vector<std::vector<uint32_t>> scenes;
    uint32_t scene = kGltfNone;
    std::vector<std::string> extensionsRequired;
};

// Reads the document from `size` bytes of JSON at `json`. With `padded`, the
// bytes are followed by at least simdjson's padding and are read in place.
// False with the reason ("accessor 3: \"count\" is missing") when the JSON
// is malformed or a value this reader needs has the wrong type.
bool parseGltfDocument(const char* json, std::size_t size, bool padded, GltfDocument& document, std::string& reason);

// "mesh 0 (\"Cube\")", or "mesh 0" when it has no name.
std::string gltfMeshName(const GltfDocument& document, uint32_t mesh);
