// Message box, modal dialogs and the file dialog: the real dialogs driven
// with Qt Test, and the test seams.

#include "tests/support/guitestutil.h"

#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "platform/resources.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace {

class DialogsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        platform::resources().setString(AFX_IDS_APP_TITLE, QStringLiteral("Tavro"));
        m_oldDir = QDir::currentPath();
        ASSERT_TRUE(m_dir.isValid());
        QDir::setCurrent(m_dir.path());
    }
    void TearDown() override
    {
        QDir::setCurrent(m_oldDir);
        platform::setMessageBoxHook({});
        platform::setFileDialogHook({});
    }
    void touch(const QString& name, const QByteArray& content = "x")
    {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    // Types text into the open file dialog and presses Enter.
    static std::shared_ptr<bool> typeIntoNextFileDialog(const QString& text)
    {
        return guitest::onNextModal([text](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            ASSERT_NE(dialog, nullptr);
            auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            ASSERT_NE(edit, nullptr);
            // Set, not typed: typing starts the name completion, whose popup
            // (shown whenever the folder listing arrives) would take the Enter.
            edit->setText(text);
            QTest::keyClick(edit, Qt::Key_Return);
        });
    }

    QTemporaryDir m_dir;
    QString m_oldDir;
};

const char* const kMeshFilter
    = "Ply Files (*.ply)|*.ply|Wavefront Files (*.obj)|*.obj|Dat Files (*.dat)|*.dat|All Files (*.*)|*.*||";

TEST(FileDialogFilter, PipeSeparatedPairsBecomeQtNameFilters)
{
    EXPECT_EQ(CFileDialog::ConvertFilter(QString::fromLatin1(kMeshFilter)),
              QStringList({"Ply Files (*.ply)", "Wavefront Files (*.obj)", "Dat Files (*.dat)", "All Files (*)"}));
    EXPECT_EQ(CFileDialog::ConvertFilter("Pictures|*.png;*.jpg||"), QStringList({"Pictures (*.png *.jpg)"}));
    EXPECT_EQ(CFileDialog::ConvertFilter("Pictures (*.png;*.jpg)|*.png;*.jpg||"),
              QStringList({"Pictures (*.png *.jpg)"}));
    EXPECT_TRUE(CFileDialog::ConvertFilter("").isEmpty());
    EXPECT_TRUE(CFileDialog::ConvertFilter("||").isEmpty());
    EXPECT_TRUE(CFileDialog::ConvertFilter("Name without patterns").isEmpty());
}

TEST(FileDialogFilter, DefaultExtensionIsThePlainExtension)
{
    EXPECT_EQ(CFileDialog::NormalizeDefaultExtension("*.ply"), "ply");
    EXPECT_EQ(CFileDialog::NormalizeDefaultExtension(".ply"), "ply");
    EXPECT_EQ(CFileDialog::NormalizeDefaultExtension("ply"), "ply");
    EXPECT_EQ(CFileDialog::NormalizeDefaultExtension("*.*"), "");
    EXPECT_EQ(CFileDialog::NormalizeDefaultExtension(""), "");
}

TEST_F(DialogsTest, FileDialogHookAnswersInsteadOfTheRealDialog)
{
    int asked = 0;
    platform::setFileDialogHook([&](CFileDialog& dialog) {
        ++asked;
        EXPECT_TRUE(dialog.IsOpenDialog());
        EXPECT_EQ(dialog.GetDefExt(), "ply");
        EXPECT_EQ(dialog.GetFlags(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT);
        EXPECT_EQ(dialog.GetNameFilters().size(), 4);
        dialog.SetPathName(QStringLiteral("/data/meshes/bunny.v2.ply"));
        return IDOK;
    });
    CFileDialog dialog(true, "*.ply", QString(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kMeshFilter);
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(dialog.GetPathName(), "/data/meshes/bunny.v2.ply");
    EXPECT_EQ(dialog.GetFileName(), "bunny.v2.ply");
    EXPECT_EQ(dialog.GetFileExt(), "ply");
    EXPECT_EQ(dialog.GetFileTitle(), "bunny.v2");

    platform::setFileDialogHook([](CFileDialog&) { return IDCANCEL; });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
}

TEST_F(DialogsTest, RealOpenDialogCompletesATypedNameWithTheDefaultExtension)
{
    touch("mesh.ply");
    touch("README");
    CFileDialog dialog(true, "*.ply", QString(), OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, kMeshFilter);

    auto answered = typeIntoNextFileDialog("mesh");
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(*answered);
    EXPECT_EQ(dialog.GetPathName(), m_dir.filePath("mesh.ply"));

    // A name that exists as typed is taken as it is.
    answered = typeIntoNextFileDialog("README");
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName(), m_dir.filePath("README"));

    // A full path works too.
    answered = typeIntoNextFileDialog(m_dir.filePath("mesh.ply"));
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName(), m_dir.filePath("mesh.ply"));
}

TEST_F(DialogsTest, RealOpenDialogCancelledWithEscape)
{
    CFileDialog dialog(true, "*.ply", QString(), OFN_HIDEREADONLY, kMeshFilter);
    auto answered = guitest::onNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_TRUE(*answered);
    EXPECT_TRUE(dialog.GetPathName().isEmpty());
}

TEST_F(DialogsTest, RealOpenDialogShowsTheFilterAndTheCurrentFolder)
{
    CFileDialog dialog(true, "*.ply", QString(), OFN_HIDEREADONLY, kMeshFilter);
    QStringList filters;
    QString folder;
    auto answered = guitest::onNextModal([&](QWidget* modal) {
        auto* fileDialog = qobject_cast<QFileDialog*>(modal);
        ASSERT_NE(fileDialog, nullptr);
        filters = fileDialog->nameFilters();
        folder = fileDialog->directory().absolutePath();
        fileDialog->reject();
    });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(filters, CFileDialog::ConvertFilter(kMeshFilter));
    EXPECT_EQ(QDir(folder).canonicalPath(), QDir(m_dir.path()).canonicalPath());
}

TEST_F(DialogsTest, RealSaveDialogAddsTheDefaultExtension)
{
    CFileDialog dialog(false, "ply", "Untitled", OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT, "Ply Files (*.ply)|*.ply||");
    auto answered = typeIntoNextFileDialog("out");
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.GetPathName(), m_dir.filePath("out.ply"));
}

TEST_F(DialogsTest, MessageBoxHasTheApplicationTitleAndOneOkButton)
{
    QString title, text;
    int buttons = -1;
    auto answered = guitest::onNextModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        text = box->text();
        buttons = static_cast<int>(box->buttons().size());
        QTest::keyClick(box, Qt::Key_Return);
    });
    EXPECT_EQ(AfxMessageBox(nullptr, QStringLiteral("SetPixelFormat failed")), IDOK);
    EXPECT_TRUE(*answered);
    EXPECT_EQ(title, "Tavro");
    EXPECT_EQ(text, "SetPixelFormat failed");
    EXPECT_EQ(buttons, 1);
}

TEST_F(DialogsTest, MessageBoxHookAnswersInsteadOfTheRealBox)
{
    QWidget owner;
    QWidget* seenOwner = nullptr;
    QString seenText;
    platform::setMessageBoxHook([&](QWidget* o, const QString& t) {
        seenOwner = o;
        seenText = t;
        return IDOK;
    });
    EXPECT_EQ(AfxMessageBox(&owner, QStringLiteral("ChoosePixelFormat failed")), IDOK);
    EXPECT_EQ(seenOwner, &owner);
    EXPECT_EQ(seenText, "ChoosePixelFormat failed");
}

// A dialog that records its handlers and can refuse OK.
class RecordingDialog : public CDialog {
public:
    explicit RecordingDialog() : CDialog(IDD_INPUT_TEXT)
    {
        auto* layout = new QVBoxLayout(this);
        edit = new QLineEdit(this);
        ok = new QPushButton(QStringLiteral("OK"), this);
        ok->setDefault(true);
        layout->addWidget(edit);
        layout->addWidget(ok);
        SetDlgCtrlID(edit, IDC_INPUT_EDIT);
        connect(ok, &QPushButton::clicked, this, [this] { accept(); });
    }
    bool OnInitDialog() override
    {
        calls << "init";
        return CDialog::OnInitDialog();
    }
    void DoDataExchange(bool save) override
    {
        calls << (save ? "save" : "load");
        if (save)
            value = edit->text();
        else
            edit->setText(value);
    }
    void OnOK() override
    {
        calls << "ok";
        if (refuseOk)
            return;
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        calls << "cancel";
        CDialog::OnCancel();
    }
    QStringList calls;
    QString value = QStringLiteral("start");
    bool refuseOk = false;
    QLineEdit* edit;
    QPushButton* ok;
};

TEST(DialogTest, OkRunsTheHandlerAndExchangesData)
{
    RecordingDialog dialog;
    EXPECT_EQ(dialog.GetDlgItem(IDC_INPUT_EDIT), dialog.edit);
    EXPECT_EQ(dialog.GetDlgItem(999), nullptr);
    auto answered = guitest::onNextModal([&](QWidget*) {
        EXPECT_EQ(dialog.edit->text(), "start");
        dialog.edit->setText(QStringLiteral("typed"));
        QTest::mouseClick(dialog.ok, Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_EQ(dialog.calls, QStringList({"init", "load", "ok", "save"}));
    EXPECT_EQ(dialog.value, "typed");
}

TEST(DialogTest, EscapeAndTheCloseBoxCancel)
{
    RecordingDialog dialog;
    auto answered = guitest::onNextModal([](QWidget* modal) { QTest::keyClick(modal, Qt::Key_Escape); });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.calls.last(), "cancel");

    dialog.calls.clear();
    answered = guitest::onNextModal([](QWidget* modal) { modal->close(); });
    EXPECT_EQ(dialog.DoModal(), IDCANCEL);
    EXPECT_EQ(dialog.calls, QStringList({"init", "load", "cancel"}));
}

TEST(DialogTest, OkHandlerThatRefusesKeepsTheDialogOpen)
{
    RecordingDialog dialog;
    dialog.refuseOk = true;
    bool stillOpen = false;
    auto answered = guitest::onNextModal([&](QWidget*) {
        QTest::mouseClick(dialog.ok, Qt::LeftButton);
        stillOpen = dialog.isVisible();
        dialog.refuseOk = false;
        QTest::mouseClick(dialog.ok, Qt::LeftButton);
    });
    EXPECT_EQ(dialog.DoModal(), IDOK);
    EXPECT_TRUE(stillOpen);
}

} // namespace
