// State validation: raster flags, vertex work masks and the pickers of the
// dirty groups, in a fixed order; the private hints.

#include "stateutil.h"
#include "pickers.h"
#include "geometry/geometry.h"
#include "geometry/arrays.h"
#include "codegen/vertexgen.h"
#include "raster/glbuffer.h"
#include "raster/span.h"
#include "wgl/drawable.h"

enum {
    DIRTY_FIRST_BLOCK = GL_DIRTY_GENERIC | GL_DIRTY_LIGHTING,
    DIRTY_TRIANGLES = GL_DIRTY_GENERIC | GL_DIRTY_POLYGON | GL_DIRTY_LIGHTING | GL_DIRTY_DEPTH,
    DIRTY_POINTS = GL_DIRTY_GENERIC | GL_DIRTY_POINT | GL_DIRTY_LIGHTING,
    DIRTY_LINES = GL_DIRTY_GENERIC | GL_DIRTY_LINE | GL_DIRTY_LIGHTING,
    DIRTY_RENDER = GL_DIRTY_GENERIC | GL_DIRTY_PIXEL | GL_DIRTY_LIGHTING,
};

static const GLenum GL_ADD_ENV = 0x0104;

// The texture target state of the current texture: 2-D before 1-D.
static const GlTexTargetState* currentTarget(const GlContext* gc) {
    return &gc->texture.target[(gc->enables.texture & 0x2) ? 1 : 0];
}

static GLuint computeRasterFlags(const GlContext* gc) {
    const GLuint general = gc->enables.general;
    const GlPixelFormatInfo* f = &gc->pixelFormat;
    const bool rgba = f->rgba != 0;
    const bool lighting = (general & GL_EN_LIGHTING) != 0;
    const bool depth = (general & GL_EN_DEPTH_TEST) && f->depthPresent;
    GLuint F = 0;
    if (rgba) F |= GL_RF_RGBA;
    if (gc->lighting.shadeModel == GL_SMOOTH) F |= GL_RF_SMOOTH | GL_RF_SMOOTH_COLOR;
    if (depth) F |= GL_RF_DEPTH | GL_RF_DEPTH_TEST;
    if (gc->texturingActive) F |= GL_RF_TEXTURE;
    if (general & GL_EN_POLYGON_STIPPLE) F |= GL_RF_POLYGON_STIPPLE;
    if ((general & GL_EN_STENCIL_TEST) && f->stencilPresent) F |= GL_RF_STENCIL;
    const GlColorBuffer* front = gc->fb.frontBuffer;
    if ((general & GL_EN_DITHER) && front && front->buf.elementSize <= 2) F |= GL_RF_DITHER;
    if (general & (rgba ? GL_EN_COLOR_LOGIC_OP : GL_EN_INDEX_LOGIC_OP)) F |= GL_RF_LOGIC_OP;
    if (rgba && (general & GL_EN_BLEND) && !(general & GL_EN_COLOR_LOGIC_OP)) F |= GL_RF_BLEND;
    if (rgba && (general & GL_EN_ALPHA_TEST)) F |= GL_RF_ALPHA_TEST;
    if (lighting && gc->lighting.model.twoSide) F |= GL_RF_TWO_SIDED;
    if (rgba) {
        const uint8_t* m = gc->colorBuffer.colorWriteMask;
        if (!m[0] || !m[1] || !m[2] || (!m[3] && f->alphaBits)) F |= GL_RF_WRITE_MASK;
    } else {
        const GLuint full = front ? front->fullMask : __glIndexMask(gc);
        if ((gc->colorBuffer.indexWriteMask & full) != full) F |= GL_RF_WRITE_MASK;
    }
    if (general & GL_EN_FOG) {
        const bool perFragment = __glNicestFog(gc) ||
                                 (gc->texturingActive && gc->texture.env.mode != GL_ADD_ENV);
        F |= perFragment ? GL_RF_FOG_FRAGMENT : GL_RF_FOG_VERTEX | GL_RF_SMOOTH_COLOR;
    }
    if (general & GL_EN_LINE_STIPPLE) F |= GL_RF_LINE_STIPPLE;
    if (general & GL_EN_CULL_FACE) F |= GL_RF_CULL;
    if (depth && (general & GL_EN_POLYGON_OFFSET_FILL) &&
        (gc->polygon.offsetFactor != 0.0f || gc->polygon.offsetUnits != 0.0f))
        F |= GL_RF_POLYGON_OFFSET;
    if (!rgba && (general & GL_EN_INDEX_TEST)) F |= GL_RF_INDEX_TEST;
    const GLenum db = gc->colorBuffer.drawBuffer;
    const WglDrawable* d = gc->fb.drawable;
    if ((db == GL_FRONT || db == GL_FRONT_AND_BACK) && d && d->clipRectCount) F |= GL_RF_CLIP_LIST;
    if (gc->texturingActive) {
        const GlTexTargetState* t = currentTarget(gc);
        if (t->minFilter == GL_NEAREST || t->minFilter == GL_LINEAR) F |= GL_RF_TEX_NO_MIPMAP;
        if (!(gc->hints.perspectiveCorrection == GL_FASTEST && t->minFilter == t->magFilter))
            F |= GL_RF_TEX_PERSPECTIVE;
    }
    return F;
}

// The vertex work masks in GlVertex done bits.
static void computeVertexNeeds(GlContext* gc) {
    const GLuint general = gc->enables.general;
    const GLuint F = gc->rasterFlags;
    const bool lighting = (general & GL_EN_LIGHTING) != 0;
    GLuint T = 0;
    // Feedback reports generated coordinates whether or not a texture is in effect.
    if (gc->texturingActive || gc->renderMode == GL_FEEDBACK) {
        const GLuint tex = gc->enables.texture;
        const GlTexGenState* g = gc->texture.gen;
        T = GL_VX_TEXGEN;
        for (int i = 0; i < 4; i++) {
            if (!(tex & (0x4u << i))) continue;
            if (g[i].mode == GL_EYE_LINEAR) T |= GL_VX_EYE;
            else if (g[i].mode == GL_SPHERE_MAP) T |= GL_VX_EYE | GL_VX_EYE_NORMAL;
        }
        if (gc->texturingActive && (F & GL_RF_TEX_PERSPECTIVE)) T |= GL_VX_TEX_DIVIDED;
    }
    GLuint L = 0;
    bool spot = false;
    if (lighting) {
        L = GL_VX_EYE_NORMAL;
        bool eye = gc->lighting.model.localViewer != 0;
        for (int i = 0; i < GL_STATE_MAX_LIGHTS; i++) {
            if (!((gc->enables.lights >> i) & 1)) continue;
            eye |= (__glFloatBits(gc->lighting.light[i].position[3]) & 0x7FFFFFFFu) != 0;
            spot |= gc->lighting.light[i].spotCutoff != 180.0f;
        }
        if (eye) L |= GL_VX_EYE;
    }
    // Directional lights without spots light object normals by the lights'
    // object vectors (light.cpp) when nothing else reads eye normals: the
    // geometry's completion masks then leave normals untransformed.
    gc->lightingDerived.objectSpace =
        lighting && !(L & GL_VX_EYE) && !spot && !(general & GL_EN_NORMALIZE) && !(T & GL_VX_EYE_NORMAL);
    if (general & GL_EN_FOG) {
        T |= GL_VX_EYE;
        if (!__glNicestFog(gc)) T |= GL_VX_FOG;
    }
    if (gc->enables.clipPlanes & 0x3F) T |= GL_VX_EYE;

    gc->vertexNeedsBase = T;
    GLuint front = T | L, back = T | L;
    if (lighting || (F & (GL_RF_SMOOTH | GL_RF_FOG_VERTEX))) {
        front |= GL_VX_FRONT_LIT;
        back |= (F & GL_RF_TWO_SIDED) ? GL_VX_BACK_LIT : GL_VX_FRONT_LIT;
    }
    gc->vertexNeedsFront = front;
    gc->vertexNeedsBack = back;
    gc->vertexNeedsFlat =
        ((F & GL_RF_SMOOTH) || gc->litAllVertices) ? (front | back) & ~(GLuint)GL_VX_TEXGEN : 0;
}

// The done bits the geometry's primitives complete, from the work masks. The
// colour bits only with lighting on: an unlit vertex's colour is gathered, not
// computed.
static void deriveGeometryNeeds(GlContext* gc) {
    // Per-vertex fog of unlit colours in GL_RENDER is computed as lighting is.
    const bool lighting = (gc->enables.general & GL_EN_LIGHTING) ||
                          ((gc->rasterFlags & GL_RF_FOG_VERTEX) && gc->renderMode == GL_RENDER);
    const GLuint colorBits = GL_VX_FRONT_LIT | GL_VX_BACK_LIT;
    const GLuint work = gc->vertexNeedsFront & ~colorBits & (gc->lightingDerived.objectSpace ? ~GL_VX_EYE_NORMAL : ~0u);
    gc->faceNeeds[0] = lighting ? gc->vertexNeedsFront & colorBits : 0;
    gc->faceNeeds[1] = lighting ? gc->vertexNeedsBack & colorBits : 0;
    gc->frontNeeds = work | gc->faceNeeds[0];
    gc->triangleNeeds = work;
    gc->pendingNeeds = gc->frontNeeds | gc->faceNeeds[1];
    gc->clipPlaneMask = gc->enables.clipPlanes & 0x3F;
    gc->smoothShading = (gc->rasterFlags & GL_RF_SMOOTH) != 0;
    gc->twoSided = (gc->rasterFlags & GL_RF_TWO_SIDED) != 0;
}

// The viewport and depth transforms follow the stored values: the setters
// compute them, an attribute pop or context copy restores only the values.
static void updateWindowTransforms(GlContext* gc) {
    __glReadDrawableSize(gc);
    __glComputeViewportTransform(gc);
    __glComputeViewportBox(gc);
    __glUpdateDepthRange(gc);
}

extern "C" void GLPROC __glGenericValidate(GlContext* gc) {
    GlContextProcs* p = &gc->procs;
    gc->contextFlags |= GL_CONTEXT_VALIDATED;
    __glChooseVertexLayout(gc);

    GLuint dirty = gc->dirtyPickers;
    if (dirty & (GL_DIRTY_GENERIC | GL_DIRTY_ARRAYS)) {
        p->pickArrayProcs(gc);
        if (dirty == GL_DIRTY_ARRAYS && !gc->dirtyTables) {
            gc->dirtyPickers = 0;
            return;
        }
    }
    if (dirty & DIRTY_FIRST_BLOCK) {
        p->pickTextureProcs(gc);
        gc->texturingActive = gc->currentTexture != nullptr;
    }
    gc->rasterFlags = computeRasterFlags(gc);

    if (dirty & DIRTY_FIRST_BLOCK) {
        computeVertexNeeds(gc);
        deriveGeometryNeeds(gc);
        updateWindowTransforms(gc);

        __glPickColorBuffers(gc);

        p->pickDrawBuffer(gc);
        p->pickFragmentStoreProc(gc);
        p->pickMatrixProcs(gc);
        __glValidateLighting(gc);
        p->pickColorMaterial(gc);
        p->applyCurrentColor(gc);
        p->pickTexGenProcs(gc);
        p->pickBlendProcs(gc);
        p->pickFogProcs(gc);
        p->pickClipInterpolator(gc);
        p->pickShadeProcs(gc);
        p->pickBitmapProc(gc);

        if (gc->dirtyTables & GL_DIRTY_ALPHA_TABLE) __glBuildAlphaFuncTable(gc);
        if (gc->dirtyTables & GL_DIRTY_INDEX_TABLE) __glBuildIndexTestTable(gc);
        // glScissor computes the box itself; this follows the enables and pops.
        p->computeWindowClipBox(gc);
    }

    if (dirty & GL_DIRTY_STIPPLE) p->repackStipple(gc);
    if (dirty & GL_DIRTY_DEPTH) {
        __glUpdateDepthRange(gc);
        p->pickDepthTestProc(gc);
    }
    if (dirty & DIRTY_TRIANGLES) {
        p->pickVertexProcs(gc);
        p->pickSpanProcs(gc);
        p->pickCullAndFillProcs(gc);
    } else if ((dirty & GL_DIRTY_SCISSOR) && __glSpanClipStale(gc)) {
        // The clip box moved across the viewport: the scissor stage comes or goes.
        p->pickSpanProcs(gc);
    }
    if (dirty & DIRTY_POINTS) p->pickPointProcs(gc);
    if (dirty & DIRTY_LINES) p->pickLineProcs(gc);
    if (dirty & DIRTY_RENDER) p->pickRenderProcs(gc);
    if (dirty & DIRTY_FIRST_BLOCK) p->pickVertexArrayProcs(gc);
    __glVcacheInstall(gc);

    gc->dirtyTables = 0;
    gc->dirtyPickers = 0;
}

// procs.validate: the full validation.
extern "C" void GLPROC __glCallValidate(GlContext* gc) { gc->procs.fullValidate(gc); }

// Private values of glCullParameterfvQTA; params[0] as a float, non-zero on.
// Returns 0 for a value it does not know.
extern "C" GLboolean GLPROC __glPrivateHint(GlContext* gc, GLenum pname, const GLfloat* params) {
    const bool known = pname - 0x6401u <= 3u || pname - 0x81ADu <= 2u;
    if (!known) return GL_FALSE;
    const bool on = params[0] != 0.0f;
    GLuint flag = 0;
    bool marks = true;
    switch (pname) {
    case 0x6401: flag = GL_ARRAY_HINT_6401, marks = false; break;
    case 0x6402: flag = GL_ARRAY_HINT_6402; break;
    case 0x6403:
        gc->vertexArrayHint = (GLint)params[0];
        __glSetArrayBatchSize(gc, gc->vertexArrayHint);
        return GL_TRUE;
    case 0x6404: flag = GL_ARRAY_HINT_6404; break;
    case 0x81AD:  // 0.0 lights every vertex and switches the vertex cache on
        gc->litAllVertices = on ? 0 : 1;
        gc->vcache.enabled = on ? 0 : 1;
        break;
    case 0x81AE: flag = GL_ARRAY_HINT_81AE; break;
    case 0x81AF: flag = GL_ARRAY_HINT_81AF; break;
    default: return GL_FALSE;
    }
    if (flag) gc->arrays.flags = on ? gc->arrays.flags | flag : gc->arrays.flags & ~flag;
    if (marks) __glMarkPickers(__glThreadState(), gc, GL_DIRTY_GENERIC);
    return GL_TRUE;
}
