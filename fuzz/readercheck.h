#pragma once

// What every reader's fuzz target checks: the input either gives no model
// with a reason, or a model whose corners all point into its own vertex
// array, whose faces have at least three corners, whose positions are
// finite and within [-1, 1], whose normals are finite, whose colours (if
// any) are within [0, 1], and which survives being written as PLY and read
// back. Files of known size (a memory file descriptor) and of unknown size
// (a memory stream) must agree. A broken invariant aborts.

#include <cstddef>
#include <cstdint>

// Loads data with the reader for `extension` and checks all of the above.
void checkReaderInput(const uint8_t* data, size_t size, const char* extension);
