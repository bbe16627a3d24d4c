// Sharing a job between this thread and a helper.

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "model/cores.h"

namespace {

// Callers at once, and parts that share their own work again, each get
// both their parts run once: only one of them has the kept helper.
TEST(RunInTwo, RunsBothPartsOnceForCallersAtOnceAndWithin)
{
    std::atomic<int> sum{0};
    const auto job = [&sum] {
        for (int k = 0; k < 200; ++k) {
            runInTwo([&sum](int part) {
                sum += part + 1;
                runInTwo([&sum](int inner) { sum += 10 * (inner + 1); });
            });
        }
    };
    std::thread other(job);
    job();
    other.join();
    EXPECT_EQ(sum.load(), 2 * 200 * (1 + 2 + 2 * (10 + 20)));
}

// A forked child has no kept helper, yet shares its jobs all the same.
TEST(RunInTwo, WorksInAForkedChild)
{
    runInTwo([](int) {}); // the helper is made here
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::atomic<int> parts{0};
        runInTwo([&parts](int part) { parts += part + 1; });
        _exit(parts.load() == 3 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
