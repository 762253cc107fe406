// The MMX whole-triangle fill of 8- and 16-bit colour buffers: what it does
// for a key, its constant tables, and the lane arithmetic its routine
// (mmxspan.cpp) and its C++ twin (mmxfill.cpp) share.
//
// Four pixels a group, the group aligned in the colour buffer; lane l of a
// group is the pixel at its l-th place, and a span whose first pixel lies at
// lane j has pixel p at lane (p + j) & 3 of group (p + j) >> 2. Each colour
// channel of n bits is a signed 16-bit lane whose top value bit is bit 14:
// the frame's 16.16 value shifted left by 15 - n, its integer part taken
// toward zero. A lane at group m is V + (l - j) s1 + m s4 (modulo 2^16),
// where V is the start value and s1 and s4 are the integer parts (toward
// zero) of the shifted step and of four steps. Dither adds D[y & 3][x & 3] x
// 4096 >> (n + 1) with signed saturation; a channel is packed by moving its
// top bit to its field's and masking. Texels are byte x 128; modulated, a
// texel byte b is b x 257 and the channel the high half of its unsigned
// product with the colour lane (top bit 14). Texture coordinates are
// lanes of the fraction of the texture's side (65536 a whole repeat), their
// start the high half of the 16.16 value shifted left by 16 - log2 side:
// the texel's row and column are their top bits, so the 16-bit overflow
// repeats the texture.
//
// Blending: source and destination channels at top bit 14 (a destination
// field shifted up and masked), factors and alpha 16384 = 1.0 (a colour as
// a factor scaled so that its channel's maximum is 1.0, a source colour held
// to 1.0: a texel or a lane may pass the maximum; alpha lanes
// the frame's 0 .. 256 value shifted left by 6, texel alpha byte b as
// b x 64 + (b + 1) / 4: opaque is exactly 1.0).
// GL_ONE, GL_ONE adds with saturation; otherwise the high halves of source x
// source factor and destination x destination factor are added (top bit 12)
// and, unless the source factor is GL_ZERO, doubled twice with saturation;
// dither and pack follow. The buffers hold no alpha: destination alpha is 1.
//
// Depth is the chain's exactly (a depth-only pass through the chain and a
// colour pass through the fill meet): pixel p of the span holds the stored
// form of z + p x dz (__glDepthStored, modulo 2^32), compared unsigned; the
// lanes walk 32-bit values (__glDepthWalkValue; 16-bit words their high
// halves).
#pragma once

#include "codegen/rasterwalk.h"

// Texel layout of the key's FILL_TEX_LAYOUT word: bytes a texel of level 0,
// one byte for red, green and blue, an index byte into the palette, the
// palette entry's bytes and the same for its entries. 0: no texture the fill
// reads.
enum : GLuint {
    GL_MMX_TEXEL_BYTES = 0xF,
    GL_MMX_TEXEL_GREY = 0x10,
    GL_MMX_TEXEL_INDEX = 0x20,
    GL_MMX_PALETTE_BYTES_SHIFT = 8,
    GL_MMX_PALETTE_GREY = 0x1000,
    GL_MMX_TEXEL_ALPHA = 0x40,     // the texel (or its palette entry) carries alpha
};
enum { GL_MMX_TEX_NONE, GL_MMX_TEX_REPLACE, GL_MMX_TEX_MODULATE };
// The filter of the key's FILL_TEX_FILTER word: the nearest texel of level
// 0, or its four nearest weighted by the 8-bit fractions of s and t; the
// mipmap filters (minification, beside a magnification filter of their
// kind), their levels chosen per span (__glMmxLevelsOf).
// The word: the minification filter's kind, and GL_MMX_FILTER_MAG_LINEAR
// when the magnification filter is GL_LINEAR.
enum {
    GL_MMX_FILTER_NEAREST, GL_MMX_FILTER_LINEAR,
    GL_MMX_FILTER_NMN, GL_MMX_FILTER_LMN, GL_MMX_FILTER_NML, GL_MMX_FILTER_LML,
    GL_MMX_FILTER_NONE = 0xFF, GL_MMX_FILTER_MAG_LINEAR = 0x100
};

struct GlMmxFill {
    GLint bytes;            // colour bytes a pixel: 1, 2 or 4 (x8r8g8b8: each channel a byte)
    GLint bits[3], pos[3];  // red, green and blue fields
    bool smooth, dither;
    GLuint tex;             // GL_MMX_TEX_*
    GLint texelBytes;       // of level 0 (an index: 1)
    bool grey;              // the colour byte (of the texel or its palette entry) gives all three
    GLint paletteBytes;     // 0: no palette
    GLint widthLog2, heightLog2;
    bool perspective;
    GLuint filter;          // GL_MMX_FILTER_* (the kind)
    bool linear;            // bilinear texels of each level read (__glMmxBilinearOf)
    bool mip;               // levels chosen per span
    bool twoLevels;         // two levels blended (MIPMAP_LINEAR)
    bool magLinear;         // magnified: level 0's bilinear texels
    bool filtered() const { return filter != GL_MMX_FILTER_NEAREST; }
    // A mipmap magnified by a filter of the other kind (its own texel code).
    bool magSeparate() const { return mip && magLinear != linear; }
    // The squared scale up to which a fragment counts as magnified: 2.0 where
    // a linear magnification meets a nearest-texel minification.
    GLuint crossoverBits() const { return magLinear && !linear ? 0x40000000u : 0x3F800000u; }
    GLuint depth;           // 0: no depth stage, else the function - GL_NEVER + 1
    bool depthWrite;
    GLint depthBytes;       // 2 or 4 a stored value
    GLint depthShift;       // the buffer's depthShift
    bool blend;             // blended with the destination
    GLint blendSrc, blendDst;  // factor classes (__glBlendFactorClass)
    bool alpha;             // alpha lanes interpolated (a factor reads alpha)
    bool texAlpha;          // the source alpha is the texel's (modulated by the alpha lanes)
    GLint texAlphaByte;     // the texel's (or palette entry's) alpha byte
    // Colour lanes that step along the span.
    bool colorSteps() const { return smooth && tex != GL_MMX_TEX_REPLACE; }
    // Alpha lanes that step along the span (under GL_REPLACE too: the texel may have no alpha).
    bool alphaSteps() const { return alpha && smooth; }
    // Colour lanes of the fragment at all (not under GL_REPLACE).
    bool fragmentColor() const { return tex != GL_MMX_TEX_REPLACE; }
    GLint shift(int c) const { return 15 - bits[c]; }
    // Red lanes shifted left by this to their field's top bit (start and step
    // lanes alike, modulo 2^16), so that the pack only masks them: smooth
    // colours without texture, and modulated texels (the unsigned product
    // then at that bit, dithered with unsigned saturation); not blended.
    GLint redUp() const {
        return bytes < 4 && ((!tex && smooth) || tex == GL_MMX_TEX_MODULATE) && !blend && top(0) > 14 ? top(0) - 14 : 0;
    }
    // The top bit of channel c's field in the pixel.
    GLint top(int c) const { return bits[c] - 1 + pos[c]; }
};
void __glMmxFillOf(const GlOgRasterKey* k, GlMmxFill* f);

// Blend factors: class 0-10 (GL_ZERO, GL_ONE, GL_SRC_COLOR, GL_ONE_MINUS_SRC_COLOR,
// GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA, GL_DST_ALPHA, GL_ONE_MINUS_DST_ALPHA,
// GL_DST_COLOR, GL_ONE_MINUS_DST_COLOR, GL_SRC_ALPHA_SATURATE), whether the
// factor reads alpha; whether texels of a base format carry alpha.
GLint __glBlendFactorClass(GLenum factor);
bool __glBlendUsesAlpha(GLenum factor);
bool __glTexFormatHasAlpha(GLenum baseFormat);
// The key's FILL_BLEND word: 0 without blending, else 1 | (destination
// class << 4 | source class) << 4.
GLuint __glMmxBlendWord(GLenum src, GLenum dst);

// The texel layout of the bound texture for the fill, 0 when it takes none;
// its filter (GL_MMX_FILTER_NONE: none the fill takes).
GLuint __glMmxTexelLayout(const GlContext* gc);
GLuint __glMmxTexFilter(const GlContext* gc);

// Bilinear texels of s and t lanes (fractions of the level's sides): u = s
// less half a texel, the column u >> (16 - log2 width) and the next one
// (repeated), the fraction fs = (u << log2 width) >> 8 (16 bits), rows and
// ft the same from t; the weights w11 = fs ft >> 8, w01 = fs - w11, w10 =
// ft - w11, w00 = sum - fs - ft + w11 sum to `sum`: 257 to modulate (a
// channel then the texel byte x 257 where the four agree), 256 to replace
// (halved: byte x 128). acc[c] = the weighted sum of channel c (the fourth
// the alpha byte of 4-byte texels), within 16 bits. The corners' texel
// indexes (column + row x width) and weights of one lane:
void __glMmxBilinearOf(GLushort s, GLushort t, GLint widthLog2, GLint heightLog2, GLint sum, GLushort index[4],
                       GLushort weight[4]);

// The levels of a mipmapped span from its level of detail L (the float's
// bits): magnified (L not above the crossover) level 0; else lambda = half the log2
// of L in 16.16 from the bits, held to [0, maxLevel]; the nearest level
// rounds a half down; MIPMAP_LINEAR blends levels hi = floor(lambda) + 1
// and hi - 1 by f = the 8 fraction bits of lambda (hi past maxLevel:
// maxLevel alone). levels[0] is read with weight f, levels[1] with the
// rest (f 0: levels[1] alone). Levels of a MIPMAP_NEAREST filter: the
// nearest in both.
// Answers whether the span is magnified (L not above the crossover).
bool __glMmxLevelsOf(GLuint filter, GLuint lodBits, GLuint crossoverBits, GLint maxLevel, GLint levels[2], GLint* f);
// The mipmap levels the fill reads: level-0 sizes of at most 1024, every
// level down to 1 x 1 present in level 0's format.
bool __glMmxMipmapComplete(const GlTextureParams* p);
// The blend of the two levels' channels a and b (16-bit) by f: the high
// halves of a x (f << 8) and b x (65535 - (f << 8)), added.
static inline GLuint __glMmxLevelBlend(GLuint a, GLuint b, GLint f) {
    const GLuint f8 = (GLuint)f << 8;
    return ((a * f8) >> 16) + ((b * (65535 - f8)) >> 16);
}

// Tables of the routine and the twin: dither lanes by channel bits, row
// (y & 3) and the x of lane 0 (& 3); lane index offsets l - j by j; the
// lanes at or after j (0xFFFF words); the byte masks of the lanes at or
// after j and of the first n lanes.
extern const GLushort (&__glMmxDitherLanes)[9][4][4][4];
extern const GLushort __glMmxLaneIndex[4][4];
extern const GLushort __glMmxLanesFrom[4][4];
extern const GLuint __glMmxHeadMasks[4], __glMmxTailMasks[5];
// Perspective with q varying: the first sub-span's pixels by the lane of the
// span's first pixel (it ends on a group boundary), then 16 a sub-span.
extern const GLint __glMmxSubSpanLengths[4];
// The copies of the group loop (8 with the depth test for its groups of 32,
// 4 under perspective, else 1).
static inline int __glMmxLoopCopies(const GlMmxFill& f) { return f.depth ? 8 : f.perspective ? 4 : 1; }

// The integer part toward zero of a 32-bit lane, as a 16-bit lane.
static inline GLushort __glMmxHigh0(GLuint v) {
    GLint x = (GLint)v;
    if (x < 0) x += 0xFFFF;
    return (GLushort)(x >> 16);
}
static inline GLshort __glMmxAddSaturate(GLint a, GLint b) {
    const GLint v = (GLint)(GLshort)a + (GLint)(GLshort)b;
    return (GLshort)(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}
// A colour lane (top bit 14) taken as a blend factor (16384 = 1.0): the
// high half of its product with __glMmxColorFactor[n] for an n-bit channel,
// doubled, so that the channel's maximum is 1.0 (not 1 - 2^-n).
extern const GLushort __glMmxColorFactor[9];
// The high half of the signed product of two lanes.
static inline GLushort __glMmxMulHigh(GLint a, GLint b) { return (GLushort)(((GLint)(GLshort)a * (GLshort)b) >> 16); }
