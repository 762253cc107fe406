// Window-system services that come with pass-through mode.

#include "wgl.h"

// Mode 1, the default, never forwards to the platform's library.
int __wglCheckOverride(void) { return 0; }
