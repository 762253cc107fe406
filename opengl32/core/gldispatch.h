// Per-thread record, dispatch tables and the 358 entry points.
#pragma once

#include "glcore.h"
#include "glpp.h"

// Untyped dispatch entry; each slot really holds a procedure of its GL function's type.
typedef void (GLIMM *GlEntryProc)(void);

enum {
    GL_FIRST_SLOT = 2,
    GL_LAST_SLOT = 359,
    GL_SLOT_COUNT = 358,
    GL_DISPATCH_SIZE = 360,  // entries 358 and 359 (slots 360, 361) are always null
    GL_EXPORTED_COUNT = 336,
    GL_EXTENSION_COUNT = 22,
};

// Dispatch slot numbers: GL_SLOT_NewList == 2 ... GL_SLOT_Rectsv == 359.
enum GlSlot {
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) GL_SLOT_##name = slot,
#include "glslots.inc"
#undef GL_SLOT
};

// Extension slots are reached only through wglGetProcAddress.
constexpr bool __glIsExtensionSlot(int slot) {
    return (slot >= 170 && slot <= 184) || (slot >= 215 && slot <= 221);
}

struct GlDispatchTable {
    GlEntryProc entry[GL_DISPATCH_SIZE];  // entry[slot - 2]
};

// Begin states.
enum { GL_BEGIN_OUTSIDE = 0, GL_BEGIN_INSIDE = 1, GL_BEGIN_NEEDS_VALIDATE = 2 };

// One per thread, reached through the library's TLS slot; the entry points jump
// through dispatch.entry[slot - 2], the word at byte 4 * slot.
struct GlThreadState {
    GlContext* context;        // the null context when none is current
    int32_t beginState;
    GlDispatchTable dispatch;  // the thread's live copy
    uint32_t altTable;         // owned by the core
    HHOOK hookHandle;          // the thread's window-message hook
};
static_assert(sizeof(GlThreadState) == 1456, "GlThreadState is 364 words");
static_assert(offsetof(GlThreadState, beginState) == 4, "begin state is word 1");
static_assert(offsetof(GlThreadState, dispatch) == 8, "entry of slot k is word k");
static_assert(offsetof(GlThreadState, altTable) == 362 * 4, "alternate-table word");
static_assert(offsetof(GlThreadState, hookHandle) == 363 * 4, "hook handle word");

// The five static tables.
extern "C" const GlDispatchTable __glImmediateDispatch;
extern "C" const GlDispatchTable __glHwImmediateDispatch;
extern "C" const GlDispatchTable __glCompileDispatch;
extern "C" const GlDispatchTable __glHwCompileDispatch;
extern "C" const GlDispatchTable __glNullDispatchTable;

// Byte offset of the library's TLS slot in the thread environment block (set at load).
extern "C" uint32_t __wglTlsOffset;

// The calling thread's record, or null before its first wgl call; read straight
// from the thread environment block as the entry points do.
static inline GlThreadState* __glThreadStateOrNull() {
    GlThreadState* ts;
#ifdef _WIN32
    __asm__("movl %%fs:(%1), %0" : "=r"(ts) : "r"(__wglTlsOffset));
#else
    __asm__("movl %%gs:__standinTeb@ntpoff(%1), %0" : "=r"(ts) : "r"(__wglTlsOffset));
#endif
    return ts;
}

// Implementations run only through a record, so they read it unchecked.
static inline GlThreadState* __glThreadState() { return __glThreadStateOrNull(); }
static inline GlContext* __glCurrentContext() { return __glThreadState()->context; }

// Copies the null table over the calling thread's live table.
extern "C" void GLPROC __glClearThreadDispatch(void);

// Entry points (exported ones redeclare the GL header's prototypes), and the
// implementations of the immediate, hardware and list-compile tables.
extern "C" {
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) \
    ret GLIMM gl##name params;                                  \
    ret GLIMM __glImm##name params;                             \
    ret GLIMM __glCompile##name params;                         \
    ret GLIMM __glHw##name params;
#include "glslots.inc"
#undef GL_SLOT
}

// Null procedures: return 0 and pop 0..56 argument bytes.
extern "C" {
#define GL_NULL_PROC(n) void GLPROC __glNullProc##n(void);
GL_NULL_PROC(0) GL_NULL_PROC(4) GL_NULL_PROC(8) GL_NULL_PROC(12) GL_NULL_PROC(16)
GL_NULL_PROC(20) GL_NULL_PROC(24) GL_NULL_PROC(28) GL_NULL_PROC(32) GL_NULL_PROC(36)
GL_NULL_PROC(40) GL_NULL_PROC(48) GL_NULL_PROC(56)
#undef GL_NULL_PROC
}

// Name table of the dispatch slots (null for extension slots), slot order.
extern "C" const char* const __glSlotNames[GL_SLOT_COUNT];
