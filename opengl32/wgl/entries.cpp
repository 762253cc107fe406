// The exported wgl and GDI pixel-format entries: jumps through two tables of
// implementations, which pass-through mode refills by name.

#include "wgl.h"
#include "pixelformat.h"
#include "drawable.h"

#define WGL_PROC(f) ((PROC)(void (*)(void))(f))

extern "C" {
WglEntryTableRecord WglEntryTable = {
    {
        WGL_PROC(__wglCreateContext), WGL_PROC(__wglDeleteContext),
        WGL_PROC(__wglGetCurrentContextHandle), WGL_PROC(__wglGetCurrentDC),
        WGL_PROC(__wglGetProcAddress), WGL_PROC(__wglMakeCurrent), WGL_PROC(__wglShareLists),
        WGL_PROC(__wglUseFontBitmapsA), WGL_PROC(__wglUseFontBitmapsW),
        WGL_PROC(__wglUseFontOutlinesA), WGL_PROC(__wglUseFontOutlinesW),
        WGL_PROC(__wglCopyContext), WGL_PROC(__wglCreateLayerContext),
        WGL_PROC(__wglDescribeLayerPlane), WGL_PROC(__wglGetDefaultProcAddress),
        WGL_PROC(__wglGetLayerPaletteEntries), WGL_PROC(__wglRealizeLayerPalette),
        WGL_PROC(__wglSetLayerPaletteEntries), WGL_PROC(__wglSwapLayerBuffers),
    },
    {
        "wglCreateContext", "wglDeleteContext", "wglGetCurrentContext", "wglGetCurrentDC",
        "wglGetProcAddress", "wglMakeCurrent", "wglShareLists", "wglUseFontBitmapsA",
        "wglUseFontBitmapsW", "wglUseFontOutlinesA", "wglUseFontOutlinesW", "wglCopyContext",
        "wglCreateLayerContext", "wglDescribeLayerPlane", "wglGetDefaultProcAddress",
        "wglGetLayerPaletteEntries", "wglRealizeLayerPalette", "wglSetLayerPaletteEntries",
        "wglSwapLayerBuffers",
    },
};

WglPixelFormatTableRecord WglPixelFormatTable = {
    {
        WGL_PROC(__wglChoosePixelFormat), WGL_PROC(__wglDescribePixelFormat),
        WGL_PROC(__wglGetPixelFormat), WGL_PROC(__wglSetPixelFormat),
        WGL_PROC(__wglSwapBuffers),
    },
    {"ChoosePixelFormat", "DescribePixelFormat", "GetPixelFormat", "SetPixelFormat", "SwapBuffers"},
};
}

#ifdef _WIN32
#define WGL_ASM_C(sym) "_" sym
#define WGL_ASM_ENTRY(name, bytes) "_" #name "@" #bytes
#define WGL_ASM_FUNC(sym) ".globl " sym "\n.def " sym "; .scl 2; .type 32; .endef\n" sym ":\n"
#else
#define WGL_ASM_C(sym) sym
#define WGL_ASM_ENTRY(name, bytes) #name
#define WGL_ASM_FUNC(sym) ".globl " sym "\n.type " sym ", @function\n" sym ":\n"
#endif

// An export that jumps through slot `slot` of `table`.
#define WGL_JUMP(table, slot, name, bytes)                                               \
    __asm__(".text\n.p2align 4\n" WGL_ASM_FUNC(WGL_ASM_ENTRY(name, bytes)) "\tjmp *" \
            WGL_ASM_C(#table) "+" #slot "*4\n");

WGL_JUMP(WglEntryTable, 0, wglCreateContext, 4)
WGL_JUMP(WglEntryTable, 1, wglDeleteContext, 4)
WGL_JUMP(WglEntryTable, 2, wglGetCurrentContext, 0)
WGL_JUMP(WglEntryTable, 3, wglGetCurrentDC, 0)
WGL_JUMP(WglEntryTable, 4, wglGetProcAddress, 4)
WGL_JUMP(WglEntryTable, 6, wglShareLists, 8)
WGL_JUMP(WglEntryTable, 7, wglUseFontBitmapsA, 16)
WGL_JUMP(WglEntryTable, 8, wglUseFontBitmapsW, 16)
WGL_JUMP(WglEntryTable, 9, wglUseFontOutlinesA, 32)
WGL_JUMP(WglEntryTable, 10, wglUseFontOutlinesW, 32)
WGL_JUMP(WglEntryTable, 11, wglCopyContext, 12)
WGL_JUMP(WglEntryTable, 12, wglCreateLayerContext, 8)
WGL_JUMP(WglEntryTable, 13, wglDescribeLayerPlane, 20)
WGL_JUMP(WglEntryTable, 14, wglGetDefaultProcAddress, 4)
WGL_JUMP(WglEntryTable, 15, wglGetLayerPaletteEntries, 20)
WGL_JUMP(WglEntryTable, 16, wglRealizeLayerPalette, 12)
WGL_JUMP(WglEntryTable, 17, wglSetLayerPaletteEntries, 20)
WGL_JUMP(WglEntryTable, 18, wglSwapLayerBuffers, 8)
WGL_JUMP(WglPixelFormatTable, 0, ChoosePixelFormat, 8)
WGL_JUMP(WglPixelFormatTable, 0, wglChoosePixelFormat, 8)
WGL_JUMP(WglPixelFormatTable, 1, DescribePixelFormat, 16)
WGL_JUMP(WglPixelFormatTable, 1, wglDescribePixelFormat, 16)
WGL_JUMP(WglPixelFormatTable, 2, GetPixelFormat, 4)
WGL_JUMP(WglPixelFormatTable, 2, wglGetPixelFormat, 4)
WGL_JUMP(WglPixelFormatTable, 3, SetPixelFormat, 12)
WGL_JUMP(WglPixelFormatTable, 3, wglSetPixelFormat, 12)
WGL_JUMP(WglPixelFormatTable, 4, SwapBuffers, 4)
WGL_JUMP(WglPixelFormatTable, 4, wglSwapBuffers, 4)

// wglMakeCurrent attaches the calling thread before it jumps.
__asm__(".text\n.p2align 4\n" WGL_ASM_FUNC(WGL_ASM_ENTRY(wglMakeCurrent, 8))
        "\tcall " WGL_ASM_C("__wglGetCurrentContext") "\n"
        "\tjmp *" WGL_ASM_C("WglEntryTable") "+5*4\n");
