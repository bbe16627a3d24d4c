#pragma once

// What every reader's fuzz target checks: the input either gives no model
// with a reason, or a model whose corners all point into its own vertex
// array and whose faces have at least three corners; whose positions are
// finite and within [-1, 1], the box centred and its longest side spanning
// 2; whose face centres lie in [-1, 1]; whose face and vertex normals are of
// unit length, or untouched when 0.01 or shorter (a vertex normal being the
// sum of its faces' normals in face order); whose colours (if any, vertex
// and face colours; a face may have none) are within
// [0, 1]; and whose positions and corners survive being written as PLY and
// read back. Files of known size (a memory file descriptor) and of unknown
// size (a memory stream) must give the same model, every position, normal,
// face and colour, and the normals pass run again on the model must change
// nothing. A broken invariant aborts.

#include <cstddef>
#include <cstdint>

// Loads data with the reader for `extension` and checks all of the above.
void checkReaderInput(const uint8_t* data, size_t size, const char* extension);
