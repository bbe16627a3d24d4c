#pragma once

// Reading the vertex and face lines of an OFF file. A parser only reads
// shared state, so several threads may use one at once, each on its own
// lines.

#include <cstdint>
#include <string>

#include "model/modelbuilder.h"

class OffLineParser {
public:
    // normals, colours: what the header says the vertex lines hold; the
    // builder gives the corners of its vertexCount declared vertices.
    OffLineParser(bool normals, bool colours, uint32_t vertexCount, const ModelBuilder& builder)
        : normals_(normals), colours_(colours), vertexCount_(vertexCount), builder_(builder)
    {
    }

    // The end of a line's content: before a '#' comment.
    static const char* contentEnd(const char* begin, const char* end);
    // True when a line has no content (blank, or only a comment).
    static bool isEmpty(const char* begin, const char* end);

    // Reads a vertex line into position and, with colours, colour[0..2];
    // false with the fault in *message.
    bool vertex(const char* begin, const char* end, Vector3& position, float* colour, std::string& message) const;
    // Reads a face line and appends the polygon to faces, or counts it in
    // skipped when it has fewer than three corners; false with the fault in
    // *message.
    bool face(const char* begin, const char* end, FaceList& faces, uint64_t& skipped, std::string& message) const;

private:
    bool normals_;
    bool colours_;
    uint32_t vertexCount_;
    const ModelBuilder& builder_;
};
