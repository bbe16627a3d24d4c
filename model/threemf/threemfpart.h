#pragma once

// What one model part of a 3MF package holds, as read: its objects (meshes
// or components), its colour groups and its build items.

#include <array>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

// An affine map as 3MF writes it: twelve numbers m00 m01 m02 m10 m11 m12 m20
// m21 m22 m30 m31 m32, a point (x, y, z) going to (x*m00 + y*m10 + z*m20 +
// m30, x*m01 + y*m11 + z*m21 + m31, x*m02 + y*m12 + z*m22 + m32).
using ThreeMfTransform = std::array<double, 12>;
constexpr ThreeMfTransform kThreeMfIdentity = {1, 0, 0, 0, 1, 0, 0, 0, 1, 0, 0, 0};

// A build item or a component: an object, the part that holds it, and
// where it is placed.
struct ThreeMfReference {
    int32_t objectId = 0;
    std::string path; // the part holding the object; empty: the part of the reference
    ThreeMfTransform transform = kThreeMfIdentity;
    int line = 0; // where the reference stands, for reasons
};

struct ThreeMfObject {
    int32_t id = 0;
    std::string name;
    int32_t pid = -1;                // the object's colour group, -1 for none
    int32_t pindex = 0;              // its entry in that group
    std::vector<double> positions;   // x, y, z a vertex, as written
    std::vector<uint32_t> corners;   // three a triangle
    std::vector<int32_t> properties; // pid, p1 a triangle (-1: not given); empty while no triangle has them
    std::vector<ThreeMfReference> components;
};

struct ThreeMfPart {
    std::string path; // "/3D/3dmodel.model"
    // The model's unit of length (micron, millimeter, centimeter, inch, foot
    // or meter); the root part's is the model's.
    std::string unit = "millimeter";
    std::unordered_map<int32_t, ThreeMfObject> objects;
    // The colours of basematerials and colorgroup resources, by their id:
    // red, green, blue in [0, 1] an entry.
    std::unordered_map<int32_t, std::vector<float>> colourGroups;
    std::vector<ThreeMfReference> items;
};
