#include "viewer/tavroview.h"

#include "model/loadmodel.h"
#include "model/meshmodel.h"
#include "model/modelfile.h"
#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/document.h"
#include "platform/framewnd.h"
#include "platform/loadprogress.h"
#include "platform/pixelformat.h"
#include "platform/winapp.h"
#include "render/font.h"
#include "render/frame.h"
#include "render/modeldraw.h"
#include "render/overlay.h"
#include "render/reference.h"
#include "viewer/backgroundload.h"
#include "viewer/camera.h"
#include "viewer/colourentry.h"
#include "viewer/viewerstate.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileInfo>
#include <QMimeData>
#include <QOpenGLContext>
#include <QResizeEvent>
#include <QStatusBar>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <QWidget>

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

std::string g_fileName;
std::string g_fileExtension;

const char* const kOpenFileFilter = "Ply Files (*.ply)|*.ply|Wavefront Files (*.obj)|*.obj|STL Files (*.stl)|*.stl|"
                                    "OFF Files (*.off)|*.off|Dat Files (*.dat)|*.dat|All Files (*.*)|*.*||";
const char* const kOpenDefaultExtension = "*.ply";

namespace {

constexpr unsigned kPlayTimerId = 1;
constexpr unsigned kPlayTimerPeriodMs = 15;
constexpr float kPlayStepX = 1.0f;
constexpr float kPlayStepY = 10.0f;
constexpr float kPlayStepZ = 5.0f;

// How often a running load is looked at: progress and its end.
constexpr int kLoadPollMs = 15;

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

CTavroView::CTavroView()
    : m_pOldPalette(nullptr), m_pDC(nullptr), m_hRC(nullptr), m_rotateMode(true), m_translateMode(false),
      m_noneMode(false), m_showAxes(true), m_showMesh(true), m_showInfo(false), m_gridLines(0), m_gridHalfLines(0),
      m_gridHalfSize(0.0), m_gridSpacing(0.0), m_playing(0)
{
    m_gridHalfSize = kGridHalfSize;
    m_gridHalfLines = kGridHalfLines;
    m_gridLines = 2 * m_gridHalfLines;
    m_gridSpacing = m_gridHalfSize / m_gridHalfLines;
    initializeAxes();
    PreCreateWindow();
    setAcceptDrops(true);
}

CTavroView::~CTavroView()
{
    m_load.reset(); // stops and waits for a load still running
    // m_palette releases its palette with the view. A view destroyed without
    // its window being closed first still lets go of its context and surface.
    if (m_hRC) {
        if (QOpenGLContext::currentContext() == m_hRC)
            m_hRC->doneCurrent();
        delete m_hRC;
        m_hRC = nullptr;
    }
}

bool CTavroView::PreCreateWindow()
{
    // Every pixel comes from the OpenGL frame: the system never erases the
    // background, and the drawing surface is a native child window that the
    // view's own painting never covers.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    return true;
}

// ---------------------------------------------------------------------------
// OpenGL context and projection.

int CTavroView::OnCreate()
{
    if (CView::OnCreate() == -1)
        return -1;
    SetUpOpenGL();
    return 0;
}

void CTavroView::SetUpOpenGL()
{
    m_pDC = new GLSurface();
    m_pDC->onMouseEvent = [this](QMouseEvent* event, const QPoint& point) { DispatchMouseEvent(event, point); };
    m_pDC->onWheelEvent = [this](QWheelEvent* event, const QPoint& point) {
        OnMouseWheel(MouseFlags(event->buttons(), event->modifiers()), event->angleDelta().y(), point);
    };
    m_pDC->onDropEvent = [this](QDropEvent* event) { dropEvent(event); };
    m_pDC->onResize = [this](int width, int height) { OnSize(SIZE_RESTORED, width, height); };
    m_pDC->onExpose = [this] { OnDraw(); };
    m_surfaceContainer = QWidget::createWindowContainer(m_pDC, this);
    m_surfaceContainer->setObjectName(QStringLiteral("glSurfaceContainer"));
    SetClientWidget(m_surfaceContainer);

    if (!ApplyPixelFormat())
        return;
    BuildPalette();
    m_hRC = m_pDC->CreateContext();
    if (!m_hRC)
        return; // no context: frames draw nothing
    m_hRC->setParent(this);
    m_pDC->MakeCurrent(m_hRC);

    const qreal ratio = devicePixelRatioF();
    m_clientRect.left = 0;
    m_clientRect.top = 0;
    m_clientRect.right = static_cast<int>(std::lround(width() * ratio));
    m_clientRect.bottom = static_cast<int>(std::lround(height() * ratio));
    SetUpContextState(m_clientRect.right, m_clientRect.bottom);
}

bool CTavroView::ApplyPixelFormat()
{
    const int index = m_pDC->ChoosePixelFormat(g_pixelFormatDescriptor);
    if (index == 0) {
        MessageBox(QStringLiteral("ChoosePixelFormat failed"));
        return false;
    }
    if (!m_pDC->SetPixelFormat(index, g_pixelFormatDescriptor)) {
        MessageBox(QStringLiteral("SetPixelFormat failed"));
        return false;
    }
    return true;
}

void CTavroView::BuildPalette()
{
    PixelFormatDescriptor format{};
    if (!m_pDC->DescribePixelFormat(m_pDC->GetPixelFormat(), format))
        return;
    const std::vector<PaletteEntry> entries = BuildPaletteEntries(format);
    if (entries.empty())
        return; // true colour: no palette
    m_palette.CreatePalette(entries);
    m_pOldPalette = m_pDC->SelectPalette(&m_palette, false);
    m_pDC->RealizePalette();
}

unsigned char CTavroView::PaletteComponent(int index, unsigned bits, unsigned shift)
{
    return ::PaletteComponent(index, bits, shift);
}

void CTavroView::OnSize(unsigned type, int cx, int cy)
{
    CView::OnSize(type, cx, cy);
    if (cy <= 0)
        return; // a collapsed view keeps the last size
    // The projection belongs to the view's own context; with no context or
    // another one current there is nothing of ours to set (the next frame
    // sets viewport and projection from the stored size anyway).
    if (m_hRC && QOpenGLContext::currentContext() == m_hRC)
        ResizeProjection(cx, cy);
    g_windowWidth = cx;
    g_windowHeight = cy;
}

void CTavroView::resizeEvent(QResizeEvent* event)
{
    // With a drawing surface, its own resize reports the size in device
    // pixels; the view's widget size would be in logical pixels.
    if (m_pDC) {
        QWidget::resizeEvent(event);
        return;
    }
    CView::resizeEvent(event);
}

bool CTavroView::OnEraseBkgnd()
{
    return true;
}

void CTavroView::OnDestroy()
{
    KillTimer(kPlayTimerId);
    // A load still running is stopped; its model, if any, goes with it.
    EndLoad();
    GLSurface::MakeNoneCurrent();
    if (m_hRC) {
        // The font's display lists and the model's buffers live in this
        // context.
        if (m_pDC && m_pDC->MakeCurrent(m_hRC)) {
            ReleaseFont();
            m_modelBuffers.release();
            GLSurface::MakeNoneCurrent();
        }
        m_modelBuffers.abandon();
        delete m_hRC;
        m_hRC = nullptr;
    }
    if (m_pOldPalette && m_pDC) {
        m_pDC->SelectPalette(m_pOldPalette, false);
        m_pOldPalette = nullptr;
    }
    if (m_pDC) {
        m_pDC->onMouseEvent = nullptr;
        m_pDC->onWheelEvent = nullptr;
        m_pDC->onDropEvent = nullptr;
        m_pDC->onResize = nullptr;
        m_pDC->onExpose = nullptr;
        delete m_pDC; // the container forgets a deleted window
        m_pDC = nullptr;
    }
    CView::OnDestroy();
}

void CTavroView::OnDraw()
{
    RenderScene();
}

// ---------------------------------------------------------------------------
// Frame drawing.

void CTavroView::RenderScene()
{
    if (!m_hRC || !m_pDC)
        return;
    if (!m_pDC->MakeCurrent(m_hRC))
        return;
    FrameSettings settings{};
    settings.camera = FrameCamera{g_eye, g_center, g_up};
    settings.windowWidth = g_windowWidth;
    settings.windowHeight = g_windowHeight;
    settings.bgColor = g_bgColor;
    settings.stereo = g_stereo != 0;
    DrawFrameImages(
        settings,
        [this] {
            DrawGrid();
            DrawAxes();
            DrawModel();
        },
        [this] { DrawInfo(); });
    m_pDC->SwapBuffers(m_hRC);
    GLSurface::MakeNoneCurrent();
    ++m_frameCount;
}

void CTavroView::DrawGrid()
{
    if (!m_showMesh)
        return;
    DrawGridLines(m_gridLines, m_gridHalfLines, m_gridHalfSize, m_gridSpacing, g_meshColor);
}

void CTavroView::DrawAxes()
{
    if (!m_showAxes)
        return;
    DrawAxesLines();
}

void CTavroView::DrawModel()
{
    DrawMeshModel(g_model, g_shadingMode, g_cullBackFaces != 0, g_modelColor, g_playAngleX, g_playAngleY, g_playAngleZ,
                  g_vertexColours != 0, m_modelBuffers);
}

void CTavroView::DrawInfo()
{
    if (!m_showInfo)
        return;
    DrawInfoText(g_infoColor, g_viewVector, g_center, g_eye, g_windowWidth, g_windowHeight);
}

// ---------------------------------------------------------------------------
// Mouse.

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
        RenderScene();
    } else if (g_dragButton == 2) {
        g_mouseDX = 0;
        g_mouseDY = 0;
        g_mouseDZ = point.y() - g_lastMouseY;
        ApplyMouseDrag();
        RenderScene();
    }
    g_lastMouseX = point.x();
    g_lastMouseY = point.y();
}

void CTavroView::OnLButtonUp(unsigned flags, const QPoint& point)
{
    CView::OnLButtonUp(flags, point);
    g_mouseDX = point.x() - g_lastMouseX;
    g_mouseDY = point.y() - g_lastMouseY;
    g_mouseDZ = 0;
    ApplyMouseDrag();
    RenderScene();
    g_dragButton = 0;
    ReleaseCapture();
}

void CTavroView::OnRButtonUp(unsigned flags, const QPoint& point)
{
    CView::OnRButtonUp(flags, point);
    g_mouseDX = 0;
    g_mouseDY = 0;
    g_mouseDZ = point.y() - g_lastMouseY;
    ApplyMouseDrag();
    RenderScene();
    g_dragButton = 0;
    ReleaseCapture();
}

void CTavroView::OnMouseWheel(unsigned, int delta, const QPoint&)
{
    if (m_noneMode)
        return;
    // Whole pixels of the drag so far; what is left of a notch part waits
    // for the next turn in the same direction.
    const int unitsPerPixel = kWheelUnitsPerNotch / kWheelDragPixelsPerNotch;
    if ((m_wheelRemainder < 0) != (delta < 0))
        m_wheelRemainder = 0;
    const int units = m_wheelRemainder + delta;
    const int pixels = units / unitsPerPixel;
    m_wheelRemainder = units - pixels * unitsPerPixel;
    if (pixels == 0)
        return;
    // Forwards is an upward right drag: nearer.
    g_mouseDX = 0;
    g_mouseDY = 0;
    g_mouseDZ = -pixels;
    ApplyMouseDrag();
    RenderScene();
}

// ---------------------------------------------------------------------------
// Playback.

void CTavroView::OnPlay()
{
    m_playing = m_playing ? 0 : 1;
    if (m_playing)
        SetTimer(kPlayTimerId, kPlayTimerPeriodMs);
    else
        KillTimer(kPlayTimerId);
}

void CTavroView::OnTimer(unsigned id)
{
    g_playAngleX += kPlayStepX;
    g_playAngleY += kPlayStepY;
    g_playAngleZ += kPlayStepZ;
    RenderScene();
    CView::OnTimer(id);
    // Ticks that fell due while the frame was drawn are not queued up: the
    // framework's timers deliver at most one pending tick, so the next step
    // always follows a finished frame.
}

// ---------------------------------------------------------------------------
// Commands.

void CTavroView::ShowStatusNote(const QString& text)
{
    if (CFrameWnd* frame = GetParentFrame())
        frame->SetStatusNote(text);
}

void CTavroView::ReleaseModelBuffers()
{
    if (m_modelBuffers.empty())
        return;
    if (!m_hRC || !m_pDC) {
        m_modelBuffers.abandon();
        return;
    }
    const bool wasCurrent = QOpenGLContext::currentContext() == m_hRC;
    if (!wasCurrent && !m_pDC->MakeCurrent(m_hRC))
        return;
    m_modelBuffers.release();
    if (!wasCurrent)
        GLSurface::MakeNoneCurrent();
}

void CTavroView::OnFileOpen()
{
    if (isLoading())
        return;
    CFileDialog dialog(true, QString::fromLatin1(kOpenDefaultExtension), QString(),
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, QString::fromLatin1(kOpenFileFilter), nullptr);
    if (dialog.DoModal() == IDCANCEL)
        return;
    OpenFile(dialog.GetPathName());
}

bool CTavroView::openModelFile(const QString& path)
{
    if (isLoading())
        return false;
    g_fileName = QFile::encodeName(path).toStdString();
    const QString name = QFileInfo(path).fileName();

    // Only regular files: a FIFO or a device would block or never end.
    std::string why;
    FILE* stream = ::openModelFile(g_fileName, why);
    if (!stream) {
        // The current model stays; say why nothing changed.
        ShowStatusNote(QStringLiteral("%1: %2").arg(name, QString::fromLocal8Bit(why.c_str())));
        return false;
    }
    g_fileExtension = fileExtension(g_fileName);
    ReleaseModelBuffers();
    freeMeshModel(g_model);
    g_model = nullptr;

    struct stat info { };
    uint64_t size = 0;
    if (fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode))
        size = static_cast<uint64_t>(info.st_size);
    m_load = std::make_unique<BackgroundLoad>(stream, g_fileExtension, size);
    m_loadPath = path;

    if (!m_loadPane) {
        // The frame's status bar (a frame without one gets one).
        if (CFrameWnd* frame = GetParentFrame()) {
            m_loadPane = new CLoadProgressPane(frame->statusBar());
            connect(m_loadPane, &CLoadProgressPane::cancelRequested, this, &CTavroView::cancelLoad);
        }
    }
    if (m_loadPane)
        m_loadPane->Show(size);
    ShowStatusNote(QStringLiteral("Loading %1").arg(name));
    if (!m_loadTimer) {
        m_loadTimer = new QTimer(this);
        m_loadTimer->setInterval(kLoadPollMs);
        connect(m_loadTimer, &QTimer::timeout, this, &CTavroView::PollLoad);
    }
    m_loadTimer->start();
    if (CFrameWnd* frame = GetParentFrame())
        frame->UpdateCommandUI();
    return true;
}

void CTavroView::cancelLoad()
{
    if (m_load)
        m_load->cancel();
    // The reader stops within a block; look again at once.
    PollLoad();
}

void CTavroView::PollLoad()
{
    if (!m_load)
        return;
    if (m_loadPane)
        m_loadPane->SetBytesRead(m_load->bytesRead());
    if (m_load->finished())
        FinishLoad();
}

void CTavroView::FinishLoad()
{
    const bool cancelled = m_load->cancelRequested();
    MeshModel* model = m_load->takeModel();
    const std::string reason = m_load->reason();
    EndLoad();
    if (cancelled) {
        freeMeshModel(model);
        model = nullptr;
    }
    g_model = model;
    if (model && model->colours)
        g_vertexColours = 1;
    if (cancelled)
        ShowStatusNote(QStringLiteral("Loading cancelled"));
    else if (model && reason.empty())
        ShowStatusNote(QString());
    else
        ShowStatusNote(QStringLiteral("%1: %2").arg(QFileInfo(m_loadPath).fileName(), QString::fromStdString(reason)));
    RenderScene();
    if (CFrameWnd* frame = GetParentFrame())
        frame->UpdateCommandUI();
    emit loadFinished(m_loadPath, g_model != nullptr, cancelled);
}

void CTavroView::EndLoad()
{
    if (m_loadTimer)
        m_loadTimer->stop();
    if (m_loadPane)
        m_loadPane->Hide();
    m_load.reset();
}

void CTavroView::OpenFile(const QString& path)
{
    if (isLoading())
        return;
    CWinApp* app = AfxGetApp();
    CDocument* document = GetDocument();
    if (app && document && document->GetDocTemplate() && document->GetDocTemplate() == app->GetDocTemplate()) {
        app->OpenDocumentFile(path); // the document's open starts the load
        return;
    }
    if (openModelFile(path) && document)
        document->SetPathName(path);
}

void CTavroView::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void CTavroView::dropEvent(QDropEvent* event)
{
    const QList<QUrl> urls = event->mimeData()->urls();
    if (urls.isEmpty())
        return;
    event->acceptProposedAction();
    const QUrl& url = urls.first();
    if (!url.isLocalFile()) {
        ShowStatusNote(QStringLiteral("%1: only files on this computer can be opened").arg(url.toDisplayString()));
        return;
    }
    OpenFile(url.toLocalFile());
}

void CTavroView::OnFileSaveAs()
{
    // Meshes are not written: Save As does nothing.
}

void CTavroView::OnRotate()
{
    m_rotateMode = true;
    m_translateMode = false;
    m_noneMode = false;
}

void CTavroView::OnTranslate()
{
    m_rotateMode = false;
    m_translateMode = true;
    m_noneMode = false;
}

void CTavroView::OnNone()
{
    m_rotateMode = false;
    m_translateMode = false;
    m_noneMode = true;
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
    swapModelAxes(g_model);
    RenderScene();
}

void CTavroView::OnVertexColours()
{
    if (isLoading() || !g_model || !g_model->colours)
        return;
    g_vertexColours = g_vertexColours == 0 ? 1 : 0;
    RenderScene();
}

void CTavroView::OnStereo()
{
    g_stereo = g_stereo == 0 ? 1 : 0;
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
    return !view.isLoading() && g_model != nullptr && g_model->colours != nullptr;
}

const ViewCommand kViewCommands[] = {
    {ID_FILE_OPEN, &CTavroView::OnFileOpen, nullptr, notLoading},
    {ID_FILE_SAVE_AS, &CTavroView::OnFileSaveAs, nullptr},
    {ID_ROTATE, &CTavroView::OnRotate, [](const CTavroView& v) { return int{v.m_rotateMode}; }},
    {ID_TRANSLATE, &CTavroView::OnTranslate, [](const CTavroView& v) { return int{v.m_translateMode}; }},
    {ID_NONE, &CTavroView::OnNone, [](const CTavroView& v) { return int{v.m_noneMode}; }},
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
    {ID_VIEW_VERTEX_COLORS, &CTavroView::OnVertexColours, [](const CTavroView&) { return g_vertexColours; },
     hasVertexColours},
    {ID_TAVRO_PLAY, &CTavroView::OnPlay, [](const CTavroView& v) { return v.m_playing; }},
    {ID_PLAY, &CTavroView::OnPlay, [](const CTavroView& v) { return v.m_playing; }},
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
