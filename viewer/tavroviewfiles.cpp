#include "viewer/tavroview.h"

#include "model/meshmodel.h"
#include "model/modelfacts.h"
#include "platform/dialogs.h"
#include "platform/framewnd.h"
#include "render/picture.h"
#include "viewer/propertiesdialog.h"
#include "viewer/viewersettings.h"
#include "viewer/viewerstate.h"

#include <QDir>
#include <QFileInfo>
#include <QOpenGLContext>

// The view's file commands after Open: Reload and Reload When Changed (the
// open file reads itself again when it changes), Export Picture and
// Properties.

namespace {

const char* const kExportFilter = "PNG Files (*.png)|*.png|JPEG Files (*.jpg;*.jpeg)|*.jpg;*.jpeg||";

// The picture format a file name asks for: "PNG", "JPEG", or null for a
// name whose extension is neither.
const char* pictureFormat(const QString& path)
{
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("png"))
        return "PNG";
    if (suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return "JPEG";
    return nullptr;
}

} // namespace

QString CTavroView::openFilePath() const
{
    return m_openedFile->path();
}

// ---------------------------------------------------------------------------
// Reload.

void CTavroView::OnFileReload()
{
    if (openFilePath().isEmpty() || isLoading())
        return;
    // The model on screen stays until the new one has arrived; the open
    // file's signals say how it went.
    std::string why;
    m_openedFile->reload(why);
}

void CTavroView::OnReloadWhenChanged()
{
    m_openedFile->setReloadsWhenChanged(!m_openedFile->reloadsWhenChanged());
}

// ---------------------------------------------------------------------------
// Export Picture.

std::vector<unsigned char> CTavroView::ReadPicture()
{
    m_arrivingFrameDrawn = false; // the back buffer gets this picture
    if (!m_hRC || !m_pDC || !m_pDC->MakeCurrent(m_hRC))
        return {};
    DrawScene(CurrentScene(), m_modelBuffers);
    std::vector<unsigned char> rgb = ReadBackPicture(g_windowWidth, g_windowHeight);
    GLSurface::MakeNoneCurrent();
    return rgb;
}

void CTavroView::OnFileExportPicture()
{
    const QString model = openFilePath();
    const QString suggested
        = (model.isEmpty() ? QStringLiteral("Untitled") : QFileInfo(model).completeBaseName()) + QStringLiteral(".png");
    CFileDialog dialog(false, QStringLiteral("png"), suggested, OFN_HIDEREADONLY, QString::fromLatin1(kExportFilter),
                       this);
    dialog.SetTitle(QStringLiteral("Export Picture"));
    dialog.SetInitialDir(lastFileFolder());
    if (dialog.DoModal() != IDOK)
        return;
    QString path = dialog.GetPathName();
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".png");
    const char* format = pictureFormat(path);
    if (!format) {
        AfxMessageBox(this, QStringLiteral("%1: pictures are written as PNG (.png) or JPEG (.jpg)")
                                .arg(QDir::toNativeSeparators(path)));
        return;
    }
    if (QFileInfo::exists(path)
        && AfxMessageBox(
               this,
               QStringLiteral("%1 already exists.\nDo you want to replace it?").arg(QDir::toNativeSeparators(path)),
               MB_YESNO)
               != IDYES)
        return;
    const std::vector<unsigned char> rgb = ReadPicture();
    QString reason = QStringLiteral("there is no OpenGL picture to write");
    if (rgb.empty() || !WritePicture(path, rgb, g_windowWidth, g_windowHeight, format, &reason))
        AfxMessageBox(this, QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(path), reason));
}

// Properties.

void CTavroView::OnFileProperties()
{
    if (isLoading() || g_model == nullptr || g_model->vertexCount == 0)
        return;
    PropertiesDialog dialog(QString::fromStdString(modelFactsLines(measureModel(*g_model))), this);
    dialog.DoModal();
}
