#pragma once

// The standard views of the View > Views menu: each looks at the centre from
// one side of the model (or from the start view's direction) and keeps the
// centre and the distance.
enum class StandardView { Front, Back, Left, Right, Top, Bottom, Oblique };

// Sets g_viewVector (from the centre towards the eye) and g_up for view and
// puts g_eye at g_center + g_viewDistance * g_viewVector. The model's front
// faces +z and its top +y: Front looks along -z with +y up, Top looks down
// -y with -z (the back) at the top of the screen, Bottom looks up +y with +z
// at the top, Oblique looks from the start view's direction with +y up.
// Does not redraw.
void applyStandardView(StandardView view);
