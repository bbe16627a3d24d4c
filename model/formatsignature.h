#pragma once

// Which format a file's first bytes say it is, whatever the file is named.

#include <cstddef>
#include <cstdio>

enum class ModelFormat { none, ply, obj, stl, off, gltf, threemf };

// The format whose signature `bytes` (the start of a file) begin with: PLY
// for a first line "ply" (ending LF, CR LF or CR); OFF for the header word
// OFF, COFF, NOFF or CNOFF after blanks if any, followed by a blank, a digit
// or the line end; STL for the beginning of an ASCII STL file
// (isAsciiStlStart); glTF for a binary glTF file's magic "glTF". none
// otherwise: OBJ, binary STL, JSON glTF and 3MF have no signature of their
// own.
ModelFormat signatureFormat(const char* bytes, std::size_t size);

// The same for the next bytes of a stream, which are left unread: the
// stream is taken back to where it was. A stream that cannot go back (a
// pipe), or a null one, gives none. False when the stream could not be
// taken back.
bool peekSignature(FILE* stream, ModelFormat& format);

// The format's name as the user reads it: "PLY", "OBJ", "STL", "OFF", "glTF"
// or "3MF".
const char* formatName(ModelFormat format);
