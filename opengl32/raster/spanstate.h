// Span and line walk state of a context, and the stage procedures that run
// over a span or a line.
#pragma once

#include "core/glcore.h"

struct GlVertex;
struct GlColorBuffer;

// A span or line stage: works on every pixel of the current span or line.
// List A: returns 1 when it killed a pixel (and builds the coverage words);
// list B: returns 1 when no pixel is left alive.
typedef GLuint (GLPROC* GlSpanStageProc)(GlContext* gc);

enum { GL_MAX_SPAN_STAGES = 16, GL_MAX_LINE_STAGES = 16 };

// One triangle edge in 31-bit fixed point.
struct GlEdge {
    GLint littleStep, bigStep, fractionStep;
    GLint x;
    GLint fraction;  // 0 .. 0x7FFFFFFF
};

struct GlSpanState {
    // ---- Triangle set-up and walk.
    GLint clipBox[4];  // window clip box x0, y0 (inclusive), x1, y1 (exclusive), biased
    GlEdge leftEdge, rightEdge;
    GLfloat area;
    GLfloat dxAC, dxBC, dyAC, dyBC;
    GLint spanX, spanY;
    GLuint spanZ;  // depth at the first pixel, depth-buffer units (unsigned)
    GLfloat spanColor[4];
    GLfloat spanTexture[4];  // s, t, q, level of detail
    GLfloat spanFog;
    GLint spanLength;
    GLfloat colorLittleStep[4], colorBigStep[4];
    GLfloat colorDx[4], colorDy[4];
    GLuint zLittleStep, zBigStep;  // modulo 2^32
    GLint zDx, zDx32;
    GLfloat zDyF, zDxF;
    GLfloat textureLittleStep[4], textureBigStep[4], textureDx[4], textureDy[4];
    GLfloat fogLittleStep, fogBigStep, fogDy, fogDx;
    GLuint rasterFlags;
    uint8_t* depthAddress;
    GLint depthBigStep, depthLittleStep;
    uint8_t* stencilAddress;
    GLint stencilBigStep, stencilLittleStep;
    double offsetZ;  // offset depth at the first pixel, unclamped: one unit stays visible at 32 bits
    GLuint offsetClampLow, offsetClampHigh;
    GLfloat offsetRunStart, offsetRunEnd;
    GLfloat offsetRunBigStep, offsetRunLittleStep;
    double primitiveOffset;  // depth offset of a polygon drawn as outline or vertices; 0 otherwise

    // ---- Span stages.
    GLfloat (*spanColors)[4];      // one colour per pixel (index in [0])
    GLfloat (*spanDestColors)[4];  // destination pixels, fetched when needed
    GLuint* spanCoverage;          // one word per 32 pixels, first pixel in bit 31
    uint8_t spanAllDead;
    uint8_t windowInside;  // the viewport lies inside the clip box: no scissor stage
    uint8_t spanPad[2];
    GlColorBuffer* spanColorBuffer;

    // ---- Line walk.
    GLuint lineYMajor;
    GLint linePixelCount;
    GLfloat lineMajorStartOffset;
    GLfloat lineMajorDelta;
    GLint lineX, lineY;
    GLint lineAxialDx, lineAxialDy;
    GLint lineDiagDx, lineDiagDy;
    GLuint lineFraction;  // 1.31
    GLint lineSlope;      // 1.31, signed
    GLint lineWidthRows;
    GLint lineStippleBit, lineStippleRepeat;
    GLint lineHiddenBefore, lineHiddenAfter;  // pixels of the line cut off before and after the clip box
    GlVertex* lineVertex0;
    GlVertex* lineVertex1;
    // Antialiased lines.
    GLfloat lineLength;
    GLfloat lineDirX, lineDirY;
    GLfloat lineAlongAxial, lineAlongDiag, lineAcrossAxial, lineAcrossDiag;
    GLfloat lineAlong, lineAcross;
    GLfloat lineStippleOffset, lineStippleScale;
    // Line stages.
    GLfloat (*lineColors)[4];  // one colour per pixel (index in [0]): the span colours
    GLuint* lineCoverage;      // one word per 32 pixels, first pixel in bit 31
    uint8_t lineAllDead;       // every pixel of the line is dead
    uint8_t linePad[3];
};

static_assert(sizeof(GlEdge) == 20, "GlEdge: five words");
