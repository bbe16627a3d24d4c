#include "model/helperthread.h"

#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <system_error>
#include <thread>

#include <unistd.h>

namespace helperthread {

namespace {

class Helper {
public:
    bool start(Job job, void* context)
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (state_ != State::idle || !makeLocked())
            return false;
        job_ = job;
        context_ = context;
        state_ = State::queued;
        lock.unlock();
        wake_.notify_one();
        return true;
    }

    void finish()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        done_.wait(lock, [this] { return state_ == State::done; });
        state_ = State::idle;
    }

    void make()
    {
        std::unique_lock<std::mutex> lock(mutex_);
        if (makeLocked())
            done_.wait(lock, [this] { return ready_; });
    }

private:
    enum class State { idle, queued, running, done };

    bool makeLocked()
    {
        if (!started_) {
            try {
                std::thread([this] { serve(); }).detach();
            } catch (const std::system_error&) {
                return false;
            }
            started_ = true;
        }
        return true;
    }

    void serve()
    {
        // A thread's first use of the heap may give it a heap of its own,
        // mapped anew: done now, before anyone fills pages.
        // (Kept through a volatile, so that the pair is not left out.)
        void* volatile first = std::malloc(1);
        std::free(first);
        std::unique_lock<std::mutex> lock(mutex_);
        ready_ = true;
        done_.notify_all();
        for (;;) {
            wake_.wait(lock, [this] { return state_ == State::queued; });
            state_ = State::running;
            lock.unlock();
            job_(context_);
            lock.lock();
            state_ = State::done;
            done_.notify_one();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    State state_ = State::idle;
    bool started_ = false;
    bool ready_ = false; // the helper has its heap
    Job job_ = nullptr;
    void* context_ = nullptr;
};

// Made once and never destroyed: the helper may still wait on it while the
// process ends.
Helper& helper()
{
    static Helper* const kept = new Helper;
    return *kept;
}

// A forked child has the record but not the thread.
const pid_t kOwner = getpid();

} // namespace

bool start(Job job, void* context)
{
    return getpid() == kOwner && helper().start(job, context);
}

void finish()
{
    helper().finish();
}

void make()
{
    if (getpid() == kOwner)
        helper().make();
}

} // namespace helperthread
