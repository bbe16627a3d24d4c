#pragma once

#include <string>

// Switches LC_NUMERIC of the process to a locale whose decimal point is ",",
// for tests that numbers are still read and written with ".". Uses an
// installed locale when there is one, otherwise compiles one with localedef
// into a temporary folder. On destruction LC_NUMERIC returns to "C".
class CommaDecimalLocale {
public:
    CommaDecimalLocale();
    ~CommaDecimalLocale();
    CommaDecimalLocale(const CommaDecimalLocale&) = delete;
    CommaDecimalLocale& operator=(const CommaDecimalLocale&) = delete;

    // False when no such locale could be found or made; the reason says why.
    bool active() const { return active_; }
    const std::string& reason() const { return reason_; }

private:
    bool active_ = false;
    std::string reason_;
    std::string tempDir_;
};
