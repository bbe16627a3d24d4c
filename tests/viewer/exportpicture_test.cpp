// File > Export Picture: the frame as shown, as PNG or JPEG; an existing file
// is replaced only after a Yes, and a place that cannot be written loses
// nothing.
#include "viewerwindow.h"

#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "tests/support/guitestutil.h"
#include "tests/support/plytexts.h"

#include <QAbstractButton>
#include <QDir>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>

#include <gtest/gtest.h>

using namespace viewertest;

namespace {

class ExportPictureTest : public ViewerTest {
protected:
    ExportPictureTest() : ViewerTest(200, 160) { }

    // File > Export Picture, the dialog answered with path; what it offered.
    void exportTo(const QString& path, QString* suggested = nullptr, QString* folder = nullptr)
    {
        platform::setFileDialogHook([&](CFileDialog& dialog) {
            EXPECT_EQ(dialog.GetTitle(), "Export Picture");
            if (suggested)
                *suggested = dialog.GetInitialFileName();
            if (folder)
                *folder = dialog.GetInitialDir();
            dialog.SetPathName(path);
            return IDOK;
        });
        EXPECT_TRUE(window->command(ID_FILE_EXPORT_PICTURE));
        platform::setFileDialogHook({});
    }

    // Answers the next message box with button, keeping its text.
    std::shared_ptr<bool> answerNextBox(QMessageBox::StandardButton button)
    {
        return guitest::onNextModal([this, button](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            boxText = box->text();
            box->button(button)->click();
        });
    }
    QString boxText;
};

TEST_F(ExportPictureTest, WritesTheFrameAsShownPixelForPixel)
{
    ASSERT_TRUE(window->openThroughDialog(QStringLiteral(BRENVIK_SAMPLES_DIR "/torus.ply")));
    window->command(ID_SHADING_SMOOTH);
    window->command(ID_VIEW_INFO);
    const guitest::PixelFrame frame = window->readFront();
    const unsigned long frames = window->frames();

    QString suggested, folder;
    exportTo(dir.filePath("out.png"), &suggested, &folder);
    EXPECT_EQ(suggested, "torus.png");
    EXPECT_EQ(folder, BRENVIK_SAMPLES_DIR);
    EXPECT_EQ(window->frames(), frames) << "exporting presents no frame";
    const QImage picture = QImage(dir.filePath("out.png")).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(picture.size(), QSize(frame.width(), frame.height()));
    int differing = 0;
    for (int y = 0; y < frame.height(); ++y)
        for (int x = 0; x < frame.width(); ++x) {
            const QRgb p = picture.pixel(x, frame.height() - 1 - y);
            differing += frame.is(x, y, guitest::Rgb{qRed(p), qGreen(p), qBlue(p)}, 0) ? 0 : 1;
        }
    EXPECT_EQ(differing, 0);

    exportTo(dir.filePath("out.jpg"));
    EXPECT_EQ(QImageReader(dir.filePath("out.jpg")).format(), "jpeg");
}

TEST_F(ExportPictureTest, AsksBeforeReplacingAndLosesNothingWhereItCannotWrite)
{
    load(kCubePly);
    const QString taken = writeFile(QStringLiteral("taken.png"), "keep");
    for (const QMessageBox::StandardButton answer : {QMessageBox::No, QMessageBox::Yes}) {
        auto answered = answerNextBox(answer);
        exportTo(taken);
        EXPECT_TRUE(*answered);
        EXPECT_EQ(boxText, taken + " already exists.\nDo you want to replace it?");
        EXPECT_EQ(QImage(taken).isNull(), answer == QMessageBox::No);
    }

    // A folder that is a plain file: the user is told, nothing is written.
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    auto answered = answerNextBox(QMessageBox::Ok);
    exportTo(dir.filePath("taken.png/out.png"));
    EXPECT_TRUE(*answered);
    EXPECT_TRUE(boxText.contains("could not be written")) << boxText.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
    EXPECT_FALSE(QImage(taken).isNull());
}

} // namespace
