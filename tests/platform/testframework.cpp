#include "testframework.h"

#include <QIODevice>
#include <QImage>
#include <QPainter>

namespace fwtest {

QStringList& callLog()
{
    static QStringList log;
    return log;
}

int TestView::createResult = 0;
int TestView::destroyCount = 0;

int TestView::OnCreate()
{
    callLog() << QStringLiteral("view create");
    return createResult;
}

void TestView::OnDestroy()
{
    ++destroyCount;
    callLog() << QStringLiteral("view destroy");
    CView::OnDestroy();
}

void TestView::OnSize(unsigned, int cx, int cy)
{
    sizes.emplace_back(cx, cy);
}

namespace {
QString mouseText(const char* what, unsigned flags, const QPoint& p)
{
    return QStringLiteral("%1 %2,%3 %4").arg(QLatin1String(what)).arg(p.x()).arg(p.y()).arg(flags);
}
} // namespace

void TestView::OnLButtonDown(unsigned flags, const QPoint& point)
{
    mouse << mouseText("LDown", flags, point);
}

void TestView::OnLButtonUp(unsigned flags, const QPoint& point)
{
    mouse << mouseText("LUp", flags, point);
}

void TestView::OnRButtonDown(unsigned flags, const QPoint& point)
{
    mouse << mouseText("RDown", flags, point);
}

void TestView::OnRButtonUp(unsigned flags, const QPoint& point)
{
    mouse << mouseText("RUp", flags, point);
}

void TestView::OnMouseMove(unsigned flags, const QPoint& point)
{
    mouse << mouseText("Move", flags, point);
}

void TestView::OnTimer(unsigned id)
{
    ticks.push_back(id);
    if (onTimer)
        onTimer(id);
}

bool TestView::OnCommand(unsigned id)
{
    if (id == ID_T_VIEW || id == ID_T_SHARED || id == ID_T_DISABLED) {
        callLog() << QStringLiteral("view %1").arg(id);
        if (id == ID_T_VIEW)
            m_checked = !m_checked;
        return true;
    }
    return false;
}

bool TestView::OnUpdateCommandUI(unsigned id, CCmdUI& ui)
{
    if (id == ID_T_VIEW) {
        ui.SetCheck(m_checked ? 1 : 0);
        return true;
    }
    if (id == ID_T_SHARED)
        return true;
    if (id == ID_T_DISABLED) {
        ui.Enable(false);
        return true;
    }
    return false;
}

bool TestDoc::OnCommand(unsigned id)
{
    if (id == ID_T_DOC) {
        callLog() << QStringLiteral("doc %1").arg(id);
        return true;
    }
    return CDocument::OnCommand(id);
}

bool TestDoc::OnUpdateCommandUI(unsigned id, CCmdUI& ui)
{
    return id == ID_T_DOC || CDocument::OnUpdateCommandUI(id, ui);
}

void TestDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring())
        ar.GetFile()->write(content);
}

int TestFrame::OnCreate()
{
    if (CFrameWnd::OnCreate() == -1)
        return -1;
    if (!m_toolBar.CreateEx(this, TBSTYLE_FLAT,
                            WS_CHILD | WS_VISIBLE | CBRS_TOP | CBRS_GRIPPER | CBRS_TOOLTIPS | CBRS_FLYBY)
        || !m_toolBar.LoadToolBar(IDR_TEST)) {
        TRACE("Failed to create toolbar\n");
        return -1;
    }
    static const unsigned indicators[] = {ID_SEPARATOR, ID_INDICATOR_CAPS, ID_INDICATOR_NUM, ID_INDICATOR_SCRL};
    if (!m_statusBar.Create(this) || !m_statusBar.SetIndicators(indicators, 4)) {
        TRACE("Failed to create status bar\n");
        return -1;
    }
    m_toolBar.EnableDocking(CBRS_ALIGN_ANY);
    EnableDocking(CBRS_ALIGN_ANY);
    DockControlBar(&m_toolBar);
    return 0;
}

bool TestFrame::OnCommand(unsigned id)
{
    if (id == ID_T_FRAME) {
        callLog() << QStringLiteral("frame %1").arg(id);
        return true;
    }
    return CFrameWnd::OnCommand(id);
}

bool TestFrame::OnUpdateCommandUI(unsigned id, CCmdUI& ui)
{
    return id == ID_T_FRAME || CFrameWnd::OnUpdateCommandUI(id, ui);
}

TestApp::TestApp() : CWinApp(QStringLiteral("FrameworkTest"))
{
    registerTestResources();
    SetCommandLine({});
}

bool TestApp::InitInstance()
{
    SetRegistryKey(QStringLiteral("Brenvik Framework Tests"));
    LoadStdProfileSettings(4);
    AddDocTemplate(new CSingleDocTemplate(
        IDR_TEST, [] { return new TestDoc; }, [] { return new TestFrame; }, [] { return new TestView; }));
    CCommandLineInfo info;
    ParseCommandLine(info);
    if (!ProcessShellCommand(info))
        return false;
    m_pMainWnd->ShowWindow(SW_SHOW);
    return true;
}

bool TestApp::OnCommand(unsigned id)
{
    if (id == ID_T_APP || id == ID_T_SHARED) {
        callLog() << QStringLiteral("app %1").arg(id);
        return true;
    }
    return CWinApp::OnCommand(id);
}

bool TestApp::OnUpdateCommandUI(unsigned id, CCmdUI& ui)
{
    return id == ID_T_APP || id == ID_T_SHARED || CWinApp::OnUpdateCommandUI(id, ui);
}

TestView* TestApp::view() const
{
    return m_pMainWnd ? dynamic_cast<TestView*>(m_pMainWnd->GetActiveView()) : nullptr;
}

TestDoc* TestApp::doc() const
{
    return m_pMainWnd ? dynamic_cast<TestDoc*>(m_pMainWnd->GetActiveDocument()) : nullptr;
}

void registerTestResources()
{
    using platform::MenuItem;
    platform::ResourceTable& res = platform::resources();
    res.setString(IDR_TEST, QStringLiteral("Framework Test\n\nTest\n\n\n\n"));
    res.setString(AFX_IDS_IDLEMESSAGE, QStringLiteral("Ready"));
    res.setString(ID_T_VIEW, QStringLiteral("The view's command\nView"));
    res.setString(ID_T_DOC, QStringLiteral("The document's command\nDocument"));
    res.setString(ID_T_FRAME, QStringLiteral("The frame's command\nFrame"));
    res.setString(ID_T_APP, QStringLiteral("The application's command\nApplication"));
    res.setString(ID_T_NOBODY, QStringLiteral("Nobody's command\nNobody"));
    res.setString(ID_VIEW_TOOLBAR, QStringLiteral("Show or hide the toolbar\nToggle ToolBar"));
    res.setString(ID_VIEW_STATUS_BAR, QStringLiteral("Show or hide the status bar\nToggle StatusBar"));
    res.setString(ID_INDICATOR_CAPS, QStringLiteral("CAP"));
    res.setString(ID_INDICATOR_NUM, QStringLiteral("NUM"));
    res.setString(ID_INDICATOR_SCRL, QStringLiteral("SCRL"));
    res.setMenu(
        IDR_TEST,
        {MenuItem::popup(QStringLiteral("&File"),
                         {MenuItem::command(QStringLiteral("&Save\tCtrl+S"), ID_FILE_SAVE), MenuItem::separator(),
                          MenuItem::command(QStringLiteral("Recent File"), ID_FILE_MRU_FILE1, true),
                          MenuItem::separator(), MenuItem::command(QStringLiteral("E&xit"), ID_APP_EXIT)}),
         MenuItem::popup(QStringLiteral("&Test"),
                         {MenuItem::command(QStringLiteral("View"), ID_T_VIEW),
                          MenuItem::command(QStringLiteral("Document"), ID_T_DOC),
                          MenuItem::command(QStringLiteral("Frame"), ID_T_FRAME),
                          MenuItem::command(QStringLiteral("Application"), ID_T_APP),
                          MenuItem::command(QStringLiteral("Shared"), ID_T_SHARED),
                          MenuItem::command(QStringLiteral("Nobody\tCtrl+6"), ID_T_NOBODY),
                          MenuItem::command(QStringLiteral("Disabled"), ID_T_DISABLED), MenuItem::separator(),
                          MenuItem::command(QStringLiteral("&Toolbar"), ID_VIEW_TOOLBAR),
                          MenuItem::command(QStringLiteral("&Status Bar"), ID_VIEW_STATUS_BAR)})});
    res.setAccelerators(IDR_TEST, {{QKeySequence(QStringLiteral("Ctrl+S")), ID_FILE_SAVE},
                                   {QKeySequence(QStringLiteral("Ctrl+1")), ID_T_VIEW},
                                   {QKeySequence(QStringLiteral("Ctrl+4")), ID_T_APP},
                                   {QKeySequence(QStringLiteral("Ctrl+6")), ID_T_NOBODY},
                                   {QKeySequence(QStringLiteral("Ctrl+7")), ID_T_DISABLED}});
    platform::ToolBarResource toolbar;
    toolbar.items = {ID_T_VIEW, ID_SEPARATOR, ID_T_APP, ID_T_NOBODY};
    QImage strip(48, 15, QImage::Format_RGB32);
    strip.fill(QColor(192, 192, 192));
    QPainter painter(&strip);
    painter.fillRect(QRect(2, 2, 12, 11), Qt::red);
    painter.fillRect(QRect(18, 2, 12, 11), Qt::green);
    painter.fillRect(QRect(34, 2, 12, 11), Qt::blue);
    toolbar.images = strip;
    res.setToolBar(IDR_TEST, toolbar);
}

} // namespace fwtest
