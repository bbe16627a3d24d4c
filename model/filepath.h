#pragma once

// The parts of a path that choose the reader: the file name and its
// extension.

#include <cstddef>
#include <string>

// True when the first three characters are "ply" (case-sensitive).
bool isPlyExtension(const char* extension);

// The last component of a path: the text after the last '/' or '\',
// or the whole path when it has neither.
std::string fileNamePart(const std::string& path);
// The folder part of a path: the text before the last '/' ("/" for a file
// in the root), or "." when the path has none.
std::string folderPart(const std::string& path);
// The text after the last '.' of the last path component, without the dot;
// empty when that component has no '.'.
std::string fileExtension(const std::string& path);

// The same into a character buffer of destSize bytes (terminator included);
// longer results are cut to fit. Nothing is written when destSize is 0.
void fileNamePart(char* dest, std::size_t destSize, const char* path);
void fileExtension(char* dest, std::size_t destSize, const char* path);
