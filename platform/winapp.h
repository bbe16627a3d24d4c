#pragma once

#include "platform/cmdtarget.h"
#include "platform/framewnd.h"

#include <QPointer>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class CDocument;
class CView;
class QPrinter;
class QSettings;

// The most-recently-used file list: newest first, at most size entries,
// stored in the settings under section/"File1".."FileN".
class CRecentFileList {
public:
    CRecentFileList(unsigned firstId, const QString& section, const QString& entryPrefix, int size);
    int GetSize() const { return m_size; }
    int GetCount() const { return static_cast<int>(m_files.size()); }
    QString operator[](int index) const;
    // Adds an absolute, clean form of path at the front (moving it there if it
    // is already in the list).
    void Add(const QString& path);
    void Remove(int index);
    // The text of the menu item for entry index: "&1 name" with a shortened path.
    QString GetDisplayName(int index) const;
    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;
    unsigned GetFirstId() const { return m_firstId; }

private:
    unsigned m_firstId;
    QString m_section;
    QString m_entryPrefix;
    int m_size;
    QStringList m_files;
};

// What the command line asks for.
class CCommandLineInfo {
public:
    enum Shell { FileNew, FileOpen, FileNothing };
    Shell m_nShellCommand = FileNew;
    QString m_strFileName;
    void ParseArguments(const QStringList& args); // args without the program name
};

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

// The application object. Exactly one exists at a time (AfxGetApp).
class CWinApp : public CCmdTarget {
public:
    // With no name the application title is string AFX_IDS_APP_TITLE.
    explicit CWinApp(const QString& appName = QString());
    ~CWinApp() override;

    virtual bool InitInstance();
    virtual int ExitInstance();
    // InitInstance, then the message loop; returns the exit code.
    int Run();

    // Start-up services.
    void AfxEnableControlContainerSupport() { }
    void EnableShellOpen() { }
    void SetRegistryKey(const QString& key);
    QString GetRegistryKey() const { return m_registryKey; }
    // Reads the recent-file list (maxMru entries) from the settings.
    void LoadStdProfileSettings(int maxMru = 4);
    void SaveStdProfileSettings();
    // Settings under organisation = registry key, application = app title.
    QSettings* GetSettings();
    QString GetProfileString(const QString& section, const QString& entry, const QString& defaultValue = QString());
    bool WriteProfileString(const QString& section, const QString& entry, const QString& value);
    int GetProfileInt(const QString& section, const QString& entry, int defaultValue);
    bool WriteProfileInt(const QString& section, const QString& entry, int value);

    void AddDocTemplate(CSingleDocTemplate* docTemplate); // takes ownership
    CSingleDocTemplate* GetDocTemplate() const { return m_docTemplate.get(); }

    // The command line without the program name (default: the process's).
    void SetCommandLine(const QStringList& args) { m_args = args; }
    const QStringList& GetCommandLine() const { return m_args; }
    void ParseCommandLine(CCommandLineInfo& info) const;
    bool ProcessShellCommand(CCommandLineInfo& info);

    CDocument* OpenDocumentFile(const QString& path);
    virtual void AddToRecentFileList(const QString& path);
    // Takes path out of the recent-file list (a file that no longer opens).
    void RemoveFromRecentFileList(const QString& path);
    CRecentFileList* GetRecentFileList() const { return m_recentFiles.get(); }

    // The application title: the name given to the constructor, else string
    // AFX_IDS_APP_TITLE, else Qt's application name.
    QString GetAppName() const;
    CFrameWnd* m_pMainWnd = nullptr;

    // The framework's commands.
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    void OnAppExit();
    bool OnOpenRecentFile(unsigned id);
    bool OnCommand(unsigned id) override;
    bool OnUpdateCommandUI(unsigned id, CCmdUI& ui) override;

private:
    QString m_appName;
    QString m_registryKey;
    QStringList m_args;
    std::unique_ptr<QSettings> m_settings;
    std::unique_ptr<CRecentFileList> m_recentFiles;
    std::unique_ptr<CSingleDocTemplate> m_docTemplate;
    std::unique_ptr<QPrinter> m_printer; // the printer settings of Print Setup
};

CWinApp* AfxGetApp();
CFrameWnd* AfxGetMainWnd();
QString AfxGetAppName();
