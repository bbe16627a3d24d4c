#pragma once

#include "model/loadcontrol.h"
#include "viewer/preparedarrival.h"

#include <atomic>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>

struct MeshModel;

// One model read on a worker thread with loadModel. The owner looks at
// finished() from its own thread (a timer, say) and then takes the result.
// Destroying the object stops the load and waits for the thread a little:
// a reader stuck on a stream that gives nothing (a stalled pipe or network
// file) is left to end on its own, and its model, if it ever makes one, is
// released then.
class BackgroundLoad {
public:
    // What the worker does with the model it has read before it is taken:
    // fills the arrays its buffers are to be made from (PreparedArrival),
    // stopping early once cancel is set. It runs on the worker, so it must
    // touch nothing of the thread that started the load.
    using Preparation = std::function<PreparedArrival(const MeshModel& model, const std::atomic<bool>& cancel)>;
    // What the worker makes of the model's shape before its normals are
    // built (LoadControl::onShape): a reduced copy and its arrays, shown
    // while the load goes on; nothing (no copy) for a model that gets none.
    // Once it has given a copy, the preparation is not run: the copy stands
    // in for the model until the owner has filled the model's arrays.
    using Preview
        = std::function<PreparedArrival(const MeshModel& shape, bool packedTriangles, const std::atomic<bool>& cancel)>;

    // Takes over stream (the worker closes it) and starts reading it with
    // the reader the extension chooses; files it names are looked for in
    // folder. totalBytes is the size of the file
    // (0 when not known), for progress. The worker releases `retired` (a
    // model no one uses any more, or null) first: releasing a big model
    // takes long enough to hold up the thread that starts the load. With a
    // preparation, the worker runs it on the model before finishing (not
    // once the load is cancelled).
    BackgroundLoad(FILE* stream, std::string extension, std::string folder, uint64_t totalBytes,
                   MeshModel* retired = nullptr, Preparation prepare = {}, Preview preview = {});
    ~BackgroundLoad();
    BackgroundLoad(const BackgroundLoad&) = delete;
    BackgroundLoad& operator=(const BackgroundLoad&) = delete;

    uint64_t totalBytes() const { return m_totalBytes; }
    uint64_t bytesRead() const;
    // Asks the reader to stop; it does so within a block or two.
    void cancel();
    bool cancelRequested() const;
    // The worker is done: the result can be taken.
    bool finished() const;

    // After finished(): the model, now the caller's (null when the load
    // failed or was cancelled), and the reader's reason when it failed, or
    // when it gave a model, what to tell about it (faces it skipped; empty
    // for nothing).
    MeshModel* takeModel();
    std::string reason() const;
    // After finished(): what the preparation gave (nothing without one).
    PreparedArrival takePrepared();
    // What the preview gave, once it has (at any time, finished or not);
    // nothing before, or once it has been taken.
    bool hasPreview() const;
    PreparedArrival takePreview();

private:
    struct Shared;

    uint64_t m_totalBytes;
    std::shared_ptr<Shared> m_shared; // also held by the worker
    std::thread m_thread;
};
