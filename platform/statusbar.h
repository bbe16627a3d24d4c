#pragma once

#include "platform/barstyles.h"

#include <QStatusBar>
#include <vector>

class CFrameWnd;
class QLabel;

// The status bar: a stretching message pane (index 0, id 0) and fixed panes.
class CStatusBar : public QStatusBar {
    Q_OBJECT
public:
    CStatusBar();
    bool Create(CFrameWnd* parent, unsigned style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                unsigned id = AFX_IDW_STATUS_BAR);
    // One pane per id; id 0 is the message pane. The other panes are as wide
    // as their text (string id) and show it while their update handler
    // enables them, or the text the handler sets: a pane widens to fit a
    // longer text and is never narrower than its string.
    bool SetIndicators(const unsigned* ids, int count);

    int GetCount() const { return static_cast<int>(m_ids.size()); }
    unsigned GetItemID(int index) const;
    QString GetPaneText(int index) const;
    bool SetPaneText(int index, const QString& text);
    QLabel* GetPane(int index) const;

private:
    std::vector<unsigned> m_ids;
    std::vector<QLabel*> m_panes;
};
