#pragma once

// A glTF file read whole, and the parts of a binary glTF (.glb): its
// 12-byte header (magic "glTF", version 2, the file's length), its JSON chunk
// and its optional binary chunk.

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "model/bigmemory.h"
#include "model/loadcontrol.h"

// A whole file's bytes, followed by `padding` zero bytes.
struct GltfFileBytes {
    HugeBuffer data; // not zeroed first: the file's pages are written once
    std::size_t size = 0;
    std::size_t capacity = 0; // without the padding
};

// Reads the stream to its end in one buffer followed by `padding` zero
// bytes, adding to the control's bytes as it goes. False with the reason
// when reading fails, the file would not fit the memory a load may use, or
// the control asks the load to stop.
bool readGltfStream(FILE* stream, std::size_t padding, GltfFileBytes& bytes, LoadControl* control, std::string& reason);

struct GltfBinaryParts {
    const char* json = nullptr;
    std::size_t jsonSize = 0;
    const uint8_t* binary = nullptr; // null without a binary chunk
    std::size_t binarySize = 0;
};

// True when the bytes start with a binary glTF's magic.
bool isGltfBinary(const char* bytes, std::size_t size);

// Splits a binary glTF; false with the reason ("the header says the file has
// 2000 bytes, but it has 1200") when its header or chunks are wrong. Chunk
// lengths not padded to four bytes are read as they are.
bool splitGltfBinary(const char* bytes, std::size_t size, GltfBinaryParts& parts, std::string& reason);
