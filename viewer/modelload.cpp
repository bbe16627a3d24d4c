#include "viewer/modelload.h"

#include "model/filepath.h"
#include "model/meshmodel.h"
#include "model/regularfile.h"
#include "platform/loadprogress.h"
#include "viewer/backgroundload.h"

#include <QFile>
#include <QStatusBar>
#include <QTimer>

#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <utility>

namespace {

// How often a running load is looked at: progress and its end.
constexpr int kLoadPollMs = 15;

} // namespace

ModelLoad::ModelLoad(QObject* parent) : QObject(parent)
{
    m_timer = new QTimer(this);
    m_timer->setInterval(kLoadPollMs);
    connect(m_timer, &QTimer::timeout, this, &ModelLoad::poll);
}

ModelLoad::~ModelLoad()
{
    abandon();
}

bool ModelLoad::start(const QString& path, QStatusBar* statusBar, std::string& why, MeshModel* retired)
{
    if (running()) {
        why = "another file is still loading";
        return false;
    }
    const std::string fileName = QFile::encodeName(path).toStdString();
    FILE* stream = openRegularFile(fileName, why);
    if (!stream)
        return false;
    struct stat info { };
    uint64_t size = 0;
    if (fstat(fileno(stream), &info) == 0 && S_ISREG(info.st_mode))
        size = static_cast<uint64_t>(info.st_size);
    m_load = std::make_unique<BackgroundLoad>(stream, fileExtension(fileName), folderPart(fileName), size, retired,
                                              preparation ? preparation() : BackgroundLoad::Preparation(),
                                              preview ? preview() : BackgroundLoad::Preview());
    m_path = path;

    if (!m_pane && statusBar) {
        m_pane = new CLoadProgressPane(statusBar);
        connect(m_pane, &CLoadProgressPane::cancelRequested, this, &ModelLoad::cancel);
    }
    if (m_pane)
        m_pane->Show(size);
    m_timer->start();
    return true;
}

void ModelLoad::cancel()
{
    if (!m_load)
        return;
    m_load->cancel();
    // The reader stops within a block; look again at once.
    poll();
}

void ModelLoad::abandon()
{
    if (!m_load)
        return;
    stop(); // the worker's model, if any, goes with it
}

PreparedArrival ModelLoad::takePrepared()
{
    return m_load ? m_load->takePrepared() : PreparedArrival();
}

void ModelLoad::poll()
{
    if (!m_load)
        return;
    if (m_pane)
        m_pane->SetBytesRead(m_load->bytesRead());
    if (onPreview && !m_load->cancelRequested() && m_load->hasPreview()) {
        onPreview(m_load->takePreview());
        return; // the outcome at a later tick, after the input that came meanwhile
    }
    if (!m_load->finished())
        return;
    if (m_arrived == nullptr && onArrived && !m_load->cancelRequested()) {
        m_arrived = m_load->takeModel();
        if (m_arrived != nullptr) {
            // Making the first frame holds this thread up. The timer starts
            // again from now, so that the keys and clicks that came meanwhile
            // are handled before its next tick, which reports the outcome.
            onArrived(*m_arrived);
            m_timer->start();
            return;
        }
    }
    finish();
}

void ModelLoad::finish()
{
    ModelLoadOutcome outcome;
    outcome.path = m_path;
    outcome.cancelled = m_load->cancelRequested();
    outcome.model = m_arrived != nullptr ? std::exchange(m_arrived, nullptr) : m_load->takeModel();
    outcome.reason = m_load->reason();
    stop();
    if (outcome.cancelled) {
        freeMeshModel(outcome.model);
        outcome.model = nullptr;
    }
    if (onFinished)
        onFinished(std::move(outcome));
    else
        freeMeshModel(outcome.model);
}

void ModelLoad::stop()
{
    m_timer->stop();
    if (m_pane)
        m_pane->Hide();
    m_load.reset();
    freeMeshModel(std::exchange(m_arrived, nullptr));
}
