#include "viewer/tavroview.h"

#include "model/meshmodel.h"
#include "platform/commandids.h"
#include "render/modeldraw.h"
#include "viewer/colourentry.h"
#include "viewer/modelfacts.h"
#include "viewer/viewerstate.h"

// The view's commands: what each does, and the one table that routes a
// command to its handler and gives its menu item and toolbar button their
// marks.

namespace {

constexpr const char* kBgColorCaption = "BG Color";
constexpr const char* kMeshColorCaption = "Mesh Color";
constexpr const char* kInfoColorCaption = "Info Color";
constexpr const char* kModelColorCaption = "Model Color";

// Choosing the marked shading item switches the model off.
void toggleShading(int mode)
{
    g_shadingMode = (g_shadingMode == mode) ? kShadingNone : mode;
}

} // namespace

void CTavroView::OnFileSaveAs()
{
    // Meshes are not written: Save As does nothing.
}

void CTavroView::OnRotate()
{
    m_rotateMode = true;
    m_translateMode = false;
    m_noneMode = false;
    m_measureMode = false;
}

void CTavroView::OnTranslate()
{
    m_rotateMode = false;
    m_translateMode = true;
    m_noneMode = false;
    m_measureMode = false;
}

void CTavroView::OnNone()
{
    m_rotateMode = false;
    m_translateMode = false;
    m_noneMode = true;
    m_measureMode = false;
}

void CTavroView::OnInitAxes()
{
    initializeAxes();
    RenderScene();
}

void CTavroView::OnAxes()
{
    m_showAxes = !m_showAxes;
    RenderScene();
}

void CTavroView::OnMesh()
{
    m_showMesh = !m_showMesh;
    RenderScene();
}

void CTavroView::OnInfo()
{
    m_showInfo = !m_showInfo;
    RenderScene();
}

void CTavroView::OnBgColor()
{
    if (RunColourCommand(g_bgColor, g_bgColorText, kBgColorCaption))
        RenderScene();
}

void CTavroView::OnMeshColor()
{
    if (RunColourCommand(g_meshColor, g_meshColorText, kMeshColorCaption))
        RenderScene();
}

void CTavroView::OnInfoColor()
{
    if (RunColourCommand(g_infoColor, g_infoColorText, kInfoColorCaption))
        RenderScene();
}

void CTavroView::OnModelColor()
{
    if (RunColourCommand(g_modelColor, g_modelColorText, kModelColorCaption))
        RenderScene();
}

void CTavroView::OnShadingFlat()
{
    toggleShading(kShadingFlat);
    RenderScene();
}

void CTavroView::OnShadingSmooth()
{
    toggleShading(kShadingSmooth);
    RenderScene();
}

void CTavroView::OnShadingWireframe()
{
    toggleShading(kShadingWireframe);
    RenderScene();
}

void CTavroView::OnBothFaces()
{
    g_cullBackFaces = g_cullBackFaces == 0 ? 1 : 0;
    RenderScene();
}

void CTavroView::OnSwapAxes()
{
    if (isLoading())
        return;
    // The buffers hold the old positions.
    ReleaseModelBuffers();
    MotionModelChanged();      // the copy's worker reads the positions
    m_measurement.stopBuild(); // so does the hierarchy's
    swapModelAxes(g_model);
    MotionModelChanged();
    MeasureModelShown(g_model);
    RenderScene();
}

void CTavroView::OnVertexColours()
{
    if (isLoading() || !g_model || (!g_model->colours && !g_model->faceColours))
        return;
    g_vertexColours = g_vertexColours == 0 ? 1 : 0;
    RenderScene();
}

void CTavroView::OnStereo()
{
    g_stereo = g_stereo == 0 ? 1 : 0;
    RenderScene();
}

void CTavroView::ShowStandardView(StandardView view)
{
    applyStandardView(view);
    CameraMoved();
    RenderScene();
}

namespace {

// The commands of the view: what each runs, the check mark its menu item
// and toolbar button show (null: never marked) and when it is enabled (null:
// always). Both OnCommand and OnUpdateCommandUI read this one table.
struct ViewCommand {
    unsigned id;
    void (CTavroView::*run)();
    int (*check)(const CTavroView& view);
    bool (*enabled)(const CTavroView& view) = nullptr;
};

// Open would start a second load, and XYZ->ZXY needs the model.
bool notLoading(const CTavroView& view)
{
    return !view.isLoading();
}

bool hasVertexColours(const CTavroView& view)
{
    return !view.isLoading() && g_model != nullptr && (g_model->colours != nullptr || g_model->faceColours != nullptr);
}

// Reload needs an open file; the next and previous files a file to step
// from.
bool canReload(const CTavroView& view)
{
    return !view.isLoading() && !view.openFilePath().isEmpty();
}

bool canBrowse(const CTavroView& view)
{
    return !view.isLoading() && !view.browsedFilePath().isEmpty();
}

// Properties measures the loaded model; a file without vertices gave none
// worth measuring.
bool hasModel(const CTavroView& view)
{
    return !view.isLoading() && g_model != nullptr && g_model->vertexCount > 0;
}

// Copy copies what Measure mode picked.
bool hasMeasurement(const CTavroView& view)
{
    return view.measurement().count() > 0;
}

const ViewCommand kViewCommands[] = {
    {ID_FILE_OPEN, &CTavroView::OnFileOpen, nullptr, notLoading},
    {ID_FILE_RELOAD, &CTavroView::OnFileReload, nullptr, canReload},
    {ID_FILE_EXPORT_PICTURE, &CTavroView::OnFileExportPicture, nullptr, notLoading},
    {ID_FILE_PROPERTIES, &CTavroView::OnFileProperties, nullptr, hasModel},
    {ID_VIEW_RELOAD_WHEN_CHANGED, &CTavroView::OnReloadWhenChanged,
     [](const CTavroView& v) { return int{v.openedFile()->reloadsWhenChanged()}; }},
    {ID_FILE_SAVE_AS, &CTavroView::OnFileSaveAs, nullptr},
    {ID_ROTATE, &CTavroView::OnRotate, [](const CTavroView& v) { return int{v.m_rotateMode}; }},
    {ID_TRANSLATE, &CTavroView::OnTranslate, [](const CTavroView& v) { return int{v.m_translateMode}; }},
    {ID_NONE, &CTavroView::OnNone, [](const CTavroView& v) { return int{v.m_noneMode}; }},
    {ID_MEASURE, &CTavroView::OnMeasure, [](const CTavroView& v) { return int{v.m_measureMode}; }},
    {ID_EDIT_COPY, &CTavroView::OnEditCopy, nullptr, hasMeasurement},
    {ID_INIT_AXES, &CTavroView::OnInitAxes, nullptr},
    {ID_AXES, &CTavroView::OnAxes, [](const CTavroView& v) { return int{v.m_showAxes}; }},
    {ID_VIEW_AXES, &CTavroView::OnAxes, [](const CTavroView& v) { return int{v.m_showAxes}; }},
    {ID_MESH, &CTavroView::OnMesh, [](const CTavroView& v) { return int{v.m_showMesh}; }},
    {ID_VIEW_MESH, &CTavroView::OnMesh, [](const CTavroView& v) { return int{v.m_showMesh}; }},
    {ID_INFO, &CTavroView::OnInfo, [](const CTavroView& v) { return int{v.m_showInfo}; }},
    {ID_VIEW_INFO, &CTavroView::OnInfo, [](const CTavroView& v) { return int{v.m_showInfo}; }},
    {ID_VIEW_BG_COLOR, &CTavroView::OnBgColor, nullptr},
    {ID_VIEW_MESH_COLOR, &CTavroView::OnMeshColor, nullptr},
    {ID_VIEW_INFO_COLOR, &CTavroView::OnInfoColor, nullptr},
    {ID_VIEW_COLOR, &CTavroView::OnModelColor, nullptr},
    {ID_SHADING_FLAT, &CTavroView::OnShadingFlat, [](const CTavroView&) { return int{g_shadingMode == kShadingFlat}; }},
    {ID_SHADING_SMOOTH, &CTavroView::OnShadingSmooth,
     [](const CTavroView&) { return int{g_shadingMode == kShadingSmooth}; }},
    {ID_SHADING_WIREFRAME, &CTavroView::OnShadingWireframe,
     [](const CTavroView&) { return int{g_shadingMode == kShadingWireframe}; }},
    {ID_SHADING_BOTH_FACES, &CTavroView::OnBothFaces, [](const CTavroView&) { return int{g_cullBackFaces == 0}; }},
    {ID_VIEW_XYZ_ZXY, &CTavroView::OnSwapAxes, nullptr, notLoading},
    {ID_VIEW_STEREO, &CTavroView::OnStereo, [](const CTavroView&) { return g_stereo; }},
    {ID_VIEW_ORTHOGRAPHIC, &CTavroView::OnOrthographic, [](const CTavroView&) { return g_orthographic; }},
    {ID_VIEW_FAST_DRAWING, &CTavroView::OnFastDrawing,
     [](const CTavroView& v) { return int{v.motionDrawing().enabled()}; }},
    {ID_VIEW_NEXT_FILE, &CTavroView::OnNextFile, nullptr, canBrowse},
    {ID_VIEW_PREVIOUS_FILE, &CTavroView::OnPreviousFile, nullptr, canBrowse},
    {ID_VIEW_VERTEX_COLORS, &CTavroView::OnVertexColours, [](const CTavroView&) { return g_vertexColours; },
     hasVertexColours},
    {ID_TAVRO_PLAY, &CTavroView::OnPlay, [](const CTavroView& v) { return v.m_playing; }},
    {ID_PLAY, &CTavroView::OnPlay, [](const CTavroView& v) { return v.m_playing; }},
    {ID_VIEW_FRONT, &CTavroView::OnStandardView<StandardView::Front>, nullptr},
    {ID_VIEW_BACK, &CTavroView::OnStandardView<StandardView::Back>, nullptr},
    {ID_VIEW_LEFT, &CTavroView::OnStandardView<StandardView::Left>, nullptr},
    {ID_VIEW_RIGHT, &CTavroView::OnStandardView<StandardView::Right>, nullptr},
    {ID_VIEW_TOP, &CTavroView::OnStandardView<StandardView::Top>, nullptr},
    {ID_VIEW_BOTTOM, &CTavroView::OnStandardView<StandardView::Bottom>, nullptr},
    {ID_VIEW_OBLIQUE, &CTavroView::OnStandardView<StandardView::Oblique>, nullptr},
};

// Commands of the document and the application that would replace the
// model while a load runs: they wait until it ends.
bool replacesTheModel(unsigned id)
{
    return id == ID_FILE_NEW || id == ID_FILE_OPEN || (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE4);
}

const ViewCommand* findViewCommand(unsigned id)
{
    for (const ViewCommand& command : kViewCommands) {
        if (command.id == id)
            return &command;
    }
    return nullptr;
}

} // namespace

bool CTavroView::OnCommand(unsigned id)
{
    if (isLoading() && replacesTheModel(id))
        return true;
    const ViewCommand* command = findViewCommand(id);
    if (command == nullptr)
        return CView::OnCommand(id);
    (this->*command->run)();
    return true;
}

bool CTavroView::OnUpdateCommandUI(unsigned id, CCmdUI& ui)
{
    if (id == ID_INDICATOR_MODEL) {
        const QString facts = modelFactsText(g_model);
        ui.Enable(!facts.isEmpty());
        ui.SetText(facts);
        return true;
    }
    if (id == ID_MEASURE)
        UpdateMeasureKeys(); // a load may have started
    if (isLoading() && replacesTheModel(id)) {
        ui.Enable(false);
        return true;
    }
    const ViewCommand* command = findViewCommand(id);
    if (command == nullptr)
        return CView::OnUpdateCommandUI(id, ui);
    const bool enabled = command->enabled == nullptr || command->enabled(*this);
    if (command->enabled != nullptr)
        ui.Enable(enabled);
    if (command->check != nullptr)
        ui.SetCheck(enabled && command->check(*this));
    return true;
}
