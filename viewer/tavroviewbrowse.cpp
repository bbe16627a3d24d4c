#include "viewer/tavroview.h"

#include "viewer/neighbourfile.h"
#include "viewer/viewersettings.h"
#include "viewer/viewerstate.h"

#include <QFile>

// View > Next File and Previous File, through the folder of the open file
// (or of the file last tried, when it gave no model), and View >
// Orthographic.

namespace {

constexpr const char* kNoNextFileNote = "no next file in this folder";
constexpr const char* kNoPreviousFileNote = "no previous file in this folder";

} // namespace

void CTavroView::OnNextFile()
{
    OpenNeighbourFile(1);
}

void CTavroView::OnPreviousFile()
{
    OpenNeighbourFile(-1);
}

QString CTavroView::browsedFilePath() const
{
    const QString open = openFilePath();
    return !open.isEmpty() || g_model != nullptr ? open : QFile::decodeName(g_fileName.c_str());
}

void CTavroView::OpenNeighbourFile(int step)
{
    const QString current = browsedFilePath();
    if (isLoading() || current.isEmpty())
        return;
    const QString neighbour = neighbourModelFile(current, step);
    if (neighbour.isEmpty()) {
        ShowStatusNote(QString::fromLatin1(step > 0 ? kNoNextFileNote : kNoPreviousFileNote));
        return;
    }
    OpenFile(neighbour);
}

void CTavroView::OnOrthographic()
{
    g_orthographic = g_orthographic == 0 ? 1 : 0;
    setOrthographicView(g_orthographic != 0);
    RenderScene();
}
