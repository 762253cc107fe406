#include "texlayout.h"

#include <cmath>
#include <cstring>

#include "board.h"

namespace rvx {

uint32_t texelBytes(int32_t format)
{
    if (format < 0 || format > 15)
        return 0;
    return format < 8 ? 1 : 2;
}

bool lodSize(int32_t lod, int32_t aspect, uint32_t &width, uint32_t &height)
{
    if (lod < RV_LOD_256 || lod > RV_LOD_1 || aspect < RV_ASPECT_8x1 || aspect > RV_ASPECT_1x8)
        return false;
    const uint32_t major = 256u >> lod;
    uint32_t minor = major >> (aspect <= RV_ASPECT_1x1 ? RV_ASPECT_1x1 - aspect : aspect - RV_ASPECT_1x1);
    if (minor == 0)
        minor = 1;
    width = aspect <= RV_ASPECT_1x1 ? major : minor;
    height = aspect <= RV_ASPECT_1x1 ? minor : major;
    return true;
}

static bool inLevelSet(uint32_t levels, int32_t lod) { return (levels & (1u << (lod & 1))) != 0; }

// Offset of level lod from the texture's start: the selected levels above it.
static uint32_t levelOffset(uint32_t levels, int32_t largeLod, int32_t lod, int32_t aspect, uint32_t bpt)
{
    uint32_t offset = 0;
    for (int32_t l = largeLod; l < lod; ++l) {
        uint32_t w = 0, h = 0;
        lodSize(l, aspect, w, h);
        if (inLevelSet(levels, l))
            offset += w * h * bpt;
    }
    return offset;
}

uint32_t textureMemRequired(uint32_t levels, const RvTexInfo &info)
{
    const uint32_t bpt = texelBytes(info.format);
    if (bpt == 0 || info.largeLod > info.smallLod)
        return 0;
    uint32_t total = 0;
    for (int32_t lod = info.largeLod; lod <= info.smallLod; ++lod) {
        uint32_t w = 0, h = 0;
        if (!lodSize(lod, info.aspect, w, h))
            return 0;
        if (inLevelSet(levels, lod))
            total += w * h * bpt;
    }
    return (total + RV_TEXMEM_ALIGN - 1) & ~uint32_t(RV_TEXMEM_ALIGN - 1);
}

// True when [start, start + bytes) lies in the usable texture memory.
static bool inTextureMemory(uint32_t start, uint32_t bytes)
{
    const RvSimState &s = g_board.s;
    return start >= s.texMinAddress && start <= s.textureBytes && bytes <= s.textureBytes - start;
}

void texSource(int32_t tmu, uint32_t start, uint32_t levels, const RvTexInfo *info)
{
    RvSimState &s = g_board.s;
    s.texSourceValid = 0;
    if (tmu != RV_TMU0 || !info) {
        badCall("rvTexSource: no such unit or no description");
        return;
    }
    const uint32_t bytes = textureMemRequired(levels, *info);
    if (bytes == 0 || !sampledFormat(info->format)) {
        badCall("rvTexSource: invalid description");
        return;
    }
    if (!inTextureMemory(start, bytes)) {
        badCall("rvTexSource: texture outside texture memory");
        return;
    }
    s.texSourceValid = 1;
    s.texStart = start;
    s.texLevels = levels;
    s.texSmallLod = info->smallLod;
    s.texLargeLod = info->largeLod;
    s.texAspect = info->aspect;
    s.texFormat = info->format;
}

void texDownload(int32_t tmu, uint32_t start, int32_t thisLod, int32_t largeLod, int32_t aspect,
                 int32_t format, uint32_t levels, const void *data, int32_t firstRow, int32_t lastRow,
                 bool partial)
{
    uint32_t w = 0, h = 0;
    const uint32_t bpt = texelBytes(format);
    if (tmu != RV_TMU0 || !data || bpt == 0 || !lodSize(thisLod, aspect, w, h) ||
        !lodSize(largeLod, aspect, w, h) || largeLod > thisLod || !inLevelSet(levels, thisLod)) {
        badCall("rvTexDownloadMipMapLevel: invalid arguments");
        return;
    }
    lodSize(thisLod, aspect, w, h);
    if (!partial) {
        firstRow = 0;
        lastRow = static_cast<int32_t>(h) - 1;
    } else if (firstRow < 0 || firstRow > lastRow || lastRow >= static_cast<int32_t>(h)) {
        badCall("rvTexDownloadMipMapLevelPartial: rows outside the level");
        return;
    }
    const uint32_t rowBytes = w * bpt;
    const uint32_t offset = levelOffset(levels, largeLod, thisLod, aspect, bpt) + firstRow * rowBytes;
    const uint32_t bytes = (lastRow - firstRow + 1) * rowBytes;
    if (start > 0xFFFFFFFFu - offset || !inTextureMemory(start + offset, bytes)) {
        badCall("rvTexDownloadMipMapLevel: level outside texture memory");
        return;
    }
    std::memcpy(g_board.texMemory + start + offset, data, bytes);
}

void texDownloadTable(int32_t tmu, int32_t type, const void *data)
{
    if (tmu != RV_TMU0 || type != RV_TEXTABLE_PALETTE || !data) {
        badCall("rvTexDownloadTable: no such unit or table, or no data");
        return;
    }
    std::memcpy(g_board.palette, data, sizeof g_board.palette);
}

// ---- Texel decoding: one procedure per format ----

namespace {

using Decode = Rgba (*)(const uint8_t *texel);

int32_t bits(uint32_t v, int shift, int width)
{
    const uint32_t f = (v >> shift) & ((1u << width) - 1);
    // Replicate the field's bits across 8 bits.
    uint32_t out = 0;
    for (int at = 8 - width; at > -width; at -= width)
        out |= at >= 0 ? f << at : f >> -at;
    return static_cast<int32_t>(out & 0xFF);
}

uint32_t word16(const uint8_t *p) { return p[0] | (p[1] << 8); }

Rgba decodeRgb332(const uint8_t *p) { return {bits(*p, 5, 3), bits(*p, 2, 3), bits(*p, 0, 2), 255}; }
Rgba decodeA8(const uint8_t *p) { return {255, 255, 255, *p}; }
Rgba decodeL8(const uint8_t *p) { return {*p, *p, *p, 255}; }
Rgba decodeP8(const uint8_t *p)
{
    const uint32_t c = g_board.palette[*p];
    return {static_cast<int32_t>((c >> 16) & 0xFF), static_cast<int32_t>((c >> 8) & 0xFF),
            static_cast<int32_t>(c & 0xFF), 255};
}
Rgba decodeRgb565(const uint8_t *p)
{
    const uint32_t t = word16(p);
    return {bits(t, 11, 5), bits(t, 5, 6), bits(t, 0, 5), 255};
}
Rgba decodeArgb4444(const uint8_t *p)
{
    const uint32_t t = word16(p);
    return {bits(t, 8, 4), bits(t, 4, 4), bits(t, 0, 4), bits(t, 12, 4)};
}
Rgba decodeAl88(const uint8_t *p) { return {p[0], p[0], p[0], p[1]}; }

const Decode kDecode[16] = {
    decodeRgb332, nullptr, decodeA8, decodeL8, nullptr, decodeP8, nullptr, nullptr,
    nullptr, nullptr, decodeRgb565, nullptr, decodeArgb4444, decodeAl88, nullptr, nullptr,
};

int32_t wrapOrClamp(int32_t i, int32_t size, int32_t clamp)
{
    if (clamp)
        return i < 0 ? 0 : (i >= size ? size - 1 : i);
    return i & (size - 1); // sizes are powers of two
}

// Texture coordinate in texels, kept finite and far from int overflow.
float texelCoordinate(float c, uint32_t major)
{
    if (!(c == c))
        return 0.0f;
    const float v = c * static_cast<float>(major) / 256.0f;
    return v < -1048576.0f ? -1048576.0f : (v > 1048576.0f ? 1048576.0f : v);
}

} // namespace

bool sampledFormat(int32_t format) { return format >= 0 && format < 16 && kDecode[format] != nullptr; }

Rgba sampleTexture(float s, float t, float lambda)
{
    const RvSimState &st = g_board.s;
    if (!st.texSourceValid)
        return {0, 0, 0, 0};
    const bool minify = lambda > 0.0f;
    int32_t lod = st.texLargeLod;
    if (st.mipMapMode == RV_MIPMAP_NEAREST && minify) {
        const float step = std::floor(lambda + 0.5f);
        lod += step > 8.0f ? 8 : static_cast<int32_t>(step);
        if (lod > st.texSmallLod)
            lod = st.texSmallLod;
        while (lod > st.texLargeLod && !inLevelSet(st.texLevels, lod))
            --lod;
    }
    uint32_t w = 0, h = 0;
    lodSize(lod, st.texAspect, w, h);
    const uint32_t bpt = texelBytes(st.texFormat);
    const uint8_t *level = g_board.texMemory + st.texStart +
                           levelOffset(st.texLevels, st.texLargeLod, lod, st.texAspect, bpt);
    const Decode decode = kDecode[st.texFormat];
    const uint32_t major = 256u >> lod;
    const float u = texelCoordinate(s, major), v = texelCoordinate(t, major);
    const int32_t iw = static_cast<int32_t>(w), ih = static_cast<int32_t>(h);
    auto fetch = [&](int32_t x, int32_t y) {
        x = wrapOrClamp(x, iw, st.clampS);
        y = wrapOrClamp(y, ih, st.clampT);
        return decode(level + (static_cast<uint32_t>(y) * w + static_cast<uint32_t>(x)) * bpt);
    };
    const int32_t filter = minify ? st.minFilter : st.magFilter;
    if (filter != RV_TEXFILTER_BILINEAR)
        return fetch(static_cast<int32_t>(std::floor(u)), static_cast<int32_t>(std::floor(v)));
    const float fu = u - 0.5f, fv = v - 0.5f;
    const float x0 = std::floor(fu), y0 = std::floor(fv);
    const float wx = fu - x0, wy = fv - y0;
    const int32_t ix = static_cast<int32_t>(x0), iy = static_cast<int32_t>(y0);
    const Rgba c00 = fetch(ix, iy), c10 = fetch(ix + 1, iy), c01 = fetch(ix, iy + 1), c11 = fetch(ix + 1, iy + 1);
    auto mix = [&](int32_t a, int32_t b, int32_t c, int32_t d) {
        const float top = a + (b - a) * wx, bottom = c + (d - c) * wx;
        return static_cast<int32_t>(top + (bottom - top) * wy + 0.5f);
    };
    return {mix(c00.r, c10.r, c01.r, c11.r), mix(c00.g, c10.g, c01.g, c11.g), mix(c00.b, c10.b, c01.b, c11.b),
            mix(c00.a, c10.a, c01.a, c11.a)};
}

} // namespace rvx
