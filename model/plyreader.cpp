#include "model/plyreader.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include "model/numberscan.h"

namespace {

// Blocks of this size are read from the stream; a line longer than the
// buffer makes it grow.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
// The first buffer for streams of unknown size (pipes, memory streams).
constexpr std::size_t kSmallBlockSize = std::size_t{1} << 16;
// Arrays of streams of unknown size start at this many elements and double.
constexpr std::size_t kFirstCapacity = 4096;
// The shortest vertex line ("1-2-3") and face line ("3 0 1 2"), line end
// included: the least a declared count must find in the rest of the file.
constexpr uint64_t kMinVertexLineBytes = 6;
constexpr uint64_t kMinFaceLineBytes = 8;
// Faces with up to this many corners get their corner array before their
// indices are read.
constexpr int32_t kDirectCorners = 64;

// Hands out the lines of a stream one at a time, whole however long, without
// the line end (LF or CR LF). Reads in large blocks.
class LineReader {
public:
    LineReader(FILE* stream, std::size_t blockSize, LoadControl* control)
        : stream_(stream), blockSize_(blockSize), control_(control)
    {
    }

    // Moves to the next line; false at the end of the stream or on a read error.
    bool next()
    {
        for (;;) {
            char* base = buffer_.get();
            if (size_ > scanned_) {
                const void* found = std::memchr(base + scanned_, '\n', size_ - scanned_);
                if (found != nullptr) {
                    const std::size_t lineEnd = static_cast<std::size_t>(static_cast<const char*>(found) - base);
                    setLine(base + start_, base + lineEnd);
                    consumed_ += lineEnd + 1 - start_;
                    start_ = scanned_ = lineEnd + 1;
                    return true;
                }
                scanned_ = size_;
            }
            if (atEnd_) {
                // After a read error the unfinished line may be cut anywhere:
                // never hand it out as if it were whole.
                if (start_ == size_ || readError_)
                    return false;
                setLine(base + start_, base + size_);
                consumed_ += size_ - start_;
                start_ = scanned_ = size_;
                return true;
            }
            fill();
        }
    }

    const char* begin() const { return begin_; }
    const char* end() const { return end_; }
    // Number of the current line, counting from 1.
    long long lineNumber() const { return lineNumber_; }
    // Bytes of all lines handed out so far, line ends included.
    uint64_t consumed() const { return consumed_; }
    bool readError() const { return readError_; }
    bool cancelled() const { return cancelled_; }

private:
    void setLine(const char* begin, const char* end)
    {
        if (end > begin && end[-1] == '\r')
            --end;
        begin_ = begin;
        end_ = end;
        ++lineNumber_;
    }

    // Keeps the unfinished line, makes room and reads the next block.
    void fill()
    {
        if (start_ > 0) {
            std::memmove(buffer_.get(), buffer_.get() + start_, size_ - start_);
            size_ -= start_;
            scanned_ -= start_;
            start_ = 0;
        }
        if (size_ == capacity_) {
            const std::size_t newCapacity = capacity_ == 0 ? blockSize_ : capacity_ * 2;
            std::unique_ptr<char[]> bigger(new char[newCapacity]);
            if (size_ > 0)
                std::memcpy(bigger.get(), buffer_.get(), size_);
            buffer_ = std::move(bigger);
            capacity_ = newCapacity;
        }
        if (control_ != nullptr && control_->cancel.load(std::memory_order_relaxed)) {
            atEnd_ = readError_ = cancelled_ = true;
            return;
        }
        const std::size_t wanted = capacity_ - size_;
        const std::size_t got = std::fread(buffer_.get() + size_, 1, wanted, stream_);
        size_ += got;
        if (control_ != nullptr)
            control_->bytesRead.fetch_add(got, std::memory_order_relaxed);
        if (got < wanted) {
            atEnd_ = true;
            readError_ = std::ferror(stream_) != 0;
        }
    }

    FILE* stream_;
    std::size_t blockSize_;
    LoadControl* control_;
    std::unique_ptr<char[]> buffer_;
    std::size_t capacity_ = 0;
    std::size_t start_ = 0;   // start of the unfinished line
    std::size_t scanned_ = 0; // searched for a line end up to here
    std::size_t size_ = 0;    // bytes held
    bool atEnd_ = false;
    bool readError_ = false;
    bool cancelled_ = false;
    const char* begin_ = nullptr;
    const char* end_ = nullptr;
    long long lineNumber_ = 0;
    uint64_t consumed_ = 0;
};

// The arrays of a model under construction; releases them unless handed on.
struct ModelParts {
    MeshVertex* vertices = nullptr;
    std::size_t vertexCapacity = 0;
    MeshFace* faces = nullptr;
    std::size_t faceCapacity = 0;
    uint32_t facesRead = 0;

    ModelParts() = default;
    ModelParts(const ModelParts&) = delete;
    ModelParts& operator=(const ModelParts&) = delete;
    ~ModelParts()
    {
        if (faces != nullptr) {
            for (uint32_t i = 0; i < facesRead; ++i)
                std::free(faces[i].vertices);
        }
        std::free(faces);
        std::free(vertices);
    }
};

// Asks the kernel to back a large array with huge pages: filling hundreds of
// megabytes page by page costs more than reading the file. Only a hint.
void adviseHugePages(void* block, std::size_t bytes)
{
#ifdef MADV_HUGEPAGE
    constexpr std::size_t kWorthIt = std::size_t{4} << 20;
    if (block == nullptr || bytes < kWorthIt)
        return;
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize <= 0)
        return;
    const auto page = static_cast<uintptr_t>(pageSize);
    const uintptr_t begin = (reinterpret_cast<uintptr_t>(block) + page - 1) & ~(page - 1);
    const uintptr_t end = (reinterpret_cast<uintptr_t>(block) + bytes) & ~(page - 1);
    if (end > begin)
        madvise(reinterpret_cast<void*>(begin), end - begin, MADV_HUGEPAGE);
#else
    (void)block;
    (void)bytes;
#endif
}

// Grows a malloc'd array to hold at least `needed` elements, doubling up to
// `limit`. The vertex array only grows before any face points into it.
template <typename T>
bool reserveElements(T*& array, std::size_t& capacity, std::size_t needed, std::size_t limit)
{
    if (needed <= capacity)
        return true;
    std::size_t newCapacity = capacity == 0 ? kFirstCapacity : capacity * 2;
    if (newCapacity > limit)
        newCapacity = limit;
    if (newCapacity < needed)
        newCapacity = needed;
    void* grown = std::realloc(array, newCapacity * sizeof(T));
    if (grown == nullptr)
        return false;
    array = static_cast<T*>(grown);
    capacity = newCapacity;
    adviseHugePages(array, newCapacity * sizeof(T));
    return true;
}

bool startsWith(const char* begin, const char* end, const char* keyword, std::size_t length)
{
    return static_cast<std::size_t>(end - begin) >= length && std::memcmp(begin, keyword, length) == 0;
}

// Bytes left in the stream when it is a regular file; -1 when unknown.
long long bytesLeftInFile(FILE* stream)
{
    const int fd = fileno(stream);
    if (fd < 0)
        return -1;
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode))
        return -1;
    const off_t position = ftello(stream);
    if (position < 0)
        return -1;
    return info.st_size > position ? static_cast<long long>(info.st_size - position) : 0;
}

// A small file needs no full-size block.
std::size_t blockSizeFor(long long fileBytes)
{
    if (fileBytes < 0)
        return kSmallBlockSize;
    const auto wanted = static_cast<unsigned long long>(fileBytes) + 1;
    return wanted < 4096 ? 4096 : (wanted > kBlockSize ? kBlockSize : static_cast<std::size_t>(wanted));
}

class PlyReader {
public:
    PlyReader(FILE* stream, std::string* reason, LoadControl* control)
        : reason_(reason), fileBytes_(bytesLeftInFile(stream)), lines_(stream, blockSizeFor(fileBytes_), control)
    {
    }

    MeshModel* read();

private:
    bool readHeader();
    bool readCount(const char* what, std::size_t keywordLength, int32_t& count);
    bool checkBinaryFormat();
    bool allocate();
    bool readVertices();
    void normalise();
    bool readFaces();

    // Records why the file gives no model; always false.
    bool fail(long long line, const std::string& message)
    {
        if (reason_ != nullptr)
            *reason_ = "line " + std::to_string(line) + ": " + message;
        return false;
    }
    bool failAtEnd(const std::string& message)
    {
        if (lines_.cancelled()) {
            if (reason_ != nullptr)
                *reason_ = "loading was cancelled";
            return false;
        }
        if (lines_.readError())
            return fail(lines_.lineNumber() + 1, "the file could not be read");
        return fail(lines_.lineNumber() + 1, message);
    }
    bool outOfMemory()
    {
        if (reason_ != nullptr)
            *reason_ = "not enough memory for the model";
        return false;
    }

    std::string* reason_;
    long long fileBytes_;
    LineReader lines_;
    ModelParts parts_;
    int32_t vertex_num = 0;
    int32_t triangle_num = 0;
    long long endHeaderLine_ = 0;
    Vector3 MinV = {0.0, 0.0, 0.0};
    Vector3 MaxV = {0.0, 0.0, 0.0};
};

MeshModel* PlyReader::read()
{
    if (!readHeader() || !allocate() || !readVertices())
        return nullptr;
    normalise();
    if (!readFaces())
        return nullptr;

    auto* model = static_cast<MeshModel*>(std::malloc(sizeof(MeshModel)));
    if (model == nullptr) {
        outOfMemory();
        return nullptr;
    }
    model->vertexCount = static_cast<uint32_t>(vertex_num);
    model->vertices = parts_.vertices;
    model->faceCount = static_cast<uint32_t>(triangle_num);
    model->faces = parts_.faces;
    model->colours = nullptr;
    parts_.vertices = nullptr;
    parts_.faces = nullptr;
    parts_.facesRead = 0;
    buildMeshModel(model);
    return model;
}

bool PlyReader::readHeader()
{
    for (;;) {
        if (!lines_.next())
            return failAtEnd("the file ends before end_header");
        const char* begin = lines_.begin();
        const char* end = lines_.end();
        if (begin == end || *begin == '#')
            continue;
        if (startsWith(begin, end, "element vertex", 14)) {
            if (!readCount("vertex", 14, vertex_num))
                return false;
        } else if (startsWith(begin, end, "element face", 12)) {
            if (!readCount("face", 12, triangle_num))
                return false;
        } else if (startsWith(begin, end, "end_header", 10)) {
            endHeaderLine_ = lines_.lineNumber();
            return true;
        } else if (startsWith(begin, end, "format", 6)) {
            if (!checkBinaryFormat())
                return false;
        }
    }
}

// The count stands after the keyword and one separator character.
bool PlyReader::readCount(const char* what, std::size_t keywordLength, int32_t& count)
{
    const char* begin = lines_.begin();
    const char* end = lines_.end();
    const std::size_t length = static_cast<std::size_t>(end - begin);
    const char* from = begin + (length > keywordLength ? keywordLength + 1 : length);
    int32_t value = 0;
    bool outOfRange = false;
    const char* stop = scanInt(from, end, value, outOfRange);
    const long long line = lines_.lineNumber();
    const std::string name = std::string("the ") + what + " count";
    if (stop == nullptr)
        return fail(line, name + " is missing or not a number");
    if (value < 0)
        return fail(line, name + " is negative");
    if (outOfRange)
        return fail(line, name + " is too large");
    count = value;
    return true;
}

// A binary body must never be read as text.
bool PlyReader::checkBinaryFormat()
{
    const char* p = lines_.begin() + 6;
    const char* end = lines_.end();
    if (p == end || (*p != ' ' && *p != '\t'))
        return true;
    while (p < end && (*p == ' ' || *p == '\t'))
        ++p;
    if (startsWith(p, end, "binary", 6))
        return fail(lines_.lineNumber(), "binary PLY files are not supported, only ASCII");
    return true;
}

bool PlyReader::allocate()
{
    const uint64_t vertices = static_cast<uint64_t>(vertex_num);
    const uint64_t faces = static_cast<uint64_t>(triangle_num);
    if (fileBytes_ >= 0) {
        // A regular file: the counts must fit in what is left of it, so a
        // hostile header cannot make the reader allocate more than the file
        // could fill. Then the arrays get their final size at once.
        const uint64_t consumed = lines_.consumed();
        const uint64_t fileBytes = static_cast<uint64_t>(fileBytes_);
        const uint64_t left = fileBytes > consumed ? fileBytes - consumed : 0;
        uint64_t needed = vertices * kMinVertexLineBytes + faces * kMinFaceLineBytes;
        if (needed > 0)
            --needed; // the last line may lack its line end
        if (needed > left) {
            return fail(endHeaderLine_, "the header declares " + std::to_string(vertices) + " vertices and " +
                                            std::to_string(faces) + " faces, more than the rest of the file holds");
        }
        const std::size_t vertexElements = vertices > 0 ? vertices : 1;
        const std::size_t faceElements = faces > 0 ? faces : 1;
        if (!reserveElements(parts_.vertices, parts_.vertexCapacity, vertexElements, vertexElements) ||
            !reserveElements(parts_.faces, parts_.faceCapacity, faceElements, faceElements))
            return outOfMemory();
        return true;
    }
    // A stream of unknown length: the arrays grow with what is actually read.
    if (!reserveElements(parts_.vertices, parts_.vertexCapacity, 1, vertices > 0 ? vertices : 1) ||
        !reserveElements(parts_.faces, parts_.faceCapacity, 1, faces > 0 ? faces : 1))
        return outOfMemory();
    return true;
}

bool PlyReader::readVertices()
{
    const std::size_t count = static_cast<std::size_t>(vertex_num);
    for (std::size_t i = 0; i < count; ++i) {
        if (!lines_.next())
            return failAtEnd("the file ends after " + std::to_string(i) + " of " + std::to_string(count) + " vertices");
        const char* p = lines_.begin();
        const char* end = lines_.end();
        Vector3 position;
        if ((p = scanDouble(p, end, position.x)) == nullptr || (p = scanDouble(p, end, position.y)) == nullptr ||
            scanDouble(p, end, position.z) == nullptr)
            return fail(lines_.lineNumber(), "a vertex line needs three numbers x y z");
        if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z))
            return fail(lines_.lineNumber(), "a vertex coordinate is not a finite number");
        if (i >= parts_.vertexCapacity && !reserveElements(parts_.vertices, parts_.vertexCapacity, i + 1, count))
            return outOfMemory();
        parts_.vertices[i].position = position;

        // The box starts from the first vertex; later ones widen it only
        // where they lie strictly outside.
        if (i == 0) {
            MinV = position;
            MaxV = position;
            continue;
        }
        if (position.x > MaxV.x)
            MaxV.x = position.x;
        if (MinV.x > position.x)
            MinV.x = position.x;
        if (position.y > MaxV.y)
            MaxV.y = position.y;
        if (MinV.y > position.y)
            MinV.y = position.y;
        if (position.z > MaxV.z)
            MaxV.z = position.z;
        if (MinV.z > position.z)
            MinV.z = position.z;
    }
    return true;
}

// Centres the bounding box on the origin and scales every position by one
// factor, so the longest side of the box spans -1 to 1.
void PlyReader::normalise()
{
    const uint32_t count = static_cast<uint32_t>(vertex_num);
    if (count == 0)
        return;
    const Vector3 maxv = {2.0, 2.0, 2.0};
    Vector3 CenterV;
    Vector3 SizeV;
    Vector3 ScaleV;
    vecAdd(CenterV, MaxV, MinV);
    vecDivide(CenterV, CenterV, 2.0);
    vecSub(SizeV, MaxV, MinV);

    const bool finiteBox = std::isfinite(CenterV.x) && std::isfinite(CenterV.y) && std::isfinite(CenterV.z) &&
                           std::isfinite(SizeV.x) && std::isfinite(SizeV.y) && std::isfinite(SizeV.z);
    // Coordinates near the limit of double make the box overflow; then the
    // work is done on half the coordinates, which cannot overflow.
    const double prescale = finiteBox ? 1.0 : 0.5;
    if (!finiteBox) {
        Vector3 halfMin;
        Vector3 halfMax;
        vecScale(halfMin, MinV, prescale);
        vecScale(halfMax, MaxV, prescale);
        vecAdd(CenterV, halfMax, halfMin);
        vecDivide(CenterV, CenterV, 2.0);
        vecSub(SizeV, halfMax, halfMin);
    }
    vecDivComponents(ScaleV, maxv, SizeV);
    double s = minComponent(ScaleV);
    // Every extent zero (all vertices at one point) gives an infinite factor;
    // any finite one puts all positions at the origin.
    if (!std::isfinite(s))
        s = 1.0;

    for (uint32_t i = 0; i < count; ++i) {
        Vector3& position = parts_.vertices[i].position;
        if (!finiteBox)
            vecScale(position, position, prescale);
        vecSub(position, position, CenterV);
        vecScale(position, position, s);
    }
}

bool PlyReader::readFaces()
{
    const std::size_t count = static_cast<std::size_t>(triangle_num);
    const int32_t lastIndex = vertex_num - 1;
    std::vector<MeshVertex*> corners;
    corners.reserve(16);
    for (std::size_t i = 0; i < count; ++i) {
        if (!lines_.next())
            return failAtEnd("the file ends after " + std::to_string(i) + " of " + std::to_string(count) + " faces");
        const long long line = lines_.lineNumber();
        const char* begin = lines_.begin();
        const char* end = lines_.end();

        int32_t n = 0;
        bool outOfRange = false;
        if (scanInt(begin, end, n, outOfRange) == nullptr)
            return fail(line, "a face line must begin with its corner count");
        if (outOfRange)
            return fail(line, "the corner count is out of range");
        if (n < 3)
            return fail(line, "a face needs at least three corners, this one has " + std::to_string(n));
        const int32_t cornerCount = n;

        if (i >= parts_.faceCapacity && !reserveElements(parts_.faces, parts_.faceCapacity, i + 1, count))
            return outOfMemory();
        // Small polygons get their corner array at once; for larger counts,
        // which a hostile line may claim, the indices are collected first.
        const bool direct = cornerCount <= kDirectCorners;
        MeshVertex** cornerArray = nullptr;
        if (direct) {
            const std::size_t bytes = sizeof(MeshVertex*) * static_cast<std::size_t>(cornerCount);
            cornerArray = static_cast<MeshVertex**>(std::malloc(bytes));
            if (cornerArray == nullptr)
                return outOfMemory();
        } else {
            corners.clear();
        }
        std::unique_ptr<MeshVertex*, decltype(&std::free)> cornerGuard(cornerArray, &std::free);

        // Tokens are separated by spaces only: skip the count token, then
        // read each corner index at the start of its token.
        const char* p = begin;
        while (p < end && *p == ' ')
            ++p;
        while (p < end && *p != ' ' && *p != '\0')
            ++p;
        for (int32_t j = 0; j < cornerCount; ++j) {
            while (p < end && *p == ' ')
                ++p;
            const char* token = p;
            const char* stop = scanInt(token, end, n, outOfRange);
            if (stop == nullptr) {
                return fail(line, "the face has " + std::to_string(j) + " of its " + std::to_string(cornerCount) +
                                      " corner indices");
            }
            if (outOfRange || n < 0 || n > lastIndex) {
                while (token < stop && (*token == '\t' || *token == '\v' || *token == '\f' || *token == '\r'))
                    ++token;
                const std::string index(token, stop);
                if (vertex_num == 0)
                    return fail(line, "corner index " + index + " refers to a vertex, but the file has none");
                return fail(line, "corner index " + index + " is outside 0.." + std::to_string(lastIndex));
            }
            if (direct)
                cornerArray[j] = parts_.vertices + n;
            else
                corners.push_back(parts_.vertices + n);
            p = stop;
            while (p < end && *p != ' ' && *p != '\0')
                ++p;
        }

        if (!direct) {
            const std::size_t bytes = corners.size() * sizeof(MeshVertex*);
            cornerArray = static_cast<MeshVertex**>(std::malloc(bytes));
            if (cornerArray == nullptr)
                return outOfMemory();
            std::memcpy(cornerArray, corners.data(), bytes);
        }
        cornerGuard.release();
        MeshFace& face = parts_.faces[i];
        face.vertexCount = static_cast<uint32_t>(cornerCount);
        face.vertices = cornerArray;
        parts_.facesRead = static_cast<uint32_t>(i + 1);
    }
    return true;
}

void copyTruncated(char* dest, std::size_t destSize, const std::string& text)
{
    if (dest == nullptr || destSize == 0)
        return;
    const std::size_t length = text.size() < destSize - 1 ? text.size() : destSize - 1;
    std::memcpy(dest, text.data(), length);
    dest[length] = '\0';
}

} // namespace

MeshModel* loadModel(FILE* stream, const char* extension, std::string* reason, LoadControl* control)
{
    if (!isPlyExtension(extension)) {
        if (reason != nullptr)
            *reason = "no reader for this file type";
        return nullptr;
    }
    return readPlyModel(stream, reason, control);
}

MeshModel* readPlyModel(FILE* stream, std::string* reason, LoadControl* control)
{
    if (reason != nullptr)
        reason->clear();
    if (stream == nullptr) {
        if (reason != nullptr)
            *reason = "no file to read";
        return nullptr;
    }
    try {
        PlyReader reader(stream, reason, control);
        return reader.read();
    } catch (const std::bad_alloc&) {
        if (reason != nullptr)
            *reason = "not enough memory to read the file";
        return nullptr;
    }
}

double minComponent(const Vector3& v)
{
    if (v.x <= v.y && v.x <= v.z)
        return v.x;
    if (v.y <= v.x && v.y <= v.z)
        return v.y;
    return v.z;
}

bool isPlyExtension(const char* extension)
{
    return extension != nullptr && std::strncmp(extension, "ply", 3) == 0;
}

std::string fileNamePart(const std::string& path)
{
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string::npos ? path : path.substr(separator + 1);
}

std::string fileExtension(const std::string& path)
{
    const std::string name = fileNamePart(path);
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

void fileNamePart(char* dest, std::size_t destSize, const char* path)
{
    copyTruncated(dest, destSize, fileNamePart(std::string(path != nullptr ? path : "")));
}

void fileExtension(char* dest, std::size_t destSize, const char* path)
{
    copyTruncated(dest, destSize, fileExtension(std::string(path != nullptr ? path : "")));
}
