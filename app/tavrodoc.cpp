#include "app/tavrodoc.h"

#include "platform/framewnd.h"
#include "platform/singledoctemplate.h"
#include "platform/winapp.h"
#include "viewer/openedfile.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>

#include <string>

CTavroDoc::CTavroDoc() = default;

CTavroDoc::~CTavroDoc()
{
    for (const QMetaObject::Connection& connection : m_following)
        QObject::disconnect(connection);
}

void CTavroDoc::FollowFile(OpenedFile* file)
{
    for (const QMetaObject::Connection& connection : m_following)
        QObject::disconnect(connection);
    m_following.clear();
    m_file = file;
    if (file == nullptr)
        return;
    // A cancelled load changes nothing: the document, its title and the
    // recent files stay as they were, as the model on the screen does.
    m_following.push_back(QObject::connect(
        file, &OpenedFile::modelArrived, file,
        [this](const QString& path, const MeshModel&, ModelArrival kind) { OnModelArrived(path, kind); }));
    m_following.push_back(
        QObject::connect(file, &OpenedFile::failed, file,
                         [this](const QString& path, const QString&, ModelArrival kind) { OnLoadFailed(path, kind); }));
}

bool CTavroDoc::OnNewDocument()
{
    if (m_file)
        m_file->close();
    return CDocument::OnNewDocument();
}

bool CTavroDoc::OnOpenDocument(const QString& path)
{
    if (!m_file)
        return false;
    std::string why; // the view says why in the status bar
    return m_file->open(path, why);
}

void CTavroDoc::OnModelArrived(const QString& path, ModelArrival kind)
{
    if (kind != ModelArrival::Opened)
        return;        // a reload leaves the document as it is
    SetPathName(path); // the title and the recent files
    UpdateFrameTitle();
}

void CTavroDoc::OnLoadFailed(const QString& path, ModelArrival kind)
{
    if (kind != ModelArrival::Opened)
        return; // the reloaded file stays the document's
    // The file gave no model: it leaves the recent files, and the window is
    // an untitled one again over the empty view.
    if (CWinApp* app = AfxGetApp())
        app->RemoveFromRecentFileList(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
    OnNewDocument();
    if (CSingleDocTemplate* docTemplate = GetDocTemplate())
        docTemplate->SetDefaultTitle(this);
    UpdateFrameTitle();
}

void CTavroDoc::UpdateFrameTitle()
{
    if (CSingleDocTemplate* docTemplate = GetDocTemplate()) {
        if (CFrameWnd* frame = docTemplate->GetFrame())
            frame->OnUpdateFrameTitle();
    }
}

void CTavroDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        // nothing to store
    } else {
        // nothing to load
    }
}
