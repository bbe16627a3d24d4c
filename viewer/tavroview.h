#pragma once

#include "platform/glsurface.h"
#include "platform/view.h"
#include "render/modelbuffers.h"
#include "render/scene.h"
#include "viewer/measurement.h"
#include "viewer/motiondrawing.h"
#include "viewer/openedfile.h"
#include "viewer/standardview.h"

#include <QPoint>
#include <QPointer>

#include <cstddef>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class CLoadProgressPane;
class QDragEnterEvent;
class QDropEvent;
class QOpenGLContext;
class QResizeEvent;
class QShortcut;
class QWidget;

// Full path chosen in the last completed open dialog, and its extension.
// Any length fits.
extern std::string g_fileName;
extern std::string g_fileExtension;

// The filter and default extension of the open dialog.
extern const char* const kOpenFileFilter;
extern const char* const kOpenDefaultExtension;

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
    bool m_measureMode;
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
    // user; zooms towards the model's surface (applyWheelZoom, viewer/camera.h). Ignored in
    // None mode, as drags are.
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
    // document belongs to it (its document follows the open file and records
    // the file when the model has arrived), else straight through
    // openModelFile, the document taking the name once a model came out.
    // Every way of opening (Open, the command line, the recent files, a drop)
    // ends in the open file's open (OpenedFile::open). Does nothing while a
    // load runs.
    void OpenFile(const QString& path);

    // Command handlers.
    void OnFileOpen();
    void OnFileSaveAs();
    void OnRotate();
    void OnTranslate();
    void OnNone();
    // Measure mode and what it picked (tavroviewmeasure.cpp): a left click
    // picks the surface's point under the pointer (pickSurface), the first
    // and then the second, whose distance the status bar shows; a third
    // starts again. Right drags turn the camera. Esc clears the picks, Copy
    // puts them on the clipboard as text.
    void OnMeasure();
    void OnEditCopy();
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
    // View > Views: the camera looks from one side, keeping centre and
    // distance (applyStandardView), and the frame is drawn.
    void ShowStandardView(StandardView view);
    template <StandardView which> void OnStandardView() { ShowStandardView(which); }

    // File > Reload, View > Reload When Changed and File > Export Picture
    // (tavroviewfiles.cpp).
    void OnFileReload();
    void OnReloadWhenChanged();
    void OnFileExportPicture();
    // File > Properties: measures the model and shows its facts.
    void OnFileProperties();

    // View > Next File and Previous File (tavroviewbrowse.cpp): open the
    // readable file after or before the open one in its folder, in natural
    // name order (neighbourModelFile), as Open does; at either end the
    // status bar says there is none. Nothing happens with no file open or
    // while a load runs.
    void OnNextFile();
    void OnPreviousFile();
    // View > Orthographic: the orthographic projection of the same framing
    // in place of the perspective, or back; remembered in the settings.
    void OnOrthographic();
    // View > Fast Drawing While Moving (tavroviewmotion.cpp): a large
    // model's reduced copy drawn while the camera moves, or always the whole
    // model; remembered in the settings.
    void OnFastDrawing();

    // Commands, and the status bar's model pane (ID_INDICATOR_MODEL), which
    // shows the loaded model's counts (modelFactsText).
    bool OnCommand(unsigned id) override;
    bool OnUpdateCommandUI(unsigned id, CCmdUI& ui) override;

    // Opens path as the Open command does once a file is chosen: reads the
    // file on a worker thread (OpenedFile::open), with a progress bar and a
    // Cancel button in the status bar, while the current model stays on the screen;
    // the new model replaces it when the load ends, and a failure leaves the
    // empty view with the reason in the status bar. A cancel, up to the
    // moment the new model's first frame is shown, and a file that cannot be
    // opened change nothing and say so. False when no load was started: the
    // file cannot be opened, or another load is still running.
    bool openModelFile(const QString& path);
    // A load started by openModelFile has not ended yet.
    bool isLoading() const;
    // Stops the running load as the Cancel button does.
    void cancelLoad();
    // The progress pane of the status bar (null before the first load, or
    // when the frame has no status bar).
    CLoadProgressPane* loadProgressPane() const;
    // The file of the model on screen; empty when none is open. Reload loads
    // it again.
    QString openFilePath() const;
    // The file Next File and Previous File step from: the open one, or when
    // the last file tried gave no model, that one (empty when there is
    // none).
    QString browsedFilePath() const;
    // The open file: its loads, reloads and watch. The view shows what its
    // loads bring; the document follows its signals.
    OpenedFile* openedFile() const { return m_openedFile; }
    // Bytes held by the current model's buffer objects.
    std::size_t modelBufferBytes() const { return m_modelBuffers.byteSize(); }
    // The points Measure mode picked.
    const Measurement& measurement() const { return m_measurement; }
    // How often the model's buffers have been built.
    unsigned long modelBufferBuilds() const { return m_modelBuffers.buildCount() + m_arrivingBuffers.buildCount(); }

signals:
    // The model of the running load or reload has come from the file and its
    // first frame is drawn but not shown yet: a Cancel or Esc before the open
    // file reports the outcome still cancels.
    void arrivingFrameDrawn();
    // The reduced copy of the model being read is on the screen while the
    // load goes on; a Cancel or Esc still cancels.
    void arrivingCopyShown();

public:
    // Frames put on screen so far (RenderScene calls that drew).
    unsigned long frameCount() const { return m_frameCount; }
    // The widget that holds the drawing surface in the client area.
    QWidget* surfaceContainer() const { return m_surfaceContainer; }
    // The reduced copy drawn while the camera moves, and its switch.
    MotionDrawing& motionDrawing() const { return *m_motion; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    // Files dropped from a file manager: the first one opens.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void ShowStatusNote(const QString& text);
    // One step of a right drag: the camera's zoom, or in Measure mode a turn.
    void RightDragStep(const QPoint& point);
    void ReleaseModelBuffers();
    // Deletes buffers in the view's context (making it current if need be).
    void ReleaseBuffers(ModelBuffers& buffers);
    // The Vertex Colours switch once model is on the screen: a model that
    // brings vertex or face colours shows them (on a reload, only where the
    // old model had none).
    static int VertexColoursWith(const MeshModel& model, bool reload);
    // The worker gave a model: its buffers and first frame are made, not
    // shown (see arrivingFrameDrawn).
    void OnModelArrived(const MeshModel& model, ModelArrival kind);
    // Puts model, now the view's, on the screen in place of the old one,
    // which is released after its frame.
    void ShowArrivedModel(MeshModel* model, bool reload);
    // The open file's loads: started, refused, and their ends (a model to
    // show, none, cancelled), each said in the status bar alike for an open
    // and a reload.
    void OnLoadStarted(const QString& path, ModelArrival kind);
    void OnLoadRefused(const QString& path, const QString& reason, ModelArrival kind);
    void OnModelShown(MeshModel* model, ModelArrival kind, const QString& note);
    void OnLoadFailed(const QString& path, const QString& reason, ModelArrival kind);
    void OnLoadCancelled(const QString& path, ModelArrival kind);
    // The frame's enabled states, check marks and indicators.
    void UpdateFrameMarks();
    // Opens the readable file step places from the open one (1 next, -1
    // previous), or says there is none.
    void OpenNeighbourFile(int step);
    // Drawing while the camera moves (tavroviewmotion.cpp): the camera moved
    // (a drag, the wheel, the spin, a standard view); the model on the
    // screen changed (its reduced copy is made anew, or is the copy that
    // came with it, its buffers in m_arrivingCopyBuffers); the frame of
    // RenderScene, from the copy while the camera moves.
    void CameraMoved();
    void MotionModelChanged(MeshModel* copy = nullptr);
    void DrawCurrentScene();
    // The reduced copy of the model being read, made before its normals:
    // shown at once, and in every frame until the load ends
    // (DrawCurrentScene); dropped when the load gives no model
    // (DropArrivingCopy, true when it was on the screen: the caller draws
    // the frame that takes it off).
    void ShowArrivingCopy(PreparedArrival preview);
    bool DropArrivingCopy();
    // The frame as the view shows it now, drawn into the back buffer and read
    // back (RGB, bottom row first; empty with no context); nothing is
    // presented.
    std::vector<unsigned char> ReadPicture();
    // Measure mode (tavroviewmeasure.cpp): the Esc key that clears the
    // picks; the pick at a logical pixel of the view; a right drag's step,
    // which turns the camera; the picks cleared for the model now shown (or
    // none), whose triangles' hierarchy is then built; the picks cleared;
    // and Esc live only while there are picks and no load runs, when the
    // load's own Esc cancels.
    void SetUpMeasure();
    void MeasureAt(const QPoint& point);
    void MeasureTurnStep(const QPoint& point);
    void MeasureModelShown(const MeshModel* model);
    void ClearMeasurement();
    void UpdateMeasureKeys();

    QWidget* m_surfaceContainer = nullptr;
    unsigned long m_frameCount = 0;
    ModelBuffers m_modelBuffers;         // the current model's, in m_hRC
    ModelBuffers m_arrivingBuffers;      // the arriving model's, until the load reports
    MeshModel* m_arrivingCopy = nullptr; // the arriving model's reduced copy, shown first
    ModelBuffers m_arrivingCopyBuffers;  // its buffers
    bool m_arrivingCopyShown = false;    // shown while the load goes on
    std::thread m_retiring;              // frees the model a new one replaced
    bool m_arrivingFrameDrawn = false;   // the back buffer holds the arriving model's frame
    // Reads the files the view shows.
    OpenedFile* m_openedFile = nullptr;

    // The reduced copy drawn while the camera moves.
    MotionDrawing* m_motion = nullptr;
    Measurement m_measurement;            // Measure mode's picks
    QShortcut* m_measureEscape = nullptr; // Esc clears them
};
