#pragma once

#include "platform/glsurface.h"
#include "platform/view.h"

#include <QPoint>

#include <string>

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
    CPalette m_palette;               // built for palette-based formats only
    CPalette* m_pOldPalette;          // selected before m_palette; null if none
    ClientRect m_clientRect;          // read once during set-up
    GLSurface* m_pDC;                 // the drawing surface; null before set-up
    QOpenGLContext* m_hRC;            // null until set-up succeeds
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
    void DrawGrid();
    void DrawAxes();
    void DrawModel();
    void DrawInfo();

    // Camera step of a drag (mode from the mode flags).
    void ApplyMouseDrag();

    // Loading a mesh file. LoadModelFile replaces the current model with the
    // one read from path, draws it at once and puts the reason for a file
    // that gives no model in the status bar; a file that cannot be opened
    // keeps the current model. True when a model came out. Every way of
    // opening (Open, the command line, the recent files, a drop) ends here.
    bool LoadModelFile(const QString& path);
    // Opens path as the document's file: through the application when the
    // document belongs to it (title and recent-file list follow the
    // outcome), else straight through LoadModelFile.
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
    void OnPlay();

    bool OnCommand(unsigned id) override;
    bool OnUpdateCommandUI(unsigned id, CCmdUI& ui) override;

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

    QWidget* m_surfaceContainer = nullptr;
    unsigned long m_frameCount = 0;
    int m_wheelRemainder = 0;  // wheel units not yet turned into a pixel
};
