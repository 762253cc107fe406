/* Multimedia timer services: the millisecond clock. */
#ifndef STANDIN_MMSYSTEM_H
#define STANDIN_MMSYSTEM_H

#include "windef.h"

typedef UINT MMRESULT;

#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

STANDIN_EXTERN_C_BEGIN

DWORD WINAPI timeGetTime(void);
MMRESULT WINAPI timeBeginPeriod(UINT uPeriod);
MMRESULT WINAPI timeEndPeriod(UINT uPeriod);

STANDIN_EXTERN_C_END

#endif /* STANDIN_MMSYSTEM_H */
