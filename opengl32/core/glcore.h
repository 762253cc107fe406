// Common definitions of the library: word size, calling conventions, the GL API types.
#pragma once

#include <stdint.h>
#include <stddef.h>
#include <windows.h>
// The library defines the GL entries it exports: no import attribute on them.
#undef WINGDIAPI
#define WINGDIAPI
#include <GL/gl.h>

static_assert(sizeof(void*) == 4, "the library is 32-bit x86 only");

// gl* entries and the null procedures: the GL API convention (callee pops).
#define GLIMM APIENTRY
// Routines that generated code calls and that call generated code: cdecl.
#define GLPROC __attribute__((cdecl))

// Doubles and 64-bit integers inside records that generated code or files see
// are aligned to 8 in both flavours (Linux i386 would align them to 4).
#define GL_ALIGN8 alignas(8)

struct GlContext;
struct GlThreadState;

// The shared empty procedure: a slot that holds it has nothing to do.
extern "C" void GLPROC __glNop(void);
