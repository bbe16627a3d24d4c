#include "tools/renderdeadline.h"

#include <chrono>
#include <cstdlib>

#include <unistd.h>

namespace {

// "5", "0.25": at most three decimals, with a point whatever the locale.
std::string secondsText(double seconds)
{
    const auto thousandths = static_cast<long long>(seconds * 1000.0 + 0.5);
    std::string text = std::to_string(thousandths / 1000);
    long long rest = thousandths % 1000;
    if (rest != 0) {
        std::string decimals = std::to_string(1000 + rest).substr(1);
        while (decimals.back() == '0')
            decimals.pop_back();
        text += "." + decimals;
    }
    return text;
}

} // namespace

bool parseTimeLimit(const char* text, double& seconds)
{
    if (text == nullptr || *text == '\0')
        return false;
    double whole = 0.0;
    const char* p = text;
    for (; *p >= '0' && *p <= '9'; ++p) {
        whole = whole * 10.0 + (*p - '0');
        if (whole > 86400.0)
            return false;
    }
    const bool digits = p > text;
    double fraction = 0.0;
    if (*p == '.') {
        double scale = 0.1;
        const char* start = ++p;
        for (; *p >= '0' && *p <= '9'; ++p, scale /= 10.0)
            fraction += (*p - '0') * scale;
        if (!digits && p == start)
            return false;
    } else if (!digits) {
        return false;
    }
    seconds = whole + fraction;
    return *p == '\0' && seconds > 0.0 && seconds <= 86400.0;
}

RenderDeadline::RenderDeadline(double seconds, const char* file, const char* out)
    : out_(out != nullptr ? out : ""), outExisted_(out != nullptr && access(out, F_OK) == 0)
{
    message_ = std::string("brenvik-render: ") + (file != nullptr ? file : "") + ": gave up after "
               + secondsText(seconds) + " s (see --time-limit)\n";
    watcher_ = std::thread(&RenderDeadline::watch, this, seconds);
}

RenderDeadline::~RenderDeadline()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        done_ = true;
    }
    dropped_.notify_all();
    watcher_.join();
}

void RenderDeadline::watch(double seconds)
{
    std::unique_lock<std::mutex> lock(mutex_);
    if (dropped_.wait_for(lock, std::chrono::duration<double>(seconds), [this] { return done_; }))
        return;
    // A picture begun by this run is only part of one.
    if (!outExisted_ && !out_.empty())
        unlink(out_.c_str());
    const ssize_t written = write(STDERR_FILENO, message_.data(), message_.size());
    (void)written;
    _exit(1);
}
