#include "render/scene.h"

#include "render/font.h"
#include "render/overlay.h"

#include <GL/gl.h>

#include <cmath>

namespace {

// The font at the scene's scale while it lives, then at 1 again.
class SceneFontScale {
public:
    explicit SceneFontScale(const SceneSettings& scene)
    {
        SetFontScale(static_cast<int>(std::lround(scene.pixelRatio)));
    }
    ~SceneFontScale() { SetFontScale(1); }
    SceneFontScale(const SceneFontScale&) = delete;
    SceneFontScale& operator=(const SceneFontScale&) = delete;
};

} // namespace

void DrawScene(const SceneSettings& scene, ModelBuffers& buffers)
{
    FrameSettings frame{};
    frame.camera = scene.camera;
    frame.windowWidth = scene.windowWidth;
    frame.windowHeight = scene.windowHeight;
    frame.bgColor = scene.bgColor;
    frame.stereo = scene.stereo;
    frame.orthographic = scene.orthographic;
    DrawFrameImages(
        frame,
        [&] {
            glLineWidth(scene.pixelRatio);
            DrawSceneGrid(scene);
            DrawSceneAxes(scene);
            DrawSceneModel(scene, buffers);
            DrawMeasureMarks(scene.marks, scene.pixelRatio);
        },
        [&] { DrawSceneInfo(scene); });
}

void DrawSceneGrid(const SceneSettings& scene)
{
    if (!scene.showGrid)
        return;
    const GridLayout& grid = scene.grid;
    DrawGridLines(grid.lines, grid.halfLines, grid.halfSize, grid.spacing, scene.meshColor, scene.pixelRatio);
}

void DrawSceneAxes(const SceneSettings& scene)
{
    if (!scene.showAxes)
        return;
    const SceneFontScale font(scene);
    DrawAxesLines(scene.pixelRatio);
}

void DrawSceneModel(const SceneSettings& scene, ModelBuffers& buffers)
{
    ModelDrawSettings model = scene.model;
    model.pixelRatio = scene.pixelRatio;
    DrawMeshModel(model, buffers);
}

void DrawSceneInfo(const SceneSettings& scene)
{
    if (!scene.showInfo)
        return;
    const SceneFontScale font(scene);
    DrawInfoText(scene.infoColor, scene.viewVector, scene.camera.center, scene.camera.eye, scene.windowWidth,
                 scene.windowHeight);
}
