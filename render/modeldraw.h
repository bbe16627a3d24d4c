#pragma once

struct MeshModel;
class ModelBuffers;

// Shading modes of the model drawing.
constexpr int kShadingNone = 0;
constexpr int kShadingFlat = 1;
constexpr int kShadingSmooth = 2;
constexpr int kShadingWireframe = 3;

// Display scale from the model's normalised space (-1..1) into world units.
constexpr float kModelDisplayScale = 100.0f;

// What the model drawing needs: the model, how to shade it and its spin.
struct ModelDrawSettings {
    const MeshModel* model = nullptr; // null draws nothing
    int shadingMode = kShadingFlat;
    bool cullBackFaces = true;
    const float* color = nullptr; // red, green, blue
    // Spin in degrees about x, then y, then z.
    float angleX = 0.0f;
    float angleY = 0.0f;
    float angleZ = 0.0f;
    // A model with colours of its own (vertex or face colours from the
    // file) is drawn in them instead of color (see colourSourceFor).
    bool fileColours = false;
    // Device pixels per logical pixel: points are that much larger.
    float pixelRatio = 1.0f;
};

// The size of the model's points in logical pixels: larger for small clouds,
// so that a few points are as easy to see as many.
float pointSizeFor(unsigned vertexCount);

// Draws the model into the current image with the camera on the modelview
// matrix. First multiplies the modelview matrix by the display scale and the
// spin (glRotatef about x, then y, then z, in that call order) and leaves
// that transform applied. Then, for a model and a shading mode of 1
// (flat-lit), 2 (smooth-lit) or 3 (unlit outlines), draws every face as one
// polygon in the colour, back faces culled when cullBackFaces is set. A
// model with vertices but no faces is drawn as unlit points (pointSizeFor,
// times the pixel ratio) in any of the three modes. With fileColours set and
// a model that has colours, the model takes them instead (colourSourceFor),
// lit the same way. Any other mode, and a null model, draw nothing.
//
// The model comes from buffers (built by the first frame after a change and
// kept for the next ones): see ModelBuffers. Whoever changes or frees the
// model releases the buffers.
void DrawMeshModel(const ModelDrawSettings& settings, ModelBuffers& buffers);

// The same picture with one glBegin/glEnd per face, nothing kept between
// frames: the reference for the buffer drawing.
void DrawMeshModelImmediate(const ModelDrawSettings& settings);
