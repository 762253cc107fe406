// The GL 1.1 state records held in GlContext, grouped as the attribute stacks
// save them. Enumerants are 32-bit unsigned, flags are bytes.
#pragma once

#include "glcore.h"
#include "dlist_state.h"

enum {
    GL_STATE_MAX_LIGHTS = 8,
    GL_STATE_MAX_CLIP_PLANES = 6,
    GL_STATE_TEX_TARGETS = 2,  // GL_TEXTURE_1D, GL_TEXTURE_2D
    GL_STATE_EVAL_MAPS = 9,
    GL_STATE_PIXEL_MAPS = 10,
};

// Current attributes and the raster position (GL_CURRENT_BIT).
struct GlRasterPos {
    GLfloat window[4];  // biased window x, y; depth in [0, 1]; clip w
    GLfloat color[4];   // scaled by the colour maxima
    GLfloat index;
    GLfloat texCoord[4];
    GLfloat distance;
    GLuint valid;
};
struct GlCurrentState {
    GLfloat color[4];        // as converted, unclamped
    GLfloat index;
    GLfloat scaledColor[4];  // clamped and scaled by the colour maxima
    GLfloat normal[3];
    GLfloat texCoord[4];
    GLuint edgeFlag;
    GlRasterPos raster;
};

// GL_COLOR_BUFFER_BIT.
struct GlColorBufferState {
    GLenum alphaFunc;
    GLfloat alphaRef;
    GLenum blendSrc, blendDst;
    GLenum indexTestFunc;
    GLfloat indexTestRef;
    GLenum logicOp;
    GLfloat clearColor[4];
    GLfloat clearIndex;
    GLuint indexWriteMask;
    uint8_t colorWriteMask[4];
    GLenum drawBuffer, drawBufferRequested;
};

// GL_DEPTH_BUFFER_BIT.
struct GlDepthState {
    GLenum func;
    uint8_t writeMask, pad[3];
    GL_ALIGN8 GLdouble clearValue;
};

// GL_ACCUM_BUFFER_BIT.
struct GlAccumState {
    GLfloat clearColor[4];
};

// GL_STENCIL_BUFFER_BIT.
struct GlStencilState {
    GLenum func, failOp, depthFailOp, depthPassOp;
    uint16_t clearValue, ref, valueMask, writeMask;
};

// GL_FOG_BIT.
struct GlFogState {
    GLenum mode;
    GLfloat color[4];  // scaled by the colour maxima
    GLfloat density, start, end;
    GLfloat linearScale;
    GLfloat index;
    uint8_t indexByte;
    uint8_t colorBytes[3];
};

// GL_HINT_BIT.
struct GlHintState {
    GLenum perspectiveCorrection, pointSmooth, lineSmooth, polygonSmooth, fog;
};

// GL_LIGHTING_BIT.
struct GlLight {
    GLfloat ambient[4], diffuse[4], specular[4];  // scaled by the colour maxima
    GLfloat position[4];                          // eye space
    GLfloat spotDirection[4];                     // eye space, w = 1
    GLfloat spotExponent, spotCutoff;
    GLfloat constantAttenuation, linearAttenuation, quadraticAttenuation;
};
struct GlMaterial {
    GLfloat ambient[4], diffuse[4], specular[4];  // as given
    GLfloat emission[4];                          // scaled by the colour maxima
    GLfloat shininess;
    GLfloat ambientIndex, diffuseIndex, specularIndex;
    GLfloat indexShift, indexOffset;
};
struct GlLightModel {
    GLfloat ambient[4];  // scaled by the colour maxima
    uint8_t localViewer, twoSide, pad[2];
};
struct GlLightingState {
    GLenum colorMaterialFace, colorMaterialMode;
    GLenum indexMaterialFace, indexMaterialMode;
    GLenum shadeModel;
    GlLightModel model;
    GlMaterial front, back;
    GlLight light[GL_STATE_MAX_LIGHTS];
};
// Derived per-light values written by glLight and by a lighting pop.
struct GlLightDerived {
    GLfloat unitSpotDirection[GL_STATE_MAX_LIGHTS][3];
};

// GL_LINE_BIT.
struct GlLineState {
    GLfloat width, widthQuantized;
    GLint widthInteger;
    uint16_t stipplePattern;
    int16_t stippleRepeat;
};

// GL_POINT_BIT.
struct GlPointState {
    GLfloat size, sizeQuantized;
    GLint sizeInteger;
};

// GL_POLYGON_BIT.
struct GlPolygonState {
    GLenum frontMode, backMode, cullFace, frontFace;
    GLfloat offsetFactor, offsetUnits;
};

// GL_POLYGON_STIPPLE_BIT: 32 rows of 4 bytes, first row at the bottom.
struct GlPolygonStippleState {
    uint8_t rows[32][4];
};

// Cull-vertex extension parameters (not in an attribute group).
struct GlCullVertexState {
    GLfloat eyeVector[4];
    GLfloat objectVector[4];
    uint8_t objectGiven, pad[3];
};

// The enable words (GL_ENABLE_BIT and every push), contiguous in this order.
struct GlEnableState {
    GLuint general;
    GLuint texture;
    GLuint lights;
    GLuint clipPlanes;
    uint16_t map1, map2;
};
enum {
    GL_EN_ALPHA_TEST = 0x1,
    GL_EN_BLEND = 0x2,
    GL_EN_INDEX_LOGIC_OP = 0x4,
    GL_EN_DITHER = 0x8,
    GL_EN_DEPTH_TEST = 0x10,
    GL_EN_FOG = 0x20,
    GL_EN_LIGHTING = 0x40,
    GL_EN_COLOR_MATERIAL = 0x80,
    GL_EN_LINE_STIPPLE = 0x100,
    GL_EN_LINE_SMOOTH = 0x200,
    GL_EN_POINT_SMOOTH = 0x400,
    GL_EN_POLYGON_SMOOTH = 0x800,
    GL_EN_CULL_FACE = 0x1000,
    GL_EN_POLYGON_STIPPLE = 0x2000,
    GL_EN_SCISSOR_TEST = 0x4000,
    GL_EN_STENCIL_TEST = 0x8000,
    GL_EN_NORMALIZE = 0x10000,
    GL_EN_AUTO_NORMAL = 0x20000,
    GL_EN_POLYGON_OFFSET_POINT = 0x40000,
    GL_EN_POLYGON_OFFSET_LINE = 0x80000,
    GL_EN_POLYGON_OFFSET_FILL = 0x100000,
    GL_EN_COLOR_LOGIC_OP = 0x200000,
    GL_EN_INDEX_MATERIAL = 0x400000,
    GL_EN_INDEX_TEST = 0x800000,
    GL_EN_CULL_VERTEX = 0x1000000,
    GL_EN_SHARED_PALETTE = 0x2000000,
};

// GL_TRANSFORM_BIT.
struct GlTransformState {
    GLenum matrixMode;
    GLfloat eyeClipPlanes[GL_STATE_MAX_CLIP_PLANES][4];
};
// One matrix: 16 floats in the GL array order (row vectors on the left), its
// class and the transform procedures the class selects.
struct GlMatrixRecord;
typedef void(GLPROC* GlXformProc)(GLfloat out[4], const GLfloat* in, const GlMatrixRecord* m);
struct GlMatrixRecord {
    GLfloat m[16];
    GLint type;
    int16_t orthoWidth, orthoHeight;
    GlXformProc xform2, xform3, xform4;
};
// One entry of a matrix stack; projection and texture entries use only
// matrix (and projectionSerial).
struct GlMatrixEntry {
    GlMatrixRecord matrix;
    GlMatrixRecord inverseTransposed;
    GlMatrixRecord composite;  // matrix x projection: object to clip
    GlMatrixRecord inverse;
    GlMatrixRecord transposed;
    GLint projectionSerial;
    uint8_t inverseStale, pad[3];
};
// The three matrix stacks (not an attribute group: push/pop attrib keep them).
struct GlMatrixState {
    GlMatrixEntry* modelView;
    GlMatrixEntry* modelViewTop;
    GlMatrixEntry* projection;
    GlMatrixEntry* projectionTop;
    GlMatrixEntry* texture;
    GlMatrixEntry* textureTop;
    GLint projectionSerialCounter;
    GLfloat windowMatrix[16];  // composite with the viewport folded in
    GLint windowMatrixType;
};

// GL_VIEWPORT_BIT.
struct GlViewportState {
    GLint x, y, width, height;
    GL_ALIGN8 GLdouble nearVal, farVal;
};

// GL_SCISSOR_BIT.
struct GlScissorState {
    GLint x, y, width, height;
};

// GL_EVAL_BIT: grids; the maps themselves are not pushed.
struct GlEvalGridState {
    GLfloat u1, u2;
    GLint n;
    GLfloat u21, u22, v21, v22;  // 2-D grid domain
    GLint nu, nv;
};
struct GlEvalMap1 {
    GLint k, order;
    GLfloat u1, u2;
};
struct GlEvalMap2 {
    GLint k, uorder, vorder;
    GLfloat u1, u2, v1, v2;
};
struct GlEvalState {
    GlEvalMap1 map1[GL_STATE_EVAL_MAPS];
    GlEvalMap2 map2[GL_STATE_EVAL_MAPS];
    GLfloat* points1[GL_STATE_EVAL_MAPS];  // null: the default control point
    GLfloat* points2[GL_STATE_EVAL_MAPS];
    // Mesh cache (GL_EVAL_CACHE_SIZE results), allocated by the first mesh.
    void* meshCache;
};

// Pixel store, transfer and maps.
struct GlPixelStoreModes {
    uint8_t swapBytes, lsbFirst, pad[2];
    GLint rowLength, skipRows, skipPixels, alignment;
};
struct GlPixelMap {
    GLint size;
    void* values;  // size 32-bit entries; size 0 (no values) only after a failed allocation
};
// GL_PIXEL_MODE_BIT saves transfer and readBuffer/readBufferRequested.
struct GlPixelTransferState {
    GLfloat redScale, greenScale, blueScale, alphaScale, depthScale;
    GLfloat redBias, greenBias, blueBias, alphaBias, depthBias;
    GLfloat zoomX, zoomY;
    GLint indexShift, indexOffset;
    uint8_t mapColor, mapStencil, pad[2];
};
// The 256-entry float tables of the unsigned-byte pixel paths and the flags
// that say which transfers apply (set at validation).
struct GlPixelTransferTables {
    uint8_t colorTransfer, indexTransfer, depthTransfer, stencilTransfer, validated;
    uint8_t genericOnly;  // "__GL_DISABLE_FASTPATH" at the first validation: no table paths
    GLfloat defaultColor[4];
    GLfloat* scale[4];  // red, green, blue, alpha: i x maximum / 255
    GLfloat* index;     // i AND the index mask
    GLfloat* currentIndex;
    GLfloat* currentColor[4];
    uint8_t colorMapsBuilt;
    GLfloat* colorMapped[4];
    uint8_t indexMapBuilt;
    GLfloat* mappedIndex;
    uint8_t indexToRGBABuilt;
    GLfloat* indexToRGBA[4];
    // Packed-pixel tables of the fast draw and read paths, built on first use.
    void* fastDraw;
    void* fastRead;
    // The last fast bitmap's packed values, [y & 3][(x & 3) + k] for k < 12 (three
    // dither periods), and what they depend on.
    GLuint bitmapPattern[4][12];
    GLfloat bitmapColor[4];
    const void* bitmapBuffer;
    GLuint bitmapKey[4];  // red, green, blue masks and the buffer's store flags
};
struct GlPixelState {
    GlPixelTransferState transfer;
    GlPixelMap maps[GL_STATE_PIXEL_MAPS];
    GlPixelStoreModes pack, unpack;
    GLenum readBuffer, readBufferRequested;
    GlPixelTransferTables tables;
};

// GL_TEXTURE_BIT.
struct GlTexGenState {
    GLenum mode;
    GLfloat eyePlane[4];
    GLfloat objectPlane[4];
};
// The parameters of a target's bound texture, in the order of the object's
// parameter block.
struct GlTexTargetState {
    GLenum wrapS, wrapT, minFilter, magFilter;
    GLfloat borderColor[4];  // clamped to [0, 1]
    GLuint name;             // of the bound object
    GLfloat priority;        // the object receives it when unbound
};
struct GlTexEnvState {
    GLenum mode;
    GLfloat color[4];  // scaled by the colour maxima
};
struct GlTextureState {
    GlTexGenState gen[4];  // S, T, R, Q
    GlTexTargetState target[GL_STATE_TEX_TARGETS];
    GlTexEnvState env;
};

// The context's texture objects (not an attribute group): the table is shared
// by list sharing; bound and defaults are indexed by target (1D, 2D, proxy 1D,
// proxy 2D). A hardware context installs its hooks before they are created.
struct GlTextureObject;
struct GlTextureParams;
struct GlNameTable;
struct GlTextureObjects {
    GlNameTable* names;
    GlTextureObject* bound[4];
    GlTextureObject* defaults;  // four objects of name 0
    void (GLPROC* initObject)(GlContext* gc, GlTextureObject* object, GLuint name, GLint target);
    uint8_t* (GLPROC* allocLevel)(GlContext* gc, GlTextureParams* params, GLint level, GLint internalFormat,
                                  GLint width, GLint height, GLint depth, GLint border, GLint dimensions);
    uint8_t* (GLPROC* allocProxyLevel)(GlContext* gc, GlTextureParams* params, GLint level, GLint internalFormat,
                                       GLint width, GLint height, GLint depth, GLint border, GLint dimensions);
};

// Vertex arrays (client state).
struct GlVertex;
typedef void(GLPROC* GlArrayFetchProc)(GlContext* gc, const void* element, GlVertex* v);
struct GlVertexArray {
    const GLvoid* pointer;
    GLint size;
    GLenum type;
    GLint stride;       // effective
    GLint givenStride;  // as passed
    GLint count;
    void (GLIMM* elementProc)(const void*);
    GlArrayFetchProc fetchProc;
};

// Array vertex routine: fills slots slot .. slot + count - 1 of the array
// vertex buffer from elements element .. element + count - 1, or from the
// elements indices[element ..] of a 32-bit index list.
typedef void(GLPROC* GlArrayVertexProc)(GlContext* gc, GLint slot, GLint element, GLint count, const GLuint* indices);
// Draw routine of a mode: count elements from first, or listed by indices.
typedef void(GLPROC* GlArrayDrawProc)(GlContext* gc, GLint first, GLint count, const GLuint* indices);

struct GlVertexArrayState {
    GlVertexArray vertex, normal, color, index, texCoord, edgeFlag;
    GLuint typeKey;
    GLuint enabledFields;
    GLuint enabledArrays;
    const GLvoid* interleavedPointer;
    GLenum interleavedFormat;
    GLuint flags;  // 0x4: locked; GL_ARRAY_FLAG_* private switches
    GLint lockFirst, lockCount;

    // ---- Draw side: what the draws of the current state use (the client
    // attribute stack restores only the fields above arrays.flags).
    // Array vertex buffer; bufferBase is slot 0: the memory, or while locked
    // vertices are kept the memory less lockFirst records.
    GlVertex* bufferMemory;
    GLuint bufferBytes;
    GLuint allocGranule;
    GLint bufferSlots;  // whole records in the memory
    GlVertex* bufferBase;
    // Batches.
    GLint batchSize;
    GLint batchMode, batchFirst, batchStart;
    const GLuint* batchIndices;
    GlArrayDrawProc drawProcs[10];
    const void* loopTable;  // GlDrawArraysLoopTable
    // Vertex routines and the per-draw transform.
    GlArrayVertexProc fetchTransform;  // the routine draws use: generated, or the C++ one
    GlArrayVertexProc fallback;        // the C++ routine the state selects
    GlArrayVertexProc gather;
    void (GLPROC* fetchFull)(GlContext* gc, GLint slot, GLint element, GLint count);
    void (GLPROC* refetch)(GlContext* gc, GlVertex* v, GLint element);
    void (GLPROC* transform)(GLfloat out[4], const GLfloat* in, const GlMatrixRecord* m);
    GLuint (GLPROC* clipTest)(GlContext* gc, GlVertex* v);
    GLuint (GLPROC* complete)(GlContext* gc, GlVertex* v, GLuint mask);
    GLuint sizeBits;
    const GlMatrixRecord* composite;
    // Needed attributes besides the vertex: 0x1 normal, 0x2 colour or index,
    // 0x4 texture coordinates, -1 everything; the same as enabledFields.
    GLint needBits;
    GLuint needFields;
    GLuint cullMaskFacing, cullMaskAway;
    GLuint pickedFill;  // the polygon modes the needs were picked for were both GL_FILL
    GLuint cellMask;     // per draw: __glTriangleCellMask, for the triangle steps
    // Per draw: the triangle procedure of the steps that tested rows and
    // columns (__glOgSetupTestedEntry), else procs.renderTriangle.
    void(GLPROC* testedTriangle)(GlContext* gc, GlVertex* a, GlVertex* b, GlVertex* c);
    GlArrayFetchProc fetchVertex, fetchNormal, fetchEdgeFlag, fetchTexCoord, fetchIndex, fetchColor;
    // The state the locked vertices were fetched under; a draw under other
    // state fetches them again.
    struct {
        const void* modelView;
        GLfloat composite[17];
        GLfloat current[13];  // normal, scaled colour, index, texture coordinates, edge flag
        GlMaterial material[2];
    } prefetchStamp;
    // Indexed triangles in batches that hold each element once: the
    // batch's elements by slot, the vertex of each listed index, and the
    // slots of recent elements by a hash of the element (an entry counts
    // only when its slot is in the batch and holds that element).
    struct {
        GLuint elements[36];
        GlVertex* vertices[192];
        GLuint slotOf[128];
    } shared;
};
// Private switches of arrays.flags, named by the private hint that sets them
// (their meaning is the readers'); 0x6402's makes points, lines and triangles
// draw nothing.
enum {
    GL_ARRAY_HINT_6401 = 0x80,
    GL_ARRAY_HINT_6402 = 0x100,
    GL_ARRAY_HINT_6404 = 0x2000,
    GL_ARRAY_HINT_81AE = 0x4000,
    GL_ARRAY_HINT_81AF = 0x8000,
};
enum {
    GL_ARRAY_FIELD_VERTEX = 0xFF,
    GL_ARRAY_FIELD_NORMAL = 0xF00,
    GL_ARRAY_FIELD_COLOR = 0xFF000,
    GL_ARRAY_FIELD_TEXCOORD = 0x7F00000,
    GL_ARRAY_FIELD_EDGEFLAG = 0x8000000,
    GL_ARRAY_FIELD_INDEX = 0xF0000000u,
};

// Display-list state the queries and GL_LIST_BIT read.
struct GlListQueryState {
    GLuint base;   // GL_LIST_BIT
    GLuint index;  // list being compiled, 0 when none
    GLenum mode;   // its mode, 0 when none

    // Display-list machinery: namespace, table, compile build and playback.
    GlListNamespace* nameSpace;  // shared, reference-counted
    GlNameTable* table;          // shared list names
    GlListProcs procs;
    const GlListPlayProc* playbackTable;  // opcodes 0..209
    const GlListPlayProc* extendedTable;  // opcodes 1000..1016
    const GlListPlayProc* highTable;      // opcodes from 10000: none
    GLint nesting;                        // glCallList depth
    GlListBuild build;
    GlArena* arena;  // null until the first glNewList
    void* (GLPROC* allocProc)(GlContext* gc, size_t bytes);
    void* (GLPROC* reallocProc)(GlContext* gc, void* block, size_t bytes);
    void (GLPROC* freeProc)(GlContext* gc, void* block);
};

// Dirty bits of dirtyPickers the state entries mark.
enum {
    GL_DIRTY_LINE = 0x2,
    GL_DIRTY_POLYGON = 0x4,
    GL_DIRTY_POINT = 0x8,
    GL_DIRTY_PIXEL = 0x10,
    GL_DIRTY_LIGHTING = 0x20,
    GL_DIRTY_STIPPLE = 0x40,
    GL_DIRTY_DEPTH = 0x80,
    GL_DIRTY_SCISSOR = 0x100,
    GL_DIRTY_ARRAYS = 0x200,
};
// Dirty bits of dirtyTables.
enum {
    GL_DIRTY_ALPHA_TABLE = 0x1,
    GL_DIRTY_STENCIL_REF = 0x2,
    GL_DIRTY_STENCIL_OPS = 0x4,
    GL_DIRTY_INDEX_TABLE = 0x8,
};
