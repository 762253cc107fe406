/* Host stand-in for the Win32 API: types, kernel, registry, GDI, user and multimedia services.
   As on the platform, the C library's string and character declarations always come along;
   without WIN32_LEAN_AND_MEAN so do <stdlib.h> (malloc, free, rand, abs, qsort, ...), the
   multimedia services, the common dialogs and the `byte` type. */
#ifndef STANDIN_WINDOWS_H
#define STANDIN_WINDOWS_H

#include <ctype.h>
#include <stdarg.h>
#include <string.h>

#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "winreg.h"
#include "wingdi.h"
#include "winuser.h"
#ifndef WIN32_LEAN_AND_MEAN
#include <stdlib.h>

#include "commdlg.h"
#include "mmsystem.h"
typedef unsigned char byte;
#endif
#include "standin/teb.h"

#endif /* STANDIN_WINDOWS_H */
