#include "geometry/clocalescope.h"

locale_t cLocale()
{
    static const locale_t locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
    return locale;
}

ScopedCLocale::ScopedCLocale()
{
    if (cLocale() != static_cast<locale_t>(nullptr))
        previous_ = uselocale(cLocale());
}

ScopedCLocale::~ScopedCLocale()
{
    if (previous_ != static_cast<locale_t>(nullptr))
        uselocale(previous_);
}
