#include "render/modelbuffers.h"

#include "model/cores.h"
#include "model/meshmodel.h"
#include "render/modeldraw.h"

#define GL_GLEXT_PROTOTYPES 1
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// One vertex record: position, then the normal and the colour when the
// layout has them.
struct RecordFormat {
    bool normals = false;
    bool colours = false;

    std::size_t normalOffset() const { return 3 * sizeof(float); }
    std::size_t colourOffset() const { return (normals ? 6 : 3) * sizeof(float); }
    std::size_t stride() const { return colourOffset() + (colours ? 3 : 0) * sizeof(float); }
};

RecordFormat formatFor(ModelLayout layout, bool colours)
{
    RecordFormat format;
    format.normals = layout == ModelLayout::flatFaces || layout == ModelLayout::smoothFaces;
    format.colours = colours;
    return format;
}

const void* offset(std::size_t bytes)
{
    return reinterpret_cast<const void*>(bytes);
}

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

// Where a run of faces starts in the buffers: the face, and the places of
// its first index, its first own record (flat: after the shared vertices)
// and its first corner record (smooth faces in face colours).
struct FacePlace {
    uint32_t face = 0;
    std::size_t index = 0;
    std::size_t own = 0;
    std::size_t corner = 0;
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
void fillIndices(GLuint* out, const MeshModel& model, ModelLayout layout, bool perFace, const FacePlace& from,
                 uint32_t end)
{
    auto own = static_cast<GLuint>(from.own);
    auto faceBase = static_cast<GLuint>(from.corner); // per face: the polygon's first corner record
    out += from.index;
    for (uint32_t f = from.face; f < end; ++f) {
        const MeshFace& face = model.faces[f];
        const uint32_t n = face.vertexCount;
        if (n < 3)
            continue;
        const auto corner = [&](uint32_t c) {
            return perFace ? faceBase + c : static_cast<GLuint>(vertexIndex(model, face.vertices[c]));
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

// Maps the buffer bound to target for writing; null when it cannot be.
unsigned char* mapForWriting(GLenum target, std::size_t bytes)
{
    if (bytes == 0)
        return nullptr;
    return static_cast<unsigned char*>(glMapBuffer(target, GL_WRITE_ONLY));
}

} // namespace

ModelLayout layoutFor(const MeshModel& model, int shadingMode)
{
    if (shadingMode != kShadingFlat && shadingMode != kShadingSmooth && shadingMode != kShadingWireframe)
        return ModelLayout::none;
    if (model.faceCount == 0)
        return model.vertexCount > 0 ? ModelLayout::points : ModelLayout::none;
    if (shadingMode == kShadingFlat)
        return ModelLayout::flatFaces;
    if (shadingMode == kShadingSmooth)
        return ModelLayout::smoothFaces;
    return ModelLayout::outlines;
}

std::size_t modelMemoryBytes(const MeshModel& model)
{
    std::size_t bytes = sizeof(MeshModel) + sizeof(MeshVertex) * model.vertexCount + sizeof(MeshFace) * model.faceCount;
    for (uint32_t i = 0; i < model.faceCount; ++i)
        bytes += sizeof(MeshVertex*) * model.faces[i].vertexCount;
    if (model.colours)
        bytes += 3 * sizeof(float) * model.vertexCount;
    if (model.faceColours)
        bytes += 3 * sizeof(float) * model.faceCount;
    return bytes;
}

bool ModelBuffers::Source::operator==(const Source& other) const
{
    return model == other.model && vertices == other.vertices && faces == other.faces && colours == other.colours
           && faceColours == other.faceColours && vertexCount == other.vertexCount && faceCount == other.faceCount;
}

ModelBuffers::Source ModelBuffers::sourceOf(const MeshModel& model)
{
    return Source{&model,         model.vertices, model.faces, model.colours, model.faceColours, model.vertexCount,
                  model.faceCount};
}

void ModelBuffers::release()
{
    if (m_vertexBuffer != 0)
        glDeleteBuffers(1, &m_vertexBuffer);
    if (m_indexBuffer != 0)
        glDeleteBuffers(1, &m_indexBuffer);
    abandon();
}

void ModelBuffers::swap(ModelBuffers& other) noexcept
{
    using std::swap;
    swap(m_source, other.m_source);
    swap(m_layout, other.m_layout);
    swap(m_colours, other.m_colours);
    swap(m_usesFallback, other.m_usesFallback);
    swap(m_fallback, other.m_fallback);
    swap(m_edges, other.m_edges);
    swap(m_edgesWritten, other.m_edgesWritten);
    swap(m_culling, other.m_culling);
    swap(m_edgeCounts, other.m_edgeCounts);
    swap(m_vertexBuffer, other.m_vertexBuffer);
    swap(m_indexBuffer, other.m_indexBuffer);
    swap(m_vertexCount, other.m_vertexCount);
    swap(m_indexCount, other.m_indexCount);
    swap(m_bytes, other.m_bytes);
    swap(m_builds, other.m_builds);
}

void ModelBuffers::abandon()
{
    m_source = Source{};
    m_layout = ModelLayout::none;
    m_colours = ColourSource::none;
    m_usesFallback = false;
    m_edges.clear();
    m_edgesWritten = false;
    m_vertexBuffer = 0;
    m_indexBuffer = 0;
    m_vertexCount = 0;
    m_indexCount = 0;
    m_bytes = 0;
}

void ModelBuffers::build(const MeshModel& model, ModelLayout layout, ColourSource colours, const float* fallback)
{
    const RecordColours recordColours{colours, fallback};
    const bool perFace = recordColours.perFace(layout);
    release();
    if (layout == ModelLayout::none)
        return;
    // Sizes first: triangles of the faces that have any.
    uint64_t triangles = 0;
    uint64_t polygons = 0;
    uint64_t corners = 0; // of the polygons
    // The buffers are filled in two parts, the second from the middle face.
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
    const RecordFormat format = formatFor(layout, colours != ColourSource::none);
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
    if (records == 0 || records > UINT32_MAX || indices > INT_MAX)
        return;
    if (layout != ModelLayout::points && indices == 0)
        return;

    // Both buffers are filled at once, by this thread and a helper, straight
    // into their mapped storage; without a mapping, through copies.
    const std::size_t vertexBytes = records * format.stride();
    const std::size_t indexBytes = indices * sizeof(GLuint);
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
        // Errors of earlier calls are not this build's.
    }
    glGenBuffers(1, &m_vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexBytes), nullptr, GL_STATIC_DRAW);
    if (indices > 0) {
        glGenBuffers(1, &m_indexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexBytes), nullptr, GL_STATIC_DRAW);
    }
    bool ok = glGetError() == GL_NO_ERROR;
    unsigned char* vertexOut = ok ? mapForWriting(GL_ARRAY_BUFFER, vertexBytes) : nullptr;
    unsigned char* indexOut
        = ok && layout != ModelLayout::outlines ? mapForWriting(GL_ELEMENT_ARRAY_BUFFER, indexBytes) : nullptr;
    FacePlace first;
    first.own = model.vertexCount;
    const uint32_t middleVertex = model.vertexCount / 2;
    // Each part: its half of the vertices and of the faces, records and
    // indices.
    const auto fill = [&](unsigned char* vertexTo, GLuint* indexTo, int part) {
        const FacePlace& from = part == 0 ? first : middle;
        const uint32_t endFace = part == 0 ? middle.face : model.faceCount;
        fillVertices(vertexTo, model, layout, format, recordColours, part == 0 ? 0 : middleVertex,
                     part == 0 ? middleVertex : model.vertexCount, from, endFace);
        if (indexTo != nullptr && layout != ModelLayout::outlines)
            fillIndices(indexTo, model, layout, perFace, from, endFace);
    };
    const bool indicesLater = layout == ModelLayout::outlines;
    if (vertexOut && (indexOut || indices == 0 || indicesLater)) {
        auto* indexTo = reinterpret_cast<GLuint*>(indexOut);
        runInTwo([&](int part) { fill(vertexOut, indexTo, part); });
    }
    if (vertexOut)
        ok = glUnmapBuffer(GL_ARRAY_BUFFER) == GL_TRUE && ok;
    if (indexOut)
        ok = glUnmapBuffer(GL_ELEMENT_ARRAY_BUFFER) == GL_TRUE && ok;
    if (ok && (!vertexOut || (!indexOut && indices > 0 && !indicesLater))) {
        std::vector<unsigned char> copy(vertexBytes);
        std::vector<GLuint> indexCopy(indicesLater ? 0 : indices);
        for (int part = 0; part < 2; ++part)
            fill(copy.data(), indexCopy.empty() ? nullptr : indexCopy.data(), part);
        glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertexBytes), copy.data());
        if (!indexCopy.empty())
            glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(indexBytes), indexCopy.data());
        ok = glGetError() == GL_NO_ERROR;
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    if (!ok) {
        release();
        return;
    }
    m_source = sourceOf(model);
    m_layout = layout;
    m_colours = colours;
    m_usesFallback = colours == ColourSource::faces && usesFallbackColour(model);
    std::copy_n(fallback, 3, m_fallback);
    m_vertexCount = static_cast<unsigned>(records);
    m_indexCount = static_cast<unsigned>(indices);
    m_bytes = vertexBytes + indexBytes + m_edges.byteSize();
}

bool ModelBuffers::draw(const MeshModel& model, ModelLayout layout, bool fileColours, const float* modelColour)
{
    static const float kWhite[3] = {1.0f, 1.0f, 1.0f};
    const float* fallback = modelColour != nullptr ? modelColour : kWhite;
    const ColourSource colours = colourSourceFor(model, layout, fileColours);
    if (layout == ModelLayout::none)
        return true;
    const bool fallbackChanged = m_usesFallback && !std::equal(m_fallback, m_fallback + 3, fallback);
    if (!(m_source == sourceOf(model)) || m_layout != layout || m_colours != colours || fallbackChanged || empty()) {
        ++m_builds;
        build(model, layout, colours, fallback);
    }
    if (empty())
        return false;

    const RecordFormat format = formatFor(layout, colours != ColourSource::none);
    const auto stride = static_cast<GLsizei>(format.stride());
    glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, offset(0));
    if (format.normals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, stride, offset(format.normalOffset()));
    }
    if (format.colours) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, stride, offset(format.colourOffset()));
    }
    if (layout == ModelLayout::points) {
        glDrawArrays(GL_POINTS, 0, static_cast<GLsizei>(m_vertexCount));
    } else if (layout == ModelLayout::outlines) {
        drawEdges();
    } else {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
        glDrawRangeElements(GL_TRIANGLES, 0, m_vertexCount - 1, static_cast<GLsizei>(m_indexCount), GL_UNSIGNED_INT,
                            offset(0));
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    }
    glDisableClientState(GL_COLOR_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_VERTEX_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return true;
}

EdgeCulling ModelBuffers::currentCulling()
{
    EdgeCulling culling;
    culling.enabled = glIsEnabled(GL_CULL_FACE) == GL_TRUE;
    if (!culling.enabled)
        return culling;
    GLint mode = GL_BACK;
    GLint front = GL_CCW;
    glGetIntegerv(GL_CULL_FACE_MODE, &mode);
    glGetIntegerv(GL_FRONT_FACE, &front);
    const bool keepFront = mode == GL_BACK;
    const bool keepBack = mode == GL_FRONT;
    // A clockwise front face swaps what the area's sign means.
    culling.keepFront = front == GL_CCW ? keepFront : keepBack;
    culling.keepBack = front == GL_CCW ? keepBack : keepFront;
    // The window area of a triangle (times its corners' w) is the 3 x 3
    // determinant of the x, y and w rows of projection * modelview applied
    // to its corners; by the Cauchy-Binet formula that is the sum over the
    // columns j of the rows' determinant without column j times the
    // corners' without row j, which for corners (p, 1) are n.x, -n.y, n.z
    // and d.
    double modelview[16];
    double projection[16];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    double rows[3][4]; // x, y and w rows of projection * modelview
    const int rowOf[3] = {0, 1, 3};
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k)
                sum += projection[4 * k + rowOf[r]] * modelview[4 * c + k];
            rows[r][c] = sum;
        }
    const auto without = [&](int column) {
        double m[3][3];
        for (int r = 0; r < 3; ++r)
            for (int c = 0, out = 0; c < 4; ++c)
                if (c != column)
                    m[r][out++] = rows[r][c];
        return m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0])
               + m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    };
    culling.eye[0] = without(0);
    culling.eye[1] = -without(1);
    culling.eye[2] = without(2);
    culling.eye[3] = without(3);
    return culling;
}

void ModelBuffers::drawEdges()
{
    const EdgeCulling culling = currentCulling();
    const bool changed = !m_edgesWritten || culling.enabled != m_culling.enabled
                         || (culling.enabled
                             && (culling.keepFront != m_culling.keepFront || culling.keepBack != m_culling.keepBack
                                 || !std::equal(culling.eye, culling.eye + 4, m_culling.eye)));
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
    if (changed) {
        const std::size_t bytes = std::size_t{m_indexCount} * sizeof(GLuint);
        auto* out = reinterpret_cast<GLuint*>(mapForWriting(GL_ELEMENT_ARRAY_BUFFER, bytes));
        std::vector<GLuint> copy;
        if (out == nullptr) {
            copy.resize(m_indexCount);
            out = copy.data();
        }
        // With vertex colours, each edge both ways round, so that the
        // pixels where lines meet show the colour they show in line mode.
        m_edges.write(culling, m_colours == ColourSource::vertices, out, m_edgeCounts);
        if (copy.empty())
            glUnmapBuffer(GL_ELEMENT_ARRAY_BUFFER);
        else
            glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(bytes), copy.data());
        m_culling = culling;
        m_edgesWritten = true;
    }
    const std::size_t starts[2] = {0, m_edges.secondPart()};
    for (int part = 0; part < 2; ++part) {
        if (m_edgeCounts[part] > 0)
            glDrawRangeElements(GL_LINES, 0, m_vertexCount - 1, static_cast<GLsizei>(m_edgeCounts[part]),
                                GL_UNSIGNED_INT, offset(starts[part] * sizeof(GLuint)));
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}
