#pragma once

// Helpers shared by the model tests: loading model text through the different
// kinds of stream and building models by hand.

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"
#include "tests/support/plytexts.h"

struct ModelDeleter {
    void operator()(MeshModel* model) const { freeMeshModel(model); }
};
using ModelPtr = std::unique_ptr<MeshModel, ModelDeleter>;

// How the text reaches the reader.
enum class StreamKind {
    regularFile, // a temporary file on disk: size known
    memory,      // fmemopen: no file descriptor
    pipe,        // a pipe fed by a thread: not seekable
};

// Loads text through loadModel with the extension "ply".
ModelPtr loadPlyText(const std::string& text, std::string* reason = nullptr, StreamKind kind = StreamKind::regularFile);
// Loads text (or bytes) through loadModel with the given extension.
ModelPtr loadText(const std::string& text, const char* extension, std::string* reason = nullptr,
                  StreamKind kind = StreamKind::regularFile, LoadControl* control = nullptr);

// A binary PLY file built value by value in one byte order: start it with
// the header's element and property lines, then put the body's values.
class BinaryPly {
public:
    BinaryPly(bool bigEndian, const std::string& declarations)
        : bigEndian_(bigEndian), text_(std::string("ply\nformat binary_") + (bigEndian ? "big" : "little")
                                       + "_endian 1.0\n" + declarations + "end_header\n")
    {
    }
    template <typename T> BinaryPly& put(T value)
    {
        char bytes[sizeof(T)];
        std::memcpy(bytes, &value, sizeof(T));
        const uint16_t probe = 1;
        const bool hostBig = *reinterpret_cast<const unsigned char*>(&probe) == 0;
        for (std::size_t i = 0; i < sizeof(T); ++i)
            text_ += bytes[hostBig == bigEndian_ ? i : sizeof(T) - 1 - i];
        return *this;
    }
    const std::string& text() const { return text_; }

private:
    bool bigEndian_;
    std::string text_;
};

// Loads text that must be rejected and returns the reason (checking that
// there is one and no model).
std::string rejection(const std::string& text, StreamKind kind = StreamKind::regularFile,
                      const char* extension = "ply");

// A model built by hand from positions and faces given as index lists, with
// every block from malloc like the reader's; normals are not yet built. The
// positions stand for the file's own: the frame is the identity (with their
// box) and there is no unit.
ModelPtr makeModel(const std::vector<Vector3>& positions, const std::vector<std::vector<int>>& faces);

// Index of the vertex a corner points at.
long cornerIndex(const MeshModel& model, uint32_t face, uint32_t corner);

// A mesh as positions and faces of vertex indices, and the ASCII PLY text
// that holds it.
struct Mesh {
    std::vector<Vector3> positions;
    std::vector<std::vector<int>> faces;
};
std::string plyOf(const Mesh& mesh);

// The same positions (within `tolerance` on each axis, after centring and
// scaling), faces and corners.
void expectSameModel(const MeshModel& got, const MeshModel& expected, const std::string& what, double tolerance = 1e-6);

// What writePlyModel writes for the model.
std::string writeToString(const MeshModel* model);
