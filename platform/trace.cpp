#include "platform/trace.h"

#include <QDebug>
#include <QString>
#include <cstdarg>

namespace platform {

void trace(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    QString text = QString::vasprintf(format, args);
    va_end(args);
    if (text.endsWith(QLatin1Char('\n')))
        text.chop(1);
    qDebug().noquote() << text;
}

} // namespace platform
