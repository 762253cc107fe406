// Texturing of the fast span chain: texel fetch by stored format, the 16.16
// texel filters, the textured span stages that fill GlSpan.texels, and the
// texture part of the chain picker (raster/chain.h).
#pragma once

#include "raster/chain.h"

extern "C" {
// Texel fetch (procs.texelFetch): one texel of a level as bytes, by stored
// format, borderless (outside the level: the border colour) and bordered (the
// level's border texels). Luminance, intensity and index8/16 are 1, 2, 3, 4,
// 1, 1, 1, 2 source bytes; out gets L L L, L L L A, R G B, R G B A, A,
// I I I I, and for indexes the palette entry (or the index byte in a
// colour-index context).
void GLPROC __glTexelFetch1(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch2(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch3(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch4(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch5(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch6(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch7(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch8(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch9(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch10(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch11(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch12(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch13(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch14(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch15(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
void GLPROC __glTexelFetch16(const GlMipmapLevel* l, const GlTextureParams* p, GLint row, GLint col, uint8_t* out);
// The fetch of a level's stored format and border.
GlTexelFetchProc GLPROC __glPickTexelFetch(const GlMipmapLevel* level);

// Filters (procs.texFilterMin, procs.texFilterMag): four bytes of the
// filtered texel at 16.16 s and t through the texture's texelFetch. Nearest
// and Linear take texels of the given level; Mip1..Mip6 take whole-texture
// coordinates (1.0 = the texture's width or height): Mip1 and Mip2 level 0
// (nearest, linear), Mip3..Mip6 the 16.16 level of detail (nearest and linear
// on the nearest level, nearest and linear blended over two levels).
void GLPROC __glTexFilterNearest(const GlTextureParams* p, GLint level, GLint s, GLint t, uint8_t* out);
void GLPROC __glTexFilterLinear(const GlTextureParams* p, GLint level, GLint s, GLint t, uint8_t* out);
void GLPROC __glTexFilterMip1(const GlTextureParams* p, GLint level, GLint s, GLint t, uint8_t* out);
void GLPROC __glTexFilterMip2(const GlTextureParams* p, GLint level, GLint s, GLint t, uint8_t* out);
void GLPROC __glTexFilterMip3(const GlTextureParams* p, GLint lod, GLint s, GLint t, uint8_t* out);
void GLPROC __glTexFilterMip4(const GlTextureParams* p, GLint lod, GLint s, GLint t, uint8_t* out);
void GLPROC __glTexFilterMip5(const GlTextureParams* p, GLint lod, GLint s, GLint t, uint8_t* out);
void GLPROC __glTexFilterMip6(const GlTextureParams* p, GLint lod, GLint s, GLint t, uint8_t* out);

// Textured span stages (procs.spanTextured): the texels of the live pixels,
// packed in pixel order at 1, 3 (1..3 and 4..6 and 7..9 and 10..12 by three)
// or 4 bytes each. 1-3 affine 16.16 coordinates, 4-6 perspective, 7-9
// perspective with the magnification/minification switch, 10-12 perspective
// with mipmap levels; every one through procs.texFilterMin/Mag.
void GLSPANCALL __glSpanTextured1(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTextured2(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTextured3(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTextured4(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTextured5(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTextured6(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTextured7(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTextured8(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTextured9(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTextured10(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTextured11(GLuint mask, GlSpan* s);
void GLSPANCALL __glSpanTextured12(GLuint mask, GlSpan* s);

// The C++ form of the generated nearest-texel stage (one filter GL_NEAREST,
// GL_REPEAT both ways, no border, 8-bit texels or an 8-bit index): the texel
// read inline. Null for a texture it does not serve.
GlSpanProc GLPROC __glPickNearestTexturedSpan(const GlTextureParams* p, GLint texelBytes, GLboolean perspective);

// The filtered stage of the chain (GL_LINEAR, a mipmap filter beside the
// magnification filter of its kind, or a nearest one beside GL_LINEAR) for a 2-D borderless texture of 8-bit
// RGB, RGBA, luminance, luminance-alpha, intensity or RGB/RGBA-paletted
// texels under GL_REPEAT or GL_CLAMP, 3 or 4 bytes a texel out: the filters
// inline, four pixels a step. Null for a texture it does not serve.
GlSpanProc GLPROC __glPickFilteredTexturedSpan(const GlTextureParams* p, GLint texelBytes);

// The direct stage of GL_REPLACE copied straight (GlChainPick.texStraight)
// for a colour buffer of 1, 2 or 4 bytes a pixel: level 0's converted copy
// read at the nearest texel and stored; null for another pixel size.
GlSpanProc GLPROC __glPickStraightCopySpan(GLint pixelBytes, GLboolean perspective);

// A float coordinate as 16.16 fixed point, rounded to nearest and held to
// [-32768, 32767.996] (not-a-number gives -32768).
GLint GLPROC __glTexFixed16(GLfloat v);
// Half the piecewise-linear log2 of a squared scale factor (positive), in
// 16.16, from its float bits.
GLint GLPROC __glTexLodFixed(GLfloat rho);
}
