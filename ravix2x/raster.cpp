// Coordinates are snapped to 1/16 pixel (28.4 fixed point) so that edge tests
// are exact; colour, alpha and depth are linear in screen space, s/w, t/w and
// 1/w too, and s and t are their quotients.
#include "raster.h"

#include <algorithm>
#include <cmath>

#include "board.h"
#include "texlayout.h"

namespace rvx {

namespace {

enum Attr { kR, kG, kB, kA, kZ, kW, kS, kT, kAttrCount };
constexpr int kColourAttrs = kW;   // r, g, b, a, ooz
constexpr float kMaxCoordinate = 8192.0f; // pixels; farther vertices drop the primitive

struct Vtx {
    int32_t X, Y;             // 28.4 fixed point
    double x, y;              // the same in pixels
    double attr[kAttrCount];
};

bool finite(float f) { return f == f && f - f == 0.0f; }
double sane(float f) { return finite(f) ? f : 0.0; }

// Reads the words the caller writes: position, colours, depth, and the
// texture words only when the combine units use the texture.
bool readVertex(const RvVertex *v, bool textured, Vtx &out)
{
    const float x = v->x - RV_VERTEX_BIAS, y = v->y - RV_VERTEX_BIAS;
    if (!finite(x) || !finite(y) || std::fabs(x) > kMaxCoordinate || std::fabs(y) > kMaxCoordinate)
        return false;
    out.X = static_cast<int32_t>(std::floor(x * 16.0f + 0.5f));
    out.Y = static_cast<int32_t>(std::floor(y * 16.0f + 0.5f));
    out.x = out.X / 16.0;
    out.y = out.Y / 16.0;
    out.attr[kR] = sane(v->r);
    out.attr[kG] = sane(v->g);
    out.attr[kB] = sane(v->b);
    out.attr[kA] = sane(v->a);
    out.attr[kZ] = sane(v->ooz);
    out.attr[kW] = textured ? sane(v->oow) : 0.0;
    out.attr[kS] = textured ? sane(v->sow) : 0.0;
    out.attr[kT] = textured ? sane(v->tow) : 0.0;
    return true;
}

int32_t clampByte(double v)
{
    if (!(v > 0.0))
        return 0;
    return v >= 255.0 ? 255 : static_cast<int32_t>(v);
}

uint32_t clampDepth(double v)
{
    if (!(v > 0.0))
        return 0;
    return v >= 65535.0 ? 65535u : static_cast<uint32_t>(v);
}

// ---- Per-fragment procedures ----

using Compare = bool (*)(uint32_t value, uint32_t reference);
bool cmpNever(uint32_t, uint32_t) { return false; }
bool cmpLess(uint32_t v, uint32_t r) { return v < r; }
bool cmpEqual(uint32_t v, uint32_t r) { return v == r; }
bool cmpLequal(uint32_t v, uint32_t r) { return v <= r; }
bool cmpGreater(uint32_t v, uint32_t r) { return v > r; }
bool cmpNotequal(uint32_t v, uint32_t r) { return v != r; }
bool cmpGequal(uint32_t v, uint32_t r) { return v >= r; }
bool cmpAlways(uint32_t, uint32_t) { return true; }
const Compare kCompare[8] = {cmpNever, cmpLess, cmpEqual, cmpLequal, cmpGreater, cmpNotequal, cmpGequal, cmpAlways};

// Blend factor of one component: self is the operand the factor scales, other
// the opposite operand, srcAlpha the source alpha; destination alpha is 255.
using BlendFactor = int32_t (*)(int32_t self, int32_t other, int32_t srcAlpha);
int32_t bfZero(int32_t, int32_t, int32_t) { return 0; }
int32_t bfSrcAlpha(int32_t, int32_t, int32_t sa) { return sa; }
int32_t bfOther(int32_t, int32_t o, int32_t) { return o; }
int32_t bfDstAlpha(int32_t, int32_t, int32_t) { return 255; }
int32_t bfOne(int32_t, int32_t, int32_t) { return 255; }
int32_t bfOneMinusSrcAlpha(int32_t, int32_t, int32_t sa) { return 255 - sa; }
int32_t bfOneMinusOther(int32_t, int32_t o, int32_t) { return 255 - o; }
int32_t bfOneMinusDstAlpha(int32_t, int32_t, int32_t) { return 0; }
int32_t bfAlphaSaturate(int32_t, int32_t, int32_t) { return 0; } // min(source alpha, 255 - 255)

BlendFactor blendFactor(int32_t code)
{
    static const BlendFactor kFactors[8] = {bfZero, bfSrcAlpha, bfOther, bfDstAlpha,
                                            bfOne, bfOneMinusSrcAlpha, bfOneMinusOther, bfOneMinusDstAlpha};
    if (code == RV_BLEND_ALPHA_SATURATE)
        return bfAlphaSaturate;
    return kFactors[code & 7];
}

struct Fragment {
    int32_t x, y;
    double attr[kAttrCount];
    float lambda;     // texture level of detail
    float coverage;   // 0-1, antialiasing
};

// State gathered once per primitive.
struct Pipeline {
    uint16_t *color;
    uint16_t *depth;
    bool textured;
    Compare alphaTest, depthTest;
    BlendFactor srcFactor, dstFactor;
    bool blending;
};

bool usesTexture(const int32_t *combine)
{
    return combine[3] == RV_COMBINE_OTHER_TEXTURE || combine[1] == RV_COMBINE_FACTOR_TEXTURE_ALPHA;
}

bool setUp(Pipeline &p)
{
    const RvSimState &s = g_board.s;
    p.color = windowBuffer(s.renderBuffer);
    if (!p.color) {
        badCall("drawing without an open window");
        return false;
    }
    p.depth = bufferMemory(RV_BUFFER_DEPTH);
    p.textured = usesTexture(s.colorCombine) || usesTexture(s.alphaCombine);
    p.alphaTest = kCompare[s.alphaTestFunction & 7];
    p.depthTest = kCompare[s.depthFunction & 7];
    p.srcFactor = blendFactor(s.blendRgbSrc);
    p.dstFactor = blendFactor(s.blendRgbDst);
    p.blending = !(s.blendRgbSrc == RV_BLEND_ONE && s.blendRgbDst == RV_BLEND_ZERO);
    return true;
}

int32_t div255(int32_t v) { return (v + 127) / 255; }

// One combine unit on one component. local/other/texAlpha/localAlpha 0-255.
int32_t combine(const int32_t *unit, int32_t local, int32_t other, int32_t localFactor, int32_t texAlpha)
{
    int32_t f = 0;
    switch (unit[1]) {
    case RV_COMBINE_FACTOR_LOCAL: f = localFactor; break;
    case RV_COMBINE_FACTOR_TEXTURE_ALPHA: f = texAlpha; break;
    case RV_COMBINE_FACTOR_ONE: f = 255; break;
    default: f = 0; break;
    }
    int32_t out = local;
    if (unit[0] == RV_COMBINE_FUNCTION_SCALE_OTHER)
        out = div255(other * f);
    else if (unit[0] == RV_COMBINE_FUNCTION_BLEND_OTHER_LOCAL)
        out = div255(local * (255 - f) + other * f);
    return unit[4] ? 255 - out : out;
}

int32_t textureUnit(int32_t function, int32_t invert, int32_t texel)
{
    const int32_t out = function == RV_TEXCOMBINE_FUNCTION_LOCAL ? texel : 0;
    return invert ? 255 - out : out;
}

void shade(const Pipeline &p, const Fragment &f)
{
    const RvSimState &s = g_board.s;
    const uint32_t constant = s.constantColor;
    const int32_t it[4] = {clampByte(f.attr[kR]), clampByte(f.attr[kG]), clampByte(f.attr[kB]),
                           clampByte(f.attr[kA])};
    const int32_t con[4] = {static_cast<int32_t>((constant >> 16) & 0xFF), static_cast<int32_t>((constant >> 8) & 0xFF),
                            static_cast<int32_t>(constant & 0xFF), static_cast<int32_t>(constant >> 24)};
    int32_t tex[4] = {0, 0, 0, 0};
    if (p.textured) {
        const double w = f.attr[kW];
        const double sv = w != 0.0 ? f.attr[kS] / w : 0.0, tv = w != 0.0 ? f.attr[kT] / w : 0.0;
        const Rgba t = sampleTexture(static_cast<float>(sv), static_cast<float>(tv), f.lambda);
        tex[0] = textureUnit(s.texCombine[0], s.texCombine[4], t.r);
        tex[1] = textureUnit(s.texCombine[0], s.texCombine[4], t.g);
        tex[2] = textureUnit(s.texCombine[0], s.texCombine[4], t.b);
        tex[3] = textureUnit(s.texCombine[2], s.texCombine[5], t.a);
    }
    int32_t c[4];
    const int32_t *cu = s.colorCombine, *au = s.alphaCombine;
    for (int i = 0; i < 3; ++i) {
        const int32_t local = cu[2] == RV_COMBINE_LOCAL_CONSTANT ? con[i] : it[i];
        const int32_t other = cu[3] == RV_COMBINE_OTHER_TEXTURE ? tex[i] : con[i];
        c[i] = combine(cu, local, other, local, tex[3]);
    }
    const int32_t localA = au[2] == RV_COMBINE_LOCAL_CONSTANT ? con[3] : it[3];
    const int32_t otherA = au[3] == RV_COMBINE_OTHER_TEXTURE ? tex[3] : con[3];
    c[3] = combine(au, localA, otherA, localA, tex[3]);
    if (f.coverage < 1.0f)
        c[3] = static_cast<int32_t>(c[3] * f.coverage + 0.5f);

    if (!p.alphaTest(static_cast<uint32_t>(c[3]), s.alphaReference))
        return;
    const uint32_t at = static_cast<uint32_t>(f.y) * kStrideWords + static_cast<uint32_t>(f.x);
    if (s.depthMode == RV_DEPTHBUFFER_ZBUFFER) {
        const uint32_t z = clampDepth(f.attr[kZ]);
        if (!p.depthTest(z, p.depth[at]))
            return;
        if (s.depthMask)
            p.depth[at] = static_cast<uint16_t>(z);
    }
    if (!s.colorMaskRgb)
        return;
    const uint32_t d = p.color[at];
    if (p.blending) {
        const int32_t dst[3] = {static_cast<int32_t>(((d >> 8) & 0xF8) | (d >> 13)),
                                static_cast<int32_t>(((d >> 3) & 0xFC) | ((d >> 9) & 3)),
                                static_cast<int32_t>(((d << 3) & 0xF8) | ((d >> 2) & 7))};
        for (int i = 0; i < 3; ++i) {
            const int32_t v = div255(c[i] * p.srcFactor(c[i], dst[i], c[3]) + dst[i] * p.dstFactor(dst[i], c[i], c[3]));
            c[i] = v > 255 ? 255 : v;
        }
    }
    p.color[at] = static_cast<uint16_t>(((c[0] >> 3) << 11) | ((c[1] & 0xFC) << 3) | (c[2] >> 3));
}

bool insideClip(int32_t x, int32_t y)
{
    const RvSimState &s = g_board.s;
    return x >= s.clipLeft && x < s.clipRight && y >= s.clipBottom && y < s.clipTop;
}

// Level of detail of a texture coordinate pair whose screen derivatives are given,
// at the source's largest level.
float lodOf(double dsdx, double dtdx, double dsdy, double dtdy)
{
    const RvSimState &s = g_board.s;
    if (!s.texSourceValid)
        return 0.0f;
    const double scale = static_cast<double>(256u >> s.texLargeLod) / 256.0;
    const double rx = std::sqrt(dsdx * dsdx + dtdx * dtdx), ry = std::sqrt(dsdy * dsdy + dtdy * dtdy);
    const double rho = (rx > ry ? rx : ry) * scale;
    if (!(rho > 0.0) || !(rho < 1e30))
        return 0.0f;
    return static_cast<float>(std::log2(rho));
}

int32_t floorDiv16(int32_t v) { return v >= 0 ? v / 16 : -((15 - v) / 16); }

} // namespace

void drawTriangle(const RvVertex *a, const RvVertex *b, const RvVertex *c, const int32_t *aa)
{
    Pipeline p;
    if (!a || !b || !c) {
        badCall("rvDrawTriangle: null vertex");
        return;
    }
    if (!setUp(p))
        return;
    Vtx v[3];
    if (!readVertex(a, p.textured, v[0]) || !readVertex(b, p.textured, v[1]) || !readVertex(c, p.textured, v[2]))
        return;
    const int64_t area = int64_t(v[1].X - v[0].X) * (v[2].Y - v[0].Y) - int64_t(v[1].Y - v[0].Y) * (v[2].X - v[0].X);
    const RvSimState &s = g_board.s;
    if (area == 0 || (s.cullMode == RV_CULL_NEGATIVE && area < 0) || (s.cullMode == RV_CULL_POSITIVE && area > 0))
        return;

    // Edges i: from vertex order[i] to order[i + 1], counter-clockwise, inside positive.
    int order[3] = {0, 1, 2};
    bool edgeAA[3] = {aa && aa[0], aa && aa[1], aa && aa[2]};
    if (area < 0) {
        order[1] = 2;
        order[2] = 1;
        // Edges become 0->2 (was c-a), 2->1 (b-c), 1->0 (a-b).
        const bool ab = edgeAA[0], bc = edgeAA[1], ca = edgeAA[2];
        edgeAA[0] = ca;
        edgeAA[1] = bc;
        edgeAA[2] = ab;
    }
    int64_t ex[3], ey[3], e0[3]; // E(X, Y) = ex * X + ey * Y + e0
    double invLength[3];
    int32_t bias[3];
    for (int i = 0; i < 3; ++i) {
        const Vtx &p0 = v[order[i]], &p1 = v[order[(i + 1) % 3]];
        const int64_t dx = p1.X - p0.X, dy = p1.Y - p0.Y;
        ex[i] = -dy;
        ey[i] = dx;
        e0[i] = dy * p0.X - dx * p0.Y;
        // Top-left rule (y up): left edges run downwards, top edges leftwards.
        bias[i] = (dy < 0 || (dy == 0 && dx < 0)) ? 0 : 1;
        invLength[i] = 1.0 / (16.0 * std::sqrt(double(dx) * dx + double(dy) * dy));
    }

    // Attribute planes: A(x, y) = A0 + dx * (x - x0) + dy * (y - y0).
    const double ux = v[1].x - v[0].x, uy = v[1].y - v[0].y, wx = v[2].x - v[0].x, wy = v[2].y - v[0].y;
    const double det = ux * wy - wx * uy;
    double ddx[kAttrCount], ddy[kAttrCount];
    const int attrs = p.textured ? kAttrCount : kColourAttrs;
    for (int k = 0; k < attrs; ++k) {
        const double d1 = v[1].attr[k] - v[0].attr[k], d2 = v[2].attr[k] - v[0].attr[k];
        ddx[k] = (d1 * wy - d2 * uy) / det;
        ddy[k] = (d2 * ux - d1 * wx) / det;
    }

    const bool anyAA = edgeAA[0] || edgeAA[1] || edgeAA[2];
    const int32_t grow = anyAA ? 1 : 0;
    int32_t minX = floorDiv16(std::min(v[0].X, std::min(v[1].X, v[2].X))) - grow;
    int32_t maxX = floorDiv16(std::max(v[0].X, std::max(v[1].X, v[2].X))) + grow;
    int32_t minY = floorDiv16(std::min(v[0].Y, std::min(v[1].Y, v[2].Y))) - grow;
    int32_t maxY = floorDiv16(std::max(v[0].Y, std::max(v[1].Y, v[2].Y))) + grow;
    minX = std::max(minX, s.clipLeft);
    minY = std::max(minY, s.clipBottom);
    maxX = std::min(maxX, s.clipRight - 1);
    maxY = std::min(maxY, s.clipTop - 1);

    Fragment f;
    f.lambda = 0.0f;
    for (int32_t y = minY; y <= maxY; ++y) {
        const int64_t Y = int64_t(y) * 16 + 8;
        int64_t e[3];
        for (int i = 0; i < 3; ++i)
            e[i] = ex[i] * (int64_t(minX) * 16 + 8) + ey[i] * Y + e0[i];
        for (int32_t x = minX; x <= maxX; ++x) {
            float coverage = 1.0f;
            bool inside = true;
            for (int i = 0; i < 3 && inside; ++i) {
                if (!edgeAA[i]) {
                    inside = e[i] - bias[i] >= 0;
                } else {
                    const double cov = 0.5 + double(e[i]) * invLength[i];
                    if (cov <= 0.0)
                        inside = false;
                    else if (cov < 1.0)
                        coverage *= static_cast<float>(cov);
                }
            }
            if (inside) {
                const double px = x + 0.5 - v[0].x, py = y + 0.5 - v[0].y;
                f.x = x;
                f.y = y;
                f.coverage = coverage;
                for (int k = 0; k < attrs; ++k)
                    f.attr[k] = v[0].attr[k] + ddx[k] * px + ddy[k] * py;
                if (p.textured) {
                    const double w = f.attr[kW];
                    if (w != 0.0) {
                        // d(S/W) = (dS * W - S * dW) / W^2
                        const double w2 = w * w;
                        f.lambda = lodOf((ddx[kS] * w - f.attr[kS] * ddx[kW]) / w2,
                                         (ddx[kT] * w - f.attr[kT] * ddx[kW]) / w2,
                                         (ddy[kS] * w - f.attr[kS] * ddy[kW]) / w2,
                                         (ddy[kT] * w - f.attr[kT] * ddy[kW]) / w2);
                    }
                }
                shade(p, f);
            }
            for (int i = 0; i < 3; ++i)
                e[i] += ex[i] * 16;
        }
    }
}

void drawLine(const RvVertex *a, const RvVertex *b, bool antialiased)
{
    Pipeline p;
    if (!a || !b) {
        badCall("rvDrawLine: null vertex");
        return;
    }
    if (!setUp(p))
        return;
    Vtx v[2];
    if (!readVertex(a, p.textured, v[0]) || !readVertex(b, p.textured, v[1]))
        return;
    const double dx = v[1].x - v[0].x, dy = v[1].y - v[0].y;
    if (dx == 0.0 && dy == 0.0)
        return;
    // Walk the major axis: one step per pixel centre in [start, end).
    const bool xMajor = std::fabs(dx) >= std::fabs(dy);
    const double major0 = xMajor ? v[0].x : v[0].y, major1 = xMajor ? v[1].x : v[1].y;
    const double minor0 = xMajor ? v[0].y : v[0].x, dMinor = xMajor ? dy : dx, dMajor = major1 - major0;
    const double length = std::sqrt(dx * dx + dy * dy);
    const double halfThickness = 0.5 * length / std::fabs(dMajor); // along the minor axis
    const int attrs = p.textured ? kAttrCount : kColourAttrs;
    const int32_t first = static_cast<int32_t>(std::floor(std::min(major0, major1)));
    const int32_t last = static_cast<int32_t>(std::floor(std::max(major0, major1)));
    Fragment f;
    f.lambda = 0.0f;
    for (int32_t m = first; m <= last; ++m) {
        // Centres from the first vertex on, up to but not at the second, so
        // lines that meet at a vertex share no pixel.
        const double centre = m + 0.5;
        if (dMajor > 0 ? (centre < major0 || centre >= major1) : (centre > major0 || centre <= major1))
            continue;
        const double t = (centre - major0) / dMajor;
        const double minor = minor0 + t * dMinor;
        for (int k = 0; k < attrs; ++k)
            f.attr[k] = v[0].attr[k] + t * (v[1].attr[k] - v[0].attr[k]);
        int32_t lo = static_cast<int32_t>(std::floor(minor)), hi = lo;
        if (antialiased) {
            lo = static_cast<int32_t>(std::floor(minor - halfThickness));
            hi = static_cast<int32_t>(std::floor(minor + halfThickness));
        }
        for (int32_t n = lo; n <= hi; ++n) {
            f.coverage = 1.0f;
            if (antialiased) {
                const double top = std::min(double(n + 1), minor + halfThickness);
                const double bottom = std::max(double(n), minor - halfThickness);
                if (top <= bottom)
                    continue;
                f.coverage = static_cast<float>(std::min(1.0, top - bottom));
            }
            f.x = xMajor ? m : n;
            f.y = xMajor ? n : m;
            if (insideClip(f.x, f.y))
                shade(p, f);
        }
    }
}

void drawPoint(const RvVertex *a, bool antialiased)
{
    Pipeline p;
    if (!a) {
        badCall("rvDrawPoint: null vertex");
        return;
    }
    if (!setUp(p))
        return;
    Vtx v;
    if (!readVertex(a, p.textured, v))
        return;
    Fragment f;
    f.lambda = 0.0f;
    for (int k = 0; k < kAttrCount; ++k)
        f.attr[k] = v.attr[k];
    if (!antialiased) {
        f.x = static_cast<int32_t>(std::floor(v.x));
        f.y = static_cast<int32_t>(std::floor(v.y));
        f.coverage = 1.0f;
        if (insideClip(f.x, f.y))
            shade(p, f);
        return;
    }
    // A unit square centred on the point, shared among the pixels it overlaps.
    const int32_t x0 = static_cast<int32_t>(std::floor(v.x - 0.5)), y0 = static_cast<int32_t>(std::floor(v.y - 0.5));
    for (int32_t y = y0; y <= y0 + 1; ++y)
        for (int32_t x = x0; x <= x0 + 1; ++x) {
            const double ox = std::min(double(x + 1), v.x + 0.5) - std::max(double(x), v.x - 0.5);
            const double oy = std::min(double(y + 1), v.y + 0.5) - std::max(double(y), v.y - 0.5);
            if (ox <= 0.0 || oy <= 0.0 || !insideClip(x, y))
                continue;
            f.x = x;
            f.y = y;
            f.coverage = static_cast<float>(ox * oy);
            shade(p, f);
        }
}

} // namespace rvx
