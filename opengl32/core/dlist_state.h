// Display-list records the context's list state holds.
#pragma once

#include "glcore.h"

struct GlNameTable;
struct GlListNamespace;
struct GlArena;
struct GlListRecord;
struct GlCompiledList;

// A playback procedure: runs the call whose operands start at the argument and
// returns the address of the next entry's procedure word.
typedef const uint8_t* (GLPROC* GlListPlayProc)(const uint8_t* operands);

// Records of the list under construction.
struct GlListBuild {
    GLuint flags;  // GL_LIST_HAS_MATERIAL: a material record was compiled
    GlListRecord* head;
    GlListRecord* tail;
};

struct GlListProcs {
    void (GLPROC* optimize)(GlContext* gc, GlListBuild* build);
    GlCompiledList* (GLPROC* buildBlock)(GlContext* gc, GlListBuild* build);
    void (GLPROC* hook1)(GlContext* gc, GlListRecord* record);  // every appended record
    void (GLPROC* hook2)(GlContext* gc);                        // end of glNewList
};
