// Texture level geometry and texture memory sizes.
#ifndef RAVIX2X_TEXLAYOUT_H
#define RAVIX2X_TEXLAYOUT_H

#include <cstdint>

#include "ravix2x.h"

namespace rvx {

// Bytes per texel of a format code; 0 for codes outside 0-15.
uint32_t texelBytes(int32_t format);

// Width and height of level lod of a texture with this aspect; false when
// lod or aspect is out of range.
bool lodSize(int32_t lod, int32_t aspect, uint32_t &width, uint32_t &height);

// Bytes of the levels of info that levels (RV_TEXLEVELS_*) selects, rounded
// up to RV_TEXMEM_ALIGN; 0 for an invalid description.
uint32_t textureMemRequired(uint32_t levels, const RvTexInfo &info);

} // namespace rvx

#endif
