// Hardware state entries: each runs the generic entry, which checks and
// stores the GL state (so errors, queries, attribute stacks and lists see the
// same state), then sends the stored state to the library at once.

#include "hwcontext.h"
#include "ravix2x.h"
#include "core/stateutil.h"

extern "C" {
void GLIMM __glImmAlphaFunc(GLenum func, GLclampf ref);
void GLIMM __glImmBlendFunc(GLenum sfactor, GLenum dfactor);
void GLIMM __glImmClearAccum(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void GLIMM __glImmClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a);
void GLIMM __glImmClearDepth(GLclampd depth);
void GLIMM __glImmColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a);
void GLIMM __glImmCullFace(GLenum mode);
void GLIMM __glImmFrontFace(GLenum mode);
void GLIMM __glImmDepthFunc(GLenum func);
void GLIMM __glImmDepthMask(GLboolean flag);
void GLIMM __glImmEnable(GLenum cap);
void GLIMM __glImmDisable(GLenum cap);
void GLIMM __glImmEnableClientState(GLenum array);
void GLIMM __glImmDisableClientState(GLenum array);
void GLIMM __glImmPopAttrib(void);
}

// ---- Library-state procedures.

static inline bool enabled(const GlContext* gc, GLuint bit) { return (gc->enables.general & bit) != 0; }

// Source and destination codes of each factor; -1 where the factor is refused.
struct BlendCodes {
    GLenum factor;
    GLint src, dst;
};
static const BlendCodes blendCodes[] = {
    {GL_ZERO, RV_BLEND_ZERO, RV_BLEND_ZERO},
    {GL_ONE, RV_BLEND_ONE, RV_BLEND_ONE},
    {GL_SRC_COLOR, -1, RV_BLEND_OTHER_COLOR},
    {GL_ONE_MINUS_SRC_COLOR, -1, RV_BLEND_ONE_MINUS_OTHER_COLOR},
    {GL_SRC_ALPHA, RV_BLEND_SRC_ALPHA, RV_BLEND_SRC_ALPHA},
    {GL_ONE_MINUS_SRC_ALPHA, RV_BLEND_ONE_MINUS_SRC_ALPHA, RV_BLEND_ONE_MINUS_SRC_ALPHA},
    {GL_DST_ALPHA, RV_BLEND_DST_ALPHA, RV_BLEND_DST_ALPHA},
    {GL_ONE_MINUS_DST_ALPHA, RV_BLEND_ONE_MINUS_DST_ALPHA, RV_BLEND_ONE_MINUS_DST_ALPHA},
    {GL_DST_COLOR, RV_BLEND_OTHER_COLOR, -1},
    {GL_ONE_MINUS_DST_COLOR, RV_BLEND_ONE_MINUS_OTHER_COLOR, -1},
    {GL_SRC_ALPHA_SATURATE, RV_BLEND_ALPHA_SATURATE, -1},
};

extern "C" GLint GLPROC __glHwBlendCode(GLenum factor, GLboolean dst) {
    for (const BlendCodes& c : blendCodes)
        if (c.factor == factor) return dst ? c.dst : c.src;
    return -1;
}

extern "C" void GLPROC __glHwPushBlend(GlContext* gc) {
    const GlHwContext* hw = __glHw(gc);
    if (enabled(gc, GL_EN_BLEND)) rvAlphaBlendFunction(hw->hwBlendSrc, hw->hwBlendDst, hw->hwBlendSrc, hw->hwBlendDst);
    else rvAlphaBlendFunction(RV_BLEND_ONE, RV_BLEND_ZERO, RV_BLEND_ONE, RV_BLEND_ZERO);
}

extern "C" void GLPROC __glHwPushAlphaFunc(GlContext* gc) {
    rvAlphaTestFunction(enabled(gc, GL_EN_ALPHA_TEST) ? (int32_t)(gc->colorBuffer.alphaFunc - GL_NEVER)
                                                      : RV_CMP_ALWAYS);
}

extern "C" void GLPROC __glHwPushAlphaTest(GlContext* gc) {
    rvAlphaTestReferenceValue((uint32_t)(gc->colorBuffer.alphaRef * 255.0f));
    __glHwPushAlphaFunc(gc);
}

// 0 no culling; 1 drops negative areas (clockwise), 2 positive ones. Both
// faces culled counts as back here: the triangle procedure draws nothing then.
extern "C" GLint GLPROC __glHwCullCode(const GlContext* gc) {
    if (!enabled(gc, GL_EN_CULL_FACE)) return RV_CULL_NONE;
    return (gc->polygon.frontFace == GL_CW) == (gc->polygon.cullFace == GL_FRONT) ? RV_CULL_NEGATIVE
                                                                                  : RV_CULL_POSITIVE;
}

extern "C" void GLPROC __glHwPushCullMode(GlContext* gc) { rvCullMode(__glHwCullCode(gc)); }

extern "C" void GLPROC __glHwSetDepthMode(GlContext* gc) {
    if (enabled(gc, GL_EN_DEPTH_TEST)) {
        rvDepthBufferMode(RV_DEPTHBUFFER_ZBUFFER);
        if (gc->depth.writeMask) rvDepthMask(1);
    } else {
        rvDepthBufferMode(RV_DEPTHBUFFER_DISABLE);
        rvDepthMask(0);
    }
}

extern "C" void GLPROC __glHwSetDepthFunc(GlContext* gc) { rvDepthBufferFunction((int32_t)(gc->depth.func - GL_NEVER)); }

// The board writes red, green and blue together or not at all: all of them
// while any of the three is writable.
static bool colorWrites(const GlContext* gc) {
    const uint8_t* m = gc->colorBuffer.colorWriteMask;
    return m[0] || m[1] || m[2];
}

static void pushColorMask(GlContext* gc) {
    rvColorMask(colorWrites(gc) && gc->colorBuffer.drawBuffer != GL_NONE ? 1 : 0, 0);
}

static int32_t backBuffer(const GlContext* gc) {
    return __glHw((GlContext*)gc)->hwBoardBuffers == 2 ? RV_BUFFER_BACK : RV_BUFFER_FRONT;
}

extern "C" void GLPROC __glHwPushRenderBuffer(GlContext* gc) {
    rvRenderBuffer(gc->colorBuffer.drawBuffer == GL_FRONT ? RV_BUFFER_FRONT : backBuffer(gc));
    pushColorMask(gc);
}

// ---- Entries.

// Runs a generic entry: the context when the entry accepted the call, null
// when it recorded an error (an earlier unread error stays the one reported).
template <class Entry>
static GlContext* accepted(Entry entry) {
    GlContext* gc = __glThreadState()->context;
    const GLenum pending = gc->errorCode;
    gc->errorCode = GL_NO_ERROR;
    entry();
    const bool refused = gc->errorCode != GL_NO_ERROR;
    if (pending != GL_NO_ERROR) gc->errorCode = pending;
    return refused ? nullptr : gc;
}

extern "C" void GLIMM __glHwAlphaFunc(GLenum func, GLclampf ref) {
    if (GlContext* gc = accepted([&] { __glImmAlphaFunc(func, ref); })) __glHwPushAlphaTest(gc);
}

extern "C" void GLIMM __glHwBlendFunc(GLenum sfactor, GLenum dfactor) {
    GlContext* gc = accepted([&] { __glImmBlendFunc(sfactor, dfactor); });
    if (!gc) return;
    GlHwContext* hw = __glHw(gc);
    hw->hwBlendSrc = __glHwBlendCode(gc->colorBuffer.blendSrc, GL_FALSE);
    hw->hwBlendDst = __glHwBlendCode(gc->colorBuffer.blendDst, GL_TRUE);
    __glHwPushBlend(gc);
}

extern "C" void GLIMM __glHwClearAccum(GLfloat r, GLfloat g, GLfloat b, GLfloat a) { __glImmClearAccum(r, g, b, a); }
extern "C" void GLIMM __glHwClearColor(GLclampf r, GLclampf g, GLclampf b, GLclampf a) {
    __glImmClearColor(r, g, b, a);
}
extern "C" void GLIMM __glHwClearDepth(GLclampd depth) { __glImmClearDepth(depth); }

// The mask is stored as given; the board takes what it can of it.
extern "C" void GLIMM __glHwColorMask(GLboolean r, GLboolean g, GLboolean b, GLboolean a) {
    if (GlContext* gc = accepted([&] { __glImmColorMask(r, g, b, a); })) pushColorMask(gc);
}

extern "C" void GLIMM __glHwCullFace(GLenum mode) {
    if (GlContext* gc = accepted([&] { __glImmCullFace(mode); })) __glHwPushCullMode(gc);
}

extern "C" void GLIMM __glHwFrontFace(GLenum mode) {
    if (GlContext* gc = accepted([&] { __glImmFrontFace(mode); })) __glHwPushCullMode(gc);
}

extern "C" void GLIMM __glHwDepthFunc(GLenum func) {
    if (GlContext* gc = accepted([&] { __glImmDepthFunc(func); })) __glHwSetDepthFunc(gc);
}

extern "C" void GLIMM __glHwDepthMask(GLboolean flag) {
    GlContext* gc = accepted([&] { __glImmDepthMask(flag); });
    if (gc && enabled(gc, GL_EN_DEPTH_TEST)) rvDepthMask(gc->depth.writeMask ? 1 : 0);
}

// What an enable or disable of a capability sends; key bits it keeps.
static void pushCapability(GlContext* gc, GLenum cap) {
    GlHwContext* hw = __glHw(gc);
    GLuint key = 0;
    bool on = false;
    switch (cap) {
    case GL_ALPHA_TEST: return __glHwPushAlphaFunc(gc);
    case GL_BLEND: return __glHwPushBlend(gc);
    case GL_CULL_FACE: return __glHwPushCullMode(gc);
    case GL_DEPTH_TEST: return __glHwSetDepthMode(gc);
    case GL_SCISSOR_TEST: return gc->procs.applyScissor(gc);
    case GL_TEXTURE_2D:
        // Untextured combine until a usable texture is selected.
        rvColorCombine(1, 0, 0, 2, 0);
        rvAlphaCombine(1, 0, 0, 2, 0);
        return;
    case GL_LIGHTING: key = GL_HW_KEY_LIGHTING, on = enabled(gc, GL_EN_LIGHTING); break;
    case GL_FOG: key = GL_HW_KEY_FOG, on = enabled(gc, GL_EN_FOG); break;
    case GL_NORMALIZE: key = GL_HW_KEY_NORMALIZE, on = enabled(gc, GL_EN_NORMALIZE); break;
    case GL_VERTEX_ARRAY: key = GL_HW_KEY_VERTEX_ARRAY, on = (gc->arrays.enabledArrays & 0x20) != 0; break;
    default:
        if (cap - GL_CLIP_PLANE0 > 5u) return;
        key = GL_HW_KEY_CLIP_PLANE, on = (gc->enables.clipPlanes & 0x3F) != 0;
        break;
    }
    hw->hwVertexKey = on ? hw->hwVertexKey | key : hw->hwVertexKey & ~key;
}

extern "C" void GLIMM __glHwEnable(GLenum cap) {
    if (GlContext* gc = accepted([&] { __glImmEnable(cap); })) pushCapability(gc, cap);
}

extern "C" void GLIMM __glHwDisable(GLenum cap) {
    if (GlContext* gc = accepted([&] { __glImmDisable(cap); })) pushCapability(gc, cap);
}

extern "C" void GLIMM __glHwEnableClientState(GLenum array) {
    if (GlContext* gc = accepted([&] { __glImmEnableClientState(array); })) pushCapability(gc, array);
}

extern "C" void GLIMM __glHwDisableClientState(GLenum array) {
    if (GlContext* gc = accepted([&] { __glImmDisableClientState(array); })) pushCapability(gc, array);
}

// The library state of every GL value the entries above send.
extern "C" void GLPROC __glHwPushState(GlContext* gc) {
    GlHwContext* hw = __glHw(gc);
    hw->hwBlendSrc = __glHwBlendCode(gc->colorBuffer.blendSrc, GL_FALSE);
    hw->hwBlendDst = __glHwBlendCode(gc->colorBuffer.blendDst, GL_TRUE);
    __glHwPushRenderBuffer(gc);
    __glHwPushBlend(gc);
    __glHwPushAlphaTest(gc);
    __glHwSetDepthMode(gc);
    __glHwSetDepthFunc(gc);
    __glHwPushCullMode(gc);
    gc->procs.applyScissor(gc);
    gc->dirtyPickers |= GL_DIRTY_GENERIC;  // the texture picker selects the board's source again
}

// After a pop the library follows every restored group.
extern "C" void GLIMM __glHwPopAttrib(void) {
    if (GlContext* gc = accepted([&] { __glImmPopAttrib(); })) __glHwPushState(gc);
}

// ---- glClear: colour and depth in the library under the clear values.

static void clearRenderBuffer(GlContext* gc, int32_t buffer) {
    const GLfloat* c = gc->colorBuffer.clearColor;
    const uint32_t color = (uint32_t)(c[0] * 255.0f) << 16 | (uint32_t)(c[1] * 255.0f) << 8 | (uint32_t)(c[2] * 255.0f);
    rvRenderBuffer(buffer);
    rvBufferClear(color, (uint32_t)(c[3] * 255.0f), (uint32_t)(gc->depth.clearValue * 65535.0) & 0xFFFFu);
}

extern "C" void GLIMM __glHwClear(GLbitfield mask) {
    GlThreadState* ts = __glThreadState();
    switch (__glDrawPrologue(ts)) {
    case GL_DRAW_REFUSED: return;
    case GL_DRAW_VALIDATED: return glClear(mask);
    case GL_DRAW_ACT: break;
    }
    const GLbitfield all = GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_ACCUM_BUFFER_BIT | GL_STENCIL_BUFFER_BIT;
    if (mask & ~all) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    if (gc->renderMode != GL_RENDER) return;
    rvColorMask((mask & GL_COLOR_BUFFER_BIT) && colorWrites(gc) ? 1 : 0, 0);
    const bool depth = (mask & GL_DEPTH_BUFFER_BIT) && gc->pixelFormat.depthPresent && gc->depth.writeMask;
    rvDepthBufferMode(depth ? RV_DEPTHBUFFER_ZBUFFER : RV_DEPTHBUFFER_DISABLE);
    rvDepthMask(depth ? 1 : 0);
    // With one board buffer (QRB_SINGLEBUFFER) front and back are buffer 0.
    const GLenum draw = gc->colorBuffer.drawBuffer;
    const int32_t front = RV_BUFFER_FRONT, back = backBuffer(gc);
    if (draw == GL_FRONT || draw == GL_FRONT_AND_BACK) clearRenderBuffer(gc, front);
    if (draw == GL_BACK || (draw == GL_FRONT_AND_BACK && back != front)) clearRenderBuffer(gc, back);
    // Without a colour buffer to draw to, the depth buffer is still cleared.
    if (draw == GL_NONE && depth) {
        rvColorMask(0, 0);
        clearRenderBuffer(gc, back);
    }

    if (enabled(gc, GL_EN_DEPTH_TEST)) {
        rvDepthBufferMode(RV_DEPTHBUFFER_ZBUFFER);
        rvDepthMask(gc->depth.writeMask ? 1 : 0);
    } else {
        rvDepthBufferMode(RV_DEPTHBUFFER_DISABLE);
        rvDepthMask(0);
    }
    __glHwPushRenderBuffer(gc);
    GlFramebuffer* fb = &gc->fb;
    if ((mask & GL_ACCUM_BUFFER_BIT) && gc->pixelFormat.accumPresent && fb->clearAccum) fb->clearAccum(gc);
    // The stencil buffer is the software one: the pixel paths read and write it.
    if ((mask & GL_STENCIL_BUFFER_BIT) && gc->pixelFormat.stencilPresent && fb->clearStencil) fb->clearStencil(gc);
}
