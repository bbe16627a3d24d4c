#include "model/gltf/gltffile.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

#include "model/memorylimit.h"

namespace {

constexpr uint32_t kJsonChunk = 0x4E4F534Au;
constexpr uint32_t kBinaryChunk = 0x004E4942u;
constexpr std::size_t kPiece = std::size_t{8} << 20;

uint32_t word(const char* at)
{
    uint32_t value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

// The bytes left in the stream, or -1 when not known.
long long bytesLeft(FILE* stream)
{
    struct stat info;
    if (fstat(fileno(stream), &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    const long at = std::ftell(stream);
    return at < 0 || at > info.st_size ? -1 : info.st_size - at;
}

// Doubles the buffer when it is full.
void ensureRoom(GltfFileBytes& bytes, std::size_t padding)
{
    if (bytes.size < bytes.capacity)
        return;
    const std::size_t larger = std::max<std::size_t>(2 * bytes.capacity, kPiece);
    HugeBuffer moved = makeHugeBuffer(larger + padding);
    std::memcpy(moved.get(), bytes.data.get(), bytes.size);
    bytes.data = std::move(moved);
    bytes.capacity = larger;
}

} // namespace

bool readGltfStream(FILE* stream, std::size_t padding, GltfFileBytes& bytes, LoadControl* control, std::string& reason)
{
    const long long left = bytesLeft(stream);
    const uint64_t limit = loadMemoryLimit();
    if (left >= 0 && !fitsMemoryLimit(static_cast<uint64_t>(left), limit, reason))
        return false;
    bytes.capacity = left >= 0 ? static_cast<std::size_t>(left) : kPiece;
    bytes.data = makeHugeBuffer(bytes.capacity + padding);
    bytes.size = 0;
    while (true) {
        if (bytes.size == bytes.capacity) {
            if (left >= 0) {
                // A regular file is read to its end, even one grown meanwhile.
                char probe;
                if (std::fread(&probe, 1, 1, stream) != 1)
                    break;
                if (control != nullptr)
                    ++control->bytesRead;
                ensureRoom(bytes, padding);
                bytes.data[bytes.size++] = probe;
            }
            if (bytes.size == bytes.capacity && !fitsMemoryLimit(2 * bytes.capacity, limit, reason))
                return false;
            ensureRoom(bytes, padding);
        }
        const std::size_t got
            = std::fread(bytes.data.get() + bytes.size, 1, std::min(kPiece, bytes.capacity - bytes.size), stream);
        bytes.size += got;
        if (control != nullptr) {
            control->bytesRead += got;
            if (control->cancel.load()) {
                reason = "loading was cancelled";
                return false;
            }
        }
        if (got == 0)
            break;
    }
    if (std::ferror(stream)) {
        reason = "the file cannot be read";
        return false;
    }
    std::memset(bytes.data.get() + bytes.size, 0, padding);
    return true;
}

bool isGltfBinary(const char* bytes, std::size_t size)
{
    return size >= 4 && std::memcmp(bytes, "glTF", 4) == 0;
}

bool splitGltfBinary(const char* bytes, std::size_t size, GltfBinaryParts& parts, std::string& reason)
{
    if (size < 12) {
        reason = "the binary glTF header is cut short";
        return false;
    }
    const uint32_t version = word(bytes + 4);
    if (version != 2) {
        reason = "the file is binary glTF version " + std::to_string(version) + ", not 2";
        return false;
    }
    const uint32_t length = word(bytes + 8);
    if (length != size) {
        reason
            = "the header says the file has " + std::to_string(length) + " bytes, but it has " + std::to_string(size);
        return false;
    }
    std::size_t at = 12;
    bool first = true;
    while (at < size) {
        if (size - at < 8) {
            reason = "byte " + std::to_string(at) + ": a chunk header is cut short";
            return false;
        }
        const uint32_t chunkLength = word(bytes + at);
        const uint32_t type = word(bytes + at + 4);
        const std::size_t body = at + 8;
        if (chunkLength > size - body) {
            reason = "byte " + std::to_string(at) + ": the chunk of " + std::to_string(chunkLength)
                     + " bytes runs past the end of the file";
            return false;
        }
        if (first && type != kJsonChunk) {
            reason = "byte 12: the first chunk is not JSON";
            return false;
        }
        if (first) {
            parts.json = bytes + body;
            parts.jsonSize = chunkLength;
        } else if (type == kBinaryChunk && parts.binary == nullptr) {
            parts.binary = reinterpret_cast<const uint8_t*>(bytes + body);
            parts.binarySize = chunkLength;
        }
        first = false;
        at = body + chunkLength;
        // The next chunk starts at a multiple of four, unless the writer
        // left out the padding: then it starts right away.
        const std::size_t padded = (at + 3) & ~std::size_t{3};
        if (padded != at && padded <= size && (size - at < 8 || (word(bytes + at + 4) != kBinaryChunk)))
            at = padded;
    }
    if (first) {
        reason = "the file has no JSON chunk";
        return false;
    }
    return true;
}
