#pragma once

// The points the view's Measure mode has picked, and the hierarchy of the
// shown model's triangles that makes picking fast, built on a thread of its
// own after each load.

#include "geometry/vector3.h"
#include "model/trianglebvh.h"
#include "render/measuremarks.h"

#include <atomic>
#include <memory>
#include <string>
#include <thread>

struct MeshModel;

class Measurement {
public:
    Measurement() = default;
    ~Measurement();
    Measurement(const Measurement&) = delete;
    Measurement& operator=(const Measurement&) = delete;

    // The view shows model now (null: none): the picks go, and the
    // hierarchy of its triangles is built on a thread of its own. Any build
    // for the model before is stopped first, so it may be freed or changed
    // once this returns.
    void setModel(const MeshModel* model);
    // Stops the running build, if any (the model may then be changed);
    // setModel starts another.
    void stopBuild();
    // The hierarchy of model once it is built; null before, or for another
    // model.
    const TriangleBvh* hierarchyFor(const MeshModel* model) const;
    // Waits up to timeoutMs for the build to end; true when the hierarchy is
    // ready.
    bool waitForHierarchy(int timeoutMs) const;

    // A picked point, in the model's drawn coordinates: the first, the
    // second, or after two a new first.
    void add(const Vector3& point);
    void clear();
    int count() const { return m_marks.count; }
    const MeasureMarks& marks() const { return m_marks; }

    // The status bar's line and the clipboard's text for the picks, in
    // model's file coordinates (model/measuretext).
    std::string statusLine(const MeshModel& model) const;
    std::string copyText(const MeshModel& model) const;

private:
    MeasureMarks m_marks;
    const MeshModel* m_model = nullptr;
    std::unique_ptr<TriangleBvh> m_hierarchy;
    std::atomic<bool> m_ready{false};
    std::atomic<bool> m_cancel{false};
    std::thread m_build;
};
