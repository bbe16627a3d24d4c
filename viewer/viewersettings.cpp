#include "viewer/viewersettings.h"

#include "platform/winapp.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>

namespace {

const QString kSection = QStringLiteral("Settings");
const QString kLastFolder = QStringLiteral("Last Folder");
const QString kReloadWhenChanged = QStringLiteral("Reload When Changed");
const QString kOrthographic = QStringLiteral("Orthographic");
const QString kFastDrawing = QStringLiteral("Fast Drawing While Moving");

// The values of a process without an application object.
QString g_lastFolder;
bool g_reloadWhenChanged = true;
bool g_orthographicView = false;
bool g_fastDrawing = true;

} // namespace

QString lastFileFolder()
{
    CWinApp* app = AfxGetApp();
    const QString folder = app ? app->GetProfileString(kSection, kLastFolder) : g_lastFolder;
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QString();
}

void rememberFileFolder(const QString& path)
{
    const QString folder = QDir::cleanPath(QFileInfo(path).absolutePath());
    CWinApp* app = AfxGetApp();
    if (!app) {
        g_lastFolder = folder;
        return;
    }
    if (app->GetProfileString(kSection, kLastFolder) == folder)
        return;
    app->WriteProfileString(kSection, kLastFolder, folder);
    app->GetSettings()->sync();
}

bool reloadWhenChanged()
{
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileInt(kSection, kReloadWhenChanged, 1) != 0 : g_reloadWhenChanged;
}

void setReloadWhenChanged(bool on)
{
    CWinApp* app = AfxGetApp();
    if (!app) {
        g_reloadWhenChanged = on;
        return;
    }
    app->WriteProfileInt(kSection, kReloadWhenChanged, on ? 1 : 0);
    app->GetSettings()->sync();
}

bool orthographicView()
{
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileInt(kSection, kOrthographic, 0) != 0 : g_orthographicView;
}

void setOrthographicView(bool on)
{
    CWinApp* app = AfxGetApp();
    if (!app) {
        g_orthographicView = on;
        return;
    }
    app->WriteProfileInt(kSection, kOrthographic, on ? 1 : 0);
    app->GetSettings()->sync();
}

bool fastDrawingWhileMoving()
{
    CWinApp* app = AfxGetApp();
    return app ? app->GetProfileInt(kSection, kFastDrawing, 1) != 0 : g_fastDrawing;
}

void setFastDrawingWhileMoving(bool on)
{
    CWinApp* app = AfxGetApp();
    if (!app) {
        g_fastDrawing = on;
        return;
    }
    app->WriteProfileInt(kSection, kFastDrawing, on ? 1 : 0);
    app->GetSettings()->sync();
}
