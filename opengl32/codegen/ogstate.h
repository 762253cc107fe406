// Code-generator records kept in the context: instruction nodes and their arena,
// offset layouts, the caches of generated routines and the scheduling queue.
#pragma once

#include <stddef.h>
#include <stdint.h>
#include "core/glcore.h"

// One instruction or operand: a kind and four words whose meaning depends on it.
enum {
    GL_OG_IMM = 0,    // imm.value
    GL_OG_REG8 = 1,   // reg.code: al cl dl bl ah ch dh bh
    GL_OG_REG32 = 3,  // reg.code: eax ecx edx ebx esp ebp esi edi
    GL_OG_ST = 4,     // reg.code: st(i)
    GL_OG_MMX = 5,    // reg.code: mm0-mm7
    GL_OG_MEM = 6,    // mem: displacement node, scale, base and index register nodes
    GL_OG_INSN = 7,   // insn: op code, first (destination) and second operands, queue link
    GL_OG_LABEL = 8,  // label, or a fix-up record (fixup)
};
struct GlOgNode {
    GLuint kind;
    union {
        struct { GLint value; } imm;
        struct { GLuint code; } reg;
        struct { GlOgNode* disp; GLuint scale; GlOgNode* base; GlOgNode* index; } mem;
        struct { GLuint op; GlOgNode* first; GlOgNode* second; GlOgNode* next; } insn;
        // width 1: forward jumps take 32-bit displacements, 0: 8-bit. address: null while unbound.
        struct { GLuint width; GlOgNode* fixups; uint8_t* address; } label;
        // width 1: a 4-byte field, 0: a 1-byte field.
        struct { GLuint width; GlOgNode* next; uint8_t* field; } fixup;
    };
};
static_assert(sizeof(GlOgNode) == 20, "an instruction node is five words");
static_assert(offsetof(GlOgNode, insn.next) == 16, "queue link in the fifth word");

// Offsets handed out for keyed fields of a generated routine's data.
enum { GL_OG_LAYOUT_KEYS = 1000 };
struct GlOgLayout {
    uint8_t locked;  // non-zero: a key is its own offset
    uint8_t wasReset;
    uint8_t pad[2];
    GLuint size;       // bytes handed out so far
    GLuint signature;  // running hash of the keys in placing order
    GLint slots[GL_OG_LAYOUT_KEYS];  // offset of each key, -1 while unplaced
};
static_assert(sizeof(GlOgLayout) == 4012, "layout record size");

struct GlOgCacheEntry {
    GLint keyA;  // -1: empty
    GLuint keyB;
    uint8_t* code;  // the entry's code area
    GlOgLayout layout;
    GlOgCacheEntry* next;
};
static_assert(sizeof(GlOgCacheEntry) == 4028, "cache entry size");
static_assert(offsetof(GlOgCacheEntry, layout) == 12, "layout after the keys and the code address");

// A cache of generated routines, most recently used first.
struct GlOgCache {
    GlOgCacheEntry* entries;
    GlOgCacheEntry* head;
    uint8_t* code;  // entries x code bytes of executable memory
    GLuint entryCount, codeBytes;
};

// The caches in context order.
enum { GL_OG_CACHE_TEXSPAN, GL_OG_CACHE_DEPTH, GL_OG_CACHE_SETUP, GL_OG_CACHE_SPAN, GL_OG_CACHE_COUNT };

enum {
    GL_OG_ARENA_NODES = 8000,
    GL_OG_DATA_AREA_BYTES = 8192,
    GL_OG_MAX_RETIRED_POOLS = 24,  // pools double from 1000 entries: far beyond the address space
};

// The generator's part of the context.
struct GlOgGen {
    GlOgNode arena[GL_OG_ARENA_NODES];
    GlOgNode* arenaNext;
    GlOgCache caches[GL_OG_CACHE_COUNT];
    uint8_t* dataArea;  // GL_OG_DATA_AREA_BYTES for generated routines' scratch values
    GlOgLayout vertexLayout;
    // Scheduled block: nodes queued between op 125 and op 126.
    GlOgNode* queueHead;
    GlOgNode* queueTail;
    GLuint queueLength;
    uint8_t scheduling;
    uint8_t genPad[3];
    // Words of the generated set-up routine: its entry stub's stack pointer and
    // its caller's return address, through which the walker leaves.
    GLuint ogSavedStack;
    void* ogReturnAddress;
    // Constant pools that filled up: kept until destruction since code refers to them.
    void* retiredPools[2][GL_OG_MAX_RETIRED_POOLS];
    GLuint generations;  // routines generated: each generation starts with a fresh node arena
};
