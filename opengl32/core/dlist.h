// Display lists: the record arena, list records, executable blocks and playback.
#pragma once

#include "glcontext.h"

// ---- arena

enum { GL_ARENA_BLOCK_BYTES = 0x40000 };

struct GlArenaBlock {
    GLuint capacity;
    GLuint used;
    uint8_t* data;
    GlArenaBlock* next;
};
struct GlArena {
    GlContext* owner;
    GlArenaBlock* firstBlock;
    GlArenaBlock* currentBlock;
};

static_assert(sizeof(GlArenaBlock) == 16 && sizeof(GlArena) == 12, "arena records");

// ---- namespace and records

struct GlListNamespace {
    int32_t refCount;
};

struct GlListRecord {
    GlListRecord* next;
    void (GLPROC* release)(GlContext* gc, void* operands);  // fix-up run when the block is freed
    GLuint size;                                            // operand bytes, a multiple of 4
    int16_t opcode;
    uint8_t align8;  // operands hold doubles: 8-byte aligned in the block
    uint8_t pad;
    // operands follow
};
static_assert(sizeof(GlListRecord) == 16, "operands follow a 16-byte header");
static inline uint8_t* __glListOperands(GlListRecord* r) { return (uint8_t*)(r + 1); }

enum { GL_LIST_HAS_MATERIAL = 0x100 };

// Opcodes of the records that are not a plain call.
enum {
    GL_OP_CALL_LIST = 0,
    GL_OP_CALL_LISTS = 1,
    GL_OP_LIST_BASE = 2,
    GL_OP_BEGIN_FIRST = 1000,  // + index of the mode in the order below
    GL_OP_INVALID_VALUE = 1010,
    GL_OP_INVALID_ENUM = 1011,
    GL_OP_INVALID_OPERATION = 1012,
    GL_OP_INVALID_OPERATION_2 = 1013,
    GL_OP_MATERIAL_BLOCK = 1014,
    GL_OP_TABLE_TOO_LARGE = 1015,
    GL_OP_ARRAY_DRAW = 1016,  // heads a compiled array draw: skips it inside glBegin/glEnd
    GL_OP_TABLE_SIZE = 210,
    GL_OP_EXTENDED_SIZE = 17,
};

// The offset in a block just past record r placed at offset `at`: its
// playback procedure and operands, after a pad word when its doubles would
// not start on 8 bytes.
static inline uint64_t __glListPlaced(uint64_t at, const GlListRecord* r) {
    if (r->align8 && at % 8 != 4) at += 4;
    return at + 4 + r->size;
}

// ---- executable blocks

struct GlListFixup {
    void (GLPROC* release)(GlContext* gc, void* operands);
    void* operands;
};
struct GlCompiledList {
    int32_t refCount;
    void (GLPROC* releaseProc)(GlContext* gc, void* block);
    void (GLPROC* executeProc)(GlContext* gc, GlCompiledList* block);
    uint8_t* data;
    int32_t count;  // fix-ups, plus 1 when there is data
    GlListFixup fixups[1];
};
static_assert(offsetof(GlCompiledList, fixups) == 20, "a list object is 20 bytes before its fix-ups");

extern "C" {
extern GlCompiledList __glEmptyList;
extern const GlListPlayProc* const __glListOpTable;     // GL_OP_TABLE_SIZE entries by opcode
extern const GlListPlayProc* const __glListExtOpTable;  // GL_OP_EXTENDED_SIZE entries, opcode - 1000

// Arena (the procs.* arena slots).
void* GLPROC __glNewArena(GlContext* gc);
void GLPROC __glFreeArena(GlContext* gc, void* arena);
void* GLPROC __glArenaAlloc(GlContext* gc, void* arena, size_t bytes);
void GLPROC __glResetArena(GlContext* gc, void* arena);

// Records.
GlListRecord* GLPROC __glListAllocRecord(GlContext* gc, uint64_t operandBytes);
void GLPROC __glListAppendRecord(GlContext* gc, GlListRecord* r, GlListPlayProc play);
void GLPROC __glListRecordError(GlContext* gc, GLenum code);
void GLPROC __glListOptimize(GlContext* gc, GlListBuild* build);

// Blocks and playback.
GlCompiledList* GLPROC __glBuildListBlock(GlContext* gc, GlListBuild* build);
void GLPROC __glFreeListBlock(GlContext* gc, void* block);
void GLPROC __glExecuteListBlock(GlContext* gc, GlCompiledList* block);
const uint8_t* GLPROC __glOpPad(const uint8_t* operands);
const uint8_t* GLPROC __glOpChainEnd(const uint8_t* operands);

// Running lists.
void GLPROC __glDoCallList(GlContext* gc, GLuint name);
void GLPROC __glDoCallLists(GlContext* gc, GLsizei n, GLenum type, const GLvoid* lists);
GLuint GLPROC __glCallListsTypeSize(GLenum type);

// Client images copied into packed rows under the context's unpack state
// (bitmaps: each row from a new byte, bit 7 first).
void GLPROC __glUnpackImage(GlContext* gc, GLsizei width, GLsizei height, GLsizei depth, GLenum format, GLenum type,
                            const GLvoid* pixels, GLvoid* destination);
void GLPROC __glCopyImageToList(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type,
                                const GLvoid* pixels, GLvoid* destination);

// Sharing (procs.shareLists).
GLboolean GLPROC __glShareListsProc(GlContext* gc, GlContext* other);
void GLPROC __glShareDisplayLists(GlContext* gc, GlContext* other);
}
