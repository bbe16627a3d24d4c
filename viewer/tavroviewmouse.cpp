#include "viewer/tavroview.h"

#include "viewer/camera.h"
#include "viewer/viewerstate.h"

// The view's mouse: drags with either button, and the wheel.

void CTavroView::SetCapture()
{
    // The pointer belongs to the native drawing surface, not to the view's
    // widget: grab it there, so a drag keeps its events outside the window.
    if (m_pDC)
        m_pDC->setMouseGrabEnabled(true);
}

void CTavroView::ReleaseCapture()
{
    if (m_pDC)
        m_pDC->setMouseGrabEnabled(false);
}

void CTavroView::ApplyMouseDrag()
{
    applyCameraDrag(m_rotateMode, m_translateMode);
}

void CTavroView::OnLButtonDown(unsigned flags, const QPoint& point)
{
    CView::OnLButtonDown(flags, point);
    if (m_measureMode) {
        MeasureAt(point); // a click picks, it does not drag
        return;
    }
    SetCapture();
    g_lastMouseX = point.x();
    g_lastMouseY = point.y();
    g_dragButton = 1;
}

void CTavroView::OnRButtonDown(unsigned flags, const QPoint& point)
{
    CView::OnRButtonDown(flags, point);
    SetCapture();
    g_lastMouseX = point.x();
    g_lastMouseY = point.y();
    g_dragButton = 2;
}

void CTavroView::OnMouseMove(unsigned flags, const QPoint& point)
{
    CView::OnMouseMove(flags, point);
    if (g_dragButton == 1) {
        g_mouseDX = point.x() - g_lastMouseX;
        g_mouseDY = point.y() - g_lastMouseY;
        g_mouseDZ = 0;
        ApplyMouseDrag();
        CameraMoved();
        RenderScene();
    } else if (g_dragButton == 2) {
        RightDragStep(point);
    }
    g_lastMouseX = point.x();
    g_lastMouseY = point.y();
}

void CTavroView::OnLButtonUp(unsigned flags, const QPoint& point)
{
    CView::OnLButtonUp(flags, point);
    if (g_dragButton != 1 && m_measureMode)
        return;
    g_mouseDX = point.x() - g_lastMouseX;
    g_mouseDY = point.y() - g_lastMouseY;
    g_mouseDZ = 0;
    ApplyMouseDrag();
    CameraMoved();
    RenderScene();
    g_dragButton = 0;
    ReleaseCapture();
}

void CTavroView::OnRButtonUp(unsigned flags, const QPoint& point)
{
    CView::OnRButtonUp(flags, point);
    RightDragStep(point);
    g_dragButton = 0;
    ReleaseCapture();
}

void CTavroView::OnMouseWheel(unsigned, int delta, const QPoint&)
{
    if (m_noneMode || delta == 0)
        return;
    // In proportion to the way left to the nearest distance: zooming slows
    // near the model and never enters it. Forwards is nearer.
    applyWheelZoom(delta);
    CameraMoved();
    RenderScene();
}

void CTavroView::RightDragStep(const QPoint& point)
{
    if (m_measureMode) {
        MeasureTurnStep(point);
        return;
    }
    g_mouseDX = 0;
    g_mouseDY = 0;
    g_mouseDZ = point.y() - g_lastMouseY;
    ApplyMouseDrag();
    CameraMoved();
    RenderScene();
}
