#include "viewer/standardview.h"

#include "geometry/vector3.h"
#include "viewer/viewerstate.h"

namespace {

struct ViewDirection {
    Vector3 viewVector; // from the centre towards the eye
    Vector3 up;
};

ViewDirection directionOf(StandardView view)
{
    switch (view) {
    case StandardView::Front:
        return {{0.0, 0.0, 1.0}, {0.0, 1.0, 0.0}};
    case StandardView::Back:
        return {{0.0, 0.0, -1.0}, {0.0, 1.0, 0.0}};
    case StandardView::Left:
        return {{-1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}};
    case StandardView::Right:
        return {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}};
    case StandardView::Top:
        return {{0.0, 1.0, 0.0}, {0.0, 0.0, -1.0}};
    case StandardView::Bottom:
        return {{0.0, -1.0, 0.0}, {0.0, 0.0, 1.0}};
    case StandardView::Oblique:
        break;
    }
    Vector3 start = kStartEye;
    vecNormalize(start);
    return {start, kStartUp};
}

} // namespace

void applyStandardView(StandardView view)
{
    const ViewDirection direction = directionOf(view);
    g_viewVector = direction.viewVector;
    g_up = direction.up;
    vecScale(g_eye, g_viewVector, g_viewDistance);
    vecAdd(g_eye, g_eye, g_center);
}
