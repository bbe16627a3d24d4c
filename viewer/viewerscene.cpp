#include "viewer/viewerscene.h"

#include "viewer/viewerstate.h"

SceneSettings viewerScene(int width, int height)
{
    SceneSettings scene;
    scene.camera = FrameCamera{g_eye, g_center, g_up};
    scene.windowWidth = width;
    scene.windowHeight = height;
    scene.bgColor = g_bgColor;
    scene.stereo = g_stereo != 0;
    scene.orthographic = g_orthographic != 0;
    scene.meshColor = g_meshColor;
    scene.model.model = g_model;
    scene.model.shadingMode = g_shadingMode;
    scene.model.cullBackFaces = g_cullBackFaces != 0;
    scene.model.color = g_modelColor;
    scene.model.angleX = g_playAngleX;
    scene.model.angleY = g_playAngleY;
    scene.model.angleZ = g_playAngleZ;
    scene.model.fileColours = g_vertexColours != 0;
    scene.infoColor = g_infoColor;
    scene.viewVector = g_viewVector;
    return scene;
}
