#pragma once

// Reading the lines of an OBJ file into a batch: its vertices (with their
// colours), its faces and its mtllib and usemtl lines, which the reader then hands to the model builder
// in file order. Lines are read one at a time or a chunk at a time; a
// parser only reads shared state, so several threads may use one at once,
// each with its own batch.

#include <cstdint>
#include <string>
#include <vector>

#include "model/lineruns.h"
#include "model/modelbuilder.h"

// What a run of lines gave.
struct ObjBatch {
    // A corner given by a negative index: where it is among the batch's
    // corners, the index, the batch's vertices before its face, and the
    // line (among the batch's lines, from 0).
    struct Relative {
        std::size_t corner;
        int32_t index;
        uint32_t verticesBefore;
        uint64_t line;
    };
    std::vector<Vector3> positions;
    std::vector<float> colours; // three per vertex, when the model has colours
    FaceList faces;             // corners given by negative indices still to be set
    std::vector<Relative> relative;
    // An mtllib or usemtl line: the faces of the batch before it, and the
    // rest of the line without the blanks around it.
    struct MaterialLine {
        std::size_t facesBefore;
        bool library; // mtllib, not usemtl
        std::string text;
    };
    std::vector<MaterialLine> materialLines;
    std::size_t materialBytes = 0; // of the material lines' texts
    uint32_t largestIndex = 0;     // of the positive indices, and its first line
    uint64_t largestIndexLine = 0;
    std::string largestIndexText; // as written, when beyond int32_t
    std::string outOfRangeText;   // the first index at INT32_MIN or beyond, as written
    uint64_t skippedFaces = 0;

    void clear()
    {
        positions.clear();
        colours.clear();
        faces.clear();
        relative.clear();
        materialLines.clear();
        materialBytes = 0;
        largestIndex = 0;
        largestIndexLine = 0;
        largestIndexText.clear();
        outOfRangeText.clear();
        skippedFaces = 0;
    }
};

class ObjLineParser {
public:
    // The builder gives the corners' slots (see ModelBuilder::corner);
    // colours says whether the model keeps vertex colours.
    ObjLineParser(const ModelBuilder& builder, bool colours) : builder_(builder), colours_(colours) { }

    // Reads one line (without its line end; a backslash at its end is
    // dropped) as line `line` of the batch; false with the fault in
    // *message.
    bool parse(const char* begin, const char* end, uint64_t line, ObjBatch& batch, std::string& message) const;

    // Reads the lines of [begin, end) (whole lines, each with its line end
    // except perhaps the last) into the batch, after checking them as the
    // block reader checks lines; stops at the first fault.
    LineFault parseLines(const char* begin, const char* end, ObjBatch& batch) const;

    // The first word of a line, when it is one of the keywords that make
    // the model: 'v' (a vertex), 'f' (a face), or 0 for any other line;
    // p is then past the keyword, or at the line's first word.
    static char keyword(const char*& p, const char* end);
    // How many numbers a vertex line gives after its keyword, up to six.
    static int vertexNumbers(const char* p, const char* end, double values[6]);

private:
    bool vertex(const char* p, const char* end, ObjBatch& batch, std::string& message) const;
    bool face(const char* p, const char* end, uint64_t line, ObjBatch& batch, std::string& message) const;
    static void materialLine(const char* p, const char* end, ObjBatch& batch);

    const ModelBuilder& builder_;
    bool colours_;
};
