// brenvik-render: draws the picture the viewer's first frame shows for a mesh
// file, with no display at all, and writes it as a PNG file.
//
//   brenvik-render [--size WxH] [--shading flat|smooth|wireframe]
//                  [--no-axes] [--no-grid] [--info] [--time-limit SECONDS]
//                  FILE OUT.png
//
// The camera, the colours, the grid, the axes and the shading start as in a
// new viewer window of that size (512x512 by default, flat shading, axes and
// grid on, the information overlay off); the frame is drawn by the same
// render/ code the view uses, on Mesa's surfaceless EGL platform.
// A picture of at most kReducedSide pixels a side shows a large model's
// reduced copy (buildReducedModel, as the view draws it while the camera
// moves), which the thumbnailer's small pictures cannot tell from the model
// and which draws in a fraction of the time and memory; the environment
// variables BRENVIK_REDUCE_ABOVE and BRENVIK_REDUCED_TRIANGLES set how many
// triangles make a model large (1000000 unless set) and how many its copy
// has at most (300000 unless set).
// Exit status: 0 success, 1 no model (the load's reason on standard error),
// no OpenGL, the picture not written or not done within the time limit (5 s
// unless given), 2 usage error.

#include "model/loadmodel.h"
#include "model/meshmodel.h"
#include "model/reducedmodel.h"
#include "model/regularfile.h"
#include "render/frame.h"
#include "render/hugepagestart.h"
#include "render/modelbuffers.h"
#include "render/offscreen.h"
#include "render/picture.h"
#include "render/scene.h"
#include "tools/renderdeadline.h"
#include "viewer/viewerscene.h"
#include "viewer/viewerstate.h"

#include <QString>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kUsage[] = "usage: brenvik-render [--size WxH] [--shading flat|smooth|wireframe] [--no-axes] [--no-grid] "
                      "[--info] [--time-limit SECONDS] FILE OUT.png\n";

// Larger pictures than this are refused as a usage error.
constexpr int kMaxSide = 16384;
// Pictures of at most this many pixels a side show a large model's reduced
// copy.
constexpr int kReducedSide = 512;

struct Options {
    int width = 512;
    int height = 512;
    int shading = kShadingFlat;
    bool axes = true;
    bool grid = true;
    bool info = false;
    double timeLimit = kDefaultTimeLimit;
    const char* file = nullptr;
    const char* out = nullptr;
};

int usageError(const std::string& message)
{
    std::fprintf(stderr, "brenvik-render: %s\n%s", message.c_str(), kUsage);
    return 2;
}

// A side length of 1 to kMaxSide written as plain decimal digits.
bool parseSide(const std::string& text, int& side)
{
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos)
        return false;
    side = std::atoi(text.c_str());
    return side >= 1 && side <= kMaxSide;
}

bool parseSize(const std::string& text, int& width, int& height)
{
    const std::size_t x = text.find('x');
    return x != std::string::npos && parseSide(text.substr(0, x), width) && parseSide(text.substr(x + 1), height);
}

// 0 when the options are good, else the exit status (usage printed).
int parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--size") {
            const char* size = value();
            if (!size || !parseSize(size, options.width, options.height))
                return usageError("--size needs WIDTHxHEIGHT, each 1 to " + std::to_string(kMaxSide));
        } else if (arg == "--shading") {
            const char* mode = value();
            const std::string name = mode ? mode : "";
            if (name == "flat")
                options.shading = kShadingFlat;
            else if (name == "smooth")
                options.shading = kShadingSmooth;
            else if (name == "wireframe")
                options.shading = kShadingWireframe;
            else
                return usageError("--shading needs flat, smooth or wireframe");
        } else if (arg == "--no-axes") {
            options.axes = false;
        } else if (arg == "--no-grid") {
            options.grid = false;
        } else if (arg == "--info") {
            options.info = true;
        } else if (arg == "--time-limit") {
            if (!parseTimeLimit(value(), options.timeLimit))
                return usageError("--time-limit needs a number of seconds, more than 0");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usageError("unknown option " + arg);
        } else if (!options.file) {
            options.file = argv[i];
        } else if (!options.out) {
            options.out = argv[i];
        } else {
            return usageError("give exactly one FILE and one OUT.png");
        }
    }
    if (!options.out)
        return usageError("give exactly one FILE and one OUT.png");
    return 0;
}

MeshModel* load(const char* path)
{
    std::string reason;
    FILE* stream = openRegularFile(path, reason);
    if (!stream) {
        std::fprintf(stderr, "brenvik-render: %s: %s\n", path, reason.c_str());
        return nullptr;
    }
    const std::string extension = fileExtension(std::string(path));
    MeshModel* model = loadModel(stream, extension.c_str(), &reason, nullptr, folderPart(path).c_str());
    std::fclose(stream);
    if (!model)
        std::fprintf(stderr, "brenvik-render: %s: %s\n", path, reason.c_str());
    return model;
}

// For a small picture, the reduced copy of a large model in its place (the
// model freed); else the model.
MeshModel* modelForPicture(MeshModel* model, const Options& options)
{
    if (options.width > kReducedSide || options.height > kReducedSide)
        return model;
    ReductionLimits limits;
    if (const char* above = std::getenv("BRENVIK_REDUCE_ABOVE"))
        limits.above = std::strtoull(above, nullptr, 10);
    if (const char* budget = std::getenv("BRENVIK_REDUCED_TRIANGLES"))
        limits.budget = static_cast<uint32_t>(std::strtoul(budget, nullptr, 10));
    const std::atomic<bool> cancel{false};
    MeshModel* reduced = buildReducedModel(*model, limits, cancel);
    if (reduced == nullptr)
        return model;
    freeMeshModel(model);
    return reduced;
}

// The view's frame: the scene a new view shows, in the options' size,
// shading and parts, the model in the file's colours when it has them (as a
// view shows a model just loaded).
void drawFrame(const Options& options, const MeshModel* model)
{
    SetUpContextState(options.width, options.height);
    ResizeProjection(options.width, options.height);
    SceneSettings scene = viewerScene(options.width, options.height);
    scene.stereo = false;
    scene.showGrid = options.grid;
    scene.showAxes = options.axes;
    scene.showInfo = options.info;
    scene.model.model = model;
    scene.model.shadingMode = options.shading;
    scene.model.fileColours = model != nullptr && (model->colours != nullptr || model->faceColours != nullptr);
    ModelBuffers buffers;
    DrawScene(scene, buffers);
    buffers.release();
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options options;
    if (const int status = parseOptions(argc, argv, options))
        return status;
    startWithHugePages(argv);
    const RenderDeadline deadline(options.timeLimit, options.file, options.out);

    MeshModel* model = load(options.file);
    if (!model)
        return 1;
    model = modelForPicture(model, options);
    initializeAxes();

    OffscreenContext context;
    std::string reason;
    if (!context.create(options.width, options.height, &reason)) {
        std::fprintf(stderr, "brenvik-render: no OpenGL to draw with: %s\n", reason.c_str());
        freeMeshModel(model);
        return 1;
    }
    drawFrame(options, model);
    const std::vector<unsigned char> rgb = context.readBack();
    freeMeshModel(model);
    if (!WritePicture(QString::fromLocal8Bit(options.out), rgb, options.width, options.height, "PNG")) {
        std::fprintf(stderr, "brenvik-render: %s: the picture could not be written\n", options.out);
        return 1;
    }
    return 0;
}
