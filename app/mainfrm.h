#pragma once

#include "platform/framewnd.h"

// The main window: menu, toolbar docked at the top (movable to any edge or
// floating), status bar with the message pane, the model pane and the CAP, NUM
// and SCRL panes.
class CMainFrame : public CFrameWnd {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    bool PreCreateWindow() override;
    int OnCreate() override;

    CToolBar& GetToolBar() { return m_wndToolBar; }
    CStatusBar& GetStatusBar() { return m_wndStatusBar; }

protected:
    CStatusBar m_wndStatusBar;
    CToolBar m_wndToolBar;
};
