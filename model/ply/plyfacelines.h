#pragma once

// Reading the lines of an ASCII face or tristrips element: the properties in
// front of the corner list are stepped over, then the corner count and the
// corner indices are read as "%d" reads them, tokens separated by blanks
// (spaces, tabs); whatever follows is ignored. A parser only reads shared state, so several
// threads may use one at once, each on its own lines.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "model/meshmodel.h"
#include "model/modelbuilder.h"
#include "model/ply/plyheader.h"

// The end of a line's text: its first NUL byte, which ends it as it ends a
// C string, or `end`. A NUL byte after the numbers a line needs is ignored
// like any other trailing text; one before them is the line's fault
// (nulInNumbers).
inline const char* textBeforeNul(const char* begin, const char* end)
{
    const void* nul = std::memchr(begin, '\0', static_cast<std::size_t>(end - begin));
    return nul != nullptr ? static_cast<const char*>(nul) : end;
}
std::string nulInNumbers();

class FaceLineParser {
public:
    // `list` is the index of the corner list among the element's properties;
    // the builder gives the corners of its `vertexCount` declared vertices.
    // `colour`, when given, holds the indices of the face's red, green and
    // blue properties.
    FaceLineParser(const PlyElement& element, int list, const ModelBuilder& builder, uint32_t vertexCount,
                   const int* colour = nullptr);

    // Reads one face line (without its line end) and appends the polygon to
    // faces, with its colour when the element has one; false with the fault
    // in *message.
    bool parseFace(const char* begin, const char* end, FaceList& faces, std::string& message) const
    {
        const char* textEnd = textBeforeNul(begin, end);
        if (parseFaceText(begin, textEnd, faces, message))
            return true;
        if (textEnd != end)
            message = nulInNumbers();
        return false;
    }
    // Reads one tristrips line into indices (-1 between strips); false with
    // the fault in *message.
    bool parseStrip(const char* begin, const char* end, std::vector<int32_t>& indices, std::string& message) const
    {
        const char* textEnd = textBeforeNul(begin, end);
        if (parseStripText(begin, textEnd, indices, message))
            return true;
        if (textEnd != end)
            message = nulInNumbers();
        return false;
    }

private:
    bool parseFaceText(const char* begin, const char* end, FaceList& faces, std::string& message) const;
    bool parseColouredFaceText(const char* begin, const char* end, FaceList& faces, std::string& message) const;
    const char* readCorners(const char* p, const char* end, FaceList& faces, std::string& message) const;
    const char* skipProperty(std::size_t k, const char* p, const char* end) const;
    bool parseStripText(const char* begin, const char* end, std::vector<int32_t>& indices, std::string& message) const;
    const char* skipToList(const char* p, const char* end) const;
    bool readCount(const char*& p, const char* end, int32_t& count, bool face, std::string& message) const;
    const char* readIndex(const char* p, const char* end, int32_t& index, int32_t corner, int32_t cornerCount,
                          bool face, std::string& message) const;

    const PlyElement& element_;
    int list_;
    const ModelBuilder& builder_;
    uint32_t vertexCount_;
    int colour_[3] = {-1, -1, -1};
    float colourScale_[3] = {1.0f, 1.0f, 1.0f};
    int lastColour_ = -1; // the last of the colour properties, -1 without colours
};
