#include "model/sizetext.h"

#include <cstdio>

#include "geometry/clocalescope.h"

std::string significantText(double value)
{
    char text[32];
    {
        const ScopedCLocale numbersInC;
        std::snprintf(text, sizeof text, "%.4g", value);
    }
    return text;
}

std::string modelSizeText(const ModelFrame& frame, ModelUnit unit)
{
    const Vector3 size = frameSize(frame);
    std::string text = significantText(size.x) + " x " + significantText(size.y) + " x " + significantText(size.z);
    if (unit != ModelUnit::none)
        text += std::string(" ") + unitSymbol(unit);
    return text;
}
