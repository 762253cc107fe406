// glEnable, glDisable, glIsEnabled and the client-state entries.

#include "stateutil.h"

// What a change of a general capability marks and calls.
enum {
    ACT_TAIL = 0x1,          // begin state 2 and the general dirty bit
    ACT_ONLY_ON_CHANGE = 0x2,  // nothing at all when the bit already has the value
    ACT_COLOR_MATERIAL = 0x4,  // pickColorMaterial; applyCurrentColor on enable
    ACT_LIGHTING = 0x8,        // pickColorMaterial and applyCurrentColor
    ACT_SCISSOR = 0x10,        // enable: only on change
};

struct GlCapability {
    GLenum cap;
    GLuint bit;
    GLuint pickers;  // with begin state 2 when non-zero
    GLuint act;
};

static const GlCapability capabilities[] = {
    {GL_ALPHA_TEST, GL_EN_ALPHA_TEST, 0, ACT_TAIL},
    {GL_BLEND, GL_EN_BLEND, 0, ACT_TAIL},
    {GL_INDEX_LOGIC_OP, GL_EN_INDEX_LOGIC_OP, 0, ACT_TAIL},
    {GL_DITHER, GL_EN_DITHER, 0, ACT_TAIL},
    {GL_DEPTH_TEST, GL_EN_DEPTH_TEST, GL_DIRTY_DEPTH, ACT_TAIL},
    {GL_FOG, GL_EN_FOG, 0, ACT_TAIL},
    {GL_LIGHTING, GL_EN_LIGHTING, GL_DIRTY_LIGHTING, ACT_LIGHTING},
    // Array draws under lighting read colours only through colour material.
    {GL_COLOR_MATERIAL, GL_EN_COLOR_MATERIAL, GL_DIRTY_ARRAYS, ACT_COLOR_MATERIAL},
    {GL_LINE_STIPPLE, GL_EN_LINE_STIPPLE, GL_DIRTY_LINE, 0},
    {GL_LINE_SMOOTH, GL_EN_LINE_SMOOTH, 0, ACT_TAIL},
    {GL_POINT_SMOOTH, GL_EN_POINT_SMOOTH, 0, ACT_TAIL},
    {GL_POLYGON_SMOOTH, GL_EN_POLYGON_SMOOTH, 0, ACT_TAIL},
    {GL_CULL_FACE, GL_EN_CULL_FACE, GL_DIRTY_POLYGON, ACT_ONLY_ON_CHANGE},
    {GL_POLYGON_STIPPLE, GL_EN_POLYGON_STIPPLE, GL_DIRTY_POLYGON, 0},
    {GL_SCISSOR_TEST, GL_EN_SCISSOR_TEST, GL_DIRTY_SCISSOR, ACT_TAIL | ACT_SCISSOR},
    {GL_STENCIL_TEST, GL_EN_STENCIL_TEST, 0, ACT_TAIL},
    {GL_NORMALIZE, GL_EN_NORMALIZE, 0, ACT_TAIL},
    {GL_AUTO_NORMAL, GL_EN_AUTO_NORMAL, 0, ACT_TAIL},
    {GL_POLYGON_OFFSET_POINT, GL_EN_POLYGON_OFFSET_POINT, GL_DIRTY_POINT, ACT_TAIL},
    {GL_POLYGON_OFFSET_LINE, GL_EN_POLYGON_OFFSET_LINE, GL_DIRTY_LINE, ACT_TAIL},
    {GL_POLYGON_OFFSET_FILL, GL_EN_POLYGON_OFFSET_FILL, GL_DIRTY_POLYGON, ACT_TAIL},
    {GL_COLOR_LOGIC_OP, GL_EN_COLOR_LOGIC_OP, 0, ACT_TAIL},
    {GL_INDEX_MATERIAL_QTA, GL_EN_INDEX_MATERIAL, 0, ACT_TAIL},
    {GL_INDEX_TEST_QTA, GL_EN_INDEX_TEST, 0, ACT_TAIL},
    {GL_CULL_VERTEX_QTA, GL_EN_CULL_VERTEX, 0, ACT_TAIL},
    {GL_SHARED_TEXTURE_PALETTE_EXT, GL_EN_SHARED_PALETTE, 0, ACT_TAIL},
};

// Field and bit of each vertex array, GL_VERTEX_ARRAY .. GL_EDGE_FLAG_ARRAY.
static const GLuint arrayFields[6] = {GL_ARRAY_FIELD_VERTEX, GL_ARRAY_FIELD_NORMAL, GL_ARRAY_FIELD_COLOR,
                                      GL_ARRAY_FIELD_INDEX, GL_ARRAY_FIELD_TEXCOORD, GL_ARRAY_FIELD_EDGEFLAG};
static const GLuint arrayBits[6] = {0x20, 0x1, 0x2, 0x8, 0x4, 0x10};

static const GlCapability* findCapability(GLenum cap) {
    for (const GlCapability& c : capabilities)
        if (c.cap == cap) return &c;
    return nullptr;
}

// The word and bit of a capability kept outside enables.general; false when
// cap is none of them.
static bool otherCapability(GlContext* gc, GLenum cap, GLuint** word, uint16_t** half, GLuint* bit) {
    *word = nullptr, *half = nullptr;
    GlEnableState* e = &gc->enables;
    if (cap == GL_TEXTURE_1D || cap == GL_TEXTURE_2D) {
        *word = &e->texture, *bit = cap == GL_TEXTURE_1D ? 0x1 : 0x2;
    } else if (cap - GL_TEXTURE_GEN_S <= 3u) {
        *word = &e->texture, *bit = 0x4u << (cap - GL_TEXTURE_GEN_S);
    } else if (cap - GL_LIGHT0 <= 7u) {
        *word = &e->lights, *bit = 1u << (cap - GL_LIGHT0);
    } else if (cap - GL_CLIP_PLANE0 <= 5u) {
        *word = &e->clipPlanes, *bit = 1u << (cap - GL_CLIP_PLANE0);
    } else if (cap - GL_MAP1_COLOR_4 <= 8u) {
        *half = &e->map1, *bit = 1u << (cap - GL_MAP1_COLOR_4);
    } else if (cap - GL_MAP2_COLOR_4 <= 8u) {
        *half = &e->map2, *bit = 1u << (cap - GL_MAP2_COLOR_4);
    } else {
        return false;
    }
    return true;
}

// The capability's state; *known is 0 for an unknown capability.
extern "C" GLboolean GLPROC __glIsEnabledCap(GlContext* gc, GLenum cap, GLboolean* known) {
    *known = GL_TRUE;
    if (const GlCapability* c = findCapability(cap)) return (gc->enables.general & c->bit) != 0;
    GLuint* word;
    uint16_t* half;
    GLuint bit;
    if (otherCapability(gc, cap, &word, &half, &bit)) return ((word ? *word : *half) & bit) != 0;
    if (cap - GL_VERTEX_ARRAY <= 5u) return (gc->arrays.enabledFields & arrayFields[cap - GL_VERTEX_ARRAY]) != 0;
    *known = GL_FALSE;
    return GL_FALSE;
}

extern "C" GLboolean GLIMM __glImmIsEnabled(GLenum cap) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return GL_FALSE;
    GLboolean known;
    GLboolean on = __glIsEnabledCap(ts->context, cap, &known);
    if (!known) __glSetError(GL_INVALID_ENUM);
    return on;
}

static void setCapability(GLenum cap, bool on) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    if (const GlCapability* c = findCapability(cap)) {
        const bool was = (gc->enables.general & c->bit) != 0;
        if ((c->act & ACT_ONLY_ON_CHANGE) && was == on) return;
        if ((c->act & ACT_SCISSOR) && on && was) return;
        if (on) gc->enables.general |= c->bit;
        else gc->enables.general &= ~c->bit;
        if (c->pickers) __glMarkPickers(ts, gc, c->pickers);
        if (c->act & ACT_LIGHTING) {
            gc->procs.pickColorMaterial(gc);
            gc->procs.applyCurrentColor(gc);
        }
        if (c->act & ACT_COLOR_MATERIAL) {
            gc->procs.pickColorMaterial(gc);
            if (on) gc->procs.applyCurrentColor(gc);
        }
        if (c->act & ACT_TAIL) __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
        return;
    }
    GLuint* word;
    uint16_t* half;
    GLuint bit;
    if (otherCapability(gc, cap, &word, &half, &bit)) {
        if (word) *word = on ? (*word | bit) : (*word & ~bit);
        else *half = (uint16_t)(on ? (*half | bit) : (*half & ~bit));
        __glMarkPickers(ts, gc, cap - GL_LIGHT0 <= 7u ? (GLuint)GL_DIRTY_LIGHTING : (GLuint)GL_DIRTY_GENERIC);
        return;
    }
    if (cap - GL_VERTEX_ARRAY <= 5u) {
        if (on) glEnableClientState(cap);
        else glDisableClientState(cap);
        return;
    }
    __glSetError(GL_INVALID_ENUM);
}

extern "C" void GLIMM __glImmEnable(GLenum cap) { setCapability(cap, true); }
extern "C" void GLIMM __glImmDisable(GLenum cap) { setCapability(cap, false); }

static void setClientState(GLenum array, bool on) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GLuint i = array - GL_VERTEX_ARRAY;
    if (i > 5) {
        __glSetError(GL_INVALID_ENUM);
        return;
    }
    GlContext* gc = ts->context;
    GlVertexArrayState* a = &gc->arrays;
    if (on) {
        a->enabledFields |= arrayFields[i];
        a->enabledArrays |= arrayBits[i];
    } else {
        a->enabledFields &= ~arrayFields[i];
        a->enabledArrays &= ~arrayBits[i];
    }
    __glMarkPickers(ts, gc, GL_DIRTY_ARRAYS);
}

extern "C" void GLIMM __glImmEnableClientState(GLenum array) { setClientState(array, true); }
extern "C" void GLIMM __glImmDisableClientState(GLenum array) { setClientState(array, false); }
