#pragma once

// Where a mesh lies in the elements of a PLY header: which element holds the
// vertices and which of its properties are the position and colour, which
// elements hold faces and strips and which of their lists the corners.

#include <string>

#include "model/ply/plyheader.h"

struct PlyVertexLayout {
    int element = -1;             // index in the header, -1 when there is none
    int position[3] = {0, 1, 2};  // properties x, y, z (or the first three scalars)
    int colour[3] = {-1, -1, -1}; // properties red, green, blue, or -1
    int needed = 3;               // properties up to the last one used, from the front
    bool implicit = false;        // no properties declared: x y z lead each line
    bool hasColours() const { return colour[0] >= 0; }
};

struct PlyListLayout {
    int element = -1;             // index in the header, -1 when there is none
    int list = 0;                 // the vertex_indices (or vertex_index, or first list) property
    bool implicit = false;        // no properties declared: the corner list leads each line
    int colour[3] = {-1, -1, -1}; // faces: scalar properties red, green, blue, or -1
    bool hasColours() const { return colour[0] >= 0; }
};

struct PlyMeshLayout {
    PlyVertexLayout vertices;
    PlyListLayout faces;
    PlyListLayout strips; // the tristrips element
};

// Finds the mesh in the header; false with the reason when an element it
// needs lacks a property (a binary body cannot be read without them).
bool findPlyMeshLayout(const PlyHeader& header, PlyMeshLayout& layout, std::string& reason);

// The index of the last element the mesh is read from, or -1.
int plyLastNeededElement(const PlyMeshLayout& layout);

// In a binary body every element up to the last one the mesh is read from
// must be of known size; false with the header's reason when one is not.
bool checkPlyBinarySizes(const PlyHeader& header, std::string& reason);

// The factor that brings a colour value of the type into [0, 1].
float plyColourScale(PlyType type);
