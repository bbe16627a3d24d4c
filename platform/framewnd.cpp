#include "platform/framewnd.h"

#include "platform/commandids.h"
#include "platform/document.h"
#include "platform/keystate.h"
#include "platform/resources.h"
#include "platform/trace.h"
#include "platform/view.h"
#include "platform/winapp.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QScreen>
#include <QShortcut>
#include <QStatusTipEvent>
#include <QTimer>
#include <QToolButton>

namespace {
const char* const kCommandIdProperty = "commandId";
constexpr int kIdleIntervalMs = 100;
} // namespace

CFrameWnd::CFrameWnd()
{
    setAttribute(Qt::WA_DeleteOnClose, false);
    m_idleTimer = new QTimer(this);
    m_idleTimer->setInterval(kIdleIntervalMs);
    connect(m_idleTimer, &QTimer::timeout, this, [this] { OnIdle(); });
}

CFrameWnd::~CFrameWnd()
{
    if (!m_destroyed) {
        m_destroyed = true;
        m_idleTimer->stop();
        DestroyViews();
    }
}

bool CFrameWnd::LoadFrame(unsigned resourceId, CCreateContext* context)
{
    m_resourceId = resourceId;
    m_context = context;
    const QString templateString = AfxLoadString(resourceId);
    m_frameTitle = templateString.section(QLatin1Char('\n'), 0, 0);
    if (m_frameTitle.isEmpty())
        m_frameTitle = AfxGetAppName();
    const QIcon icon = platform::resources().icon(resourceId);
    if (!icon.isNull())
        setWindowIcon(icon);
    if (!PreCreateWindow())
        return false;

    // The platform's default size: two thirds of the screen's free area.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect free = screen->availableGeometry();
        resize(free.width() * 2 / 3, free.height() * 2 / 3);
    }

    m_menus.Build(resourceId);
    qApp->installEventFilter(this);
    if (OnCreate() == -1)
        return false;
    OnUpdateFrameTitle();
    UpdateRecentFileMenu();
    UpdateCommandUI();
    UpdateIndicators();
    SetMessageText(IdleMessage());
    m_showingPrompt = false;
    m_idleTimer->start();
    return true;
}

bool CFrameWnd::PreCreateWindow()
{
    return true;
}

int CFrameWnd::OnCreate()
{
    if (!m_context || !m_context->createView)
        return 0;
    CView* view = m_context->createView();
    if (!view) {
        TRACE("Failed to create the view\n");
        return -1;
    }
    view->setParent(this);
    setCentralWidget(view);
    if (m_context->document)
        m_context->document->AddView(view);
    m_activeView = view;
    if (view->OnCreate() == -1) {
        TRACE("Failed to create the view window\n");
        return -1;
    }
    view->setFocus();
    return 0;
}

void CFrameWnd::OnDestroy()
{
}

bool CFrameWnd::DestroyWindow()
{
    if (m_destroyed)
        return true;
    return close();
}

void CFrameWnd::closeEvent(QCloseEvent* event)
{
    if (m_destroyed) {
        event->accept();
        return;
    }
    if (CDocument* document = GetActiveDocument()) {
        if (!document->SaveModified()) {
            event->ignore();
            return;
        }
    }
    RunDestroyHooks();
    event->accept();
    deleteLater();
}

void CFrameWnd::RunDestroyHooks()
{
    if (m_destroyed)
        return;
    m_destroyed = true;
    m_idleTimer->stop();
    DestroyViews();
    OnDestroy();
    if (CWinApp* app = AfxGetApp()) {
        if (app->m_pMainWnd == this)
            app->m_pMainWnd = nullptr;
    }
}

void CFrameWnd::DestroyViews()
{
    const auto views = findChildren<CView*>();
    for (CView* view : views) {
        if (!view->m_destroyed) {
            view->m_destroyed = true;
            view->OnDestroy();
        }
    }
}

void CFrameWnd::ShowWindow(int showCommand)
{
    switch (showCommand) {
    case SW_HIDE:
        hide();
        break;
    case SW_SHOWMAXIMIZED:
        showMaximized();
        break;
    default:
        show();
        break;
    }
}

void CFrameWnd::UpdateWindow()
{
    repaint();
    if (m_activeView)
        m_activeView->repaint();
}

void CFrameWnd::ActivateFrame(int showCommand)
{
    ShowWindow(showCommand < 0 ? SW_SHOW : showCommand);
    raise();
    activateWindow();
}

CDocument* CFrameWnd::GetActiveDocument() const
{
    return m_activeView ? m_activeView->GetDocument() : nullptr;
}

void CFrameWnd::SetTitle(const QString& title)
{
    m_frameTitle = title;
    OnUpdateFrameTitle();
}

void CFrameWnd::OnUpdateFrameTitle()
{
    const CDocument* document = GetActiveDocument();
    if (document && !document->GetTitle().isEmpty())
        setWindowTitle(document->GetTitle() + QStringLiteral(" - ") + m_frameTitle);
    else
        setWindowTitle(m_frameTitle);
}

// --- control bars ----------------------------------------------------------

void CFrameWnd::EnableDocking(unsigned sides)
{
    m_dockSides = sides & CBRS_ALIGN_ANY;
    setDockOptions(QMainWindow::AnimatedDocks | QMainWindow::AllowNestedDocks);
}

void CFrameWnd::DockControlBar(QToolBar* bar, unsigned dockBarId)
{
    if (!bar)
        return;
    bar->setAllowedAreas(bar->allowedAreas() & ToolBarAreas(m_dockSides));
    Qt::ToolBarArea area = Qt::TopToolBarArea;
    if (dockBarId == AFX_IDW_DOCKBAR_LEFT)
        area = Qt::LeftToolBarArea;
    else if (dockBarId == AFX_IDW_DOCKBAR_RIGHT)
        area = Qt::RightToolBarArea;
    else if (dockBarId == AFX_IDW_DOCKBAR_BOTTOM)
        area = Qt::BottomToolBarArea;
    const bool visible = !bar->isHidden();
    addToolBar(area, bar);
    bar->setVisible(visible);
}

void CFrameWnd::ShowControlBar(QWidget* bar, bool show)
{
    if (bar)
        bar->setVisible(show);
}

QWidget* CFrameWnd::GetControlBar(unsigned id) const
{
    auto it = m_controlBars.find(id);
    return it == m_controlBars.end() ? nullptr : it->second.data();
}

void CFrameWnd::RegisterControlBar(unsigned id, QWidget* bar)
{
    m_controlBars[id] = bar;
}

// --- message pane ----------------------------------------------------------

void CFrameWnd::SetMessageText(const QString& text)
{
    m_messageText = text;
    if (auto* bar = qobject_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR))) {
        for (int i = 0; i < bar->GetCount(); ++i) {
            if (bar->GetItemID(i) == ID_SEPARATOR) {
                bar->SetPaneText(i, text);
                break;
            }
        }
    }
}

QString CFrameWnd::GetMessageText() const
{
    return m_messageText;
}

QString CFrameWnd::IdleMessage() const
{
    if (!m_statusNote.isEmpty())
        return m_statusNote;
    const QString idle = AfxLoadString(AFX_IDS_IDLEMESSAGE);
    return idle.isEmpty() ? QStringLiteral("Ready") : idle;
}

void CFrameWnd::SetStatusNote(const QString& text)
{
    m_statusNote = text;
    if (!m_showingPrompt)
        SetMessageText(IdleMessage());
}

bool CFrameWnd::event(QEvent* event)
{
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        if (!tip.isEmpty()) {
            m_showingPrompt = true;
            SetMessageText(tip);
        } else if (QApplication::activePopupWidget()) {
            // A highlighted menu item without a prompt.
            m_showingPrompt = true;
            SetMessageText(QString());
        } else {
            m_showingPrompt = false;
            SetMessageText(IdleMessage());
        }
        return true;
    }
    return QMainWindow::event(event);
}

// --- menu and accelerators -------------------------------------------------

QAction* CFrameWnd::GetCommandAction(unsigned id)
{
    auto it = m_actions.find(id);
    if (it != m_actions.end())
        return it->second;
    auto* action = new QAction(this);
    action->setProperty(kCommandIdProperty, id);
    action->setStatusTip(platform::commandPrompt(id));
    const QString tip = platform::commandTip(id);
    if (!tip.isEmpty())
        action->setToolTip(tip);
    action->setIconVisibleInMenu(false);
    connect(action, &QAction::triggered, this, [this, id] { SendCommand(id); });
    m_actions[id] = action;
    return action;
}

std::vector<unsigned> CFrameWnd::GetCommandIds() const
{
    std::vector<unsigned> ids;
    for (const auto& entry : m_actions)
        ids.push_back(entry.first);
    return ids;
}

void CFrameWnd::UpdateRecentFileMenu()
{
    m_menus.UpdateRecentFileMenu();
}

void CFrameWnd::OnMenuClosed()
{
    QTimer::singleShot(0, this, [this] {
        if (!QApplication::activePopupWidget()) {
            m_showingPrompt = false;
            SetMessageText(IdleMessage());
        }
    });
}

// --- routing ---------------------------------------------------------------

bool CFrameWnd::RouteCommand(unsigned id)
{
    if (m_activeView && m_activeView->OnCommand(id))
        return true;
    if (CDocument* document = GetActiveDocument()) {
        if (document->OnCommand(id))
            return true;
    }
    if (OnCommand(id))
        return true;
    if (CWinApp* app = AfxGetApp())
        return app->OnCommand(id);
    return false;
}

bool CFrameWnd::RouteUpdateCommandUI(unsigned id, CCmdUI& ui)
{
    ui.m_nID = id;
    if (m_activeView && m_activeView->OnUpdateCommandUI(id, ui))
        return true;
    if (CDocument* document = GetActiveDocument()) {
        if (document->OnUpdateCommandUI(id, ui))
            return true;
    }
    if (OnUpdateCommandUI(id, ui))
        return true;
    if (CWinApp* app = AfxGetApp())
        return app->OnUpdateCommandUI(id, ui);
    return false;
}

bool CFrameWnd::IsCommandEnabled(unsigned id)
{
    CCmdUI ui(id);
    return RouteUpdateCommandUI(id, ui) && ui.IsEnabled();
}

bool CFrameWnd::SendCommand(unsigned id)
{
    if (m_destroyed || !IsCommandEnabled(id))
        return false;
    QPointer<CFrameWnd> self(this);
    const bool handled = RouteCommand(id);
    if (self && !m_destroyed)
        AfterCommand();
    return handled;
}

void CFrameWnd::AfterCommand()
{
    UpdateCommandUI();
}

void CFrameWnd::UpdateCommandUI()
{
    if (m_destroyed)
        return;
    for (const auto& entry : m_actions) {
        const unsigned id = entry.first;
        QAction* action = entry.second;
        CCmdUI ui(id);
        const bool handled = RouteUpdateCommandUI(id, ui);
        action->setEnabled(handled && ui.IsEnabled());
        if (ui.IsCheckSet()) {
            action->setCheckable(true);
            action->setChecked(ui.GetCheck() != 0);
        } else if (action->isCheckable()) {
            action->setChecked(false);
            action->setCheckable(false);
        }
    }
}

void CFrameWnd::UpdateIndicators()
{
    auto* bar = qobject_cast<CStatusBar*>(GetControlBar(AFX_IDW_STATUS_BAR));
    if (!bar)
        return;
    for (int i = 0; i < bar->GetCount(); ++i) {
        const unsigned id = bar->GetItemID(i);
        if (id == ID_SEPARATOR)
            continue;
        CCmdUI ui(id);
        const bool on = RouteUpdateCommandUI(id, ui) && ui.IsEnabled();
        bar->SetPaneText(i, on ? (ui.IsTextSet() ? ui.GetText() : AfxLoadString(id)) : QString());
    }
}

void CFrameWnd::OnIdle()
{
    if (m_destroyed)
        return;
    UpdateCommandUI();
    UpdateIndicators();
}

bool CFrameWnd::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::KeyRelease) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_CapsLock || key == Qt::Key_NumLock || key == Qt::Key_ScrollLock)
            QTimer::singleShot(0, this, [this] { UpdateIndicators(); });
    }
    return QMainWindow::eventFilter(watched, event);
}

bool CFrameWnd::OnCommand(unsigned id)
{
    if (id == ID_VIEW_TOOLBAR || id == ID_VIEW_STATUS_BAR) {
        QWidget* bar = GetControlBar(id);
        if (!bar)
            return false;
        ShowControlBar(bar, bar->isHidden());
        return true;
    }
    return false;
}

bool CFrameWnd::OnUpdateCommandUI(unsigned id, CCmdUI& ui)
{
    switch (id) {
    case ID_VIEW_TOOLBAR:
    case ID_VIEW_STATUS_BAR: {
        QWidget* bar = GetControlBar(id);
        if (!bar)
            return false;
        ui.SetCheck(bar->isHidden() ? 0 : 1);
        return true;
    }
    case ID_INDICATOR_CAPS:
        ui.Enable(platform::isLockKeyOn(platform::LockKey::Caps));
        return true;
    case ID_INDICATOR_NUM:
        ui.Enable(platform::isLockKeyOn(platform::LockKey::Num));
        return true;
    case ID_INDICATOR_SCRL:
        ui.Enable(platform::isLockKeyOn(platform::LockKey::Scroll));
        return true;
    default:
        return false;
    }
}
