// What the rasterization generators share: the claim of a cache entry for a
// key record, the context slots that may hold generated code, and the
// generators' entry points below the hooks the picker calls.
//
// Every generator reads the state only through its key record, and the
// record is kept at the start of the entry's code area: an entry is a hit
// only when its whole record equals the request, so two states with equal
// keys always get the same code.
#pragma once

#include "codegen/codegen.h"
#include "codegen/rasterasm.h"

// A claimed entry: the code area after the key record, and whether the
// routine there was made for the same record.
struct GlOgClaim {
    GlOgCacheEntry* entry;
    uint8_t* area;  // the entry's code area (header and record first)
    uint8_t* code;  // where the routine starts (after the record)
    uint8_t* end;   // end of the entry's code area
    const void* record;  // the key record kept in the area
    GLboolean hit;
};

extern "C" {
// Finds or claims the entry of cache `which` for the record (keyA, the
// record's bytes). On a miss the slots that held the entry's old routines are
// invalidated and the record is stored.
void GLPROC __glOgClaim(GlContext* gc, GLint which, GLint keyA, const void* record, GLuint bytes, GlOgClaim* claim);
// After generation: the routine's entry, or null (and the entry emptied)
// when it did not fit. twin: the C++ procedure doing the same work, which
// takes the routine's place in any slot when the entry is recycled.
void* GLPROC __glOgFinish(GlContext* gc, GlOgClaim* claim, const GlOgAsm* A, uint8_t* entry, void* twin);
// The routine of a hit.
void* GLPROC __glOgHitEntry(const GlOgClaim* claim);
// Code added later to the entry of cache `which` that holds `inside`: the
// claim's code is the first 16-byte boundary past what the entry holds;
// __glOgGrown then takes what was added into the entry (nothing after a failure).
void GLPROC __glOgReopen(GlContext* gc, GLint which, const void* inside, GlOgClaim* claim);
void GLPROC __glOgGrown(GlOgClaim* claim, const GlOgAsm* A);
// The key record a routine of cache `which` was made for (null for an
// address outside the cache).
const void* GLPROC __glOgRecordOf(const GlContext* gc, GLint which, const void* routine);
// The bytes written for that routine after its record (code, and the data it
// keeps in its area), and their count.
const uint8_t* GLPROC __glOgCodeOf(const GlContext* gc, GLint which, const void* routine, GLuint* bytes);
// Points every context slot that holds an address in [code, code + bytes) at
// its C++ twin (or the empty stage): no slot keeps a routine that is gone.
void GLPROC __glOgInvalidateSlots(GlContext* gc, const uint8_t* code, GLuint bytes);

// Process-wide: no generated rasterization code at all (set-up, walkers and
// chain stages), the C++ path throughout. Set by the tests that compare the
// two; no setting reaches it.
extern GLint __glOgRasterDisabled;

// For the block profile: writes a line "start end name file entry" for each
// routine of the current context's caches to `path` (hex addresses, the
// area's bytes in the file).
void GLPROC __glOgWriteCodeMap(const char* path);
}

// The x87 control words of generated code: double precision, rounding to
// nearest or toward zero, every exception masked.
enum : GLushort { GL_OG_CW_NEAREST = 0x027F, GL_OG_CW_CHOP = 0x0E7F };
