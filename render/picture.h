#pragma once

#include <QString>

#include <vector>

// A drawn frame as a picture file: the colour buffer read back from the
// current context, and that picture written as PNG or JPEG. brenvik-render
// and the view's Export Picture both write their pictures with these, so
// the same frame gives the same file.

// The back colour buffer of the current context after glFinish: width x
// height pixels from the bottom-left corner, RGB, 3 bytes a pixel, rows
// packed, the bottom row first.
std::vector<unsigned char> ReadBackPicture(int width, int height);

// Writes rgb (as ReadBackPicture gives it) to path in format ("PNG" or
// "JPEG"; JPEG at quality 95). The file appears only when the whole picture
// was written: an existing file stays as it was, and no part of a picture
// is left behind, when writing fails. False, with why in *reason (when not
// null), when it does.
bool WritePicture(const QString& path, const std::vector<unsigned char>& rgb, int width, int height, const char* format,
                  QString* reason = nullptr);
