#include "viewer/viewerstate.h"

MeshModel* g_model = nullptr;

int g_windowWidth = 512;
int g_windowHeight = 512;

Vector3 g_eye;
Vector3 g_center;
Vector3 g_up;
double g_viewDistance = 0.0;
Vector3 g_viewVector;

int g_lastMouseX = 0;
int g_lastMouseY = 0;
int g_mouseDX = 0;
int g_mouseDY = 0;
int g_mouseDZ = 0;
int g_dragButton = 0;

float g_bgColor[3];
float g_meshColor[3];
float g_infoColor[3];
float g_modelColor[3];

int g_shadingMode = 1;
int g_cullBackFaces = 1;
int g_stereo = 0;
int g_vertexColours = 0;
int g_orthographic = 0;

float g_playAngleX = 0.0f;
float g_playAngleY = 0.0f;
float g_playAngleZ = 0.0f;

namespace {
void setColor(float color[3], float r, float g, float b)
{
    color[0] = r;
    color[1] = g;
    color[2] = b;
}
} // namespace

void initializeAxes()
{
    g_eye = kStartEye;
    g_center = {0.0, 0.0, 0.0};
    g_up = kStartUp;
    g_viewDistance = pointDistance(g_eye, g_center);
    vecSub(g_viewVector, g_eye, g_center);
    vecNormalize(g_viewVector);

    setColor(g_bgColor, 0.0f, 0.0f, 0.0f);
    setColor(g_meshColor, 0.8f, 0.8f, 0.8f);
    setColor(g_infoColor, 1.0f, 1.0f, 0.0f);
    setColor(g_modelColor, 1.0f, 1.0f, 1.0f);

    g_playAngleX = 0.0f;
    g_playAngleY = 0.0f;
    g_playAngleZ = 0.0f;
}
