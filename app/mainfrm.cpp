#include "app/mainfrm.h"

#include "platform/commandids.h"
#include "platform/trace.h"

namespace {
// The status-bar panes: message pane, the loaded model's counts, then the
// three lock keys.
const unsigned indicators[] = {
    ID_SEPARATOR, ID_INDICATOR_MODEL, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL,
};
} // namespace

CMainFrame::CMainFrame() = default;

CMainFrame::~CMainFrame() = default;

bool CMainFrame::PreCreateWindow()
{
    return CFrameWnd::PreCreateWindow();
}

int CMainFrame::OnCreate()
{
    if (CFrameWnd::OnCreate() == -1)
        return -1;

    if (!m_wndToolBar.CreateEx(this, TBSTYLE_FLAT,
                               WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY
                                   | CBRS_SIZE_DYNAMIC)
        || !m_wndToolBar.LoadToolBar(IDR_MAINFRAME)) {
        TRACE("Failed to create toolbar\n");
        return -1;
    }

    if (!m_wndStatusBar.Create(this)
        || !m_wndStatusBar.SetIndicators(indicators, sizeof(indicators) / sizeof(unsigned))) {
        TRACE("Failed to create status bar\n");
        return -1;
    }

    m_wndToolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_wndToolBar);
    return 0;
}
