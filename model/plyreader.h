#pragma once

// Reading a mesh from an ASCII PLY stream, and the path helpers that derive
// the extension that chooses the reader.

#include <cstddef>
#include <cstdio>
#include <string>

#include "model/loadcontrol.h"
#include "model/meshmodel.h"

// Chooses the reader by extension: one whose first three characters are
// "ply" (case-sensitive) is read with readPlyModel; any other gives null
// with the reason "no reader for this file type".
// On null, *reason (when given) holds a short sentence saying why, such as
// "line 14: corner index 12 is outside 0..7"; on success it is empty.
// A control, when given, reports progress and can stop the load (see
// LoadControl).
MeshModel* loadModel(FILE* stream, const char* extension, std::string* reason = nullptr,
                     LoadControl* control = nullptr);

// Reads an ASCII PLY stream from its current position: the vertex and face
// counts of the header, then the vertex positions (x y z at the start of each
// line), then one polygon per line (corner count, then corner indices).
// The positions are centred on the origin and scaled by one factor so the
// longest side of the bounding box spans -1 to 1; normals are built.
// Returns a model owned by the caller (release with freeMeshModel), or null
// with a reason for a malformed, truncated or binary file. Lines may be of
// any length and end in LF or CR LF. Numbers are read as "%lf" and "%d" read
// them in the "C" locale, whatever the process locale. Does not close the
// stream.
MeshModel* readPlyModel(FILE* stream, std::string* reason = nullptr, LoadControl* control = nullptr);

// The smallest component; on a tie x wins over y and z, and y over z.
double minComponent(const Vector3& v);

// True when the first three characters are "ply" (case-sensitive).
bool isPlyExtension(const char* extension);

// The last component of a path: the text after the last '/' or '\',
// or the whole path when it has neither.
std::string fileNamePart(const std::string& path);
// The text after the last '.' of the last path component, without the dot;
// empty when that component has no '.'.
std::string fileExtension(const std::string& path);

// The same into a character buffer of destSize bytes (terminator included);
// longer results are cut to fit. Nothing is written when destSize is 0.
void fileNamePart(char* dest, std::size_t destSize, const char* path);
void fileExtension(char* dest, std::size_t destSize, const char* path);
