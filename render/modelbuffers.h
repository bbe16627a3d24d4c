#pragma once

#include <cstddef>

#include "render/modelarrays.h"
#include "render/modelcolours.h"
#include "render/outlineedges.h"

struct MeshModel;

// What a model's buffers hold: they are laid out for one way of drawing.
enum class ModelLayout {
    none,
    points,      // a model without faces: one point per vertex
    flatFaces,   // triangles whose last corner carries the face normal
    smoothFaces, // triangles over the shared vertices and their normals
    outlines,    // lines: the polygons' own edges, each once
};

// The layout a model is drawn with in a shading mode (none for a mode that
// draws nothing, or for a model with neither faces nor vertices).
ModelLayout layoutFor(const MeshModel& model, int shadingMode);

// Bytes the model holds in memory: its record, vertices, faces, corner
// arrays and colours.
std::size_t modelMemoryBytes(const MeshModel& model);

// A model's vertex and index buffer objects (OpenGL 1.5) in the view's
// context, built on the first draw after a change and reused by every frame
// until the model, the layout or the colour choice changes. Their contents
// come from ModelArrays: filled straight into the buffers' storage on the
// drawing thread, or filled beforehand on another (adopt) and handed to
// OpenGL whole.
//
// Every polygon becomes a fan of triangles (corner i + 1, corner i + 2,
// corner 0), the order in which Mesa splits a polygon, so the buffers give
// exactly the pixels of drawing each face as one polygon there (other
// drivers may split polygons of more than three corners differently).
// Outlines are drawn as lines, each polygon edge once (OutlineEdges), which
// gives the pixels of the polygons drawn in line mode.
//
// The context the buffers were made in must be current for draw and
// release. The object never touches OpenGL on its own, so destroying it
// after its context went away is safe (the buffers went with the context).
class ModelBuffers {
public:
    ModelBuffers() = default;
    ~ModelBuffers() = default;
    ModelBuffers(const ModelBuffers&) = delete;
    ModelBuffers& operator=(const ModelBuffers&) = delete;

    // Draws the model from the buffers with the current OpenGL state
    // (lighting, culling, polygon mode and colour are the caller's), first
    // building them for the layout and the colour choice when they hold
    // something else. With fileColours the model's own colours are drawn
    // (colourSourceFor, render/modelcolours.h); faces without a colour then
    // show modelColour (white when null).
    bool draw(const MeshModel& model, ModelLayout layout, bool fileColours, const float* modelColour = nullptr);

    // Arrays filled beforehand (ModelArrays::fill, on any thread) for the
    // next draw: when it is for their model, layout and colours and has to
    // build, the buffers take them in one call each instead of being filled
    // there. The next draw, release or abandon drops them either way.
    // Touches no OpenGL.
    void adopt(ModelArrays arrays);

    // Deletes the buffers. Call when the model changes in place or goes
    // away, with the context current.
    void release();

    // Forgets the buffers without deleting them: for a context that is
    // already gone, which took them with it.
    void abandon();

    // Trades buffers with other (both in the same context): a model's
    // buffers built beside the ones on the screen take their place.
    void swap(ModelBuffers& other) noexcept;

    bool empty() const { return m_vertexBuffer == 0; }
    // The buffer objects' names (0 for none), to read them back.
    unsigned vertexBuffer() const { return m_vertexBuffer; }
    unsigned indexBuffer() const { return m_indexBuffer; }
    // Bytes held by the buffer objects.
    std::size_t byteSize() const { return m_bytes; }
    // Builds so far (each fills both buffers from the model, or takes
    // adopted arrays).
    unsigned long buildCount() const { return m_builds; }
    // Of those, the builds that took adopted arrays.
    unsigned long adoptedCount() const { return m_adoptedBuilds; }

private:
    void build(const MeshModel& model, ModelLayout layout, ColourSource colours, const float* fallback);
    // Makes the buffer objects for planned arrays and fills them: from the
    // arrays' own memory when they hold it, otherwise through a mapping.
    bool upload(ModelArrays& arrays);
    // Outlines: the culling the current OpenGL state asks for.
    static EdgeCulling currentCulling();
    // Outlines: the edges the current culling leaves, written to the index
    // buffer when it differs from the last frame's, drawn as lines.
    void drawEdges();

    ModelSource m_source;
    ModelArrays m_adopted; // filled beforehand, for the next build
    ModelLayout m_layout = ModelLayout::none;
    // Colours drawn; with face colours, whether some face shows the
    // fallback colour, and which.
    ColourSource m_colours = ColourSource::none;
    bool m_usesFallback = false;
    float m_fallback[3] = {0.0f, 0.0f, 0.0f};
    OutlineEdges m_edges;        // outlines: the edges and the triangles beside them
    bool m_edgesWritten = false; // the index buffer holds the edges for m_culling
    EdgeCulling m_culling;
    std::size_t m_edgeCounts[2] = {0, 0}; // indices drawn from each part
    unsigned m_vertexBuffer = 0;
    unsigned m_indexBuffer = 0;
    unsigned m_vertexCount = 0; // records in the vertex buffer
    unsigned m_indexCount = 0;  // indices in the index buffer (0 for points)
    std::size_t m_bytes = 0;
    unsigned long m_builds = 0;
    unsigned long m_adoptedBuilds = 0;
};
