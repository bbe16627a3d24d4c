#include "model/obj/objreader.h"

#include <cstdint>
#include <limits>
#include <new>
#include <vector>

#include "model/blockreader.h"
#include "model/cores.h"
#include "model/lineruns.h"
#include "model/modelbuilder.h"
#include "model/obj/objcount.h"
#include "model/obj/objlines.h"
#include "model/obj/objmaterials.h"
#include "model/readerentry.h"
#include "model/tuning.h"

namespace {

// Files of at least kCountedBytes are counted first, so that the model's
// arrays get their final size at once; with two cores they are also read in
// runs of lines on both. Lines read one at a time go to the model in batches
// of about kBatchCorners corners (vertices and material lines counting as
// one each).
constexpr long long kCountedBytes = tuning::kCountedBytes;
constexpr std::size_t kBatchCorners = tuning::kFaceBatchCorners;
// A batch holding this many bytes of mtllib and usemtl lines goes to the
// model too, so that a file of long material lines holds little at a time.
constexpr std::size_t kBatchMaterialBytes = BlockReader::kMaxLineLength;

class ObjReader {
public:
    ObjReader(FILE* stream, std::string& reason, LoadControl* control, const char* folder)
        : reason_(reason), control_(control), stream_(stream), fileBytes_(bytesLeftInFile(stream)),
          in_(stream, readerBlockSize(fileBytes_), control), materials_(folder, control)
    {
    }

    MeshModel* read()
    {
        ObjCounts counts;
        const bool counted = fileBytes_ >= kCountedBytes
                             && countObjLines(fileno(stream_), ftello(stream_), counts, cancelFlag())
                             && !counts.continued && counts.vertices < std::numeric_limits<uint32_t>::max()
                             && counts.faces <= std::numeric_limits<uint32_t>::max();
        if (counted && !prepare(counts.vertices, counts.faces, counts.colours, true))
            return nullptr;
        if (counted)
            builder_.populateAhead(control_);
        const bool read = counted && usableCores() >= 2 ? readInRuns() : readLineByLine();
        if (!read)
            return nullptr;
        if (!prepared_ && !prepare(ModelBuilder::kUnknownCount, 0, false, false))
            return nullptr;
        if (largestIndex_ > builder_.vertexCount()) {
            reason_ = "line " + std::to_string(largestIndexLine_) + ": corner index "
                      + (largestIndexText_.empty() ? std::to_string(largestIndex_) : largestIndexText_)
                      + " is outside 1.." + std::to_string(builder_.vertexCount());
            return nullptr;
        }
        return builder_.finishLoad(control_, reason_);
    }

    uint64_t skippedFaces() const { return skipped_; }

private:
    bool fail(long long line, const std::string& message)
    {
        reason_ = "line " + std::to_string(line) + ": " + message;
        return false;
    }
    const std::atomic<bool>* cancelFlag() const { return control_ != nullptr ? &control_->cancel : nullptr; }
    bool outOfMemory()
    {
        // The builder says why: the memory limit, or memory that ran out.
        reason_ = builder_.memoryReason().empty() ? "not enough memory for the model" : builder_.memoryReason();
        return false;
    }
    bool stoppedAtEnd()
    {
        if (in_.stop() == BlockReader::Stop::end)
            return true;
        reason_ = in_.stop() == BlockReader::Stop::cancelled ? "loading was cancelled" : in_.lineStopReason("");
        return false;
    }

    // The one place where counts become the model's arrays: exact ones
    // counted in the file, or the most there may be, for arrays that grow
    // with what is read.
    bool prepare(uint64_t vertices, uint64_t faces, bool colours, bool exact)
    {
        prepared_ = true;
        colours_ = colours;
        if (!builder_.prepare(static_cast<uint32_t>(vertices), static_cast<uint32_t>(faces), colours, exact))
            return outOfMemory();
        return true;
    }

    // Gives the faces [from, to) of the batch the current material's
    // colour, when it has one.
    void colourFaces(FaceList& faces, std::size_t from, std::size_t to) const
    {
        if (!colour_.given || from == to)
            return;
        faces.colours.resize(3 * from, kNoFaceColour);
        for (std::size_t f = from; f < to; ++f)
            faces.colours.insert(faces.colours.end(), colour_.rgb, colour_.rgb + 3);
    }

    // Reads the batch's mtllib and usemtl lines in file order, colouring its
    // faces by the material each follows (the material of the batch before
    // for those before its first usemtl).
    void applyMaterials(ObjBatch& batch)
    {
        std::size_t from = 0;
        for (const ObjBatch::MaterialLine& line : batch.materialLines) {
            colourFaces(batch.faces, from, line.facesBefore);
            from = line.facesBefore;
            if (line.library) {
                materials_.readLibraries(line.text);
            } else {
                colour_ = materials_.colourOf(line.text);
            }
        }
        colourFaces(batch.faces, from, batch.faces.counts.size());
    }

    // Hands a batch to the model: its vertices, then its faces, with the
    // corners given by negative indices set from the vertices before them.
    // firstLine is the number of the batch's first line.
    bool commit(ObjBatch& batch, long long firstLine)
    {
        applyMaterials(batch);
        const uint32_t before = builder_.vertexCount();
        for (const ObjBatch::Relative& relative : batch.relative) {
            const int64_t vertices = int64_t{before} + relative.verticesBefore;
            const int64_t vertex = vertices + relative.index;
            if (relative.index == INT32_MIN || vertex < 0)
                return fail(firstLine + static_cast<long long>(relative.line),
                            "corner index "
                                + (relative.index == INT32_MIN ? batch.outOfRangeText : std::to_string(relative.index))
                                + " is outside "
                                + (vertices > 0 ? "-" + std::to_string(vertices) + "..-1"
                                                : std::string("the vertices read so far")));
            batch.faces.corners[relative.corner] = builder_.corner(static_cast<uint32_t>(vertex));
        }
        for (std::size_t v = 0; v < batch.positions.size(); ++v) {
            if (builder_.vertexCount() == std::numeric_limits<uint32_t>::max() - 1
                || !builder_.addVertex(batch.positions[v]))
                return outOfMemory();
            if (colours_)
                builder_.setColour(batch.colours[3 * v], batch.colours[3 * v + 1], batch.colours[3 * v + 2]);
        }
        if (!builder_.addFaces(batch.faces))
            return outOfMemory();
        if (batch.largestIndex > largestIndex_) {
            largestIndex_ = batch.largestIndex;
            largestIndexLine_ = firstLine + static_cast<long long>(batch.largestIndexLine);
            largestIndexText_ = batch.largestIndexText;
        }
        skipped_ += batch.skippedFaces;
        batch.clear();
        return true;
    }

    // Reads one line the ordinary way into the batch that starts at line
    // batchLine; false with the reason when it is at fault.
    bool parseLine(const ObjLineParser& parser, const char* begin, const char* end, long long line, ObjBatch& batch,
                   long long batchLine)
    {
        std::string message;
        if (!parser.parse(begin, end, static_cast<uint64_t>(line - batchLine), batch, message))
            return fail(line, message);
        return true;
    }

    // Lines one at a time, joining those that end in a backslash; the model
    // is prepared at its first vertex or face when it was not before.
    bool readLineByLine()
    {
        ObjBatch batch;
        long long batchLine = 1;
        std::string joined;
        long long joinedLine = 0;
        while (in_.nextLine()) {
            const char* begin = in_.begin();
            const char* end = in_.end();
            const bool goesOn = end > begin && end[-1] == '\\';
            long long line = in_.lineNumber();
            if (goesOn || !joined.empty()) {
                if (joined.empty())
                    joinedLine = line;
                else
                    joined += ' ';
                joined.append(begin, goesOn ? end - 1 : end);
                if (joined.size() > BlockReader::kMaxLineLength)
                    return fail(line, BlockReader::stopMessage(BlockReader::Stop::longLine));
                if (goesOn)
                    continue;
                begin = joined.data();
                end = joined.data() + joined.size();
                line = joinedLine;
            }
            if (!prepared_ && !prepareAt(begin, end))
                return false;
            const bool parsed = parseLine(ObjLineParser(builder_, colours_), begin, end, line, batch, batchLine);
            joined.clear();
            if (!parsed)
                return false;
            if (batch.faces.corners.size() + batch.positions.size() + batch.materialLines.size() >= kBatchCorners
                || batch.materialBytes >= kBatchMaterialBytes) {
                if (!commit(batch, batchLine))
                    return false;
                batchLine = in_.lineNumber() + 1;
            }
        }
        if (!stoppedAtEnd())
            return false;
        if (!joined.empty()) {
            if (!prepared_ && !prepareAt(joined.data(), joined.data() + joined.size()))
                return false;
            if (!parseLine(ObjLineParser(builder_, colours_), joined.data(), joined.data() + joined.size(), joinedLine,
                           batch, batchLine))
                return false;
        }
        return commit(batch, batchLine);
    }

    // Prepares growing arrays at the first vertex or face line, with
    // colours when that is a vertex that gives one.
    bool prepareAt(const char* begin, const char* end)
    {
        const char* p = begin;
        const char word = ObjLineParser::keyword(p, end);
        if (word == 0)
            return true;
        double values[6];
        return prepare(ModelBuilder::kUnknownCount, 0, word == 'v' && ObjLineParser::vertexNumbers(p, end, values) == 6,
                       false);
    }

    // Runs of lines on two cores, each chunk into a batch of its own, the
    // batches handed to the model in file order.
    bool readInRuns()
    {
        const ObjLineParser parser(builder_, colours_);
        std::vector<ObjBatch> batches(kLineRunChunks);
        std::vector<long long> firstLines(kLineRunChunks);
        bool ended = false;
        const auto parseChunk = [&](std::size_t chunk, const char* begin, const char* end, uint32_t linesBefore) {
            // A batch of its own while reading (keeping the chunk's memory):
            // the chunks' batches share cache lines.
            ObjBatch batch;
            std::swap(batch, batches[chunk]);
            batch.clear();
            const LineFault fault = parser.parseLines(begin, end, batch);
            std::swap(batch, batches[chunk]);
            firstLines[chunk] = static_cast<long long>(linesBefore) + 1;
            return fault;
        };
        const auto commitChunk = [&](std::size_t chunk, uint32_t) { return commit(batches[chunk], firstLines[chunk]); };
        const auto readOne = [&](uint32_t) {
            if (!in_.nextLine()) {
                ended = stoppedAtEnd();
                return false;
            }
            const long long line = in_.lineNumber();
            return parseLine(parser, in_.begin(), in_.end(), line, batches[0], line) && commit(batches[0], line);
        };
        const auto failAt = [&](long long line, const std::string& message) { return fail(line, message); };
        const bool read = readLineRuns(
            in_, std::numeric_limits<uint32_t>::max(), [](uint32_t) { return true; }, parseChunk, commitChunk, readOne,
            failAt);
        return read || ended;
    }

    std::string& reason_;
    const LoadControl* control_;
    FILE* stream_;
    long long fileBytes_;
    BlockReader in_;
    ObjMaterials materials_;
    ObjColour colour_; // of the last usemtl line's material
    ModelBuilder builder_;
    bool prepared_ = false;
    bool colours_ = false;
    uint32_t largestIndex_ = 0;
    long long largestIndexLine_ = 0;
    std::string largestIndexText_; // as written, when beyond int32_t
    uint64_t skipped_ = 0;
};

} // namespace

MeshModel* readObjModel(FILE* stream, std::string* reason, LoadControl* control, const char* folder)
{
    return runReader(stream, reason, [&](std::string& why) -> MeshModel* {
        ObjReader reader(stream, why, control, folder);
        MeshModel* model = reader.read();
        if (model != nullptr && control != nullptr)
            control->skippedFaces.store(reader.skippedFaces());
        return model;
    });
}
