#pragma once

// Reading the body of an STL file into a model builder: the binary form
// triangle by triangle, the ASCII form line by line, each welding the
// corners first and then handing the mesh to the builder (StlWelder::build).
// Each returns false with the reason when the file gives no model.

#include <string>

#include "model/blockreader.h"
#include "model/modelbuilder.h"

// fileBytes: of the stream from where the load began; -1 when unknown.
bool readStlBinary(BlockReader& in, long long fileBytes, ModelBuilder& builder, std::string& reason);
bool readStlAscii(BlockReader& in, long long fileBytes, ModelBuilder& builder, std::string& reason);

// Why the block reader stopped before `what`, when it did not simply reach
// the end ("loading was cancelled", "the file could not be read"); empty
// when it reached the end.
std::string stlStopReason(const BlockReader& in);
