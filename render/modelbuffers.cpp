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

const void* offset(std::size_t bytes)
{
    return reinterpret_cast<const void*>(bytes);
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

void ModelBuffers::adopt(ModelArrays arrays)
{
    m_adopted = std::move(arrays);
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
    swap(m_adopted, other.m_adopted);
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
    swap(m_adoptedBuilds, other.m_adoptedBuilds);
}

void ModelBuffers::abandon()
{
    m_source = ModelSource{};
    m_adopted.clear();
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
    ModelArrays arrays;
    const bool adopted = m_adopted.isFor(model, layout, colours, fallback) && m_adopted.records() != nullptr;
    if (adopted)
        arrays = std::move(m_adopted);
    release();
    if (layout == ModelLayout::none)
        return;
    if (!adopted && !arrays.plan(model, layout, colours, fallback))
        return;
    if (!upload(arrays)) {
        release();
        return;
    }
    if (adopted)
        ++m_adoptedBuilds;
    m_source = arrays.source();
    m_layout = layout;
    m_colours = colours;
    m_usesFallback = arrays.usesFallback();
    std::copy_n(arrays.fallback(), 3, m_fallback);
    m_vertexCount = static_cast<unsigned>(arrays.recordCount());
    m_indexCount = static_cast<unsigned>(arrays.indexCount());
    using std::swap;
    swap(m_edges, arrays.edges());
    m_bytes = arrays.vertexBytes() + arrays.indexBytes() + m_edges.byteSize();
}

bool ModelBuffers::upload(ModelArrays& arrays)
{
    const ModelLayout layout = arrays.layout();
    const std::size_t vertexBytes = arrays.vertexBytes();
    const std::size_t indexBytes = arrays.indexBytes();
    const bool indicesLater = layout == ModelLayout::outlines; // they follow the eye
    const bool filled = arrays.records() != nullptr;
    for (int i = 0; i < 8 && glGetError() != GL_NO_ERROR; ++i) {
        // Errors of earlier calls are not this build's.
    }
    // Arrays filled beforehand go to OpenGL in one call each; otherwise
    // both buffers are filled at once, by this thread and a helper,
    // straight into their mapped storage, or without a mapping through
    // copies.
    glGenBuffers(1, &m_vertexBuffer);
    glBindBuffer(GL_ARRAY_BUFFER, m_vertexBuffer);
    glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(vertexBytes), filled ? arrays.records() : nullptr,
                 GL_STATIC_DRAW);
    // Each array goes as soon as OpenGL holds its copy: the next copy may
    // take its pages, which costs less than fresh ones.
    arrays.releaseRecords();
    if (arrays.indexCount() > 0) {
        glGenBuffers(1, &m_indexBuffer);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, m_indexBuffer);
        glBufferData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLsizeiptr>(indexBytes),
                     filled && !indicesLater ? arrays.indices() : nullptr, GL_STATIC_DRAW);
    }
    arrays.releaseIndices();
    bool ok = glGetError() == GL_NO_ERROR;
    if (!filled && ok) {
        const bool mapIndices = arrays.indexCount() > 0 && !indicesLater;
        unsigned char* vertexOut = mapForWriting(GL_ARRAY_BUFFER, vertexBytes);
        unsigned char* indexOut = mapIndices ? mapForWriting(GL_ELEMENT_ARRAY_BUFFER, indexBytes) : nullptr;
        if (vertexOut && (indexOut || !mapIndices))
            arrays.fillInto(vertexOut, reinterpret_cast<GLuint*>(indexOut));
        if (vertexOut)
            ok = glUnmapBuffer(GL_ARRAY_BUFFER) == GL_TRUE && ok;
        if (indexOut)
            ok = glUnmapBuffer(GL_ELEMENT_ARRAY_BUFFER) == GL_TRUE && ok;
        if (ok && (!vertexOut || (!indexOut && mapIndices))) {
            std::vector<unsigned char> copy(vertexBytes);
            std::vector<GLuint> indexCopy(mapIndices ? arrays.indexCount() : 0);
            arrays.fillInto(copy.data(), indexCopy.empty() ? nullptr : indexCopy.data());
            glBufferSubData(GL_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(vertexBytes), copy.data());
            if (!indexCopy.empty())
                glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, 0, static_cast<GLsizeiptr>(indexBytes), indexCopy.data());
            ok = glGetError() == GL_NO_ERROR;
        }
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    return ok;
}

bool ModelBuffers::draw(const MeshModel& model, ModelLayout layout, bool fileColours, const float* modelColour)
{
    static const float kWhite[3] = {1.0f, 1.0f, 1.0f};
    const float* fallback = modelColour != nullptr ? modelColour : kWhite;
    const ColourSource colours = colourSourceFor(model, layout, fileColours);
    if (layout == ModelLayout::none)
        return true;
    const bool fallbackChanged = m_usesFallback && !std::equal(m_fallback, m_fallback + 3, fallback);
    if (!(m_source == ModelSource::of(model)) || m_layout != layout || m_colours != colours || fallbackChanged
        || empty()) {
        ++m_builds;
        build(model, layout, colours, fallback);
    }
    m_adopted.clear(); // arrays for another model or way of drawing
    if (empty())
        return false;

    const RecordFormat format = RecordFormat::of(layout, colours != ColourSource::none);
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
