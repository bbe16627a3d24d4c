#pragma once

#include "platform/cmdtarget.h"

#include <QPoint>
#include <QWidget>
#include <map>

class CDocument;
class CFrameWnd;
class QMouseEvent;

// OnSize types.
constexpr unsigned SIZE_RESTORED = 0;
constexpr unsigned SIZE_MINIMIZED = 1;
constexpr unsigned SIZE_MAXIMIZED = 2;

// Mouse message flags: buttons held and modifier keys at the time of the event.
constexpr unsigned MK_LBUTTON = 0x0001;
constexpr unsigned MK_RBUTTON = 0x0002;
constexpr unsigned MK_SHIFT = 0x0004;
constexpr unsigned MK_CONTROL = 0x0008;
constexpr unsigned MK_MBUTTON = 0x0010;

// The one view of a document, living in the frame's client area.
//
// The framework calls the window-message hooks below. The view's own QWidget
// events (mouse press, release and move, resize, paint, timer) are turned into
// these calls; the hooks are public so that a child surface that replaces the
// client area (SetClientWidget, e.g. a native OpenGL window in a window
// container) can forward its own events to them, e.g. with DispatchMouseEvent.
class CView : public QWidget, public CCmdTarget {
    Q_OBJECT
public:
    explicit CView(QWidget* parent = nullptr);
    ~CView() override;

    // Window-message hooks.
    // After the view's widget exists (in the frame, not yet shown); -1 fails
    // the creation of the frame.
    virtual int OnCreate();
    // When the frame is closing, before any widget is deleted; called once.
    virtual void OnDestroy();
    // After the document is attached and the frame created, before it is shown.
    virtual void OnInitialUpdate();
    // The client area's new size in pixels.
    virtual void OnSize(unsigned type, int cx, int cy);
    // Repaint. The framework erases no background first.
    virtual void OnDraw();
    virtual void OnLButtonDown(unsigned flags, const QPoint& point);
    virtual void OnLButtonUp(unsigned flags, const QPoint& point);
    virtual void OnRButtonDown(unsigned flags, const QPoint& point);
    virtual void OnRButtonUp(unsigned flags, const QPoint& point);
    virtual void OnMouseMove(unsigned flags, const QPoint& point);
    virtual void OnTimer(unsigned id);

    // Turns a Qt mouse event (press, release, move) into the matching hook,
    // with point in client pixels (y downwards) as given.
    void DispatchMouseEvent(const QMouseEvent* event, const QPoint& point);
    static unsigned MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers);

    // Services.
    // Starts (or restarts) timer id with the given period; ticks arrive as
    // OnTimer(id). A tick is never queued twice.
    bool SetTimer(unsigned id, unsigned elapseMs);
    bool KillTimer(unsigned id);
    bool IsTimerActive(unsigned id) const;
    // Mouse capture: a drag keeps its messages outside the window. A view
    // whose client area is a native child window should override these two.
    virtual void SetCapture();
    virtual void ReleaseCapture();
    bool HasCapture() const { return m_hasCapture; }
    // Modal message box with OK, caption the application title; returns IDOK.
    int MessageBox(const QString& text);
    void Invalidate();
    void UpdateWindow();

    CDocument* GetDocument() const { return m_pDocument; }
    CFrameWnd* GetParentFrame() const;

    // Puts w into the client area, filling it (zero margins). The view keeps
    // ownership through Qt's parent chain.
    void SetClientWidget(QWidget* w);
    QWidget* GetClientWidget() const { return m_clientWidget; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    friend class CDocument;
    friend class CFrameWnd;
    CDocument* m_pDocument = nullptr;
    QWidget* m_clientWidget = nullptr;
    std::map<unsigned, int> m_timers; // our id -> Qt timer id
    bool m_hasCapture = false;
    bool m_destroyed = false;
};
