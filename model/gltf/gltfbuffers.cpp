#include "model/gltf/gltfbuffers.h"

#include <cstdio>
#include <cstring>

#include <meshoptimizer.h>

#include "model/bigmemory.h"
#include "model/memorylimit.h"
#include "model/numberscan.h"
#include "model/regularfile.h"

namespace {

// Reads the whole regular file at path, adding its bytes to the control's
// count as they come.
bool readWholeFile(const std::string& path, RawBytes& bytes, LoadControl* control, std::string& reason)
{
    FILE* file = openRegularFile(path, reason);
    if (file == nullptr)
        return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long length = ok ? std::ftell(file) : -1;
    ok = length >= 0 && std::fseek(file, 0, SEEK_SET) == 0;
    std::string limitReason;
    if (ok && !fitsMemoryLimit(static_cast<uint64_t>(length), loadMemoryLimit(), limitReason)) {
        std::fclose(file);
        reason = limitReason;
        return false;
    }
    if (ok) {
        reserveLarge(bytes, static_cast<std::size_t>(length));
        bytes.resize(static_cast<std::size_t>(length));
    }
    std::size_t done = 0;
    constexpr std::size_t kPiece = std::size_t{8} << 20;
    while (ok && done < bytes.size()) {
        const std::size_t got = std::fread(bytes.data() + done, 1, std::min(kPiece, bytes.size() - done), file);
        if (got == 0)
            ok = false;
        done += got;
        if (control != nullptr) {
            control->bytesRead += got;
            if (control->cancel.load()) {
                std::fclose(file);
                reason = "loading was cancelled";
                return false;
            }
        }
    }
    std::fclose(file);
    if (!ok)
        reason = "cannot be read";
    return ok;
}

} // namespace

std::string decodeUri(const std::string& uri)
{
    std::string name;
    for (std::size_t i = 0; i < uri.size(); ++i) {
        if (uri[i] == '%' && i + 2 < uri.size() && hexDigitValue(uri[i + 1]) >= 0 && hexDigitValue(uri[i + 2]) >= 0) {
            name += static_cast<char>(hexDigitValue(uri[i + 1]) * 16 + hexDigitValue(uri[i + 2]));
            i += 2;
        } else {
            name += uri[i];
        }
    }
    return name;
}

GltfBuffers::GltfBuffers(GltfDocument& document, const uint8_t* binary, std::size_t binarySize, const char* folder,
                         LoadControl* control)
    : document_(document), binary_(binary), binarySize_(binarySize), folder_(folder), control_(control)
{
}

bool GltfBuffers::loadBuffer(uint32_t index, RawBytes& bytes, std::string& reason)
{
    GltfBuffer& b = document_.buffers[index];
    const std::string where = "buffer " + std::to_string(index);
    if (b.uri.compare(0, 5, "data:") == 0) {
        const std::size_t comma = b.uri.find(',');
        if (comma == std::string::npos || b.uri.rfind(";base64", comma) == std::string::npos) {
            reason = where + ": its data: URI is not base64";
            return false;
        }
        if (!b.decoded) {
            reason = where + ": its data: URI holds something other than base64";
            return false;
        }
        // (Decoded as the document was read: taken, not copied.)
        bytes = std::move(b.bytes);
        return true;
    }
    const std::string name = decodeUri(b.uri);
    if (name.find("://") != std::string::npos || (!name.empty() && name[0] == '/')) {
        reason = where + ": \"" + name + "\" is not a file beside the document";
        return false;
    }
    if (folder_ == nullptr) {
        reason = where + ": \"" + name + "\" cannot be looked for: the document's folder is not known";
        return false;
    }
    std::string why;
    if (!readWholeFile(std::string(folder_) + "/" + name, bytes, control_, why)) {
        reason = why == "loading was cancelled" ? why : where + ": cannot read \"" + name + "\": " + why;
        return false;
    }
    return true;
}

bool GltfBuffers::buffer(uint32_t index, const uint8_t*& data, uint64_t& size, std::string& reason)
{
    if (index >= document_.buffers.size()) {
        reason = "buffer " + std::to_string(index) + " does not exist";
        return false;
    }
    const GltfBuffer& b = document_.buffers[index];
    if (!b.hasUri) {
        // A .glb's first buffer is its binary chunk.
        if (index != 0 || binary_ == nullptr) {
            reason = "buffer " + std::to_string(index) + " has no data";
            return false;
        }
        data = binary_;
        size = binarySize_;
        return true;
    }
    auto found = buffers_.find(index);
    if (found == buffers_.end()) {
        RawBytes bytes;
        if (!loadBuffer(index, bytes, reason))
            return false;
        found = buffers_.emplace(index, std::move(bytes)).first;
    }
    data = found->second.data();
    size = found->second.size();
    return true;
}

bool GltfBuffers::view(uint32_t index, const uint8_t*& data, uint64_t& size, std::string& reason)
{
    if (index >= document_.views.size()) {
        reason = "buffer view " + std::to_string(index) + " does not exist";
        return false;
    }
    const GltfView& v = document_.views[index];
    if (v.compressed) {
        auto found = decodedViews_.find(index);
        if (found == decodedViews_.end()) {
            RawBytes bytes;
            if (!decodeView(index, bytes, reason))
                return false;
            found = decodedViews_.emplace(index, std::move(bytes)).first;
        }
        data = found->second.data();
        size = found->second.size();
        return true;
    }
    const uint8_t* bytes = nullptr;
    uint64_t length = 0;
    if (!buffer(v.buffer, bytes, length, reason))
        return false;
    if (v.byteOffset > length || v.byteLength > length - v.byteOffset) {
        reason = "buffer view " + std::to_string(index) + " runs past buffer " + std::to_string(v.buffer);
        return false;
    }
    data = bytes + v.byteOffset;
    size = v.byteLength;
    return true;
}

bool GltfBuffers::decodeView(uint32_t index, RawBytes& bytes, std::string& reason)
{
    const GltfMeshopt& m = document_.views[index].meshopt;
    const std::string where = "buffer view " + std::to_string(index) + " (EXT_meshopt_compression)";
    const uint8_t* source = nullptr;
    uint64_t length = 0;
    if (!buffer(m.buffer, source, length, reason))
        return false;
    if (m.byteOffset > length || m.byteLength > length - m.byteOffset) {
        reason = where + " runs past buffer " + std::to_string(m.buffer);
        return false;
    }
    source += m.byteOffset;
    const uint64_t decodedSize = uint64_t{m.count} * m.byteStride;
    std::string limitReason;
    if (!fitsMemoryLimit(decodedSize, loadMemoryLimit(), limitReason)) {
        reason = where + ": " + limitReason;
        return false;
    }
    bool fits = false;
    switch (m.mode) {
    case GltfMeshopt::attributes:
        fits = m.byteStride > 0 && m.byteStride <= 256 && m.byteStride % 4 == 0;
        break;
    case GltfMeshopt::triangles:
        fits = (m.byteStride == 2 || m.byteStride == 4) && m.count % 3 == 0;
        break;
    case GltfMeshopt::indices:
        fits = m.byteStride == 2 || m.byteStride == 4;
        break;
    }
    const bool filterFits = m.filter == GltfMeshopt::none
                            || (m.mode == GltfMeshopt::attributes
                                && (m.filter == GltfMeshopt::exponential
                                    || (m.filter == GltfMeshopt::octahedral && (m.byteStride == 4 || m.byteStride == 8))
                                    || (m.filter == GltfMeshopt::quaternion && m.byteStride == 8)));
    if (!fits || !filterFits) {
        reason = where + ": byteStride " + std::to_string(m.byteStride) + " does not suit its mode, count and filter";
        return false;
    }
    reserveLarge(bytes, static_cast<std::size_t>(decodedSize));
    bytes.resize(static_cast<std::size_t>(decodedSize));
    const auto size = static_cast<std::size_t>(m.byteLength);
    int result = 0;
    if (m.mode == GltfMeshopt::attributes)
        result = meshopt_decodeVertexBuffer(bytes.data(), m.count, m.byteStride, source, size);
    else if (m.mode == GltfMeshopt::triangles)
        result = meshopt_decodeIndexBuffer(bytes.data(), m.count, m.byteStride, source, size);
    else
        result = meshopt_decodeIndexSequence(bytes.data(), m.count, m.byteStride, source, size);
    if (result != 0) {
        reason = where + ": the compressed data cannot be decoded";
        return false;
    }
    if (m.filter == GltfMeshopt::octahedral)
        meshopt_decodeFilterOct(bytes.data(), m.count, m.byteStride);
    else if (m.filter == GltfMeshopt::quaternion)
        meshopt_decodeFilterQuat(bytes.data(), m.count, m.byteStride);
    else if (m.filter == GltfMeshopt::exponential)
        meshopt_decodeFilterExp(bytes.data(), m.count, m.byteStride);
    return true;
}
