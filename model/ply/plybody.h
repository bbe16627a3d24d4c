#pragma once

// Reading the body of a PLY file, element by element in file order, into a
// ModelBuilder: the ASCII form line by line, the binary forms item by item.

#include <string>

#include "model/blockreader.h"
#include "model/modelbuilder.h"
#include "model/ply/plyheader.h"
#include "model/ply/plylayout.h"

struct PlyBody {
    BlockReader& in;
    const PlyHeader& header;
    const PlyMeshLayout& layout;
    ModelBuilder& builder;
    long long fileBytes; // of the stream from where the load began; -1 when unknown
};

// Each returns false with the reason (naming the line in ASCII, the element
// and item in binary) when the body gives no model.
bool readPlyAsciiBody(PlyBody& body, std::string& reason);
bool readPlyBinaryBody(PlyBody& body, std::string& reason);

// The plural for counting items of an element: "vertices", "faces", or the
// element's name followed by "items".
std::string plyItemsName(const std::string& element);
