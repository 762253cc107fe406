// Window-system services that come with drawables, context handles and
// pass-through mode.

#include "wgl.h"

void __wglWindowDestroyed(HWND) {}
void __wglWindowChanged(HWND) {}

// Mode 1, the default, never forwards to the platform's library.
int __wglCheckOverride(void) { return 0; }
