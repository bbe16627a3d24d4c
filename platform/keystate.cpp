#include "platform/keystate.h"

#include <QGuiApplication>

#if defined(BRENVIK_HAVE_X11)
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

namespace platform {
namespace {

#if defined(BRENVIK_HAVE_X11)
Display* x11Display()
{
    auto* app = qGuiApp;
    if (!app || QGuiApplication::platformName() != QLatin1String("xcb"))
        return nullptr;
    auto* x11 = app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->display() : nullptr;
}

const char* indicatorName(LockKey key)
{
    switch (key) {
    case LockKey::Caps:
        return "Caps Lock";
    case LockKey::Num:
        return "Num Lock";
    case LockKey::Scroll:
        return "Scroll Lock";
    }
    return "";
}
#endif

// Where the window system cannot be asked, the panes stay blank.
bool unknownState(LockKey)
{
    return false;
}

} // namespace

bool lockKeyStateIsReliable()
{
#if defined(BRENVIK_HAVE_X11)
    Display* display = x11Display();
    if (!display)
        return false;
    int major = XkbMajorVersion;
    int minor = XkbMinorVersion;
    int opcode = 0, event = 0, error = 0;
    return XkbQueryExtension(display, &opcode, &event, &error, &major, &minor) != 0;
#else
    return false;
#endif
}

bool isLockKeyOn(LockKey key)
{
#if defined(BRENVIK_HAVE_X11)
    if (Display* display = x11Display()) {
        const Atom atom = XInternAtom(display, indicatorName(key), True);
        if (atom != None) {
            Bool on = False;
            if (XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr))
                return on != False;
        }
        return false;
    }
#endif
    return unknownState(key);
}

} // namespace platform
