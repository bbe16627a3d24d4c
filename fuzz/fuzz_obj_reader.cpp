// libFuzzer target for the Wavefront OBJ reader, with the invariants every
// reader's target checks (fuzz/readercheck.h).

#include <cstddef>
#include <cstdint>

#include "fuzz/readercheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    checkReaderInput(data, size, "obj");
    return 0;
}
