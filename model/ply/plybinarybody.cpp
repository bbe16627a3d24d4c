#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "model/cores.h"
#include "model/ply/plybinaryruns.h"
#include "model/ply/plybinaryvalues.h"
#include "model/ply/plybody.h"
#include "model/tuning.h"

namespace {

// Lists are read in pieces of at most this many entries.
constexpr std::size_t kListChunk = 16384;
// Faces with up to this many corners get their corner slots at once.
constexpr int64_t kDirectCorners = 64;

// Items are read in runs of about kRunBytes bytes, on two cores for
// elements of at least kParallelItems items.
constexpr uint32_t kParallelItems = tuning::kParallelItems;
constexpr std::size_t kRunBytes = tuning::kBinaryRunBytes;
// A run goes on with what the buffer holds while it holds this much (a
// triangle's bytes at least), so that what a run leaves is seldom moved.
constexpr std::size_t kLeastRunBytes = kRunBytes < 4096 ? kRunBytes : 4096;
// The bytes of a triangle: a one-byte count and three 32-bit indices.
constexpr std::size_t kTriangleBytes = 13;

// Integer types only (the header and the layout see to that).
inline int64_t loadInteger(const char* p, PlyType type, bool swap)
{
    return plyLoadAs<int64_t>(p, type, swap);
}

class BinaryBody {
public:
    BinaryBody(PlyBody& body, std::string& reason)
        : in_(body.in), header_(body.header), layout_(body.layout), builder_(body.builder), fileBytes_(body.fileBytes),
          reason_(reason), swap_((body.header.format == PlyFormat::binaryLittleEndian) != hostIsLittleEndian())
    {
        if (layout_.vertices.element >= 0)
            vertexCount_ = header_.elements[static_cast<std::size_t>(layout_.vertices.element)].count;
    }

    bool read()
    {
        const int lastNeeded = plyLastNeededElement(layout_);
        for (std::size_t e = 0; e < header_.elements.size(); ++e) {
            const int index = static_cast<int>(e);
            element_ = &header_.elements[e];
            // Past the mesh, an element of unknown size ends the reading.
            if (index > lastNeeded && !element_->binaryReadable())
                return true;
            bool ok = true;
            if (index == layout_.vertices.element) {
                ok = readVertices();
            } else if (index == layout_.faces.element || index == layout_.strips.element) {
                ok = readLists(index == layout_.faces.element ? layout_.faces.list : layout_.strips.list,
                               index == layout_.strips.element);
            } else if (!element_->properties.empty()) {
                // (Items without properties take no bytes: nothing to read.)
                for (item_ = 0; ok && item_ < element_->count; ++item_)
                    ok = skipProperties(0, element_->properties.size());
            }
            if (!ok)
                return false;
        }
        return true;
    }

private:
    bool fail(const std::string& message)
    {
        reason_ = element_->name + " " + std::to_string(item_) + ": " + message;
        return false;
    }
    bool outOfMemory()
    {
        reason_ = builder_.memoryReason();
        return false;
    }

    bool take(std::size_t count, const char*& bytes) { return in_.take(count, bytes) || takeFailed(); }

    // Why the bytes an item needs are not there; always false.
    bool takeFailed()
    {
        switch (in_.stop()) {
        case BlockReader::Stop::cancelled:
            reason_ = "loading was cancelled";
            return false;
        case BlockReader::Stop::readError:
            return fail("the file could not be read");
        default:
            reason_ = "the file ends in " + element_->name + " " + std::to_string(item_) + " of "
                      + std::to_string(element_->count);
            return false;
        }
    }

    // Reads past `count` bytes in pieces.
    bool skipBytes(uint64_t count)
    {
        const char* bytes = nullptr;
        while (count > 0) {
            const std::size_t piece = count < kListChunk ? static_cast<std::size_t>(count) : kListChunk;
            if (!take(piece, bytes))
                return false;
            count -= piece;
        }
        return true;
    }

    // The entry count of a list, checked against the rest of the file.
    bool readCount(const PlyProperty& property, int64_t& count)
    {
        const char* bytes = nullptr;
        if (!take(plyTypeSize(property.countType), bytes))
            return false;
        count = loadInteger(bytes, property.countType, swap_);
        return checkCount(property, count);
    }

    // A list count must not be negative, nor claim more entries than the
    // rest of the file could hold.
    bool checkCount(const PlyProperty& property, int64_t count)
    {
        if (count < 0)
            return fail("the " + property.name + " list has the negative count " + std::to_string(count));
        if (fileBytes_ >= 0) {
            const uint64_t size = static_cast<uint64_t>(fileBytes_);
            const uint64_t left = size > in_.consumed() ? size - in_.consumed() : 0;
            if (static_cast<uint64_t>(count) * plyTypeSize(property.type) > left) {
                return fail("the " + property.name + " list of " + std::to_string(count)
                            + " entries is longer than the rest of the file");
            }
        }
        return true;
    }

    // The face element most files have: nothing but a list of a one-byte
    // count and 32-bit indices. The same checks and reasons as readLists,
    // without its generality: runs of whole faces straight from the buffer
    // (once the vertices are done), a face at a time where a run cannot go
    // on (a fault, the end of the buffer).
    bool readSmallFaces(const PlyProperty& property)
    {
        PlyFaceRecord record;
        record.signedCount = property.countType == PlyType::int8;
        record.signedIndex = property.type == PlyType::int32;
        record.swap = swap_;
        record.vertexCount = vertexCount_;
        // Runs are first taken to be all triangles, checked as they are
        // read; from the first that is not, they are walked before reading.
        bool triangles = true;
        const bool split = element_->count >= kParallelItems && usableCores() >= 2;
        for (item_ = 0; item_ < element_->count;) {
            MeshVertex* const base = builder_.cornerBase();
            const char* bytes = nullptr;
            const std::size_t room = base != nullptr ? std::min(kRunBytes, in_.ahead(kLeastRunBytes, bytes)) : 0;
            const uint32_t most = element_->count - item_;
            const PlyFaceRun run
                = triangles ? plyTriangleRun(static_cast<uint32_t>(std::min<std::size_t>(most, room / kTriangleBytes)))
                            : walkPlyFaceRun(bytes, bytes + room, most, record);
            if (run.faces == 0) {
                if (!readSmallFace(record))
                    return false;
                ++item_;
                continue;
            }
            if (!builder_.reserveFaces(run.faces, run.corners))
                return outOfMemory();
            // The second half's faces, corners and bytes follow the first's.
            PlyFaceRun halves[2] = {run, {}};
            if (split && run.faces >= 2) {
                halves[0] = triangles ? plyTriangleRun(run.faces / 2)
                                      : walkPlyFaceRun(bytes, bytes + room, run.faces / 2, record);
                halves[1] = {run.faces - halves[0].faces, run.corners - halves[0].corners, run.bytes - halves[0].bytes};
            }
            PlyFaceStop stops[2];
            MeshFace* const faces = builder_.faceSlots();
            MeshVertex** const corners = builder_.cornerSlots();
            const auto readHalf = [&](int half) {
                const PlyFaceRun before = half == 0 ? PlyFaceRun{} : halves[0];
                stops[half] = readPlyFaceRun(bytes + before.bytes, halves[half], triangles, record, base,
                                             faces + before.faces, corners + before.corners);
            };
            if (halves[1].faces > 0)
                runInTwo(readHalf);
            else
                readHalf(0);
            // The first half's stop comes first in the file.
            const int stopped = stops[0].kind != PlyFaceStop::none ? 0 : stops[1].kind != PlyFaceStop::none ? 1 : -1;
            if (stopped >= 0 && stops[stopped].kind == PlyFaceStop::notTriangle) {
                triangles = false;
                continue;
            }
            if (stopped >= 0) {
                item_ += (stopped == 1 ? halves[0].faces : 0) + stops[stopped].face;
                return indexFault(stops[stopped].index);
            }
            if (triangles)
                builder_.commitTriangles(run.faces);
            else
                builder_.commitFaces(run.faces, run.corners);
            in_.take(run.bytes, bytes);
            item_ += run.faces;
        }
        return true;
    }

    // The next face of readSmallFaces, read on its own.
    bool readSmallFace(const PlyFaceRecord& record)
    {
        const PlyProperty& property = element_->properties[0];
        const char* bytes = nullptr;
        if (!take(1, bytes))
            return false;
        const int64_t count = record.signedCount ? static_cast<int8_t>(*bytes) : static_cast<uint8_t>(*bytes);
        if (!checkCount(property, count))
            return false;
        if (count < 3)
            return fail("a face needs at least three corners, this one has " + std::to_string(count));
        if (!take(static_cast<std::size_t>(count) * 4, bytes))
            return false;
        MeshVertex** slots = builder_.addFace(static_cast<uint32_t>(count));
        if (slots == nullptr)
            return outOfMemory();
        for (int64_t j = 0; j < count; ++j, bytes += 4) {
            const int64_t index = record.signedIndex ? static_cast<int64_t>(plyLoad<int32_t>(bytes, swap_))
                                                     : static_cast<int64_t>(plyLoad<uint32_t>(bytes, swap_));
            if (index < 0 || static_cast<uint64_t>(index) >= vertexCount_) {
                builder_.dropLastFace();
                return indexFault(index);
            }
            slots[j] = builder_.corner(static_cast<uint32_t>(index));
        }
        return true;
    }

    // Reads a run of whole vertex items straight from the buffer when there
    // is one at hand (`ran`), on two cores with `split`.
    bool readVertexRun(const PlyVertexRecord& record, bool split, bool& ran)
    {
        const char* bytes = nullptr;
        const std::size_t room
            = std::min(std::max(kRunBytes, record.bytes), in_.ahead(std::max(kLeastRunBytes, record.bytes), bytes));
        const auto count = static_cast<uint32_t>(std::min<std::size_t>(element_->count - item_, room / record.bytes));
        ran = count > 0;
        if (!ran)
            return true;
        if (!builder_.reserveVertices(item_ + count))
            return outOfMemory();
        const uint32_t first = item_;
        const uint32_t halves[2] = {split ? count / 2 : count, split ? count - count / 2 : 0};
        uint32_t read[2] = {0, 0};
        PositionBox boxes[2];
        const auto readHalf = [&](int half) {
            const uint32_t from = first + (half == 0 ? 0 : halves[0]);
            read[half] = readPlyVertexRun(bytes + std::size_t{from - first} * record.bytes, halves[half], record,
                                          builder_.vertexSlots(from), builder_.colourSlots(from), boxes[half]);
        };
        if (halves[1] > 0)
            runInTwo(readHalf);
        else
            readHalf(0);
        if (read[0] < halves[0] || read[1] < halves[1]) {
            item_ += read[0] < halves[0] ? read[0] : halves[0] + read[1];
            return fail("a coordinate is not finite");
        }
        boxes[0].merge(boxes[1]);
        builder_.commitVertices(count, boxes[0]);
        in_.take(count * record.bytes, bytes);
        item_ += count;
        return true;
    }

    bool skipProperties(std::size_t from, std::size_t to)
    {
        for (std::size_t k = from; k < to; ++k) {
            const PlyProperty& property = element_->properties[k];
            if (property.isList) {
                int64_t count = 0;
                if (!readCount(property, count)
                    || !skipBytes(static_cast<uint64_t>(count) * plyTypeSize(property.type)))
                    return false;
            } else if (!skipBytes(plyTypeSize(property.type))) {
                return false;
            }
        }
        return true;
    }

    // Reads past properties [from, to) as skipProperties does, keeping the
    // face colour's channels in rgb.
    bool readFaceProperties(std::size_t from, std::size_t to, float* rgb)
    {
        const int* colour = layout_.faces.colour;
        for (std::size_t k = from; k < to; ++k) {
            const int index = static_cast<int>(k);
            const int channel = index == colour[0] ? 0 : index == colour[1] ? 1 : index == colour[2] ? 2 : -1;
            if (channel < 0) {
                if (!skipProperties(k, k + 1))
                    return false;
                continue;
            }
            const PlyProperty& property = element_->properties[k];
            const char* bytes = nullptr;
            if (!take(plyTypeSize(property.type), bytes))
                return false;
            rgb[channel] = plyClampChannel(plyLoadNumber(bytes, property.type, swap_) * plyColourScale(property.type));
        }
        return true;
    }

    bool readVertices()
    {
        const PlyVertexLayout& layout = layout_.vertices;
        const std::vector<PlyProperty>& properties = element_->properties;
        // Offsets within an item of scalars only; lists force reading
        // property by property.
        std::vector<std::size_t> offsets(properties.size() + 1, 0);
        bool fixed = true;
        for (std::size_t k = 0; k < properties.size(); ++k) {
            fixed = fixed && !properties[k].isList;
            offsets[k + 1] = offsets[k] + plyTypeSize(properties[k].type);
        }
        const bool colours = layout.hasColours();
        float scale[3] = {1.0f, 1.0f, 1.0f};
        for (int c = 0; c < 3 && colours; ++c)
            scale[c] = plyColourScale(properties[static_cast<std::size_t>(layout.colour[c])].type);
        PlyVertexRecord record;
        record.bytes = offsets.back();
        record.colours = colours;
        record.swap = swap_;
        for (int k = 0; k < 6 && fixed; ++k) {
            const int property = k < 3 ? layout.position[k] : colours ? layout.colour[k - 3] : layout.position[0];
            // (An element without items needs no properties.)
            fixed = property >= 0 && static_cast<std::size_t>(property) < properties.size();
            if (!fixed)
                break;
            record.offset[k] = offsets[static_cast<std::size_t>(property)];
            record.type[k] = properties[static_cast<std::size_t>(property)].type;
        }
        std::copy_n(scale, 3, record.scale);
        const bool split = element_->count >= kParallelItems && usableCores() >= 2;
        std::vector<double> values(properties.size(), 0.0);
        const char* bytes = nullptr;
        for (item_ = 0; item_ < element_->count;) {
            if (fixed && record.bytes > 0) {
                bool ran = false;
                if (!readVertexRun(record, split, ran))
                    return false;
                if (ran)
                    continue;
                if (!take(offsets.back(), bytes))
                    return false;
                for (int axis = 0; axis < 3; ++axis) {
                    const auto k = static_cast<std::size_t>(layout.position[axis]);
                    values[k] = plyLoadNumber(bytes + offsets[k], properties[k].type, swap_);
                }
                for (int c = 0; c < 3 && colours; ++c) {
                    const auto k = static_cast<std::size_t>(layout.colour[c]);
                    values[k] = plyLoadNumber(bytes + offsets[k], properties[k].type, swap_);
                }
            } else {
                for (std::size_t k = 0; k < properties.size(); ++k) {
                    if (properties[k].isList) {
                        if (!skipProperties(k, k + 1))
                            return false;
                        continue;
                    }
                    if (!take(plyTypeSize(properties[k].type), bytes))
                        return false;
                    values[k] = plyLoadNumber(bytes, properties[k].type, swap_);
                }
            }
            const Vector3 position = {values[static_cast<std::size_t>(layout.position[0])],
                                      values[static_cast<std::size_t>(layout.position[1])],
                                      values[static_cast<std::size_t>(layout.position[2])]};
            if (!std::isfinite(position.x) || !std::isfinite(position.y) || !std::isfinite(position.z))
                return fail("a coordinate is not finite");
            if (!builder_.addVertex(position))
                return outOfMemory();
            if (colours) {
                builder_.setColour(plyClampChannel(values[static_cast<std::size_t>(layout.colour[0])] * scale[0]),
                                   plyClampChannel(values[static_cast<std::size_t>(layout.colour[1])] * scale[1]),
                                   plyClampChannel(values[static_cast<std::size_t>(layout.colour[2])] * scale[2]));
            }
            ++item_;
        }
        return builder_.verticesDone() || outOfMemory();
    }

    bool indexFault(int64_t index)
    {
        if (vertexCount_ == 0)
            return fail("corner index " + std::to_string(index) + " refers to a vertex, but the file has none");
        return fail("corner index " + std::to_string(index) + " is outside 0.." + std::to_string(vertexCount_ - 1));
    }

    // Faces (one polygon per item) or strips (-1 between strips).
    bool readLists(int list, bool strips)
    {
        const std::size_t propertyCount = element_->properties.size();
        const PlyProperty& property = element_->properties[static_cast<std::size_t>(list)];
        if (!strips && propertyCount == 1 && plyTypeSize(property.countType) == 1
            && (property.type == PlyType::int32 || property.type == PlyType::uint32))
            return readSmallFaces(property);
        const std::size_t entrySize = plyTypeSize(property.type);
        const int64_t lowest = strips ? -1 : 0;
        const bool colours = !strips && layout_.faces.hasColours();
        float rgb[3] = {0.0f, 0.0f, 0.0f};
        const auto before = static_cast<std::size_t>(list);
        std::vector<MeshVertex*> collected;
        std::vector<int32_t> stripIndices;
        const char* bytes = nullptr;
        for (item_ = 0; item_ < element_->count; ++item_) {
            int64_t count = 0;
            if (!(colours ? readFaceProperties(0, before, rgb) : skipProperties(0, before))
                || !readCount(property, count))
                return false;
            if (!strips && count < 3)
                return fail("a face needs at least three corners, this one has " + std::to_string(count));
            const bool direct = !strips && count <= kDirectCorners;
            MeshVertex** slots = nullptr;
            if (direct && (slots = builder_.addFace(static_cast<uint32_t>(count))) == nullptr)
                return outOfMemory();
            collected.clear();
            stripIndices.clear();
            for (int64_t done = 0; done < count;) {
                const int64_t piece
                    = count - done < static_cast<int64_t>(kListChunk) ? count - done : static_cast<int64_t>(kListChunk);
                if (!take(static_cast<std::size_t>(piece) * entrySize, bytes)) {
                    if (direct)
                        builder_.dropLastFace();
                    return false;
                }
                for (int64_t j = 0; j < piece; ++j, bytes += entrySize) {
                    const int64_t index = loadInteger(bytes, property.type, swap_);
                    if (index < lowest || (index >= 0 && static_cast<uint64_t>(index) >= vertexCount_))
                        return indexFault(index);
                    if (strips)
                        stripIndices.push_back(static_cast<int32_t>(index));
                    else if (direct)
                        slots[done + j] = builder_.corner(static_cast<uint32_t>(index));
                    else
                        collected.push_back(builder_.corner(static_cast<uint32_t>(index)));
                }
                done += piece;
            }
            if (strips) {
                if (!builder_.addStrips(stripIndices.data(), stripIndices.size()))
                    return outOfMemory();
            } else if (!direct) {
                if (count > UINT32_MAX || (slots = builder_.addFace(static_cast<uint32_t>(count))) == nullptr)
                    return outOfMemory();
                std::memcpy(slots, collected.data(), collected.size() * sizeof(MeshVertex*));
            }
            if (!colours) {
                if (!skipProperties(before + 1, propertyCount))
                    return false;
            } else if (!readFaceProperties(before + 1, propertyCount, rgb)) {
                return false;
            } else if (!builder_.setFaceColour(rgb)) {
                return outOfMemory();
            }
        }
        return true;
    }

    BlockReader& in_;
    const PlyHeader& header_;
    const PlyMeshLayout& layout_;
    ModelBuilder& builder_;
    long long fileBytes_;
    std::string& reason_;
    bool swap_;
    uint32_t vertexCount_ = 0;
    const PlyElement* element_ = nullptr;
    uint32_t item_ = 0;
};

} // namespace

bool readPlyBinaryBody(PlyBody& body, std::string& reason)
{
    BinaryBody reader(body, reason);
    return reader.read();
}
