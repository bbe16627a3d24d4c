// libFuzzer target for the PLY reader, with the invariants every reader's
// target checks (fuzz/readercheck.h). Built for fuzzing, the
// reader sends even small ASCII elements of a file through its two-core run
// reader (see fuzz/CMakeLists.txt), so the two loads also compare it with
// reading line by line. An input that starts with the byte 0xB1 (0xB2)
// is the binary little (big) endian body of a fixed header with colours,
// faces and strips, so that mutations reach deep into binary bodies.

#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/readercheck.h"

namespace {

// Headers for bodies given without one.
const char kLittleEndianHeader[]
    = "ply\nformat binary_little_endian 1.0\nelement vertex 5\nproperty float x\nproperty double y\n"
      "property int16 z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\nelement face 2\n"
      "property list uchar int vertex_indices\nelement tristrips 1\nproperty list int int vertex_indices\n"
      "end_header\n";

std::vector<uint8_t> withHeader(const uint8_t* data, size_t size)
{
    std::string header = kLittleEndianHeader;
    if (data[0] == 0xB2)
        header.replace(header.find("little"), 6, "big");
    std::vector<uint8_t> whole(header.begin(), header.end());
    whole.insert(whole.end(), data + 1, data + size);
    return whole;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* input, size_t inputSize)
{
    if (inputSize > 0 && (input[0] == 0xB1 || input[0] == 0xB2)) {
        const std::vector<uint8_t> headed = withHeader(input, inputSize);
        checkReaderInput(headed.data(), headed.size(), "ply");
    } else {
        checkReaderInput(input, inputSize, "ply");
    }
    return 0;
}
