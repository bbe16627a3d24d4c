#include "model/modelunit.h"

#include <cstring>
#include <initializer_list>

const char* unitName(ModelUnit unit)
{
    switch (unit) {
    case ModelUnit::micron:
        return "micron";
    case ModelUnit::millimeter:
        return "millimeter";
    case ModelUnit::centimeter:
        return "centimeter";
    case ModelUnit::inch:
        return "inch";
    case ModelUnit::foot:
        return "foot";
    case ModelUnit::meter:
        return "meter";
    case ModelUnit::none:
        break;
    }
    return "none";
}

const char* unitSymbol(ModelUnit unit)
{
    switch (unit) {
    case ModelUnit::micron:
        return "\xc2\xb5m";
    case ModelUnit::millimeter:
        return "mm";
    case ModelUnit::centimeter:
        return "cm";
    case ModelUnit::inch:
        return "in";
    case ModelUnit::foot:
        return "ft";
    case ModelUnit::meter:
        return "m";
    case ModelUnit::none:
        break;
    }
    return "";
}

ModelUnit unitNamed(const char* name)
{
    for (const ModelUnit unit : {ModelUnit::micron, ModelUnit::millimeter, ModelUnit::centimeter, ModelUnit::inch,
                                 ModelUnit::foot, ModelUnit::meter}) {
        if (std::strcmp(name, unitName(unit)) == 0)
            return unit;
    }
    return ModelUnit::none;
}
