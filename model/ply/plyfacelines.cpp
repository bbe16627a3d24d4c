#include "model/ply/plyfacelines.h"

#include <cstring>

#include "model/blockreader.h"
#include "model/numberscan.h"
#include "model/ply/plylayout.h"

namespace {

// Faces with up to this many corners get their corner slots before their
// indices are read; larger counts, which a hostile line may claim, are
// collected first.
constexpr int32_t kDirectCorners = 64;

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

const char* skipBlanks(const char* p, const char* end)
{
    while (p < end && isBlank(*p))
        ++p;
    return p;
}

// Steps over one blank-separated token.
const char* skipToken(const char* p, const char* end)
{
    p = skipBlanks(p, end);
    while (p < end && !isBlank(*p))
        ++p;
    return p;
}

} // namespace

FaceLineParser::FaceLineParser(const PlyElement& element, int list, const ModelBuilder& builder, uint32_t vertexCount,
                               const int* colour)
    : element_(element), list_(list), builder_(builder), vertexCount_(vertexCount)
{
    for (int c = 0; c < 3 && colour != nullptr && colour[0] >= 0; ++c) {
        colour_[c] = colour[c];
        colourScale_[c] = plyColourScale(element.properties[static_cast<std::size_t>(colour[c])].type);
        lastColour_ = colour[c] > lastColour_ ? colour[c] : lastColour_;
    }
}

// Steps over property k (a token, or a list's count and entries); null when
// the line ends first.
const char* FaceLineParser::skipProperty(std::size_t k, const char* p, const char* end) const
{
    int32_t count = 0;
    bool outOfRange = false;
    if (element_.properties[k].isList) {
        if (scanInt(p, end, count, outOfRange) == nullptr || outOfRange || count < 0)
            return nullptr;
    }
    for (int32_t j = 0; j <= count; ++j) {
        p = skipBlanks(p, end);
        if (p == end)
            return nullptr;
        p = skipToken(p, end);
    }
    return p;
}

// Steps over the properties in front of the corner list; null when the line
// ends first.
const char* FaceLineParser::skipToList(const char* p, const char* end) const
{
    for (int k = 0; k < list_ && p != nullptr; ++k)
        p = skipProperty(static_cast<std::size_t>(k), p, end);
    return p;
}

bool FaceLineParser::readCount(const char*& p, const char* end, int32_t& count, bool face, std::string& message) const
{
    bool outOfRange = false;
    if (scanInt(p, end, count, outOfRange) == nullptr) {
        message = std::string("a ") + (face ? "face" : "tristrips") + " line must begin with its corner count";
        return false;
    }
    if (outOfRange) {
        message = "the corner count is out of range";
        return false;
    }
    if (face && count < 3) {
        message = "a face needs at least three corners, this one has " + std::to_string(count);
        return false;
    }
    if (count < 0) {
        message = "the corner count is negative";
        return false;
    }
    p = skipToken(p, end);
    return true;
}

// Reads one corner index at the start of its token, as "%d" does. Returns
// the end of the token, or null with the fault.
const char* FaceLineParser::readIndex(const char* p, const char* end, int32_t& index, int32_t corner,
                                      int32_t cornerCount, bool face, std::string& message) const
{
    p = skipBlanks(p, end);
    const char* token = p;
    bool outOfRange = false;
    const char* stop = scanInt(token, end, index, outOfRange);
    if (stop == nullptr) {
        message = std::string("the ") + (face ? "face" : "strip") + " has " + std::to_string(corner) + " of its "
                  + std::to_string(cornerCount) + " corner indices";
        return nullptr;
    }
    if (outOfRange || index < (face ? 0 : -1) || (index >= 0 && static_cast<uint32_t>(index) >= vertexCount_)) {
        while (token < stop && (*token == '\t' || *token == '\v' || *token == '\f' || *token == '\r'))
            ++token;
        const std::string text(token, stop);
        if (vertexCount_ == 0)
            message = "corner index " + text + " refers to a vertex, but the file has none";
        else
            message = "corner index " + text + " is outside 0.." + std::to_string(vertexCount_ - 1);
        return nullptr;
    }
    while (stop < end && !isBlank(*stop))
        ++stop;
    return stop;
}

bool FaceLineParser::parseFaceText(const char* begin, const char* end, FaceList& faces, std::string& message) const
{
    if (lastColour_ >= 0)
        return parseColouredFaceText(begin, end, faces, message);
    const char* p = list_ == 0 ? begin : skipToList(begin, end);
    if (p == nullptr) {
        message = "the face line ends before its vertex_indices list";
        return false;
    }
    return readCorners(p, end, faces, message) != nullptr;
}

// Reads the properties up to the last one used, in their order: the corner
// list and the colour; the rest are stepped over.
bool FaceLineParser::parseColouredFaceText(const char* begin, const char* end, FaceList& faces,
                                           std::string& message) const
{
    float rgb[3] = {0.0f, 0.0f, 0.0f};
    const char* p = begin;
    const int last = lastColour_ > list_ ? lastColour_ : list_;
    const std::size_t cornersBefore = faces.corners.size();
    bool listRead = false;
    for (int k = 0; k <= last; ++k) {
        const auto property = static_cast<std::size_t>(k);
        const char* next = nullptr;
        if (k == list_) {
            if (p == nullptr || (next = readCorners(p, end, faces, message)) == nullptr)
                return false;
            listRead = true;
        } else {
            const int channel = k == colour_[0] ? 0 : k == colour_[1] ? 1 : k == colour_[2] ? 2 : -1;
            double value = 0.0;
            next = channel < 0 ? skipProperty(property, p, end) : scanDouble(p, end, value);
            if (next == nullptr) {
                if (listRead) {
                    faces.counts.pop_back();
                    faces.corners.resize(cornersBefore);
                }
                message = listRead
                              ? "the face line has no number for its property " + element_.properties[property].name
                              : "the face line ends before its vertex_indices list";
                return false;
            }
            if (channel >= 0) {
                const double scaled = value * colourScale_[channel];
                rgb[channel] = scaled >= 0.0 ? (scaled <= 1.0 ? static_cast<float>(scaled) : 1.0f) : 0.0f;
            }
        }
        p = next;
    }
    faces.colourLast(rgb);
    return true;
}

// Reads the corner count and the corners from p and appends the polygon to
// faces; the end of the list, or null with the fault.
const char* FaceLineParser::readCorners(const char* p, const char* end, FaceList& faces, std::string& message) const
{
    int32_t cornerCount = 0;
    if (!readCount(p, end, cornerCount, true, message))
        return nullptr;
    // Small polygons get their slots at once; larger ones after their
    // indices proved to be there.
    const std::size_t first = faces.corners.size();
    const bool direct = cornerCount <= kDirectCorners;
    if (direct)
        faces.corners.resize(first + static_cast<std::size_t>(cornerCount));
    for (int32_t j = 0; j < cornerCount; ++j) {
        int32_t index = 0;
        p = readIndex(p, end, index, j, cornerCount, true, message);
        if (p == nullptr) {
            faces.corners.resize(first);
            return nullptr;
        }
        if (direct)
            faces.corners[first + static_cast<std::size_t>(j)] = builder_.corner(static_cast<uint32_t>(index));
        else
            faces.corners.push_back(builder_.corner(static_cast<uint32_t>(index)));
    }
    faces.counts.push_back(static_cast<uint32_t>(cornerCount));
    return p;
}

bool FaceLineParser::parseStripText(const char* begin, const char* end, std::vector<int32_t>& indices,
                                    std::string& message) const
{
    const char* p = skipToList(begin, end);
    if (p == nullptr) {
        message = "the tristrips line ends before its vertex_indices list";
        return false;
    }
    int32_t count = 0;
    if (!readCount(p, end, count, false, message))
        return false;
    indices.clear();
    for (int32_t j = 0; j < count; ++j) {
        int32_t index = 0;
        p = readIndex(p, end, index, j, count, false, message);
        if (p == nullptr)
            return false;
        indices.push_back(index);
    }
    return true;
}

std::string nulInNumbers()
{
    return BlockReader::stopMessage(BlockReader::Stop::nulByte);
}
