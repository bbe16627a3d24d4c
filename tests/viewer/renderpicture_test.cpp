// brenvik-render, run with no display at all, draws exactly the picture the
// viewer's window shows for the same file, size and settings: the window's
// presented frame and the PNG are compared pixel for pixel.
#include "viewerwindow.h"

#include "platform/commandids.h"
#include "viewer/tavroview.h"

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace viewertest;

namespace {

constexpr int kSize = 200;
const QString kTool = QStringLiteral(BRENVIK_BINARY_DIR "/tools/brenvik-render");

struct Case {
    const char* sample;
    std::vector<unsigned> commands; // given to the window after the open
    QStringList options;            // the same settings for the tool
};

// Runs the tool without DISPLAY; its picture, or a null image.
QImage renderWithoutDisplay(const QStringList& arguments, QString& errors)
{
    QProcess tool;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("DISPLAY"));
    env.remove(QStringLiteral("WAYLAND_DISPLAY"));
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    tool.setProcessEnvironment(env);
    tool.start(kTool, arguments);
    if (!tool.waitForFinished(60000) || tool.exitCode() != 0) {
        errors = QString::fromLocal8Bit(tool.readAllStandardError());
        return QImage();
    }
    return QImage(arguments.last()).convertToFormat(QImage::Format_RGB888);
}

TEST(RenderPicture, EqualsTheViewersFramePixelForPixel)
{
    const std::vector<Case> cases = {
        {"torus.ply", {}, {}},
        {"sphere.ply", {ID_SHADING_SMOOTH, ID_VIEW_INFO, ID_VIEW_MESH}, {"--shading", "smooth", "--info", "--no-grid"}},
        {"cube.ply", {ID_SHADING_WIREFRAME, ID_VIEW_AXES}, {"--shading", "wireframe", "--no-axes"}},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.sample);
        const QString sample = QDir(QStringLiteral(BRENVIK_SAMPLES_DIR)).filePath(QString::fromLatin1(c.sample));
        guitest::PixelFrame frame;
        {
            resetViewerState();
            ViewerWindow window(kSize, kSize);
            ASSERT_TRUE(window.ready()) << "no OpenGL view";
            ASSERT_TRUE(window.openThroughDialog(sample));
            for (unsigned id : c.commands)
                window.command(id);
            frame = window.readFront();
        }
        resetViewerState();

        const QString out = dir.filePath(QString::fromLatin1(c.sample) + QStringLiteral(".png"));
        QString errors;
        // (No thumbnailer's time limit: under the sanitizers on a busy
        // machine the tool may take longer than that.)
        const QImage picture
            = renderWithoutDisplay(QStringList{QStringLiteral("--size"), QStringLiteral("%1x%1").arg(kSize),
                                               QStringLiteral("--time-limit"), QStringLiteral("600")}
                                       + c.options + QStringList{sample, out},
                                   errors);
        ASSERT_FALSE(picture.isNull()) << errors.toStdString();
        ASSERT_EQ(picture.width(), frame.width());
        ASSERT_EQ(picture.height(), frame.height());
        int differing = 0;
        for (int y = 0; y < frame.height(); ++y)
            for (int x = 0; x < frame.width(); ++x) {
                const QRgb p = picture.pixel(x, frame.height() - 1 - y);
                differing += frame.is(x, y, guitest::Rgb{qRed(p), qGreen(p), qBlue(p)}, 0) ? 0 : 1;
            }
        if (differing != 0) {
            frame.savePng(
                guitest::debugImagePath(QStringLiteral("render-window-") + QString::fromLatin1(c.sample) + ".png"));
            picture.save(
                guitest::debugImagePath(QStringLiteral("render-tool-") + QString::fromLatin1(c.sample) + ".png"));
        }
        EXPECT_EQ(differing, 0);
    }
}

} // namespace
