#include "model/off/offreader.h"

#include <cstdint>
#include <cstring>

#include "model/blockreader.h"
#include "model/bytescan.h"
#include "model/cores.h"
#include "model/filescan.h"
#include "model/modelbuilder.h"
#include "model/numberscan.h"
#include "model/off/offlines.h"
#include "model/readerentry.h"
#include "model/textbody.h"
#include "model/tuning.h"

namespace {

// Regular files of at least kRunBytes whose arrays have their final size
// are read in runs of lines on two cores.
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
          fileBytes_(bytesLeftInFile(stream)), in_(stream, readerBlockSize(fileBytes_), control),
          body_(in_, builder_, reason, &OffLineParser::isEmpty, true)
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

    uint64_t skippedFaces() const { return body_.skippedFaces(); }

private:
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
        reason_ = in_.lineStopReason(atEnd);
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
            return body_.fail("the file does not begin with OFF, COFF, NOFF or CNOFF");
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
                return body_.fail("the header needs the vertex and face counts");
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
                return body_.fail("the header declares " + std::to_string(vertices_) + " vertices and "
                                  + std::to_string(faces_) + " faces, more than the rest of the file holds");
            exact = CountedTextBody::holdsShortestLines(vertices_, faces_, left);
        }
        if (!builder_.prepare(vertices_, faces_, colours_, exact))
            return body_.outOfMemory();
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

    bool readBody()
    {
        const OffLineParser parser(normals_, colours_, vertices_, builder_);
        return body_.readVertices(
                   vertices_, "vertices", plain_,
                   [&parser](const char* begin, const char* end, Vector3& position, float* colour,
                             std::string& message) { return parser.vertex(begin, end, position, colour, message); })
               && body_.readFaces(
                   faces_, "faces", plain_,
                   [&parser](const char* begin, const char* end, FaceList& faces, uint64_t& skipped,
                             std::string& message) { return parser.face(begin, end, faces, skipped, message); });
    }

    std::string& reason_;
    const LoadControl* control_;
    FILE* stream_;
    long long start_; // where the stream was when the load began
    long long fileBytes_;
    BlockReader in_;
    ModelBuilder builder_;
    CountedTextBody body_;
    bool plain_ = false; // the body can be read in runs
    bool normals_ = false;
    bool colours_ = false;
    uint32_t vertices_ = 0;
    uint32_t faces_ = 0;
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
