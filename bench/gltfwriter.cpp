#include "bench/gltfwriter.h"

#include <algorithm>
#include <cstring>

namespace {

std::string base64(const std::string& bytes)
{
    static const char* const kDigits = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        const std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = (group << 8) | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= n ? kDigits[(group >> (18 - 6 * k)) & 63] : '=';
    }
    return text;
}

void putWord(std::string& out, uint32_t value)
{
    char bytes[4];
    std::memcpy(bytes, &value, 4);
    out.append(bytes, 4);
}

} // namespace

std::string gltfOf(const std::vector<float>& positions, const std::vector<uint32_t>& triangles, bool binary)
{
    float low[3] = {0, 0, 0};
    float high[3] = {0, 0, 0};
    for (std::size_t i = 0; i < positions.size(); ++i) {
        const std::size_t axis = i % 3;
        low[axis] = i < 3 ? positions[i] : std::min(low[axis], positions[i]);
        high[axis] = i < 3 ? positions[i] : std::max(high[axis], positions[i]);
    }
    std::string buffer(positions.size() * 4 + triangles.size() * 4, '\0');
    std::memcpy(buffer.data(), positions.data(), positions.size() * 4);
    std::memcpy(buffer.data() + positions.size() * 4, triangles.data(), triangles.size() * 4);
    const std::string p = std::to_string(positions.size() * 4);
    const std::string uri
        = binary ? std::string() : ",\"uri\":\"data:application/octet-stream;base64," + base64(buffer) + "\"";
    std::string json = "{\"asset\":{\"version\":\"2.0\",\"generator\":\"Brenvik benchmarks\"},\"scene\":0,"
                       "\"scenes\":[{\"nodes\":[0]}],\"nodes\":[{\"mesh\":0}],"
                       "\"meshes\":[{\"name\":\"grid\",\"primitives\":[{\"attributes\":{\"POSITION\":0},\"indices\":1,"
                       "\"mode\":4}]}],"
                       "\"accessors\":[{\"bufferView\":0,\"componentType\":5126,\"count\":"
                       + std::to_string(positions.size() / 3) + ",\"type\":\"VEC3\",\"min\":[" + std::to_string(low[0])
                       + "," + std::to_string(low[1]) + "," + std::to_string(low[2]) + "],\"max\":["
                       + std::to_string(high[0]) + "," + std::to_string(high[1]) + "," + std::to_string(high[2])
                       + "]},{\"bufferView\":1,\"componentType\":5125,\"count\":" + std::to_string(triangles.size())
                       + ",\"type\":\"SCALAR\"}],"
                         "\"bufferViews\":[{\"buffer\":0,\"byteLength\":"
                       + p + ",\"target\":34962},{\"buffer\":0,\"byteOffset\":" + p + ",\"byteLength\":"
                       + std::to_string(triangles.size() * 4) + ",\"target\":34963}],\"buffers\":[{\"byteLength\":"
                       + std::to_string(buffer.size()) + uri + "}]}";
    if (!binary)
        return json;
    json.resize((json.size() + 3) & ~std::size_t{3}, ' ');
    buffer.resize((buffer.size() + 3) & ~std::size_t{3}, '\0');
    std::string file = "glTF";
    putWord(file, 2);
    putWord(file, static_cast<uint32_t>(12 + 8 + json.size() + 8 + buffer.size()));
    putWord(file, static_cast<uint32_t>(json.size()));
    putWord(file, 0x4E4F534Au);
    file += json;
    putWord(file, static_cast<uint32_t>(buffer.size()));
    putWord(file, 0x004E4942u);
    file += buffer;
    return file;
}
