#pragma once

#include "platform/cmdtarget.h"

#include <QString>
#include <vector>

class QIODevice;
class CView;
class CSingleDocTemplate;

// The stream a document is stored to or loaded from.
class CArchive {
public:
    CArchive(QIODevice* file, bool storing) : m_file(file), m_storing(storing) { }
    bool IsStoring() const { return m_storing; }
    bool IsLoading() const { return !m_storing; }
    QIODevice* GetFile() const { return m_file; }

private:
    QIODevice* m_file;
    bool m_storing;
};

// A document: title, path name, modified flag, its views, and the save and
// load hooks. Handles Save (57603) and Save As (57604) itself.
class CDocument : public CCmdTarget {
public:
    CDocument();
    ~CDocument() override;

    const QString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const QString& title);
    const QString& GetPathName() const { return m_strPathName; }
    // Sets the path and the title (the file's name); adds the path to the
    // application's recent-file list when addToMru is true.
    virtual void SetPathName(const QString& path, bool addToMru = true);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    CSingleDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }
    const std::vector<CView*>& GetViews() const { return m_views; }
    void AddView(CView* view);
    void RemoveView(CView* view);
    void UpdateAllViews(CView* sender);

    // Hooks.
    virtual bool OnNewDocument();                     // empties the document, title "Untitled"
    virtual bool OnOpenDocument(const QString& path); // reads the file through Serialize
    // A document whose OnOpenDocument only starts reading the file (the rest
    // comes later, in the background) records the path name, the title and
    // the recent-file entry itself once the file has opened; the template
    // then leaves them alone.
    virtual bool OpensInBackground() const { return false; }
    // Writes the document through Serialize. Never replaces a non-empty file
    // with an empty document: that save is refused with a message box.
    virtual bool OnSaveDocument(const QString& path);
    virtual void OnCloseDocument();
    virtual void DeleteContents();
    virtual void Serialize(CArchive& ar);
    // Asks whether to save a modified document; false cancels the close.
    virtual bool SaveModified();

    // The framework's save commands: Save uses the path name (asks for one
    // first when there is none), Save As always asks. True when saved.
    bool DoFileSave();
    bool DoSave(const QString& path, bool replace = true);

    bool OnCommand(unsigned id) override;
    bool OnUpdateCommandUI(unsigned id, CCmdUI& ui) override;

private:
    friend class CSingleDocTemplate;
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
    CSingleDocTemplate* m_pDocTemplate = nullptr;
    std::vector<CView*> m_views;
};
