// brenvik-info: loads a mesh file the way the viewer's Open command does and
// prints what it got.
//
//   brenvik-info [--ply | --normals | --colours | --measure] [--swap N] FILE
//
// Without an option it prints the counts and the bounding box of the loaded
// (centred and scaled) positions; --ply writes the loaded model as ASCII PLY;
// --normals prints every vertex normal and every face normal and centre;
// --colours prints every vertex colour, "c I R G B", then every face colour,
// "fc I R G B" (or fails when the file has neither); --measure prints what
// the model measures in the file's coordinates (measureModel): size, unit,
// area, volume, parts, boundary and non-manifold edges, degenerate faces;
// --swap N applies the XYZ->ZXY coordinate swap N times first. Only regular
// files are read: PLY, OBJ, STL, OFF, glTF and 3MF, chosen by the content's
// signature or else the extension in any letter case, the files they name
// (material libraries, buffers) looked for beside them. What the reader
// noted (faces it skipped, materials not found) goes to standard error.
// Exit status: 0 success, 1 no model or output error, 2 usage error.

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "geometry/clocalescope.h"
#include "model/cores.h"
#include "model/loadmodel.h"
#include "model/meshmodel.h"
#include "model/modelbuilder.h"
#include "model/modelfacts.h"
#include "model/numberscan.h"
#include "model/plywriter.h"
#include "model/regularfile.h"

namespace {

// Models of at least this many vertices have their box found on two cores.
constexpr uint32_t kShareFrom = 200000;

const char kUsage[] = "usage: brenvik-info [--ply | --normals | --colours | --measure] [--swap N] FILE\n";

enum class Output { summary, ply, normals, colours, measure };

int usageError(const std::string& message)
{
    std::fprintf(stderr, "brenvik-info: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// N as a count of swaps; only N modulo 3 matters, since three swaps restore
// every position exactly. False when N is not a plain decimal number.
bool parseSwapCount(const char* text, unsigned& swaps)
{
    if (*text == '\0')
        return false;
    unsigned remainder = 0;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p < '0' || *p > '9')
            return false;
        remainder = (remainder * 10 + static_cast<unsigned>(*p - '0')) % 3;
    }
    swaps = remainder;
    return true;
}

void printSummary(const MeshModel& model)
{
    uint64_t corners = 0;
    if (model.cornerBlock != nullptr && model.faceCount > 0) {
        // One block holds every face's corners, in face order.
        const MeshFace& last = model.faces[model.faceCount - 1];
        corners = static_cast<uint64_t>(last.vertices + last.vertexCount - model.cornerBlock);
    } else {
        for (uint32_t i = 0; i < model.faceCount; ++i)
            corners += model.faces[i].vertexCount;
    }
    std::printf("vertices %u\n", model.vertexCount);
    std::printf("faces %u\n", model.faceCount);
    std::printf("corners %llu\n", static_cast<unsigned long long>(corners));
    if (model.vertexCount == 0)
        return;
    // On two cores for a big model: each half's box, the first half's
    // ends kept where the second's only equal them.
    PositionBox halves[2];
    splitInTwo(model.vertexCount, kShareFrom, 1, [&](uint32_t begin, uint32_t end) {
        PositionBox& box = halves[begin == 0 ? 0 : 1];
        for (uint32_t i = begin; i < end; ++i)
            box.widen(model.vertices[i].position);
    });
    halves[0].merge(halves[1]);
    const Vector3& low = halves[0].low;
    const Vector3& high = halves[0].high;
    std::printf("bbox %.6f %.6f %.6f %.6f %.6f %.6f\n", low.x, low.y, low.z, high.x, high.y, high.z);
}

void printNormals(const MeshModel& model)
{
    for (uint32_t i = 0; i < model.vertexCount; ++i) {
        const Vector3& n = model.vertices[i].normal;
        std::printf("v %u %.6f %.6f %.6f\n", i, n.x, n.y, n.z);
    }
    for (uint32_t i = 0; i < model.faceCount; ++i) {
        const Vector3& n = model.faces[i].normal;
        const Vector3& c = model.faces[i].center;
        std::printf("f %u %.6f %.6f %.6f %.6f %.6f %.6f\n", i, n.x, n.y, n.z, c.x, c.y, c.z);
    }
}

void printColours(const MeshModel& model)
{
    for (uint32_t i = 0; i < model.vertexCount && model.colours != nullptr; ++i) {
        const float* c = model.colours + 3 * static_cast<std::size_t>(i);
        std::printf("c %u %.6f %.6f %.6f\n", i, c[0], c[1], c[2]);
    }
    for (uint32_t i = 0; i < model.faceCount && model.faceColours != nullptr; ++i) {
        const float* c = model.faceColours + 3 * static_cast<std::size_t>(i);
        if (c[0] != kNoFaceColour)
            std::printf("fc %u %.6f %.6f %.6f\n", i, c[0], c[1], c[2]);
    }
}

void printMeasures(const MeshModel& model)
{
    std::fputs(modelFactsLines(measureModel(model)).c_str(), stdout);
}

} // namespace

int main(int argc, char** argv)
{
    Output output = Output::summary;
    bool outputChosen = false;
    bool swapGiven = false;
    unsigned swaps = 0;
    const char* path = nullptr;

    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (std::strcmp(arg, "--help") == 0 || std::strcmp(arg, "-h") == 0) {
            std::fputs(kUsage, stdout);
            return std::fflush(stdout) == 0 ? 0 : 1;
        }
        if (std::strcmp(arg, "--ply") == 0 || std::strcmp(arg, "--normals") == 0 || std::strcmp(arg, "--colours") == 0
            || std::strcmp(arg, "--measure") == 0) {
            if (outputChosen)
                return usageError("choose only one of --ply, --normals, --colours and --measure");
            output = arg[2] == 'p'   ? Output::ply
                     : arg[2] == 'n' ? Output::normals
                     : arg[2] == 'c' ? Output::colours
                                     : Output::measure;
            outputChosen = true;
        } else if (std::strcmp(arg, "--swap") == 0) {
            if (swapGiven)
                return usageError("--swap is given twice");
            if (i + 1 >= argc)
                return usageError("--swap needs a count");
            if (!parseSwapCount(argv[++i], swaps))
                return usageError(std::string("--swap needs a count of 0 or more, not \"") + argv[i] + "\"");
            swapGiven = true;
        } else if (arg[0] == '-' && arg[1] != '\0') {
            return usageError(std::string("unknown option ") + arg);
        } else {
            if (path != nullptr)
                return usageError("give exactly one FILE");
            path = arg;
        }
    }
    if (path == nullptr)
        return usageError("give exactly one FILE");

    std::string reason;
    FILE* stream = openRegularFile(path, reason);
    if (stream == nullptr) {
        std::fprintf(stderr, "brenvik-info: %s: %s\n", path, reason.c_str());
        return 1;
    }
    const std::string extension = fileExtension(std::string(path));
    LoadControl control;
    MeshModel* model = loadModel(stream, extension.c_str(), &reason, &control, folderPart(path).c_str());
    std::fclose(stream);
    if (model == nullptr) {
        std::fprintf(stderr, "brenvik-info: %s: %s\n", path, reason.c_str());
        return 1;
    }
    const std::string note = loadNote(control);
    if (!note.empty())
        std::fprintf(stderr, "brenvik-info: %s: %s\n", path, note.c_str());
    if (output == Output::colours && model->colours == nullptr && model->faceColours == nullptr) {
        freeMeshModel(model);
        std::fprintf(stderr, "brenvik-info: %s: no vertex colours\n", path);
        return 1;
    }

    for (unsigned i = 0; i < swaps; ++i)
        swapModelAxes(model);

    bool written = true;
    {
        const ScopedCLocale numbersInC;
        switch (output) {
        case Output::summary:
            printSummary(*model);
            break;
        case Output::normals:
            printNormals(*model);
            break;
        case Output::ply:
            written = writePlyModel(model, stdout);
            break;
        case Output::colours:
            printColours(*model);
            break;
        case Output::measure:
            printMeasures(*model);
            break;
        }
    }
    freeMeshModel(model);

    if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0 || !written) {
        const int error = errno;
        std::fprintf(stderr, "brenvik-info: cannot write the output: %s\n",
                     error != 0 ? std::strerror(error) : "write error");
        return 1;
    }
    return 0;
}
