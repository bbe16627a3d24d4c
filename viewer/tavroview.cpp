#include "viewer/tavroview.h"

#include <system_error>

#include "model/meshmodel.h"
#include "platform/dialogs.h"
#include "platform/document.h"
#include "platform/framewnd.h"
#include "platform/pixelformat.h"
#include "platform/winapp.h"
#include "render/font.h"
#include "render/frame.h"
#include "render/framememory.h"
#include "viewer/arrivalarrays.h"
#include "viewer/modelload.h"
#include "viewer/viewerscene.h"
#include "viewer/viewersettings.h"
#include "viewer/viewerstate.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QOpenGLContext>
#include <QResizeEvent>
#include <QStatusBar>
#include <QUrl>
#include <QWheelEvent>
#include <QWidget>

#include <cmath>
#include <utility>

std::string g_fileName;
std::string g_fileExtension;

// The first entry, every file a reader reads, is the one the dialog opens on.
const char* const kOpenFileFilter
    = "All Mesh Files (*.ply;*.obj;*.stl;*.off;*.gltf;*.glb;*.3mf)|*.ply;*.obj;*.stl;*.off;*.gltf;*.glb;*.3mf|"
      "Ply Files (*.ply)|*.ply|Wavefront Files (*.obj)|*.obj|STL Files (*.stl)|*.stl|OFF Files (*.off)|*.off|"
      "glTF Files (*.gltf;*.glb)|*.gltf;*.glb|3MF Files (*.3mf)|*.3mf|Dat Files (*.dat)|*.dat|All Files (*.*)|*.*||";
const char* const kOpenDefaultExtension = "*.ply";

namespace {

constexpr unsigned kPlayTimerId = 1;
constexpr unsigned kPlayTimerPeriodMs = 15;
constexpr float kPlayStepX = 1.0f;
constexpr float kPlayStepY = 10.0f;
constexpr float kPlayStepZ = 5.0f;

} // namespace

CTavroView::CTavroView()
    : m_pOldPalette(nullptr), m_pDC(nullptr), m_hRC(nullptr), m_rotateMode(true), m_translateMode(false),
      m_noneMode(false), m_measureMode(false), m_showAxes(true), m_showMesh(true), m_showInfo(false), m_gridLines(0),
      m_gridHalfLines(0), m_gridHalfSize(0.0), m_gridSpacing(0.0), m_playing(0)
{
    m_gridHalfSize = kGridHalfSize;
    m_gridHalfLines = kGridHalfLines;
    m_gridLines = 2 * m_gridHalfLines;
    m_gridSpacing = m_gridHalfSize / m_gridHalfLines;
    initializeAxes();
    PreCreateWindow();
    setAcceptDrops(true);
    m_openedFile = new OpenedFile(this);
    m_openedFile->statusBar = [this]() -> QStatusBar* {
        CFrameWnd* frame = GetParentFrame();
        return frame ? frame->statusBar() : nullptr;
    };
    m_openedFile->onPrepare = [this](const MeshModel& model, ModelArrival kind) { OnModelArrived(model, kind); };
    m_openedFile->onShow
        = [this](MeshModel* model, ModelArrival kind, const QString& note) { OnModelShown(model, kind, note); };
    // Connected first: the screen shows each end before the document follows.
    connect(m_openedFile, &OpenedFile::loadStarted, this, &CTavroView::OnLoadStarted);
    connect(m_openedFile, &OpenedFile::refused, this, &CTavroView::OnLoadRefused);
    connect(m_openedFile, &OpenedFile::failed, this, &CTavroView::OnLoadFailed);
    connect(m_openedFile, &OpenedFile::cancelled, this, &CTavroView::OnLoadCancelled);
    m_openedFile->load().preparation
        = [this] { return arrivalForViewerState(m_motion->enabled(), m_motion->limits()); };
    m_openedFile->load().preview = [this] { return previewForViewerState(m_motion->enabled(), m_motion->limits()); };
    m_openedFile->load().onPreview = [this](PreparedArrival preview) { ShowArrivingCopy(std::move(preview)); };
    g_orthographic = orthographicView() ? 1 : 0;
    m_motion = new MotionDrawing(this);
    m_motion->setEnabled(fastDrawingWhileMoving());
    m_motion->onSettled = [this] { RenderScene(); };
    m_motion->onWholeArrays = [this](ModelArrays arrays) {
        if (!m_modelBuffers.empty())
            return; // a frame of the whole model (Export Picture) built them meanwhile
        m_modelBuffers.adopt(std::move(arrays));
        if (!m_motion->moving())
            RenderScene(); // else once the camera is still
    };
    SetUpMeasure();
}

CTavroView::~CTavroView()
{
    m_openedFile->abandon(); // stops and waits for a load still running
    if (m_retiring.joinable())
        m_retiring.join();
    freeMeshModel(m_arrivingCopy);
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
    keepFrameMemory();
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
    m_arrivingFrameDrawn = false; // made for the old size
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
    m_openedFile->abandon();
    GLSurface::MakeNoneCurrent();
    if (m_hRC) {
        // The font's display lists and the model's buffers live in this
        // context.
        if (m_pDC && m_pDC->MakeCurrent(m_hRC)) {
            ReleaseFont();
            m_modelBuffers.release();
            m_arrivingBuffers.release();
            m_arrivingCopyBuffers.release();
            m_motion->buffers().release();
            GLSurface::MakeNoneCurrent();
        }
        m_modelBuffers.abandon();
        m_arrivingBuffers.abandon();
        m_arrivingCopyBuffers.abandon();
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
    m_arrivingFrameDrawn = false; // the back buffer gets this frame
    if (!m_hRC || !m_pDC)
        return;
    if (!m_pDC->MakeCurrent(m_hRC))
        return;
    DrawCurrentScene();
    m_pDC->SwapBuffers(m_hRC);
    GLSurface::MakeNoneCurrent();
    ++m_frameCount;
}

void CTavroView::DrawGrid()
{
    DrawSceneGrid(CurrentScene());
}

void CTavroView::DrawAxes()
{
    DrawSceneAxes(CurrentScene());
}

void CTavroView::DrawModel()
{
    DrawSceneModel(CurrentScene(), m_modelBuffers);
}

void CTavroView::DrawInfo()
{
    DrawSceneInfo(CurrentScene());
}

SceneSettings CTavroView::CurrentScene() const
{
    SceneSettings scene = viewerScene(g_windowWidth, g_windowHeight);
    scene.showGrid = m_showMesh;
    scene.grid = GridLayout{m_gridLines, m_gridHalfLines, m_gridHalfSize, m_gridSpacing};
    scene.showAxes = m_showAxes;
    scene.showInfo = m_showInfo;
    scene.marks = m_measurement.marks();
    scene.pixelRatio = static_cast<float>(m_pDC != nullptr ? m_pDC->devicePixelRatio() : devicePixelRatioF());
    return scene;
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
    CameraMoved();
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
    ReleaseBuffers(m_modelBuffers);
}

void CTavroView::ReleaseBuffers(ModelBuffers& buffers)
{
    if (buffers.empty())
        return;
    if (!m_hRC || !m_pDC) {
        buffers.abandon();
        return;
    }
    const bool wasCurrent = QOpenGLContext::currentContext() == m_hRC;
    if (!wasCurrent && !m_pDC->MakeCurrent(m_hRC))
        return;
    buffers.release();
    if (!wasCurrent)
        GLSurface::MakeNoneCurrent();
}

int CTavroView::VertexColoursWith(const MeshModel& model, bool reload)
{
    const bool bringsColours = model.colours || model.faceColours;
    if (reload) {
        // The old model's choice stays unless colours come where it had none.
        const bool hadColours = g_model && (g_model->colours || g_model->faceColours);
        return bringsColours && !hadColours ? 1 : g_vertexColours;
    }
    return bringsColours ? 1 : g_vertexColours;
}

void CTavroView::OnModelArrived(const MeshModel& model, ModelArrival kind)
{
    // The model's buffers are built beside the ones on the screen and its
    // first frame is drawn into the back buffer, still unseen: until the
    // load reports, Cancel and Esc can drop it and leave the screen as it is.
    m_arrivingFrameDrawn = false;
    if (m_hRC && m_pDC && m_pDC->MakeCurrent(m_hRC)) {
        // A huge model comes with its reduced copy, whose frame is drawn
        // first.
        // (When the copy came while the file was read, the copy shown then
        // is drawn again.)
        PreparedArrival prepared = m_openedFile->load().takePrepared();
        if (prepared.copy != nullptr) {
            ReleaseBuffers(m_arrivingCopyBuffers);
            freeMeshModel(std::exchange(m_arrivingCopy, std::exchange(prepared.copy, nullptr)));
            m_arrivingCopyBuffers.adopt(std::move(prepared.copyArrays));
        } else if (m_arrivingCopy == nullptr) {
            m_arrivingBuffers.adopt(std::move(prepared.arrays));
        }
        ModelBuffers& buffers = m_arrivingCopy != nullptr ? m_arrivingCopyBuffers : m_arrivingBuffers;
        SceneSettings scene = CurrentScene();
        scene.model.model = m_arrivingCopy != nullptr ? m_arrivingCopy : &model;
        scene.marks = MeasureMarks{}; // the picks belong to the model on the screen
        scene.model.fileColours = VertexColoursWith(model, kind == ModelArrival::Reloaded) != 0;
        DrawScene(scene, buffers);
        GLSurface::MakeNoneCurrent();
        m_arrivingFrameDrawn = true;
    }
    emit arrivingFrameDrawn();
}

void CTavroView::ShowArrivedModel(MeshModel* model, bool reload)
{
    g_vertexColours = VertexColoursWith(*model, reload);
    MeshModel* old = std::exchange(g_model, model);
    m_arrivingCopyShown = false;
    // Stops the old model's copy before the old model goes; a copy that came
    // with the model stands in for it until its whole arrays are filled.
    MotionModelChanged(std::exchange(m_arrivingCopy, nullptr));
    MeasureModelShown(model);
    m_modelBuffers.swap(m_arrivingBuffers);
    if (std::exchange(m_arrivingFrameDrawn, false) && m_pDC->MakeCurrent(m_hRC)) {
        m_pDC->SwapBuffers(m_hRC);
        GLSurface::MakeNoneCurrent();
        ++m_frameCount;
    } else {
        RenderScene(); // another frame went to the back buffer meanwhile
    }
    // The old model goes once the new one is on the screen, on a thread of
    // its own: handing a large model's pages back takes a while.
    ReleaseBuffers(m_arrivingBuffers);
    if (m_retiring.joinable())
        m_retiring.join();
    try {
        m_retiring = std::thread([old] { freeMeshModel(old); });
    } catch (const std::system_error&) {
        freeMeshModel(old);
    }
}

void CTavroView::OnFileOpen()
{
    if (isLoading())
        return;
    CFileDialog dialog(true, QString::fromLatin1(kOpenDefaultExtension), QString(),
                       OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, QString::fromLatin1(kOpenFileFilter), nullptr);
    dialog.SetInitialDir(lastFileFolder());
    if (dialog.DoModal() == IDCANCEL)
        return;
    OpenFile(dialog.GetPathName());
}

bool CTavroView::openModelFile(const QString& path)
{
    // The current model stays on the screen until the outcome is known: a
    // cancelled load leaves it there.
    std::string why;
    return m_openedFile->open(path, why);
}

bool CTavroView::isLoading() const
{
    return m_openedFile->loading();
}

void CTavroView::cancelLoad()
{
    m_openedFile->cancel();
}

CLoadProgressPane* CTavroView::loadProgressPane() const
{
    return m_openedFile->progressPane();
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
    openModelFile(path);
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
