#include "render/modeldraw.h"

#include "model/meshmodel.h"

#include <GL/gl.h>

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

// Every face as one polygon with its face normal.
void emitFacesWithFaceNormals(const MeshModel& model)
{
    for (unsigned i = 0; i < model.faceCount; ++i) {
        const MeshFace& face = model.faces[i];
        glBegin(GL_POLYGON);
        glNormal3d(face.normal.x, face.normal.y, face.normal.z);
        for (unsigned j = 0; j < face.vertexCount; ++j) {
            const Vector3& p = face.vertices[j]->position;
            glVertex3d(p.x, p.y, p.z);
        }
        glEnd();
    }
}

// Every face as one polygon with the vertex normals.
void emitFacesWithVertexNormals(const MeshModel& model)
{
    for (unsigned i = 0; i < model.faceCount; ++i) {
        const MeshFace& face = model.faces[i];
        glBegin(GL_POLYGON);
        for (unsigned j = 0; j < face.vertexCount; ++j) {
            const MeshVertex& v = *face.vertices[j];
            glNormal3d(v.normal.x, v.normal.y, v.normal.z);
            glVertex3d(v.position.x, v.position.y, v.position.z);
        }
        glEnd();
    }
}

}  // namespace

void DrawMeshModel(const MeshModel* model, int shadingMode, bool cullBackFaces,
                   const float modelColor[3], float angleX, float angleY, float angleZ)
{
    glScalef(kModelDisplayScale, kModelDisplayScale, kModelDisplayScale);
    glRotatef(angleX, 1.0f, 0.0f, 0.0f);
    glRotatef(angleY, 0.0f, 1.0f, 0.0f);
    glRotatef(angleZ, 0.0f, 0.0f, 1.0f);
    if (!model)
        return;

    switch (shadingMode) {
    case kShadingFlat:
        glEnable(GL_NORMALIZE);
        glShadeModel(GL_FLAT);
        setUpLitFaces(cullBackFaces, modelColor);
        emitFacesWithFaceNormals(*model);
        glDisable(GL_NORMALIZE);
        break;
    case kShadingSmooth:
        glEnable(GL_NORMALIZE);
        glShadeModel(GL_SMOOTH);
        setUpLitFaces(cullBackFaces, modelColor);
        emitFacesWithVertexNormals(*model);
        glDisable(GL_NORMALIZE);
        break;
    case kShadingWireframe:
        glEnable(GL_NORMALIZE);
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
        emitFacesWithFaceNormals(*model);
        glDisable(GL_NORMALIZE);
        break;
    default:
        break;
    }
}
