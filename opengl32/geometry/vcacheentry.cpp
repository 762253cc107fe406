// The immediate-mode vertex cache's vertex entries, one per vertex size and
// set of gathered attributes. They run once a vertex: this file is built
// without stack realignment (its calls, to the library's own procedures,
// need none), so that an entry makes no frame and a full cache's flush is a
// jump.

#include <array>
#include <utility>
#include "vcache.h"
#include "attrconv.h"
#include "geometry.h"
#include "core/stateutil.h"

// ---- Vertex entries: they sit in the vertex slots while the cache is on and
// store only between glBegin and glEnd. No call on the common path: one
// entry per vertex size and set of gathered attributes (GL_GATHER_* bits,
// chosen at validation) copies just those, a full cache goes to the flush.

template <int N, GLuint What>
static inline void storeEntry(GlContext* gc, GlVertexCache* vc, const GLfloat* v) {
    GlVertex* e = vc->entries + vc->count++;
    vc->sizesSeen |= 1u << (N - 2);
    e->edgeFlag = (uint8_t)gc->current.edgeFlag;
    e->flags = (GLuint)(N - 1) << 10;
    e->obj[0] = v[0];
    e->obj[1] = v[1];
    e->obj[2] = N >= 3 ? v[2] : 0.0f;
    e->obj[3] = N == 4 ? v[3] : 1.0f;
    __glGatherCurrent<What>(gc, e);
}

template <int N, GLuint What>
__attribute__((noinline)) static void GLIMM flushAndStore(const GLfloat* v) {
    GlContext* gc = __glCurrentContext();
    __glVcacheFlush(gc, 2);
    storeEntry<N, What>(gc, &gc->vcache, v);
}

template <int N, GLuint What>
static void GLIMM cacheVertex(const GLfloat* v) {
    GlThreadState* ts = __glThreadState();
    if (ts->beginState != GL_BEGIN_INSIDE) return;
    GlContext* gc = ts->context;
    GlVertexCache* vc = &gc->vcache;
    if (vc->count == GL_VCACHE_ENTRIES) return flushAndStore<N, What>(v);
    storeEntry<N, What>(gc, vc, v);
}

// The entries of sizes 2, 3 and 4 by gather bits.
template <GLuint... What>
static constexpr std::array<std::array<GlVertexFvEntry, 3>, sizeof...(What)> cacheEntryTable(
    std::integer_sequence<GLuint, What...>) {
    return {{{cacheVertex<2, What>, cacheVertex<3, What>, cacheVertex<4, What>}...}};
}
static constexpr auto cacheEntries = cacheEntryTable(std::make_integer_sequence<GLuint, 16>());
static_assert((GL_GATHER_NORMAL | GL_GATHER_COLOR | GL_GATHER_INDEX | GL_GATHER_TEX) < 16, "gather bits");

const GlVertexFvEntry* __glVcacheEntries(GLuint gather) { return cacheEntries[gather & 15].data(); }
