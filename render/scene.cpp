#include "render/scene.h"

#include "render/overlay.h"

void DrawScene(const SceneSettings& scene, ModelBuffers& buffers)
{
    FrameSettings frame{};
    frame.camera = scene.camera;
    frame.windowWidth = scene.windowWidth;
    frame.windowHeight = scene.windowHeight;
    frame.bgColor = scene.bgColor;
    frame.stereo = scene.stereo;
    DrawFrameImages(
        frame,
        [&] {
            DrawSceneGrid(scene);
            DrawSceneAxes(scene);
            DrawSceneModel(scene, buffers);
        },
        [&] { DrawSceneInfo(scene); });
}

void DrawSceneGrid(const SceneSettings& scene)
{
    if (!scene.showGrid)
        return;
    const GridLayout& grid = scene.grid;
    DrawGridLines(grid.lines, grid.halfLines, grid.halfSize, grid.spacing, scene.meshColor);
}

void DrawSceneAxes(const SceneSettings& scene)
{
    if (scene.showAxes)
        DrawAxesLines();
}

void DrawSceneModel(const SceneSettings& scene, ModelBuffers& buffers)
{
    DrawMeshModel(scene.model, buffers);
}

void DrawSceneInfo(const SceneSettings& scene)
{
    if (scene.showInfo)
        DrawInfoText(scene.infoColor, scene.viewVector, scene.camera.center, scene.camera.eye, scene.windowWidth,
                     scene.windowHeight);
}
