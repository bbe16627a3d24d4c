#pragma once

// One glTF mesh primitive as the model takes it: its triangles (modes 4, 5
// and 6 split into triangles, those repeating an index left out) over the
// distinct positions they use, or its points (mode 0), with the vertices'
// colours (COLOR_0) and the faces' colour (the material's base colour).
// Compressed primitives (KHR_draco_mesh_compression) are decoded here.

#include <cstdint>
#include <string>
#include <vector>

#include "model/gltf/gltfbuffers.h"
#include "model/gltf/gltfdocument.h"
#include "model/loadcontrol.h"

struct GltfGeometry {
    std::vector<float> positions; // three a vertex, as stored in the file
    std::vector<float> colours;   // three a vertex in [0, 1], or none
    std::vector<uint32_t> triangles;
    bool points = false;
    bool hasFaceColour = false;
    float faceColour[3] = {1.0f, 1.0f, 1.0f};
};

enum class GltfPrimitiveRead {
    read,
    lines,  // a primitive of lines (modes 1, 2, 3): passed over
    failed, // with the reason
};

// Reads primitive `primitive` of mesh `mesh`. The reason names the mesh and
// the accessor ("mesh 0 (\"Cube\"), accessor 3: runs past its buffer view")
// or the primitive. The control's cancel is looked at every 65536 items.
GltfPrimitiveRead readGltfPrimitive(const GltfDocument& document, GltfBuffers& buffers, uint32_t mesh,
                                    uint32_t primitive, GltfGeometry& geometry, const LoadControl* control,
                                    std::string& reason);

// Keeps only the distinct positions (compared bit for bit) that the
// triangles use, in the order of the first vertex at each, and numbers the
// triangles' corners over them; the colours follow their positions (those of
// that first vertex). False when the control asks the load to stop.
bool weldGltfGeometry(GltfGeometry& geometry, const LoadControl* control);
