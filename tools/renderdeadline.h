#pragma once

// brenvik-render's time limit: a thumbnailer must never hang the file
// manager that runs it, whatever file it is given. When the limit passes
// before the deadline is dropped, the process ends at once with exit status
// 1, the reason on standard error, and no half-written picture left behind.

#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>

// The limit when none is given, in seconds.
constexpr double kDefaultTimeLimit = 5.0;

// A time limit written as seconds: plain decimal digits with an optional
// fraction ("5", "0.5"), more than 0 and at most a day. False otherwise.
bool parseTimeLimit(const char* text, double& seconds);

class RenderDeadline {
public:
    // Starts counting `seconds` for drawing `file` into `out`.
    RenderDeadline(double seconds, const char* file, const char* out);
    // Drops the deadline: the process goes on as it will.
    ~RenderDeadline();
    RenderDeadline(const RenderDeadline&) = delete;
    RenderDeadline& operator=(const RenderDeadline&) = delete;

private:
    void watch(double seconds);

    std::string message_;
    std::string out_;
    bool outExisted_;
    std::mutex mutex_;
    std::condition_variable dropped_;
    bool done_ = false;
    std::thread watcher_;
};
