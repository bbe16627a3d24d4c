#include "tests/support/comma_locale.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

const char kCompiledName[] = "de_DE.UTF-8";

bool decimalPointIsComma()
{
    char text[16];
    std::snprintf(text, sizeof text, "%.1f", 1.5);
    return std::strcmp(text, "1,5") == 0 && std::strcmp(std::localeconv()->decimal_point, ",") == 0;
}

// True when LC_NUMERIC can be set to the name and then has a decimal comma;
// LC_NUMERIC is back as it was afterwards.
bool loadsWithComma(const char* name)
{
    const char* current = std::setlocale(LC_NUMERIC, nullptr);
    const std::string previous = current != nullptr ? current : "C";
    const bool comma = std::setlocale(LC_NUMERIC, name) != nullptr && decimalPointIsComma();
    std::setlocale(LC_NUMERIC, previous.c_str());
    return comma;
}

// Runs localedef with its output thrown away; true when it ran at all (it
// may warn with a non-zero status, so the caller checks what it made).
bool runLocaledef(const std::string& target)
{
    posix_spawn_file_actions_t actions;
    if (posix_spawn_file_actions_init(&actions) != 0)
        return false;
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const char* args[] = {"localedef", "-i", "de_DE", "-f", "UTF-8", target.c_str(), nullptr};
    pid_t pid = 0;
    const int error = posix_spawnp(&pid, "localedef", &actions, nullptr, const_cast<char* const*>(args), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (error != 0)
        return false;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status);
}

// Owns the result of the search, and removes a compiled locale at exit.
struct Source {
    CommaLocaleSource source;
    std::string tempDir;

    Source()
    {
        for (const char* name :
             {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8", "nl_NL.UTF-8", "de_DE", "fr_FR"}) {
            if (loadsWithComma(name)) {
                source.name = name;
                return;
            }
        }
        compile();
    }

    ~Source()
    {
        if (!tempDir.empty()) {
            std::error_code ignored;
            std::filesystem::remove_all(tempDir, ignored);
        }
    }

    void compile()
    {
        std::error_code error;
        std::filesystem::path base = std::filesystem::temp_directory_path(error);
        if (error)
            base = "/tmp";
        std::string pattern = (base / "brenvik-locale-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            source.reason = "no comma-decimal locale installed, and no temporary folder for one";
            return;
        }
        tempDir = pattern;
        const std::string target = tempDir + "/" + kCompiledName;
        if (!runLocaledef(target) || access((target + "/LC_NUMERIC").c_str(), R_OK) != 0) {
            source.reason = "no comma-decimal locale installed, and localedef could not make one";
            return;
        }

        // Check that the compiled locale loads, with LOCPATH as it was afterwards.
        const char* old = std::getenv("LOCPATH");
        const bool hadOld = old != nullptr;
        const std::string oldValue = hadOld ? old : "";
        setenv("LOCPATH", tempDir.c_str(), 1);
        const bool loads = loadsWithComma(kCompiledName);
        if (hadOld)
            setenv("LOCPATH", oldValue.c_str(), 1);
        else
            unsetenv("LOCPATH");
        if (!loads) {
            source.reason = "a locale made by localedef did not load";
            return;
        }
        source.name = kCompiledName;
        source.locPath = tempDir;
    }
};

} // namespace

std::vector<std::string> CommaLocaleSource::environment() const
{
    std::vector<std::string> settings;
    if (!locPath.empty())
        settings.push_back("LOCPATH=" + locPath);
    settings.push_back("LC_ALL=" + name);
    settings.push_back("LANG=" + name);
    return settings;
}

const CommaLocaleSource& commaLocaleSource()
{
    static const Source found;
    return found.source;
}

CommaLocale::CommaLocale(int category) : category_(category)
{
    const CommaLocaleSource& source = commaLocaleSource();
    if (!source.available()) {
        reason_ = source.reason;
        return;
    }
    const char* current = std::setlocale(category_, nullptr);
    previous_ = current != nullptr ? current : "C";
    if (!source.locPath.empty()) {
        const char* old = std::getenv("LOCPATH");
        hadLocPath_ = old != nullptr;
        oldLocPath_ = hadLocPath_ ? old : "";
        setLocPath_ = true;
        setenv("LOCPATH", source.locPath.c_str(), 1);
    }
    if (std::setlocale(category_, source.name.c_str()) == nullptr || !decimalPointIsComma()) {
        std::setlocale(category_, previous_.c_str());
        restoreLocPath();
        reason_ = "the comma-decimal locale " + source.name + " did not load";
        return;
    }
    name_ = source.name;
    available_ = true;
}

CommaLocale::~CommaLocale()
{
    if (!available_)
        return;
    std::setlocale(category_, previous_.c_str());
    restoreLocPath();
}

void CommaLocale::restoreLocPath()
{
    if (!setLocPath_)
        return;
    if (hadLocPath_)
        setenv("LOCPATH", oldLocPath_.c_str(), 1);
    else
        unsetenv("LOCPATH");
    setLocPath_ = false;
}
