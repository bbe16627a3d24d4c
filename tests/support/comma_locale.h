#pragma once

// A locale whose decimal point is ",", for tests that numbers are still read
// and written with ".". An installed one is used when there is any; otherwise
// one is compiled with localedef into a temporary folder (once per test
// program, removed when the program ends). Uses no Qt, so every test program
// can link it.

#include <clocale>
#include <string>
#include <vector>

// Where a comma-decimal locale can be loaded from.
struct CommaLocaleSource {
    std::string name;    // locale name for setlocale / LC_ALL; empty when none
    std::string locPath; // folder for LOCPATH, or empty for an installed locale
    std::string reason;  // why there is none, when name is empty

    bool available() const { return !name.empty(); }

    // Settings that make a child process use the locale for everything:
    // LOCPATH (when needed), LC_ALL and LANG, as "NAME=value" strings.
    std::vector<std::string> environment() const;
};

// Finds or makes the locale; the search runs once per process.
const CommaLocaleSource& commaLocaleSource();

// Switches the given locale category of the process (LC_NUMERIC by default,
// or LC_ALL) to the comma-decimal locale while alive. On destruction the
// category and LOCPATH are back as they were. available() is false when no
// such locale could be found or made; the process is then left unchanged.
class CommaLocale {
public:
    explicit CommaLocale(int category = LC_NUMERIC);
    ~CommaLocale();
    CommaLocale(const CommaLocale&) = delete;
    CommaLocale& operator=(const CommaLocale&) = delete;

    bool available() const { return available_; }
    const std::string& name() const { return name_; }
    const std::string& reason() const { return reason_; }

private:
    void restoreLocPath();

    int category_;
    bool available_ = false;
    std::string name_;
    std::string reason_;
    std::string previous_;
    bool setLocPath_ = false;
    bool hadLocPath_ = false;
    std::string oldLocPath_;
};
