#include "platform/winapp.h"

#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/document.h"
#include "platform/resources.h"
#include "platform/trace.h"
#include "platform/view.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QSettings>

namespace {
CWinApp* g_app = nullptr;
} // namespace

CWinApp* AfxGetApp()
{
    return g_app;
}

CFrameWnd* AfxGetMainWnd()
{
    return g_app ? g_app->m_pMainWnd : nullptr;
}

QString AfxGetAppName()
{
    if (g_app)
        return g_app->GetAppName();
    const QString title = AfxLoadString(AFX_IDS_APP_TITLE);
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

CWinApp::CWinApp(const QString& appName) : m_appName(appName)
{
    g_app = this;
    if (QCoreApplication::instance())
        m_args = QCoreApplication::arguments().mid(1);
}

CWinApp::~CWinApp()
{
    m_docTemplate.reset();
    m_printer.reset();
    if (g_app == this)
        g_app = nullptr;
}

QString CWinApp::GetAppName() const
{
    if (!m_appName.isEmpty())
        return m_appName;
    const QString title = AfxLoadString(AFX_IDS_APP_TITLE);
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

bool CWinApp::InitInstance()
{
    return true;
}

int CWinApp::ExitInstance()
{
    SaveStdProfileSettings();
    return 0;
}

int CWinApp::Run()
{
    if (!InitInstance()) {
        ExitInstance();
        return 1;
    }
    const int code = QApplication::exec();
    const int exitCode = ExitInstance();
    return code != 0 ? code : exitCode;
}

void CWinApp::SetRegistryKey(const QString& key)
{
    m_registryKey = key;
    m_settings.reset();
}

QSettings* CWinApp::GetSettings()
{
    if (!m_settings) {
        const QString organisation = m_registryKey.isEmpty() ? GetAppName() : m_registryKey;
        m_settings = std::make_unique<QSettings>(organisation, GetAppName());
    }
    return m_settings.get();
}

void CWinApp::LoadStdProfileSettings(int maxMru)
{
    m_recentFiles = std::make_unique<CRecentFileList>(ID_FILE_MRU_FILE1, QStringLiteral("Recent File List"),
                                                      QStringLiteral("File"), maxMru);
    m_recentFiles->ReadList(*GetSettings());
}

void CWinApp::SaveStdProfileSettings()
{
    if (m_recentFiles) {
        m_recentFiles->WriteList(*GetSettings());
        GetSettings()->sync();
    }
}

QString CWinApp::GetProfileString(const QString& section, const QString& entry, const QString& defaultValue)
{
    return GetSettings()->value(section + QLatin1Char('/') + entry, defaultValue).toString();
}

bool CWinApp::WriteProfileString(const QString& section, const QString& entry, const QString& value)
{
    GetSettings()->setValue(section + QLatin1Char('/') + entry, value);
    return GetSettings()->status() == QSettings::NoError;
}

int CWinApp::GetProfileInt(const QString& section, const QString& entry, int defaultValue)
{
    bool ok = false;
    const int value = GetSettings()->value(section + QLatin1Char('/') + entry, defaultValue).toInt(&ok);
    return ok ? value : defaultValue;
}

bool CWinApp::WriteProfileInt(const QString& section, const QString& entry, int value)
{
    GetSettings()->setValue(section + QLatin1Char('/') + entry, value);
    return GetSettings()->status() == QSettings::NoError;
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate)
{
    m_docTemplate.reset(docTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info) const
{
    info.ParseArguments(m_args);
}

bool CWinApp::ProcessShellCommand(CCommandLineInfo& info)
{
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        OnFileNew();
        return m_pMainWnd != nullptr;
    case CCommandLineInfo::FileOpen:
        return OpenDocumentFile(info.m_strFileName) != nullptr && m_pMainWnd != nullptr;
    case CCommandLineInfo::FileNothing:
        return true;
    }
    return false;
}

CDocument* CWinApp::OpenDocumentFile(const QString& path)
{
    if (!m_docTemplate)
        return nullptr;
    CDocument* document = m_docTemplate->OpenDocumentFile(path);
    if (document && !m_pMainWnd)
        m_pMainWnd = m_docTemplate->GetFrame();
    return document;
}

void CWinApp::AddToRecentFileList(const QString& path)
{
    if (!m_recentFiles)
        return;
    m_recentFiles->Add(path);
    m_recentFiles->WriteList(*GetSettings());
    GetSettings()->sync();
    if (m_pMainWnd)
        m_pMainWnd->UpdateRecentFileMenu();
}

void CWinApp::OnFileNew()
{
    if (!m_docTemplate)
        return;
    m_docTemplate->OpenDocumentFile(QString());
    if (!m_pMainWnd)
        m_pMainWnd = m_docTemplate->GetFrame();
}

void CWinApp::OnFileOpen()
{
    QString filter;
    QString filterName;
    QString filterExt;
    if (m_docTemplate && m_docTemplate->GetDocString(filterName, CSingleDocTemplate::filterName)
        && m_docTemplate->GetDocString(filterExt, CSingleDocTemplate::filterExt))
        filter = filterName + QStringLiteral("|*") + filterExt + QLatin1Char('|');
    filter += QStringLiteral("All Files (*.*)|*.*||");
    CFileDialog dialog(true, QString(), QString(), OFN_HIDEREADONLY | OFN_FILEMUSTEXIST, filter, m_pMainWnd);
    if (dialog.DoModal() != IDOK)
        return;
    OpenDocumentFile(dialog.GetPathName());
}

void CWinApp::OnFilePrintSetup()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::ScreenResolution);
    QPageSetupDialog dialog(m_printer.get(), m_pMainWnd);
    dialog.setWindowTitle(QStringLiteral("Print Setup"));
    dialog.exec();
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd)
        m_pMainWnd->close();
    else
        QCoreApplication::quit();
}

bool CWinApp::OnOpenRecentFile(unsigned id)
{
    if (!m_recentFiles)
        return false;
    const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
    const QString path = (*m_recentFiles)[index];
    if (path.isEmpty())
        return false;
    if (!OpenDocumentFile(path)) {
        // A file that cannot be opened any more leaves the list.
        RemoveFromRecentFileList(path);
    }
    return true;
}

void CWinApp::RemoveFromRecentFileList(const QString& path)
{
    if (!m_recentFiles)
        return;
    const int now = static_cast<int>(m_recentFiles->GetCount());
    for (int i = 0; i < now; ++i) {
        if ((*m_recentFiles)[i] == path) {
            m_recentFiles->Remove(i);
            break;
        }
    }
    m_recentFiles->WriteList(*GetSettings());
    GetSettings()->sync();
    if (m_pMainWnd)
        m_pMainWnd->UpdateRecentFileMenu();
}

bool CWinApp::OnCommand(unsigned id)
{
    switch (id) {
    case ID_FILE_NEW:
        OnFileNew();
        return true;
    case ID_FILE_OPEN:
        OnFileOpen();
        return true;
    case ID_FILE_PRINT_SETUP:
        OnFilePrintSetup();
        return true;
    case ID_APP_EXIT:
        OnAppExit();
        return true;
    default:
        break;
    }
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE4)
        return OnOpenRecentFile(id);
    return false;
}

bool CWinApp::OnUpdateCommandUI(unsigned id, CCmdUI& ui)
{
    switch (id) {
    case ID_FILE_NEW:
    case ID_FILE_OPEN:
    case ID_FILE_PRINT_SETUP:
    case ID_APP_EXIT:
        return true;
    default:
        break;
    }
    if (id >= ID_FILE_MRU_FILE1 && id <= ID_FILE_MRU_FILE4) {
        const int index = static_cast<int>(id - ID_FILE_MRU_FILE1);
        ui.Enable(m_recentFiles && index < m_recentFiles->GetCount());
        return true;
    }
    return false;
}
