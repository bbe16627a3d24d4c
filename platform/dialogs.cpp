#include "platform/dialogs.h"

#include "platform/commandids.h"
#include "platform/winapp.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>
#include <QMessageBox>
#include <QVariant>

namespace platform {
namespace {
MessageBoxHook& messageBoxHook()
{
    static MessageBoxHook hook;
    return hook;
}
FileDialogHook& fileDialogHook()
{
    static FileDialogHook hook;
    return hook;
}
} // namespace

void setMessageBoxHook(MessageBoxHook hook)
{
    messageBoxHook() = std::move(hook);
}

void setFileDialogHook(FileDialogHook hook)
{
    fileDialogHook() = std::move(hook);
}
} // namespace platform

int AfxMessageBox(QWidget* owner, const QString& text)
{
    return AfxMessageBox(owner, text, MB_OK);
}

int AfxMessageBox(QWidget* owner, const QString& text, unsigned type)
{
    const bool question = (type & MB_YESNO) == MB_YESNO;
    if (platform::messageBoxHook()) {
        const int answer = platform::messageBoxHook()(owner, text);
        return question ? (answer == IDYES ? IDYES : IDNO) : answer;
    }
    if (question) {
        QMessageBox box(QMessageBox::Question, AfxGetAppName(), text, QMessageBox::Yes | QMessageBox::No, owner);
        box.setDefaultButton(QMessageBox::No);
        box.setEscapeButton(QMessageBox::No);
        return box.exec() == QMessageBox::Yes ? IDYES : IDNO;
    }
    QMessageBox box(QMessageBox::Warning, AfxGetAppName(), text, QMessageBox::Ok, owner);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return IDOK;
}

// ---------------------------------------------------------------------------
// CDialog

namespace {
const char* const kControlIdProperty = "dlgCtrlId";
}

CDialog::CDialog(unsigned templateId, QWidget* parent) : QDialog(parent), m_templateId(templateId)
{
    setModal(true);
}

CDialog::~CDialog() = default;

int CDialog::DoModal()
{
    OnInitDialog();
    const int result = exec();
    return result == IDOK ? IDOK : IDCANCEL;
}

bool CDialog::OnInitDialog()
{
    UpdateData(false);
    return true;
}

void CDialog::OnOK()
{
    if (UpdateData(true))
        EndDialog(IDOK);
}

void CDialog::OnCancel()
{
    EndDialog(IDCANCEL);
}

void CDialog::DoDataExchange(bool)
{
}

bool CDialog::UpdateData(bool saveAndValidate)
{
    DoDataExchange(saveAndValidate);
    return true;
}

void CDialog::EndDialog(int result)
{
    QDialog::done(result);
}

void CDialog::accept()
{
    OnOK();
}

void CDialog::reject()
{
    OnCancel();
}

void CDialog::SetDlgCtrlID(QWidget* control, unsigned id)
{
    if (control)
        control->setProperty(kControlIdProperty, id);
}

QWidget* CDialog::GetDlgItem(unsigned id) const
{
    const auto children = findChildren<QWidget*>();
    for (QWidget* child : children) {
        const QVariant value = child->property(kControlIdProperty);
        if (value.isValid() && value.toUInt() == id)
            return child;
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// CFileDialog

namespace {

// The widget-based file dialog. In open mode a typed name without an
// extension that does not exist is completed with the default extension when
// that file exists; a name that exists as typed is taken as it is.
class FileDialog : public QFileDialog {
public:
    FileDialog(QWidget* parent, bool open, const QString& defExt) : QFileDialog(parent), m_open(open), m_defExt(defExt)
    {
    }

    void accept() override
    {
        if (m_open && !m_defExt.isEmpty()) {
            if (auto* edit = findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
                const QString typed = edit->text().trimmed();
                if (!typed.isEmpty() && !typed.contains(QLatin1Char('*')) && !typed.contains(QLatin1Char('?'))) {
                    const QString path = QDir(directory()).absoluteFilePath(typed);
                    const QFileInfo info(path);
                    const QString withExt = path + QLatin1Char('.') + m_defExt;
                    if (!info.exists() && info.suffix().isEmpty() && QFileInfo(withExt).isFile())
                        edit->setText(typed + QLatin1Char('.') + m_defExt);
                }
            }
        }
        QFileDialog::accept();
    }

private:
    bool m_open;
    QString m_defExt;
};

} // namespace

CFileDialog::CFileDialog(bool openFileDialog, const QString& defaultExtension, const QString& fileName, unsigned flags,
                         const QString& filter, QWidget* parent)
    : m_open(openFileDialog), m_defExt(NormalizeDefaultExtension(defaultExtension)), m_initialFileName(fileName),
      m_flags(flags), m_filter(filter), m_parent(parent)
{
}

QString CFileDialog::NormalizeDefaultExtension(const QString& ext)
{
    QString result = ext.trimmed();
    if (result.startsWith(QLatin1String("*.")))
        result.remove(0, 2);
    else if (result.startsWith(QLatin1Char('.')))
        result.remove(0, 1);
    // Something like "*" or "ply;obj" is no usable extension.
    if (result.contains(QLatin1Char('*')) || result.contains(QLatin1Char('?')) || result.contains(QLatin1Char(';'))
        || result.contains(QLatin1Char('/')))
        return QString();
    return result;
}

QStringList CFileDialog::ConvertFilter(const QString& filter)
{
    QStringList result;
    const QStringList parts = filter.split(QLatin1Char('|'));
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString name = parts[i].trimmed();
        const QString given = parts[i + 1].trimmed();
        if (name.isEmpty() && given.isEmpty())
            break; // the closing "||"
        const QStringList givenPatterns = given.split(QLatin1Char(';'), Qt::SkipEmptyParts);
        QStringList patterns;
        for (const QString& pattern : givenPatterns) {
            // "*.*" means every file, also one without an extension.
            const QString p = pattern.trimmed() == QLatin1String("*.*") ? QStringLiteral("*") : pattern.trimmed();
            if (!p.isEmpty() && !patterns.contains(p))
                patterns << p;
        }
        if (patterns.isEmpty())
            patterns << QStringLiteral("*");
        // Qt takes the patterns from the name's last parentheses: replace the
        // ones the name shows with the converted list, or add them.
        const QString shown = QLatin1Char('(') + givenPatterns.join(QLatin1Char(' ')).simplified() + QLatin1Char(')');
        const QString shownWithSemicolons = QLatin1Char('(') + given + QLatin1Char(')');
        if (name.endsWith(shown))
            name.chop(shown.size());
        else if (name.endsWith(shownWithSemicolons))
            name.chop(shownWithSemicolons.size());
        name = name.trimmed();
        const QString suffix = QLatin1Char('(') + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
        result << (name.isEmpty() ? suffix : name + QLatin1Char(' ') + suffix);
    }
    return result;
}

QStringList CFileDialog::GetNameFilters() const
{
    return ConvertFilter(m_filter);
}

QString CFileDialog::GetFileName() const
{
    return QFileInfo(m_pathName).fileName();
}

QString CFileDialog::GetFileExt() const
{
    const QString name = GetFileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? QString() : name.mid(dot + 1);
}

QString CFileDialog::GetFileTitle() const
{
    const QString name = GetFileName();
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

QString CFileDialog::GetTitle() const
{
    if (!m_title.isEmpty())
        return m_title;
    return m_open ? QStringLiteral("Open") : QStringLiteral("Save As");
}

int CFileDialog::DoModal()
{
    if (platform::fileDialogHook())
        return platform::fileDialogHook()(*this) == IDOK ? IDOK : IDCANCEL;

    FileDialog dialog(m_parent, m_open, m_defExt);
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowTitle(GetTitle());
    dialog.setAcceptMode(m_open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode(m_open ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    if (!m_open && !(m_flags & OFN_OVERWRITEPROMPT))
        dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    if (!m_open && !m_defExt.isEmpty())
        dialog.setDefaultSuffix(m_defExt);
    const QStringList filters = GetNameFilters();
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    dialog.setDirectory(m_initialDir.isEmpty() || !QFileInfo(m_initialDir).isDir() ? QDir::currentPath()
                                                                                   : m_initialDir);
    if (!m_initialFileName.isEmpty())
        dialog.selectFile(m_initialFileName);
    if (dialog.exec() != QDialog::Accepted)
        return IDCANCEL;
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty())
        return IDCANCEL;
    m_pathName = QDir::cleanPath(QFileInfo(files.first()).absoluteFilePath());
    return IDOK;
}
