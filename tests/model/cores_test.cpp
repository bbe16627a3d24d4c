// Sharing a job between this thread and a helper.

#include <atomic>
#include <thread>

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "model/cores.h"

namespace {

// Both parts run once for callers at once, for parts that share their work
// again (only one caller has the kept helper), and in a forked child, which
// has no helper.
TEST(RunInTwo, RunsBothPartsOnceWhoeverHasTheKeptHelper)
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
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sum = 0;
        runInTwo([&sum](int part) { sum += part + 1; });
        _exit(sum.load() == 3 ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

} // namespace
