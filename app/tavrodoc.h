#pragma once

#include "platform/document.h"

#include <QString>

// The document of the template. It holds no data: the mesh is the process's
// current model. Opening the document's file (the command line, the recent
// files, a drop, Open) loads the mesh through the view, and the document
// takes the file's name when the model has arrived.
class CTavroDoc : public CDocument {
public:
    CTavroDoc();
    ~CTavroDoc() override;

    bool OnNewDocument() override;
    // Starts loading path into the view as the Open command does; false
    // (the reason in the status bar, nothing changed) when the file cannot
    // be opened. A load that gives a model makes path the document's file
    // (the title and the recent files follow); one that ends with no model
    // makes the document untitled and takes the file out of the recent files;
    // a cancelled one leaves the document as it was.
    bool OnOpenDocument(const QString& path) override;
    bool OpensInBackground() const override { return true; }
    // Stores nothing and loads nothing.
    void Serialize(CArchive& ar) override;

private:
    void OnLoadFinished(const QString& path, bool loaded, bool cancelled);
    bool m_followsLoads = false;
};
