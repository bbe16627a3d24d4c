#pragma once

#include "platform/cmdtarget.h"
#include "platform/commandlineinfo.h"
#include "platform/framewnd.h"
#include "platform/recentfilelist.h"
#include "platform/singledoctemplate.h"

#include <QString>
#include <QStringList>

#include <memory>

class QPrinter;
class QSettings;

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
