#pragma once

// Opening a file for reading, regular files only. Only regular files are read: a FIFO, a
// device, a socket or a directory would block the caller, never end, or
// give nothing, so it is refused at once.

#include <cstdio>
#include <string>

// Opens the file at path for reading; null with the reason ("not a regular
// file", or the system's message such as "No such file or directory") when
// it cannot or must not be read. The check is made before opening (so the
// open itself never blocks on a FIFO) and again on the opened file (so a
// file swapped in between is caught). Close the stream with fclose.
FILE* openRegularFile(const std::string& path, std::string& reason);
