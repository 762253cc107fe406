/* Host stand-in for the Win32 API: types, kernel, registry, GDI, user and multimedia-timer services. */
#ifndef STANDIN_WINDOWS_H
#define STANDIN_WINDOWS_H

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "winreg.h"
#include "wingdi.h"
#include "winuser.h"
#ifndef WIN32_LEAN_AND_MEAN
#include "mmsystem.h"
#endif
#include "standin/teb.h"

#endif /* STANDIN_WINDOWS_H */
