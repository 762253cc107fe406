// Context record: creation, limits, constants, defaults and destruction.

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include "glcontext.h"
#include "histogram.h"
#include "services.h"
#include "dlist.h"
#include "pixel/pixel.h"
#include "pickers.h"
#include "raster/depthstencil.h"

const char __glVendorString[] = "Zorvex";
const char __glRendererString[] = "Zorvex";
const char __glVersionString[] = "1.1.0 Zorvex beta";
const char __glExtensionsString[] =
    "GL_EXT_abgr GL_EXT_bgra GL_EXT_paletted_texture GL_EXT_vertex_array "
    "GL_QTA_compiled_vertex_array GL_QTA_cull_vertex GL_EXT_shared_texture_palette ";

static const GLuint ogCacheSizes[9] = {4, 2048, 4, 1024, 40, 8192, 1024, 40, 16384};

extern "C" void GLPROC __glSetSoftwareLimits(GlLimits* l) {
    l->maxLights = 8;
    l->maxClipPlanes = 6;
    l->textureTargets = 1;
    l->textureEnvironments = 1;
    l->maxViewportWidth = l->maxViewportHeight = 2048;
    l->windowBiasX = l->windowBiasY = 6144;
    l->textureLevels = 11;
    l->subpixelBits = 3;
    l->maxListNesting = 64;
    l->pointSizeMin = 0.5f;
    l->pointSizeMax = 10.0f;
    l->pointSizeGranularity = 0.125f;
    l->lineWidthMin = 0.5f;
    l->lineWidthMax = 10.0f;
    l->lineWidthGranularity = 0.125f;
    l->maxEvalOrder = 30;
    l->maxPixelMapTable = 65536;
    l->maxAttribStackDepth = 16;
    l->maxClientAttribStackDepth = 16;
    l->maxNameStackDepth = 128;
    l->maxModelviewStackDepth = 32;
    l->maxProjectionStackDepth = 2;
    l->maxTextureStackDepth = 10;
    l->fragmentFog = 1;
}

extern "C" GlContext* GLPROC __glNewContext(const GlCoreImports* imports, const GlPixelFormatInfo* format,
                                           size_t size, void (GLPROC* setLimits)(GlLimits* l),
                                           GLboolean (GLPROC* makeCurrent)(GlContext* gc),
                                           GLboolean (GLPROC* loseCurrent)(GlContext* gc),
                                           void (GLPROC* installHooks)(GlContext* gc)) {
    GlContext* gc = (GlContext*)imports->calloc(nullptr, 1, size);
    if (!gc) return nullptr;
    gc->imports = *imports;
    gc->pixelFormat = *format;
    setLimits(&gc->limits);
    gc->procs.loseCurrent = loseCurrent;
    gc->procs.makeCurrent = makeCurrent;
    if (installHooks) installHooks(gc);
    gc->procs.shareLists = __glShareListsProc;
    gc->procs.lockBuffers = __glBufferLockNop;
    gc->procs.unlockBuffers = __glBufferLockNop;
    if (!__glInitContextCommon(gc)) {
        __glDestroyContext(gc);
        return nullptr;
    }
    return gc;
}

extern "C" GlContext* GLPROC __glCreateContext(const GlCoreImports* imports,
                                              const GlPixelFormatInfo* format) {
    return __glNewContext(imports, format, sizeof(GlContext), __glSetSoftwareLimits, __glMakeCurrent,
                          __glLoseCurrent, nullptr);
}

// Smallest time-stamp difference of back-to-back reads: the cost of a sample.
static GLuint timeStampOverhead(void) {
    GLuint best = 10000;
    for (int i = 0; i < 100; i++) {
        uint64_t a = __glReadTimeStamp();
        uint64_t b = __glReadTimeStamp();
        GLuint d = (GLuint)b - (GLuint)a;
        if (d < best) best = d;
    }
    return best;
}

static void* growArrayCreate(GlOgGrowArray* a, size_t entryBytes) {
    a->data = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, GL_OG_GROW_CAPACITY * entryBytes);
    a->count = 0;
    a->capacity = a->data ? GL_OG_GROW_CAPACITY : 0;
    return a->data;
}

static void growArrayFree(GlOgGrowArray* a) {
    if (a->data) HeapFree(GetProcessHeap(), 0, a->data);
    a->data = nullptr;
    a->count = a->capacity = 0;
}

// Runs for software and hardware contexts; false when an allocation failed
// (the caller then destroys the half-built context).
extern "C" GLboolean GLPROC __glInitContextCommon(GlContext* gc) {
    GlLimits* l = &gc->limits;
    GlConstants* k = &gc->constants;
    l->windowBiasXf = (GLfloat)l->windowBiasX;
    l->windowBiasYf = (GLfloat)l->windowBiasY;
    k->one = 1.0f;
    k->half = 0.5f;
    for (int i = 0; i < 4; i++) k->previousColorMax[i] = 1.0f;

    gc->procs.copyContext = __glCopyContextState;
    gc->procs.destroyContext = __glDestroyContext;
    gc->procs.dispatchAddress = __glDispatchAddress;
    gc->procs.saveDispatch = __glSaveDispatch;
    gc->procs.savedDispatch = __glSavedDispatch;
    gc->procs.pickColorMaterial = (void(GLPROC*)(GlContext*))__glNop;
    gc->procs.applyCurrentColor = (void(GLPROC*)(GlContext*))__glNop;

    GlCoreImports* im = &gc->imports;
    gc->attribStack = (void**)im->calloc(gc, l->maxAttribStackDepth, sizeof(void*));
    gc->clientAttribStack = (void**)im->calloc(gc, l->maxClientAttribStackDepth, sizeof(void*));
    gc->nameStack = (GLuint*)im->calloc(gc, l->maxNameStackDepth, sizeof(GLuint));
    for (int i = 0; i < 2; i++)
        gc->spanWork[i] = (uint8_t*)im->calloc(gc, GL_SPAN_WORK_ENTRIES, GL_SPAN_WORK_ENTRY_BYTES);
    gc->coverageWords = (GLuint*)im->calloc(gc, GL_COVERAGE_WORDS, sizeof(GLuint));
    if (!gc->attribStack || !gc->clientAttribStack || !gc->nameStack || !gc->spanWork[0] ||
        !gc->spanWork[1] || !gc->coverageWords)
        return GL_FALSE;

    if (!__glAllocAlphaFuncTable(gc) || !__glAllocStencilTables(gc)) return GL_FALSE;
    if (!__glInitTextures(gc) || !__glAllocClipPlanes(gc)) return GL_FALSE;
    __glInitArenaProcs(gc);

    memcpy(gc->og.cacheSizes, ogCacheSizes, sizeof ogCacheSizes);
    if (!__glOgCreateCaches(gc) || !__glVertexProgramsCreate(gc)) return GL_FALSE;
    gc->og.workArea = gc->og.workAreaStorage;
    memset(gc->og.workArea, 0, GL_OG_WORK_AREA_BYTES);
    if (!growArrayCreate(&gc->og.words, 4) || !growArrayCreate(&gc->og.doubles, 8)) return GL_FALSE;

    if (const char* s = getenv("GL_PERF_HISTOGRAM")) {
        unsigned long bins = strtoul(s, nullptr, 10);
        if (bins < 2) bins = 500;
        if (bins > 1000) bins = 1000;
        gc->histogram = __glHistogramCreate(gc, (GLuint)bins, timeStampOverhead());
    }

    return __glInitDisplayListState(gc);
}

// Colour maxima of the front colour buffer: full component values.
// Component maxima of the front colour buffer once it has a layout (a DIB
// section's own masks may differ from the format's), else of the format.
static void colorMaxima(const GlContext* gc, GLfloat out[4]) {
    const GlColorBuffer* cb = gc->fb.frontBuffer;
    if (gc->pixelFormat.rgba && cb && cb->fullMask) {
        for (int i = 0; i < 4; i++) out[i] = cb->mask[i] ? (GLfloat)cb->maximum[i] : 1.0f;
        return;
    }
    const GlPixelFormatInfo* f = &gc->pixelFormat;
    const uint32_t bits[4] = {f->redBits, f->greenBits, f->blueBits, f->alphaBits};
    for (int i = 0; i < 4; i++) out[i] = bits[i] ? (GLfloat)((1u << bits[i]) - 1) : 1.0f;
}

extern "C" void GLPROC __glSetStateDefaults(GlContext* gc) {
    GlConstants* k = &gc->constants;
    k->vendor = __glVendorString;
    k->renderer = __glRendererString;
    k->version = __glVersionString;
    k->extensions = __glExtensionsString;

    k->ubyteMax = 255.0f;
    k->ushortMax = 65535.0f;
    k->uintMax = 4294964992.0f;
    k->ubyteScale = k->one * (1.0f / 255.0f);
    k->ushortScale = k->one * (1.0f / 65535.0f);
    k->uintScale = k->one * 2.3283078e-10f;

    GLfloat maxima[4];
    colorMaxima(gc, maxima);
    for (int i = 0; i < 4; i++) k->invColorScale[i] = k->one / maxima[i];
    k->alphaTableScale = (GLfloat)(k->alphaTableSize - 1) / maxima[3];
    const GLfloat step255 = k->one / 255.0f;
    for (int i = 0; i < 256; i++) k->ubyteToFloat[i] = (GLfloat)i * step255;

    // Window-coordinate step: the last halving of one that still moves the bias.
    const GLfloat bias = gc->limits.windowBiasXf;
    GLfloat d = k->one, step = k->one;
    for (;;) {
        volatile GLfloat sum = bias + d;
        if (sum == bias) break;
        step = d;
        d *= 0.5f;
    }
    k->windowStep = step;
    k->snapOffset = 0.5f - step;

    __glThreadState()->beginState = GL_BEGIN_NEEDS_VALIDATE;
    gc->dirtyPickers = GL_DIRTY_ALL_PICKERS;
    gc->dirtyTables = GL_DIRTY_ALL_TABLES;
    gc->renderMode = GL_RENDER;

    __glInitStateDefaults(gc);
}

extern "C" void GLPROC __glRescaleColors(GlContext* gc) {
    GLfloat maxima[4];
    colorMaxima(gc, maxima);
    GlConstants* k = &gc->constants;
    if (memcmp(maxima, k->previousColorMax, sizeof maxima) == 0) return;
    for (int i = 0; i < 4; i++) k->invColorScale[i] = k->one / maxima[i];
    k->alphaTableScale = (GLfloat)(k->alphaTableSize - 1) / maxima[3];
    GLfloat ratio[4];
    for (int i = 0; i < 4; i++) ratio[i] = maxima[i] / k->previousColorMax[i];
    __glRescaleStoredColors(gc, ratio);
    memcpy(k->previousColorMax, maxima, sizeof maxima);
    __glBuildPixelTransferTables(gc);
}

extern "C" GlDispatchTable* GLPROC __glDispatchAddress(GlContext* gc) {
    return &gc->immediateDispatch;
}

extern "C" GLuint GLPROC __glSaveDispatch(GlContext* gc) {
    GlThreadState* ts = __glThreadState();
    gc->immediateDispatch = ts->dispatch;
    if (!gc->listCompiling) gc->liveDispatch = &gc->immediateDispatch;
    return gc->listCompiling;
}

extern "C" GlDispatchTable* GLPROC __glSavedDispatch(GlContext* gc) {
    if (gc->listCompiling) return (GlDispatchTable*)(uintptr_t)gc->listCompiling;
    GlThreadState* ts = __glThreadState();
    gc->liveDispatch = &ts->dispatch;
    return &ts->dispatch;
}

static void writeHistogram(GlContext* gc) {
    FILE* f = fopen("hist.out", "wt");
    __glHistogramFinish(gc->histogram);
    if (f) {
        __glHistogramPrint(gc->histogram, f, 0.01f);
        fclose(f);
    } else {
        OutputDebugStringA("__glDestroyContext() - could not open 'hist.out'\n");
    }
    __glHistogramDestroy(gc, gc->histogram);
    gc->histogram = nullptr;
}

// Frees everything the context owns, the record included.
extern "C" GLboolean GLPROC __glDestroyContext(GlContext* gc) {
    if (gc->histogram) writeHistogram(gc);
    __glOgFreeCaches(gc);
    __glVertexProgramsFree(gc);
    growArrayFree(&gc->og.words);
    growArrayFree(&gc->og.doubles);

    void (GLPROC* release)(GlContext*, void*) = gc->imports.free;
    if (gc->attribStack) __glFreeAttribStack(gc);
    release(gc, gc->attribStack);
    release(gc, gc->clientAttribStack);
    release(gc, gc->nameStack);
    release(gc, gc->spanWork[0]);
    release(gc, gc->spanWork[1]);
    release(gc, gc->coverageWords);
    release(gc, gc->alphaTable);
    __glFreeStencilTables(&gc->fb.stencil.buf);

    __glFreeClipPlanes(gc);
    __glFreeDisplayListState(gc);
    __glFreeTextures(gc);
    __glFreeSubsystemState(gc);

    release(gc, gc);
    return GL_TRUE;
}
