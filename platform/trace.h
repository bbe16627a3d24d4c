#pragma once

// Debug trace: printf-style messages for developers, sent to qDebug. One
// trailing line feed of the message is dropped (qDebug ends the line itself).

namespace platform {
void trace(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;
} // namespace platform

#define TRACE(...) ::platform::trace(__VA_ARGS__)
