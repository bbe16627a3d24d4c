#pragma once

// Inflates a deflated zip entry whole, in one call of libdeflate (about
// twice as fast as inflating it a block at a time with zlib), into a buffer
// of the size the entry declares, and checks its CRC. A large entry is
// inflated on a thread of its own while the caller fills the output's pages
// ahead of it and waits for it or for the control's cancel: a cancelled load
// returns at once and leaves the thread to finish with the memory it holds.
// A small one (a few milliseconds' work) is inflated by the caller.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "model/bigmemory.h"
#include "model/loadcontrol.h"

struct InflatedEntry {
    HugeBuffer bytes;
    std::size_t size = 0;
};

// Inflates the raw deflate stream `packed` of the entry `name` that should
// give exactly `size` bytes whose CRC-32 is `crc` (unless `checkCrc` is
// false). False with the reason ("<name>: the compressed data is corrupt",
// "<name> ends after 10 of its 20 bytes", "<name> holds more than the 20
// bytes it declares", "<name>: its bytes fail their CRC check", "loading was
// cancelled", or the memory reason).
bool inflateEntry(const std::string& name, std::vector<uint8_t> packed, std::size_t size, uint32_t crc, bool checkCrc,
                  InflatedEntry& entry, std::string& reason, const LoadControl* control);
