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
constexpr int kMaxShownPathLength = 60;
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

// ---------------------------------------------------------------------------
// CRecentFileList

CRecentFileList::CRecentFileList(unsigned firstId, const QString& section, const QString& entryPrefix, int size)
    : m_firstId(firstId), m_section(section), m_entryPrefix(entryPrefix), m_size(size < 0 ? 0 : size)
{
}

QString CRecentFileList::operator[](int index) const
{
    return index >= 0 && index < GetCount() ? m_files[index] : QString();
}

void CRecentFileList::Add(const QString& path)
{
    if (path.isEmpty() || m_size == 0)
        return;
    const QString clean = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    m_files.removeAll(clean);
    m_files.prepend(clean);
    while (m_files.size() > m_size)
        m_files.removeLast();
}

void CRecentFileList::Remove(int index)
{
    if (index >= 0 && index < GetCount())
        m_files.removeAt(index);
}

QString CRecentFileList::GetDisplayName(int index) const
{
    const QString path = (*this)[index];
    if (path.isEmpty())
        return QString();
    const QFileInfo info(path);
    QString shown;
    if (QDir::cleanPath(info.absolutePath()) == QDir::cleanPath(QDir::currentPath())) {
        shown = info.fileName();
    } else {
        shown = QDir::toNativeSeparators(path);
        if (shown.size() > kMaxShownPathLength) {
            // Keep the start and as much of the end (at least the file name)
            // as fits.
            const QString name = info.fileName();
            const int keepEnd = std::max<int>(static_cast<int>(name.size()) + 1, kMaxShownPathLength / 2);
            const int keepStart = std::max(3, kMaxShownPathLength - keepEnd - 3);
            shown = shown.left(keepStart) + QStringLiteral("...") + shown.right(keepEnd);
        }
    }
    shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
    return QStringLiteral("&%1 %2").arg(index + 1).arg(shown);
}

void CRecentFileList::ReadList(QSettings& settings)
{
    m_files.clear();
    settings.beginGroup(m_section);
    for (int i = 0; i < m_size; ++i) {
        const QString file = settings.value(m_entryPrefix + QString::number(i + 1)).toString();
        if (!file.isEmpty() && !m_files.contains(file))
            m_files << file;
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const
{
    settings.beginGroup(m_section);
    for (int i = 0; i < m_size; ++i) {
        const QString key = m_entryPrefix + QString::number(i + 1);
        if (i < GetCount())
            settings.setValue(key, m_files[i]);
        else
            settings.remove(key);
    }
    settings.endGroup();
}

// ---------------------------------------------------------------------------
// CCommandLineInfo

void CCommandLineInfo::ParseArguments(const QStringList& args)
{
    bool optionsEnded = false;
    for (const QString& arg : args) {
        if (!optionsEnded && arg == QLatin1String("--")) {
            optionsEnded = true;
            continue;
        }
        if (!optionsEnded && arg.startsWith(QLatin1Char('-')) && arg.size() > 1)
            continue; // options of the framework itself; none is used
        if (m_strFileName.isEmpty() && !arg.isEmpty()) {
            m_strFileName = arg;
            m_nShellCommand = FileOpen;
        }
    }
}

// ---------------------------------------------------------------------------
// CSingleDocTemplate

CSingleDocTemplate::CSingleDocTemplate(unsigned resourceId, DocumentFactory createDocument, FrameFactory createFrame,
                                       ViewFactory createView)
    : m_resourceId(resourceId), m_createDocument(std::move(createDocument)), m_createFrame(std::move(createFrame)),
      m_createView(std::move(createView))
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    CloseAllDocuments();
}

bool CSingleDocTemplate::GetDocString(QString& out, DocStringIndex index) const
{
    const QString text = AfxLoadString(m_resourceId);
    out = text.section(QLatin1Char('\n'), static_cast<int>(index), static_cast<int>(index));
    return !out.isEmpty();
}

void CSingleDocTemplate::SetDefaultTitle(CDocument* document) const
{
    QString title;
    if (!GetDocString(title, docName))
        title = QStringLiteral("Untitled");
    document->SetTitle(title);
}

void CSingleDocTemplate::CloseAllDocuments()
{
    if (m_frame) {
        CFrameWnd* frame = m_frame.data();
        frame->RunDestroyHooks();
        delete frame; // OnFrameDestroyed releases the document
    }
    if (m_document) {
        m_document->OnCloseDocument();
        m_document.reset();
    }
}

void CSingleDocTemplate::OnFrameDestroyed()
{
    if (CWinApp* app = AfxGetApp()) {
        if (app->m_pMainWnd && !m_frame)
            app->m_pMainWnd = nullptr;
    }
    if (m_document) {
        m_document->OnCloseDocument();
        m_document.reset();
    }
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const QString& path, bool makeVisible)
{
    if (m_document && !m_document->SaveModified())
        return nullptr;

    bool createdFrame = false;
    if (!m_document) {
        m_document.reset(m_createDocument ? m_createDocument() : nullptr);
        if (!m_document) {
            TRACE("Failed to create the document\n");
            return nullptr;
        }
        m_document->m_pDocTemplate = this;
    }
    CDocument* document = m_document.get();

    if (!m_frame) {
        CFrameWnd* frame = m_createFrame ? m_createFrame() : nullptr;
        if (!frame) {
            TRACE("Failed to create the frame\n");
            m_document.reset();
            return nullptr;
        }
        m_context.createView = m_createView;
        m_context.document = document;
        m_frame = frame;
        QObject::connect(frame, &QObject::destroyed, [this] { OnFrameDestroyed(); });
        if (!frame->LoadFrame(m_resourceId, &m_context)) {
            TRACE("Failed to create the main frame\n");
            CloseAllDocuments();
            return nullptr;
        }
        createdFrame = true;
        if (CWinApp* app = AfxGetApp()) {
            if (!app->m_pMainWnd)
                app->m_pMainWnd = frame;
        }
    }

    if (path.isEmpty()) {
        SetDefaultTitle(document);
        if (!document->OnNewDocument()) {
            TRACE("Failed to start a new document\n");
            if (createdFrame)
                CloseAllDocuments();
            return nullptr;
        }
        SetDefaultTitle(document);
    } else {
        if (!document->OnOpenDocument(path)) {
            if (createdFrame) {
                CloseAllDocuments();
            } else {
                // Keep a usable, fresh document in the existing frame.
                document->OnNewDocument();
                SetDefaultTitle(document);
            }
            return nullptr;
        }
        document->SetPathName(path);
    }

    for (CView* view : document->GetViews())
        view->OnInitialUpdate();
    if (m_frame)
        m_frame->OnUpdateFrameTitle();
    if (makeVisible && m_frame)
        m_frame->ActivateFrame();
    return document;
}

// ---------------------------------------------------------------------------
// CWinApp

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
