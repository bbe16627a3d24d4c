// libFuzzer target for the 3MF reader, with the invariants every
// reader's target checks (fuzz/readercheck.h).

#include <cstddef>
#include <cstdint>

#include "fuzz/readercheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    checkReaderInput(data, size, "3mf");
    return 0;
}
