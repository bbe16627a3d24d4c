#include "viewer/tavroview.h"

#include "model/filepath.h"
#include "model/meshmodel.h"
#include "model/modelfacts.h"
#include "platform/dialogs.h"
#include "platform/document.h"
#include "platform/framewnd.h"
#include "render/picture.h"
#include "viewer/filewatch.h"
#include "viewer/propertiesdialog.h"
#include "viewer/viewersettings.h"
#include "viewer/viewerstate.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QOpenGLContext>
#include <QTimer>

#include <utility>

// The view's file commands after Open: Reload (by hand, and by the watch of
// the open file while Reload When Changed is on) and Export Picture.

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
    const CDocument* document = GetDocument();
    return document ? document->GetPathName() : QString();
}

// ---------------------------------------------------------------------------
// Reload.

void CTavroView::OnFileReload()
{
    const QString path = openFilePath();
    if (path.isEmpty() || isLoading())
        return;
    CFrameWnd* frame = GetParentFrame();
    const QString name = QFileInfo(path).fileName();
    std::string why;
    if (!m_load->start(path, frame ? frame->statusBar() : nullptr, why)) {
        // The model on screen stays.
        ShowStatusNote(QStringLiteral("%1 not reloaded: %2").arg(name, QString::fromLocal8Bit(why.c_str())));
        return;
    }
    // The model on screen stays until the new one has arrived.
    m_reloading = true;
    m_reloadWanted = false;
    WatchLoadedFile(path);
    ShowStatusNote(QStringLiteral("Reloading %1").arg(name));
    if (frame)
        frame->UpdateCommandUI();
}

void CTavroView::OnReloadEnded(ModelLoadOutcome outcome)
{
    m_reloading = false;
    const QString name = QFileInfo(outcome.path).fileName();
    const bool loaded = outcome.model != nullptr;
    if (loaded) {
        // The camera, the shading and the colours stay; a model that brings
        // colours where the old one had none shows them, as a load does.
        ShowStatusNote(outcome.reason.empty()
                           ? QString()
                           : QStringLiteral("%1: %2").arg(name, QString::fromStdString(outcome.reason)));
        ShowArrivedModel(outcome.model, true);
    } else {
        if (outcome.cancelled)
            ShowStatusNote(QStringLiteral("Reloading cancelled"));
        else
            ShowStatusNote(QStringLiteral("%1 not reloaded: %2").arg(name, QString::fromStdString(outcome.reason)));
        RenderScene();
    }
    if (CFrameWnd* frame = GetParentFrame())
        frame->UpdateCommandUI();
    emit reloadFinished(outcome.path, loaded);
    AfterFileLoad(true, outcome.path);
}

void CTavroView::OnReloadWhenChanged()
{
    m_reloadWhenChanged = !m_reloadWhenChanged;
    setReloadWhenChanged(m_reloadWhenChanged);
    WatchOpenFile();
}

void CTavroView::WatchOpenFile()
{
    const QString path = openFilePath();
    if (path.isEmpty())
        m_fileWatch->stop();
    else
        WatchLoadedFile(path);
}

void CTavroView::WatchLoadedFile(const QString& path)
{
    if (m_reloadWhenChanged)
        m_fileWatch->watch(path);
    else
        m_fileWatch->stop();
}

void CTavroView::OnOpenFileChanged()
{
    if (!m_reloadWhenChanged)
        return;
    if (isLoading()) {
        m_reloadWanted = true; // once the running load has ended
        return;
    }
    const QString path = openFilePath();
    if (path.isEmpty())
        m_fileWatch->stop(); // the document has let go of the file
    else if (path == m_fileWatch->path())
        OnFileReload();
}

void CTavroView::AfterCancelledLoad()
{
    // The watch goes back to the open file; a change of the file that was
    // being read no longer matters.
    m_reloadWanted = false;
    WatchOpenFile();
}

void CTavroView::AfterFileLoad(bool loaded, const QString& path)
{
    if (!loaded) {
        m_fileWatch->stop();
        m_reloadWanted = false;
        return;
    }
    rememberFileFolder(path);
    if (m_reloadWanted) {
        m_reloadWanted = false;
        QTimer::singleShot(0, this, [this] { OnOpenFileChanged(); });
    }
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
