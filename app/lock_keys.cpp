// Lock key states from the X keyboard extension's indicators.
#include "app/lock_keys.h"

#include <QGuiApplication>

#if ZOLT_HAVE_X11
#include <QtGui/qguiapplication_platform.h>
// Last: the X headers define names (None, Bool, KeyPress) that Qt's headers also use.
#include <X11/XKBlib.h>
#endif

std::optional<LockKeyStates> ReadLockKeyStates()
{
#if ZOLT_HAVE_X11
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display)
        return std::nullopt;
    // The indicators' positions are looked up by name once: the keymap names them, and their
    // order differs between keymaps.
    struct Indicators
    {
        bool known = false;
        int caps = -1, num = -1, scroll = -1;
    };
    static Indicators indicators;
    if (!indicators.known) {
        indicators.known = true;
        int opcode = 0, event = 0, error = 0;
        int major = XkbMajorVersion, minor = XkbMinorVersion;
        if (!XkbQueryExtension(display, &opcode, &event, &error, &major, &minor))
            return std::nullopt;
        auto find = [display](const char* name) {
            int index = -1;
            Bool on = False;
            Atom atom = XInternAtom(display, name, False);
            if (!XkbGetNamedIndicator(display, atom, &index, &on, nullptr, nullptr))
                return -1;
            return index;
        };
        indicators.caps = find("Caps Lock");
        indicators.num = find("Num Lock");
        indicators.scroll = find("Scroll Lock");
    }
    if (indicators.caps < 0 || indicators.num < 0 || indicators.scroll < 0)
        return std::nullopt;
    unsigned int state = 0;
    if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) != Success)
        return std::nullopt;
    return LockKeyStates{(state >> indicators.caps & 1) != 0, (state >> indicators.num & 1) != 0,
                         (state >> indicators.scroll & 1) != 0};
#else
    return std::nullopt;
#endif
}
