// wsprintfA and wvsprintfA: printf formatting into a buffer of up to 1024 characters.
#include <stdio.h>
#include <windows.h>

extern "C" {

int WINAPI wvsprintfA(LPSTR lpOut, LPCSTR lpFmt, va_list arglist) {
  if (!lpOut || !lpFmt) return 0;
  int n = vsnprintf(lpOut, 1024, lpFmt, arglist);
  return n < 0 ? 0 : n > 1023 ? 1023 : n;
}

int WINAPIV wsprintfA(LPSTR lpOut, LPCSTR lpFmt, ...) {
  va_list args;
  va_start(args, lpFmt);
  int n = wvsprintfA(lpOut, lpFmt, args);
  va_end(args);
  return n;
}

}  // extern "C"
