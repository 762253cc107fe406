/* ravix2x call log: every rv* call appends one entry (name and arguments),
 * so tests can check which calls ran, in which order, with which arguments. */
#ifndef RAVIX2X_LOG_H
#define RAVIX2X_LOG_H

#include <string.h>

#include "ravix2x.h"

#ifdef __cplusplus
extern "C" {
#endif

#define RV_LOG_CAPACITY 4096 /* entries kept; later calls are dropped and counted */
#define RV_LOG_MAX_ARGS 10   /* the widest call takes 10 arguments */
#define RV_LOG_MAX_VERTICES 3

/* Arguments are kept as 32-bit words: integers as they are, floats by bit
 * pattern, pointers by value. Pointed-to records the board reads during the
 * call are copied as well: the vertices of the drawing calls (in argument
 * order) and the texture description of rvTexSource and
 * rvTexTextureMemRequired. Null record pointers leave the copy zeroed. */
typedef struct RvLogEntry {
    const char *name;                      /* call name, static string */
    uint32_t argCount;
    uint32_t args[RV_LOG_MAX_ARGS];        /* unused words are 0 */
    uint32_t vertexCount;
    RvVertex vertices[RV_LOG_MAX_VERTICES];
    uint32_t hasTexInfo;
    RvTexInfo texInfo;
} RvLogEntry;

RV_STATIC_ASSERT(sizeof(RvLogEntry) == 256, "RvLogEntry size");
RV_STATIC_ASSERT(offsetof(RvLogEntry, args) == 8, "RvLogEntry.args");
RV_STATIC_ASSERT(offsetof(RvLogEntry, vertices) == 52, "RvLogEntry.vertices");
RV_STATIC_ASSERT(offsetof(RvLogEntry, texInfo) == 236, "RvLogEntry.texInfo");

/* Number of entries kept. */
uint32_t RVAPI rvLogCount(void);
/* Entry index (0 = oldest), or null when index >= rvLogCount(). Valid until
 * rvLogClear. */
const RvLogEntry *RVAPI rvLogEntry(uint32_t index);
/* Forget every entry and the dropped count. */
void RVAPI rvLogClear(void);
/* Calls not kept because the log was full. */
uint32_t RVAPI rvLogDropped(void);
/* Index of the first entry at or after from whose name is name, or -1. */
int32_t RVAPI rvLogFind(const char *name, uint32_t from);
/* Number of kept entries whose name is name. */
uint32_t RVAPI rvLogCountOf(const char *name);
/* Append a copy of entry (as every call does; tests may add markers). */
void RVAPI rvLogAppend(const RvLogEntry *entry);

/* Argument word read back as a float. */
static inline float rvLogArgFloat(uint32_t word)
{
    float f;
    memcpy(&f, &word, sizeof f);
    return f;
}

#ifdef __cplusplus
}
#endif

#endif /* RAVIX2X_LOG_H */
