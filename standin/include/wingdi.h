/* GDI and wgl declarations of the Windows stand-in. */
#ifndef STANDIN_WINGDI_H
#define STANDIN_WINGDI_H

#include "windef.h"

#ifdef __cplusplus
extern "C" {
#endif

PROC WINAPI wglGetProcAddress(LPCSTR name);

#ifdef __cplusplus
}
#endif

#endif
