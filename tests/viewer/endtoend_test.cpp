// The real program: started from the samples folder, a sample opened through
// the real Open dialog by typing its path, and the model checked on the
// screen.
#include "tests/support/pixelframe.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRect>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

const QString kProgram = QStringLiteral(BRENVIK_BINARY_DIR "/app/brenvik");
const QString kSamples = QStringLiteral(BRENVIK_SAMPLES_DIR);

// Runs xdotool; its standard output, or a null string when it failed.
QString xdotool(const QStringList& arguments, int timeoutMs = 10000)
{
    QProcess tool;
    tool.start(QStringLiteral("xdotool"), arguments);
    if (!tool.waitForFinished(timeoutMs) || tool.exitStatus() != QProcess::NormalExit || tool.exitCode() != 0) {
        tool.kill();
        tool.waitForFinished(1000);
        return QString();
    }
    const QString out = QString::fromLocal8Bit(tool.readAllStandardOutput()).trimmed();
    return out.isNull() ? QStringLiteral("") : out;
}

// The first visible window of process pid whose title matches name,
// waiting for it.
QString findWindow(qint64 pid, const QString& name)
{
    QString id;
    const bool found = QTest::qWaitFor(
        [&] {
            const QString list
                = xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                           QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"), name},
                          3000);
            id = list.section(QLatin1Char('\n'), 0, 0).trimmed();
            return !id.isEmpty();
        },
        15000);
    return found ? id : QString();
}

QRect windowGeometry(const QString& id)
{
    const QString shell = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), id});
    QRect r;
    for (const QString& line : shell.split(QLatin1Char('\n'))) {
        const QString key = line.section(QLatin1Char('='), 0, 0);
        const int value = line.section(QLatin1Char('='), 1).toInt();
        if (key == QLatin1String("X"))
            r.moveLeft(value);
        else if (key == QLatin1String("Y"))
            r.moveTop(value);
        else if (key == QLatin1String("WIDTH"))
            r.setWidth(value);
        else if (key == QLatin1String("HEIGHT"))
            r.setHeight(value);
    }
    return r;
}

// Share of lit grey pixels (model or grid) in a box around the window centre.
double litShareAtCentre(const QImage& screen, const QRect& window)
{
    const QPoint c = window.center();
    int lit = 0;
    int all = 0;
    for (int y = c.y() - 20; y < c.y() + 20; ++y)
        for (int x = c.x() - 20; x < c.x() + 20; ++x) {
            const QRgb p = screen.pixel(x, y);
            ++all;
            if (qRed(p) > 60 && std::abs(qRed(p) - qGreen(p)) < 8 && std::abs(qGreen(p) - qBlue(p)) < 8)
                ++lit;
        }
    return static_cast<double>(lit) / all;
}

QImage grabScreen()
{
    return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
}

// The screen once the area stops changing between two grabs.
QImage settledScreen(const QRect& area)
{
    QImage last;
    QImage screen;
    (void)QTest::qWaitFor(
        [&] {
            screen = grabScreen();
            const QImage now = screen.copy(area);
            const bool same = now == last;
            last = now;
            return same;
        },
        10000);
    return screen;
}

// True while a visible "Open" window of process pid is on the screen.
bool openDialogShown(qint64 pid)
{
    return !xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--onlyvisible"),
                     QStringLiteral("--pid"), QString::number(pid), QStringLiteral("--name"), QStringLiteral("^Open$")},
                    3000)
                .isNull();
}

void stop(QProcess& program)
{
    program.terminate();
    if (!program.waitForFinished(5000)) {
        program.kill();
        program.waitForFinished(5000);
    }
}

// Waits for the middle of the window to be filled by a model.
bool modelShownAtCentre(const QRect& geometry, const QString& imageName)
{
    QImage screen;
    const bool shown = QTest::qWaitFor(
        [&] {
            screen = grabScreen();
            return litShareAtCentre(screen, geometry) > 0.95;
        },
        15000);
    screen.copy(geometry).save(guitest::debugImagePath(imageName));
    return shown;
}

TEST(EndToEnd, ShowsTheFileNamedOnTheCommandLine)
{
    if (!QFileInfo(kProgram).isExecutable())
        FAIL() << "build the brenvik program first: " << kProgram.toStdString();
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "xdotool is not installed";
    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(kSamples);
    program.start(kProgram, {QStringLiteral("sphere.ply")});
    ASSERT_TRUE(program.waitForStarted(10000));
    const QString mainWindow = findWindow(program.processId(), QStringLiteral("^sphere.ply - Brenvik$"));
    ASSERT_FALSE(mainWindow.isEmpty()) << "no window titled with the file";
    EXPECT_TRUE(modelShownAtCentre(windowGeometry(mainWindow), QStringLiteral("command-line.png")))
        << "no model on the screen";
    stop(program);
}

TEST(EndToEnd, OpensASampleThroughTheRealOpenDialog)
{
    if (!QFileInfo(kProgram).isExecutable())
        FAIL() << "build the brenvik program first: " << kProgram.toStdString();
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        GTEST_SKIP() << "xdotool is not installed";
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X display";
    const QString sample = QDir(kSamples).absoluteFilePath(QStringLiteral("sphere.ply"));
    ASSERT_TRUE(QFileInfo::exists(sample));

    QTemporaryDir config;
    ASSERT_TRUE(config.isValid());
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    program.setProcessEnvironment(env);
    program.setWorkingDirectory(kSamples);
    program.start(kProgram, {});
    ASSERT_TRUE(program.waitForStarted(10000));

    const QString mainWindow = findWindow(program.processId(), QStringLiteral("Brenvik"));
    ASSERT_FALSE(mainWindow.isEmpty()) << "the main window did not appear";
    const QRect geometry = windowGeometry(mainWindow);
    ASSERT_GT(geometry.width(), 100);
    // The empty view: grid lines at most around the centre.
    const double before = litShareAtCentre(settledScreen(geometry), geometry);
    EXPECT_LT(before, 0.5);

    // File > Open with its accelerator, then type the path into the dialog.
    ASSERT_FALSE(xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), mainWindow}).isNull());
    ASSERT_FALSE(xdotool({QStringLiteral("key"), QStringLiteral("ctrl+o")}).isNull());
    const QString dialog = findWindow(program.processId(), QStringLiteral("^Open$"));
    ASSERT_FALSE(dialog.isEmpty()) << "the Open dialog did not appear";
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), dialog});
    ASSERT_TRUE(QTest::qWaitFor([&] { return xdotool({QStringLiteral("getwindowfocus")}) == dialog; }))
        << "the Open dialog did not get the keyboard";
    ASSERT_FALSE(xdotool({QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("10"), sample}).isNull());
    // Return takes the completer's suggestion when it shows one, then the
    // file: press it until the dialog is gone.
    const qint64 pid = program.processId();
    const bool closed = QTest::qWaitFor(
        [pid] {
            xdotool({QStringLiteral("key"), QStringLiteral("Return")});
            return QTest::qWaitFor([pid] { return !openDialogShown(pid); }, 1000);
        },
        10000);
    ASSERT_TRUE(closed) << "the Open dialog did not close";

    // The sphere fills the middle of the view.
    EXPECT_TRUE(modelShownAtCentre(geometry, QStringLiteral("end-to-end.png")))
        << "no model on the screen after opening " << sample.toStdString();
    stop(program);
}

} // namespace
