#pragma once

#include "platform/document.h"

#include <QMetaObject>
#include <QPointer>
#include <QString>

#include <vector>

class OpenedFile;
enum class ModelArrival;

// The document of the template. It holds no data: the mesh is the process's
// current model. It follows the file its view opens (OpenedFile): opening
// the document's file (the command line, the recent files, a drop, Open)
// opens it there, and the document takes the file's name when the model has
// arrived.
class CTavroDoc : public CDocument {
public:
    CTavroDoc();
    ~CTavroDoc() override;

    // The file the document follows from now on (its view's, handed over
    // when the view is made).
    void FollowFile(OpenedFile* file);

    // Untitled: also lets go of the open file (no reload, no watch).
    bool OnNewDocument() override;
    // Starts loading path as the Open command does; false (the reason in the
    // status bar, nothing changed) when the file cannot be opened. A load
    // that gives a model makes path the document's file (the title and the
    // recent files follow); one that ends with no model makes the document
    // untitled and takes the file out of the recent files; a cancelled one
    // leaves the document as it was, and a reload leaves it as it is.
    bool OnOpenDocument(const QString& path) override;
    bool OpensInBackground() const override { return true; }
    // Stores nothing and loads nothing.
    void Serialize(CArchive& ar) override;

private:
    void OnModelArrived(const QString& path, ModelArrival kind);
    void OnLoadFailed(const QString& path, ModelArrival kind);
    void UpdateFrameTitle();

    QPointer<OpenedFile> m_file;
    std::vector<QMetaObject::Connection> m_following;
};
