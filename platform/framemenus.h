#pragma once

#include <vector>

class CFrameWnd;
class QAction;
class QMenu;
class QShortcut;

// The menu bar and the keyboard accelerators of a frame, built from the
// frame's resources, and the recent-file block of the File menu. Menu items
// and toolbar buttons share the frame's command actions; an accelerator
// sends its command as a menu click would.
class CFrameMenus {
public:
    explicit CFrameMenus(CFrameWnd& frame);
    CFrameMenus(const CFrameMenus&) = delete;
    CFrameMenus& operator=(const CFrameMenus&) = delete;

    // The menu and the accelerators of resourceId.
    void Build(unsigned resourceId);
    // The recent-file entries (placeholder "Recent File" when the list is
    // empty) as the application's list has them now.
    void UpdateRecentFileMenu();

private:
    void BuildMenu(unsigned resourceId);
    void BuildAccelerators(unsigned resourceId);

    CFrameWnd& m_frame;
    std::vector<QShortcut*> m_shortcuts;
    QMenu* m_recentMenu = nullptr;
    QAction* m_recentPlaceholder = nullptr;
    std::vector<QAction*> m_recentActions;
};
