#include "viewer/tavroview.h"

#include "model/filepath.h"
#include "model/meshmodel.h"
#include "platform/document.h"
#include "platform/framewnd.h"
#include "viewer/modelfacts.h"
#include "viewer/viewerstate.h"

#include <QFile>
#include <QFileInfo>

#include <utility>

// The view's side of the open file's loads: what the status bar says as a
// load starts and ends, and the model put on the screen or taken off it. An
// open and a reload end alike when a model comes; without one, an open
// leaves the view empty and a reload leaves the model as it was.

namespace {

QString fileName(const QString& path)
{
    return QFileInfo(path).fileName();
}

// Why path gave no model, or could not be opened.
QString faultNote(const QString& path, const QString& reason, ModelArrival kind)
{
    if (kind == ModelArrival::Reloaded)
        return QStringLiteral("%1 not reloaded: %2").arg(fileName(path), reason);
    return QStringLiteral("%1: %2").arg(fileName(path), reason);
}

void setFileName(const QString& path)
{
    g_fileName = QFile::encodeName(path).toStdString();
    g_fileExtension = fileExtension(g_fileName);
}

} // namespace

void CTavroView::OnLoadStarted(const QString& path, ModelArrival kind)
{
    ShowStatusNote((kind == ModelArrival::Reloaded ? QStringLiteral("Reloading %1") : QStringLiteral("Loading %1"))
                       .arg(fileName(path)));
    if (CFrameWnd* frame = GetParentFrame())
        frame->UpdateCommandUI();
}

void CTavroView::OnLoadRefused(const QString& path, const QString& reason, ModelArrival kind)
{
    ShowStatusNote(faultNote(path, reason, kind)); // the model on screen stays
}

void CTavroView::OnModelShown(MeshModel* model, ModelArrival kind, const QString& note)
{
    // The camera and the shading stay; the colours follow VertexColoursWith.
    const QString path = m_openedFile->path();
    if (!note.isEmpty())
        ShowStatusNote(QStringLiteral("%1: %2").arg(fileName(path), note));
    else
        ShowStatusNote(model->vertexCount == 0 ? QString::fromLatin1(kEmptyMeshNote) : QString());
    setFileName(path);
    ShowArrivedModel(model, kind == ModelArrival::Reloaded);
    UpdateFrameMarks();
    // A document that does not open its files itself takes the name now.
    CDocument* document = GetDocument();
    if (kind == ModelArrival::Opened && document && !document->OpensInBackground())
        document->SetPathName(path);
}

void CTavroView::OnLoadFailed(const QString& path, const QString& reason, ModelArrival kind)
{
    ShowStatusNote(faultNote(path, reason, kind));
    DropArrivingCopy();
    if (kind == ModelArrival::Opened) {
        // The file gave no model: the view is empty.
        setFileName(path);
        ReleaseModelBuffers();
        MeshModel* old = std::exchange(g_model, nullptr);
        MotionModelChanged(); // stops the old model's copy before the old model goes
        MeasureModelShown(nullptr);
        freeMeshModel(old);
    }
    RenderScene();
    UpdateFrameMarks();
}

void CTavroView::OnLoadCancelled(const QString&, ModelArrival kind)
{
    // Buffers made for a model that a late Cancel dropped; the screen
    // shows what it showed before the load (a reduced copy shown while the
    // file was read is taken off).
    m_arrivingFrameDrawn = false;
    ReleaseBuffers(m_arrivingBuffers);
    const bool copyShown = DropArrivingCopy();
    if (kind == ModelArrival::Reloaded) {
        ShowStatusNote(QStringLiteral("Reloading cancelled"));
        RenderScene();
    } else {
        ShowStatusNote(QStringLiteral("Loading cancelled"));
        if (copyShown)
            RenderScene(); // the model shown before the copy
    }
    UpdateFrameMarks();
}

void CTavroView::UpdateFrameMarks()
{
    if (CFrameWnd* frame = GetParentFrame()) {
        frame->UpdateCommandUI();
        frame->UpdateIndicators(); // the model's counts
    }
}
