// Texture objects, their parameter blocks and mip-map levels, and the
// procedures of texture names, binding and texture state.
#pragma once

#include "core/glcontext.h"
#include "core/names.h"

// Target indexes of the per-target arrays.
enum {
    GL_TEX_1D = 0,
    GL_TEX_2D = 1,
    GL_TEX_PROXY_1D = 2,
    GL_TEX_PROXY_2D = 3,
    GL_TEX_TARGETS = 4,
};

// Texture setters mark the general picker bit: validation re-picks the texture procedures.
enum { GL_DIRTY_TEXTURE = GL_DIRTY_GENERIC };

// One texel in [0, 1]; a colour-index texel carries its index in red.
struct GlTexel {
    GLfloat red, green, blue, luminance, alpha, intensity;
};

struct GlMipmapLevel;
struct GlTextureParams;
struct GlPixelOpRecord;

// Reads texel (row, column) of image 0 of a level; indexes outside the level
// answer the border.
typedef void (GLPROC* GlTexelExtractProc)(GlMipmapLevel* level, GlTextureParams* params, GLint image, GLint row,
                                          GLint column, GlTexel* out);
// Level storage: returns the level's texel memory, or null.
typedef uint8_t* (GLPROC* GlTexLevelAllocProc)(GlContext* gc, GlTextureParams* params, GLint level,
                                               GLint internalFormat, GLint width, GLint height, GLint depth,
                                               GLint border, GLint dimensions);
// Moves an image between a pixel-operation record and a level.
typedef void (GLPROC* GlTexImageHook)(GlContext* gc, GlPixelOpRecord* op, GlTextureParams* params, GLint level);
// Sampling: samplers (one level, s and t in texel units), filters (lambda, s, t),
// environments; the whole-fragment procedures are GlTexFragmentProc.
typedef void (GLPROC* GlTexSampleProc)(GlTextureParams* params, GlMipmapLevel* level, GLfloat s, GLfloat t,
                                       GlTexel* out);
typedef void (GLPROC* GlTexFilterProc)(GlTextureParams* params, GLfloat lambda, GLfloat s, GLfloat t, GlTexel* out);
typedef void (GLPROC* GlTexEnvProc)(GlContext* gc, GLfloat* color, const GlTexel* texel);

// Spare bytes after a level's texels: a fetch may read a whole word at the last one.
enum { GL_TEX_LEVEL_SLACK = 4 };

struct GlMipmapLevel {
    uint8_t* data;       // rows of width texels (border included), bottom row first; GL_TEX_LEVEL_SLACK more
    uint8_t* converted;  // the level in the drawable's pixel format, or null
    GLuint convertedKey; // the pixel format converted holds (size, shifts, bits)
    GLint width, height, depth;  // with the border
    GLint texelCount;            // width x height
    GLint innerWidth, innerHeight, innerDepth;
    GLfloat innerWidthF, innerHeightF, innerDepthF;
    GLint widthLog2, heightLog2, depthLog2;
    GLint border;
    GLint internalFormat;  // as given; 1 for an empty level
    GLenum baseFormat;
    GLenum storedFormat;
    GLint redBits, greenBits, blueBits, alphaBits, luminanceBits, intensityBits;
    GlTexelExtractProc extract;
};

// Palette of a paletted texture.
struct GlColorTable {
    GLenum target;
    uint8_t* data;  // width entries of components bytes; owned
    GLenum internalFormat;
    GLenum type;
    GLint width;
    GLint redSize, greenSize, blueSize, alphaSize, luminanceSize, intensitySize;
    GLenum baseFormat;
    GLint components;
};

// The hardware back end's words of a texture: its board layout, residency in
// board memory and library codes. Generic code leaves them alone.
struct GlHwTexBlock;
enum { GL_HW_TEX_LEVELS = 9 };
struct GlHwTexParams {
    GLint levelCount;  // levels of a complete mip-map of level 0
    GLint levelWidth[GL_HW_TEX_LEVELS], levelHeight[GL_HW_TEX_LEVELS];
    GlHwTexBlock* block;     // board memory holding the texels, or null
    GLfloat scaleS, scaleT;  // s and t scales of the board's 0-256 coordinates
    GLint levelBytes;        // bytes of the level allocated last, rounded up to 8
    GLint largeLod, aspect;  // board codes of level 0; largeLod -1: a shape the board cannot take
    GLint minFilter, magFilter, mipMode, texFormat, clampS, clampT;
    GLint colorCombine[4], alphaCombine[4];  // function, factor, local, other
    GLuint memSize, storage, loadedMask, neededMask;  // storage 0 none, 1 level 0, 2 all levels
};
static_assert(sizeof(GlHwTexParams) == 43 * 4, "43 words");

// A texture's records hold no context: shared objects outlive the context
// that made them, and each call works with the calling context.
struct GlTextureParams {
    GlTexTargetState state;  // parameters in the target-state layout; state.name is the object's name
    GlMipmapLevel* levels;   // levelCount entries
    GLint levelCount;        // the creating context's level limit
    GlHwTexParams hw;
    GLint dimensions;        // 1 or 2
    GLint maxLevel;          // largest log2 of level 0's inner sizes
    GLfloat switchValue;     // squared scale up to which a fragment counts as magnified
    GlColorTable palette;
    GLenum baseFormat;       // level 0's, copied by the texture-procedure picker
    GlTexLevelAllocProc allocLevel;
    GlTexImageHook storeImage;
    GlTexImageHook copyImage;
    GlTexFragmentProc sampleProc;
    GlTexEnvProc envProc;
    GlTexFilterProc magProc, minProc;
    GlTexSampleProc linearProc, nearestProc;
    // The fast chain's texel fetch for level 0's stored format and border (the
    // filters read it here: a texture shared between contexts is fetched by the
    // context drawing with it).
    GlTexelFetchProc texelFetch;
};

struct GlTextureObject {
    int32_t refCount;  // name table, each binding, each lookup in progress
    void (GLPROC* free)(GlContext* gc, GlTextureObject* object);
    GLint target;      // target index fixed at creation
    uint8_t resident;  // an image was given
    uint8_t pad[3];
    GlTextureParams params;
};
static_assert(offsetof(GlTextureObject, refCount) == offsetof(GlNameObject, refCount) &&
                  offsetof(GlTextureObject, free) == offsetof(GlNameObject, release),
              "a texture object is a name-table object");
static_assert(sizeof(GlTexTargetState) == 40, "eight parameter words, name and priority");

extern "C" {
// Context life.
GLboolean GLPROC __glInitTextures(GlContext* gc);
void GLPROC __glFreeTextures(GlContext* gc);
void GLPROC __glShareTextureNames(GlContext* gc, GlContext* other);

// Lookups by target enum; null for any other target, no error.
GlTexTargetState* GLPROC __glLookupTexTargetState(GlContext* gc, GLenum target);
GlTextureParams* GLPROC __glLookupTexParams(GlContext* gc, GLenum target);
GlTextureObject* GLPROC __glLookupTextureObject(GlContext* gc, GLenum target);

// Objects.
void GLPROC __glInitTextureObject(GlContext* gc, GlTextureObject* object, GLuint name, GLint target);
GLboolean GLPROC __glInitTextureParams(GlContext* gc, GLint target, GlTextureParams* params);
// Binds name to target index t, creating its object on first use; false (nothing
// changed) when the name's object belongs to another target or memory ran out.
GLboolean GLPROC __glBindTextureObject(GlContext* gc, GLint t, GLuint name);
void GLPROC __glReleaseTextureObject(GlContext* gc, GlTextureObject* object);
void GLPROC __glFreeTextureObject(GlContext* gc, GlTextureObject* object);
GLboolean GLPROC __glTexLevelsHaveMemory(GlContext* gc, const GlTextureParams* params);
// glAreTexturesResident with the context's residency test.
GLboolean GLPROC __glAreTexturesResident(GlContext* gc, GLsizei n, const GLuint* names, GLboolean* residences,
                                         GLboolean (GLPROC* resident)(GlContext* gc, GlTextureObject* object));
GLfloat GLPROC __glClampFloat(GLfloat value, GLfloat low, GLfloat high);
// The texture attribute group back from a saved copy: rebinds the saved names,
// then copies the state and hands it to the bound objects.
void GLPROC __glRestoreTextureState(GlContext* gc, const GlTextureState* saved);

// Extract procedure of empty levels: every texel is zero.
void GLPROC __glExtractTexelEmpty(GlMipmapLevel* level, GlTextureParams* params, GLint image, GLint row,
                                  GLint column, GlTexel* out);

// Level storage, images and completeness (texture images). The ...As forms
// take the mapping of internal formats to stored layouts (byte size or -1).
typedef GLint (GLPROC* GlTexLevelFormatProc)(GlContext* gc, GlTextureParams* params, GlMipmapLevel* level,
                                            GLint index, GLint internalFormat, GLint width, GLint height,
                                            GLint depth, GLint border, GLint dimensions);
uint8_t* GLPROC __glAllocTexLevelAs(GlTexLevelFormatProc format, GlContext* gc, GlTextureParams* params, GLint level,
                                    GLint internalFormat, GLint width, GLint height, GLint depth, GLint border,
                                    GLint dimensions);
uint8_t* GLPROC __glAllocProxyTexLevelAs(GlTexLevelFormatProc format, GlContext* gc, GlTextureParams* params,
                                         GLint level, GLint internalFormat, GLint width, GLint height, GLint depth,
                                         GLint border, GLint dimensions);
uint8_t* GLPROC __glAllocTexLevel(GlContext* gc, GlTextureParams* params, GLint level, GLint internalFormat,
                                  GLint width, GLint height, GLint depth, GLint border, GLint dimensions);
uint8_t* GLPROC __glAllocProxyTexLevel(GlContext* gc, GlTextureParams* params, GLint level, GLint internalFormat,
                                       GLint width, GLint height, GLint depth, GLint border, GLint dimensions);
void GLPROC __glTexStoreImageHook(GlContext* gc, GlPixelOpRecord* op, GlTextureParams* params, GLint level);
void GLPROC __glTexCopyImageHook(GlContext* gc, GlPixelOpRecord* op, GlTextureParams* params, GLint level);
GLboolean GLPROC __glIsTextureComplete(GlContext* gc, const GlTextureParams* params);

// Texel extract procedures of the stored layouts, borderless and border forms.
#define GL_DECLARE_EXTRACT(name) \
    void GLPROC name(GlMipmapLevel* level, GlTextureParams* params, GLint image, GLint row, GLint column, GlTexel* out);
GL_DECLARE_EXTRACT(__glExtractTexelLuminance) GL_DECLARE_EXTRACT(__glExtractTexelLuminanceBorder)
GL_DECLARE_EXTRACT(__glExtractTexelLuminanceAlpha) GL_DECLARE_EXTRACT(__glExtractTexelLuminanceAlphaBorder)
GL_DECLARE_EXTRACT(__glExtractTexelRGB) GL_DECLARE_EXTRACT(__glExtractTexelRGBBorder)
GL_DECLARE_EXTRACT(__glExtractTexelRGBA) GL_DECLARE_EXTRACT(__glExtractTexelRGBABorder)
GL_DECLARE_EXTRACT(__glExtractTexelAlpha) GL_DECLARE_EXTRACT(__glExtractTexelAlphaBorder)
GL_DECLARE_EXTRACT(__glExtractTexelIntensity) GL_DECLARE_EXTRACT(__glExtractTexelIntensityBorder)
GL_DECLARE_EXTRACT(__glExtractTexelIndex8) GL_DECLARE_EXTRACT(__glExtractTexelIndex8Border)
GL_DECLARE_EXTRACT(__glExtractTexelIndex16) GL_DECLARE_EXTRACT(__glExtractTexelIndex16Border)
#undef GL_DECLARE_EXTRACT

// Argument checks of the image calls (teximage.cpp): each records its error
// and answers null (or false) on failure.
GlTextureParams* GLPROC __glCheckTexImageArgs(GlContext* gc, GLenum target, GLint level, GLint internalFormat,
                                              GLint border, GLenum format, GLenum type, GLint dimensions);
GLboolean GLPROC __glCheckTexSize(GlContext* gc, GLint size, GLint border);
GlTextureParams* GLPROC __glCheckTexImage1DArgs(GlContext* gc, GLenum target, GLint level, GLint internalFormat,
                                                GLsizei width, GLint border, GLenum format, GLenum type);
GlTextureParams* GLPROC __glCheckTexImage2DArgs(GlContext* gc, GLenum target, GLint level, GLint internalFormat,
                                                GLsizei width, GLsizei height, GLint border, GLenum format,
                                                GLenum type);
GlTextureParams* GLPROC __glCheckTexSubImageTarget(GlContext* gc, GLenum target, GLint level, GLenum format,
                                                   GLenum type, GLint dimensions);
GLboolean GLPROC __glCheckTexSubRange(GlContext* gc, const GlMipmapLevel* level, GLint offset, GLsizei size,
                                      GLint levelSize);
// Fills a level's format fields from its internal format; the byte size, or -1.
GLint GLPROC __glSetTextureLevelFormat(GlContext* gc, GlTextureParams* params, GlMipmapLevel* level, GLint index,
                                       GLint internalFormat, GLint width, GLint height, GLint depth, GLint border,
                                       GLint dimensions);
// Pixel-operation record halves: the client image (unpack modes, or the
// packed layout when defaultLayout is set; pack modes for reading) and the level.
void GLPROC __glSetTexImageUnpack(GlContext* gc, GlPixelOpRecord* op, GLsizei width, GLsizei height, GLsizei depth,
                                  GLenum format, GLenum type, const GLvoid* pixels, GLint defaultLayout);
void GLPROC __glSetTexImagePack(GlContext* gc, GlPixelOpRecord* op, GLsizei width, GLsizei height, GLsizei depth,
                                GLenum format, GLenum type, GLvoid* pixels);
void GLPROC __glSetTexLevelDest(GlContext* gc, GlPixelOpRecord* op, GlTextureParams* params, GLint level);
void GLPROC __glSetTexLevelSource(GlContext* gc, GlPixelOpRecord* op, GlTextureParams* params, GLint level);
void GLPROC __glSetTexSubImageDest(GlContext* gc, GlPixelOpRecord* op, GlTextureParams* params, GLint level,
                                   GLint x, GLint y);
// The image calls with the context given and the packed client layout.
void GLPROC __glDoTexImage1D(GlContext* gc, GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLint border, GLenum format, GLenum type, const GLvoid* pixels);
void GLPROC __glDoTexImage2D(GlContext* gc, GLenum target, GLint level, GLint internalFormat, GLsizei width,
                             GLsizei height, GLint border, GLenum format, GLenum type, const GLvoid* pixels);
void GLPROC __glDoTexSubImage1D(GlContext* gc, GLenum target, GLint level, GLint x, GLsizei width, GLenum format,
                                GLenum type, const GLvoid* pixels);
void GLPROC __glDoTexSubImage2D(GlContext* gc, GLenum target, GLint level, GLint x, GLint y, GLsizei width,
                                GLsizei height, GLenum format, GLenum type, const GLvoid* pixels);

// Copy paths (texcopy.cpp): the argument checks of glCopyTexImage* and
// glCopyTexSubImage*, each recording its error and answering null.
GlTextureParams* GLPROC __glCheckCopyTexImageArgs(GlContext* gc, GLenum target, GLint level, GLint internalFormat,
                                                  GLsizei width, GLsizei height, GLint border, GLint dimensions);
GlTextureParams* GLPROC __glCheckCopyTexSubImageArgs(GlContext* gc, GLenum target, GLint level, GLint xoffset,
                                                     GLint yoffset, GLsizei width, GLsizei height,
                                                     GLint dimensions);
// Level 0 of the current texture in the draw buffer's pixel format (its
// converted copy); false when it cannot be made (the fast spans then do
// without it).
GLboolean GLPROC __glPrepareFastTexture(GlContext* gc);
// A rectangle of a level (border included) into its converted copy.
void GLPROC __glConvertTextureToFramebuffer(GlContext* gc, GlMipmapLevel* level, GLint x, GLint y, GLsizei width,
                                           GLsizei height);
// After a sub-image at (xoffset, yoffset) (border not counted): the converted
// copy follows, or is dropped when it was made for another pixel format.
void GLPROC __glUpdateConvertedTexture(GlContext* gc, GlMipmapLevel* level, GLint xoffset, GLint yoffset,
                                      GLsizei width, GLsizei height);

// Colour tables (colortable.cpp). The checks answer 0 or the error to record.
GLenum GLPROC __glCheckColorTableArgs(GlContext* gc, GLenum target, GLenum internalFormat, GLsizei width,
                                      GLenum format, GLenum type);
GLenum GLPROC __glCheckColorSubTableArgs(GlContext* gc, GLenum target, GLsizei start, GLsizei count, GLenum format,
                                         GLenum type);
// Format fields of a table from its internal format (entry memory untouched).
void GLPROC __glSetColorTableFormat(GlColorTable* table, GLenum target, GLenum internalFormat, GLsizei width);
// The table's entries as the destination of a pixel operation.
void GLPROC __glSetColorTableDest(const GlColorTable* table, GlPixelOpRecord* op);
// The table of the texture bound to target from client entries (internal
// format 0: emptied; packed: the layout of display lists).
void GLPROC __glDefineColorTable(GlContext* gc, GLenum target, GLenum internalFormat, GLsizei width, GLenum format,
                                 GLenum type, const GLvoid* data, GLboolean packed);
// The same into a given table (target: the one the table records).
void GLPROC __glDefineColorTableOf(GlContext* gc, GlColorTable* table, GLenum target, GLenum internalFormat,
                                   GLsizei width, GLenum format, GLenum type, const GLvoid* data, GLboolean packed);
void GLPROC __glStoreColorSubTable(GlContext* gc, GLenum target, GLsizei start, GLsizei count, GLenum format,
                                   GLenum type, const GLvoid* data, GLboolean packed);
}
