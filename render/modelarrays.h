#pragma once

// The contents of a model's vertex and index buffers for one way of drawing
// it, worked out in memory without OpenGL: the sizes (plan), the records and
// indices themselves (fillInto, into the buffers' mapped storage or into
// arrays of the object's own), and for outlines the edges. ModelBuffers
// builds its buffers from them on the first draw; a loader thread can fill
// them before the model reaches the drawing thread (fill), which then hands
// them to OpenGL whole (ModelBuffers::adopt).

#include <cstddef>
#include <cstdint>

#include "model/bigmemory.h"
#include "render/modelcolours.h"
#include "render/outlineedges.h"

struct MeshModel;
enum class ModelLayout; // render/modelbuffers.h

// What identifies the model a set of buffers was made from, so that a new
// model at the address of a released one is not taken for it.
struct ModelSource {
    const MeshModel* model = nullptr;
    const void* vertices = nullptr;
    const void* faces = nullptr;
    const void* colours = nullptr;
    const void* faceColours = nullptr;
    unsigned vertexCount = 0;
    unsigned faceCount = 0;

    static ModelSource of(const MeshModel& model);
    bool operator==(const ModelSource& other) const;
};

// One vertex record: position, then the normal and the colour when the
// layout has them, all floats.
struct RecordFormat {
    bool normals = false;
    bool colours = false;

    static RecordFormat of(ModelLayout layout, bool colours);
    std::size_t normalOffset() const { return 3 * sizeof(float); }
    std::size_t colourOffset() const { return (normals ? 6 : 3) * sizeof(float); }
    std::size_t stride() const { return colourOffset() + (colours ? 3 : 0) * sizeof(float); }
};

// Where a run of faces starts in the arrays: the face, its first index, its
// first own record (flat: after the shared vertices) and its first corner
// record (smooth faces in face colours).
struct FacePlace {
    uint32_t face = 0;
    std::size_t index = 0;
    std::size_t own = 0;
    std::size_t corner = 0;
};

class ModelArrays {
public:
    ModelArrays();
    ~ModelArrays();
    ModelArrays(const ModelArrays&) = delete;
    ModelArrays& operator=(const ModelArrays&) = delete;
    ModelArrays(ModelArrays&& other) noexcept;
    ModelArrays& operator=(ModelArrays&& other) noexcept;

    // Works out the sizes for drawing the model with the layout and the
    // colours (faces without a colour of their own showing fallback), and
    // for outlines builds the edges. False when the model cannot be drawn
    // from buffers that way (nothing to draw, or more records or indices
    // than OpenGL counts).
    bool plan(const MeshModel& model, ModelLayout layout, ColourSource colours, const float* fallback);
    // After plan: writes the records (vertexBytes()) and, except for
    // outlines, whose indices follow the eye, the indices (indexCount())
    // into the given memory, on two cores.
    void fillInto(unsigned char* records, uint32_t* indices) const;
    // plan, then fillInto arrays of the object's own (records() and
    // indices()). False, holding nothing, when plan fails or there is no
    // memory.
    bool fill(const MeshModel& model, ModelLayout layout, ColourSource colours, const float* fallback);
    // Frees everything; the object plans nothing.
    void clear();

    // Whether the object was planned for this model drawn this way. The
    // fallback colour counts only where some face shows it.
    bool isFor(const MeshModel& model, ModelLayout layout, ColourSource colours, const float* fallback) const;
    bool planned() const { return m_recordCount > 0; }
    // The arrays fill gave (null before fill, or after takeEdges and
    // clear).
    const unsigned char* records() const { return reinterpret_cast<const unsigned char*>(m_records.get()); }
    const uint32_t* indices() const { return reinterpret_cast<const uint32_t*>(m_indices.get()); }
    // Frees the records, or the indices, fill gave, keeping the plan and
    // the edges.
    void releaseRecords();
    void releaseIndices();

    const ModelSource& source() const { return m_source; }
    ModelLayout layout() const { return m_layout; }
    ColourSource colours() const { return m_colours; }
    bool usesFallback() const { return m_usesFallback; }
    const float* fallback() const { return m_fallback; }
    RecordFormat format() const;
    std::size_t recordCount() const { return m_recordCount; }
    std::size_t indexCount() const { return m_indexCount; }
    std::size_t vertexBytes() const { return m_recordCount * format().stride(); }
    std::size_t indexBytes() const { return m_indexCount * sizeof(uint32_t); }
    // Outlines: the edges and the triangles beside them.
    OutlineEdges& edges() { return m_edges; }

private:
    const MeshModel* m_model = nullptr;
    ModelSource m_source;
    ModelLayout m_layout;
    ColourSource m_colours = ColourSource::none;
    bool m_usesFallback = false;
    float m_fallback[3] = {0.0f, 0.0f, 0.0f};
    FacePlace m_middle; // where the second of the two parts starts
    std::size_t m_recordCount = 0;
    std::size_t m_indexCount = 0;
    OutlineEdges m_edges;
    HugeBuffer m_records;
    HugeBuffer m_indices;
};
