#include "model/gltf/gltfaccessor.h"

#include <algorithm>
#include <cstring>

#include "model/bigmemory.h"
#include "model/memorylimit.h"

namespace {

uint32_t componentBytes(uint32_t type)
{
    switch (type) {
    case 5120:
    case 5121:
        return 1;
    case 5122:
    case 5123:
        return 2;
    default:
        return 4;
    }
}

template <typename T> T load(const uint8_t* at)
{
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

float componentValue(const uint8_t* at, uint32_t type, bool normalized)
{
    switch (type) {
    case 5120: {
        const float c = load<int8_t>(at);
        return normalized ? std::max(c / 127.0f, -1.0f) : c;
    }
    case 5121: {
        const float c = load<uint8_t>(at);
        return normalized ? c / 255.0f : c;
    }
    case 5122: {
        const float c = load<int16_t>(at);
        return normalized ? std::max(c / 32767.0f, -1.0f) : c;
    }
    case 5123: {
        const float c = load<uint16_t>(at);
        return normalized ? c / 65535.0f : c;
    }
    case 5125: {
        const uint32_t c = load<uint32_t>(at);
        return normalized ? static_cast<float>(c / 4294967295.0) : static_cast<float>(c);
    }
    default:
        return load<float>(at);
    }
}

uint32_t indexValue(const uint8_t* at, uint32_t type)
{
    switch (type) {
    case 5121:
        return load<uint8_t>(at);
    case 5123:
        return load<uint16_t>(at);
    default:
        return load<uint32_t>(at);
    }
}

// The bytes of `count` elements of `elementBytes` at `offset` in a view,
// `stride` apart; false with the reason when they run past it.
bool elementsIn(GltfBuffers& buffers, uint32_t view, uint64_t offset, uint64_t count, uint64_t elementBytes,
                uint64_t stride, const uint8_t*& data, std::string& reason, const char* what)
{
    uint64_t size = 0;
    if (!buffers.view(view, data, size, reason))
        return false;
    if (count == 0)
        return true;
    if (offset > size || elementBytes > size - offset || (count - 1) > (size - offset - elementBytes) / stride) {
        reason = *what == '\0' ? "runs past its buffer view" : std::string(what) + " run past their buffer view";
        return false;
    }
    data += offset;
    return true;
}

// Once the accessor's bytes are known to lie inside their views, calls
// ready() (which makes room for the values: nothing is taken for a file that
// cannot hold them), then put(element, bytes) for every element, the sparse
// values after the others.
template <typename Ready, typename Put>
bool eachElement(const GltfDocument& document, GltfBuffers& buffers, const GltfAccessor& a, uint64_t elementBytes,
                 std::string& reason, Ready ready, Put put)
{
    const uint8_t* data = nullptr;
    uint32_t stride = 0;
    if (a.view != kGltfNone) {
        stride = a.view < document.views.size() && document.views[a.view].byteStride != 0
                     ? document.views[a.view].byteStride
                     : static_cast<uint32_t>(elementBytes);
        if (!elementsIn(buffers, a.view, a.byteOffset, a.count, elementBytes, stride, data, reason, ""))
            return false;
    }
    const GltfSparse& s = a.sparseData;
    const uint8_t* indices = nullptr;
    const uint8_t* values = nullptr;
    const uint32_t indexBytes = a.sparse ? componentBytes(s.indexType) : 0;
    if (a.sparse) {
        if (s.count > a.count) {
            reason = "its sparse count is larger than its count";
            return false;
        }
        if (!elementsIn(buffers, s.indexView, s.indexOffset, s.count, indexBytes, indexBytes, indices, reason,
                        "its sparse indices")
            || !elementsIn(buffers, s.valueView, s.valueOffset, s.count, elementBytes, elementBytes, values, reason,
                           "its sparse values"))
            return false;
    }
    ready();
    if (a.view != kGltfNone) {
        for (uint32_t i = 0; i < a.count; ++i)
            put(i, data + uint64_t{i} * stride);
    }
    if (!a.sparse)
        return true;
    for (uint32_t i = 0; i < s.count; ++i) {
        const uint32_t at = indexValue(indices + uint64_t{i} * indexBytes, s.indexType);
        if (at >= a.count) {
            reason = "sparse index " + std::to_string(at) + " is out of range";
            return false;
        }
        put(at, values + uint64_t{i} * elementBytes);
    }
    return true;
}

bool findAccessor(const GltfDocument& document, uint32_t index, std::string& reason)
{
    if (index < document.accessors.size())
        return true;
    reason = "does not exist";
    return false;
}

// Refuses an accessor whose values would not fit the memory a load may use
// (one without a view holds zeros, and its count is not bounded by a file).
bool fitsMemory(uint64_t count, uint64_t bytes, std::string& reason)
{
    return fitsMemoryLimit(count * bytes, loadMemoryLimit(), reason);
}

} // namespace

bool readGltfFloats(const GltfDocument& document, GltfBuffers& buffers, uint32_t index, uint32_t components,
                    std::vector<float>& values, std::string& reason)
{
    if (!findAccessor(document, index, reason))
        return false;
    const GltfAccessor& a = document.accessors[index];
    if (!fitsMemory(a.count, sizeof(float) * components, reason))
        return false;
    const uint32_t size = componentBytes(a.componentType);
    const uint32_t taken = std::min(components, a.components);
    const uint32_t type = a.componentType;
    const bool normalized = a.normalized;
    float* out = nullptr;
    const auto ready = [&values, &out, &a, components] {
        assignLarge(values, std::size_t{a.count} * components, 0.0f);
        out = values.data();
    };
    if (type == 5126 && taken == 3 && components == 3 && !a.sparse)
        return eachElement(document, buffers, a, uint64_t{size} * a.components, reason, ready,
                           [&out](uint32_t i, const uint8_t* at) { std::memcpy(out + 3 * std::size_t{i}, at, 12); });
    return eachElement(document, buffers, a, uint64_t{size} * a.components, reason, ready,
                       [&out, size, taken, components, type, normalized](uint32_t i, const uint8_t* at) {
                           float* element = out + std::size_t{i} * components;
                           for (uint32_t c = 0; c < taken; ++c)
                               element[c] = componentValue(at + c * size, type, normalized);
                       });
}

bool readGltfIndices(const GltfDocument& document, GltfBuffers& buffers, uint32_t index, std::vector<uint32_t>& values,
                     std::string& reason)
{
    if (!findAccessor(document, index, reason))
        return false;
    const GltfAccessor& a = document.accessors[index];
    if (a.components != 1 || (a.componentType != 5121 && a.componentType != 5123 && a.componentType != 5125)) {
        reason = "is not a list of unsigned integers";
        return false;
    }
    if (!fitsMemory(a.count, sizeof(uint32_t), reason))
        return false;
    const uint32_t type = a.componentType;
    uint32_t* out = nullptr;
    return eachElement(
        document, buffers, a, componentBytes(type), reason,
        [&values, &out, &a] {
            assignLarge(values, std::size_t{a.count}, 0u);
            out = values.data();
        },
        [&out, type](uint32_t i, const uint8_t* at) { out[i] = indexValue(at, type); });
}
