// File > Export Picture: the view's frame as shown, written as PNG or JPEG;
// an existing file is replaced only when the user says so, and a place that
// cannot be written loses nothing.
#include "viewerwindow.h"

#include "platform/commandids.h"
#include "platform/dialogs.h"
#include "tests/support/guitestutil.h"
#include "tests/support/plytexts.h"
#include "viewer/tavroview.h"

#include <QAbstractButton>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QMessageBox>
#include <QTest>

#include <gtest/gtest.h>

using namespace viewertest;

namespace {

class ExportPictureTest : public ViewerTest {
protected:
    ExportPictureTest() : ViewerTest(200, 160) { }

    // File > Export Picture with the file dialog answered by path; the name
    // and the folder the dialog suggested.
    void exportTo(const QString& path, QString* suggested = nullptr, QString* folder = nullptr)
    {
        platform::setFileDialogHook([&](CFileDialog& dialog) {
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

    // Answers the next message box with button; its text.
    std::shared_ptr<bool> answerNextBox(QMessageBox::StandardButton button, QString& text)
    {
        return guitest::onNextModal([button, &text](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            ASSERT_NE(box, nullptr);
            text = box->text();
            box->button(button)->click();
        });
    }
};

TEST_F(ExportPictureTest, WritesTheFrameAsShownPixelForPixel)
{
    const QString sample = QDir(QStringLiteral(BRENVIK_SAMPLES_DIR)).filePath(QStringLiteral("torus.ply"));
    ASSERT_TRUE(window->openThroughDialog(sample));
    window->command(ID_SHADING_SMOOTH);
    window->command(ID_VIEW_INFO);
    const guitest::PixelFrame frame = window->readFront();
    const unsigned long frames = window->frames();

    QString suggested, folder;
    exportTo(dir.filePath(QStringLiteral("out.png")), &suggested, &folder);
    EXPECT_EQ(suggested, QStringLiteral("torus.png"));
    EXPECT_EQ(folder, QStringLiteral(BRENVIK_SAMPLES_DIR));
    EXPECT_EQ(window->frames(), frames) << "exporting presents no frame";
    const QImage picture = QImage(dir.filePath(QStringLiteral("out.png"))).convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(picture.size(), QSize(frame.width(), frame.height()));
    const guitest::PixelFrame written(frame.width(), frame.height(), [&] {
        std::vector<unsigned char> rgb;
        for (int y = frame.height() - 1; y >= 0; --y)
            rgb.insert(rgb.end(), picture.constScanLine(y), picture.constScanLine(y) + frame.width() * 3);
        return rgb;
    }());
    EXPECT_EQ(written.countDifferent(frame), 0);

    exportTo(dir.filePath(QStringLiteral("out.jpg")));
    QImageReader jpeg(dir.filePath(QStringLiteral("out.jpg")));
    EXPECT_EQ(jpeg.format(), "jpeg");
    EXPECT_EQ(jpeg.size(), picture.size());
}

TEST_F(ExportPictureTest, AsksBeforeReplacingAndLosesNothingWhereItCannotWrite)
{
    load(kCubePly);
    const QString taken = writeFile(QStringLiteral("taken.png"), "keep");
    struct Row {
        QMessageBox::StandardButton answer;
        bool replaced;
    };
    for (const Row& row : {Row{QMessageBox::No, false}, Row{QMessageBox::Yes, true}}) {
        QString text;
        auto answered = answerNextBox(row.answer, text);
        exportTo(taken);
        EXPECT_TRUE(*answered);
        EXPECT_EQ(text, taken + QStringLiteral(" already exists.\nDo you want to replace it?"));
        EXPECT_EQ(!QImage(taken).isNull(), row.replaced);
    }

    // A folder that is a plain file: nothing is written anywhere, and the
    // user is told.
    const QStringList before = QDir(dir.path()).entryList(QDir::Files);
    QString text;
    auto answered = answerNextBox(QMessageBox::Ok, text);
    exportTo(dir.filePath(QStringLiteral("taken.png/out.png")));
    EXPECT_TRUE(*answered);
    EXPECT_TRUE(text.contains(QStringLiteral("could not be written"))) << text.toStdString();
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), before);
    EXPECT_FALSE(QImage(taken).isNull());
}

} // namespace
