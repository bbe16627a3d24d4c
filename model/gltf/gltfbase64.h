#pragma once

// Decoding the base64 text of a glTF data: URI.

#include "model/bigmemory.h"
#include <cstddef>
#include <cstdint>

// The bytes of a base64 text, standard or URL-safe alphabet (line breaks
// and other white space passed over, '=' padding at the end); false when it
// holds anything else. A large result is held in huge pages.
bool decodeBase64(const char* text, std::size_t size, RawBytes& bytes);
