#pragma once

// Looking through a whole regular file quickly before reading it: the file
// is mapped into memory and its two halves, cut after a line end, are
// looked at on two threads where two cores can run them.

#include <functional>

// Calls scan(begin, end, half) for the bytes of the file open as fd from
// byte `from` on, in two halves (0 and 1) of whole lines, at once where
// two cores can run them. False when the file cannot be mapped.
bool scanFileHalves(int fd, long long from, const std::function<void(const char*, const char*, int)>& scan);
