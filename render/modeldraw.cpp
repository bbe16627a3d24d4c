#include "render/modeldraw.h"

#include "model/meshmodel.h"
#include "render/modelbuffers.h"
#include "render/modelcolours.h"

#include <GL/gl.h>

#include <cstddef>

namespace {

// Culling, fill, lighting and colour material shared by the two lit modes.
void setUpLitFaces(bool cullBackFaces, const float modelColor[3])
{
    if (cullBackFaces) {
        glPolygonMode(GL_FRONT, GL_FILL);
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
    } else {
        glDisable(GL_CULL_FACE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    }
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glColorMaterial(cullBackFaces ? GL_FRONT : GL_FRONT_AND_BACK, GL_AMBIENT_AND_DIFFUSE);
    glEnable(GL_COLOR_MATERIAL);
    glColor3fv(modelColor);
}

// Outlines of the polygons in the flat model colour, unlit.
void setUpOutlines(bool cullBackFaces, const float modelColor[3])
{
    glPolygonMode(GL_FRONT, GL_LINE);
    if (cullBackFaces) {
        glEnable(GL_CULL_FACE);
        glCullFace(GL_BACK);
    } else {
        glDisable(GL_CULL_FACE);
        glPolygonMode(GL_BACK, GL_LINE);
    }
    glDisable(GL_LIGHTING);
    glColor3fv(modelColor);
}

// The colour of a vertex, when vertex colours are drawn.
void emitColour(const MeshModel& model, const MeshVertex* vertex, bool vertexColours)
{
    if (vertexColours)
        glColor3fv(model.colours + 3 * static_cast<std::size_t>(vertex - model.vertices));
}

// The colour of a face, when face colours are drawn.
void emitFaceColour(const MeshModel& model, unsigned i, ColourSource source, const float* modelColor)
{
    if (source != ColourSource::faces)
        return;
    float colour[3];
    faceColour(model, i, modelColor, colour);
    glColor3fv(colour);
}

// Every face as one polygon with its face normal.
void emitFacesWithFaceNormals(const MeshModel& model, ColourSource source, const float* modelColor)
{
    const bool vertexColours = source == ColourSource::vertices;
    for (unsigned i = 0; i < model.faceCount; ++i) {
        const MeshFace& face = model.faces[i];
        emitFaceColour(model, i, source, modelColor);
        glBegin(GL_POLYGON);
        glNormal3d(face.normal.x, face.normal.y, face.normal.z);
        for (unsigned j = 0; j < face.vertexCount; ++j) {
            emitColour(model, face.vertices[j], vertexColours);
            const Vector3& p = face.vertices[j]->position;
            glVertex3d(p.x, p.y, p.z);
        }
        glEnd();
    }
}

// Every face as one polygon with the vertex normals.
void emitFacesWithVertexNormals(const MeshModel& model, ColourSource source, const float* modelColor)
{
    const bool vertexColours = source == ColourSource::vertices;
    for (unsigned i = 0; i < model.faceCount; ++i) {
        const MeshFace& face = model.faces[i];
        emitFaceColour(model, i, source, modelColor);
        glBegin(GL_POLYGON);
        for (unsigned j = 0; j < face.vertexCount; ++j) {
            const MeshVertex& v = *face.vertices[j];
            emitColour(model, &v, vertexColours);
            glNormal3d(v.normal.x, v.normal.y, v.normal.z);
            glVertex3d(v.position.x, v.position.y, v.position.z);
        }
        glEnd();
    }
}

// Every vertex as one point.
void emitPoints(const MeshModel& model, bool vertexColours)
{
    glBegin(GL_POINTS);
    for (unsigned i = 0; i < model.vertexCount; ++i) {
        const MeshVertex& v = model.vertices[i];
        emitColour(model, &v, vertexColours);
        glVertex3d(v.position.x, v.position.y, v.position.z);
    }
    glEnd();
}

void emitImmediate(const MeshModel& model, ModelLayout layout, ColourSource source, const float* modelColor)
{
    switch (layout) {
    case ModelLayout::points:
        emitPoints(model, source == ColourSource::vertices);
        break;
    case ModelLayout::smoothFaces:
        emitFacesWithVertexNormals(model, source, modelColor);
        break;
    case ModelLayout::flatFaces:
    case ModelLayout::outlines:
        emitFacesWithFaceNormals(model, source, modelColor);
        break;
    case ModelLayout::none:
        break;
    }
}

void drawModel(const ModelDrawSettings& settings, ModelBuffers* buffers)
{
    glScalef(kModelDisplayScale, kModelDisplayScale, kModelDisplayScale);
    glRotatef(settings.angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(settings.angleY, 0.0f, 1.0f, 0.0f);
    glRotatef(settings.angleZ, 0.0f, 0.0f, 1.0f);
    const MeshModel* model = settings.model;
    if (!model)
        return;
    const int shadingMode = settings.shadingMode;
    const ModelLayout layout = layoutFor(*model, shadingMode);
    if (layout == ModelLayout::none)
        return;
    const bool cullBackFaces = settings.cullBackFaces;
    const float* modelColor = settings.color;
    const ColourSource source = colourSourceFor(*model, layout, settings.fileColours);

    if (layout == ModelLayout::points) {
        glDisable(GL_LIGHTING);
        glPointSize(pointSizeFor(model->vertexCount) * settings.pixelRatio);
        glColor3fv(modelColor);
    } else {
        glEnable(GL_NORMALIZE);
        if (shadingMode == kShadingFlat) {
            glShadeModel(GL_FLAT);
            setUpLitFaces(cullBackFaces, modelColor);
        } else if (shadingMode == kShadingSmooth) {
            glShadeModel(GL_SMOOTH);
            setUpLitFaces(cullBackFaces, modelColor);
        } else {
            setUpOutlines(cullBackFaces, modelColor);
        }
    }

    if (!buffers || !buffers->draw(*model, layout, settings.fileColours, modelColor))
        emitImmediate(*model, layout, source, modelColor);

    if (layout == ModelLayout::points)
        glPointSize(1.0f);
    else
        glDisable(GL_NORMALIZE);
}

} // namespace

float pointSizeFor(unsigned vertexCount)
{
    if (vertexCount < 100)
        return 6.0f;
    return vertexCount < 10000 ? 4.0f : 2.0f;
}

void DrawMeshModel(const ModelDrawSettings& settings, ModelBuffers& buffers)
{
    drawModel(settings, &buffers);
}

void DrawMeshModelImmediate(const ModelDrawSettings& settings)
{
    drawModel(settings, nullptr);
}
