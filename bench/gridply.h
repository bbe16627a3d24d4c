#pragma once

// The benchmarks' big model: a PLY of a wavy 1000 x 1000 grid, 1,000,000
// vertices and 2,000,000 triangles: about 74 MB as ASCII, 38 MB as binary.

#include <string>

constexpr int kGridPlyVertices = 1000 * 1000;
constexpr int kGridPlyFaces = 2000000;

// Writes the model into a new temporary folder once per process and returns
// its path; the folder is removed at exit. Exits the process when the file
// cannot be written.
const std::string& gridPlyPath();

// The same model as binary little endian PLY (about 38 MB), in the same folder.
const std::string& gridPlyBinaryPath();
