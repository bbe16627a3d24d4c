#pragma once

#include "platform/barstyles.h"

#include <QToolBar>
#include <vector>

class CFrameWnd;
class QAction;

// A dockable toolbar of command buttons loaded from a toolbar resource.
class CToolBar : public QToolBar {
    Q_OBJECT
public:
    CToolBar();
    bool CreateEx(CFrameWnd* parent, unsigned ctrlStyle = TBSTYLE_FLAT,
                  unsigned style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP, int left = 0, int top = 0, int right = 0,
                  int bottom = 0, unsigned id = AFX_IDW_TOOLBAR);
    // Adds the buttons of toolbar resource resourceId; false when there is no
    // such resource or its image strip does not hold one image per button.
    bool LoadToolBar(unsigned resourceId);
    void EnableDocking(unsigned sides);

    int GetCount() const;                    // entries, separators included
    unsigned GetItemID(int index) const;     // 0 for a separator
    QAction* GetItemAction(int index) const; // null for a separator
    unsigned GetStyle() const { return m_style; }

private:
    CFrameWnd* m_frame = nullptr;
    std::vector<unsigned> m_ids;
    std::vector<QAction*> m_actions;
    unsigned m_style = 0;
};

// The toolbar areas of the sides named by CBRS_ALIGN_* bits.
Qt::ToolBarAreas ToolBarAreas(unsigned sides);
