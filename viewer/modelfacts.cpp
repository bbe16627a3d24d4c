#include "viewer/modelfacts.h"

#include "model/meshmodel.h"
#include "model/sizetext.h"

const char* const kEmptyMeshNote = "empty mesh: no vertices";

namespace {

QString counted(uint32_t count, const char* one, const char* many)
{
    return QStringLiteral("%1 %2").arg(count).arg(QString::fromLatin1(count == 1 ? one : many));
}

} // namespace

QString modelFactsText(const MeshModel* model)
{
    if (!model || model->vertexCount == 0)
        return QString();
    const QString size = QString::fromStdString(modelSizeText(model->frame, model->unit));
    if (model->faceCount == 0)
        return counted(model->vertexCount, "point", "points") + QStringLiteral(", ") + size;
    return counted(model->vertexCount, "vertex", "vertices") + QStringLiteral(", ")
           + counted(model->faceCount, "face", "faces") + QStringLiteral(", ") + size;
}
