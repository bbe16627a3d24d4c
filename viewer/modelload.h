#pragma once

#include "platform/loadprogress.h"
#include "viewer/backgroundload.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>
#include <memory>
#include <string>

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
// read and until its model is on the screen, then one report of the outcome.
// Only regular files are read. The reader is looked at on a timer from the
// thread that started the load, and the report comes on that thread.
class ModelLoad : public QObject {
    Q_OBJECT
public:
    explicit ModelLoad(QObject* parent = nullptr);
    ~ModelLoad() override;

    // Called once for every load that started, when it ends.
    std::function<void(ModelLoadOutcome outcome)> onFinished;
    // Called when the worker has given a model, before the outcome: the
    // owner makes the model's first frame ready without showing it. The
    // model stays the load's until the outcome, which follows at the next
    // look at the load, once the input that came meanwhile has been handled:
    // a Cancel or Esc until then still cancels, and the model is dropped.
    // Unset, the outcome follows at once.
    std::function<void(const MeshModel& model)> onArrived;
    // Asked as each load starts: what the worker is to prepare for the
    // model it reads (see BackgroundLoad::Preparation; nothing when unset).
    std::function<BackgroundLoad::Preparation()> preparation;
    // In onArrived: what the preparation gave for the model, now the
    // caller's (nothing without a preparation).
    PreparedArrival takePrepared();
    // Asked as each load starts: what the worker is to make of the model's
    // shape while it is read (see BackgroundLoad::Preview; nothing when
    // unset).
    std::function<BackgroundLoad::Preview()> preview;
    // Called, before onArrived, once the worker has made the preview (a
    // reduced copy of the model being read, now the caller's); the load
    // goes on, and a Cancel or Esc until the outcome still cancels.
    std::function<void(PreparedArrival preview)> onPreview;

    // Opens path and starts reading it, showing the progress in statusBar
    // (none when null). False, with why the file cannot be opened, when it
    // cannot (missing, unreadable, not a regular file), or while another
    // load runs; then nothing has changed. A load that starts takes over
    // `retired` (a model no one uses any more, or null) and releases it on
    // its worker; otherwise it stays the caller's.
    bool start(const QString& path, QStatusBar* statusBar, std::string& why, MeshModel* retired = nullptr);
    // From start until the outcome has been reported.
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
    MeshModel* m_arrived = nullptr; // the worker's model, handed to onArrived
    QString m_path;
    QTimer* m_timer = nullptr;
    QPointer<CLoadProgressPane> m_pane;
};
