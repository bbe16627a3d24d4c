#include "platform/document.h"

#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/framewnd.h"
#include "platform/view.h"
#include "platform/winapp.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QSaveFile>
#include <algorithm>

#include <sys/stat.h>

CDocument::CDocument() = default;

CDocument::~CDocument()
{
    for (CView* view : m_views)
        view->m_pDocument = nullptr;
}

void CDocument::SetTitle(const QString& title)
{
    m_strTitle = title;
    for (CView* view : m_views) {
        if (CFrameWnd* frame = view->GetParentFrame())
            frame->OnUpdateFrameTitle();
    }
}

void CDocument::SetPathName(const QString& path, bool addToMru)
{
    const QString absolute = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    m_strPathName = absolute;
    SetTitle(QFileInfo(absolute).fileName());
    if (addToMru) {
        if (CWinApp* app = AfxGetApp())
            app->AddToRecentFileList(absolute);
    }
}

void CDocument::AddView(CView* view)
{
    if (!view || std::find(m_views.begin(), m_views.end(), view) != m_views.end())
        return;
    m_views.push_back(view);
    view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view)
{
    auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end())
        return;
    m_views.erase(it);
    view->m_pDocument = nullptr;
}

void CDocument::UpdateAllViews(CView* sender)
{
    for (CView* view : m_views) {
        if (view != sender)
            view->Invalidate();
    }
}

bool CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

namespace {
// What path names after following its links when that is not a plain file:
// "a folder", "a named pipe (FIFO)", "a device", "a socket"; empty for a
// regular file and for a name with nothing there yet.
QString specialFileKind(const QString& path)
{
    struct stat status;
    if (::stat(QFile::encodeName(path).constData(), &status) != 0 || S_ISREG(status.st_mode))
        return QString();
    if (S_ISDIR(status.st_mode))
        return QStringLiteral("a folder");
    if (S_ISFIFO(status.st_mode))
        return QStringLiteral("a named pipe (FIFO)");
    if (S_ISCHR(status.st_mode) || S_ISBLK(status.st_mode))
        return QStringLiteral("a device");
    if (S_ISSOCK(status.st_mode))
        return QStringLiteral("a socket");
    return QStringLiteral("a special file");
}

QWidget* ownerOf(const CDocument* document)
{
    for (CView* view : document->GetViews()) {
        if (CFrameWnd* frame = view->GetParentFrame())
            return frame;
    }
    return AfxGetMainWnd();
}
} // namespace

bool CDocument::OnOpenDocument(const QString& path)
{
    const QFileInfo info(path);
    QFile file(path);
    if (info.isDir()) {
        AfxMessageBox(
            ownerOf(this),
            QStringLiteral("Cannot open \"%1\": it is a folder, not a file.").arg(QDir::toNativeSeparators(path)));
        return false;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        AfxMessageBox(
            ownerOf(this),
            QStringLiteral("Cannot open \"%1\": %2.").arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    DeleteContents();
    SetModifiedFlag(true);
    CArchive ar(&file, false);
    Serialize(ar);
    SetModifiedFlag(false);
    return true;
}

bool CDocument::OnSaveDocument(const QString& path)
{
    QWidget* owner = ownerOf(this);
    const QString shown = QDir::toNativeSeparators(path);

    QByteArray content;
    {
        QBuffer buffer(&content);
        buffer.open(QIODevice::WriteOnly);
        CArchive ar(&buffer, true);
        Serialize(ar);
    }

    // Saving replaces the file named: never a folder, pipe, device or
    // socket, also not through a link (a link to /dev/zero would otherwise
    // replace the device node itself).
    const QString kind = specialFileKind(path);
    if (!kind.isEmpty()) {
        AfxMessageBox(owner, QStringLiteral("Cannot save to \"%1\": it is %2, not a file. It has been left "
                                            "unchanged.")
                                 .arg(shown, kind));
        return false;
    }
    const QFileInfo info(path);
    // An empty document never replaces a file that holds something: that
    // would silently destroy the file's content (a mesh named on the command
    // line or picked from the recent-file list, for example).
    if (content.isEmpty() && info.exists() && info.size() > 0) {
        AfxMessageBox(owner, QStringLiteral("\"%1\" was not saved.\n\nThe file is not empty, and this "
                                            "document is: saving would erase the file's content. "
                                            "The file has been left unchanged.")
                                 .arg(shown));
        return false;
    }

    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size() || !file.commit()) {
        const QString reason = file.errorString();
        file.cancelWriting();
        AfxMessageBox(owner, QStringLiteral("Cannot save to \"%1\": %2.").arg(shown, reason));
        return false;
    }
    SetModifiedFlag(false);
    return true;
}

void CDocument::OnCloseDocument()
{
    DeleteContents();
}

void CDocument::DeleteContents()
{
}

void CDocument::Serialize(CArchive&)
{
}

bool CDocument::SaveModified()
{
    if (!IsModified())
        return true;
    const QString name = m_strTitle.isEmpty() ? QStringLiteral("Untitled") : m_strTitle;
    const auto answer
        = QMessageBox::question(ownerOf(this), AfxGetAppName(), QStringLiteral("Save changes to %1?").arg(name),
                                QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    if (answer == QMessageBox::Cancel)
        return false;
    if (answer == QMessageBox::Yes)
        return DoFileSave();
    return true;
}

bool CDocument::DoFileSave()
{
    if (m_strPathName.isEmpty())
        return DoSave(QString());
    return DoSave(m_strPathName);
}

bool CDocument::DoSave(const QString& path, bool replace)
{
    QString target = path;
    if (target.isEmpty()) {
        QString filterName;
        QString filterExt;
        if (m_pDocTemplate) {
            m_pDocTemplate->GetDocString(filterName, CSingleDocTemplate::filterName);
            m_pDocTemplate->GetDocString(filterExt, CSingleDocTemplate::filterExt);
        }
        QString filter;
        if (!filterName.isEmpty() && !filterExt.isEmpty())
            filter = filterName + QLatin1Char('|') + QLatin1Char('*') + filterExt + QLatin1Char('|');
        filter += QStringLiteral("All Files (*.*)|*.*||");
        QString initialName = m_strTitle;
        if (!m_strPathName.isEmpty())
            initialName = m_strPathName;
        CFileDialog dialog(false, filterExt, initialName, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, filter,
                           ownerOf(this));
        if (dialog.DoModal() != IDOK)
            return false;
        target = dialog.GetPathName();
    }
    if (!OnSaveDocument(target))
        return false;
    if (replace)
        SetPathName(target);
    return true;
}

bool CDocument::OnCommand(unsigned id)
{
    switch (id) {
    case ID_FILE_SAVE:
        DoFileSave();
        return true;
    case ID_FILE_SAVE_AS:
        DoSave(QString());
        return true;
    default:
        return false;
    }
}

bool CDocument::OnUpdateCommandUI(unsigned id, CCmdUI&)
{
    return id == ID_FILE_SAVE || id == ID_FILE_SAVE_AS;
}
