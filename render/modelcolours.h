#pragma once

// Which of a model's own colours it is drawn in, and the colour each face
// shows: the one place the immediate drawing and the buffers take them from,
// so that both give the same pixels.

#include <cstdint>

struct MeshModel;
enum class ModelLayout; // render/modelbuffers.h

enum class ColourSource {
    none,     // the model colour
    vertices, // each vertex its own colour
    faces,    // each face one colour (see faceColour)
};

// With colours from the file chosen: flat faces show a colour a face (when
// the model has face or vertex colours); smooth faces the vertex colours, or
// else the face colours; outlines and points the vertex colours. Without
// the choice, or without such colours, the model colour.
ColourSource colourSourceFor(const MeshModel& model, ModelLayout layout, bool fileColours);

// The colour face f shows: its own from the file, or else the mean of its
// corners' colours, or else `fallback` (the model colour).
void faceColour(const MeshModel& model, uint32_t f, const float* fallback, float out[3]);

// Whether some face shows the fallback colour.
bool usesFallbackColour(const MeshModel& model);
