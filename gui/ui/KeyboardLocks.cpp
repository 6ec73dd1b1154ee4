#include "ui/KeyboardLocks.h"

#include <QGuiApplication>
#ifdef LATTRIX_HAVE_X11
#include <QtGui/qguiapplication_platform.h>
#endif

#ifdef LATTRIX_HAVE_X11
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#endif

bool QueryKeyboardLocks(KeyboardLocks& locks) {
  locks = KeyboardLocks();
#ifdef LATTRIX_HAVE_X11
  auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return false;
  auto named = [display](const char* name) {
    Atom atom = XInternAtom(display, name, True);
    if (atom == None) return false;
    Bool on = False;
    if (!XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return false;
    return on == True;
  };
  locks.caps = named("Caps Lock");
  locks.num = named("Num Lock");
  locks.scroll = named("Scroll Lock");
  locks.kana = named("Kana");
  return true;
#else
  return false;
#endif
}
