#include "viewer/measurement.h"

#include "model/measuretext.h"
#include "model/meshmodel.h"
#include "model/modelframe.h"

#include <chrono>
#include <system_error>

namespace {

struct FilePoints {
    Vector3 points[2];
    Vector3 difference;
};

// The picks in the file's coordinates, and the second less the first taken
// from the frame's centre, which spares the centre's rounding.
FilePoints filePointsOf(const MeshModel& model, const MeasureMarks& marks)
{
    FilePoints file{};
    for (int i = 0; i < marks.count && i < 2; ++i)
        file.points[i] = toFileCoordinates(model, marks.points[i]);
    if (marks.count >= 2) {
        const Vector3 a = fromFrameCentre(model.frame, marks.points[0]);
        const Vector3 b = fromFrameCentre(model.frame, marks.points[1]);
        file.difference = Vector3{b.x - a.x, b.y - a.y, b.z - a.z};
    }
    return file;
}

} // namespace

Measurement::~Measurement()
{
    stopBuild();
}

void Measurement::stopBuild()
{
    m_cancel.store(true);
    if (m_build.joinable())
        m_build.join();
    m_cancel.store(false);
}

void Measurement::setModel(const MeshModel* model)
{
    stopBuild();
    clear();
    m_ready.store(false);
    m_hierarchy.reset();
    m_model = model;
    if (model == nullptr || model->faceCount == 0)
        return;
    m_hierarchy = std::make_unique<TriangleBvh>();
    TriangleBvh* hierarchy = m_hierarchy.get();
    try {
        m_build = std::thread([this, hierarchy, model] {
            if (hierarchy->build(*model, m_cancel))
                m_ready.store(true, std::memory_order_release);
        });
    } catch (const std::system_error&) {
        m_hierarchy.reset(); // picks look at every face
    }
}

const TriangleBvh* Measurement::hierarchyFor(const MeshModel* model) const
{
    if (model == nullptr || model != m_model || !m_ready.load(std::memory_order_acquire))
        return nullptr;
    return m_hierarchy.get();
}

bool Measurement::waitForHierarchy(int timeoutMs) const
{
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_ready.load(std::memory_order_acquire)) {
        if (!m_hierarchy || std::chrono::steady_clock::now() >= end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

void Measurement::add(const Vector3& point)
{
    if (m_marks.count >= 2)
        m_marks.count = 0;
    m_marks.points[m_marks.count++] = point;
}

void Measurement::clear()
{
    m_marks = MeasureMarks{};
}

std::string Measurement::statusLine(const MeshModel& model) const
{
    const FilePoints file = filePointsOf(model, m_marks);
    return measureStatusLine(m_marks.count, file.points, file.difference);
}

std::string Measurement::copyText(const MeshModel& model) const
{
    const FilePoints file = filePointsOf(model, m_marks);
    return measureCopyText(m_marks.count, file.points, file.difference);
}
