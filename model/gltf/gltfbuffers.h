#pragma once

// The bytes of a glTF file's buffers and buffer views, each found once when
// first asked for: the binary chunk of a .glb, a data: URI (base64), or a
// file beside the document named by a relative URI (with %XX escapes
// decoded); a view compressed with EXT_meshopt_compression is decoded with
// meshoptimizer, its filter applied.

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "model/gltf/gltfdocument.h"
#include "model/loadcontrol.h"

class GltfBuffers {
public:
    // `binary` (of `binarySize` bytes) is the .glb's binary chunk, or null;
    // `folder` the document's folder, or null. Both must outlive this, as
    // must the document, whose buffers' decoded data: URIs this takes.
    GltfBuffers(GltfDocument& document, const uint8_t* binary, std::size_t binarySize, const char* folder,
                LoadControl* control);

    // The bytes of buffer view `index`; false with the reason ("buffer view 2
    // runs past buffer 0", "buffer 1: cannot open \"a b.bin\": ...").
    bool view(uint32_t index, const uint8_t*& data, uint64_t& size, std::string& reason);

private:
    bool buffer(uint32_t index, const uint8_t*& data, uint64_t& size, std::string& reason);
    bool loadBuffer(uint32_t index, RawBytes& bytes, std::string& reason);
    bool decodeView(uint32_t index, RawBytes& bytes, std::string& reason);

    GltfDocument& document_;
    const uint8_t* binary_;
    std::size_t binarySize_;
    const char* folder_;
    LoadControl* control_;
    std::map<uint32_t, RawBytes> buffers_;
    std::map<uint32_t, RawBytes> decodedViews_;
};

// A URI with its %XX escapes decoded.
std::string decodeUri(const std::string& uri);
