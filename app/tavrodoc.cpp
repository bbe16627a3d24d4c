#include "app/tavrodoc.h"

#include "platform/framewnd.h"
#include "platform/winapp.h"
#include "viewer/tavroview.h"

#include <QDir>
#include <QFileInfo>
#include <QObject>

CTavroDoc::CTavroDoc() = default;

CTavroDoc::~CTavroDoc() = default;

bool CTavroDoc::OnNewDocument()
{
    return CDocument::OnNewDocument();
}

bool CTavroDoc::OnOpenDocument(const QString& path)
{
    for (CView* view : GetViews()) {
        auto* meshView = dynamic_cast<CTavroView*>(view);
        if (meshView == nullptr)
            continue;
        if (!m_followsLoads) {
            QObject::connect(
                meshView, &CTavroView::loadFinished, meshView,
                [this](const QString& file, bool loaded, bool cancelled) { OnLoadFinished(file, loaded, cancelled); });
            m_followsLoads = true;
        }
        return meshView->openModelFile(path);
    }
    return false;
}

void CTavroDoc::OnLoadFinished(const QString& path, bool loaded, bool cancelled)
{
    // A cancelled load changes nothing: the document, its title and the
    // recent files stay as they were, as the model on the screen does.
    if (cancelled)
        return;
    CSingleDocTemplate* docTemplate = GetDocTemplate();
    if (loaded) {
        SetPathName(path); // the title and the recent files
    } else {
        // The file gave no model: it leaves the recent files, and the window
        // is an untitled one again over the empty view.
        if (CWinApp* app = AfxGetApp())
            app->RemoveFromRecentFileList(QDir::cleanPath(QFileInfo(path).absoluteFilePath()));
        OnNewDocument();
        if (docTemplate)
            docTemplate->SetDefaultTitle(this);
    }
    if (docTemplate) {
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
