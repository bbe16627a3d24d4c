#pragma once

// Reading the lines of an ASCII vertex element: the declared properties are
// taken from the front of each line as "%lf" reads numbers, up to the last
// one used; x, y, z give the position and red, green, blue the colour. A
// parser only reads shared state, so several threads may use one at once,
// each on its own lines.

#include <string>

#include "model/meshmodel.h"
#include "model/modelbuilder.h"
#include "model/ply/plyfacelines.h"
#include "model/ply/plyheader.h"
#include "model/ply/plylayout.h"

class VertexLineParser {
public:
    VertexLineParser(const PlyElement& element, const PlyVertexLayout& layout);

    // Reads one line (without its line end) into position and, when the
    // element has colours, colour[0..2]; false with the fault in *message.
    bool parse(const char* begin, const char* end, Vector3& position, float* colour, std::string& message) const
    {
        const char* textEnd = textBeforeNul(begin, end);
        if (parseText(begin, textEnd, position, colour, message))
            return true;
        if (textEnd != end)
            message = nulInNumbers();
        return false;
    }

private:
    bool parseText(const char* begin, const char* end, Vector3& position, float* colour, std::string& message) const;

    const PlyElement& element_;
    const PlyVertexLayout& layout_;
    bool plain_; // x, y, z are the first three properties
    bool fast_;  // ... and nothing else is used
    float scale_[3] = {1.0f, 1.0f, 1.0f};
};
