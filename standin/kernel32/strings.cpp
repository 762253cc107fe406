// lstr* string functions and MulDiv. Comparisons are by byte (lstrcmpiA folds ASCII case) and
// return -1, 0 or 1.
#include <strings.h>

#include <climits>
#include <cstring>

#include "standin_internal.h"

static int Sign(int n) { return (n > 0) - (n < 0); }

extern "C" {

int WINAPI lstrlenA(LPCSTR s) { return s ? static_cast<int>(std::strlen(s)) : 0; }

int WINAPI lstrcmpA(LPCSTR a, LPCSTR b) { return Sign(std::strcmp(a ? a : "", b ? b : "")); }

int WINAPI lstrcmpiA(LPCSTR a, LPCSTR b) { return Sign(strcasecmp(a ? a : "", b ? b : "")); }

LPSTR WINAPI lstrcpyA(LPSTR dst, LPCSTR src) {
  if (!dst || !src) return nullptr;
  return std::strcpy(dst, src);
}

// Copies at most iMaxLength - 1 characters and always terminates.
LPSTR WINAPI lstrcpynA(LPSTR dst, LPCSTR src, int iMaxLength) {
  if (!dst || !src || iMaxLength <= 0) return dst;
  int i = 0;
  for (; i < iMaxLength - 1 && src[i]; ++i) dst[i] = src[i];
  dst[i] = 0;
  return dst;
}

LPSTR WINAPI lstrcatA(LPSTR dst, LPCSTR src) {
  if (!dst || !src) return nullptr;
  return std::strcat(dst, src);
}

int WINAPI MulDiv(int nNumber, int nNumerator, int nDenominator) {
  if (nDenominator == 0) return -1;
  const long long product = static_cast<long long>(nNumber) * nNumerator, divisor = nDenominator;
  const long long magnitude = ((product < 0 ? -product : product) + (divisor < 0 ? -divisor : divisor) / 2) /
                              (divisor < 0 ? -divisor : divisor);
  const long long result = (product < 0) != (divisor < 0) ? -magnitude : magnitude;
  return result > INT_MAX || result < INT_MIN ? -1 : static_cast<int>(result);
}

}  // extern "C"
