// Pixel store, transfer and map state; the image layout of memory images and
// the record of one pixel rectangle operation; the span converters.
#pragma once

#include "core/glcontext.h"

// Internal format and type codes of texture-owned images (never from a caller).
enum {
    GL_IMAGE_FORMAT_LUMINANCE_ALPHA8 = 1,  // two components: red (or luminance), alpha
    GL_IMAGE_TYPE_ARGB1555 = 1,            // 16-bit texel: alpha bit 15, red 10..14, green 5..9, blue 0..4
    GL_IMAGE_TYPE_RGB565 = 2,              // 16-bit texel: red 11..15, green 5..10, blue 0..4
};

// One memory image as a pixel operation reads or writes it.
struct GlImageLayout {
    GLenum format, type;
    const GLvoid* data;
    const uint8_t* firstPixel;
    GLint rowStride, groupSize, components, elementSize;
    uint8_t swapBytes, lsbFirst, pad0[2];
    GLint skipPixels, skipRows, rowLength, alignment;
    uint8_t aligned, pad1[3];
    GLint bitOffset;
};

struct GlPixelOpRecord;
typedef void (GLPROC* GlPixelReader)(GlContext* gc, GlPixelOpRecord* op, GLvoid* out);
typedef void (GLPROC* GlPixelModifier)(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in, GLvoid* out);
typedef void (GLPROC* GlPixelWriter)(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in);

enum { GL_PIXEL_MODIFIER_SLOTS = 13, GL_PIXEL_SPAN_PIXELS = 2048 };
// Pixels a span step handles at once: the span buffers' and zoom tables' size.
enum { GL_PIXEL_CHUNK = 256 };

// The fragment template of a drawn rectangle: raster depth and colour.
struct GlPixelTarget {
    GLint kind;  // kind of the spans written
    GlFragment base;
    GLboolean texFog;  // colours go through __glPixelFragmentTexFog
};

// The stack record of one pixel rectangle operation.
struct GlPixelOpRecord {
    GlImageLayout source, destination;
    GLfloat zoomX, zoomY;
    GLint width, height, depth;
    GLfloat readX, readY;
    // Draws and copies: the raster position's window x and y, from which the
    // zoomed source pixels' cells are measured.
    GLfloat startX, startY;
    GLint firstX, firstY, endX, columns, rowsLeft;
    uint8_t overlap, pad0[3];
    GLint forwardRows, backwardRows;
    GLint stepY, stepX;
    GLint fragmentZ;
    GLfloat forwardStartY, backwardStartY;
    GLint forwardDelay, backwardDelay, forwardSourceRow, backwardSourceRow;
    // |zoomX| > 1: the destination columns of each source column of the band;
    // |zoomX| < 1: the source columns from each destination column's source
    // pixel to the next one's (the last entry 1); none at zoom +-1.
    int16_t* zoomTable;
    GLint passCount;
    GlPixelReader reader;
    GlPixelModifier modifiers[GL_PIXEL_MODIFIER_SLOTS];
    GlPixelWriter writer;
    uint8_t zeroMissingAlpha, clampSource, scaleToColorMaxima, rawIntegers;
    // The clipped rectangle of draws and copies, set by their clips: the clip
    // box (columns x0, x1 and upward rows y0, y1, right and top exclusive),
    // the source columns [nextColumn, endColumn) that the next bands take and
    // the cells of nextColumn that earlier bands took, the band's first
    // source column, the source rows [rowFirst, rowEnd), the source column
    // and row that the source layout's first pixel holds, and a copy's
    // framebuffer column and upward row of source pixel (0, 0).
    GLint clip[4];
    GLint nextColumn, endColumn, columnCells, bandColumn;
    GLint rowFirst, rowEnd, sourceColumn0, sourceRow0;
    int64_t readColumn0, readRow0;
    GlPixelTarget target;  // the writers' fragments
};

extern "C" {
// ---- State (pixelstate.cpp).
void GLPROC __glInitPixelState(GlContext* gc);
void GLPROC __glFreePixelState(GlContext* gc);
void GLPROC __glBuildPixelTransferTables(GlContext* gc);
void GLPROC __glPixelMapFor(GlContext* gc, GLenum map);
GLboolean GLPROC __glCheckDrawPixelsArgs(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type);
GLboolean GLPROC __glCheckReadPixelsArgs(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type);
// Transfer flags and the default colour from the transfer state (validation).
void GLPROC __glPickPixelTransferFlags(GlContext* gc);
// The current raster position as a pipeline vertex (feedback tokens).
void GLPROC __glRasterPosVertex(GlContext* gc, GlVertex* v);

// ---- Layout (pixelimage.cpp).
GLint GLPROC __glFormatComponents(GLenum format, GLenum type);
GLint GLPROC __glTypeSize(GLenum type);
// The source or destination descriptor from the given store modes (row
// length 0 = width).
void GLPROC __glSetImageModes(GlImageLayout* l, GLenum format, GLenum type, const GLvoid* data, GLsizei width,
                              const GlPixelStoreModes* modes);
// Completes a descriptor for an image of width x height pixels; false when
// its extent does not fit the address space (nothing may be read or written).
GLboolean GLPROC __glLayoutImage(GlImageLayout* l, GLsizei width, GLsizei height);
// Completes the record's source descriptor and resets its options.
GLboolean GLPROC __glSetupImageLayout(GlContext* gc, GlPixelOpRecord* op);
// Bytes an image of width x height pixels occupies when packed (rows of
// whole bytes, no padding); 0 for an empty image.
uint64_t GLPROC __glPackedImageSize(GLsizei width, GLsizei height, GLenum format, GLenum type);

// ---- Converters: (context, record, input span, output span).
#define GL_PIXEL_CONVERTERS(X)                                                                      \
    X(__glUnpackBitmap) X(__glUnpackBitmapSkip)                                                     \
    X(__glSkipBytes1) X(__glSkipBytes3) X(__glSkipBytes4) X(__glSkipBytes)                          \
    X(__glSkipShorts) X(__glSkipShortsUnaligned) X(__glSkipInts) X(__glSkipIntsUnaligned)           \
    X(__glSkipSwapShorts) X(__glSkipSwapInts)                                                       \
    X(__glSwapShorts) X(__glSwapShortsDest) X(__glSwapInts) X(__glSwapIntsDest)                     \
    X(__glAlignShorts) X(__glAlignShortsDest) X(__glAlignInts) X(__glAlignIntsDest)                 \
    X(__glUnsignedByteToFloat) X(__glByteToFloat) X(__glUnsignedShortToFloat) X(__glShortToFloat)   \
    X(__glUnsignedIntToFloat) X(__glIntToFloat)                                                     \
    X(__glUnpack332) X(__glUnpack4444) X(__glUnpack5551) X(__glUnpack8888) X(__glUnpack1010102)     \
    X(__glUnpack1555) X(__glUnpack565)                                                              \
    X(__glUnsignedByteToIndex) X(__glByteToIndex) X(__glUnsignedShortToIndex) X(__glShortToIndex)   \
    X(__glUnsignedIntToIndex) X(__glIntToIndex) X(__glUnsignedIntToValue)                           \
    X(__glClampFloats) X(__glClampFloatsDest) X(__glClampNegative)                                  \
    X(__glExpandRedScaled) X(__glExpandRed) X(__glExpandGreenScaled) X(__glExpandGreen)             \
    X(__glExpandBlueScaled) X(__glExpandBlue) X(__glExpandAlphaScaled) X(__glExpandAlpha)           \
    X(__glExpandRgbScaled) X(__glExpandRgb) X(__glExpandBgrScaled) X(__glExpandBgr)                 \
    X(__glExpandLuminanceScaled) X(__glExpandLuminance)                                             \
    X(__glExpandLuminanceAlphaScaled) X(__glExpandLuminanceAlpha)                                   \
    X(__glExpandRedAlphaScaled) X(__glExpandRedAlpha)                                               \
    X(__glExpandIntensityScaled) X(__glExpandIntensity)                                             \
    X(__glScaleRgba) X(__glExpandAbgrScaled) X(__glSwapAbgr) X(__glExpandBgraScaled) X(__glSwapBgra) \
    X(__glClearAlpha) X(__glUnscaleRgba)
#define GL_DECLARE_CONVERTER(name) void GLPROC name(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in, GLvoid* out);
GL_PIXEL_CONVERTERS(GL_DECLARE_CONVERTER)
#undef GL_DECLARE_CONVERTER
}

// ---- The span modifier chain (pixelchain.cpp).

// What a pixel operation asks of the picker: source and destination (1
// framebuffer, 2 memory), kind (1 draw, 2 read, 3 copy, 4 framebuffer into an
// image, 5 image conversion) and whether the pixel transfer applies; the
// picker hands back the framebuffer reader of a framebuffer source.
struct GlPixelOpDesc {
    GLint source, destination, kind;
    uint8_t applyTransfer, pad[3];
    GlPixelReader reader;
    GlPixelWriter writer;
};

// Two span buffers that the steps of a chain alternate between.
struct GlPixelSpanBuffers {
    GLvoid* span[2];
};

extern "C" {
// Fills the record's modifiers for the operation from both laid-out images
// and the transfer state; returns how many (-1: a destination type without a
// pack step, nothing to do).
GLint GLPROC __glPickSpanModifiers(GlContext* gc, GlPixelOpRecord* op, GlPixelOpDesc* desc);
// Runs the record's passCount modifiers on op->width pixels from in, the
// last one into out; returns the final span (in itself with no modifier).
const GLvoid* GLPROC __glRunSpanModifiers(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in, GLvoid* out,
                                          GlPixelSpanBuffers* buffers);
// Lays out the record's destination image as __glSetupImageLayout does the
// source, and resets the options.
GLboolean GLPROC __glSetupDestImageLayout(GlContext* gc, GlPixelOpRecord* op);
// The 256-entry tables of unsigned-byte draws in GlPixelTransferTables: the
// colour transfer of each byte, the transfer of each index byte, and each
// index byte through the index-to-RGBA maps; each sets its built flag.
void GLPROC __glBuildColorMaps(GlContext* gc, GlPixelTransferTables* t);
void GLPROC __glBuildIndexMap(GlContext* gc, GlPixelTransferTables* t);
void GLPROC __glBuildIndexToRGBAMaps(GlContext* gc, GlPixelTransferTables* t);
}

// Framebuffer readers: op->width pixels from column trunc(readX) of buffer row
// trunc(readY) (biased), as a float span; the stepped ones op->columns pixels,
// the next one zoomTable[i] columns after pixel i. __glReadDepthUintSpan:
// 16-bit depths as unsigned 32-bit integers, written as the client's elements.
#define GL_PIXEL_READERS(X)                                                                     \
    X(__glReadRGBASpan) X(__glReadRGBASpanStepped) X(__glReadIndexSpan) X(__glReadIndexSpanStepped) \
    X(__glReadDepthSpan) X(__glReadDepthSpanStepped) X(__glReadStencilSpan) X(__glReadStencilSpanStepped) \
    X(__glReadDepthUintSpan)
// Writers: each element of a span written on the destination rows
// [firstY, firstY + rowsLeft) (upward) from column firstX on in the direction
// of stepX: the zoomed ones op->width elements, element i on zoomTable[i]
// columns; the plain ones op->columns elements, one a column. The generic
// ones take float spans; the fast ones the client's typed pixels through the
// current lookup tables.
#define GL_PIXEL_WRITERS(X)                                                                     \
    X(__glWriteRGBASpan) X(__glWriteRGBAZoomSpan) X(__glWriteIndexSpan) X(__glWriteIndexZoomSpan)  \
    X(__glWriteDepthSpan) X(__glWriteDepthZoomSpan) X(__glWriteStencilSpan) X(__glWriteStencilZoomSpan) \
    X(__glWriteRGBUbyteSpan) X(__glWriteRGBUbyteZoomSpan) X(__glWriteRGBAUbyteSpan)               \
    X(__glWriteRGBAUbyteZoomSpan) X(__glWriteIndexToRGBAUbyteSpan) X(__glWriteIndexToRGBAUbyteZoomSpan) \
    X(__glWriteIndexUbyteSpan) X(__glWriteIndexUbyteZoomSpan) X(__glWriteIndexUshortSpan)         \
    X(__glWriteIndexUshortZoomSpan) X(__glWriteIndexUintSpan) X(__glWriteIndexUintZoomSpan)       \
    X(__glWriteDepthUintSpan) X(__glWriteDepthUintZoomSpan) X(__glWriteStencilUbyteSpan)          \
    X(__glWriteStencilUbyteZoomSpan) X(__glWriteStencilUshortSpan) X(__glWriteStencilUshortZoomSpan)
extern "C" {
#define GL_DECLARE_READER(name) void GLPROC name(GlContext* gc, GlPixelOpRecord* op, GLvoid* out);
GL_PIXEL_READERS(GL_DECLARE_READER)
#undef GL_DECLARE_READER
#define GL_DECLARE_WRITER(name) void GLPROC name(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in);
GL_PIXEL_WRITERS(GL_DECLARE_WRITER)
#undef GL_DECLARE_WRITER
}

#define GL_PIXEL_STEPS(X)                                                                                 \
    X(__glSpanModifyRGBA) X(__glSpanModifyABGR) X(__glSpanModifyBGRA) X(__glSpanModifyRed)                \
    X(__glSpanModifyGreen) X(__glSpanModifyBlue) X(__glSpanModifyAlpha) X(__glSpanModifyRGB)              \
    X(__glSpanModifyBGR) X(__glSpanModifyLuminance) X(__glSpanModifyLuminanceAlpha)                      \
    X(__glSpanModifyRedAlpha) X(__glSpanModifyDepth) X(__glSpanModifyStencil) X(__glSpanModifyIndex)     \
    X(__glSpanExtractRedRaw) X(__glSpanExtractGreenRaw) X(__glSpanExtractBlueRaw)                        \
    X(__glSpanExtractAlphaRaw) X(__glSpanExtractRGBRaw) X(__glSpanExtractBGRRaw)                         \
    X(__glSpanExtractABGRRaw) X(__glSpanExtractBGRARaw) X(__glSpanExtractRedAlphaRaw)                    \
    X(__glSpanExtractLuminanceSum) X(__glSpanExtractLuminanceAlphaSum)                                   \
    X(__glSpanPackUbyte) X(__glSpanPackByte) X(__glSpanPackUshort) X(__glSpanPackShort)                  \
    X(__glSpanPackUint) X(__glSpanPackInt) X(__glSpanPackUbyte332) X(__glSpanPackUshort4444)             \
    X(__glSpanPackUshort5551) X(__glSpanPackUint8888) X(__glSpanPackUint1010102)                         \
    X(__glSpanPackIndexUbyte) X(__glSpanPackIndexByte) X(__glSpanPackIndexUshort)                        \
    X(__glSpanPackIndexShort) X(__glSpanPackIndexUint) X(__glSpanPackIndexInt) X(__glSpanPackBitmap)     \
    X(__glSpanCopyBytes)
extern "C" {
#define GL_DECLARE_STEP(name) void GLPROC name(GlContext* gc, GlPixelOpRecord* op, const GLvoid* in, GLvoid* out);
GL_PIXEL_STEPS(GL_DECLARE_STEP)
#undef GL_DECLARE_STEP
}

// ---- Rectangle transfers: framebuffer spans (pixelspans.cpp), the span chain
// (pixelchain.cpp) and the three operations (pixelrect.cpp).

// What a float span holds: RGBA (four floats a pixel, 0..1), colour index,
// depth (0..1) or stencil values (one float a pixel).
enum { GL_PIXEL_KIND_RGBA, GL_PIXEL_KIND_INDEX, GL_PIXEL_KIND_DEPTH, GL_PIXEL_KIND_STENCIL };
// Scratch of one span step: raw bytes (aligned or swapped) and a float span.
struct GlPixelScratch {
    alignas(8) uint8_t raw[GL_PIXEL_CHUNK * 16];
    GLfloat floats[GL_PIXEL_CHUNK * 4];
};

extern "C" {
// The kind of a memory format; colour formats give RGBA.
GLint GLPROC __glPixelFormatKind(GLenum format);
// The kind the colour buffers hold: RGBA or colour index.
GLint GLPROC __glColorBufferKind(const GlContext* gc);

// n pixels of the read buffers (colour: the read buffer) from biased column x
// of buffer row y; colours 0..1.
void GLPROC __glReadPixelSpan(GlContext* gc, GLint kind, GLint x, GLint y, GLint n, GLfloat* out);
// A pixel-rectangle or bitmap fragment colour (buffer units) textured with
// the texel at the raster position's texture coordinates when texturing is
// on, then fogged by the raster position's distance when fog is on.
void GLPROC __glPixelFragmentTexFog(GlContext* gc, GLfloat* color);
// Whether __glPixelFragmentTexFog changes colours in the current state.
GLboolean GLPROC __glPixelFragmentsTexFog(const GlContext* gc);
// Template of the fragments of a rectangle of the given kind.
void GLPROC __glSetupPixelWriter(GlContext* gc, GlPixelTarget* w, GLint kind);

// n pixels of the source image from column first of a row into a float span.
void GLPROC __glUnpackPixelSpan(GlContext* gc, GlPixelOpRecord* op, const uint8_t* row, GLint first, GLint n,
                                GLfloat* out, GlPixelScratch* scratch);
// Transfer of n pixels in place from one kind to another (index to RGBA
// through the index maps): scale, bias, shift, offset, maps, clamps.
void GLPROC __glTransferPixelSpan(GlContext* gc, GLint from, GLint to, GLfloat* values, GLint n);
// Packs n pixels of the kind into column first of a destination row.
void GLPROC __glPackPixelSpan(const GlImageLayout* l, GLint kind, const GLfloat* values, GLint n, uint8_t* row,
                              GLint first);

// The generic rectangle procedures and their picker.
void GLPROC __glDrawPixelsSoftware(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type,
                                   const GLvoid* pixels, GLboolean packed);
void GLPROC __glReadPixelsSoftware(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                                   GLenum type, GLvoid* pixels);
void GLPROC __glCopyPixelsSoftware(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format);
// The record of a read of width x height pixels from window (x, y) into the
// client image; its destination half from the pack modes.
void GLPROC __glInitReadPixelsRecord(GlContext* gc, GlPixelOpRecord* op, GLint x, GLint y, GLsizei width,
                                     GLsizei height, GLenum format, GLenum type, GLvoid* pixels);
void GLPROC __glSetPackLayout(GlContext* gc, GlPixelOpRecord* op);
// Reads the clipped rectangle at window (readX, readY), width x height
// pixels, into the laid-out destination from its first pixel on.
void GLPROC __glRunReadPixels(GlContext* gc, GlPixelOpRecord* op);
// A copy of width x height pixels from window (x, y) to the raster position.
void GLPROC __glInitCopyPixelsRecord(GlContext* gc, GlPixelOpRecord* op, GLint x, GLint y, GLsizei width,
                                     GLsizei height, GLenum format);
// The clip of both rectangles (false: nothing to copy) and their overlap.
GLboolean GLPROC __glClipCopyPixels(GlContext* gc, GlPixelOpRecord* op);
// The copy of a clipped record; an overlapping one reads its whole source
// before drawing (__glCopyPixelsOverlap).
void GLPROC __glRunCopyPixels(GlContext* gc, GlPixelOpRecord* op);
void GLPROC __glCopyPixelsOverlap(GlContext* gc, GlPixelOpRecord* op);
// The record of a draw of the client image at the raster position with the
// pixel zoom, its source laid out; false when the image does not fit the
// address space.
GLboolean GLPROC __glInitDrawPixelsRecord(GlContext* gc, GlPixelOpRecord* op, GLsizei width, GLsizei height,
                                          GLenum format, GLenum type, const GLvoid* pixels);
// Runs the record's modifiers and writer over every band of a clipped draw.
void GLPROC __glRunDrawPixels(GlContext* gc, GlPixelOpRecord* op);
// The clip of a draw (and of a copy's destination), before any address is
// formed: the source columns and rows of op->width x op->height pixels at
// (startX, startY) and the zoom whose cells reach the clip box (op->clip);
// false when none does.
GLboolean GLPROC __glClipDrawPixels(GlContext* gc, GlPixelOpRecord* op);
// The next band of the clipped columns: at most GL_PIXEL_CHUNK source columns
// at |zoomX| >= 1, destination columns at |zoomX| < 1, with its zoom table in
// table (entries within 16 bits: a band ends before a larger one, a larger
// repeat count is split over bands); sets width (the source columns the
// band spans), columns, firstX, endX and bandColumn. False when no column is
// left. A step that picks columns by the table (a stepped reader or a
// gathering converter) leaves width at the pixels it produced.
GLboolean GLPROC __glSetPixelZoomStart(GlContext* gc, GlPixelOpRecord* op, int16_t* table);
// Row loops over one band by the number of modifiers (0, 1, 2, 3 or more):
// the draw loops take the source rows from the memory image op->source, the
// copy loops read them from the framebuffer at (readX, readY).
// The read loops take the rows of the clipped rectangle from the
// framebuffer into the destination image, the conversion loops (1, 2, 3 or
// more modifiers) the rows of one memory image into another.
#define GL_PIXEL_ROW_LOOPS(X)                                                                              \
    X(__glDrawPixelsLoopDirect) X(__glDrawPixelsLoopOnePass) X(__glDrawPixelsLoopTwoPass)                  \
    X(__glDrawPixelsLoopMultiPass) X(__glCopyPixelsLoopDirect) X(__glCopyPixelsLoopOnePass)                \
    X(__glCopyPixelsLoopTwoPass) X(__glCopyPixelsLoopMultiPass) X(__glReadPixelsLoopDirect)                \
    X(__glReadPixelsLoopOnePass) X(__glReadPixelsLoopTwoPass) X(__glReadPixelsLoopMultiPass)               \
    X(__glImageConvertLoopOnePass) X(__glImageConvertLoopTwoPass) X(__glImageConvertLoopMultiPass)
#define GL_DECLARE_LOOP(name) void GLPROC name(GlContext* gc, GlPixelOpRecord* op);
GL_PIXEL_ROW_LOOPS(GL_DECLARE_LOOP)
#undef GL_DECLARE_LOOP
void GLPROC __glPickPixelProcs(GlContext* gc);
// "__GL_DISABLE_FASTPATH" set to a non-zero number: contexts validated from
// now on keep the generic rectangle and bitmap procedures.
GLboolean GLPROC __glPixelFastPathsDisabled(void);
// Fragment state that rows stored straight into a colour buffer would skip.
enum : GLuint {
    GL_PIXEL_FRAGMENT_FLAGS = GL_RF_DEPTH_TEST | GL_RF_TEXTURE | GL_RF_STENCIL | GL_RF_LOGIC_OP | GL_RF_BLEND |
                              GL_RF_ALPHA_TEST | GL_RF_WRITE_MASK | GL_RF_INDEX_TEST | GL_RF_CLIP_LIST |
                              GL_RF_FOG_FRAGMENT | GL_RF_FOG_VERTEX,
};
// No colour scale, bias or map changes a colour.
GLboolean GLPROC __glColorTransferPlain(const GlPixelTransferState* t);
// The part of a rectangle drawn at zoom (+-1, +-1) from the raster position
// inside box (biased, rows in buffer order, right and bottom exclusive):
// source columns [i0, i1) and rows [j0, j1), the buffer position of source
// pixel (i0, j0), and the buffer steps per source column and row.
struct GlUnitRect {
    int64_t i0, i1, j0, j1;
    GLint x, y, dx, dy;
};
GLboolean GLPROC __glUnitZoomRect(const GlContext* gc, GLsizei width, GLsizei height, const GLint box[4],
                                  GlUnitRect* u);
// Client pixels (unsigned bytes of an RGB or RGBA order) of every board
// 5-6-5 value of a read buffer, as the generic read makes them; null when
// the table cannot be had.
const GLuint* GLPROC __glFastReadTable565(GlContext* gc, const GlColorBuffer* cb, GLenum format);
// Rows straight between client memory and the colour buffer when the state
// allows it (pixelfast.cpp), else the generic procedures.
void GLPROC __glFastDrawPixels(GlContext* gc, GLsizei width, GLsizei height, GLenum format, GLenum type,
                               const GLvoid* pixels, GLboolean packed);
void GLPROC __glFastReadPixels(GlContext* gc, GLint x, GLint y, GLsizei width, GLsizei height, GLenum format,
                               GLenum type, GLvoid* pixels);

// ---- Rectangles into memory images (pixeltoimage.cpp). The caller lays the
// destination descriptor out after the clip, which adds the columns and rows
// it cut to the destination's skips.

// A framebuffer read of width x height pixels from window (x, y): the source
// half (RGBA or index floats) and the read position.
void GLPROC __glInitCopyTexRecord(GlContext* gc, GlPixelOpRecord* op, GLint x, GLint y, GLsizei width,
                                  GLsizei height);
// Clips a read to the drawable; false when nothing is left.
GLboolean GLPROC __glClipReadPixels(GlContext* gc, GlPixelOpRecord* op);
// Reads the clipped rectangle through the pixel transfer into the destination.
void GLPROC __glRunReadToImage(GlContext* gc, GlPixelOpRecord* op);
// The source half of a client image converted into memory (unpack modes, or
// the packed layout of display lists).
void GLPROC __glInitUnpackImageRecord(GlContext* gc, GlPixelOpRecord* op, GLsizei width, GLsizei height,
                                      GLsizei depth, GLenum format, GLenum type, const GLvoid* data,
                                      GLboolean packed);
// Converts the laid-out source image into the laid-out destination, through
// the pixel transfer when asked: the modifiers of the conversion (at least
// one: a plain copy when nothing changes), then the conversion loops.
GLint GLPROC __glPickImageConvertModifiers(GlContext* gc, GlPixelOpRecord* op, GLboolean transfer);
void GLPROC __glRunImageConvert(GlContext* gc, GlPixelOpRecord* op, GLboolean transfer);
}
