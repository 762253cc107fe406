// Texture level geometry, texture memory, downloads and texel sampling.
#ifndef RAVIX2X_TEXLAYOUT_H
#define RAVIX2X_TEXLAYOUT_H

#include <cstdint>

#include "ravix2x.h"

namespace rvx {

// Bytes per texel of a format code; 0 for codes outside 0-15.
uint32_t texelBytes(int32_t format);

// True for the formats the board samples.
bool sampledFormat(int32_t format);

// Width and height of level lod of a texture with this aspect; false when
// lod or aspect is out of range.
bool lodSize(int32_t lod, int32_t aspect, uint32_t &width, uint32_t &height);

// Bytes of the levels of info that levels (RV_TEXLEVELS_*) selects, rounded
// up to RV_TEXMEM_ALIGN; 0 for an invalid description.
uint32_t textureMemRequired(uint32_t levels, const RvTexInfo &info);

// The calls' board work; each counts bad arguments.
void texSource(int32_t tmu, uint32_t start, uint32_t levels, const RvTexInfo *info);
void texDownload(int32_t tmu, uint32_t start, int32_t thisLod, int32_t largeLod, int32_t aspect,
                 int32_t format, uint32_t levels, const void *data, int32_t firstRow, int32_t lastRow,
                 bool partial);
void texDownloadTable(int32_t tmu, int32_t type, const void *data);

// RGBA 0-255 of a texel of the current source at texture coordinates s, t
// (0-256 along the longer side) with level-of-detail lambda (log2 of texels
// per pixel at the largest level). Zero without a valid source.
struct Rgba {
    int32_t r, g, b, a;
};
Rgba sampleTexture(float s, float t, float lambda);

} // namespace rvx

#endif
