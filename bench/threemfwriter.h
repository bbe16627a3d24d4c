#pragma once

// 3MF packages for the benchmarks and the fuzz seeds, written with libzip:
// the grid as a slicer writes it, and small models.

#include <string>
#include <utility>
#include <vector>

// The parts of a package: their names in the zip archive and contents.
using ThreeMfParts = std::vector<std::pair<std::string, std::string>>;

// Writes the parts, with the content types and the relationships naming
// /3D/3dmodel.model as the root model part, deflated or stored; false with
// a message on stderr when the file cannot be written.
bool writeThreeMfPackage(const std::string& path, const ThreeMfParts& parts, bool deflate);

// The benchmarks' grid (bench/gridply.h) as a slicer writes it: one mesh
// object, a vertex or triangle a line, deflated (about 20 MB, 130 MB of XML).
const std::string& gridThreeMfPath();

// Writes three tiny packages into the folder: a stored and a deflated
// tetrahedron, and one placed through components with colours; false when
// one cannot be written.
bool writeThreeMfSeeds(const std::string& folder);
