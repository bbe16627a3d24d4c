#include "viewer/tavroview.h"

#include "model/meshmodel.h"
#include "model/surfacepick.h"
#include "platform/framewnd.h"
#include "render/modeldraw.h"
#include "render/scenepick.h"
#include "viewer/camera.h"
#include "viewer/viewerstate.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QKeySequence>
#include <QShortcut>

// Measure mode: picking points of the surface with the left button, their
// distance in the status bar, Esc to clear them and Copy to take them as
// text; the right button turns the camera meanwhile.

namespace {

// A cloud's point is picked within this many logical pixels of the pointer.
constexpr double kPointPickRadius = 5.0;

} // namespace

void CTavroView::SetUpMeasure()
{
    m_measureEscape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    m_measureEscape->setContext(Qt::WindowShortcut);
    m_measureEscape->setEnabled(false);
    const auto escape = [this] {
        if (isLoading())
            cancelLoad(); // Esc's first meaning while a load runs
        else
            ClearMeasurement();
    };
    connect(m_measureEscape, &QShortcut::activated, this, escape);
    connect(m_measureEscape, &QShortcut::activatedAmbiguously, this, escape);
}

void CTavroView::OnMeasure()
{
    m_rotateMode = false;
    m_translateMode = false;
    m_noneMode = false;
    m_measureMode = true;
}

void CTavroView::MeasureAt(const QPoint& point)
{
    // (While the copy of a model being read is shown, the model picked
    // from is not the one on the screen.)
    if (g_model == nullptr || g_model->vertexCount == 0 || g_shadingMode == kShadingNone || m_arrivingCopyShown)
        return;
    const SceneSettings scene = CurrentScene();
    const double ratio = scene.pixelRatio;
    const PickView pickView = scenePickView(scene, (point.x() + 0.5) * ratio, (point.y() + 0.5) * ratio);
    const SurfacePick pick = pickSurface(*g_model, m_measurement.hierarchyFor(g_model), pickView, g_cullBackFaces != 0,
                                         kPointPickRadius * ratio);
    if (!pick.hit) {
        ShowStatusNote(QStringLiteral("no surface under the pointer"));
        return;
    }
    m_measurement.add(pick.point);
    ShowStatusNote(QString::fromStdString(m_measurement.statusLine(*g_model)));
    UpdateMeasureKeys();
    RenderScene();
}

void CTavroView::MeasureTurnStep(const QPoint& point)
{
    g_mouseDX = point.x() - g_lastMouseX;
    g_mouseDY = point.y() - g_lastMouseY;
    g_mouseDZ = 0;
    applyCameraDrag(true, false);
    CameraMoved();
    RenderScene();
}

void CTavroView::MeasureModelShown(const MeshModel* model)
{
    m_measurement.setModel(model);
    UpdateMeasureKeys();
}

void CTavroView::ClearMeasurement()
{
    if (m_measurement.count() == 0)
        return;
    m_measurement.clear();
    ShowStatusNote(QString());
    UpdateMeasureKeys();
    RenderScene();
}

void CTavroView::UpdateMeasureKeys()
{
    if (m_measureEscape)
        m_measureEscape->setEnabled(m_measurement.count() > 0 && !isLoading());
}

void CTavroView::OnEditCopy()
{
    if (g_model == nullptr || m_measurement.count() == 0)
        return;
    QGuiApplication::clipboard()->setText(QString::fromStdString(m_measurement.copyText(*g_model)));
}
