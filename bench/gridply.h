#pragma once

// The benchmarks' big model: a PLY of a wavy 1000 x 1000 grid, 1,000,000
// vertices and 2,000,000 triangles: about 74 MB as ASCII, 38 MB as binary.

#include <string>

constexpr int kGridPlyVertices = 1000 * 1000;
constexpr int kGridPlyFaces = 2000000;
constexpr int kGridSide = 1000;

// Vertex (i, j) of the grid (i, j in [0, kGridSide)), and the corners of
// triangle k, as every file of the grid holds them.
void gridPoint(int i, int j, double xyz[3]);
void gridTriangle(int k, int corners[3]);

// The temporary folder the inputs are written to (removed at exit).
const std::string& benchFolder();

// Writes the model into a new temporary folder once per process and returns
// its path; the folder is removed at exit. Exits the process when the file
// cannot be written.
const std::string& gridPlyPath();

// The same model as binary little endian PLY (about 38 MB), in the same folder.
const std::string& gridPlyBinaryPath();

// The benchmarks' huge model: the same wavy grid with kBigGridSide vertices
// a side, 10,004,569 vertices and 19,996,488 triangles, as binary little
// endian PLY (about 380 MB), in the same folder. Written only when asked for:
// the default runs stay short.
constexpr int kBigGridSide = 3163;
constexpr int kBigGridFaces = 2 * (kBigGridSide - 1) * (kBigGridSide - 1);
const std::string& bigGridPlyPath();

// Writes the huge model to path; exits the process when it cannot.
void writeBigGridPly(const std::string& path);

// The same model as OFF (about 74 MB): the ASCII PLY's lines under an OFF
// header.
const std::string& gridOffPath();

// The same model as glTF written by our own writer (bench/gltfwriter): a
// binary .glb (about 36 MB) and a .gltf with the buffer as a base64 data: URI
// (about 48 MB).
const std::string& gridGlbPath();
const std::string& gridGltfPath();

// The same model as another program exports it, made from the ASCII PLY by
// Debian's assimp (assimp-utils): OBJ with vertex normals and faces
// "f a//a b//b c//c" (-fobjnomtl, about 168 MB) and binary STL (-fstlb,
// about 100 MB). Empty when assimp is not installed or fails.
const std::string& gridObjPath();
const std::string& gridStlPath();
