#pragma once

// Looking through a whole regular file quickly before reading it: its two
// halves, cut after a line end, are read and looked at on two threads where
// two cores can run them. The file is read, not mapped, so that a file cut
// short meanwhile by another program only ends the look sooner.

#include <atomic>
#include <functional>

// Calls scan(begin, end, half) for the bytes of the file open as fd from
// byte `from` on, in two halves (0 and 1) of whole lines, each half as
// consecutive runs of whole lines (the last run of a half may lack its line
// end), at once where two cores can run them. False when the file is not a
// regular file with bytes from `from` on, memory runs out, or `stop` (if
// any) is set, which is looked at between runs.
bool scanFileHalves(int fd, long long from, const std::function<void(const char*, const char*, int)>& scan,
                    const std::atomic<bool>* stop = nullptr);
