#include "model/off/offreader.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "model/blockreader.h"
#include "model/modelbuilder.h"
#include "model/numberscan.h"

namespace {

// The shortest vertex line ("1 2 3") and face line ("3 0 1 2"), line end
// included: when the rest of the file holds that much for every declared
// item, the arrays get their final size at once.
constexpr uint64_t kMinVertexLineBytes = 6;
constexpr uint64_t kMinFaceLineBytes = 8;
// Faces are collected in batches of about this many corners before they go
// to the model.
constexpr std::size_t kFaceBatch = 65536;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r';
}

// The end of the line's content: before a '#' comment.
const char* contentEnd(const char* begin, const char* end)
{
    for (const char* p = begin; p < end; ++p) {
        if (*p == '#')
            return p;
    }
    return end;
}

bool isEmpty(const char* p, const char* end)
{
    while (p < end && isBlank(*p))
        ++p;
    return p == end;
}

// True when the next `count` tokens from p are integers: digits only.
bool isIntegers(const char* p, const char* end, int count)
{
    for (int k = 0; k < count; ++k) {
        while (p < end && isBlank(*p))
            ++p;
        const char* digits = p;
        while (p < end && *p >= '0' && *p <= '9')
            ++p;
        if (p == digits || (p < end && !isBlank(*p)))
            return false;
    }
    return true;
}

float channel(double value)
{
    return value >= 0.0 ? (value <= 1.0 ? static_cast<float>(value) : 1.0f) : 0.0f;
}

class OffReader {
public:
    OffReader(FILE* stream, std::string& reason, LoadControl* control)
        : reason_(reason), fileBytes_(bytesLeftInFile(stream)), in_(stream, readerBlockSize(fileBytes_), control)
    {
    }

    MeshModel* read()
    {
        if (!readHeader() || !prepare() || !readVertices() || !readFaces())
            return nullptr;
        MeshModel* model = builder_.finish();
        if (model == nullptr)
            outOfMemory();
        return model;
    }

    uint64_t skippedFaces() const { return skipped_; }

private:
    bool fail(const std::string& message)
    {
        reason_ = "line " + std::to_string(in_.lineNumber()) + ": " + message;
        return false;
    }
    bool outOfMemory()
    {
        reason_ = "not enough memory for the model";
        return false;
    }

    // Moves to the next line with content, p and end around it; false with
    // the reason when there is none.
    bool nextLine(const char*& p, const char*& end, const std::string& atEnd)
    {
        while (in_.nextLine()) {
            p = in_.begin();
            end = contentEnd(p, in_.end());
            if (!isEmpty(p, end))
                return true;
        }
        reason_ = in_.stop() == BlockReader::Stop::cancelled ? "loading was cancelled" : in_.lineStopReason(atEnd);
        return false;
    }

    bool readHeader()
    {
        const char* p = nullptr;
        const char* end = nullptr;
        if (!nextLine(p, end, "the file has no OFF header"))
            return false;
        while (p < end && isBlank(*p))
            ++p;
        const char* word = p;
        while (p < end && !isBlank(*p))
            ++p;
        const std::string keyword(word, p);
        if (keyword != "OFF" && keyword != "COFF" && keyword != "NOFF" && keyword != "CNOFF")
            return fail("the file does not begin with OFF, COFF, NOFF or CNOFF");
        normals_ = keyword.find('N') != std::string::npos;
        colours_ = keyword[0] == 'C';
        if (isEmpty(p, end) && !nextLine(p, end, "the file ends before the vertex and face counts"))
            return false;
        int32_t counts[2];
        for (int32_t& count : counts) {
            bool outOfRange = false;
            p = scanInt(p, end, count, outOfRange);
            if (p == nullptr || outOfRange || count < 0)
                return fail("the header needs the vertex and face counts");
        }
        vertices_ = static_cast<uint32_t>(counts[0]);
        faces_ = static_cast<uint32_t>(counts[1]);
        return true;
    }

    // The one place where the declared counts become the model's arrays.
    bool prepare()
    {
        bool exact = false;
        if (fileBytes_ >= 0) {
            const uint64_t consumed = in_.consumed();
            const auto fileBytes = static_cast<uint64_t>(fileBytes_);
            const uint64_t left = fileBytes > consumed ? fileBytes - consumed : 0;
            const uint64_t items = uint64_t{vertices_} + faces_;
            if (items > 0 && items - 1 > left)
                return fail("the header declares " + std::to_string(vertices_) + " vertices and "
                            + std::to_string(faces_) + " faces, more than the rest of the file holds");
            exact = vertices_ * kMinVertexLineBytes + faces_ * kMinFaceLineBytes <= left + 1;
        }
        if (!builder_.prepare(vertices_, faces_, colours_, exact))
            return outOfMemory();
        return true;
    }

    bool readVertices()
    {
        // x y z, a normal, r g b a.
        const int wanted = 3 + (normals_ ? 3 : 0) + (colours_ ? 3 : 0);
        for (uint32_t i = 0; i < vertices_; ++i) {
            const char* p = nullptr;
            const char* end = nullptr;
            if (!nextLine(p, end,
                          "the file ends after " + std::to_string(i) + " of " + std::to_string(vertices_)
                              + " vertices"))
                return false;
            double values[9];
            const char* colour = nullptr;
            for (int k = 0; k < wanted; ++k) {
                if (k == wanted - 3 && colours_)
                    colour = p;
                if ((p = scanDouble(p, end, values[k])) == nullptr)
                    return fail(k < 3 ? "a vertex line needs three numbers x y z"
                                      : "the vertex line has too few numbers for its "
                                            + std::string(colours_ && k >= wanted - 3 ? "colour" : "normal"));
            }
            const Vector3 position = {values[0], values[1], values[2]};
            if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z))
                return fail("a vertex coordinate is not a finite number");
            if (!builder_.addVertex(position))
                return outOfMemory();
            if (colours_) {
                const double* rgb = values + wanted - 3;
                // Integers with one above 1 are 0 to 255, other numbers 0 to 1.
                const bool bytes = isIntegers(colour, end, 3) && (rgb[0] > 1.0 || rgb[1] > 1.0 || rgb[2] > 1.0);
                const double scale = bytes ? 1.0 / 255.0 : 1.0;
                builder_.setColour(channel(rgb[0] * scale), channel(rgb[1] * scale), channel(rgb[2] * scale));
            }
        }
        return true;
    }

    bool readFaces()
    {
        FaceList list;
        for (uint32_t i = 0; i < faces_; ++i) {
            const char* p = nullptr;
            const char* end = nullptr;
            if (!nextLine(p, end,
                          "the file ends after " + std::to_string(i) + " of " + std::to_string(faces_) + " faces"))
                return false;
            int32_t count = 0;
            bool outOfRange = false;
            if ((p = scanInt(p, end, count, outOfRange)) == nullptr)
                return fail("a face line must begin with its corner count");
            if (outOfRange || count < 0)
                return fail("the corner count is out of range");
            const std::size_t first = list.corners.size();
            for (int32_t c = 0; c < count; ++c) {
                int32_t index = 0;
                if ((p = scanInt(p, end, index, outOfRange)) == nullptr)
                    return fail("the face line has " + std::to_string(c) + " of its " + std::to_string(count)
                                + " corner indices");
                if (outOfRange || index < 0 || static_cast<uint32_t>(index) >= vertices_)
                    return fail(
                        "corner index " + std::to_string(index) + " is outside "
                        + (vertices_ > 0 ? "0.." + std::to_string(vertices_ - 1) : "the vertices, there are none"));
                list.corners.push_back(builder_.corner(static_cast<uint32_t>(index)));
            }
            if (count < 3) {
                list.corners.resize(first);
                ++skipped_;
                continue;
            }
            list.counts.push_back(static_cast<uint32_t>(count));
            if (list.corners.size() >= kFaceBatch || i + 1 == faces_) {
                if (!builder_.addFaces(list))
                    return outOfMemory();
                list.clear();
            }
        }
        return builder_.addFaces(list) || outOfMemory();
    }

    std::string& reason_;
    long long fileBytes_;
    BlockReader in_;
    ModelBuilder builder_;
    bool normals_ = false;
    bool colours_ = false;
    uint32_t vertices_ = 0;
    uint32_t faces_ = 0;
    uint64_t skipped_ = 0;
};

} // namespace

MeshModel* readOffModel(FILE* stream, std::string* reason, LoadControl* control)
{
    std::string ignored;
    std::string& why = reason != nullptr ? *reason : ignored;
    why.clear();
    if (stream == nullptr) {
        why = "no file to read";
        return nullptr;
    }
    try {
        OffReader reader(stream, why, control);
        MeshModel* model = reader.read();
        if (model != nullptr && control != nullptr)
            control->skippedFaces.store(reader.skippedFaces());
        return model;
    } catch (const std::bad_alloc&) {
        why = "not enough memory to read the file";
        return nullptr;
    }
}
