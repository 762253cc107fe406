// Attribute and client-attribute stacks, context state copy and the rescale
// of stored colours.

#include "services.h"
#include "stateutil.h"
#include "texture/texture.h"

// One level of glPushAttrib; allocated zeroed at its first use, kept for reuse.
struct GlAttribRecord {
    GLuint mask;  // as given; 0 after the level is popped
    GlEnableState enables;
    GlAccumState accum;
    GlColorBufferState colorBuffer;
    GlCurrentState current;
    GlDepthState depth;
    GlEvalGridState evalGrid;
    GlFogState fog;
    GlHintState hints;
    GlLightingState lighting;
    GlLineState line;
    GLuint listBase;
    GlPixelTransferState pixelTransfer;
    GLenum readBuffer[2];  // effective, requested
    GlPointState point;
    GlPolygonState polygon;
    GlPolygonStippleState stipple;
    GlScissorState scissor;
    GlStencilState stencil;
    GlTextureState texture;
    GlTransformState transform;
    GlViewportState viewport;
};

// One level of glPushClientAttrib.
struct GlClientAttribRecord {
    GLuint mask;
    GlPixelStoreModes pack, unpack;
    GlVertexArrayState arrays;
};

// Enable words a group restores besides its bits of the general word.
enum { EW_TEXTURE = 0x1, EW_LIGHTS = 0x2, EW_CLIP = 0x4, EW_MAPS = 0x8, EW_ALL = 0x10 };
// Steps a group's restore takes besides the copy and the marks.
enum {
    EX_COLOR_PROCS = 0x1,  // pickColorMaterial and applyCurrentColor
    EX_SPOT = 0x2,         // recompute the unit spot directions
    EX_BEGIN = 0x4,        // begin state 2 even with no picker bit
    EX_TEXTURE = 0x8,      // rebinds the saved texture names, restores the bound objects' parameters
};

struct GlAttribGroup {
    GLuint bit;
    uint16_t ctxOff, recOff, size;      // the group's block
    uint16_t ctxOff2, recOff2, size2;   // a second block, size2 0 when none
    GLuint generalMask;                 // bits of enables.general it owns
    GLuint words;                       // EW_*
    GLuint popPickers, popTables;       // marks of glPopAttrib
    GLuint copyPickers, copyTables;     // marks of the context copy
    GLuint extra;                       // EX_*
};

static_assert(offsetof(GlContext, clientAttribDepth) < 65536, "group offsets fit 16 bits");

#define CTX(f) (uint16_t) offsetof(GlContext, f)
#define REC(f) (uint16_t) offsetof(GlAttribRecord, f)
#define BLOCK(c, r) CTX(c), REC(r), (uint16_t)sizeof(((GlAttribRecord*)0)->r)
#define NO_BLOCK 0, 0, 0

// The groups in the order push saves and pop restores them.
static const GlAttribGroup attribGroups[] = {
    {GL_ACCUM_BUFFER_BIT, BLOCK(accum, accum), NO_BLOCK, 0, 0, 0, 0, 0, 0, 0},
    {GL_COLOR_BUFFER_BIT, BLOCK(colorBuffer, colorBuffer), NO_BLOCK, 0xA0000F, 0, 0,
     GL_DIRTY_ALPHA_TABLE | GL_DIRTY_INDEX_TABLE, 0, GL_DIRTY_ALPHA_TABLE, 0},
    {GL_CURRENT_BIT, BLOCK(current, current), NO_BLOCK, 0, 0, 0, 0, 0, 0, 0},
    {GL_DEPTH_BUFFER_BIT, BLOCK(depth, depth), NO_BLOCK, GL_EN_DEPTH_TEST, 0, GL_DIRTY_DEPTH, 0,
     GL_DIRTY_DEPTH, 0, 0},
    {GL_ENABLE_BIT, NO_BLOCK, NO_BLOCK, 0xFFFFFFFF, EW_ALL, 0x1BE, 0, 0x1AE, 0, EX_COLOR_PROCS},
    {GL_EVAL_BIT, BLOCK(evalGrid, evalGrid), NO_BLOCK, GL_EN_AUTO_NORMAL, EW_MAPS, 0, 0, 0, 0, 0},
    {GL_FOG_BIT, BLOCK(fog, fog), NO_BLOCK, GL_EN_FOG, 0, 0, 0, 0, 0, 0},
    {GL_HINT_BIT, BLOCK(hints, hints), NO_BLOCK, 0, 0, 0, 0, 0, 0, 0},
    {GL_LIGHTING_BIT, BLOCK(lighting, lighting), NO_BLOCK, 0x4000C0, EW_LIGHTS, GL_DIRTY_LIGHTING, 0,
     GL_DIRTY_LIGHTING, 0, EX_SPOT},
    {GL_LINE_BIT, BLOCK(line, line), NO_BLOCK, 0x300, 0, GL_DIRTY_LINE, 0, GL_DIRTY_LINE, 0, 0},
    {GL_LIST_BIT, BLOCK(lists.base, listBase), NO_BLOCK, 0, 0, 0, 0, 0, 0, 0},
    {GL_PIXEL_MODE_BIT, BLOCK(pixel.transfer, pixelTransfer), BLOCK(pixel.readBuffer, readBuffer), 0, 0,
     GL_DIRTY_PIXEL, 0, GL_DIRTY_PIXEL, 0, 0},
    {GL_POINT_BIT, BLOCK(point, point), NO_BLOCK, 0x400, 0, GL_DIRTY_POINT, 0, GL_DIRTY_POINT, 0, 0},
    {GL_POLYGON_BIT, BLOCK(polygon, polygon), NO_BLOCK, 0x1C3800, 0, GL_DIRTY_POLYGON, 0,
     GL_DIRTY_POLYGON, 0, 0},
    // The stipple enable belongs to the polygon and enable groups only.
    {GL_POLYGON_STIPPLE_BIT, BLOCK(stipple, stipple), NO_BLOCK, 0, 0,
     GL_DIRTY_POLYGON | GL_DIRTY_STIPPLE, 0, GL_DIRTY_POLYGON | GL_DIRTY_STIPPLE, 0, 0},
    {GL_SCISSOR_BIT, BLOCK(scissor, scissor), NO_BLOCK, GL_EN_SCISSOR_TEST, 0, GL_DIRTY_SCISSOR, 0,
     GL_DIRTY_SCISSOR, 0, 0},
    {GL_STENCIL_BUFFER_BIT, BLOCK(stencil, stencil), NO_BLOCK, GL_EN_STENCIL_TEST, 0, 0,
     GL_DIRTY_STENCIL_REF | GL_DIRTY_STENCIL_OPS, 0, GL_DIRTY_STENCIL_REF | GL_DIRTY_STENCIL_OPS, 0},
    {GL_TEXTURE_BIT, BLOCK(texture, texture), NO_BLOCK, 0, EW_TEXTURE, 0, 0, 0, 0, EX_BEGIN | EX_TEXTURE},
    {GL_TRANSFORM_BIT, BLOCK(transform, transform), NO_BLOCK, GL_EN_NORMALIZE, EW_CLIP, GL_DIRTY_GENERIC, 0,
     GL_DIRTY_GENERIC, 0, 0},
    {GL_VIEWPORT_BIT, BLOCK(viewport, viewport), NO_BLOCK, 0, 0, GL_DIRTY_GENERIC, 0, GL_DIRTY_GENERIC, 0, 0},
};
#undef CTX
#undef REC
#undef BLOCK
#undef NO_BLOCK

// Restores the enable bits a group owns from a saved set of enable words.
static void restoreEnables(GlEnableState* live, const GlEnableState* saved, const GlAttribGroup* g) {
    if (g->words & EW_ALL) {
        *live = *saved;
        return;
    }
    live->general = (live->general & ~g->generalMask) | (saved->general & g->generalMask);
    if (g->words & EW_TEXTURE) live->texture = (live->texture & ~0x3Fu) | (saved->texture & 0x3F);
    if (g->words & EW_LIGHTS) live->lights = saved->lights;
    if (g->words & EW_CLIP) live->clipPlanes = saved->clipPlanes;
    if (g->words & EW_MAPS) live->map1 = saved->map1, live->map2 = saved->map2;
}

// Restores one group into gc from a block source laid out as the record
// (fromRecord) or as a context, then marks what the group needs.
static void restoreGroup(GlThreadState* ts, GlContext* gc, const GlAttribGroup* g, const uint8_t* src,
                         const GlEnableState* savedEnables, bool fromRecord) {
    uint8_t* dst = (uint8_t*)gc;
    if (g->extra & EX_TEXTURE)
        __glRestoreTextureState(gc, (const GlTextureState*)(src + (fromRecord ? g->recOff : g->ctxOff)));
    else if (g->size)
        memcpy(dst + g->ctxOff, src + (fromRecord ? g->recOff : g->ctxOff), g->size);
    if (g->size2) memcpy(dst + g->ctxOff2, src + (fromRecord ? g->recOff2 : g->ctxOff2), g->size2);
    restoreEnables(&gc->enables, savedEnables, g);
    const GLuint pickers = fromRecord ? g->popPickers : g->copyPickers;
    if (pickers || (g->extra & EX_BEGIN)) __glMarkPickers(ts, gc, pickers);
    gc->dirtyTables |= fromRecord ? g->popTables : g->copyTables;
    if (g->extra & EX_SPOT)
        for (int i = 0; i < GL_STATE_MAX_LIGHTS; i++) __glDeriveSpotDirection(gc, i);
    if (g->extra & EX_COLOR_PROCS) {
        gc->procs.pickColorMaterial(gc);
        gc->procs.applyCurrentColor(gc);
    }
}

extern "C" void GLIMM __glImmPushAttrib(GLbitfield mask) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    if (gc->attribDepth >= (GLuint)gc->limits.maxAttribStackDepth) {
        __glSetError(GL_STACK_OVERFLOW);
        return;
    }
    GlAttribRecord* rec = (GlAttribRecord*)gc->attribStack[gc->attribDepth];
    if (!rec) {
        rec = (GlAttribRecord*)gc->imports.calloc(gc, 1, sizeof(GlAttribRecord));
        if (!rec) {
            __glSetError(GL_OUT_OF_MEMORY);
            return;
        }
        gc->attribStack[gc->attribDepth] = rec;
    }
    rec->mask = mask;
    rec->enables = gc->enables;
    gc->attribDepth++;
    const uint8_t* src = (const uint8_t*)gc;
    uint8_t* dst = (uint8_t*)rec;
    for (const GlAttribGroup& g : attribGroups) {
        if (!(mask & g.bit)) continue;
        if (g.size) memcpy(dst + g.recOff, src + g.ctxOff, g.size);
        if (g.size2) memcpy(dst + g.recOff2, src + g.ctxOff2, g.size2);
    }
}

extern "C" void GLIMM __glImmPopAttrib(void) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    if (gc->attribDepth == 0) {
        __glSetError(GL_STACK_UNDERFLOW);
        return;
    }
    GlAttribRecord* rec = (GlAttribRecord*)gc->attribStack[--gc->attribDepth];
    const GLuint mask = rec->mask;
    for (const GlAttribGroup& g : attribGroups)
        if (mask & g.bit) restoreGroup(ts, gc, &g, (const uint8_t*)rec, &rec->enables, true);
    rec->mask = 0;
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

extern "C" void GLIMM __glImmPushClientAttrib(GLbitfield mask) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    if (gc->clientAttribDepth >= (GLuint)gc->limits.maxClientAttribStackDepth) {
        __glSetError(GL_STACK_OVERFLOW);
        return;
    }
    GlClientAttribRecord* rec = (GlClientAttribRecord*)gc->clientAttribStack[gc->clientAttribDepth];
    if (!rec) {
        rec = (GlClientAttribRecord*)gc->imports.calloc(gc, 1, sizeof(GlClientAttribRecord));
        if (!rec) {
            __glSetError(GL_OUT_OF_MEMORY);
            return;
        }
        gc->clientAttribStack[gc->clientAttribDepth] = rec;
    }
    gc->clientAttribDepth++;
    rec->mask = mask;
    if (mask & GL_CLIENT_PIXEL_STORE_BIT) {
        rec->pack = gc->pixel.pack;
        rec->unpack = gc->pixel.unpack;
    }
    if (mask & GL_CLIENT_VERTEX_ARRAY_BIT) rec->arrays = gc->arrays;
}

extern "C" void GLIMM __glImmPopClientAttrib(void) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    if (gc->clientAttribDepth == 0) {
        __glSetError(GL_STACK_UNDERFLOW);
        return;
    }
    GlClientAttribRecord* rec = (GlClientAttribRecord*)gc->clientAttribStack[--gc->clientAttribDepth];
    if (rec->mask & GL_CLIENT_PIXEL_STORE_BIT) {
        gc->pixel.pack = rec->pack;
        gc->pixel.unpack = rec->unpack;
    }
    // The flags (lock, private switches, picked bits) and the lock range stay as they are.
    if (rec->mask & GL_CLIENT_VERTEX_ARRAY_BIT)
        memcpy(&gc->arrays, &rec->arrays, offsetof(GlVertexArrayState, flags));
    rec->mask = 0;
    __glMarkPickers(ts, gc, GL_DIRTY_GENERIC);
}

// Frees the levels of both stacks (the stack arrays are the caller's).
extern "C" void GLPROC __glFreeAttribStack(GlContext* gc) {
    void** stacks[2] = {gc->attribStack, gc->clientAttribStack};
    const GLint depths[2] = {gc->limits.maxAttribStackDepth, gc->limits.maxClientAttribStackDepth};
    for (int s = 0; s < 2; s++) {
        if (!stacks[s]) continue;
        for (GLint i = 0; i < depths[s] && stacks[s][i]; i++) {
            gc->imports.free(gc, stacks[s][i]);
            stacks[s][i] = nullptr;
        }
    }
    gc->attribDepth = gc->clientAttribDepth = 0;
}

static void scale4(GLfloat* v, const GLfloat ratio[4]) {
    for (int i = 0; i < 4; i++) v[i] *= ratio[i];
}

// Multiplies the colours a group keeps in colour-maxima units by ratio.
static void rescaleGroups(GLuint mask, GLuint rgba, GlCurrentState* cur, GlLightingState* l, GlFogState* fog,
                          GlTextureState* tex, const GLfloat ratio[4]) {
    if ((mask & GL_CURRENT_BIT) && rgba) {
        scale4(cur->scaledColor, ratio);
        scale4(cur->raster.color, ratio);
    }
    if (mask & GL_LIGHTING_BIT) {
        scale4(l->model.ambient, ratio);
        for (GlLight& t : l->light) {
            scale4(t.ambient, ratio);
            scale4(t.diffuse, ratio);
            scale4(t.specular, ratio);
        }
        scale4(l->front.emission, ratio);
        scale4(l->back.emission, ratio);
    }
    if (mask & GL_FOG_BIT) scale4(fog->color, ratio);
    if (mask & GL_TEXTURE_BIT) scale4(tex->env.color, ratio);
}

static const GLuint colorGroups = GL_CURRENT_BIT | GL_LIGHTING_BIT | GL_FOG_BIT | GL_TEXTURE_BIT;

// The colour maxima changed by ratio: rescale the live state and every
// occupied attribute level. The caller stores the new maxima afterwards.
extern "C" void GLPROC __glRescaleStoredColors(GlContext* gc, const GLfloat ratio[4]) {
    const GLuint rgba = gc->pixelFormat.rgba;
    for (GLuint i = 0; i < gc->attribDepth; i++) {
        GlAttribRecord* r = (GlAttribRecord*)gc->attribStack[i];
        rescaleGroups(r->mask, rgba, &r->current, &r->lighting, &r->fog, &r->texture, ratio);
        // The byte form is the colour divided by the maxima: unchanged by a rescale.
    }
    rescaleGroups(colorGroups, rgba, &gc->current, &gc->lighting, &gc->fog, &gc->texture, ratio);
}

// Applies the groups of mask from another context's live state.
extern "C" GLboolean GLPROC __glCopyContextState(GlContext* dst, GlContext* src, GLuint mask) {
    GlThreadState* ts = __glThreadState();
    __glRescaleColors(dst);
    for (const GlAttribGroup& g : attribGroups)
        if (mask & g.bit) restoreGroup(ts, dst, &g, (const uint8_t*)src, &src->enables, false);
    // Colours copied in the source's units are brought to the destination's.
    GLfloat ratio[4];
    for (int i = 0; i < 4; i++) ratio[i] = dst->constants.previousColorMax[i] / src->constants.previousColorMax[i];
    rescaleGroups(mask & colorGroups, dst->pixelFormat.rgba, &dst->current, &dst->lighting, &dst->fog,
                  &dst->texture, ratio);
    if (mask & GL_FOG_BIT) __glFogColorBytes(dst);
    __glMarkPickers(ts, dst, GL_DIRTY_GENERIC);
    return GL_TRUE;
}
