// Texture objects: names, binding, the default objects, sharing between
// contexts, priorities and residency.

#include <string.h>
#include "texture.h"
#include "core/stateutil.h"

extern "C" GLfloat GLPROC __glClampFloat(GLfloat value, GLfloat low, GLfloat high) {
    if (value < low) return low;
    return value <= high ? value : high;
}

extern "C" void GLPROC __glExtractTexelEmpty(GlMipmapLevel*, GlTextureParams*, GLint, GLint, GLint,
                                             GlTexel* out) {
    memset(out, 0, sizeof *out);
}

// Target index of a bindable target (1D, 2D), with the proxies when asked; -1 otherwise.
static GLint targetIndex(GLenum target, bool proxies) {
    switch (target) {
    case GL_TEXTURE_1D: return GL_TEX_1D;
    case GL_TEXTURE_2D: return GL_TEX_2D;
    case GL_PROXY_TEXTURE_1D: return proxies ? GL_TEX_PROXY_1D : -1;
    case GL_PROXY_TEXTURE_2D: return proxies ? GL_TEX_PROXY_2D : -1;
    }
    return -1;
}

static inline GlTextureObject* defaultObject(GlContext* gc, GLint t) { return &gc->textureObjects.defaults[t]; }

extern "C" GlTexTargetState* GLPROC __glLookupTexTargetState(GlContext* gc, GLenum target) {
    const GLint t = targetIndex(target, false);
    return t < 0 ? nullptr : &gc->texture.target[t];
}

extern "C" GlTextureObject* GLPROC __glLookupTextureObject(GlContext* gc, GLenum target) {
    const GLint t = targetIndex(target, false);
    return t < 0 ? nullptr : gc->textureObjects.bound[t];
}

extern "C" GlTextureParams* GLPROC __glLookupTexParams(GlContext* gc, GLenum target) {
    const GLint t = targetIndex(target, true);
    return t < 0 ? nullptr : &gc->textureObjects.bound[t]->params;
}

// ---- objects

extern "C" void GLPROC __glInitTextureObject(GlContext*, GlTextureObject* object, GLuint name, GLint target) {
    object->free = __glFreeTextureObject;
    object->target = target;
    object->resident = 0;
    GlTextureParams* p = &object->params;
    p->state.name = name;
    p->state.priority = 1.0f;
    p->storeImage = __glTexStoreImageHook;
    p->copyImage = __glTexCopyImageHook;
    if (target == GL_TEX_1D || target == GL_TEX_2D) p->palette.target = GL_TEXTURE_1D + (GLenum)target;
    p->palette.internalFormat = GL_RGBA;
}

// Frees the level memory and the level array of a parameter block.
static void freeLevels(GlContext* gc, GlTextureParams* p) {
    if (!p->levels) return;
    for (GLint i = 0; i < p->levelCount; i++) {
        gc->imports.free(gc, p->levels[i].data);
        gc->imports.free(gc, p->levels[i].converted);
    }
    gc->imports.free(gc, p->levels);
    gc->imports.free(gc, p->palette.data);
    p->levels = nullptr;
    p->palette.data = nullptr;
}

extern "C" GLboolean GLPROC __glInitTextureParams(GlContext* gc, GLint target, GlTextureParams* p) {
    GlTextureObjects* x = &gc->textureObjects;
    p->state.wrapS = p->state.wrapT = GL_REPEAT;
    p->state.minFilter = GL_NEAREST_MIPMAP_LINEAR;
    p->state.magFilter = GL_LINEAR;
    p->dimensions = target == GL_TEX_1D || target == GL_TEX_PROXY_1D ? 1 : 2;
    p->allocLevel = target < GL_TEX_PROXY_1D ? x->allocLevel : x->allocProxyLevel;
    const GLint n = gc->limits.textureLevels;
    p->levels = (GlMipmapLevel*)gc->imports.calloc(gc, (size_t)n, sizeof(GlMipmapLevel));
    if (!p->levels) return GL_FALSE;
    p->levelCount = n;
    for (GLint i = 0; i < n; i++) {
        p->levels[i].internalFormat = 1;
        p->levels[i].extract = __glExtractTexelEmpty;
    }
    return GL_TRUE;
}

extern "C" void GLPROC __glFreeTextureObject(GlContext* gc, GlTextureObject* object) {
    freeLevels(gc, &object->params);
    gc->imports.free(gc, object);
}

extern "C" void GLPROC __glReleaseTextureObject(GlContext* gc, GlTextureObject* object) {
    if (--object->refCount == 0) object->free(gc, object);
}

static GlTextureObject* lookupName(GlContext* gc, GLuint name) {
    return name ? (GlTextureObject*)__glNameLookup(gc, gc->textureObjects.names, name) : nullptr;
}

// A new object under name for target index t, holding the table's and the
// caller's reference; null when memory ran out.
static GlTextureObject* createObject(GlContext* gc, GLint t, GLuint name) {
    GlTextureObject* o = (GlTextureObject*)gc->imports.calloc(gc, 1, sizeof(GlTextureObject));
    if (!o) return nullptr;
    gc->textureObjects.initObject(gc, o, name, t);
    if (!__glInitTextureParams(gc, t, &o->params) ||
        !__glNameStore(gc, gc->textureObjects.names, name, (GlNameObject*)o)) {
        __glFreeTextureObject(gc, o);
        return nullptr;
    }
    o->refCount++;
    return o;
}

// Makes o (holding one reference for the binding) the object of target t: the
// old object keeps the target state and loses its binding reference.
static void installBinding(GlContext* gc, GLint t, GlTextureObject* o) {
    GlTextureObjects* x = &gc->textureObjects;
    GlTextureObject* old = x->bound[t];
    if (t < GL_STATE_TEX_TARGETS) old->params.state = gc->texture.target[t];
    if (old != defaultObject(gc, t)) __glReleaseTextureObject(gc, old);
    x->bound[t] = o;
    if (t < GL_STATE_TEX_TARGETS) gc->texture.target[t] = o->params.state;
}

// Returns the error of a refused bind (nothing changed), or 0.
static GLenum bindObject(GlContext* gc, GLint t, GLuint name) {
    GlTextureObject* o = defaultObject(gc, t);
    if (name) {
        o = lookupName(gc, name);
        if (!o && !(o = createObject(gc, t, name))) return GL_OUT_OF_MEMORY;
        if (o->target != t) {
            __glReleaseTextureObject(gc, o);
            return GL_INVALID_OPERATION;
        }
    }
    installBinding(gc, t, o);
    return 0;
}

extern "C" GLboolean GLPROC __glBindTextureObject(GlContext* gc, GLint t, GLuint name) {
    const GLenum error = bindObject(gc, t, name);
    if (error) __glSetError(error);
    return error == 0;
}

// Every level from 0 has memory, as far as the filter samples them.
extern "C" GLboolean GLPROC __glTexLevelsHaveMemory(GlContext*, const GlTextureParams* p) {
    const bool oneLevel = p->state.minFilter == GL_NEAREST || p->state.minFilter == GL_LINEAR;
    for (GLint i = 0; i < p->levelCount; i++) {
        const GlMipmapLevel* l = &p->levels[i];
        if (!l->data) return GL_FALSE;
        if (oneLevel || (l->width == 1 && l->height == 1)) return GL_TRUE;
    }
    return GL_TRUE;
}

extern "C" void GLPROC __glRestoreTextureState(GlContext* gc, const GlTextureState* saved) {
    GlTextureState* live = &gc->texture;
    memcpy(live->gen, saved->gen, sizeof live->gen);
    live->env = saved->env;
    for (GLint t = 0; t < GL_STATE_TEX_TARGETS; t++) {
        const GlTexTargetState* s = &saved->target[t];
        if (s->name != live->target[t].name && bindObject(gc, t, s->name)) continue;  // the name has another target now
        live->target[t] = *s;
        gc->textureObjects.bound[t]->params.state = *s;
    }
}

// ---- context life

extern "C" GLboolean GLPROC __glInitTextures(GlContext* gc) {
    GlTextureObjects* x = &gc->textureObjects;
    if (!x->initObject) x->initObject = __glInitTextureObject;
    if (!x->allocLevel) x->allocLevel = __glAllocTexLevel;
    if (!x->allocProxyLevel) x->allocProxyLevel = __glAllocProxyTexLevel;
    if (!x->names && !(x->names = __glNewNameTable(gc, GL_NAME_KIND_TEXTURES))) return GL_FALSE;
    x->defaults = (GlTextureObject*)gc->imports.calloc(gc, GL_TEX_TARGETS, sizeof(GlTextureObject));
    if (!x->defaults) return GL_FALSE;
    for (GLint t = 0; t < GL_TEX_TARGETS; t++) {
        GlTextureObject* o = &x->defaults[t];
        x->initObject(gc, o, 0, t);
        o->refCount = 1;
        x->bound[t] = o;
        if (!__glInitTextureParams(gc, t, &o->params)) return GL_FALSE;
    }
    return GL_TRUE;
}

extern "C" void GLPROC __glFreeTextures(GlContext* gc) {
    GlTextureObjects* x = &gc->textureObjects;
    if (x->defaults) {
        for (GLint t = 0; t < GL_TEX_TARGETS; t++) {
            if (x->bound[t] && x->bound[t] != &x->defaults[t]) __glReleaseTextureObject(gc, x->bound[t]);
            x->bound[t] = nullptr;
            freeLevels(gc, &x->defaults[t].params);
        }
        gc->imports.free(gc, x->defaults);
        x->defaults = nullptr;
    }
    if (x->names && --x->names->refCount == 0) __glFreeNameTable(gc, x->names);
    x->names = nullptr;
}

extern "C" void GLPROC __glShareTextureNames(GlContext* gc, GlContext* other) {
    GlTextureObjects* x = &gc->textureObjects;
    GlNameTable* table = other->textureObjects.names;
    if (x->names == table || !table) return;
    if (x->names && --x->names->refCount == 0) __glFreeNameTable(gc, x->names);
    x->names = table;
    table->refCount++;
}

// ---- entries

extern "C" void GLIMM __glImmGenTextures(GLsizei n, GLuint* names) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (n < 0) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    __glNameGenArray(gc, gc->textureObjects.names, n, names);
}

extern "C" void GLIMM __glImmBindTexture(GLenum target, GLuint name) {
    GlThreadState* ts = __glThreadState();
    if (__glDrawPrologue(ts) == GL_DRAW_REFUSED) return;
    const GLint t = targetIndex(target, false);
    if (t < 0) return __glSetError(GL_INVALID_ENUM);
    GlContext* gc = ts->context;
    __glBindTextureObject(gc, t, name);
    __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
}

extern "C" void GLIMM __glImmDeleteTextures(GLsizei n, const GLuint* names) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (n < 0) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    GlTextureObjects* x = &gc->textureObjects;
    // Consecutive names go to the table as one run.
    GLuint first = 0, count = 0;
    for (GLsizei i = 0; i < n; i++) {
        const GLuint name = names[i];
        if (name == 0) continue;  // the default objects are never deleted
        for (GLint t = 0; t < GL_TEX_TARGETS; t++) {
            GlTextureObject* o = x->bound[t];
            if (o == defaultObject(gc, t) || o->params.state.name != name) continue;
            __glReleaseTextureObject(gc, o);
            x->bound[t] = defaultObject(gc, t);
            if (t < GL_STATE_TEX_TARGETS) gc->texture.target[t] = x->bound[t]->params.state;
            __glMarkPickers(ts, gc, GL_DIRTY_TEXTURE);
            break;
        }
        if (count && name == first + count) {
            count++;
            continue;
        }
        if (count) __glNameDelete(gc, x->names, first, count);
        first = name;
        count = 1;
    }
    if (count) __glNameDelete(gc, x->names, first, count);
}

extern "C" void GLIMM __glImmPrioritizeTextures(GLsizei n, const GLuint* names, const GLclampf* priorities) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (n < 0) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    for (GLsizei i = 0; i < n; i++) {
        GlTextureObject* o = lookupName(gc, names[i]);
        if (!o) continue;
        const GLfloat p = __glClampFloat(priorities[i], 0.0f, 1.0f);
        o->params.state.priority = p;
        if (gc->textureObjects.bound[o->target] == o) gc->texture.target[o->target].priority = p;
        __glReleaseTextureObject(gc, o);
    }
}

// Residences are written only when the answer is GL_FALSE (OpenGL 1.1): all
// of them, or those before an unknown name, which records GL_INVALID_VALUE.
// Each name is read once and every answer is known before the first
// residence is written: the two arrays may share memory.
extern "C" GLboolean GLPROC __glAreTexturesResident(GlContext* gc, GLsizei n, const GLuint* names,
                                                   GLboolean* residences,
                                                   GLboolean (GLPROC* resident)(GlContext* gc,
                                                                                GlTextureObject* object)) {
    if (n < 0) __glSetError(GL_INVALID_VALUE);
    if (n <= 0) return GL_FALSE;
    enum { LOCAL = 256 };
    GLboolean local[LOCAL];
    GLboolean* answers = n <= LOCAL ? local : (GLboolean*)gc->imports.alloc(gc, (size_t)n);
    if (!answers) {
        __glSetError(GL_OUT_OF_MEMORY);
        return GL_FALSE;
    }
    GLboolean all = GL_TRUE;
    GLsizei known = 0;
    for (; known < n; known++) {
        GlTextureObject* o = lookupName(gc, names[known]);
        if (!o) break;
        answers[known] = resident(gc, o);
        if (!answers[known]) all = GL_FALSE;
        __glReleaseTextureObject(gc, o);
    }
    if (!all || known < n) memcpy(residences, answers, (size_t)known);
    if (answers != local) gc->imports.free(gc, answers);
    if (known < n) __glSetError(GL_INVALID_VALUE);
    return all && known == n ? GL_TRUE : GL_FALSE;
}

static GLboolean GLPROC levelsResident(GlContext* gc, GlTextureObject* o) {
    return __glIsTextureComplete(gc, &o->params) && __glTexLevelsHaveMemory(gc, &o->params);
}

extern "C" GLboolean GLIMM __glImmAreTexturesResident(GLsizei n, const GLuint* names, GLboolean* residences) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return GL_FALSE;
    return __glAreTexturesResident(ts->context, n, names, residences, levelsResident);
}

extern "C" GLboolean GLIMM __glImmIsTexture(GLuint name) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return GL_FALSE;
    GlTextureObject* o = lookupName(ts->context, name);
    if (!o) return GL_FALSE;
    __glReleaseTextureObject(ts->context, o);
    return GL_TRUE;
}
