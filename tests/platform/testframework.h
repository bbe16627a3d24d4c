#pragma once

// A small program on the framework layer for its tests: a view, a document, a
// frame with toolbar and status bar, and an application, each handling one
// command and recording what reached it.

#include "platform/framework.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace fwtest {

// Command ids of the test program.
constexpr unsigned ID_T_VIEW = 41001;     // handled by the view, checked while m_checked
constexpr unsigned ID_T_DOC = 41002;      // handled by the document
constexpr unsigned ID_T_FRAME = 41003;    // handled by the frame
constexpr unsigned ID_T_APP = 41004;      // handled by the application
constexpr unsigned ID_T_SHARED = 41005;   // handled by view and application: the view wins
constexpr unsigned ID_T_NOBODY = 41006;   // handled by nobody: disabled
constexpr unsigned ID_T_DISABLED = 41007; // handled by the view, but disabled by it
constexpr unsigned IDR_TEST = 4100;

// Everything the targets saw, in order.
QStringList& callLog();

class TestView : public CView {
    Q_OBJECT
public:
    static int createResult; // what OnCreate returns
    static int destroyCount; // OnDestroy calls in this process
    bool m_checked = false;
    QStringList mouse; // "LDown x,y flags" ...
    std::vector<unsigned> ticks;
    std::vector<QSize> sizes;
    std::function<void(unsigned)> onTimer;

    int OnCreate() override;
    void OnDestroy() override;
    void OnSize(unsigned type, int cx, int cy) override;
    void OnLButtonDown(unsigned flags, const QPoint& point) override;
    void OnLButtonUp(unsigned flags, const QPoint& point) override;
    void OnRButtonDown(unsigned flags, const QPoint& point) override;
    void OnRButtonUp(unsigned flags, const QPoint& point) override;
    void OnMouseMove(unsigned flags, const QPoint& point) override;
    void OnTimer(unsigned id) override;
    bool OnCommand(unsigned id) override;
    bool OnUpdateCommandUI(unsigned id, CCmdUI& ui) override;
};

class TestDoc : public CDocument {
public:
    QByteArray content; // what Serialize writes when storing
    bool OnCommand(unsigned id) override;
    bool OnUpdateCommandUI(unsigned id, CCmdUI& ui) override;
    void Serialize(CArchive& ar) override;
};

class TestFrame : public CFrameWnd {
    Q_OBJECT
public:
    CStatusBar m_statusBar;
    CToolBar m_toolBar;
    int OnCreate() override;
    bool OnCommand(unsigned id) override;
    bool OnUpdateCommandUI(unsigned id, CCmdUI& ui) override;
};

class TestApp : public CWinApp {
public:
    TestApp();
    bool InitInstance() override;
    bool OnCommand(unsigned id) override;
    bool OnUpdateCommandUI(unsigned id, CCmdUI& ui) override;

    CFrameWnd* frame() const { return m_pMainWnd; }
    TestView* view() const;
    TestDoc* doc() const;
};

// Registers the test program's menu, accelerators, toolbar and strings.
void registerTestResources();

} // namespace fwtest
