#include "viewer/backgroundload.h"

#include "model/loadmodel.h"
#include "model/meshmodel.h"

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <utility>

namespace {

// How long closing waits for a reader to notice the cancel.
constexpr std::chrono::seconds kStopWait{2};

} // namespace

// What the worker and the owner share; the last of the two to let go of it
// releases it.
struct BackgroundLoad::Shared {
    LoadControl control;
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false; // under mutex
    MeshModel* model = nullptr;
    std::string reason;
    PreparedArrival prepared;
    PreparedArrival preview;

    ~Shared() { freeMeshModel(model); }
};

BackgroundLoad::BackgroundLoad(FILE* stream, std::string extension, std::string folder, uint64_t totalBytes,
                               MeshModel* retired, Preparation prepare, Preview preview)
    : m_totalBytes(totalBytes), m_shared(std::make_shared<Shared>())
{
    m_thread = std::thread([shared = m_shared, stream, extension = std::move(extension), folder = std::move(folder),
                            retired, prepare = std::move(prepare), preview = std::move(preview)] {
        freeMeshModel(retired);
        bool previewed = false;
        if (preview)
            shared->control.onShape = [&](const MeshModel& shape, bool packedTriangles) {
                PreparedArrival made = preview(shape, packedTriangles, shared->control.cancel);
                if (made.copy == nullptr)
                    return;
                std::lock_guard<std::mutex> lock(shared->mutex);
                shared->preview = std::move(made);
                previewed = true;
            };
        std::string reason;
        MeshModel* model = loadModel(stream, extension.c_str(), &reason, &shared->control, folder.c_str());
        shared->control.onShape = nullptr;
        if (model != nullptr)
            reason = loadNote(shared->control);
        std::fclose(stream);
        PreparedArrival prepared;
        if (model != nullptr && prepare && !previewed && !shared->control.cancel.load())
            prepared = prepare(*model, shared->control.cancel);
        std::lock_guard<std::mutex> lock(shared->mutex);
        shared->model = model;
        shared->reason = std::move(reason);
        shared->prepared = std::move(prepared);
        shared->finished = true;
        shared->done.notify_all();
    });
}

BackgroundLoad::~BackgroundLoad()
{
    cancel();
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    if (m_shared->done.wait_for(lock, kStopWait, [this] { return m_shared->finished; })) {
        lock.unlock();
        m_thread.join();
    } else {
        lock.unlock();
        m_thread.detach();
    }
}

uint64_t BackgroundLoad::bytesRead() const
{
    return m_shared->control.bytesRead.load();
}

void BackgroundLoad::cancel()
{
    m_shared->control.cancel.store(true);
}

bool BackgroundLoad::cancelRequested() const
{
    return m_shared->control.cancel.load();
}

bool BackgroundLoad::finished() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->finished;
}

MeshModel* BackgroundLoad::takeModel()
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (!m_shared->finished)
        return nullptr;
    return std::exchange(m_shared->model, nullptr);
}

PreparedArrival BackgroundLoad::takePrepared()
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (!m_shared->finished)
        return PreparedArrival();
    return std::move(m_shared->prepared);
}

bool BackgroundLoad::hasPreview() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->preview.copy != nullptr;
}

PreparedArrival BackgroundLoad::takePreview()
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return std::move(m_shared->preview);
}

std::string BackgroundLoad::reason() const
{
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->reason;
}
