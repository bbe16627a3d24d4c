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
    // Starts loading path into the view as the Open command does; false
    // (the reason in the status bar) when the file cannot be opened. A load
    // that ends with no model makes the document untitled again and takes
    // the file out of the recent files.
    bool OnOpenDocument(const QString& path) override;
    // Stores nothing and loads nothing.
    void Serialize(CArchive& ar) override;

private:
    void OnLoadFinished(bool loaded, bool cancelled);
    bool m_followsLoads = false;
};
