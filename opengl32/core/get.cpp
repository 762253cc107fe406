// State queries: the shared getter over every pname, result conversion and
// the parameter-specific queries.

#include <math.h>
#include "stateutil.h"
#include "texture/texture.h"

// Source kinds of the staged values and the requested result types.
enum { KIND_FLOAT = 0, KIND_INT = 3, KIND_BOOL = 4, KIND_NORM = 5, KIND_SCALED = 6 };
enum { REQ_FLOAT = 1, REQ_DOUBLE = 2, REQ_INT = 3, REQ_BOOL = 4 };
// How a table entry's values are stored in the context.
enum { ST_F32, ST_I32, ST_U8, ST_U16, ST_I16, ST_F64, ST_SPECIAL };

struct GlGetEntry {
    GLenum pname;
    uint8_t kind;
    uint8_t store;
    uint8_t count;
    uint32_t offset;  // in GlContext
};

#define E(p, k, s, n, f) {p, k, s, n, (uint32_t)offsetof(GlContext, f)}
#define SPECIAL(p) {p, 0, ST_SPECIAL, 0, 0}
#define B8(p, f, n) E(p, KIND_BOOL, ST_U8, n, f)
#define BI(p, f) E(p, KIND_BOOL, ST_I32, 1, f)
#define F(p, f, n) E(p, KIND_FLOAT, ST_F32, n, f)
#define N(p, f, n) E(p, KIND_NORM, ST_F32, n, f)
#define I(p, f, n) E(p, KIND_INT, ST_I32, n, f)
#define U16(p, f) E(p, KIND_INT, ST_U16, 1, f)

// Every pname of glGet* other than the capabilities.
static const GlGetEntry getTable[] = {
    N(GL_CURRENT_COLOR, current.color, 4),
    F(GL_CURRENT_INDEX, current.index, 1),
    N(GL_CURRENT_NORMAL, current.normal, 3),
    F(GL_CURRENT_TEXTURE_COORDS, current.texCoord, 4),
    SPECIAL(GL_CURRENT_RASTER_COLOR),
    SPECIAL(GL_CURRENT_RASTER_INDEX),
    F(GL_CURRENT_RASTER_TEXTURE_COORDS, current.raster.texCoord, 4),
    SPECIAL(GL_CURRENT_RASTER_POSITION),
    BI(GL_CURRENT_RASTER_POSITION_VALID, current.raster.valid),
    F(GL_CURRENT_RASTER_DISTANCE, current.raster.distance, 1),
    F(GL_POINT_SIZE, point.size, 1),
    F(GL_POINT_SIZE_RANGE, limits.pointSizeMin, 2),
    F(GL_POINT_SIZE_GRANULARITY, limits.pointSizeGranularity, 1),
    F(GL_LINE_WIDTH, line.width, 1),
    F(GL_LINE_WIDTH_RANGE, limits.lineWidthMin, 2),
    F(GL_LINE_WIDTH_GRANULARITY, limits.lineWidthGranularity, 1),
    U16(GL_LINE_STIPPLE_PATTERN, line.stipplePattern),
    E(GL_LINE_STIPPLE_REPEAT, KIND_INT, ST_I16, 1, line.stippleRepeat),
    I(GL_LIST_MODE, lists.mode, 1),
    I(GL_MAX_LIST_NESTING, limits.maxListNesting, 1),
    I(GL_LIST_BASE, lists.base, 1),
    I(GL_LIST_INDEX, lists.index, 1),
    I(GL_POLYGON_MODE, polygon.frontMode, 2),
    BI(GL_EDGE_FLAG, current.edgeFlag),
    I(GL_CULL_FACE_MODE, polygon.cullFace, 1),
    I(GL_FRONT_FACE, polygon.frontFace, 1),
    B8(GL_LIGHT_MODEL_LOCAL_VIEWER, lighting.model.localViewer, 1),
    B8(GL_LIGHT_MODEL_TWO_SIDE, lighting.model.twoSide, 1),
    SPECIAL(GL_LIGHT_MODEL_AMBIENT),
    I(GL_SHADE_MODEL, lighting.shadeModel, 1),
    I(GL_COLOR_MATERIAL_FACE, lighting.colorMaterialFace, 1),
    I(GL_COLOR_MATERIAL_PARAMETER, lighting.colorMaterialMode, 1),
    F(GL_FOG_INDEX, fog.index, 1),
    F(GL_FOG_DENSITY, fog.density, 1),
    F(GL_FOG_START, fog.start, 1),
    F(GL_FOG_END, fog.end, 1),
    I(GL_FOG_MODE, fog.mode, 1),
    E(GL_FOG_COLOR, KIND_SCALED, ST_F32, 4, fog.color),
    E(GL_DEPTH_RANGE, KIND_NORM, ST_F64, 2, viewport.nearVal),
    B8(GL_DEPTH_WRITEMASK, depth.writeMask, 1),
    E(GL_DEPTH_CLEAR_VALUE, KIND_NORM, ST_F64, 1, depth.clearValue),
    I(GL_DEPTH_FUNC, depth.func, 1),
    N(GL_ACCUM_CLEAR_VALUE, accum.clearColor, 4),
    U16(GL_STENCIL_CLEAR_VALUE, stencil.clearValue),
    I(GL_STENCIL_FUNC, stencil.func, 1),
    U16(GL_STENCIL_VALUE_MASK, stencil.valueMask),
    I(GL_STENCIL_FAIL, stencil.failOp, 1),
    I(GL_STENCIL_PASS_DEPTH_FAIL, stencil.depthFailOp, 1),
    I(GL_STENCIL_PASS_DEPTH_PASS, stencil.depthPassOp, 1),
    U16(GL_STENCIL_REF, stencil.ref),
    U16(GL_STENCIL_WRITEMASK, stencil.writeMask),
    I(GL_MATRIX_MODE, transform.matrixMode, 1),
    I(GL_VIEWPORT, viewport.x, 4),
    SPECIAL(GL_MODELVIEW_STACK_DEPTH),
    SPECIAL(GL_PROJECTION_STACK_DEPTH),
    SPECIAL(GL_TEXTURE_STACK_DEPTH),
    SPECIAL(GL_MODELVIEW_MATRIX),
    SPECIAL(GL_PROJECTION_MATRIX),
    SPECIAL(GL_TEXTURE_MATRIX),
    I(GL_ATTRIB_STACK_DEPTH, attribDepth, 1),
    I(GL_CLIENT_ATTRIB_STACK_DEPTH, clientAttribDepth, 1),
    I(GL_ALPHA_TEST_FUNC, colorBuffer.alphaFunc, 1),
    F(GL_ALPHA_TEST_REF, colorBuffer.alphaRef, 1),
    I(GL_BLEND_DST, colorBuffer.blendDst, 1),
    I(GL_BLEND_SRC, colorBuffer.blendSrc, 1),
    I(GL_LOGIC_OP_MODE, colorBuffer.logicOp, 1),
    SPECIAL(GL_AUX_BUFFERS),
    // The buffers as glDrawBuffer and glReadBuffer were given them.
    I(GL_DRAW_BUFFER, colorBuffer.drawBufferRequested, 1),
    I(GL_READ_BUFFER, pixel.readBufferRequested, 1),
    I(GL_SCISSOR_BOX, scissor.x, 4),
    F(GL_INDEX_CLEAR_VALUE, colorBuffer.clearIndex, 1),
    I(GL_INDEX_WRITEMASK, colorBuffer.indexWriteMask, 1),
    N(GL_COLOR_CLEAR_VALUE, colorBuffer.clearColor, 4),
    B8(GL_COLOR_WRITEMASK, colorBuffer.colorWriteMask, 4),
    B8(GL_INDEX_MODE, pixelFormat.colorIndex, 1),
    B8(GL_RGBA_MODE, pixelFormat.rgba, 1),
    B8(GL_DOUBLEBUFFER, pixelFormat.doubleBuffer, 1),
    SPECIAL(GL_STEREO),
    I(GL_RENDER_MODE, renderMode, 1),
    I(GL_PERSPECTIVE_CORRECTION_HINT, hints.perspectiveCorrection, 1),
    I(GL_POINT_SMOOTH_HINT, hints.pointSmooth, 1),
    I(GL_LINE_SMOOTH_HINT, hints.lineSmooth, 1),
    I(GL_POLYGON_SMOOTH_HINT, hints.polygonSmooth, 1),
    I(GL_FOG_HINT, hints.fog, 1),
    SPECIAL(GL_PIXEL_MAP_I_TO_I_SIZE), SPECIAL(GL_PIXEL_MAP_S_TO_S_SIZE),
    SPECIAL(GL_PIXEL_MAP_I_TO_R_SIZE), SPECIAL(GL_PIXEL_MAP_I_TO_G_SIZE),
    SPECIAL(GL_PIXEL_MAP_I_TO_B_SIZE), SPECIAL(GL_PIXEL_MAP_I_TO_A_SIZE),
    SPECIAL(GL_PIXEL_MAP_R_TO_R_SIZE), SPECIAL(GL_PIXEL_MAP_G_TO_G_SIZE),
    SPECIAL(GL_PIXEL_MAP_B_TO_B_SIZE), SPECIAL(GL_PIXEL_MAP_A_TO_A_SIZE),
    B8(GL_UNPACK_SWAP_BYTES, pixel.unpack.swapBytes, 1),
    B8(GL_UNPACK_LSB_FIRST, pixel.unpack.lsbFirst, 1),
    I(GL_UNPACK_ROW_LENGTH, pixel.unpack.rowLength, 1),
    I(GL_UNPACK_SKIP_ROWS, pixel.unpack.skipRows, 1),
    I(GL_UNPACK_SKIP_PIXELS, pixel.unpack.skipPixels, 1),
    I(GL_UNPACK_ALIGNMENT, pixel.unpack.alignment, 1),
    B8(GL_PACK_SWAP_BYTES, pixel.pack.swapBytes, 1),
    B8(GL_PACK_LSB_FIRST, pixel.pack.lsbFirst, 1),
    I(GL_PACK_ROW_LENGTH, pixel.pack.rowLength, 1),
    I(GL_PACK_SKIP_ROWS, pixel.pack.skipRows, 1),
    I(GL_PACK_SKIP_PIXELS, pixel.pack.skipPixels, 1),
    I(GL_PACK_ALIGNMENT, pixel.pack.alignment, 1),
    B8(GL_MAP_COLOR, pixel.transfer.mapColor, 1),
    B8(GL_MAP_STENCIL, pixel.transfer.mapStencil, 1),
    I(GL_INDEX_SHIFT, pixel.transfer.indexShift, 1),
    I(GL_INDEX_OFFSET, pixel.transfer.indexOffset, 1),
    F(GL_RED_SCALE, pixel.transfer.redScale, 1),
    F(GL_RED_BIAS, pixel.transfer.redBias, 1),
    F(GL_ZOOM_X, pixel.transfer.zoomX, 1),
    F(GL_ZOOM_Y, pixel.transfer.zoomY, 1),
    F(GL_GREEN_SCALE, pixel.transfer.greenScale, 1),
    F(GL_GREEN_BIAS, pixel.transfer.greenBias, 1),
    F(GL_BLUE_SCALE, pixel.transfer.blueScale, 1),
    F(GL_BLUE_BIAS, pixel.transfer.blueBias, 1),
    F(GL_ALPHA_SCALE, pixel.transfer.alphaScale, 1),
    F(GL_ALPHA_BIAS, pixel.transfer.alphaBias, 1),
    F(GL_DEPTH_SCALE, pixel.transfer.depthScale, 1),
    F(GL_DEPTH_BIAS, pixel.transfer.depthBias, 1),
    I(GL_MAX_EVAL_ORDER, limits.maxEvalOrder, 1),
    I(GL_MAX_LIGHTS, limits.maxLights, 1),
    I(GL_MAX_CLIP_PLANES, limits.maxClipPlanes, 1),
    SPECIAL(GL_MAX_TEXTURE_SIZE),
    I(GL_MAX_PIXEL_MAP_TABLE, limits.maxPixelMapTable, 1),
    I(GL_MAX_ATTRIB_STACK_DEPTH, limits.maxAttribStackDepth, 1),
    I(GL_MAX_MODELVIEW_STACK_DEPTH, limits.maxModelviewStackDepth, 1),
    I(GL_MAX_NAME_STACK_DEPTH, limits.maxNameStackDepth, 1),
    I(GL_MAX_PROJECTION_STACK_DEPTH, limits.maxProjectionStackDepth, 1),
    I(GL_MAX_TEXTURE_STACK_DEPTH, limits.maxTextureStackDepth, 1),
    I(GL_MAX_VIEWPORT_DIMS, limits.maxViewportWidth, 2),
    I(GL_MAX_CLIENT_ATTRIB_STACK_DEPTH, limits.maxClientAttribStackDepth, 1),
    I(GL_SUBPIXEL_BITS, limits.subpixelBits, 1),
    SPECIAL(GL_INDEX_BITS),
    I(GL_RED_BITS, pixelFormat.redBits, 1),
    I(GL_GREEN_BITS, pixelFormat.greenBits, 1),
    I(GL_BLUE_BITS, pixelFormat.blueBits, 1),
    I(GL_ALPHA_BITS, pixelFormat.alphaBits, 1),
    I(GL_DEPTH_BITS, pixelFormat.depthBits, 1),
    I(GL_STENCIL_BITS, pixelFormat.stencilBits, 1),
    I(GL_ACCUM_RED_BITS, pixelFormat.accumRedBits, 1),
    I(GL_ACCUM_GREEN_BITS, pixelFormat.accumGreenBits, 1),
    I(GL_ACCUM_BLUE_BITS, pixelFormat.accumBlueBits, 1),
    I(GL_ACCUM_ALPHA_BITS, pixelFormat.accumAlphaBits, 1),
    SPECIAL(GL_NAME_STACK_DEPTH),
    I(GL_MAP1_GRID_SEGMENTS, evalGrid.n, 1),
    F(GL_MAP1_GRID_DOMAIN, evalGrid.u1, 2),
    I(GL_MAP2_GRID_SEGMENTS, evalGrid.nu, 2),
    F(GL_MAP2_GRID_DOMAIN, evalGrid.u21, 4),
    SPECIAL(GL_FEEDBACK_BUFFER_SIZE),
    I(GL_FEEDBACK_BUFFER_TYPE, feedbackType, 1),
    SPECIAL(GL_SELECTION_BUFFER_SIZE),
    F(GL_POLYGON_OFFSET_UNITS, polygon.offsetUnits, 1),
    F(GL_POLYGON_OFFSET_FACTOR, polygon.offsetFactor, 1),
    I(GL_TEXTURE_BINDING_1D, texture.target[0].name, 1),
    I(GL_TEXTURE_BINDING_2D, texture.target[1].name, 1),
    I(GL_VERTEX_ARRAY_SIZE, arrays.vertex.size, 1),
    I(GL_VERTEX_ARRAY_TYPE, arrays.vertex.type, 1),
    I(GL_VERTEX_ARRAY_STRIDE, arrays.vertex.givenStride, 1),
    I(GL_VERTEX_ARRAY_COUNT_EXT, arrays.vertex.count, 1),
    I(GL_NORMAL_ARRAY_TYPE, arrays.normal.type, 1),
    I(GL_NORMAL_ARRAY_STRIDE, arrays.normal.givenStride, 1),
    I(GL_NORMAL_ARRAY_COUNT_EXT, arrays.normal.count, 1),
    I(GL_COLOR_ARRAY_SIZE, arrays.color.size, 1),
    I(GL_COLOR_ARRAY_TYPE, arrays.color.type, 1),
    I(GL_COLOR_ARRAY_STRIDE, arrays.color.givenStride, 1),
    I(GL_COLOR_ARRAY_COUNT_EXT, arrays.color.count, 1),
    I(GL_INDEX_ARRAY_TYPE, arrays.index.type, 1),
    I(GL_INDEX_ARRAY_STRIDE, arrays.index.givenStride, 1),
    I(GL_INDEX_ARRAY_COUNT_EXT, arrays.index.count, 1),
    I(GL_TEXTURE_COORD_ARRAY_SIZE, arrays.texCoord.size, 1),
    I(GL_TEXTURE_COORD_ARRAY_TYPE, arrays.texCoord.type, 1),
    I(GL_TEXTURE_COORD_ARRAY_STRIDE, arrays.texCoord.givenStride, 1),
    I(GL_TEXTURE_COORD_ARRAY_COUNT_EXT, arrays.texCoord.count, 1),
    I(GL_EDGE_FLAG_ARRAY_STRIDE, arrays.edgeFlag.givenStride, 1),
    I(GL_EDGE_FLAG_ARRAY_COUNT_EXT, arrays.edgeFlag.count, 1),
    I(GL_ARRAY_ELEMENT_LOCK_FIRST_QTA, arrays.lockFirst, 1),
    I(GL_ARRAY_ELEMENT_LOCK_COUNT_QTA, arrays.lockCount, 1),
    F(GL_CULL_VERTEX_EYE_POSITION_QTA, cullVertex.eyeVector, 4),
    F(GL_CULL_VERTEX_OBJECT_POSITION_QTA, cullVertex.objectVector, 4),
    I(GL_INDEX_TEST_FUNC_QTA, colorBuffer.indexTestFunc, 1),
    F(GL_INDEX_TEST_REF_QTA, colorBuffer.indexTestRef, 1),
    I(GL_INDEX_MATERIAL_PARAMETER_QTA, lighting.indexMaterialMode, 1),
    I(GL_INDEX_MATERIAL_FACE_QTA, lighting.indexMaterialFace, 1),
};
#undef E
#undef SPECIAL
#undef B8
#undef BI
#undef F
#undef N
#undef I
#undef U16

static const GlGetEntry* findEntry(GLenum pname) {
    for (const GlGetEntry& e : getTable)
        if (e.pname == pname) return &e;
    return nullptr;
}

// Values staged for conversion: floats for the float kinds, words otherwise.
union GlGetStage {
    GLfloat f[16];
    GLint i[16];
    GLboolean b[16];
};

static GLint roundFloat(GLfloat v) {
    double d = __glIsNegative(v) ? (double)v - 0.5 : (double)v + 0.5;
    if (d >= 2147483647.0) return 0x7FFFFFFF;
    if (d <= -2147483648.0) return (GLint)0x80000000;
    return (GLint)d;
}

static GLint normToInt(const GlContext* gc, GLfloat v) {
    double d = floor((double)(v * gc->constants.uintMax * gc->constants.half));
    if (d >= 2147483647.0) return 0x7FFFFFFF;
    if (d <= -2147483648.0) return (GLint)0x80000000;
    return (GLint)d;
}

static bool floatTrue(GLfloat v) { return (__glFloatBits(v) & 0x7FFFFFFFu) != 0; }

extern "C" void GLPROC __glConvertResult(const GlContext* gc, int kind, const void* values, int type,
                                         void* out, int count) {
    const GLfloat* f = (const GLfloat*)values;
    const GLint* iv = (const GLint*)values;
    const GLboolean* bv = (const GLboolean*)values;
    const GLfloat* inv = gc->constants.invColorScale;
    for (int n = 0; n < count; n++) {
        GLfloat fv = 0.0f;  // the value as float, for the float kinds
        if (kind == KIND_FLOAT || kind == KIND_NORM) fv = f[n];
        else if (kind == KIND_SCALED) fv = f[n] * inv[n & 3];
        switch (type) {
        case REQ_FLOAT:
        case REQ_DOUBLE: {
            double d = kind == KIND_INT ? (double)iv[n] : kind == KIND_BOOL ? (bv[n] ? 1.0 : 0.0) : (double)fv;
            if (type == REQ_FLOAT) ((GLfloat*)out)[n] = kind == KIND_INT ? (GLfloat)iv[n] : (GLfloat)d;
            else ((GLdouble*)out)[n] = d;
            break;
        }
        case REQ_INT:
            ((GLint*)out)[n] = kind == KIND_INT    ? iv[n]
                               : kind == KIND_BOOL ? (bv[n] ? 1 : 0)
                               : kind == KIND_FLOAT ? roundFloat(fv)
                                                    : normToInt(gc, fv);
            break;
        default:
            ((GLboolean*)out)[n] = kind == KIND_INT ? (iv[n] != 0) : kind == KIND_BOOL ? (bv[n] ? 1 : 0)
                                                                                      : floatTrue(fv);
            break;
        }
    }
}

extern "C" GLboolean GLIMM __glImmIsEnabled(GLenum cap);
extern "C" GLboolean GLPROC __glIsEnabledCap(GlContext* gc, GLenum cap, GLboolean* known);

// Staged values of a computed pname; returns the count.
static int specialValues(GlContext* gc, GLenum pname, int* kind, GlGetStage* s) {
    *kind = KIND_INT;
    switch (pname) {
    case GL_CURRENT_RASTER_COLOR:
        if (gc->pixelFormat.rgba) {
            *kind = KIND_SCALED;
            memcpy(s->f, gc->current.raster.color, 16);
        } else {
            *kind = KIND_FLOAT;
            for (int i = 0; i < 4; i++) s->f[i] = 1.0f;
        }
        return 4;
    case GL_CURRENT_RASTER_INDEX:
        *kind = KIND_FLOAT;
        s->f[0] = gc->pixelFormat.rgba ? 1.0f : gc->current.raster.index;
        return 1;
    case GL_CURRENT_RASTER_POSITION: {
        const GLfloat* w = gc->current.raster.window;
        *kind = KIND_FLOAT;
        s->f[0] = w[0] - (gc->limits.windowBiasXf + 0.5f);
        s->f[1] = w[1] - (gc->limits.windowBiasYf + 0.5f);
        s->f[2] = w[2];
        s->f[3] = w[3];
        return 4;
    }
    case GL_MODELVIEW_STACK_DEPTH:
        s->i[0] = (GLint)(gc->matrices.modelViewTop - gc->matrices.modelView) + 1;
        return 1;
    case GL_PROJECTION_STACK_DEPTH:
        s->i[0] = (GLint)(gc->matrices.projectionTop - gc->matrices.projection) + 1;
        return 1;
    case GL_TEXTURE_STACK_DEPTH:
        s->i[0] = (GLint)(gc->matrices.textureTop - gc->matrices.texture) + 1;
        return 1;
    case GL_MODELVIEW_MATRIX:
    case GL_PROJECTION_MATRIX:
    case GL_TEXTURE_MATRIX: {
        const GlMatrixEntry* e = pname == GL_MODELVIEW_MATRIX    ? gc->matrices.modelViewTop
                                 : pname == GL_PROJECTION_MATRIX ? gc->matrices.projectionTop
                                                                 : gc->matrices.textureTop;
        *kind = KIND_FLOAT;
        memcpy(s->f, e->matrix.m, 64);
        return 16;
    }
    case GL_LIGHT_MODEL_AMBIENT:
        *kind = KIND_NORM;
        __glUnscaleColorFloat(gc, s->f, gc->lighting.model.ambient);
        return 4;
    case GL_AUX_BUFFERS:
        s->i[0] = 0;
        return 1;
    case GL_STEREO:
        *kind = KIND_BOOL;
        s->b[0] = GL_FALSE;
        return 1;
    case GL_MAX_TEXTURE_SIZE:
        s->i[0] = 1 << (gc->limits.textureLevels - 1);
        return 1;
    case GL_INDEX_BITS:
        s->i[0] = gc->pixelFormat.colorIndex ? (GLint)gc->pixelFormat.colorBits : 0;
        return 1;
    case GL_NAME_STACK_DEPTH:
        s->i[0] = (GLint)(gc->select.nameStackPtr - gc->select.nameStackBase);
        return 1;
    case GL_FEEDBACK_BUFFER_SIZE:
        s->i[0] = (GLint)(gc->feedback.end - gc->feedback.start);
        return 1;
    case GL_SELECTION_BUFFER_SIZE:
        s->i[0] = (GLint)(gc->select.end - gc->select.start);
        return 1;
    default:  // the pixel-map sizes
        s->i[0] = gc->pixel.maps[pname - GL_PIXEL_MAP_I_TO_I_SIZE].size;
        return 1;
    }
}

extern "C" void GLPROC __glDoGet(GLenum pname, void* params, int type) {
    GlThreadState* ts = __glThreadState();
    if (!__glSetterAllowed(ts)) return;
    GlContext* gc = ts->context;
    GlGetStage s;
    int kind, count;
    const GlGetEntry* e = findEntry(pname);
    if (e && e->store == ST_SPECIAL) {
        count = specialValues(gc, pname, &kind, &s);
    } else if (e) {
        const uint8_t* p = (const uint8_t*)gc + e->offset;
        kind = e->kind;
        count = e->count;
        for (int n = 0; n < count; n++) {
            switch (e->store) {
            case ST_F32: memcpy(&s.f[n], p + 4 * n, 4); break;
            case ST_F64: {
                GLdouble d;
                memcpy(&d, p + 8 * n, 8);
                s.f[n] = (GLfloat)d;
                break;
            }
            case ST_U8:
                if (kind == KIND_BOOL) s.b[n] = p[n] != 0;
                else s.i[n] = p[n];
                break;
            case ST_U16: s.i[n] = ((const uint16_t*)p)[n]; break;
            case ST_I16: s.i[n] = ((const int16_t*)p)[n]; break;
            default: {
                GLint v;
                memcpy(&v, p + 4 * n, 4);
                if (kind == KIND_BOOL) s.b[n] = v != 0;
                else s.i[n] = v;
            }
            }
        }
    } else {
        GLboolean known = GL_FALSE;
        const GLboolean on = __glIsEnabledCap(gc, pname, &known);
        if (!known) {
            __glSetError(GL_INVALID_ENUM);
            return;
        }
        kind = KIND_BOOL;
        count = 1;
        s.b[0] = on;
    }
    __glConvertResult(gc, kind, &s, type, params, count);
}

extern "C" void GLIMM __glImmGetBooleanv(GLenum pname, GLboolean* params) { __glDoGet(pname, params, REQ_BOOL); }
extern "C" void GLIMM __glImmGetIntegerv(GLenum pname, GLint* params) { __glDoGet(pname, params, REQ_INT); }
extern "C" void GLIMM __glImmGetFloatv(GLenum pname, GLfloat* params) { __glDoGet(pname, params, REQ_FLOAT); }
extern "C" void GLIMM __glImmGetDoublev(GLenum pname, GLdouble* params) { __glDoGet(pname, params, REQ_DOUBLE); }

static GlContext* queryContext() {
    GlThreadState* ts = __glThreadState();
    return __glSetterAllowed(ts) ? ts->context : nullptr;
}

static void getPointer(GLenum pname, GLvoid** params) {
    GlContext* gc = queryContext();
    if (!gc) return;
    const GlVertexArrayState* a = &gc->arrays;
    switch (pname) {
    case GL_FEEDBACK_BUFFER_POINTER: *params = gc->feedback.start; return;
    case GL_SELECTION_BUFFER_POINTER: *params = gc->select.start; return;
    case GL_VERTEX_ARRAY_POINTER: *params = (GLvoid*)a->vertex.pointer; return;
    case GL_NORMAL_ARRAY_POINTER: *params = (GLvoid*)a->normal.pointer; return;
    case GL_COLOR_ARRAY_POINTER: *params = (GLvoid*)a->color.pointer; return;
    case GL_INDEX_ARRAY_POINTER: *params = (GLvoid*)a->index.pointer; return;
    case GL_TEXTURE_COORD_ARRAY_POINTER: *params = (GLvoid*)a->texCoord.pointer; return;
    case GL_EDGE_FLAG_ARRAY_POINTER: *params = (GLvoid*)a->edgeFlag.pointer; return;
    }
    __glSetError(GL_INVALID_ENUM);
}
extern "C" void GLIMM __glImmGetPointerv(GLenum pname, GLvoid** params) { getPointer(pname, params); }
extern "C" void GLIMM __glImmGetPointervEXT(GLenum pname, GLvoid** params) { getPointer(pname, params); }

extern "C" void GLIMM __glImmGetClipPlane(GLenum plane, GLdouble* equation) {
    GlContext* gc = queryContext();
    if (!gc) return;
    GLuint i = plane - GL_CLIP_PLANE0;
    if (i >= (GLuint)gc->limits.maxClipPlanes) {
        __glSetError(GL_INVALID_ENUM);
        return;
    }
    for (int j = 0; j < 4; j++) equation[j] = gc->transform.eyeClipPlanes[i][j];
}

// glGetLight*: stages the values of (light, pname); false after an error.
// A query of one object's parameter (light, material, texture environment,
// generation, parameters): the values procedure stages them, the request type
// converts them.
typedef bool (*GlValuesProc)(GlContext* gc, GLenum object, GLenum pname, GlGetStage* s, int* kind, int* count);
template <GlValuesProc values, int request, class T>
static void specificQuery(GLenum object, GLenum pname, T* params) {
    GlContext* gc = queryContext();
    GlGetStage s;
    int kind, count;
    if (gc && values(gc, object, pname, &s, &kind, &count)) __glConvertResult(gc, kind, &s, request, params, count);
}

static bool lightValues(GlContext* gc, GLenum light, GLenum pname, GlGetStage* s, int* kind, int* count) {
    GLuint i = light - GL_LIGHT0;
    if (i >= (GLuint)gc->limits.maxLights) {
        __glSetError(GL_INVALID_ENUM);
        return false;
    }
    const GlLight* t = &gc->lighting.light[i];
    *kind = KIND_FLOAT;
    *count = 1;
    switch (pname) {
    case GL_AMBIENT: *kind = KIND_NORM, *count = 4; __glUnscaleColorFloat(gc, s->f, t->ambient); break;
    case GL_DIFFUSE: *kind = KIND_NORM, *count = 4; __glUnscaleColorFloat(gc, s->f, t->diffuse); break;
    case GL_SPECULAR: *kind = KIND_NORM, *count = 4; __glUnscaleColorFloat(gc, s->f, t->specular); break;
    case GL_POSITION: *count = 4; memcpy(s->f, t->position, 16); break;
    case GL_SPOT_DIRECTION: *count = 3; memcpy(s->f, t->spotDirection, 12); break;
    case GL_SPOT_EXPONENT: s->f[0] = t->spotExponent; break;
    case GL_SPOT_CUTOFF: s->f[0] = t->spotCutoff; break;
    case GL_CONSTANT_ATTENUATION: s->f[0] = t->constantAttenuation; break;
    case GL_LINEAR_ATTENUATION: s->f[0] = t->linearAttenuation; break;
    case GL_QUADRATIC_ATTENUATION: s->f[0] = t->quadraticAttenuation; break;
    default: __glSetError(GL_INVALID_ENUM); return false;
    }
    return true;
}

extern "C" void GLIMM __glImmGetLightfv(GLenum light, GLenum pname, GLfloat* params) {
    specificQuery<lightValues, REQ_FLOAT>(light, pname, params);
}
extern "C" void GLIMM __glImmGetLightiv(GLenum light, GLenum pname, GLint* params) {
    specificQuery<lightValues, REQ_INT>(light, pname, params);
}

static bool materialValues(GlContext* gc, GLenum face, GLenum pname, GlGetStage* s, int* kind, int* count) {
    const GlMaterial* m = face == GL_FRONT ? &gc->lighting.front : face == GL_BACK ? &gc->lighting.back : nullptr;
    if (!m) {
        __glSetError(GL_INVALID_ENUM);
        return false;
    }
    *kind = KIND_NORM;
    *count = 4;
    switch (pname) {
    case GL_AMBIENT: memcpy(s->f, m->ambient, 16); break;
    case GL_DIFFUSE: memcpy(s->f, m->diffuse, 16); break;
    case GL_SPECULAR: memcpy(s->f, m->specular, 16); break;
    case GL_EMISSION: __glUnscaleColorFloat(gc, s->f, m->emission); break;
    case GL_SHININESS: *kind = KIND_FLOAT, *count = 1, s->f[0] = m->shininess; break;
    case GL_COLOR_INDEXES:
        *kind = KIND_FLOAT, *count = 3;
        s->f[0] = m->ambientIndex, s->f[1] = m->diffuseIndex, s->f[2] = m->specularIndex;
        break;
    case GL_INDEX_SHIFT: *kind = KIND_FLOAT, *count = 1, s->f[0] = m->indexShift; break;
    case GL_INDEX_OFFSET: *kind = KIND_FLOAT, *count = 1, s->f[0] = m->indexOffset; break;
    default: __glSetError(GL_INVALID_ENUM); return false;
    }
    return true;
}

extern "C" void GLIMM __glImmGetMaterialfv(GLenum face, GLenum pname, GLfloat* params) {
    specificQuery<materialValues, REQ_FLOAT>(face, pname, params);
}
extern "C" void GLIMM __glImmGetMaterialiv(GLenum face, GLenum pname, GLint* params) {
    specificQuery<materialValues, REQ_INT>(face, pname, params);
}

static bool texEnvValues(GlContext* gc, GLenum target, GLenum pname, GlGetStage* s, int* kind, int* count) {
    if (target != GL_TEXTURE_ENV) {
        __glSetError(GL_INVALID_ENUM);
        return false;
    }
    if (pname == GL_TEXTURE_ENV_MODE) {
        *kind = KIND_INT, *count = 1, s->i[0] = (GLint)gc->texture.env.mode;
    } else if (pname == GL_TEXTURE_ENV_COLOR) {
        *kind = KIND_NORM, *count = 4;
        __glUnscaleColorFloat(gc, s->f, gc->texture.env.color);
    } else {
        __glSetError(GL_INVALID_ENUM);
        return false;
    }
    return true;
}
extern "C" void GLIMM __glImmGetTexEnvfv(GLenum target, GLenum pname, GLfloat* params) {
    specificQuery<texEnvValues, REQ_FLOAT>(target, pname, params);
}
extern "C" void GLIMM __glImmGetTexEnviv(GLenum target, GLenum pname, GLint* params) {
    specificQuery<texEnvValues, REQ_INT>(target, pname, params);
}

static bool texGenValues(GlContext* gc, GLenum coord, GLenum pname, GlGetStage* s, int* kind, int* count) {
    GLuint c = coord - GL_S;
    if (c > 3) {
        __glSetError(GL_INVALID_ENUM);
        return false;
    }
    const GlTexGenState* g = &gc->texture.gen[c];
    *kind = KIND_FLOAT, *count = 4;
    switch (pname) {
    case GL_TEXTURE_GEN_MODE: *kind = KIND_INT, *count = 1, s->i[0] = (GLint)g->mode; break;
    case GL_OBJECT_PLANE: memcpy(s->f, g->objectPlane, 16); break;
    case GL_EYE_PLANE: memcpy(s->f, g->eyePlane, 16); break;
    default: __glSetError(GL_INVALID_ENUM); return false;
    }
    return true;
}
extern "C" void GLIMM __glImmGetTexGenfv(GLenum coord, GLenum pname, GLfloat* params) {
    specificQuery<texGenValues, REQ_FLOAT>(coord, pname, params);
}
extern "C" void GLIMM __glImmGetTexGendv(GLenum coord, GLenum pname, GLdouble* params) {
    specificQuery<texGenValues, REQ_DOUBLE>(coord, pname, params);
}
extern "C" void GLIMM __glImmGetTexGeniv(GLenum coord, GLenum pname, GLint* params) {
    specificQuery<texGenValues, REQ_INT>(coord, pname, params);
}

static bool texParameterValues(GlContext* gc, GLenum target, GLenum pname, GlGetStage* s, int* kind, int* count) {
    const GlTexTargetState* x = __glLookupTexTargetState(gc, target);
    if (!x) {
        __glSetError(GL_INVALID_ENUM);
        return false;
    }
    *kind = KIND_INT, *count = 1;
    switch (pname) {
    case GL_TEXTURE_WRAP_S: s->i[0] = (GLint)x->wrapS; break;
    case GL_TEXTURE_WRAP_T: s->i[0] = (GLint)x->wrapT; break;
    case GL_TEXTURE_MIN_FILTER: s->i[0] = (GLint)x->minFilter; break;
    case GL_TEXTURE_MAG_FILTER: s->i[0] = (GLint)x->magFilter; break;
    case GL_TEXTURE_BORDER_COLOR: *kind = KIND_NORM, *count = 4; memcpy(s->f, x->borderColor, 16); break;
    case GL_TEXTURE_PRIORITY: *kind = KIND_NORM, s->f[0] = x->priority; break;
    case GL_TEXTURE_RESIDENT: s->i[0] = __glLookupTextureObject(gc, target)->resident; break;
    default: __glSetError(GL_INVALID_ENUM); return false;
    }
    return true;
}
extern "C" void GLIMM __glImmGetTexParameterfv(GLenum target, GLenum pname, GLfloat* params) {
    specificQuery<texParameterValues, REQ_FLOAT>(target, pname, params);
}
extern "C" void GLIMM __glImmGetTexParameteriv(GLenum target, GLenum pname, GLint* params) {
    specificQuery<texParameterValues, REQ_INT>(target, pname, params);
}

// The default control point of each map (order 1).
static const GLfloat defaultControlPoints[GL_STATE_EVAL_MAPS][4] = {
    {1, 1, 1, 1}, {1, 0, 0, 0}, {0, 0, 1, 0}, {0, 0, 0, 0}, {0, 0, 0, 0},
    {0, 0, 0, 0}, {0, 0, 0, 1}, {0, 0, 0, 0}, {0, 0, 0, 1},
};

static void getMap(GLenum target, GLenum query, void* v, int type) {
    GlContext* gc = queryContext();
    if (!gc) return;
    const GLuint i1 = target - GL_MAP1_COLOR_4, i2 = target - GL_MAP2_COLOR_4;
    if (i1 >= GL_STATE_EVAL_MAPS && i2 >= GL_STATE_EVAL_MAPS) {
        __glSetError(GL_INVALID_ENUM);
        return;
    }
    const bool two = i2 < GL_STATE_EVAL_MAPS;
    const GLuint i = two ? i2 : i1;
    GLfloat domain[4];
    GLint order[2];
    const GLfloat* points;
    int k, n;
    if (two) {
        const GlEvalMap2* m = &gc->eval.map2[i];
        k = m->k, n = m->uorder * m->vorder;
        order[0] = m->uorder, order[1] = m->vorder;
        domain[0] = m->u1, domain[1] = m->u2, domain[2] = m->v1, domain[3] = m->v2;
        points = gc->eval.points2[i];
    } else {
        const GlEvalMap1* m = &gc->eval.map1[i];
        k = m->k, n = m->order;
        order[0] = m->order;
        domain[0] = m->u1, domain[1] = m->u2;
        points = gc->eval.points1[i];
    }
    if (!points) points = defaultControlPoints[i], n = 1;
    switch (query) {
    case GL_COEFF: __glConvertResult(gc, KIND_FLOAT, points, type, v, k * n); return;
    case GL_ORDER: __glConvertResult(gc, KIND_INT, order, type, v, two ? 2 : 1); return;
    case GL_DOMAIN: __glConvertResult(gc, KIND_FLOAT, domain, type, v, two ? 4 : 2); return;
    }
    __glSetError(GL_INVALID_ENUM);
}
extern "C" void GLIMM __glImmGetMapfv(GLenum target, GLenum query, GLfloat* v) { getMap(target, query, v, REQ_FLOAT); }
extern "C" void GLIMM __glImmGetMapdv(GLenum target, GLenum query, GLdouble* v) { getMap(target, query, v, REQ_DOUBLE); }
extern "C" void GLIMM __glImmGetMapiv(GLenum target, GLenum query, GLint* v) { getMap(target, query, v, REQ_INT); }

// Pixel maps: I_TO_I and S_TO_S hold integers, the others floats.
enum { PM_FLOAT, PM_UINT, PM_USHORT };
static void getPixelMap(GLenum map, void* values, int form) {
    GlContext* gc = queryContext();
    if (!gc) return;
    GLuint m = map - GL_PIXEL_MAP_I_TO_I;
    if (m >= GL_STATE_PIXEL_MAPS) {
        __glSetError(GL_INVALID_ENUM);
        return;
    }
    const GlPixelMap* pm = &gc->pixel.maps[m];
    const bool ints = m < 2;
    for (GLint n = 0; n < pm->size; n++) {
        uint32_t word = pm->values ? ((const uint32_t*)pm->values)[n] : 0;
        GLfloat f;
        memcpy(&f, &word, 4);
        GLint iv = (GLint)word;
        switch (form) {
        case PM_FLOAT: ((GLfloat*)values)[n] = ints ? (GLfloat)iv : f; break;
        // Float entries (in [0, 1]) map linearly onto the whole unsigned range.
        case PM_UINT: ((GLuint*)values)[n] = ints ? (GLuint)iv : (GLuint)((double)f * 4294967295.0 + 0.5); break;
        default: ((GLushort*)values)[n] = (GLushort)(ints ? iv : (GLint)((double)f * 65535.0 + 0.5)); break;
        }
    }
}
extern "C" void GLIMM __glImmGetPixelMapfv(GLenum map, GLfloat* values) { getPixelMap(map, values, PM_FLOAT); }
extern "C" void GLIMM __glImmGetPixelMapuiv(GLenum map, GLuint* values) { getPixelMap(map, values, PM_UINT); }
extern "C" void GLIMM __glImmGetPixelMapusv(GLenum map, GLushort* values) { getPixelMap(map, values, PM_USHORT); }
