#include "render/hugepagestart.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <unistd.h>

namespace {

constexpr const char* kTunable = "glibc.malloc.hugetlb";

// Whether the kernel gives huge pages to memory advised to take them.
bool hugePagesOnAdvice()
{
    FILE* file = std::fopen("/sys/kernel/mm/transparent_hugepage/enabled", "r");
    if (file == nullptr)
        return false;
    char line[128] = {};
    const bool read = std::fgets(line, sizeof line, file) != nullptr;
    std::fclose(file);
    return read && (std::strstr(line, "[always]") != nullptr || std::strstr(line, "[madvise]") != nullptr);
}

} // namespace

void startWithHugePages(char** argv)
{
    const char* tunables = std::getenv("GLIBC_TUNABLES");
    if ((tunables != nullptr && std::strstr(tunables, kTunable) != nullptr) || !hugePagesOnAdvice())
        return;
    std::string value = tunables != nullptr && *tunables != '\0' ? std::string(tunables) + ":" : std::string();
    value += kTunable;
    value += "=1";
    if (setenv("GLIBC_TUNABLES", value.c_str(), 1) != 0)
        return;
    execv("/proc/self/exe", argv);
    // Still here: carry on as before, the environment as it was.
    if (tunables != nullptr)
        setenv("GLIBC_TUNABLES", tunables, 1);
    else
        unsetenv("GLIBC_TUNABLES");
}
