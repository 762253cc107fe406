// Named-object tables: a reference-counted 2-3 tree whose leaves are ranges of
// consecutive names, each with an optional array of objects.
#pragma once

#include "glcontext.h"

// Every object kept in a table starts with these two words.
struct GlNameObject {
    int32_t refCount;
    void (GLPROC* release)(GlContext* gc, void* object);  // frees the object and what it owns
};

struct GlNameKind {
    GLuint kind;
    GlNameObject* emptyObject;  // fills unset entries of an array; never counted
    GLuint objectSize;
    void (GLPROC* release)(GlContext* gc, GlNameObject* object);
};

struct GlNameBranch;
struct GlNameLeaf {
    GlNameBranch* parent;
    GLuint first, last;
    GlNameObject** objects;  // last - first + 1 entries, or null: names only reserved
    const GlNameKind* kind;
};
struct GlNameBranch {
    GlNameBranch* parent;
    GLuint key0, key1;  // highest names of the subtrees of children 0 and 1
    void* child[3];     // child[2] null with two children
};

enum { GL_NAME_SPARE_BRANCHES = 16, GL_NAME_SPARE_LEAVES = 3 };
enum { GL_NAME_KIND_LISTS = 0, GL_NAME_KIND_TEXTURES = 1 };

struct GlNameTable {
    void* root;     // a leaf when depth is 0
    int32_t depth;  // branch levels above the leaves
    int32_t refCount;
    const GlNameKind* kind;
    int32_t spareBranchCount;
    int32_t spareLeafCount;
    GlNameBranch* spareBranches[GL_NAME_SPARE_BRANCHES];
    GlNameLeaf* spareLeaves[GL_NAME_SPARE_LEAVES];
};

static_assert(sizeof(GlNameLeaf) == 20, "leaf: parent, first, last, objects, kind");
static_assert(sizeof(GlNameBranch) == 24, "branch: parent, two keys, three children");
static_assert(offsetof(GlNameTable, spareBranches) == 24 && sizeof(GlNameTable) == 100, "table layout");
static_assert(sizeof(GlNameObject) == 8, "count and release procedure");

extern "C" {
extern const GlNameKind __glNameKinds[2];

GlNameTable* GLPROC __glNewNameTable(GlContext* gc, GLuint kind);
void GLPROC __glFreeNameTable(GlContext* gc, GlNameTable* t);
GlNameObject* GLPROC __glNameLookup(GlContext* gc, GlNameTable* t, GLuint name);
void GLPROC __glNameRelease(GlContext* gc, GlNameObject* object);
void GLPROC __glNameReleaseArray(GlContext* gc, GLint count, GlNameObject** objects);
GLboolean GLPROC __glNameStore(GlContext* gc, GlNameTable* t, GLuint name, GlNameObject* object);
GLuint GLPROC __glNameGen(GlContext* gc, GlNameTable* t, GLint count);
GLuint GLPROC __glNameGenArray(GlContext* gc, GlNameTable* t, GLint count, GLuint* names);
void GLPROC __glNameDelete(GlContext* gc, GlNameTable* t, GLuint first, GLuint count);
void GLPROC __glNameDeleteArray(GlContext* gc, GlNameTable* t, GLint count, const GLuint* names);
GLboolean GLPROC __glNameIsUsed(GlContext* gc, GlNameTable* t, GLuint name);
// Looks up count (at most 256) glCallLists names; every entry gets an object
// (the table's empty object for names without one).
void GLPROC __glCallListsNames(GlContext* gc, GlNameTable* t, GLint count, GLenum type, GLuint base,
                               const void* data, GlNameObject** out);

// Tree walking, for the tests' invariant checks.
GlNameLeaf* GLPROC __glNameFirstLeaf(GlNameTable* t);
GlNameLeaf* GLPROC __glNameNextLeaf(GlNameTable* t, GlNameLeaf* leaf);
}
