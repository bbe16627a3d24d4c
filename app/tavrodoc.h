#pragma once

#include "platform/document.h"

// The document of the template. It holds no data: the mesh is the process's
// current model. Opening the document's file (the command line, the recent
// files, a drop, Open) loads the mesh through the view.
class CTavroDoc : public CDocument {
public:
    CTavroDoc();
    ~CTavroDoc() override;

    bool OnNewDocument() override;
    // Loads path into the view as the Open command does; false (the reason
    // in the status bar) when it gives no model.
    bool OnOpenDocument(const QString& path) override;
    // Stores nothing and loads nothing.
    void Serialize(CArchive& ar) override;
};
