#include "render/modelarrays.h"

#include "model/cores.h"
#include "model/meshmodel.h"
#include "render/modelbuffers.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>
#include <utility>

namespace {

std::size_t vertexIndex(const MeshModel& model, const MeshVertex* vertex)
{
    return static_cast<std::size_t>(vertex - model.vertices);
}

void putFloats(unsigned char* at, const float* values, int count)
{
    std::memcpy(at, values, sizeof(float) * static_cast<std::size_t>(count));
}

void putVector(unsigned char* at, const Vector3& v)
{
    // The same rounding OpenGL applies to the doubles of glVertex3d and
    // glNormal3d.
    const float f[3] = {static_cast<float>(v.x), static_cast<float>(v.y), static_cast<float>(v.z)};
    putFloats(at, f, 3);
}

// Writes record number i with the given position, normal and colour.
void putRecord(unsigned char* base, const RecordFormat& format, std::size_t i, const Vector3& position,
               const Vector3* normal, const float* colour)
{
    unsigned char* record = base + i * format.stride();
    putVector(record, position);
    if (format.normals)
        putVector(record + format.normalOffset(), *normal);
    if (format.colours)
        putFloats(record + format.colourOffset(), colour, 3);
}

// The colours the records carry: the source, and the colour of faces the
// file gave none.
struct RecordColours {
    ColourSource source = ColourSource::none;
    const float* fallback = nullptr;

    // Smooth faces in face colours: every face has its own corner records.
    bool perFace(ModelLayout layout) const
    {
        return layout == ModelLayout::smoothFaces && source == ColourSource::faces;
    }
    // What a shared vertex record carries (with face colours, in flat
    // shading, only the polygon's own corner's colour counts).
    const float* ofVertex(const MeshModel& model, uint32_t v) const
    {
        if (source == ColourSource::none)
            return nullptr;
        return model.colours != nullptr ? model.colours + 3 * std::size_t(v) : fallback;
    }
};

// Smooth faces in face colours: each polygon's corners, with the vertex
// normals and the face's colour, for faces from.face up to end.
void fillFaceCorners(unsigned char* out, const MeshModel& model, const RecordFormat& format,
                     const RecordColours& colours, const FacePlace& from, uint32_t end)
{
    std::size_t next = from.corner;
    for (uint32_t f = from.face; f < end; ++f) {
        const MeshFace& face = model.faces[f];
        if (face.vertexCount < 3)
            continue;
        float colour[3];
        faceColour(model, f, colours.fallback, colour);
        for (uint32_t j = 0; j < face.vertexCount; ++j) {
            const MeshVertex& vertex = *face.vertices[j];
            putRecord(out, format, next++, vertex.position, &vertex.normal, colour);
        }
    }
}

// One part of the vertex records, for vertices [firstVertex, endVertex) and
// faces from.face up to endFace: every vertex, then (flat) each polygon's
// own copy of its first corner, with the face normal and the face's colour:
// the last corner of all its triangles, whose colour a flat-shaded triangle
// takes.
void fillVertices(unsigned char* out, const MeshModel& model, ModelLayout layout, const RecordFormat& format,
                  const RecordColours& colours, uint32_t firstVertex, uint32_t endVertex, const FacePlace& from,
                  uint32_t endFace)
{
    if (colours.perFace(layout)) {
        fillFaceCorners(out, model, format, colours, from, endFace);
        return;
    }
    for (uint32_t v = firstVertex; v < endVertex; ++v) {
        const MeshVertex& vertex = model.vertices[v];
        const float* colour = colours.ofVertex(model, v);
        putRecord(out, format, v, vertex.position, &vertex.normal, colour);
    }
    if (layout != ModelLayout::flatFaces)
        return;
    std::size_t next = from.own;
    for (uint32_t f = from.face; f < endFace; ++f) {
        const MeshFace& face = model.faces[f];
        if (face.vertexCount < 3)
            continue;
        float colour[3] = {0.0f, 0.0f, 0.0f};
        if (format.colours)
            faceColour(model, f, colours.fallback, colour);
        putRecord(out, format, next++, face.vertices[0]->position, &face.normal, colour);
    }
}

// Three indices per triangle of each polygon's fan, for faces from.face up
// to end.
void fillIndices(uint32_t* out, const MeshModel& model, ModelLayout layout, bool perFace, const FacePlace& from,
                 uint32_t end)
{
    auto own = static_cast<uint32_t>(from.own);
    auto faceBase = static_cast<uint32_t>(from.corner); // per face: the polygon's first corner record
    out += from.index;
    for (uint32_t f = from.face; f < end; ++f) {
        const MeshFace& face = model.faces[f];
        const uint32_t n = face.vertexCount;
        if (n < 3)
            continue;
        const auto corner = [&](uint32_t c) {
            return perFace ? faceBase + c : static_cast<uint32_t>(vertexIndex(model, face.vertices[c]));
        };
        for (uint32_t i = 0; i + 2 < n; ++i) {
            *out++ = corner(i + 1);
            *out++ = corner(i + 2);
            *out++ = layout == ModelLayout::flatFaces ? own : corner(0);
        }
        ++own;
        faceBase += n;
    }
}

} // namespace

ModelSource ModelSource::of(const MeshModel& model)
{
    return ModelSource{&model,         model.vertices, model.faces, model.colours, model.faceColours, model.vertexCount,
                       model.faceCount};
}

bool ModelSource::operator==(const ModelSource& other) const
{
    return model == other.model && vertices == other.vertices && faces == other.faces && colours == other.colours
           && faceColours == other.faceColours && vertexCount == other.vertexCount && faceCount == other.faceCount;
}

RecordFormat RecordFormat::of(ModelLayout layout, bool colours)
{
    RecordFormat format;
    format.normals = layout == ModelLayout::flatFaces || layout == ModelLayout::smoothFaces;
    format.colours = colours;
    return format;
}

ModelArrays::ModelArrays() : m_layout(ModelLayout::none)
{
}

ModelArrays::~ModelArrays() = default;

ModelArrays::ModelArrays(ModelArrays&& other) noexcept : m_layout(ModelLayout::none)
{
    *this = std::move(other);
}

ModelArrays& ModelArrays::operator=(ModelArrays&& other) noexcept
{
    if (this == &other)
        return *this;
    m_model = std::exchange(other.m_model, nullptr);
    m_source = std::exchange(other.m_source, ModelSource{});
    m_layout = std::exchange(other.m_layout, ModelLayout::none);
    m_colours = std::exchange(other.m_colours, ColourSource::none);
    m_usesFallback = std::exchange(other.m_usesFallback, false);
    std::copy_n(other.m_fallback, 3, m_fallback);
    m_middle = other.m_middle;
    m_recordCount = std::exchange(other.m_recordCount, 0);
    m_indexCount = std::exchange(other.m_indexCount, 0);
    std::swap(m_edges, other.m_edges);
    other.m_edges.clear();
    m_records = std::move(other.m_records);
    m_indices = std::move(other.m_indices);
    return *this;
}

void ModelArrays::clear()
{
    *this = ModelArrays();
}

void ModelArrays::releaseRecords()
{
    m_records.reset();
}

void ModelArrays::releaseIndices()
{
    m_indices.reset();
}

RecordFormat ModelArrays::format() const
{
    return RecordFormat::of(m_layout, m_colours != ColourSource::none);
}

bool ModelArrays::isFor(const MeshModel& model, ModelLayout layout, ColourSource colours, const float* fallback) const
{
    return planned() && m_source == ModelSource::of(model) && m_layout == layout && m_colours == colours
           && (!m_usesFallback || std::equal(m_fallback, m_fallback + 3, fallback));
}

bool ModelArrays::plan(const MeshModel& model, ModelLayout layout, ColourSource colours, const float* fallback)
{
    clear();
    if (layout == ModelLayout::none)
        return false;
    const bool perFace = RecordColours{colours, fallback}.perFace(layout);
    // Sizes first: triangles of the faces that have any.
    uint64_t triangles = 0;
    uint64_t polygons = 0;
    uint64_t corners = 0; // of the polygons
    // The arrays are filled in two parts, the second from the middle face.
    FacePlace middle;
    middle.face = model.faceCount / 2;
    for (uint32_t f = 0; f < model.faceCount; ++f) {
        if (f == middle.face) {
            middle.index = 3 * triangles;
            middle.own = model.vertexCount + polygons;
            middle.corner = corners;
        }
        const uint32_t n = model.faces[f].vertexCount;
        if (n < 3)
            continue;
        triangles += n - 2;
        ++polygons;
        corners += n;
    }
    uint64_t records = model.vertexCount;
    if (perFace)
        records = corners;
    else if (layout == ModelLayout::flatFaces)
        records += polygons;
    // Outlines are lines over the shared vertices, two indices an edge,
    // written as the culling asks when they are drawn.
    if (layout == ModelLayout::outlines && triangles > 0 && triangles <= INT_MAX / 3)
        m_edges.build(model);
    const uint64_t indices = layout == ModelLayout::points     ? 0
                             : layout == ModelLayout::outlines ? uint64_t{m_edges.indexRoom()}
                                                               : 3 * triangles;
    if (records == 0 || records > UINT32_MAX || indices > INT_MAX || (layout != ModelLayout::points && indices == 0)) {
        m_edges.clear();
        return false;
    }
    m_model = &model;
    m_source = ModelSource::of(model);
    m_layout = layout;
    m_colours = colours;
    m_usesFallback = colours == ColourSource::faces && usesFallbackColour(model);
    std::copy_n(fallback, 3, m_fallback);
    m_middle = middle;
    m_recordCount = records;
    m_indexCount = indices;
    return true;
}

void ModelArrays::fillInto(unsigned char* records, uint32_t* indices) const
{
    if (!planned())
        return;
    const MeshModel& model = *m_model;
    const RecordColours recordColours{m_colours, m_fallback};
    const bool perFace = recordColours.perFace(m_layout);
    const RecordFormat recordFormat = format();
    FacePlace first;
    first.own = model.vertexCount;
    const uint32_t middleVertex = model.vertexCount / 2;
    // Each part: its half of the vertices and of the faces, records and
    // indices.
    runInTwo([&](int part) {
        const FacePlace& from = part == 0 ? first : m_middle;
        const uint32_t endFace = part == 0 ? m_middle.face : model.faceCount;
        fillVertices(records, model, m_layout, recordFormat, recordColours, part == 0 ? 0 : middleVertex,
                     part == 0 ? middleVertex : model.vertexCount, from, endFace);
        if (indices != nullptr && m_layout != ModelLayout::outlines && m_layout != ModelLayout::points)
            fillIndices(indices, model, m_layout, perFace, from, endFace);
    });
}

bool ModelArrays::fill(const MeshModel& model, ModelLayout layout, ColourSource colours, const float* fallback)
{
    if (!plan(model, layout, colours, fallback))
        return false;
    try {
        m_records = makeHugeBuffer(vertexBytes());
        const bool ownIndices = layout != ModelLayout::outlines && layout != ModelLayout::points;
        if (ownIndices)
            m_indices = makeHugeBuffer(indexBytes());
    } catch (const std::bad_alloc&) {
        clear();
        return false;
    }
    fillInto(reinterpret_cast<unsigned char*>(m_records.get()), reinterpret_cast<uint32_t*>(m_indices.get()));
    return true;
}
