// Little-endian field reads at any alignment, for the bitmap readers.
#ifndef TOOLS_DIBREAD_H
#define TOOLS_DIBREAD_H

#include <stdint.h>
#include <string.h>

inline uint16_t DibRead16(const unsigned char *p) {
  uint16_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

inline uint32_t DibRead32(const unsigned char *p) {
  uint32_t v;
  memcpy(&v, p, sizeof v);
  return v;
}

#endif  // TOOLS_DIBREAD_H
