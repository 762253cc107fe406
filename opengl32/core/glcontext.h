// The rendering context record and what the window-system layer hands it.
#pragma once

#include "gldispatch.h"
#include "glstate.h"
#include "geometry/glvertex.h"
#include "geometry/light.h"
#include "raster/glbuffer.h"
#include "raster/spanstate.h"
#include "spans/spans.h"
#include "codegen/ogstate.h"
#include "codegen/vertexgen.h"

struct WglDrawable;
struct GlHistogram;

// Allocation and drawable services the window-system layer gives each context.
struct GlCoreImports {
    void* (GLPROC* alloc)(GlContext* gc, size_t bytes);
    void* (GLPROC* calloc)(GlContext* gc, size_t count, size_t size);
    void* (GLPROC* realloc)(GlContext* gc, void* block, size_t bytes);
    void (GLPROC* free)(GlContext* gc, void* block);  // accepts null
    void (GLPROC* warning)(GlContext* gc, const char* text);
    void (GLPROC* fatal)(GlContext* gc, const char* text);
    WglDrawable* (GLPROC* getDrawableBuffer)(GlContext* gc);
    void (GLPROC* getDrawableSize)(GlContext* gc, GLint* width, GLint* height);
    void* owner;  // the owning WglContextHandle (or embedding context)
};
static_assert(sizeof(GlCoreImports) == 36, "GlCoreImports is 9 words");

// Pixel format as the core sees it; never changed after creation.
struct GlPixelFormatInfo {
    uint8_t rgba, colorIndex, doubleBuffer, stereo;
    uint8_t accumPresent, depthPresent, stencilPresent, spare;
    uint32_t redBits, greenBits, blueBits, alphaBits;
    uint32_t redMask, greenMask, blueMask, alphaMask;  // ((1 << bits) - 1) << shift
    uint32_t colorBits;
    uint32_t accumRedBits, accumGreenBits, accumBlueBits, accumAlphaBits;
    uint32_t depthBits, stencilBits;
    uint32_t reserved[2];
};
static_assert(sizeof(GlPixelFormatInfo) == 76, "GlPixelFormatInfo is 19 words");
static_assert(offsetof(GlPixelFormatInfo, redBits) == 8, "byte flags first");

// Texturing of the generic renderer. A fragment procedure textures a colour
// (colour-buffer units, the index in [0]) in place at s, t with the squared
// scale factor rho; the level-of-detail procedures give rho at a vertex from
// its s/w, t/w and 1/w (a polygon's from the span state's texture gradients).
typedef void(GLPROC* GlTexFragmentProc)(GlContext* gc, GLfloat* color, GLfloat s, GLfloat t, GLfloat rho);
typedef GLfloat(GLPROC* GlTexLodPolygonProc)(GlContext* gc, const GlSpanState* state, GLfloat s, GLfloat t, GLfloat q);
typedef GLfloat(GLPROC* GlTexLodLineProc)(GlContext* gc, GLfloat s, GLfloat t, GLfloat q);

// Context procedures: the window-system layer's operations first, then the
// slots that validation and the pickers fill.
struct GlContextProcs {
    GLboolean (GLPROC* destroyContext)(GlContext* gc);
    GLboolean (GLPROC* loseCurrent)(GlContext* gc);
    GLboolean (GLPROC* makeCurrent)(GlContext* gc);
    GLboolean (GLPROC* shareLists)(GlContext* gc, GlContext* other);
    GLboolean (GLPROC* copyContext)(GlContext* dst, GlContext* src, GLuint mask);
    void (GLPROC* swapBuffers)(GlContext* gc);
    void (GLPROC* resizeBuffers)(GlContext* gc, GLint width, GLint height);
    GLboolean (GLPROC* refreshBufferAddresses)(GlContext* gc);
    GLboolean (GLPROC* lockBuffers)(GlContext* gc);
    GLboolean (GLPROC* unlockBuffers)(GlContext* gc);
    GlDispatchTable* (GLPROC* dispatchAddress)(GlContext* gc);
    GLuint (GLPROC* saveDispatch)(GlContext* gc);
    GlDispatchTable* (GLPROC* savedDispatch)(GlContext* gc);

    void (GLPROC* validate)(GlContext* gc);
    void (GLPROC* fullValidate)(GlContext* gc);
    void (GLPROC* flush)(GlContext* gc);
    void (GLPROC* finish)(GlContext* gc);
    void (GLPROC* pickColorMaterial)(GlContext* gc);
    void (GLPROC* applyCurrentColor)(GlContext* gc);
    void (GLPROC* beginPrimitive)(GlContext* gc, GLenum mode);  // the mode's begin procedure

    // Display-list arena.
    void* (GLPROC* newArena)(GlContext* gc);
    void (GLPROC* freeArena)(GlContext* gc, void* arena);
    void* (GLPROC* arenaAlloc)(GlContext* gc, void* arena, size_t bytes);
    void (GLPROC* resetArena)(GlContext* gc, void* arena);

    // ---- Geometry: matrices, vertex path, assembly, clipping, feedback, selection.
    void (GLPROC* copyMatrix)(GlMatrixRecord* dst, const GlMatrixRecord* src);
    void (GLPROC* identityMatrix)(GlMatrixRecord* dst);
    void (GLPROC* multMatrix)(GlMatrixRecord* dst, const GlMatrixRecord* a, const GlMatrixRecord* b);
    void (GLPROC* invertMatrix)(GlMatrixRecord* dst, const GlMatrixRecord* src);
    void (GLPROC* normalize)(GLfloat dst[3], const GLfloat src[3]);
    GlContextProc pushMatrix, popMatrix, loadIdentityMatrix;
    void (GLPROC* matrixChanged)(GlContext* gc, GlMatrixEntry* e);
    void (GLPROC* updateCompositeMatrix)(GlContext* gc, GlMatrixRecord* composite);
    void (GLPROC* updateCullVertexEye)(GlContext* gc, GlMatrixEntry* e);
    void (GLPROC* pickMatrixTransformProcs)(GlContext* gc, GlMatrixRecord* r);
    void (GLPROC* pickInverseTransformProcs)(GlContext* gc, GlMatrixRecord* r);
    GlContextProc computeWindowClipBox;
    GlContextProc applyViewport, applyScissor;
    GlContextProc pickVertexProcs, pickClipInterpolator, pickMatrixProcs;
    GlContextProc pickRenderProcs, pickPointProcs, pickLineProcs, pickCullAndFillProcs, pickShadeProcs;
    // The begin procedures, indexed by the mode (GL_POINTS .. GL_POLYGON).
    GlContextProc beginPoints, beginLines, beginLineLoop, beginLineStrip, beginTriangles,
        beginTriangleStrip, beginTriangleFan, beginQuads, beginQuadStrip, beginPolygon;
    GlVertexProc primitiveVertex;
    GlContextProc endPrimitive;
    GlContextProc clipPrimitiveVertices;
    GlClipTestProc clipTest2, clipTest3, clipTest4;
    GlVertexProc gatherAttributes;
    GlCompleteProc completeVertex0, completeVertex2, completeVertex3, completeVertex4;
    GlFogVertexProc fogVertex;
    GlVertexProc texGen;
    GlLightVertexProc lightVertex;
    GlVertexProc renderPoint;  // a primitive point (tests its clip codes)
    GlLineProc renderLine;     // an unclipped line
    GlTriangleProc renderTriangle;
    GlClipTriangleProc clipTriangle;
    GlPolygonProc renderPolygon;
    GlVertexProc drawPoint;    // polygon-mode points
    GlLineProc drawLine;       // polygon-mode edges
    GlSetupTriangleProc setupTriangle;
    GlInterpolateProc clipInterpolatePolygon, clipInterpolateLine;

    // ---- Texturing: per fragment of the spans, lines and points (coordinates as
    // interpolated: texel units when texCoordsPreScaled), per fragment of
    // bitmaps and pixel rectangles (normalised coordinates), per vertex.
    GlTexFragmentProc textureInterpolated, textureFragment;
    GlTexLodPolygonProc texLodPolygon;
    GlTexLodLineProc texLodLine;
    // A palette from glColorTableEXT (the shared palette target included).
    void (GLPROC* defineColorTable)(GlContext* gc, GLenum target, GLenum internalFormat, GLsizei width,
                                    GLenum format, GLenum type, const GLvoid* data, GLboolean packed);

    // ---- Pickers validation runs (stages not built yet install empty ones).
    GlContextProc pickArrayProcs, pickTextureProcs, pickDrawBuffer, pickFragmentStoreProc;
    GlContextProc pickTexGenProcs, pickBlendProcs, pickFogProcs, pickBitmapProc;
    GlContextProc repackStipple, pickSpanProcs, pickVertexArrayProcs;
    GLint (GLPROC* pickDepthTestProc)(GlContext* gc);  // returns the depth-test table index

    // ---- Depth test: the span member picked by pickDepthTestProc.
    GlDepthSpanProc depthTestSpan;

    // ---- Rasterization: triangle set-up, span and line stage runners.
    GlSetupTriangleProc setupTriangleWrapped;
    GlContextProc runSpanStages;
    GlContextProc runLineStages;
    // Wide-line pair and both-buffers pair (list A and list B runner of each).
    GlContextProc lineStagesAfter, lineStagesAfterMasked, lineRowAfter, lineRowAfterMasked;
    GlVertexProc lineStripVertex, lineStripSecondVertex;
    GlLineProc drawLineWrapped;
    GlVertexProc drawPointWrapped;
    GLboolean (GLPROC* lockDrawBuffers)(GlContext* gc);
    GLboolean (GLPROC* unlockDrawBuffers)(GlContext* gc);

    // ---- Single fragments: the tested store and the colour store alone.
    void (GLPROC* storeFragmentTested)(GlColorBuffer* cb, const GlFragment* f);
    void (GLPROC* storeFragment)(GlColorBuffer* cb, const GlFragment* f);

    // ---- Fog of fragments (factor of an eye z or fog value; colour blend).
    GLfloat (GLPROC* fogFactor)(GlContext* gc, GLfloat z);
    void (GLPROC* fogBlend)(GlContext* gc, GLfloat* out, const GLfloat* in, GLfloat f);

    // ---- Blending (colours in buffer units).
    void (GLPROC* blendSpan)(GlContext* gc, GlColorBuffer* cb, const GlFragment* f, GLfloat out[4]);
    void (GLPROC* blendFunc)(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out);
    void (GLPROC* blendSrc)(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out);
    void (GLPROC* blendDst)(GlContext* gc, const GLfloat* src, const GLfloat* dst, GLfloat* out);
    void (GLPROC* blendFinish)(GlContext* gc, const GLfloat* src, const GLfloat* term, GLfloat* out);

    // ---- Bitmaps.
    void (GLPROC* rasterizeBitmap)(GlContext* gc, GLsizei width, GLsizei height, GLfloat xorig, GLfloat yorig,
                                   GLfloat xmove, GLfloat ymove, const GLubyte* image);

    // ---- Pixel rectangles: the framebuffer transfer of a checked request.
    void (GLPROC* drawPixels)(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type,
                              const GLvoid* pixels, GLboolean packed);
    void (GLPROC* readPixels)(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                              GLenum type, GLvoid* pixels);
    void (GLPROC* copyPixels)(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format);

    // ---- Fast span chain slots, adjacent and in this order (the triangle
    // picker writes them): chain head, texture stage, successors by the kind
    // of the calling stage, stencil updates, after the stencil update, the
    // store behind the both-buffers stage.
    GlSpanProc fillTriangle;
    GlSpanProc spanTextured;
    GlSpanProc spanChain[GL_SPAN_CHAIN_SLOTS];
    GlSpanProc stencilOps[3];
    GlSpanProc afterStencilUpdate;
    GlSpanProc bufferStore;
    // The generated walker of the fast path (null: the C++ walk runs); the
    // texel fetch and the filters the textured stages call.
    GlSpanProc spanRoutine;
    GlTexelFetchProc texelFetch;
    GlSpanTexFilterProc texFilterMin, texFilterMag;
};

// Implementation limits and constants set by the constructors.
struct GlLimits {
    GLint maxLights;
    GLint maxClipPlanes;
    GLint textureTargets;
    GLint textureEnvironments;
    GLint maxViewportWidth, maxViewportHeight;
    GLint windowBiasX, windowBiasY;
    GLfloat windowBiasXf, windowBiasYf;
    GLint textureLevels;
    GLint subpixelBits;
    GLint maxListNesting;
    GLfloat pointSizeMin, pointSizeMax, pointSizeGranularity;
    GLfloat lineWidthMin, lineWidthMax, lineWidthGranularity;
    GLint maxEvalOrder;
    GLint maxPixelMapTable;
    GLint maxAttribStackDepth;
    GLint maxClientAttribStackDepth;
    GLint maxNameStackDepth;
    GLint maxModelviewStackDepth;
    GLint maxProjectionStackDepth;
    GLint maxTextureStackDepth;
    GLint fragmentFog;  // 1: GL_NICEST fogs each fragment; 0: vertices only (the board)
};

struct GlConstants {
    GLfloat one, half;
    // Maxima of unsigned byte, short and int components and their scales.
    GLfloat ubyteMax, ushortMax, uintMax;
    GLfloat ubyteScale, ushortScale, uintScale;
    const char* vendor;
    const char* renderer;
    const char* version;
    const char* extensions;
    GLint alphaTableSize;
    GLfloat alphaTableScale;
    GLfloat windowStep;  // smallest step that still changes the window bias
    GLfloat snapOffset;  // 0.5 - windowStep
    GLfloat previousColorMax[4];
    GLfloat invColorScale[4];
    GLfloat ubyteToFloat[256];
};

// The immediate-mode vertex cache: glBegin/glEnd vertices collect in the
// array vertex buffer and are drawn in batches through the array routines.
enum { GL_VCACHE_ENTRIES = 36 };
struct GlVertexCache {
    GlVertex* entries;   // the array vertex buffer
    GLint count;
    GLuint state;        // GL_VCACHE_LOOP_SPLIT, GL_VCACHE_POLYGON_SPLIT, GL_VCACHE_COMPLETED
    uint8_t enabled;
    uint8_t pad[3];
    GLenum mode;
    GLint completedCount;  // entries below were completed early
    GLuint sizesSeen;      // 0x1, 0x2, 0x4: two-, three-, four-component vertices
    GLint carried;         // leading entries an earlier flush of the primitive showed
    GLint position;        // the primitive's vertex number of entry `carried`
    GLuint gather;         // GL_GATHER_* bits of the current attributes an entry takes
    // The draw preparation of the primitive's last flush, for a vertex size
    // (0: none): the next flush takes it again unless a lighting change came.
    GLint preparedSize;
    GlArrayVertexProc preparedRoutine;
};
enum { GL_VCACHE_LOOP_SPLIT = 0x1, GL_VCACHE_POLYGON_SPLIT = 0x2, GL_VCACHE_COMPLETED = 0x8 };

// Feedback and selection buffers as glRenderMode sees them.
struct GlFeedbackState {
    GLfloat* start;
    GLfloat* position;
    GLfloat* end;
    GLint overflow;
};
struct GlSelectState {
    GLuint* start;
    GLuint* position;
    GLuint* end;
    GLint overflow;
    GLuint* nameStackPtr;
    GLuint* nameStackBase;
    GLint hitCount;
    GLint hitRecorded;
    GLuint pendingDepth;  // last field: pending minimum/maximum depth state
};

// Code-generator state hanging from the context.
enum { GL_OG_WORK_AREA_BYTES = 205200, GL_OG_GROW_CAPACITY = 1000 };
struct GlOgGrowArray {
    void* data;
    GLuint count;
    GLuint capacity;
};
struct GlOgState {
    GLuint cacheSizes[9];
    uint8_t* workArea;  // points at workAreaStorage
    GlOgGrowArray words;    // 4-byte entries
    GlOgGrowArray doubles;  // 8-byte entries
    GL_ALIGN8 uint8_t workAreaStorage[GL_OG_WORK_AREA_BYTES];
    GlOgGen gen;  // nodes, caches, layouts and scheduling queue (codegen/ogstate.h)
};

// Dirty words.
enum { GL_DIRTY_ALL_PICKERS = 0x3FF, GL_DIRTY_ALL_TABLES = 0xFFFFFFFFu, GL_DIRTY_GENERIC = 0x1 };

// rasterFlags: the state that selects rasterization procedures.
enum {
    GL_RF_RGBA = 0x1,
    GL_RF_SMOOTH_COLOR = 0x2,       // smooth shading or per-vertex fog
    GL_RF_DEPTH = 0x4,
    GL_RF_TEXTURE = 0x8,
    GL_RF_POLYGON_STIPPLE = 0x10,
    GL_RF_STENCIL = 0x20,
    GL_RF_DITHER = 0x40,            // only on 1- and 2-byte colour buffers
    GL_RF_LOGIC_OP = 0x80,
    GL_RF_BLEND = 0x100,
    GL_RF_ALPHA_TEST = 0x200,
    GL_RF_TWO_SIDED = 0x400,
    GL_RF_WRITE_MASK = 0x800,
    GL_RF_FOG_FRAGMENT = 0x1000,
    GL_RF_FOG_VERTEX = 0x2000,
    GL_RF_DEPTH_TEST = 0x4000,
    GL_RF_LINE_STIPPLE = 0x8000,
    GL_RF_CULL = 0x10000,
    GL_RF_SMOOTH = 0x20000,
    GL_RF_POLYGON_OFFSET = 0x100000,
    GL_RF_INDEX_TEST = 0x200000,
    GL_RF_CLIP_LIST = 0x400000,
    GL_RF_TEX_NO_MIPMAP = 0x800000,
    GL_RF_TEX_PERSPECTIVE = 0x1000000,
};

// Context flags.
enum {
    GL_CONTEXT_VALIDATED = 0x1,
    GL_CONTEXT_INSTALLED = 0x2,
    GL_CONTEXT_FRESH_CURRENT = 0x4,
};

struct GlContext {
    GlCoreImports imports;
    GlContextProcs procs;
    GLuint contextFlags;

    // GL state.
    GLenum renderMode;
    GLint savedBeginState;
    GLenum errorCode;
    GlFeedbackState feedback;
    GlSelectState select;
    GLenum feedbackType;
    GlCurrentState current;
    GlColorBufferState colorBuffer;
    GlDepthState depth;
    GlAccumState accum;
    GlStencilState stencil;
    GlFogState fog;
    GlHintState hints;
    GlLightingState lighting;
    GlLightDerived lightDerived;
    GlLineState line;
    GlPointState point;
    GlPolygonState polygon;
    GlPolygonStippleState stipple;
    GlCullVertexState cullVertex;
    GlEnableState enables;
    GlTransformState transform;
    GlMatrixState matrices;
    GlViewportState viewport;
    GlScissorState scissor;
    GlEvalGridState evalGrid;
    GlEvalState eval;
    GlPixelState pixel;
    GlTextureState texture;
    GlTextureObjects textureObjects;
    GlVertexArrayState arrays;
    GlVertexCache vcache;
    GlListQueryState lists;
    GLuint attribDepth;        // occupied levels of attribStack
    GLuint clientAttribDepth;  // occupied levels of clientAttribStack

    // ---- Geometry: viewport transform, vertex buffer, assembly and render-mode state.
    struct {
        GLfloat xScale, xCentre, yScale, yCentre, zScale, zCentre;
        GLint box[4];        // x0, y0, x1, y1 in biased window coordinates
        GLfloat boxf[4];     // the same plus 0.5
    } viewportXform;
    GLfloat cullVertexEye[4];
    GLuint yInverted;        // the drawable's rows run top-down; set by make-current
    GLint yDirection;        // -1 when yInverted, else 1
    GLint drawableWidth, drawableHeight;
    GLuint depthFullScale;   // the depth buffer's integer value of window z = 1.0
    GLuint clipPlaneMask;    // enabled user planes, bit i = plane i
    // Done bits the primitives ask for, derived from the vertex work masks.
    GLuint frontNeeds;
    GLuint triangleNeeds, faceNeeds[2], pendingNeeds;
    uint8_t ccwFront, cwFront, polygonModeFront, polygonModeBack;
    uint8_t cullFaceCode, lineResetPending, smoothShading, twoSided;
    GlVertex* vertexPointer;
    GlVertex* savedVertex0;
    GlVertex* savedVertex1;
    GlVertex* savedVertex2;
    GlVertex* provokingVertex;
    GlVertex* clipVertexNext;
    GLuint* selectOpenRecord;   // minimum-depth word of the open hit record
    GlMatrixEntry* matrixStorage;  // the three stacks in one block
    GlVertex vertexBuffer[GL_VERTEX_BUFFER_SIZE];
    GlVertex clipVertexPool[GL_CLIP_POOL_SIZE];
    GlVertex rasterVertex;      // scratch vertex of glRasterPos

    GlPixelFormatInfo pixelFormat;
    GlLimits limits;
    GlConstants constants;

    GLuint dirtyPickers;
    GLuint dirtyTables;

    // Validated state: raster flags and the vertex work masks (GL_VX_* done bits).
    GLuint rasterFlags;
    GLuint vertexNeedsBase, vertexNeedsFront, vertexNeedsBack, vertexNeedsFlat;
    void* currentTexture;     // the current texture object; null until textures exist
    GLint vertexArrayHint;    // private hint 0x6403
    uint8_t texturingActive;  // currentTexture set, recomputed at validation
    uint8_t litAllVertices;   // private hint 0x81AD
    uint8_t texCoordsPreScaled;  // vertices carry s and t in level-0 texels (minification not mipmapped)
    uint8_t validatePad[1];

    // Dispatch copies.
    GlDispatchTable immediateDispatch;
    GlDispatchTable compileDispatch;
    GlDispatchTable savedDispatch;
    GlDispatchTable* liveDispatch;
    GLuint listCompiling;  // non-zero while glNewList .. glEndList

    // Heap arrays.
    void** attribStack;        // maxAttribStackDepth pointers
    void** clientAttribStack;  // maxClientAttribStackDepth pointers
    GLuint* nameStack;         // maxNameStackDepth words
    uint8_t* spanWork[2];      // 2048 entries of 16 bytes each
    GLuint* coverageWords;     // 64 words

    // Framebuffer: the bound drawable and the buffer records.
    GlFramebuffer fb;

    // ---- Rasterization: walk state, the span and line stage lists, the draw
    // and read buffers.
    GlSpanState span;
    GlSpanStageProc spanStagesA[GL_MAX_SPAN_STAGES], spanStagesB[GL_MAX_SPAN_STAGES];
    GLint spanStageCount, spanSplitIndex;
    GlSpanStageProc lineStagesA[GL_MAX_LINE_STAGES], lineStagesB[GL_MAX_LINE_STAGES];
    GLint lineClipIndex, lineSplitIndex, lineStageCount;
    GlColorBuffer* drawBuffer;
    GlColorBuffer* readBuffer;
    uint8_t bothBuffers;
    uint8_t rasterPad[3];
    uint8_t* alphaTable;  // constants.alphaTableSize entries, 1 = pass
    GLuint polygonStipple[32];  // repacked stipple: row 0 first, column 0 in bit 31

    // ---- Index test: 1 = pass for indexes 0 .. indexTestEntries - 1 (built at validation).
    uint8_t* indexTestTable;
    GLuint indexTestEntries;

    GlHistogram* histogram;
    GlOgState og;
    GlVertexProgramCache vertexPrograms;

    // ---- Lighting: derived light list, face values, power-table cache.
    GlLightingDerived lightingDerived;

    // ---- Fast span chain: the GL_BLEND environment colour as bytes R, G, B, A;
    // the picker's decisions for the chain the set-up feeds.
    uint8_t texEnvColorBytes[4];
    GlChainPick chain;
};

// Size of a span work array.
enum { GL_SPAN_WORK_ENTRIES = 2048, GL_SPAN_WORK_ENTRY_BYTES = 16, GL_COVERAGE_WORDS = 64 };

// Context life cycle.
extern "C" {
GlContext* GLPROC __glCreateContext(const GlCoreImports* imports, const GlPixelFormatInfo* format);
// The limits of a software context (other kinds start from them).
void GLPROC __glSetSoftwareLimits(GlLimits* l);
// A context record of `size` bytes (a larger kind extends GlContext) with its
// imports, format, limits and make/lose-current procedures, initialised; null
// when any allocation fails. installHooks (may be null) fills the kind's hooks
// before the state is created, so the software defaults go only to empty ones.
GlContext* GLPROC __glNewContext(const GlCoreImports* imports, const GlPixelFormatInfo* format, size_t size,
                                 void (GLPROC* setLimits)(GlLimits* l), GLboolean (GLPROC* makeCurrent)(GlContext* gc),
                                 GLboolean (GLPROC* loseCurrent)(GlContext* gc),
                                 void (GLPROC* installHooks)(GlContext* gc));
GLboolean GLPROC __glInitContextCommon(GlContext* gc);
void GLPROC __glSetStateDefaults(GlContext* gc);
void GLPROC __glRescaleColors(GlContext* gc);
GLboolean GLPROC __glDestroyContext(GlContext* gc);
GlDispatchTable* GLPROC __glDispatchAddress(GlContext* gc);
GLuint GLPROC __glSaveDispatch(GlContext* gc);
GlDispatchTable* GLPROC __glSavedDispatch(GlContext* gc);
GLboolean GLPROC __glMakeCurrent(GlContext* gc);
// The end of make-current shared by software and hardware contexts (flags:
// the context flags at entry).
GLboolean GLPROC __glFinishMakeCurrent(GlContext* gc, GlThreadState* ts, GLuint flags,
                                       void (GLPROC* viewportTransform)(GlContext* gc));
GLboolean GLPROC __glLoseCurrent(GlContext* gc);
void GLPROC __glGenericValidate(GlContext* gc);
void GLPROC __glCallValidate(GlContext* gc);
GLboolean GLPROC __glPrivateHint(GlContext* gc, GLenum pname, const GLfloat* params);

void GLPROC __glSetError(GLenum code);
}

// The GL strings.
extern const char __glVendorString[];
extern const char __glRendererString[];
extern const char __glVersionString[];
extern const char __glExtensionsString[];

// The window-system layer's static null context, current in every thread that
// has no context of its own (set at load).
extern "C" GlContext* __wglNullContext;
