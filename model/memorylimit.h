#pragma once

// How much memory one load may take, and refusing a model that would need
// more before anything is allocated for it. Shared by every reader.

#include <cstdint>
#include <string>

// The bytes a load may use: what the system reports as available, less a
// margin for the rest of the program and the system, or the lower limit set
// in the environment variable BRENVIK_MEMORY_LIMIT (a number of bytes with an
// optional K, M, G or T suffix, powers of 1024). Asked afresh on each call.
uint64_t loadMemoryLimit();

// The bytes a model of these counts takes once built: its vertex array, its
// colours (when it has them), its face array and its corner block.
uint64_t modelBytes(uint64_t vertices, uint64_t faces, uint64_t corners, bool colours);

// "17.1 GB", "640.0 MB", "12.0 kB", "100 bytes": decimal units, as the file
// managers show sizes.
std::string memoryText(uint64_t bytes);

// True when `bytes` fit within `limit`; otherwise false with the reason "the
// model would need 17.1 GB; 6.0 GB may be used".
bool fitsMemoryLimit(uint64_t bytes, uint64_t limit, std::string& reason);
