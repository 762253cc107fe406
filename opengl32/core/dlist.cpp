// Display lists: the shared namespace, glNewList and glEndList, running lists,
// and the list-name entries.

#include "beginstate.h"
#include "dlist.h"
#include "names.h"
#include "services.h"

enum { GL_LIST_MAX_NESTING = 64, GL_LIST_NESTING_CUT = 128, GL_CALL_LISTS_BATCH = 256 };

// ---- namespace

static GlListNamespace* createListNamespace(GlContext* gc) {
    GlListNamespace* ns = (GlListNamespace*)gc->lists.allocProc(gc, sizeof(GlListNamespace));
    if (!ns) {
        __glSetError(GL_OUT_OF_MEMORY);
        return nullptr;
    }
    ns->refCount = 1;
    return ns;
}

// Drops the context's hold on the shared namespace and list table.
static void dropListNamespace(GlContext* gc) {
    GlListQueryState* l = &gc->lists;
    if (l->table && --l->table->refCount == 0) __glFreeNameTable(gc, l->table);
    if (l->nameSpace && --l->nameSpace->refCount == 0) l->freeProc(gc, l->nameSpace);
    l->table = nullptr;
    l->nameSpace = nullptr;
}

extern "C" GLboolean GLPROC __glInitDisplayListState(GlContext* gc) {
    GlListQueryState* l = &gc->lists;
    l->nesting = 0;
    l->index = 0;
    l->procs.optimize = __glListOptimize;
    l->procs.buildBlock = __glBuildListBlock;
    l->procs.hook1 = (void(GLPROC*)(GlContext*, GlListRecord*))__glNop;
    l->procs.hook2 = (void(GLPROC*)(GlContext*))__glNop;
    l->playbackTable = __glListOpTable;
    l->extendedTable = __glListExtOpTable;
    l->highTable = nullptr;
    l->allocProc = gc->imports.alloc;
    l->reallocProc = gc->imports.realloc;
    l->freeProc = gc->imports.free;
    if (!l->nameSpace && !(l->nameSpace = createListNamespace(gc))) return GL_FALSE;
    if (!l->table && !(l->table = __glNewNameTable(gc, GL_NAME_KIND_LISTS))) return GL_FALSE;
    return GL_TRUE;
}

// At destruction: the shared lists lose a holder; the record arena is the context's own.
extern "C" void GLPROC __glFreeDisplayListState(GlContext* gc) {
    dropListNamespace(gc);
    if (gc->lists.arena) gc->procs.freeArena(gc, gc->lists.arena);
    gc->lists.arena = nullptr;
}

extern "C" void GLPROC __glShareDisplayLists(GlContext* gc, GlContext* other) {
    if (gc->lists.table == other->lists.table) return;  // already shared: keep the table alive
    dropListNamespace(gc);
    gc->lists.nameSpace = other->lists.nameSpace;
    gc->lists.table = other->lists.table;
    gc->lists.nameSpace->refCount++;
    gc->lists.table->refCount++;
}

// procs.shareLists of software contexts (wglShareLists): the context takes the
// other context's display lists.
extern "C" GLboolean GLPROC __glShareListsProc(GlContext* gc, GlContext* other) {
    __glShareDisplayLists(gc, other);
    __glShareTextureNames(gc, other);
    return GL_TRUE;
}

// ---- compiling

extern "C" void GLIMM __glImmNewList(GLuint list, GLenum mode) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    if (mode != GL_COMPILE && mode != GL_COMPILE_AND_EXECUTE) return __glSetError(GL_INVALID_ENUM);
    if (gc->lists.index) return __glSetError(GL_INVALID_OPERATION);
    if (list == 0) return __glSetError(GL_INVALID_VALUE);
    if (!gc->lists.arena) {
        gc->lists.arena = (GlArena*)gc->procs.newArena(gc);
        if (!gc->lists.arena) return __glSetError(GL_OUT_OF_MEMORY);
    }
    gc->savedDispatch = ts->dispatch;
    ts->dispatch = gc->compileDispatch;
    gc->liveDispatch = &gc->savedDispatch;
    gc->listCompiling = (GLuint)(uintptr_t)&gc->savedDispatch;
    gc->lists.index = list;
    gc->lists.mode = mode;
    gc->lists.build.flags = 0;
    gc->lists.build.head = gc->lists.build.tail = nullptr;
    gc->lists.procs.hook2(gc);
}

extern "C" void GLIMM __glImmEndList(void) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    GlListQueryState* l = &gc->lists;
    if (!l->index) return __glSetError(GL_INVALID_OPERATION);
    const GLuint name = l->index;
    l->procs.optimize(gc, &l->build);
    GlCompiledList* block = l->procs.buildBlock(gc, &l->build);
    gc->procs.resetArena(gc, l->arena);
    l->build.head = l->build.tail = nullptr;
    if (block && !__glNameStore(gc, l->table, name, (GlNameObject*)block)) block->releaseProc(gc, block);
    ts->dispatch = gc->savedDispatch;
    gc->liveDispatch = &ts->dispatch;
    gc->listCompiling = 0;
    l->index = 0;
    l->mode = 0;
}

// ---- running

extern "C" void GLPROC __glDoCallList(GlContext* gc, GLuint name) {
    GlListQueryState* l = &gc->lists;
    if (l->nesting >= GL_LIST_MAX_NESTING) {
        l->nesting = GL_LIST_NESTING_CUT;
        return;
    }
    GlCompiledList* block = (GlCompiledList*)__glNameLookup(gc, l->table, name);
    if (!block) return;
    l->nesting++;
    block->executeProc(gc, block);
    l->nesting--;
    __glNameRelease(gc, (GlNameObject*)block);
}

// Runs n lists in batches of 256; a batch is looked up before any of it runs.
extern "C" void GLPROC __glDoCallLists(GlContext* gc, GLsizei n, GLenum type, const GLvoid* lists) {
    GlListQueryState* l = &gc->lists;
    if (l->nesting >= GL_LIST_MAX_NESTING) {
        l->nesting = GL_LIST_NESTING_CUT;
        return;
    }
    l->nesting++;
    const uint8_t* data = (const uint8_t*)lists;
    const GLuint step = __glCallListsTypeSize(type);
    GlNameObject* batch[GL_CALL_LISTS_BATCH];
    while (n > 0) {
        const GLint k = n < GL_CALL_LISTS_BATCH ? n : GL_CALL_LISTS_BATCH;
        __glCallListsNames(gc, l->table, k, type, l->base, data, batch);
        for (GLint i = 0; i < k; i++) {
            GlCompiledList* block = (GlCompiledList*)batch[i];
            block->executeProc(gc, block);
        }
        __glNameReleaseArray(gc, k, batch);
        data += (size_t)k * step;
        n -= k;
    }
    l->nesting--;
}

extern "C" void GLIMM __glImmCallList(GLuint list) {
    GlContext* gc = __glCurrentContext();
    if (list == 0) return __glSetError(GL_INVALID_VALUE);
    __glDoCallList(gc, list);
    gc->lists.nesting = 0;
}

extern "C" void GLIMM __glImmCallLists(GLsizei n, GLenum type, const GLvoid* lists) {
    GlContext* gc = __glCurrentContext();
    if (n < 0) return __glSetError(GL_INVALID_VALUE);
    if (type - GL_BYTE > GL_4_BYTES - GL_BYTE) return __glSetError(GL_INVALID_ENUM);
    __glDoCallLists(gc, n, type, lists);
    gc->lists.nesting = 0;
}

// ---- names

extern "C" GLuint GLIMM __glImmGenLists(GLsizei range) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return 0;
    if (range < 0) {
        __glSetError(GL_INVALID_VALUE);
        return 0;
    }
    if (range == 0) return 0;
    GlContext* gc = ts->context;
    return __glNameGen(gc, gc->lists.table, range);
}

extern "C" void GLIMM __glImmDeleteLists(GLuint list, GLsizei range) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    if (range < 0) return __glSetError(GL_INVALID_VALUE);
    GlContext* gc = ts->context;
    __glNameDelete(gc, gc->lists.table, list, (GLuint)range);
}

extern "C" GLboolean GLIMM __glImmIsList(GLuint list) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return GL_FALSE;
    GlContext* gc = ts->context;
    return __glNameIsUsed(gc, gc->lists.table, list) ? GL_TRUE : GL_FALSE;
}

extern "C" void GLIMM __glImmListBase(GLuint base) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    ts->context->lists.base = base;
}
