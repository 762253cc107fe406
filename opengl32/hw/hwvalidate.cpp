// Validation of a hardware context: the generic validation with the
// span-level pickers left out (the board rasterizes), then the raster flags
// the board's paths read and the vertex key of what the vertices carry.

#include "hwcontext.h"
#include "core/stateutil.h"
#include "core/pickers.h"
#include "pixel/pixel.h"

namespace {

enum : GLuint {
    KEY_BLEND = 0x8000,
    KEY_ALPHA_TEST = 0x10000,
    KEY_TWO_SIDED = 0x20000,
    KEY_DEPTH = 0x40000,
    KEY_TEXTURE = GL_VP_KEY_TEXTURE,
    KEY_TEX_PERSPECTIVE = GL_VP_KEY_TEX_PERSPECTIVE,
    KEY_SMOOTH = 0xA00000,
    KEY_FOG_VERTEX = 0x600000,
    KEY_RASTER_KEPT = 0xFF007FFF,  // bits of the key the raster part leaves
    KEY_VERTEX_FIELD = 0x7F00,     // bits of the key the vertex part replaces
};

const GLenum ADD_ENV = 0x0104;

// Raster flags F and the raster part of the key.
GLuint hwRasterFlags(const GlContext* gc, GLuint genericF, GLuint* key) {
    const GLuint en = gc->enables.general;
    GLuint F = 0, K = 0;
    if (gc->pixelFormat.rgba) {
        F = (en & GL_EN_COLOR_LOGIC_OP) ? GL_RF_RGBA | GL_RF_LOGIC_OP
            : (en & GL_EN_BLEND)        ? GL_RF_RGBA | GL_RF_BLEND
                                        : GL_RF_RGBA;
        if (en & GL_EN_ALPHA_TEST) F |= GL_RF_ALPHA_TEST;
        const uint8_t* m = gc->colorBuffer.colorWriteMask;
        if (!m[0] || !m[1] || !m[2] || (!m[3] && gc->pixelFormat.alphaBits)) F |= GL_RF_WRITE_MASK;
        if ((en & GL_EN_BLEND) && !(en & GL_EN_COLOR_LOGIC_OP)) K |= KEY_BLEND;
        if (en & GL_EN_ALPHA_TEST) K |= KEY_ALPHA_TEST;
    } else {
        if (en & GL_EN_INDEX_LOGIC_OP) F |= GL_RF_LOGIC_OP;
        const GLuint full = __glIndexMask(gc);
        if ((gc->colorBuffer.indexWriteMask & full) != full) F |= GL_RF_WRITE_MASK;
        if (en & 0x800000) F |= GL_RF_INDEX_TEST;
    }
    if (gc->texturingActive) {
        F |= GL_RF_TEXTURE | (genericF & GL_RF_TEX_NO_MIPMAP);
        K |= KEY_TEXTURE | KEY_TEX_PERSPECTIVE;
        const GlTexTargetState* t = &gc->texture.target[(gc->enables.texture & 0x2) ? 1 : 0];
        if (gc->hints.perspectiveCorrection == GL_FASTEST && t->minFilter == t->magFilter)
            K &= ~(GLuint)KEY_TEX_PERSPECTIVE;
        else
            F |= GL_RF_TEX_PERSPECTIVE;
    }
    if (gc->lighting.shadeModel == GL_SMOOTH) F |= GL_RF_SMOOTH | GL_RF_SMOOTH_COLOR, K |= KEY_SMOOTH;
    if ((en & GL_EN_DEPTH_TEST) && gc->pixelFormat.depthPresent) F |= GL_RF_DEPTH | GL_RF_DEPTH_TEST, K |= KEY_DEPTH;
    if (en & GL_EN_CULL_FACE) F |= GL_RF_CULL;
    if ((en & GL_EN_LIGHTING) && gc->lighting.model.twoSide) F |= GL_RF_TWO_SIDED, K |= KEY_TWO_SIDED;
    if (en & GL_EN_FOG) {
        if (gc->texturingActive && gc->texture.env.mode != ADD_ENV)
            F |= GL_RF_FOG_FRAGMENT;
        else
            F |= GL_RF_FOG_VERTEX | GL_RF_SMOOTH_COLOR, K |= KEY_FOG_VERTEX;
    }
    *key = K;
    return F;
}

// The vertex part of the key: texture coordinates, lighting, fog, clip planes.
GLuint hwVertexBits(const GlContext* gc, GLuint F) {
    const GLuint en = gc->enables.general;
    GLuint t = 0;
    if (gc->texturingActive) {
        const GLuint tex = gc->enables.texture;
        const GlTexGenState* g = gc->texture.gen;
        t = 0x2000;
        if (tex & 0x4) {
            if (g[0].mode == GL_EYE_LINEAR) t = 0x6000;
            else if (g[0].mode == GL_SPHERE_MAP) t = 0x6400;
        }
        if (tex & 0x8) {
            if (g[1].mode == GL_EYE_LINEAR) t |= 0x4000;
            else if (g[1].mode == GL_SPHERE_MAP) t |= 0x4400;
        }
        if (F & GL_RF_TEX_PERSPECTIVE) t |= 0x100;
    }
    GLuint v = t;
    if (en & GL_EN_LIGHTING) {
        bool eye = gc->lighting.model.localViewer != 0;
        for (int i = 0; i < GL_STATE_MAX_LIGHTS && !eye; i++)
            if ((gc->enables.lights >> i) & 1) eye = gc->lighting.light[i].position[3] != 0.0f;
        v = t | (eye ? 0x4400u : 0x400u) | GL_HW_KEY_LIGHTING;
    }
    if (en & GL_EN_FOG) v |= 0x4200;
    if (gc->enables.clipPlanes & 0x3F) v |= 0x4000;
    if ((en & GL_EN_LIGHTING) || (F & (GL_RF_SMOOTH | GL_RF_FOG_VERTEX)))
        v |= (F & GL_RF_TWO_SIDED) ? 0x1800 : 0x800;
    return v;
}

void GLPROC skipPicker(GlContext*) {}

GLint GLPROC skipDepthPicker(GlContext*) { return 0; }

}  // namespace

// The span-level pickers of the generic validation are left empty: the board
// rasterizes (the blend picker stays: the fragment stores blend).
extern "C" void GLPROC __glHwInstallValidate(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    p->fullValidate = __glHwValidate;
    p->pickSpanProcs = skipPicker;
    p->repackStipple = skipPicker;
    p->pickDepthTestProc = skipDepthPicker;
    p->pickBitmapProc = __glHwPickBitmapProc;
}

extern "C" void GLPROC __glHwValidate(GlContext* gc) {
    const GLuint dirty = gc->dirtyPickers;
    __glGenericValidate(gc);
    // The board's own rectangle paths in place of the software ones.
    GlContextProcs* p = &gc->procs;
    if (p->drawPixels == __glFastDrawPixels) p->drawPixels = __glHwDrawPixelsProc;
    if (p->readPixels == __glFastReadPixels) p->readPixels = __glHwReadPixelsProc;
    if (dirty == GL_DIRTY_ARRAYS) return;  // the array picker alone ran
    GLuint K;
    const GLuint F = hwRasterFlags(gc, gc->rasterFlags, &K);
    gc->rasterFlags = F;
    GlHwContext* hw = __glHw(gc);
    hw->hwVertexKey = K | (hw->hwVertexKey & KEY_RASTER_KEPT);
    if (dirty & (GL_DIRTY_GENERIC | GL_DIRTY_LIGHTING))
        hw->hwVertexKey = hwVertexBits(gc, F) | (hw->hwVertexKey & ~(GLuint)KEY_VERTEX_FIELD);
    if (dirty & GL_DIRTY_GENERIC) __glHwPushRenderBuffer(gc);  // the draw buffer may have changed
}
