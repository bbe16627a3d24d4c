#include "viewer/openedfile.h"

#include "model/meshmodel.h"
#include "viewer/filewatch.h"
#include "viewer/modelload.h"
#include "viewer/viewersettings.h"

#include <QTimer>

#include <utility>

OpenedFile::OpenedFile(QObject* parent) : QObject(parent)
{
    m_load = new ModelLoad(this);
    m_load->onArrived = [this](const MeshModel& model) {
        if (onPrepare)
            onPrepare(model, m_state == State::Reloading ? ModelArrival::Reloaded : ModelArrival::Opened);
    };
    m_load->onFinished = [this](ModelLoadOutcome outcome) { onLoadEnded(std::move(outcome)); };
    m_watch = new FileWatch(this);
    m_watch->onChanged = [this] { onWatchedFileChanged(); };
    m_reloadWhenChanged = reloadWhenChanged();
}

OpenedFile::~OpenedFile()
{
    m_load->abandon(); // stops and waits for a load still running
}

bool OpenedFile::open(const QString& path, std::string& why)
{
    return start(path, State::Opening, why);
}

bool OpenedFile::reload(std::string& why)
{
    if (m_path.isEmpty()) {
        why = "no file is open";
        return false;
    }
    return start(m_path, State::Reloading, why);
}

bool OpenedFile::start(const QString& path, State state, std::string& why)
{
    if (loading()) {
        why = "another file is still loading";
        return false;
    }
    const ModelArrival kind = state == State::Reloading ? ModelArrival::Reloaded : ModelArrival::Opened;
    if (!m_load->start(path, statusBar ? statusBar() : nullptr, why)) {
        emit refused(path, QString::fromLocal8Bit(why.c_str()), kind);
        return false;
    }
    m_state = state;
    if (state == State::Reloading)
        m_changedMeanwhile = false; // this load reads the change
    watch(path);
    emit loadStarted(path, kind);
    return true;
}

void OpenedFile::cancel()
{
    m_load->cancel();
}

void OpenedFile::abandon()
{
    m_load->abandon();
    m_state = State::Idle;
}

void OpenedFile::close()
{
    m_path.clear();
    m_changedMeanwhile = false;
    m_watch->stop();
}

bool OpenedFile::loading() const
{
    return m_load->running();
}

CLoadProgressPane* OpenedFile::progressPane() const
{
    return m_load->progressPane();
}

void OpenedFile::setReloadsWhenChanged(bool on)
{
    m_reloadWhenChanged = on;
    setReloadWhenChanged(on);
    watch(m_path);
}

void OpenedFile::watch(const QString& path)
{
    if (m_reloadWhenChanged && !path.isEmpty())
        m_watch->watch(path);
    else
        m_watch->stop();
}

void OpenedFile::onLoadEnded(ModelLoadOutcome outcome)
{
    const ModelArrival kind = m_state == State::Reloading ? ModelArrival::Reloaded : ModelArrival::Opened;
    m_state = State::Idle;
    const QString path = outcome.path;
    if (outcome.cancelled) {
        // The watch goes back to the open file; a change of the file that
        // was being read no longer matters.
        m_changedMeanwhile = false;
        watch(m_path);
        emit cancelled(path, kind);
        return;
    }
    const QString reason = QString::fromStdString(outcome.reason);
    if (outcome.model == nullptr && kind == ModelArrival::Opened) {
        // No model, no open file: nothing to watch or reload.
        close();
        emit failed(path, reason, kind);
        return;
    }
    rememberFileFolder(path);
    if (outcome.model != nullptr) {
        m_path = path;
        MeshModel* model = outcome.model;
        if (onShow) {
            onShow(model, kind, reason); // the screen's from now on
            emit modelArrived(path, *model, kind);
        } else {
            emit modelArrived(path, *model, kind);
            freeMeshModel(model);
        }
    } else {
        emit failed(path, reason, kind); // the model shown stays
    }
    if (std::exchange(m_changedMeanwhile, false))
        QTimer::singleShot(0, this, [this] { onWatchedFileChanged(); });
}

void OpenedFile::onWatchedFileChanged()
{
    if (!m_reloadWhenChanged)
        return;
    if (loading()) {
        m_changedMeanwhile = true; // once the running load has ended
        return;
    }
    if (m_path.isEmpty()) {
        m_watch->stop(); // no file is open any more
    } else if (m_path == m_watch->path()) {
        std::string why;
        reload(why); // a file that cannot be opened is refused with why
    }
}
