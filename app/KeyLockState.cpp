#include "KeyLockState.h"

#include <QGuiApplication>

#ifdef LT_HAVE_X11
#include <X11/XKBlib.h>
#endif

SKeyLocks KeyLockState() {
    SKeyLocks locks;
#ifdef LT_HAVE_X11
    auto* x11 = qGuiApp != nullptr ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 != nullptr ? x11->display() : nullptr;
    if (display == nullptr)
        return locks;
    const auto lit = [display](const char* name) {
        Bool on = False;
        const Atom atom = XInternAtom(display, name, True);
        return atom != None && XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr) && on;
    };
    locks.caps = lit("Caps Lock");
    locks.num = lit("Num Lock");
    locks.scroll = lit("Scroll Lock");
#endif
    return locks;
}
