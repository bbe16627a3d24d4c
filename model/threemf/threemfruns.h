#pragma once

// The bulk of a 3MF model part: the content of a <vertices> or <triangles>
// element, read straight from the text, the two halves of a long run on two
// cores. Only the plain form is taken: white space and empty elements
// (<vertex x="1" y="2" z="3"/>, any prefix, any other attributes passed
// over, no entities); the numbers must be whole and sound. Anything else
// (a comment, another element, a faulty number, a triangle with properties)
// makes the run give false with nothing added, for the XML scan to read the
// content one element at a time and to say what is wrong, and where.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "model/loadcontrol.h"

// Where the element whose content starts at `begin` has its end tag: the
// first "</" before `end`, or null.
const char* threeMfContentEnd(const char* begin, const char* end);

// Appends x, y, z of each <vertex> in [begin, end) to `positions`.
bool readThreeMfVertexRun(const char* begin, const char* end, std::vector<double>& positions,
                          const LoadControl* control);

// Appends v1, v2, v3 of each <triangle> in [begin, end) to `corners`, each
// below `vertices`.
bool readThreeMfTriangleRun(const char* begin, const char* end, std::size_t vertices, std::vector<uint32_t>& corners,
                            const LoadControl* control);
