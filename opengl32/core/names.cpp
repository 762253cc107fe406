// Named-object tables: the 2-3 tree of name ranges behind display-list and
// texture names.
//
// Heights count from the leaves (a leaf has height 0); a subtree's highest name
// is found by descending its rightmost children, so keys can always be rebuilt
// from the structure after surgery.

#include <string.h>
#include "names.h"
#include "dlist.h"

static GLPROC void kindRelease(GlContext* gc, GlNameObject* object) { __glNameRelease(gc, object); }

extern "C" const GlNameKind __glNameKinds[2] = {
    {GL_NAME_KIND_LISTS, (GlNameObject*)&__glEmptyList, 20, kindRelease},
    {GL_NAME_KIND_TEXTURES, nullptr, 452, kindRelease},
};

static inline bool isEmptyObject(const GlNameObject* o) {
    return o == nullptr || o == __glNameKinds[0].emptyObject || o == __glNameKinds[1].emptyObject;
}

static void outOfMemory(void) { __glSetError(GL_OUT_OF_MEMORY); }

// ---- nodes and spares

static inline GlNameBranch*& parentOf(void* node) { return *(GlNameBranch**)node; }

static GlNameBranch* newBranch(GlContext* gc, GlNameTable* t) {
    GlNameBranch* b = (GlNameBranch*)gc->imports.alloc(gc, sizeof(GlNameBranch));
    if (!b) {
        if (t->spareBranchCount == 0) return nullptr;
        b = t->spareBranches[--t->spareBranchCount];
    }
    memset(b, 0, sizeof *b);
    return b;
}

static GlNameLeaf* newLeaf(GlContext* gc, GlNameTable* t, GLuint first, GLuint last) {
    GlNameLeaf* l = (GlNameLeaf*)gc->imports.alloc(gc, sizeof(GlNameLeaf));
    if (!l) {
        if (t->spareLeafCount == 0) return nullptr;
        l = t->spareLeaves[--t->spareLeafCount];
    }
    l->parent = nullptr;
    l->first = first;
    l->last = last;
    l->objects = nullptr;
    l->kind = t->kind;
    return l;
}

// Freed nodes refill the spares first, so a removal never needs a fresh node.
static void freeBranch(GlContext* gc, GlNameTable* t, GlNameBranch* b) {
    if (t->spareBranchCount < GL_NAME_SPARE_BRANCHES) t->spareBranches[t->spareBranchCount++] = b;
    else gc->imports.free(gc, b);
}
static void freeLeaf(GlContext* gc, GlNameTable* t, GlNameLeaf* l) {
    if (t->spareLeafCount < GL_NAME_SPARE_LEAVES) t->spareLeaves[t->spareLeafCount++] = l;
    else gc->imports.free(gc, l);
}

static bool refillReserve(GlContext* gc, GlNameTable* t) {
    while (t->spareBranchCount < GL_NAME_SPARE_BRANCHES) {
        void* p = gc->imports.alloc(gc, sizeof(GlNameBranch));
        if (!p) return false;
        t->spareBranches[t->spareBranchCount++] = (GlNameBranch*)p;
    }
    while (t->spareLeafCount < GL_NAME_SPARE_LEAVES) {
        void* p = gc->imports.alloc(gc, sizeof(GlNameLeaf));
        if (!p) return false;
        t->spareLeaves[t->spareLeafCount++] = (GlNameLeaf*)p;
    }
    return true;
}

static GlNameObject** newObjectArray(GlContext* gc, GlNameTable* t, uint64_t count) {
    const uint64_t bytes = count * sizeof(GlNameObject*);
    if (bytes > 0x7FFFFFFFu) return nullptr;
    GlNameObject** a = (GlNameObject**)gc->imports.alloc(gc, (size_t)bytes);
    if (a)
        for (uint64_t i = 0; i < count; i++) a[i] = t->kind->emptyObject;
    return a;
}

// ---- structure

static GLuint subtreeMax(void* node, int height) {
    for (; height > 0; height--) {
        GlNameBranch* b = (GlNameBranch*)node;
        node = b->child[2] ? b->child[2] : b->child[1] ? b->child[1] : b->child[0];
    }
    return ((GlNameLeaf*)node)->last;
}

static int childCount(const GlNameBranch* b) { return b->child[2] ? 3 : b->child[1] ? 2 : 1; }

static int childIndex(const GlNameBranch* b, const void* child) {
    return b->child[0] == child ? 0 : b->child[1] == child ? 1 : 2;
}

static void recomputeKeys(GlNameBranch* b, int height) {
    b->key0 = subtreeMax(b->child[0], height - 1);
    b->key1 = b->child[1] ? subtreeMax(b->child[1], height - 1) : b->key0;
}

// Brings the keys of every ancestor of node up to date.
static void fixKeysUp(void* node, int height) {
    for (GlNameBranch* p = parentOf(node); p; p = p->parent) recomputeKeys(p, ++height);
}

// Orders nodes of the given height by their highest names.
static void sortNodes(void** nodes, int n, int height) {
    for (int i = 1; i < n; i++)
        for (int j = i; j > 0 && subtreeMax(nodes[j], height) < subtreeMax(nodes[j - 1], height); j--) {
            void* x = nodes[j];
            nodes[j] = nodes[j - 1];
            nodes[j - 1] = x;
        }
}

// Sets a branch's children to nodes[0..n-1] (n <= 3) ordered by their highest names.
static void setChildren(GlNameBranch* b, void** nodes, int n, int height) {
    sortNodes(nodes, n, height - 1);
    for (int i = 0; i < 3; i++) {
        b->child[i] = i < n ? nodes[i] : nullptr;
        if (i < n) parentOf(nodes[i]) = b;
    }
    recomputeKeys(b, height);
}

static void removeChild(GlNameBranch* b, void* child) {
    int i = childIndex(b, child);
    for (; i < 2; i++) b->child[i] = b->child[i + 1];
    b->child[2] = nullptr;
}

static GlNameLeaf* findLeaf(const GlNameTable* t, GLuint name, bool exact) {
    void* n = t->root;
    if (!n) return nullptr;
    for (int l = 0; l < t->depth; l++) {
        const GlNameBranch* b = (const GlNameBranch*)n;
        n = b->child[(b->key0 < name) + (b->key1 < name)];
        if (!n) return nullptr;
    }
    GlNameLeaf* leaf = (GlNameLeaf*)n;
    if (name > leaf->last) return nullptr;
    if (exact && name < leaf->first) return nullptr;
    return leaf;
}

extern "C" GlNameLeaf* GLPROC __glNameFirstLeaf(GlNameTable* t) {
    void* n = t->root;
    if (!n) return nullptr;
    for (int l = 0; l < t->depth; l++) n = ((GlNameBranch*)n)->child[0];
    return (GlNameLeaf*)n;
}

extern "C" GlNameLeaf* GLPROC __glNameNextLeaf(GlNameTable*, GlNameLeaf* leaf) {
    void* node = leaf;
    int height = 0;
    for (GlNameBranch* p = leaf->parent; p; node = p, p = p->parent, height++) {
        int i = childIndex(p, node);
        if (i < 2 && p->child[i + 1]) {
            node = p->child[i + 1];
            for (; height > 0; height--) node = ((GlNameBranch*)node)->child[0];
            return (GlNameLeaf*)node;
        }
    }
    return nullptr;
}

static GlNameLeaf* prevLeaf(GlNameLeaf* leaf) {
    void* node = leaf;
    int height = 0;
    for (GlNameBranch* p = leaf->parent; p; node = p, p = p->parent, height++) {
        int i = childIndex(p, node);
        if (i > 0) {
            node = p->child[i - 1];
            for (; height > 0; height--) {
                GlNameBranch* b = (GlNameBranch*)node;
                node = b->child[childCount(b) - 1];
            }
            return (GlNameLeaf*)node;
        }
    }
    return nullptr;
}

// Puts added (a new node of the given height) beside node, splitting full
// branches upward. Nodes come from the spares when allocation fails.
static void addBeside(GlContext* gc, GlNameTable* t, void* node, void* added, int height) {
    for (;;) {
        GlNameBranch* p = parentOf(node);
        if (!p) {
            GlNameBranch* b = newBranch(gc, t);
            void* nodes[2] = {node, added};
            setChildren(b, nodes, 2, height + 1);
            b->parent = nullptr;
            t->root = b;
            t->depth++;
            return;
        }
        void* nodes[4] = {p->child[0], p->child[1], p->child[2], nullptr};
        const int n = childCount(p);
        nodes[n] = added;
        if (n < 3) {
            setChildren(p, nodes, n + 1, height + 1);
            fixKeysUp(p, height + 1);
            return;
        }
        GlNameBranch* b = newBranch(gc, t);
        sortNodes(nodes, 4, height);
        void* upper[2] = {nodes[2], nodes[3]};
        setChildren(p, nodes, 2, height + 1);
        setChildren(b, upper, 2, height + 1);
        node = p;
        added = b;
        height++;
    }
}

static void insertLeaf(GlContext* gc, GlNameTable* t, GlNameLeaf* leaf) {
    if (!t->root) {
        leaf->parent = nullptr;
        t->root = leaf;
        t->depth = 0;
        return;
    }
    void* n = t->root;
    const GLuint last = leaf->last;
    for (int l = 0; l < t->depth; l++) {
        GlNameBranch* b = (GlNameBranch*)n;
        int i = b->key0 >= last ? 0 : b->key1 < last ? (b->child[2] ? 2 : 1) : 1;
        if (!b->child[i]) i = childCount(b) - 1;
        n = b->child[i];
    }
    addBeside(gc, t, n, leaf, 0);
}

static void removeLeaf(GlContext* gc, GlNameTable* t, GlNameLeaf* leaf) {
    GlNameBranch* node = leaf->parent;
    if (!node) {
        t->root = nullptr;
        t->depth = 0;
        return;
    }
    removeChild(node, leaf);
    leaf->parent = nullptr;
    for (int height = 1;; height++) {
        if (childCount(node) >= 2) {
            recomputeKeys(node, height);
            fixKeysUp(node, height);
            return;
        }
        void* only = node->child[0];
        GlNameBranch* g = node->parent;
        if (!g) {
            parentOf(only) = nullptr;
            t->root = only;
            t->depth--;
            freeBranch(gc, t, node);
            return;
        }
        const int pos = childIndex(g, node);
        removeChild(g, node);
        freeBranch(gc, t, node);
        GlNameBranch* s = (GlNameBranch*)g->child[pos > 0 ? pos - 1 : 0];
        void* nodes[4] = {s->child[0], s->child[1], s->child[2], only};
        if (childCount(s) == 3) {
            GlNameBranch* b = newBranch(gc, t);  // one was just freed into the spares
            sortNodes(nodes, 4, height - 1);
            void* upper[2] = {nodes[2], nodes[3]};
            setChildren(s, nodes, 2, height);
            setChildren(b, upper, 2, height);
            void* gs[3] = {g->child[0], g->child[1], nullptr};
            const int gn = childCount(g);
            gs[gn] = b;
            setChildren(g, gs, gn + 1, height + 1);
            fixKeysUp(g, height + 1);
            return;
        }
        nodes[2] = only;
        setChildren(s, nodes, 3, height);
        node = g;
    }
}

// Shrinks a leaf to [first, last] inside its range, keeping the entries of the kept names.
static void shrinkLeaf(GlContext* gc, GlNameLeaf* leaf, GLuint first, GLuint last) {
    if (leaf->objects) {
        const uint64_t count = (uint64_t)last - first + 1;
        if (first != leaf->first) memmove(leaf->objects, leaf->objects + (first - leaf->first), count * 4);
        void* a = gc->imports.realloc(gc, leaf->objects, (size_t)count * 4);
        if (a) leaf->objects = (GlNameObject**)a;
    }
    const bool newMax = last != leaf->last;
    leaf->first = first;
    leaf->last = last;
    if (newMax) fixKeysUp(leaf, 0);
}

// Merges leaf with its neighbours when their ranges touch; returns the surviving leaf.
static GlNameLeaf* coalesce(GlContext* gc, GlNameTable* t, GlNameLeaf* leaf) {
    for (int side = 0; side < 2; side++) {
        GlNameLeaf* lo = side == 0 ? leaf : prevLeaf(leaf);
        GlNameLeaf* hi = side == 0 ? __glNameNextLeaf(t, leaf) : leaf;
        if (!lo || !hi || (uint64_t)lo->last + 1 != hi->first) continue;
        if ((lo->objects != nullptr) != (hi->objects != nullptr)) continue;
        if (lo->objects) {
            if (hi->last - lo->first >= 1024) continue;
            const uint64_t loCount = (uint64_t)lo->last - lo->first + 1;
            const uint64_t total = (uint64_t)hi->last - lo->first + 1;
            GlNameObject** a = (GlNameObject**)gc->imports.realloc(gc, lo->objects, (size_t)total * 4);
            if (!a) return leaf;
            memcpy(a + loCount, hi->objects, (size_t)(total - loCount) * 4);
            gc->imports.free(gc, hi->objects);
            hi->objects = nullptr;
            lo->objects = a;
        }
        const GLuint last = hi->last;
        removeLeaf(gc, t, hi);
        freeLeaf(gc, t, hi);
        lo->last = last;
        fixKeysUp(lo, 0);
        leaf = lo;
    }
    return leaf;
}

// ---- table operations

extern "C" GlNameTable* GLPROC __glNewNameTable(GlContext* gc, GLuint kind) {
    GlNameTable* t = (GlNameTable*)gc->imports.alloc(gc, sizeof(GlNameTable));
    if (!t) {
        outOfMemory();
        return nullptr;
    }
    memset(t, 0, sizeof *t);
    t->refCount = 1;
    t->kind = &__glNameKinds[kind];
    refillReserve(gc, t);
    return t;
}

static void freeTree(GlContext* gc, GlNameTable* t, void* node, int height) {
    if (height > 0) {
        GlNameBranch* b = (GlNameBranch*)node;
        for (int i = 2; i >= 0; i--)
            if (b->child[i]) freeTree(gc, t, b->child[i], height - 1);
        gc->imports.free(gc, b);
        return;
    }
    GlNameLeaf* leaf = (GlNameLeaf*)node;
    if (leaf->objects) {
        for (uint64_t i = 0; i <= (uint64_t)leaf->last - leaf->first; i++)
            if (!isEmptyObject(leaf->objects[i])) t->kind->release(gc, leaf->objects[i]);
        gc->imports.free(gc, leaf->objects);
    }
    gc->imports.free(gc, leaf);
}

extern "C" void GLPROC __glFreeNameTable(GlContext* gc, GlNameTable* t) {
    if (!t) return;
    for (int i = 0; i < t->spareBranchCount; i++) gc->imports.free(gc, t->spareBranches[i]);
    for (int i = 0; i < t->spareLeafCount; i++) gc->imports.free(gc, t->spareLeaves[i]);
    if (t->root) freeTree(gc, t, t->root, t->depth);
    gc->imports.free(gc, t);
}

extern "C" GlNameObject* GLPROC __glNameLookup(GlContext*, GlNameTable* t, GLuint name) {
    GlNameLeaf* leaf = findLeaf(t, name, true);
    if (!leaf || !leaf->objects) return nullptr;
    GlNameObject* o = leaf->objects[name - leaf->first];
    if (o && !isEmptyObject(o)) o->refCount++;
    return o;
}

// The empty objects are static and never counted.
extern "C" void GLPROC __glNameRelease(GlContext* gc, GlNameObject* object) {
    if (isEmptyObject(object)) return;
    if (--object->refCount == 0) object->release(gc, object);
}

extern "C" void GLPROC __glNameReleaseArray(GlContext* gc, GLint count, GlNameObject** objects) {
    for (GLint i = 0; i < count; i++) __glNameRelease(gc, objects[i]);
}

static void storeInArray(GlContext* gc, GlNameTable* t, GlNameLeaf* leaf, GLuint name, GlNameObject* object) {
    GlNameObject** e = &leaf->objects[name - leaf->first];
    GlNameObject* old = *e;
    *e = t->kind->emptyObject;
    if (!isEmptyObject(old)) t->kind->release(gc, old);
    if (object) {
        object->refCount = 1;
        *e = object;
    }
}

extern "C" GLboolean GLPROC __glNameStore(GlContext* gc, GlNameTable* t, GLuint name, GlNameObject* object) {
    GlNameLeaf* leaf = findLeaf(t, name, true);
    if (leaf && leaf->objects) {
        storeInArray(gc, t, leaf, name, object);
        return GL_TRUE;
    }
    if (leaf && !object) return GL_TRUE;
    if (!refillReserve(gc, t)) {
        outOfMemory();
        return GL_FALSE;
    }
    if (!leaf) {
        GlNameLeaf* nl = newLeaf(gc, t, name, name);
        if (object) {
            nl->objects = newObjectArray(gc, t, 1);
            if (!nl->objects) {
                freeLeaf(gc, t, nl);
                outOfMemory();
                return GL_FALSE;
            }
            storeInArray(gc, t, nl, name, object);
        }
        insertLeaf(gc, t, nl);
        coalesce(gc, t, nl);
        return GL_TRUE;
    }
    // A window of about 16 names around the name gets an array.
    const uint64_t a = leaf->first, c = leaf->last, n = name;
    uint64_t lo = n < 8 || n - 8 < a ? a : n - 8;
    uint64_t hi = lo + 15 > c ? c : lo + 15;
    if (lo - a < 16) lo = a;
    if (c - hi < 16) hi = c;
    if (lo == a && hi == c) {
        leaf->objects = newObjectArray(gc, t, c - a + 1);
        if (!leaf->objects) {
            outOfMemory();
            return GL_FALSE;
        }
        storeInArray(gc, t, leaf, name, object);
        coalesce(gc, t, leaf);
        return GL_TRUE;
    }
    if (lo > a) {
        if (hi < c) {
            GlNameLeaf* upper = newLeaf(gc, t, (GLuint)hi + 1, (GLuint)c);
            shrinkLeaf(gc, leaf, (GLuint)a, (GLuint)lo - 1);
            insertLeaf(gc, t, upper);
        } else {
            shrinkLeaf(gc, leaf, (GLuint)a, (GLuint)lo - 1);
        }
    } else {
        shrinkLeaf(gc, leaf, (GLuint)hi + 1, (GLuint)c);
    }
    GlNameLeaf* w = newLeaf(gc, t, (GLuint)lo, (GLuint)hi);
    w->objects = newObjectArray(gc, t, hi - lo + 1);
    if (!w->objects) {
        insertLeaf(gc, t, w);
        coalesce(gc, t, w);
        outOfMemory();
        return GL_FALSE;
    }
    storeInArray(gc, t, w, name, object);
    insertLeaf(gc, t, w);
    coalesce(gc, t, w);
    return GL_TRUE;
}

static GLuint insertNewRange(GlContext* gc, GlNameTable* t, GLuint first, GLuint count) {
    insertLeaf(gc, t, newLeaf(gc, t, first, first + count - 1));
    return first;
}

extern "C" GLuint GLPROC __glNameGen(GlContext* gc, GlNameTable* t, GLint count) {
    if (count <= 0) return 0;
    if (!refillReserve(gc, t)) {
        outOfMemory();
        return 0;
    }
    const GLuint n = (GLuint)count;
    if (!t->root) return insertNewRange(gc, t, 1, n);
    GlNameLeaf* p = __glNameFirstLeaf(t);
    if (n < p->first) {
        if (p->objects) return insertNewRange(gc, t, 1, n);
        p->first -= n;
        return p->first;
    }
    for (GlNameLeaf* q; (q = __glNameNextLeaf(t, p)) != nullptr; p = q) {
        const uint64_t gap = (uint64_t)q->first - p->last - 1;
        if (gap < n) continue;
        const GLuint result = p->last + 1;
        if (!p->objects) {
            p->last += n;
            fixKeysUp(p, 0);
            if (gap == n && !q->objects) coalesce(gc, t, p);
            return result;
        }
        if (!q->objects) {
            q->first -= n;
            return q->first;
        }
        return insertNewRange(gc, t, result, n);
    }
    if ((uint64_t)p->last + n > 0xFFFFFFFFu) return 0;
    const GLuint result = p->last + 1;
    if (p->objects) return insertNewRange(gc, t, result, n);
    p->last += n;
    fixKeysUp(p, 0);
    return result;
}

// After a failed generation the array receives zeros, never names in use.
extern "C" GLuint GLPROC __glNameGenArray(GlContext* gc, GlNameTable* t, GLint count, GLuint* names) {
    if (!names || count <= 0) return 0;
    const GLuint first = __glNameGen(gc, t, count);
    for (GLint i = 0; i < count; i++) names[i] = first ? first + (GLuint)i : 0;
    return first;
}

extern "C" void GLPROC __glNameDelete(GlContext* gc, GlNameTable* t, GLuint first, GLuint count) {
    if (count == 0) return;
    const uint64_t end64 = (uint64_t)first + count - 1;
    const GLuint end = end64 > 0xFFFFFFFFu ? 0xFFFFFFFFu : (GLuint)end64;
    GlNameLeaf* leaf = findLeaf(t, first, false);
    while (leaf && leaf->first <= end) {
        GlNameLeaf* next = __glNameNextLeaf(t, leaf);
        const GLuint s = leaf->first > first ? leaf->first : first;
        const GLuint e = leaf->last < end ? leaf->last : end;
        if (leaf->objects)
            for (uint64_t i = s; i <= e; i++) {
                GlNameObject** slot = &leaf->objects[i - leaf->first];
                GlNameObject* o = *slot;
                *slot = t->kind->emptyObject;
                if (!isEmptyObject(o)) t->kind->release(gc, o);
            }
        if (s == leaf->first && e == leaf->last) {
            removeLeaf(gc, t, leaf);
            gc->imports.free(gc, leaf->objects);
            leaf->objects = nullptr;
            freeLeaf(gc, t, leaf);
        } else if (s == leaf->first) {
            shrinkLeaf(gc, leaf, e + 1, leaf->last);
        } else if (e == leaf->last) {
            shrinkLeaf(gc, leaf, leaf->first, s - 1);
        } else {
            if (!refillReserve(gc, t)) return outOfMemory();
            GlNameLeaf* upper = newLeaf(gc, t, e + 1, leaf->last);
            if (leaf->objects) {
                const uint64_t count2 = (uint64_t)leaf->last - e;
                upper->objects = (GlNameObject**)gc->imports.alloc(gc, (size_t)count2 * 4);
                if (!upper->objects) {
                    freeLeaf(gc, t, upper);
                    return outOfMemory();
                }
                memcpy(upper->objects, leaf->objects + (e + 1 - leaf->first), (size_t)count2 * 4);
            }
            shrinkLeaf(gc, leaf, leaf->first, s - 1);
            insertLeaf(gc, t, upper);
            return;
        }
        leaf = next;
    }
}

extern "C" void GLPROC __glNameDeleteArray(GlContext* gc, GlNameTable* t, GLint count, const GLuint* names) {
    GLint i = 0;
    while (i < count) {
        GLint j = i + 1;
        while (j < count && names[j - 1] != 0xFFFFFFFFu && names[j] == names[j - 1] + 1) j++;
        __glNameDelete(gc, t, names[i], (GLuint)(j - i));
        i = j;
    }
}

extern "C" GLboolean GLPROC __glNameIsUsed(GlContext*, GlNameTable* t, GLuint name) {
    return findLeaf(t, name, true) != nullptr;
}

static GLuint decodeName(GLenum type, const uint8_t* p, GLuint base) {
    switch (type) {
    case GL_BYTE: return (GLuint)(GLint)(int8_t)p[0] + base;
    case GL_UNSIGNED_BYTE: return (GLuint)p[0] + base;
    case GL_SHORT: {
        int16_t v;
        memcpy(&v, p, 2);
        return (GLuint)(GLint)v + base;
    }
    case GL_UNSIGNED_SHORT: {
        uint16_t v;
        memcpy(&v, p, 2);
        return (GLuint)v + base;
    }
    case GL_INT:
    case GL_UNSIGNED_INT: {
        GLuint v;
        memcpy(&v, p, 4);
        return v + base;
    }
    case GL_FLOAT: {
        GLfloat f;
        memcpy(&f, p, 4);
        const GLfloat v = f + (GLfloat)base;
        return v > -9.0e18f && v < 9.0e18f ? (GLuint)(int64_t)v : 0;
    }
    case GL_2_BYTES: return ((GLuint)p[0] << 8 | p[1]) + base;
    case GL_3_BYTES: return ((GLuint)p[0] << 16 | (GLuint)p[1] << 8 | p[2]) + base;
    default: return ((GLuint)p[0] << 24 | (GLuint)p[1] << 16 | (GLuint)p[2] << 8 | p[3]) + base;
    }
}

extern "C" GLuint GLPROC __glCallListsTypeSize(GLenum type) {
    static const uint8_t sizes[10] = {1, 1, 2, 2, 4, 4, 4, 2, 3, 4};
    return type - GL_BYTE < 10u ? sizes[type - GL_BYTE] : 0;
}

extern "C" void GLPROC __glCallListsNames(GlContext*, GlNameTable* t, GLint count, GLenum type, GLuint base,
                                         const void* data, GlNameObject** out) {
    const uint8_t* p = (const uint8_t*)data;
    const GLuint step = __glCallListsTypeSize(type);
    GlNameObject* const empty = t->kind->emptyObject;
    GlNameLeaf* leaf = nullptr;
    for (GLint i = 0; i < count; i++, p += step) {
        const GLuint name = decodeName(type, p, base);
        if (!leaf || name < leaf->first || name > leaf->last) leaf = findLeaf(t, name, true);
        GlNameObject* o = leaf && leaf->objects ? leaf->objects[name - leaf->first] : nullptr;
        if (!o) o = empty;
        if (!isEmptyObject(o)) o->refCount++;
        out[i] = o;
    }
}
