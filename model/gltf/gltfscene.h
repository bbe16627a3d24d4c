#pragma once

// Which meshes a glTF scene draws, and where: the scene named by "scene",
// else scene 0, else every node that is no node's child; each node's mesh at
// the node's world transform (its matrix, or translation x rotation x scale,
// composed from the root down). A document without nodes draws every mesh
// once, untransformed.

#include <cstdint>
#include <string>
#include <vector>

#include "model/gltf/gltfdocument.h"

struct GltfInstance {
    uint32_t mesh = 0;
    uint32_t node = kGltfNone;                                            // none: drawn without a node
    double matrix[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}; // column-major
};

// The meshes drawn, in the order of a walk from the roots down. False with
// the reason when the scene, a node or a mesh named does not exist, or a node
// is reached twice (a cycle, or a node that is the child of two nodes).
bool gltfInstances(const GltfDocument& document, std::vector<GltfInstance>& instances, std::string& reason);

// The determinant of the matrix's upper 3 x 3 part: negative for a mirror.
double gltfDeterminant(const double* matrix);
