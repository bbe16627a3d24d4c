#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <string>

class CLoadProgressPane;
class FileWatch;
class ModelLoad;
class QStatusBar;
struct MeshModel;
struct ModelLoadOutcome;

// How a model came from a file: a file opened, or the open file read again.
enum class ModelArrival { Opened, Reloaded };

// The file the viewer shows and the story of its models: opening a file,
// reading it again (Reload, and the watch of the file while Reload When
// Changed is on), one load at a time (ModelLoad: a worker, the progress pane
// with Cancel and Esc), and how each load ended. The screen that shows the
// models (the view that owns this object) sets the hooks; anyone else who
// follows the file (the document: its name, the recent files) listens to the
// signals, which come after the screen has shown the outcome.
class OpenedFile : public QObject {
    Q_OBJECT
public:
    explicit OpenedFile(QObject* parent = nullptr);
    ~OpenedFile() override;

    // ---- The screen's hooks.
    // The status bar that shows a load's progress (none when unset or null).
    std::function<QStatusBar*()> statusBar;
    // The worker gave model, still the load's: its first frame is made, not
    // shown. A Cancel or Esc until the outcome still drops it.
    std::function<void(const MeshModel& model, ModelArrival kind)> onPrepare;
    // The load ended with model, which is the screen's from now on and
    // replaces the one shown; note is what the reader said about the file
    // (faces skipped, read as another format), or empty. Called before
    // modelArrived.
    std::function<void(MeshModel* model, ModelArrival kind, const QString& note)> onShow;

    // Starts reading path as the file to show; the model shown stays until
    // the outcome. False, with why, when the file cannot be opened or a load
    // runs: then nothing has changed (refused says so too).
    bool open(const QString& path, std::string& why);
    // Starts reading the open file again, as open does; false, with why,
    // when there is none, it cannot be opened or a load runs.
    bool reload(std::string& why);
    // Stops the running load as the Cancel button does.
    void cancel();
    // Stops a running load with no report (its model, if any, goes with it).
    void abandon();
    // Lets go of the open file (the document became untitled): no reload
    // and no watch until a file is opened.
    void close();

    // The file whose model is shown (set when its model arrived, empty when
    // none is open or the last open gave no model).
    const QString& path() const { return m_path; }
    // A load started by open or reload has not ended yet.
    bool loading() const;
    // The progress pane (null before the first load with a status bar).
    CLoadProgressPane* progressPane() const;
    // The load it runs: the view sets what its worker prepares for an
    // arriving model and takes it when the model arrives.
    ModelLoad& load() const { return *m_load; }

    // Reload When Changed: the open file (or the one being read) is watched
    // and read again when it changes on disk; a change during a load is
    // acted on once the load has ended.
    bool reloadsWhenChanged() const { return m_reloadWhenChanged; }
    void setReloadsWhenChanged(bool on);
    FileWatch* fileWatch() const { return m_watch; }

signals:
    // A load of path started: the status bar may say so.
    void loadStarted(const QString& path, ModelArrival kind);
    // path could not be opened (reason): nothing changed.
    void refused(const QString& path, const QString& reason, ModelArrival kind);
    // The model read from path is on the screen (onShow has run).
    void modelArrived(const QString& path, const MeshModel& model, ModelArrival kind);
    // path gave no model, for reason ("line 14: ..."). An open leaves the
    // screen empty and no file open; a reload leaves the model as it was.
    void failed(const QString& path, const QString& reason, ModelArrival kind);
    // Cancel or Esc stopped the load of path: nothing changed.
    void cancelled(const QString& path, ModelArrival kind);

private:
    enum class State { Idle, Opening, Reloading };

    bool start(const QString& path, State state, std::string& why);
    void onLoadEnded(ModelLoadOutcome outcome);
    void onWatchedFileChanged();
    // Watches path while Reload When Changed is on.
    void watch(const QString& path);

    ModelLoad* m_load = nullptr;
    FileWatch* m_watch = nullptr;
    QString m_path;
    State m_state = State::Idle;
    bool m_changedMeanwhile = false; // the watched file changed while a load ran
    bool m_reloadWhenChanged = true;
};
