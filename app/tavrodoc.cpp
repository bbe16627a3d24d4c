#include "app/tavrodoc.h"

CTavroDoc::CTavroDoc() = default;

CTavroDoc::~CTavroDoc() = default;

bool CTavroDoc::OnNewDocument()
{
    return CDocument::OnNewDocument();
}

void CTavroDoc::Serialize(CArchive& ar)
{
    if (ar.IsStoring()) {
        // nothing to store
    } else {
        // nothing to load
    }
}
