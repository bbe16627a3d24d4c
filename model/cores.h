#pragma once

#include <cstdint>
#include <system_error>
#include <thread>

#include "model/helperthread.h"

// How many processors this process may run on (its affinity, not merely
// what the machine has), so that work is shared between threads only when
// they can really run at once.
unsigned usableCores();

// Runs part(1) on a helper thread (the kept one when it is free, else one of
// its own) and part(0) on this one, and returns when both are done; without
// a thread, both run here, part(1) first.
template <typename Part> void runInTwo(const Part& part)
{
    if (helperthread::start([](void* context) { (*static_cast<const Part*>(context))(1); },
                            const_cast<void*>(static_cast<const void*>(&part)))) {
        // (Should part(0) throw, part(1) still ends before `part` goes.)
        const struct Finish {
            ~Finish() { helperthread::finish(); }
        } finish;
        part(0);
        return;
    }
    std::thread helper;
    try {
        helper = std::thread([&part] { part(1); });
    } catch (const std::system_error&) {
        part(1);
    }
    part(0);
    if (helper.joinable())
        helper.join();
}

// Runs work(begin, end) over [0, count): when count is at least `from` and
// two cores are usable, in two parts split at a multiple of `step`, by
// runInTwo; otherwise at once, here.
template <typename Work> void splitInTwo(uint32_t count, uint32_t from, uint32_t step, const Work& work)
{
    if (count < from || usableCores() < 2) {
        work(uint32_t{0}, count);
        return;
    }
    const uint32_t middle = count / 2 / step * step;
    runInTwo([&](int part) { part == 0 ? work(uint32_t{0}, middle) : work(middle, count); });
}
