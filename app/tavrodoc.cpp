#include "app/tavrodoc.h"

#include "viewer/tavroview.h"

CTavroDoc::CTavroDoc() = default;

CTavroDoc::~CTavroDoc() = default;

bool CTavroDoc::OnNewDocument()
{
    return CDocument::OnNewDocument();
}

bool CTavroDoc::OnOpenDocument(const QString& path)
{
    for (CView* view : GetViews()) {
        if (auto* meshView = dynamic_cast<CTavroView*>(view))
            return meshView->LoadModelFile(path);
    }
    return false;
}

void CTavroDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        // nothing to store
    } else {
        // nothing to load
    }
}
