// Generated vertex programs: the exact key of the state a program is built
// for, the per-context cache of programs, and the generator's entries.
#pragma once

#include "core/glcore.h"

struct GlVertex;

// Where a program takes an attribute from.
enum {
    GL_VP_NONE = 0,      // not fetched
    GL_VP_CURRENT = 1,   // the current value
    GL_VP_IN_PLACE = 2,  // a float array, read in place
    GL_VP_FETCH = 3,     // an array, through its fetch procedure
};

// Everything the generator reads, and nothing else: two states with equal
// keys get the same code. The program reads at run time what changes
// without changing the code: array pointers, the buffer base, viewport,
// matrices and light values (at their fixed addresses in the context, or in
// the modelview entry named here).
struct GlVertexProgramKey {
    GLuint mode;            // GL_VP_CACHE_MODE: vertices of the vertex cache, in place
    GLint vertexSize;       // 2, 3 or 4
    const void* modelView;  // the modelview stack entry
    GLint compositeType;    // matrix class of its composite
    GLuint compositeZeros;  // composite entries whose products are left out (__glCompositeZeros)
    const void* clipTest;   // the clip test called for vertices the inline test does not take
    GLuint inlineClip;      // the general test: inline for w > 0
    GLuint rgba;
    // Position, normal, colour (or index), texture coordinates: GL_VP_*, the
    // fetch procedure and the array stride.
    GLuint source[4];
    const void* fetch[4];
    GLint stride[4];
    GLuint cull;            // arrays.flags 0x8 and 0x10
    GLuint cullMasks[2];    // facing, away
    GLuint lit;             // the program lights the vertex (as __glLightVerticesFast)
    GLuint lights;          // lit: the enabled lights, bit i = light i
    GLuint zeroTerms;       // lit: bit i light i's specular term, bit 8 + i its ambient, is +-0 at any vertex
    GLuint keepObject;      // completion work remains: object coordinates and normal stay
    GLuint keying;          // the hardware context's keying word (hwVertexKey), 0 in software
    GLuint board;           // 1 in a hardware context: `keying` tells what the board's vertices carry
    GLuint texDivide;       // board: s, t and q of unclipped vertices over w (the only texture work)
};
static_assert(sizeof(GlVertexProgramKey) % 4 == 0, "compared as words");

// Bits of the hardware keying word the programs read: texture coordinates
// reach the board, and do so over w (perspective-correct).
enum : GLuint {
    GL_VP_KEY_TEXTURE = 0x80000,
    GL_VP_KEY_TEX_PERSPECTIVE = 0x100000,
};

enum {
    GL_VP_CACHE_MODE = 0x8000,
    GL_VP_ENTRIES = 50,
    GL_VP_CODE_BYTES = 8192,  // the program and strip routine of eight lights fit
};

// One generated program: its key, the vertex program (null when it did not
// fit its code area) and the strip routine emitted behind it.
struct GlVertexProgram {
    GlVertexProgramKey key;
    void* program;
    void* strip;
    uint8_t* code;  // its code area
};

// The context's programs: entries searched by exact key, code areas in
// executable memory from the code generator.
struct GlVertexProgramCache {
    GlVertexProgram* entries;  // GL_VP_ENTRIES
    uint8_t* code;             // GL_VP_ENTRIES x GL_VP_CODE_BYTES, executable
    GlVertexProgram* current;
    GLint count;               // entries in use
    GLint cursor;              // round-robin replacement
    GLuint codeBytes;          // of an entry's code area, at most GL_VP_CODE_BYTES
    const GLuint* keyingWord;  // a hardware context's hwVertexKey, null in software
    uint8_t enabled;           // generated vertex programs on (off: "__GL_CXX_VERTEX_ROUTINES")
    uint8_t pad[3];
    // The programs' scratch words (x87 control words among them).
    GLuint scratch[20];
};

extern "C" {
// Context life: the cache and its code areas.
GLboolean GLPROC __glVertexProgramsCreate(GlContext* gc);
void GLPROC __glVertexProgramsFree(GlContext* gc);
// 1 when "__GL_DISABLE_DYNAMIC_VERTEX" is set to 0 (the packed vertex layout
// asked for), else 0.
GLboolean GLPROC __glDynamicVertexEnabled(void);
// The vertex layout of generated code: always the fixed GlVertex one.
void GLPROC __glChooseVertexLayout(GlContext* gc);
// The done bits a program may compute itself (lighting), 0 when it may not.
GLuint GLPROC __glVertexCodeStateMask(GlContext* gc);
void GLPROC __glVertexProgramKey(GlVertexProgramKey* key, GlContext* gc, GLint size, GLuint modeBits);
// Bit e set: entry e of the composite m (of class `type`, for points of
// `size` components) is +-0 and the program leaves its product out of the
// clip coordinates. 0 unless every entry is finite.
GLuint GLPROC __glCompositeZeros(const GLfloat* m, GLint type, GLint size);
// The program for the current state, generated on a miss; null when there is
// none (it did not fit its code area).
const GlVertexProgram* GLPROC __glVertexProgramLookup(GlContext* gc, GLint size, GLuint modeBits);
// Generates the vertex program and strip routine of a key into an entry.
void GLPROC __glGenVertexCode(GlContext* gc, GlVertexProgram* entry);
// For the block profile: appends "start end name file entry" for each program
// and strip routine of the current context to `path` (as __glOgWriteCodeMap).
void GLPROC __glVertexProgramsWriteCodeMap(const char* path);
}
