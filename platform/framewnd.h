#pragma once

#include "platform/cmdtarget.h"

#include <QMainWindow>
#include <QPointer>
#include <QStatusBar>
#include <QToolBar>
#include <functional>
#include <map>
#include <vector>

class CDocument;
class CView;
class QAction;
class QLabel;
class QMenu;
class QShortcut;
class QTimer;

// Window and control-bar styles understood by the bars.
constexpr unsigned WS_CHILD = 0x40000000;
constexpr unsigned WS_VISIBLE = 0x10000000;
constexpr unsigned TBSTYLE_FLAT = 0x0800;
constexpr unsigned CBRS_SIZE_DYNAMIC = 0x0004;
constexpr unsigned CBRS_TOOLTIPS = 0x0010;
constexpr unsigned CBRS_FLYBY = 0x0020;
constexpr unsigned CBRS_BORDER_TOP = 0x0200;
constexpr unsigned CBRS_BORDER_BOTTOM = 0x0800;
constexpr unsigned CBRS_ALIGN_LEFT = 0x1000;
constexpr unsigned CBRS_ALIGN_TOP = 0x2000;
constexpr unsigned CBRS_ALIGN_RIGHT = 0x4000;
constexpr unsigned CBRS_ALIGN_BOTTOM = 0x8000;
constexpr unsigned CBRS_ALIGN_ANY = 0xF000;
constexpr unsigned CBRS_TOP = CBRS_ALIGN_TOP | CBRS_BORDER_BOTTOM;
constexpr unsigned CBRS_BOTTOM = CBRS_ALIGN_BOTTOM | CBRS_BORDER_TOP;
constexpr unsigned CBRS_GRIPPER = 0x00400000;
constexpr unsigned AFX_IDW_TOOLBAR = 0xE800;    // 59392, also ID_VIEW_TOOLBAR
constexpr unsigned AFX_IDW_STATUS_BAR = 0xE801; // 59393, also ID_VIEW_STATUS_BAR
constexpr unsigned AFX_IDW_DOCKBAR_TOP = 0xE81B;
constexpr unsigned AFX_IDW_DOCKBAR_LEFT = 0xE81C;
constexpr unsigned AFX_IDW_DOCKBAR_RIGHT = 0xE81D;
constexpr unsigned AFX_IDW_DOCKBAR_BOTTOM = 0xE81E;

// Show commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;

class CFrameWnd;

// A dockable toolbar of command buttons loaded from a toolbar resource.
class CToolBar : public QToolBar {
    Q_OBJECT
public:
    CToolBar();
    bool CreateEx(CFrameWnd* parent, unsigned ctrlStyle = TBSTYLE_FLAT,
                  unsigned style = WS_CHILD | WS_VISIBLE | CBRS_ALIGN_TOP,
                  int left = 0, int top = 0, int right = 0, int bottom = 0,
                  unsigned id = AFX_IDW_TOOLBAR);
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

// The status bar: a stretching message pane (index 0, id 0) and fixed panes.
class CStatusBar : public QStatusBar {
    Q_OBJECT
public:
    CStatusBar();
    bool Create(CFrameWnd* parent, unsigned style = WS_CHILD | WS_VISIBLE | CBRS_BOTTOM,
                unsigned id = AFX_IDW_STATUS_BAR);
    // One pane per id; id 0 is the message pane. The other panes are as wide
    // as their text (string id) and show it while their update handler
    // enables them.
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

// The main frame: menu, accelerators, control bars, status bar and the client
// view; the hub of command routing.
class CFrameWnd : public QMainWindow, public CCmdTarget {
    Q_OBJECT
public:
    CFrameWnd();
    ~CFrameWnd() override;

    // Creation by the document template.
    using ViewFactory = std::function<CView*()>;
    struct CCreateContext {
        ViewFactory createView;
        CDocument* document = nullptr;
    };
    // Builds the menu and the accelerators of resourceId (and the title from
    // the template string of that id), calls PreCreateWindow and OnCreate.
    bool LoadFrame(unsigned resourceId, CCreateContext* context);
    virtual bool PreCreateWindow();
    // The base creates the client view (from the creation context); -1 fails.
    virtual int OnCreate();
    // When the frame closes, after the views' OnDestroy.
    virtual void OnDestroy();
    // Closes the frame as the close box would (asks to save a modified
    // document first). False when the close was refused.
    bool DestroyWindow();
    bool IsDestroyed() const { return m_destroyed; }

    void ShowWindow(int showCommand);
    void UpdateWindow();
    void ActivateFrame(int showCommand = -1);

    CView* GetActiveView() const { return m_activeView; }
    void SetActiveView(CView* view) { m_activeView = view; }
    CDocument* GetActiveDocument() const;

    // The frame's own part of the title ("Brenvik"); the window title is
    // "<document title> - <frame title>".
    QString GetTitle() const { return m_frameTitle; }
    void SetTitle(const QString& title);
    virtual void OnUpdateFrameTitle();

    // Control bars. A toolbar docks on the sides that both it and the frame
    // allow; DockControlBar puts it on the top side (or the one named).
    void EnableDocking(unsigned sides);
    void DockControlBar(QToolBar* bar, unsigned dockBarId = AFX_IDW_DOCKBAR_TOP);
    void ShowControlBar(QWidget* bar, bool show);
    QWidget* GetControlBar(unsigned id) const;
    void RegisterControlBar(unsigned id, QWidget* bar);

    // Message pane of the status bar.
    void SetMessageText(const QString& text);
    QString GetMessageText() const;
    // A sticky note shown whenever the message pane would otherwise show the
    // idle text ("Ready"), until cleared with an empty text.
    void SetStatusNote(const QString& text);
    QString GetStatusNote() const { return m_statusNote; }
    // The idle text, or the status note when there is one.
    QString IdleMessage() const;

    // Command routing.
    // Routes id like a menu click: nothing happens when the command is
    // disabled. True when a target handled it.
    bool SendCommand(unsigned id);
    // Routes without the enabled check (view, document, frame, application).
    bool RouteCommand(unsigned id);
    bool RouteUpdateCommandUI(unsigned id, CCmdUI& ui);
    bool IsCommandEnabled(unsigned id);
    // Refreshes enabled state and check marks of every command action now.
    void UpdateCommandUI();
    // The action of a command id (shared by menu item and toolbar button);
    // created on first request.
    QAction* GetCommandAction(unsigned id);
    // All command ids that have an action.
    std::vector<unsigned> GetCommandIds() const;

    // The recent-file entries of the File menu (placeholder "Recent File"
    // when the list is empty).
    void UpdateRecentFileMenu();

    bool OnCommand(unsigned id) override;
    bool OnUpdateCommandUI(unsigned id, CCmdUI& ui) override;

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    virtual void OnIdle();

private:
    friend class CSingleDocTemplate;
    // The close without asking: views' OnDestroy, then the frame's.
    void RunDestroyHooks();
    void BuildMenu(unsigned resourceId);
    void BuildAccelerators(unsigned resourceId);
    void RunAccelerator(unsigned id);
    void AfterCommand();
    void DestroyViews();
    void UpdateIndicators();

    CCreateContext* m_context = nullptr;
    CView* m_activeView = nullptr;
    QString m_frameTitle;
    QString m_statusNote;
    QString m_messageText;
    bool m_showingPrompt = false;
    bool m_destroyed = false;
    unsigned m_resourceId = 0;
    std::map<unsigned, QAction*> m_actions;
    std::map<unsigned, QPointer<QWidget>> m_controlBars;
    unsigned m_dockSides = 0;
    std::vector<QShortcut*> m_shortcuts;
    QMenu* m_recentMenu = nullptr;
    QAction* m_recentPlaceholder = nullptr;
    std::vector<QAction*> m_recentActions;
    QTimer* m_idleTimer = nullptr;
};
