// The C++ set-up of the fast path: the generic path's sort, face, edges and
// gradients (so both sample the same pixels), each scan line's span turned
// into integer start values and steps in a GlSpan and cut into groups of up
// to 32 pixels for the chain.
//
// Spans run left to right (direction +1): the depth value of every group is
// then the generic walk's, so both paths resolve depth ties alike.

#include <math.h>
#include <stdint.h>
#include <string.h>
#include "raster/chain.h"
#include "raster/triangle.h"
#include "raster/depthstencil.h"
#include "geometry/geometry.h"

namespace {

// v rounded to 16.16 by bias addition (1.5 x 2^36: the double's last
// mantissa bit is 2^-16), clamped first so that no value wraps; NaN gives
// the low end.
inline GLint fixed16(double v) {
    if (!(v > -32768.0)) v = -32768.0;
    if (v > 32767.0) v = 32767.0;
    const double b = v + 103079215104.0;
    uint64_t bits;
    memcpy(&bits, &b, sizeof bits);
    return (GLint)(uint32_t)bits;
}

// Rounding bias of the colour values: half a unit, or 1/32 with the dither
// addends (the generic path's (2k + 1) / 32). Alpha is rounded, except under
// the alpha test, which truncates it as the generic test's table index does
// (a small bias then only absorbs float noise).
constexpr double kAlphaTestBias = 1.0 / 256.0;

GLuint fieldOf(GLint v, GLuint maximum) {
    const GLint f = v >> 16;
    return f < 0 ? 0u : (GLuint)f > maximum ? maximum : (GLuint)f;
}

}  // namespace

extern "C" void GLPROC __glEmitSpanChunks(GlContext* gc, GLint x, GLint y, GLint n) {
    const GlSpanState* st = &gc->span;
    const GlChainPick* pick = &gc->chain;
    const GLuint F = pick->flags;
    const GLint x0 = x > st->clipBox[0] ? x : st->clipBox[0];
    const GLint x1 = x + n < st->clipBox[2] ? x + n : st->clipBox[2];
    GLint left = x1 - x0;
    if (left <= 0) return;  // before any coverage mask is formed
    const GLint skip = x0 - x;
    const double dx = (double)skip;
    const GLint bx = gc->limits.windowBiasX, by = gc->limits.windowBiasY;

    GlSpan s;
    s.context = gc;
    s.x = x0 - bx;
    s.y = y - by;
    s.pixelStep = 1;
    // Both buffers: dest the front buffer, dest2 the back buffer.
    const GlColorBuffer* cb = gc->bothBuffers ? gc->fb.frontBuffer : gc->drawBuffer;
    const GLint bytes = cb ? (GLint)cb->buf.elementSize : 0;
    s.dest = cb ? cb->buf.base + s.y * cb->buf.stride + s.x * bytes : nullptr;
    s.destStep32 = 32 * bytes;
    s.dest2 = nullptr;
    s.dest2Step32 = s.destStep32;
    if (gc->bothBuffers && gc->fb.backBuffer) {
        const GlColorBuffer* b2 = gc->fb.backBuffer;
        s.dest2 = b2->buf.base + s.y * b2->buf.stride + s.x * bytes;
    }
    s.ditherTable = &__glSpanDitherTables[0][0][0];
    s.dither = __glSpanDitherStart(s.ditherTable, s.x, s.y);

    // Colours: RGBA in field units (alpha 0 .. 255), or the 16.16 index.
    const bool smooth = (F & GL_RF_SMOOTH_COLOR) != 0;
    const int nc = pick->rgba ? 4 : 1;
    GLint* value[4] = {(GLint*)&s.red, (GLint*)&s.green, (GLint*)&s.blue, (GLint*)&s.alpha};
    GLint* step[4] = {&s.redStep, &s.greenStep, &s.blueStep, &s.alphaStep};
    GLint* step32[4] = {&s.redStep32, &s.greenStep32, &s.blueStep32, &s.alphaStep32};
    const double bias = pick->dither ? 1.0 / 32.0 : 0.5;
    for (int k = 0; k < 4; ++k) {
        if (k >= nc) {
            *value[k] = *step[k] = *step32[k] = 0;
            continue;
        }
        const double scale = k == 3 ? pick->alphaScale : 1.0;
        const double b = k < 3 ? bias : (F & GL_RF_ALPHA_TEST) ? kAlphaTestBias : 0.5;
        const double d = smooth ? (double)st->colorDx[k] : 0.0;
        *value[k] = fixed16(((double)st->spanColor[k] + dx * d) * scale + b);
        *step[k] = fixed16(d * scale);
        *step32[k] = (GLint)((GLuint)*step[k] << 5);
    }
    s.flatPixel = 0;
    if (pick->rgba && cb)
        for (int k = 0; k < 3; ++k) s.flatPixel |= fieldOf(*value[k], cb->maximum[k]) << cb->shift[k];

    // Depth: the generic walk's unsigned value and integer step.
    s.zOffset = 0;
    s.z = 0;
    s.zStep = s.zStep32 = 0;
    if (F & GL_RF_DEPTH_TEST) {
        s.z = st->spanZ + (GLuint)skip * (GLuint)st->zDx;
        s.zStep = st->zDx;
        s.zStep32 = st->zDx32;
        if (F & GL_RF_POLYGON_OFFSET) {
            // The offset in its own field; z + zOffset is the generic walk's
            // truncated offset depth of the first pixel.
            const double offsetZ = st->offsetZ + (double)((GLfloat)skip * st->zDxF);
            const double amount = __glPolygonOffsetAmount(gc);
            const int64_t first = offsetZ > -1.0e12 && offsetZ < 1.0e12 ? (int64_t)offsetZ : 0;
            s.zOffset = amount > 2147483647.0 ? INT32_MAX : amount < -2147483648.0 ? INT32_MIN : (GLint)llround(amount);
            const int64_t z = first - s.zOffset;
            s.z = z < 0 ? 0u : z > 0xFFFFFFFFll ? 0xFFFFFFFFu : (GLuint)z;
        }
    }
    s.depthAddress = nullptr;
    s.depthStep32 = 0;
    if (F & GL_RF_DEPTH) {
        const GLint es = (GLint)gc->fb.depth.buf.elementSize;
        s.depthAddress = st->depthAddress + skip * es;
        s.depthStep32 = 32 * es;
    }
    s.stencilAddress = (F & GL_RF_STENCIL) ? st->stencilAddress + skip : nullptr;
    s.stencilStep32 = 32;
    s.stencilPassMask = 0;

    // Fog: the factor x 255 (bias 0.5), or the eye distance under GL_NICEST.
    s.fog = s.fogStep = s.fogStep32 = 0;
    if (F & GL_RF_FOG_FRAGMENT) {
        const bool nicest = gc->hints.fog == GL_NICEST;
        const double scale = nicest ? 1.0 : 255.0;
        s.fog = fixed16(((double)st->spanFog + dx * st->fogDx) * scale + (nicest ? 0.0 : 0.5));
        s.fogStep = fixed16((double)st->fogDx * scale);
        s.fogStep32 = (GLint)((GLuint)s.fogStep << 5);
    }

    // Texture: s, t, q as floats, or s and t in 16.16 texel units.
    if (F & GL_RF_TEXTURE) {
        const GLfloat* t = st->spanTexture;
        const GLfloat* d = st->textureDx;
        const GLfloat fdx = (GLfloat)skip;
        s.texS = t[0] + fdx * d[0], s.texT = t[1] + fdx * d[1], s.texQ = t[2] + fdx * d[2];
        s.texLod = t[3] + fdx * d[3];
        s.texSStep = d[0], s.texTStep = d[1], s.texQStep = d[2], s.texLodStep = d[3];
        s.texSStep32 = 32.0f * d[0], s.texTStep32 = 32.0f * d[1], s.texQStep32 = 32.0f * d[2];
        s.texLodStep32 = 32.0f * d[3];
        s.s = fixed16((double)s.texS * pick->texScale[0]);
        s.t = fixed16((double)s.texT * pick->texScale[1]);
        s.sStep = fixed16((double)d[0] * pick->texScale[0]);
        s.tStep = fixed16((double)d[1] * pick->texScale[1]);
        s.sStep32 = (GLint)((GLuint)s.sStep << 5);
        s.tStep32 = (GLint)((GLuint)s.tStep << 5);
    }

    const GlSpanProc head = gc->procs.fillTriangle;
    for (;;) {
        head(left >= 32 ? 0xFFFFFFFFu : __glCoverageMasks[left], &s);
        left -= 32;
        if (left <= 0) break;
        s.x += 32;
        s.dest += s.destStep32;
        if (s.dest2) s.dest2 += s.dest2Step32;
        s.dither = __glSpanDitherStart(s.ditherTable, s.x, s.y);
        s.red += (GLuint)s.redStep32, s.green += (GLuint)s.greenStep32;
        s.blue += (GLuint)s.blueStep32, s.alpha += (GLuint)s.alphaStep32;
        s.z += (GLuint)s.zStep32;
        if (s.depthAddress) s.depthAddress += s.depthStep32;
        if (s.stencilAddress) s.stencilAddress += s.stencilStep32;
        s.fog += s.fogStep32;
        if (F & GL_RF_TEXTURE) {
            s.texS += s.texSStep32, s.texT += s.texTStep32, s.texQ += s.texQStep32, s.texLod += s.texLodStep32;
            s.s += s.sStep32, s.t += s.tStep32;
        }
    }
}

extern "C" void GLPROC __glChainSetupTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c,
                                              GLuint longEdgeLeft) {
    __glSetupTriangleEmit(gc, a, b, c, longEdgeLeft, __glEmitSpanChunks);
}

// Sorting, face, culling and vertex completion are the generic path's; the
// filled faces go to procs.setupTriangle, the chain's set-up.
extern "C" void GLPROC __glGenericTriangle(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c) {
    if (gc->polygonModeFront != 2 || gc->polygonModeBack != 2) __glPolygonModeTriangle(gc, a, b, c);
    else __glFillTriangle(gc, a, b, c);
}
