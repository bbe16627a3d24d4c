#pragma once

#include "platform/framewnd.h"

#include <QPointer>
#include <QString>

#include <functional>
#include <memory>

class CDocument;
class CView;

// Binds one frame, one document and one view, created by factory functions.
class CSingleDocTemplate {
public:
    using DocumentFactory = std::function<CDocument*()>;
    using FrameFactory = std::function<CFrameWnd*()>;
    using ViewFactory = std::function<CView*()>;

    enum DocStringIndex { windowTitle, docName, fileNewName, filterName, filterExt, regFileTypeId, regFileTypeName };

    CSingleDocTemplate(unsigned resourceId, DocumentFactory createDocument, FrameFactory createFrame,
                       ViewFactory createView);
    ~CSingleDocTemplate();

    unsigned GetResourceID() const { return m_resourceId; }
    // Field index of the template string (string id = resource id), fields
    // separated by '\n'. False when the field is empty.
    bool GetDocString(QString& out, DocStringIndex index) const;

    // An empty path starts a new document; otherwise the document is opened
    // from path. Creates frame, document and view on first use. Returns null
    // when that fails (then no frame remains when it was the first one).
    CDocument* OpenDocumentFile(const QString& path, bool makeVisible = true);
    CDocument* GetDocument() const { return m_document.get(); }
    CFrameWnd* GetFrame() const { return m_frame.data(); }
    void SetDefaultTitle(CDocument* document) const;
    // Closes the frame and the document without asking.
    void CloseAllDocuments();

private:
    void OnFrameDestroyed();
    unsigned m_resourceId;
    DocumentFactory m_createDocument;
    FrameFactory m_createFrame;
    ViewFactory m_createView;
    std::unique_ptr<CDocument> m_document;
    QPointer<CFrameWnd> m_frame;
    CFrameWnd::CCreateContext m_context;
};
