#include "model/off/offreader.h"

#include <cstdint>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "model/blockreader.h"
#include "model/bytescan.h"
#include "model/cores.h"
#include "model/filescan.h"
#include "model/lineruns.h"
#include "model/modelbuilder.h"
#include "model/numberscan.h"
#include "model/off/offlines.h"
#include "model/readerentry.h"
#include "model/tuning.h"

namespace {

// The shortest vertex line ("1 2 3") and face line ("3 0 1 2"), line end
// included: when the rest of the file holds that much for every declared
// item, the arrays get their final size at once.
constexpr uint64_t kMinVertexLineBytes = 6;
constexpr uint64_t kMinFaceLineBytes = 8;
// Faces are collected in batches of about kFaceBatch corners before they go
// to the model; regular files of at least kRunBytes whose arrays have their
// final size are read in runs of lines on two cores.
constexpr std::size_t kFaceBatch = tuning::kFaceBatchCorners;
constexpr long long kRunBytes = tuning::kCountedBytes;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\f' || c == '\v' || c == '\r';
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

class OffReader {
public:
    OffReader(FILE* stream, std::string& reason, LoadControl* control)
        : reason_(reason), control_(control), stream_(stream), start_(ftello(stream)),
          fileBytes_(bytesLeftInFile(stream)), in_(stream, readerBlockSize(fileBytes_), control)
    {
    }

    MeshModel* read()
    {
        if (!readHeader())
            return nullptr;
        // (Looked at before the arrays are made: the pieces of the file read
        // for the look and the model are not held at once.)
        plain_ = fileBytes_ >= kRunBytes && usableCores() >= 2 && bodyIsPlain();
        if (!prepare() || !readBody())
            return nullptr;
        return builder_.finishLoad(control_, reason_);
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
        // The builder says why: the memory limit, or memory that ran out.
        reason_ = builder_.memoryReason().empty() ? "not enough memory for the model" : builder_.memoryReason();
        return false;
    }

    // Moves to the next line with content, p and end around it; false with
    // the reason when there is none.
    bool nextLine(const char*& p, const char*& end, const std::string& atEnd)
    {
        while (in_.nextLine()) {
            p = in_.begin();
            end = OffLineParser::contentEnd(p, in_.end());
            if (!OffLineParser::isEmpty(p, end))
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
        const std::size_t length = offHeaderWordLength(p, end);
        if (length == 0)
            return fail("the file does not begin with OFF, COFF, NOFF or CNOFF");
        const std::string keyword(p, length);
        p += length;
        normals_ = keyword.find('N') != std::string::npos;
        colours_ = keyword[0] == 'C';
        if (OffLineParser::isEmpty(p, end) && !nextLine(p, end, "the file ends before the vertex and face counts"))
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
        if (exact)
            builder_.populateAhead(control_);
        return true;
    }

    // The rest of the file holds no empty or comment line before the last
    // face line: its lines can be read in runs.
    bool bodyIsPlain()
    {
        struct Half {
            uint64_t lines = 0;
            uint64_t firstEmpty = UINT64_MAX;
        } halves[2];
        const auto scan = [&halves](const char* begin, const char* end, int half) {
            Half& counts = halves[half];
            for (const char* p = begin; p < end; ++counts.lines) {
                const char* next = pastLineEnd(p, end);
                const char* lineEnd = next > p && (next[-1] == '\n' || next[-1] == '\r') ? next - 1 : next;
                // A line that begins with a number has content: only others
                // are looked at whole.
                if (counts.firstEmpty == UINT64_MAX && (p == lineEnd || isBlank(*p) || *p == '#')
                    && OffLineParser::isEmpty(p, lineEnd))
                    counts.firstEmpty = counts.lines;
                p = next;
            }
        };
        if (!scanFileHalves(fileno(stream_), start_ + static_cast<long long>(in_.consumed()), scan,
                            control_ != nullptr ? &control_->cancel : nullptr))
            return false;
        const uint64_t firstEmpty = halves[0].firstEmpty != UINT64_MAX   ? halves[0].firstEmpty
                                    : halves[1].firstEmpty != UINT64_MAX ? halves[0].lines + halves[1].firstEmpty
                                                                         : UINT64_MAX;
        return firstEmpty >= uint64_t{vertices_} + faces_;
    }

    // Moves to the next line with content; false with the reason when there
    // is none.
    bool nextItem(uint32_t done, uint32_t count, const char* items)
    {
        while (in_.nextLine()) {
            if (!OffLineParser::isEmpty(in_.begin(), in_.end()))
                return true;
        }
        reason_ = in_.stop() == BlockReader::Stop::cancelled
                      ? "loading was cancelled"
                      : in_.lineStopReason("the file ends after " + std::to_string(done) + " of "
                                           + std::to_string(count) + " " + items);
        return false;
    }

    bool readVertex(const OffLineParser& parser, uint32_t done)
    {
        if (!nextItem(done, vertices_, "vertices"))
            return false;
        Vector3 position;
        float colour[3];
        std::string message;
        if (!parser.vertex(in_.begin(), in_.end(), position, colour, message))
            return fail(message);
        if (!builder_.addVertex(position))
            return outOfMemory();
        if (colours_)
            builder_.setColour(colour[0], colour[1], colour[2]);
        return true;
    }

    bool readFace(const OffLineParser& parser, uint32_t done, FaceList& list)
    {
        if (!nextItem(done, faces_, "faces"))
            return false;
        std::string message;
        if (!parser.face(in_.begin(), in_.end(), list, skipped_, message))
            return fail(message);
        if (list.corners.size() >= kFaceBatch || done + 1 == faces_) {
            if (!builder_.addFaces(list))
                return outOfMemory();
            list.clear();
        }
        return true;
    }

    bool readBody()
    {
        const OffLineParser parser(normals_, colours_, vertices_, builder_);
        const bool inRuns = plain_;
        if (!inRuns) {
            for (uint32_t i = 0; i < vertices_; ++i) {
                if (!readVertex(parser, i))
                    return false;
            }
            FaceList list;
            for (uint32_t i = 0; i < faces_; ++i) {
                if (!readFace(parser, i, list))
                    return false;
            }
            return true;
        }
        const auto failAt = [this](long long line, const std::string& message) {
            reason_ = "line " + std::to_string(line) + ": " + message;
            return false;
        };
        std::vector<PositionBox> boxes(kLineRunChunks);
        const auto vertexChunk = [&](std::size_t chunk, const char* begin, const char* end, uint32_t first) {
            // A box of its own while reading: the chunks' boxes share cache
            // lines, which two threads must not write line by line.
            PositionBox box;
            const LineFault fault
                = parser.vertexLines(begin, end, builder_.vertexSlots(first), builder_.colourSlots(first), box);
            boxes[chunk] = box;
            return fault;
        };
        const auto commitVertices = [&](std::size_t chunk, uint32_t lines) {
            builder_.commitVertices(lines, boxes[chunk]);
            return true;
        };
        const auto roomForVertices = [&](uint32_t count) { return builder_.reserveVertices(count) || outOfMemory(); };
        if (!readLineRuns(
                in_, vertices_, roomForVertices, vertexChunk, commitVertices,
                [&](uint32_t done) { return readVertex(parser, done); }, failAt))
            return false;
        std::vector<FaceList> lists(kLineRunChunks);
        std::vector<uint64_t> skipped(kLineRunChunks);
        const auto parseFaces = [&](std::size_t chunk, const char* begin, const char* end, uint32_t) {
            // A list of its own while reading (keeping the chunk's memory).
            FaceList list;
            std::swap(list, lists[chunk]);
            list.clear();
            uint64_t count = 0;
            const LineFault fault = parser.faceLines(begin, end, list, count);
            std::swap(list, lists[chunk]);
            skipped[chunk] = count;
            return fault;
        };
        const auto commitFaces = [&](std::size_t chunk, uint32_t) {
            skipped_ += skipped[chunk];
            const bool added = builder_.addFaces(lists[chunk]);
            lists[chunk].clear();
            return added || outOfMemory();
        };
        FaceList single;
        return readLineRuns(
            in_, faces_, [](uint32_t) { return true; }, parseFaces, commitFaces,
            [&](uint32_t done) {
                if (!readFace(parser, done, single))
                    return false;
                const bool added = builder_.addFaces(single);
                single.clear();
                return added || outOfMemory();
            },
            failAt);
    }

    std::string& reason_;
    const LoadControl* control_;
    FILE* stream_;
    long long start_; // where the stream was when the load began
    long long fileBytes_;
    BlockReader in_;
    ModelBuilder builder_;
    bool plain_ = false; // the body can be read in runs
    bool normals_ = false;
    bool colours_ = false;
    uint32_t vertices_ = 0;
    uint32_t faces_ = 0;
    uint64_t skipped_ = 0;
};

} // namespace

MeshModel* readOffModel(FILE* stream, std::string* reason, LoadControl* control)
{
    return runReader(stream, reason, [&](std::string& why) -> MeshModel* {
        OffReader reader(stream, why, control);
        MeshModel* model = reader.read();
        if (model != nullptr && control != nullptr)
            control->skippedFaces.store(reader.skippedFaces());
        return model;
    });
}

std::size_t offHeaderWordLength(const char* begin, const char* end)
{
    for (const char* word : {"CNOFF", "COFF", "NOFF", "OFF"}) {
        const std::size_t length = std::strlen(word);
        if (static_cast<std::size_t>(end - begin) < length || std::memcmp(begin, word, length) != 0)
            continue;
        const char* after = begin + length;
        if (after == end || isBlank(*after) || *after == '\n' || isDigit(*after))
            return length;
    }
    return 0;
}
