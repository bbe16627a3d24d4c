#pragma once

// How each load of a view's open file ended, in order, as the open file's
// signals told its listeners.

#include "viewer/openedfile.h"

#include <QObject>
#include <QString>

#include <vector>

namespace viewertest {

struct LoadOutcome {
    enum class End { Arrived, Failed, Cancelled };
    End end;
    QString path;
    ModelArrival kind;
};

class LoadOutcomes {
public:
    // Records the outcomes file reports from now on.
    explicit LoadOutcomes(OpenedFile* file);
    LoadOutcomes(const LoadOutcomes&) = delete;
    LoadOutcomes& operator=(const LoadOutcomes&) = delete;

    int count() const { return static_cast<int>(m_outcomes.size()); }
    // The last outcome; only when count() > 0.
    const LoadOutcome& last() const { return m_outcomes.back(); }
    const std::vector<LoadOutcome>& all() const { return m_outcomes; }

private:
    QObject m_context; // the connections end with the recorder
    std::vector<LoadOutcome> m_outcomes;
};

} // namespace viewertest
