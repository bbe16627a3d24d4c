#pragma once

// A model's size as text, as the status bar shows it: the box's sides in
// the file's units, "120 x 80 x 35.2 mm".

#include <string>

#include "model/modelframe.h"
#include "model/modelunit.h"

// A number to four significant digits, without trailing zeros, "." as the
// decimal point whatever the locale: "120", "35.2", "0.001235", "1.235e+06".
std::string significantText(double value);

// The sides of the frame's box, x by y by z, each to four significant
// digits, then the unit's short form when the file states one:
// "120 x 80 x 35.2 mm", "2 x 2 x 2".
std::string modelSizeText(const ModelFrame& frame, ModelUnit unit);
