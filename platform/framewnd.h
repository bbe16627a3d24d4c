#pragma once

#include "platform/cmdtarget.h"
#include "platform/framemenus.h"
#include "platform/statusbar.h"
#include "platform/toolbar.h"

#include <QMainWindow>
#include <QPointer>
#include <functional>
#include <map>
#include <vector>

class CDocument;
class CView;
class QAction;
class QTimer;

// Show commands.
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMAXIMIZED = 3;
constexpr int SW_SHOW = 5;

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
    // Refreshes the status bar's panes now: a pane shows the text its update
    // handler sets (CCmdUI::SetText) or else its string, while enabled.
    void UpdateIndicators();
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
    friend class CFrameMenus;
    // A menu closed: the message pane shows the idle text again (unless
    // another menu opened).
    void OnMenuClosed();
    void AfterCommand();
    void DestroyViews();

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
    CFrameMenus m_menus{*this};
    QTimer* m_idleTimer = nullptr;
};
