#pragma once

#include "model/loadcontrol.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <string>
#include <thread>

struct MeshModel;

// One model read on a worker thread with loadModel. The owner looks at
// finished() from its own thread (a timer, say) and then takes the result.
// Destroying the object stops the load and waits for the thread.
class BackgroundLoad {
public:
    // Takes over stream (the worker closes it) and starts reading it with
    // the reader the extension chooses. totalBytes is the size of the file
    // (0 when not known), for progress.
    BackgroundLoad(FILE* stream, std::string extension, uint64_t totalBytes);
    ~BackgroundLoad();
    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    uint64_t totalBytes() const { return m_totalBytes; }
    uint64_t bytesRead() const { return m_control.bytesRead.load(); }
    // Asks the reader to stop; it does so within a block or two.
    void cancel() { m_control.cancel.store(true); }
    bool cancelRequested() const { return m_control.cancel.load(); }
    // The worker is done: the result can be taken.
    bool finished() const { return m_finished.load(std::memory_order_acquire); }

    // After finished(): the model, now the caller's (null when the load
    // failed or was cancelled), and the reader's reason when it failed.
    MeshModel* takeModel();
    const std::string& reason() const { return m_reason; }

private:
    void run(FILE* stream);

    std::string m_extension;
    uint64_t m_totalBytes;
    LoadControl m_control;
    MeshModel* m_model = nullptr;
    std::string m_reason;
    std::atomic<bool> m_finished{false};
    std::thread m_thread;
};
