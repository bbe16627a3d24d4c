#pragma once

#include "platform/loadprogress.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <string>

class BackgroundLoad;

class QStatusBar;
class QTimer;
struct MeshModel;

// How a load ended. The model (null when none came out) belongs to whoever
// takes the outcome: release it with freeMeshModel.
struct ModelLoadOutcome {
    QString path;
    MeshModel* model = nullptr;
    // Why no model came out of the file ("line 14: ..."); empty otherwise.
    std::string reason;
    // Cancel or Esc ended the load (then there is never a model).
    bool cancelled = false;
};

// One mesh file read on a worker thread as the user meets it: a progress bar
// and a Cancel button in the status bar (Esc cancels too) while the file is
// read, then one report of the outcome. Only regular files are read. The
// reader is looked at on a timer from the thread that started the load, and
// the report comes on that thread.
class ModelLoad : public QObject {
    Q_OBJECT
public:
    explicit ModelLoad(QObject* parent = nullptr);
    ~ModelLoad() override;

    // Called once for every load that started, when it ends.
    std::function<void(ModelLoadOutcome outcome)> onFinished;

    // Opens path and starts reading it, showing the progress in statusBar
    // (none when null). False, with why the file cannot be opened, when it
    // cannot (missing, unreadable, not a regular file), or while another
    // load runs; then nothing has changed. A load that starts takes over
    // `retired` (a model no one uses any more, or null) and releases it on
    // its worker; otherwise it stays the caller's.
    bool start(const QString& path, QStatusBar* statusBar, std::string& why, MeshModel* retired = nullptr);
    bool running() const { return m_load != nullptr; }
    const QString& path() const { return m_path; }
    // Asks the reader to stop as the Cancel button does; the report follows
    // as soon as the worker has stopped.
    void cancel();
    // Stops a running load with no report (its model, if any, is released).
    void abandon();
    // The progress pane (null before the first load with a status bar).
    CLoadProgressPane* progressPane() const { return m_pane; }

private:
    void poll();
    void finish();
    void stop();

    std::unique_ptr<BackgroundLoad> m_load;
    QString m_path;
    QTimer* m_timer = nullptr;
    QPointer<CLoadProgressPane> m_pane;
};
