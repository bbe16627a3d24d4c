#pragma once

#include "platform/commandids.h" // IDOK, IDCANCEL

#include <QDialog>
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// File dialog options.
constexpr unsigned OFN_READONLY = 0x00000001;
constexpr unsigned OFN_OVERWRITEPROMPT = 0x00000002;
constexpr unsigned OFN_HIDEREADONLY = 0x00000004;
constexpr unsigned OFN_PATHMUSTEXIST = 0x00000800;
constexpr unsigned OFN_FILEMUSTEXIST = 0x00001000;

// Message box buttons.
constexpr unsigned MB_OK = 0x00000000;
constexpr unsigned MB_YESNO = 0x00000004;

// Modal message box with an OK button and the application title ("Tavro") as
// caption. Returns IDOK.
int AfxMessageBox(QWidget* owner, const QString& text);
// The same with the buttons of type: MB_OK (returns IDOK) or MB_YESNO, a
// question (returns IDYES or IDNO; No is the default button, and the close
// box or Esc answer No).
int AfxMessageBox(QWidget* owner, const QString& text, unsigned type);

// A modal dialog. DoModal returns IDOK or IDCANCEL after the dialog's own
// handlers ran: the OK button and Enter (accept) call OnOK, Cancel, Escape and
// the close box (reject) call OnCancel.
class CDialog : public QDialog {
    Q_OBJECT
public:
    explicit CDialog(unsigned templateId = 0, QWidget* parent = nullptr);
    ~CDialog() override;

    // Runs OnInitDialog, then the dialog modally; IDOK or IDCANCEL.
    virtual int DoModal();
    // Before the dialog is shown; the default transfers data into the
    // controls (UpdateData(false)). Return true to leave the focus where Qt
    // puts it, false when the handler set the focus itself.
    virtual bool OnInitDialog();
    // Default: UpdateData(true), and when that succeeds EndDialog(IDOK).
    virtual void OnOK();
    // Default: EndDialog(IDCANCEL).
    virtual void OnCancel();
    // Moves data between members and controls (saveAndValidate: controls ->
    // members). The default does nothing.
    virtual void DoDataExchange(bool saveAndValidate);
    bool UpdateData(bool saveAndValidate = true);
    void EndDialog(int result);

    unsigned GetTemplateId() const { return m_templateId; }
    // Control ids: tag a widget with its id, find it again.
    static void SetDlgCtrlID(QWidget* control, unsigned id);
    QWidget* GetDlgItem(unsigned id) const;
    void SetWindowText(const QString& text) { setWindowTitle(text); }

    void accept() override;
    void reject() override;

private:
    unsigned m_templateId;
};

// The standard file dialog, open or save.
class CFileDialog {
public:
    // defaultExtension: "ply", ".ply" or "*.ply" all mean "ply"; appended to
    // a typed name that has no extension. filter: "Name (*.a)|*.a|Other|*.b;*.c||".
    CFileDialog(bool openFileDialog, const QString& defaultExtension = QString(), const QString& fileName = QString(),
                unsigned flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, const QString& filter = QString(),
                QWidget* parent = nullptr);

    // Shows the dialog (or asks the test hook); IDOK or IDCANCEL.
    int DoModal();

    QString GetPathName() const { return m_pathName; } // full path chosen
    QString GetFileName() const;                       // its file name
    QString GetFileExt() const;                        // its extension, no dot
    QString GetFileTitle() const;                      // file name without extension
    void SetPathName(const QString& path) { m_pathName = path; }
    // The folder the dialog starts in (empty: the working folder).
    void SetInitialDir(const QString& folder) { m_initialDir = folder; }
    QString GetInitialDir() const { return m_initialDir; }
    // The dialog's title: "Open" or "Save As" unless another is given.
    void SetTitle(const QString& title) { m_title = title; }
    QString GetTitle() const;

    bool IsOpenDialog() const { return m_open; }
    QString GetDefExt() const { return m_defExt; }
    QString GetInitialFileName() const { return m_initialFileName; }
    unsigned GetFlags() const { return m_flags; }
    QString GetFilter() const { return m_filter; }
    // The filter in Qt's form, one entry per name: "Ply Files (*.ply)".
    QStringList GetNameFilters() const;
    QWidget* GetParent() const { return m_parent; }

    static QString NormalizeDefaultExtension(const QString& ext);
    static QStringList ConvertFilter(const QString& filter);

private:
    bool m_open;
    QString m_defExt;
    QString m_initialFileName;
    unsigned m_flags;
    QString m_filter;
    QWidget* m_parent;
    QString m_pathName;
    QString m_initialDir;
    QString m_title;
};

namespace platform {
// Test seams: when installed, the hook answers instead of the real dialog.
// The program never installs them. Pass an empty function to remove.
using MessageBoxHook = std::function<int(QWidget*, const QString&)>;
using FileDialogHook = std::function<int(CFileDialog&)>;
void setMessageBoxHook(MessageBoxHook hook);
void setFileDialogHook(FileDialogHook hook);
} // namespace platform
