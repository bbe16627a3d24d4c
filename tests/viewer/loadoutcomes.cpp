#include "loadoutcomes.h"

namespace viewertest {

LoadOutcomes::LoadOutcomes(OpenedFile* file)
{
    QObject::connect(file, &OpenedFile::modelArrived, &m_context,
                     [this](const QString& path, const MeshModel&, ModelArrival kind) {
                         m_outcomes.push_back({LoadOutcome::End::Arrived, path, kind});
                     });
    QObject::connect(file, &OpenedFile::failed, &m_context,
                     [this](const QString& path, const QString&, ModelArrival kind) {
                         m_outcomes.push_back({LoadOutcome::End::Failed, path, kind});
                     });
    QObject::connect(file, &OpenedFile::cancelled, &m_context, [this](const QString& path, ModelArrival kind) {
        m_outcomes.push_back({LoadOutcome::End::Cancelled, path, kind});
    });
}

} // namespace viewertest
