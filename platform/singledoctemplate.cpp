#include "platform/singledoctemplate.h"

#include "platform/document.h"
#include "platform/resources.h"
#include "platform/trace.h"
#include "platform/view.h"
#include "platform/winapp.h"

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
        // A read that fails before it changes anything leaves the modified
        // flag clear, and the document stays as it was.
        const bool wasModified = document->IsModified();
        document->SetModifiedFlag(false);
        if (!document->OnOpenDocument(path)) {
            if (createdFrame) {
                CloseAllDocuments();
            } else if (!document->IsModified()) {
                document->SetModifiedFlag(wasModified);
            } else {
                // The failed read may have left part of the file in it: a
                // usable, fresh document in the existing frame.
                document->OnNewDocument();
                SetDefaultTitle(document);
            }
            return nullptr;
        }
        if (!document->OpensInBackground())
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
