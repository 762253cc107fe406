/* Host stand-in for the Win32 API: types, kernel, registry and user services. */
#ifndef STANDIN_WINDOWS_H
#define STANDIN_WINDOWS_H

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "winreg.h"
#include "winuser.h"
#include "wingdi.h"
#include "standin/teb.h"

#endif /* STANDIN_WINDOWS_H */
