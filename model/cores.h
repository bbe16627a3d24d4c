#pragma once

#include <cstdint>
#include <system_error>
#include <thread>

// How many processors this process may run on (its affinity, not merely
// what the machine has), so that work is shared between threads only when
// they can really run at once.
unsigned usableCores();

// Runs part(1) on a helper thread and part(0) on this one, and returns when
// both are done; without a thread, both run here, part(1) first.
template <typename Part> void runInTwo(const Part& part)
{
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
