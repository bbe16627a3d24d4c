#pragma once

#include "platform/glsurface.h"
#include "platform/view.h"
#include "render/modelbuffers.h"
#include "render/scene.h"
#include "viewer/modelload.h"

#include <QPoint>
#include <QPointer>

#include <cstddef>
#include <memory>
#include <string>

class CLoadProgressPane;
class QDragEnterEvent;
class QDropEvent;
class QOpenGLContext;
class QResizeEvent;
class QWidget;

// Full path chosen in the last completed open dialog, and its extension.
// Any length fits.
extern std::string g_fileName;
extern std::string g_fileExtension;

// The filter and default extension of the open dialog.
extern const char* const kOpenFileFilter;
extern const char* const kOpenDefaultExtension;

// One notch of the mouse wheel (120 units of its angle; high-resolution
// wheels and touchpads send parts of it) moves the camera as a right drag of
// this many pixels: forwards (away from the user) nearer, backwards farther.
// With the drag's 0.1 world units per pixel, a notch is 6 units.
constexpr int kWheelDragPixelsPerNotch = 60;
constexpr int kWheelUnitsPerNotch = 120;

// Client rectangle in pixels; right and bottom are the width and height.
struct ClientRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

// The one view of the document: owns the OpenGL rendering context on its
// drawing surface, draws every frame, and handles the display commands, the
// mouse and the playback timer. The viewer settings of the view live in the
// members below and in the module-level state of viewer/viewerstate.h.
class CTavroView : public CView {
    Q_OBJECT
public:
    CTavroView();
    ~CTavroView() override;

    // ---- Rendering.
    CPalette m_palette;      // built for palette-based formats only
    CPalette* m_pOldPalette; // selected before m_palette; null if none
    ClientRect m_clientRect; // read once during set-up
    GLSurface* m_pDC;        // the drawing surface; null before set-up
    QOpenGLContext* m_hRC;   // null until set-up succeeds
    // ---- Mouse mode: exactly one is true.
    bool m_rotateMode;
    bool m_translateMode;
    bool m_noneMode;
    // ---- What is shown.
    bool m_showAxes;
    bool m_showMesh;
    bool m_showInfo;
    // ---- Grid layout.
    int m_gridLines;
    int m_gridHalfLines;
    double m_gridHalfSize;
    double m_gridSpacing;
    // ---- Playback timer running (0 or 1).
    int m_playing;

    // Window set-up for OpenGL: no background erase, the surface clips.
    bool PreCreateWindow();

    // Window-message hooks.
    int OnCreate() override;
    void OnDestroy() override;
    void OnSize(unsigned type, int cx, int cy) override;
    bool OnEraseBkgnd();
    void OnDraw() override;
    void OnLButtonDown(unsigned flags, const QPoint& point) override;
    void OnLButtonUp(unsigned flags, const QPoint& point) override;
    void OnRButtonDown(unsigned flags, const QPoint& point) override;
    void OnRButtonUp(unsigned flags, const QPoint& point) override;
    void OnMouseMove(unsigned flags, const QPoint& point) override;
    // delta: the wheel's turn in eighths of a degree, positive away from the
    // user. Ignored in None mode, as drags are.
    void OnMouseWheel(unsigned flags, int delta, const QPoint& point);
    void OnTimer(unsigned id) override;
    void SetCapture() override;
    void ReleaseCapture() override;

    // OpenGL set-up.
    void SetUpOpenGL();
    bool ApplyPixelFormat();
    void BuildPalette();
    unsigned char PaletteComponent(int index, unsigned bits, unsigned shift);

    // Frame drawing: binds the context, draws the frame (mono or stereo),
    // presents it and unbinds the context. Does nothing without a context.
    void RenderScene();
    // The parts of a frame image as the view shows them now (the context
    // current, the camera on the modelview matrix; the overlay after it is
    // popped). RenderScene draws them in this order.
    void DrawGrid();
    void DrawAxes();
    void DrawModel();
    void DrawInfo();
    // What the view shows now: the viewer state with the view's grid, axes
    // and overlay.
    SceneSettings CurrentScene() const;

    // Camera step of a drag (mode from the mode flags).
    void ApplyMouseDrag();

    // Opens path as the document's file: through the application when the
    // document belongs to it (its document records the file when the model
    // has arrived, see loadFinished), else straight through openModelFile,
    // the document taking the name once a model came out. Every way of
    // opening (Open, the command line, the recent files, a drop) ends in
    // openModelFile. Does nothing while a load runs.
    void OpenFile(const QString& path);

    // Command handlers.
    void OnFileOpen();
    void OnFileSaveAs();
    void OnRotate();
    void OnTranslate();
    void OnNone();
    void OnInitAxes();
    void OnAxes();
    void OnMesh();
    void OnInfo();
    void OnBgColor();
    void OnMeshColor();
    void OnInfoColor();
    void OnModelColor();
    void OnShadingFlat();
    void OnShadingSmooth();
    void OnShadingWireframe();
    void OnBothFaces();
    void OnSwapAxes();
    void OnStereo();
    void OnVertexColours();
    void OnPlay();

    bool OnCommand(unsigned id) override;
    bool OnUpdateCommandUI(unsigned id, CCmdUI& ui) override;

    // Opens path as the Open command does once a file is chosen: releases
    // the current model and reads the file on a worker thread (ModelLoad),
    // with a progress bar and a Cancel button in the status bar; the model is
    // drawn when the load ends, and a failure or a cancel leaves the empty
    // view with the reason in the status bar. A file that cannot be opened
    // changes nothing and says why. False when no load was started: the file
    // cannot be opened, or another load is still running.
    bool openModelFile(const QString& path);
    // A load started by openModelFile has not ended yet.
    bool isLoading() const;
    // Stops the running load as the Cancel button does.
    void cancelLoad();
    // The progress pane of the status bar (null before the first load, or
    // when the frame has no status bar).
    CLoadProgressPane* loadProgressPane() const;
    // Bytes held by the current model's buffer objects.
    std::size_t modelBufferBytes() const { return m_modelBuffers.byteSize(); }
    // How often the model's buffers have been built.
    unsigned long modelBufferBuilds() const { return m_modelBuffers.buildCount(); }

signals:
    // A load started by openModelFile ended (after its frame): loaded tells
    // whether a model came out of path, cancelled whether Cancel or Esc ended
    // it. Whoever keeps the document's name or the recent files follows this.
    void loadFinished(const QString& path, bool loaded, bool cancelled);

public:
    // Frames put on screen so far (RenderScene calls that drew).
    unsigned long frameCount() const { return m_frameCount; }
    // The widget that holds the drawing surface in the client area.
    QWidget* surfaceContainer() const { return m_surfaceContainer; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Files dropped from a file manager: the first one opens.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ShowStatusNote(const QString& text);
    void ReleaseModelBuffers();
    // The load ended: shows its model or says why there is none.
    void OnLoadEnded(ModelLoadOutcome outcome);

    QWidget* m_surfaceContainer = nullptr;
    unsigned long m_frameCount = 0;
    int m_wheelRemainder = 0;        // wheel units not yet turned into a pixel
    ModelBuffers m_modelBuffers;     // the current model's, in m_hRC
    ModelLoad* m_load = nullptr;     // reads the files the view opens
    bool m_recordPathOnLoad = false; // the document takes the name of a model that arrives
};
