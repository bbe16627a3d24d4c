#include "viewer/tavroview.h"

#include "model/meshmodel.h"
#include "model/reducedmodel.h"
#include "viewer/arrivalarrays.h"
#include "viewer/viewersettings.h"
#include "viewer/viewerstate.h"

#include <utility>

// Drawing while the camera moves: a large model's reduced copy, made on a
// worker once the model is on the screen, stands in for it in the frames of
// a drag, the wheel, the spin and the standard views; the whole model is
// drawn again once the camera is still (MotionDrawing).

void CTavroView::OnFastDrawing()
{
    m_motion->setEnabled(!m_motion->enabled());
    setFastDrawingWhileMoving(m_motion->enabled());
    RenderScene();
}

void CTavroView::CameraMoved()
{
    m_motion->moved();
}

void CTavroView::MotionModelChanged(MeshModel* copy)
{
    // The old copy's buffers go first, in the view's context.
    ReleaseBuffers(m_motion->buffers());
    if (copy == nullptr) {
        m_motion->modelChanged(g_model);
        return;
    }
    m_motion->buffers().swap(m_arrivingCopyBuffers);
    m_motion->modelChangedWithCopy(g_model, copy, arraysForViewerState());
}

void CTavroView::ShowArrivingCopy(PreparedArrival preview)
{
    ReleaseBuffers(m_arrivingCopyBuffers);
    freeMeshModel(std::exchange(m_arrivingCopy, std::exchange(preview.copy, nullptr)));
    m_arrivingCopyBuffers.adopt(std::move(preview.copyArrays));
    m_arrivingCopyShown = true;
    RenderScene();
    emit arrivingCopyShown();
}

bool CTavroView::DropArrivingCopy()
{
    ReleaseBuffers(m_arrivingCopyBuffers);
    freeMeshModel(std::exchange(m_arrivingCopy, nullptr));
    return std::exchange(m_arrivingCopyShown, false);
}

void CTavroView::DrawCurrentScene()
{
    SceneSettings scene = CurrentScene();
    if (m_arrivingCopyShown && m_arrivingCopy != nullptr) {
        scene.model.model = m_arrivingCopy;
        scene.marks = MeasureMarks{}; // the picks belong to the model shown before
        scene.model.fileColours = VertexColoursWith(*m_arrivingCopy, false) != 0;
        DrawScene(scene, m_arrivingCopyBuffers);
        m_motion->frameDrawn(false);
        return;
    }
    const MeshModel* reduced = scene.model.model != nullptr ? m_motion->modelToDraw() : nullptr;
    if (reduced != nullptr) {
        scene.model.model = reduced;
        DrawScene(scene, m_motion->buffers());
    } else {
        DrawScene(scene, m_modelBuffers);
    }
    m_motion->frameDrawn(reduced != nullptr);
}
