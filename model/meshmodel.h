#pragma once

// The in-memory polygon mesh, the one current model, and the operations on a
// whole model. Every block of a model comes from malloc and goes back with
// free: the MeshModel record, its vertex array, its face array and each
// face's corner array (or one block for all of them), and the optional
// vertex and face colour arrays.

#include <atomic>
#include <cstdint>

#include "geometry/vector3.h"
#include "model/modelframe.h"
#include "model/modelunit.h"

struct MeshVertex {
    Vector3 position; // centred and scaled into [-1, 1] by the reader
    Vector3 normal;   // set by buildMeshModel
};

struct MeshFace {
    uint32_t vertexCount;  // number of corners
    MeshVertex** vertices; // corners in winding order, pointing into the model's vertex array
    Vector3 normal;        // from the first three corners, set by buildMeshModel
    Vector3 center;        // mean of the corner positions, set by buildMeshModel
};

// The channels of a face that has no colour of its own.
constexpr float kNoFaceColour = -1.0f;

struct MeshModel {
    uint32_t vertexCount;
    MeshVertex* vertices; // never moved once faces point into it
    uint32_t faceCount;
    MeshFace* faces;
    float* colours;           // optional: red, green, blue in [0, 1] for each vertex, three per
                              // vertex in vertex order; null when the file gave no colours
    float* faceColours;       // optional: red, green, blue for each face, three per face in face
                              // order, each in [0, 1], or all three kNoFaceColour for a face the
                              // file gave none; null when the file gave no face colours
    MeshVertex** cornerBlock; // when not null, one block that holds the corners of every
                              // face in face order, each face's vertices pointing into it; when null,
                              // every face has a corner array of its own
    ModelFrame frame;         // the file's box and how the positions were brought from it into [-1, 1]
    ModelUnit unit;           // the file's length unit, none where its format states none
};

// Computes every face's centre and normal (from its first three corners) and
// every vertex's normal (the unweighted sum of the normals of the faces that
// use it, brought to unit length). Normals shorter than the vector
// tolerance stay as they are. A face with fewer than three corners, which
// the reader never produces, gets the normal (0, 0, 0). Does nothing for null.
void buildMeshModel(MeshModel* model);
// The same, giving up once `cancel` is set (looked at every 65536 faces or
// vertices): false then, the normals unfinished.
bool buildMeshModel(MeshModel* model, const std::atomic<bool>& cancel);
// The same for a model whose faces are all triangles, their corners one
// after the other in cornerBlock, three a face: the faces' records need not
// have been written, as they are written here, whole (corner count,
// corners, centre and normal), and with less memory traffic.
bool buildTriangleModel(MeshModel* model, const std::atomic<bool>& cancel);

// Releases the model and everything it owns. Does nothing for null.
void freeMeshModel(MeshModel* model);

// Turns every vertex position (x, y, z) into (y, z, x), and the model's
// frame with them; normals and centres are left as they are. Does nothing
// for null.
void swapModelAxes(MeshModel* model);
