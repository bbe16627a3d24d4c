#include "model/obj/objreader.h"

#include <cmath>
#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "model/blockreader.h"
#include "model/modelbuilder.h"
#include "model/numberscan.h"

namespace {

// Faces are collected in batches of about this many corners before they go
// to the model.
constexpr std::size_t kFaceBatch = 65536;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r';
}

class ObjReader {
public:
    ObjReader(FILE* stream, std::string& reason, LoadControl* control)
        : reason_(reason), in_(stream, readerBlockSize(bytesLeftInFile(stream)), control)
    {
    }

    MeshModel* read()
    {
        while (in_.nextLine()) {
            if (!readLine())
                return nullptr;
        }
        if (in_.stop() == BlockReader::Stop::cancelled) {
            reason_ = "loading was cancelled";
            return nullptr;
        }
        if (in_.stop() != BlockReader::Stop::end) {
            reason_ = in_.lineStopReason("");
            return nullptr;
        }
        if (!continued_.empty() && !parse(continued_.data(), continued_.data() + continued_.size(), continuedLine_))
            return nullptr;
        if (!prepared_ && !prepare(false))
            return nullptr;
        if (!builder_.addFaces(faces_))
            return outOfMemory();
        if (largestIndex_ > builder_.vertexCount()) {
            reason_ = "line " + std::to_string(largestIndexLine_) + ": corner index " + std::to_string(largestIndex_)
                      + " is outside 1.." + std::to_string(builder_.vertexCount());
            return nullptr;
        }
        MeshModel* model = builder_.finish();
        if (model == nullptr)
            return outOfMemory();
        return model;
    }

    uint64_t skippedFaces() const { return skipped_; }

private:
    std::nullptr_t fail(long long line, const std::string& message)
    {
        reason_ = "line " + std::to_string(line) + ": " + message;
        return nullptr;
    }
    std::nullptr_t outOfMemory()
    {
        reason_ = "not enough memory for the model";
        return nullptr;
    }

    // Takes the current line, joining lines that end in a backslash.
    bool readLine()
    {
        const char* begin = in_.begin();
        const char* end = in_.end();
        const bool goesOn = end > begin && end[-1] == '\\';
        if (goesOn || !continued_.empty()) {
            if (continued_.empty())
                continuedLine_ = in_.lineNumber();
            else
                continued_ += ' ';
            continued_.append(begin, goesOn ? end - 1 : end);
            if (continued_.size() > BlockReader::kMaxLineLength) {
                fail(in_.lineNumber(), BlockReader::stopMessage(BlockReader::Stop::longLine));
                return false;
            }
            if (goesOn)
                return true;
            const bool parsed = parse(continued_.data(), continued_.data() + continued_.size(), continuedLine_);
            continued_.clear();
            return parsed;
        }
        return parse(begin, end, in_.lineNumber());
    }

    // The one place where the model's arrays are first made: their sizes
    // are not known, so they grow with what is read.
    bool prepare(bool colours)
    {
        prepared_ = true;
        hasColours_ = colours;
        if (!builder_.prepare(std::numeric_limits<uint32_t>::max(), 0, colours, false)) {
            outOfMemory();
            return false;
        }
        return true;
    }

    bool parse(const char* p, const char* end, long long line)
    {
        while (p < end && isBlank(*p))
            ++p;
        // A keyword of one letter: v or f.
        if (p == end || (end - p > 1 && !isBlank(p[1])))
            return true;
        if (*p == 'v')
            return vertex(p + 1, end, line);
        if (*p == 'f')
            return face(p + 1, end, line);
        return true;
    }

    bool vertex(const char* p, const char* end, long long line)
    {
        double values[6];
        int count = 0;
        for (const char* q; count < 6 && (q = scanDouble(p, end, values[count])) != nullptr; p = q)
            ++count;
        if (count < 3) {
            fail(line, "a vertex needs three numbers x y z");
            return false;
        }
        const Vector3 position = {values[0], values[1], values[2]};
        if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z)) {
            fail(line, "a vertex coordinate is not a finite number");
            return false;
        }
        if (!prepared_ && !prepare(count == 6))
            return false;
        if (builder_.vertexCount() == std::numeric_limits<uint32_t>::max() - 1 || !builder_.addVertex(position)) {
            outOfMemory();
            return false;
        }
        if (hasColours_) {
            if (count == 6)
                builder_.setColour(channel(values[3]), channel(values[4]), channel(values[5]));
            else
                builder_.setColour(1.0f, 1.0f, 1.0f);
        }
        return true;
    }

    static float channel(double value)
    {
        return value >= 0.0 ? (value <= 1.0 ? static_cast<float>(value) : 1.0f) : 0.0f;
    }

    bool face(const char* p, const char* end, long long line)
    {
        if (!prepared_ && !prepare(false))
            return false;
        const uint32_t before = builder_.vertexCount();
        const std::size_t first = faces_.corners.size();
        for (;;) {
            while (p < end && isBlank(*p))
                ++p;
            if (p == end || *p == '#')
                break;
            int32_t index = 0;
            bool outOfRange = false;
            const char* q = scanInt(p, end, index, outOfRange);
            if (q == nullptr) {
                fail(line, "a face corner must begin with its vertex index");
                return false;
            }
            uint32_t vertex = 0;
            if (index == 0) {
                fail(line, "corner index 0 is not valid");
                return false;
            }
            if (index < 0) {
                if (outOfRange || static_cast<uint32_t>(-static_cast<int64_t>(index)) > before) {
                    fail(line, "corner index " + std::to_string(index) + " is outside "
                                   + (before > 0 ? "-" + std::to_string(before) + "..-1" : "the vertices read so far"));
                    return false;
                }
                vertex = before - static_cast<uint32_t>(-static_cast<int64_t>(index));
            } else {
                vertex = static_cast<uint32_t>(index) - 1;
                if (static_cast<uint32_t>(index) > largestIndex_) {
                    largestIndex_ = static_cast<uint32_t>(index);
                    largestIndexLine_ = line;
                }
            }
            faces_.corners.push_back(builder_.corner(vertex));
            while (q < end && !isBlank(*q))
                ++q;
            p = q;
        }
        const std::size_t corners = faces_.corners.size() - first;
        if (corners < 3) {
            faces_.corners.resize(first);
            ++skipped_;
            return true;
        }
        faces_.counts.push_back(static_cast<uint32_t>(corners));
        if (faces_.corners.size() >= kFaceBatch) {
            if (!builder_.addFaces(faces_)) {
                outOfMemory();
                return false;
            }
            faces_.clear();
        }
        return true;
    }

    std::string& reason_;
    BlockReader in_;
    ModelBuilder builder_;
    FaceList faces_;
    bool prepared_ = false;
    bool hasColours_ = false;
    std::string continued_;
    long long continuedLine_ = 0;
    uint32_t largestIndex_ = 0;
    long long largestIndexLine_ = 0;
    uint64_t skipped_ = 0;
};

} // namespace

MeshModel* readObjModel(FILE* stream, std::string* reason, LoadControl* control)
{
    std::string ignored;
    std::string& why = reason != nullptr ? *reason : ignored;
    why.clear();
    if (stream == nullptr) {
        why = "no file to read";
        return nullptr;
    }
    try {
        ObjReader reader(stream, why, control);
        MeshModel* model = reader.read();
        if (model != nullptr && control != nullptr)
            control->skippedFaces.store(reader.skippedFaces());
        return model;
    } catch (const std::bad_alloc&) {
        why = "not enough memory to read the file";
        return nullptr;
    }
}
