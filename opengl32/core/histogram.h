// Histogram of processor clock counts, written to "hist.out" at context destruction.
#pragma once

#include <stdio.h>
#include "glcontext.h"

struct GlHistogram {
    GLuint* bins;
    GLuint binCount;
    GLuint latency;
    GLfloat mean;
    GLint mode;
    GLuint totalSamples;
    GLuint acceptedSamples;
    GLint minBin, maxBin;  // -1 when no bin is filled
};

extern "C" {
GlHistogram* GLPROC __glHistogramCreate(GlContext* gc, GLuint binCount, GLuint latency);
void GLPROC __glHistogramAddSample(GlHistogram* h, GLuint clocks);
uint64_t GLPROC __glReadTimeStamp(void);
void GLPROC __glHistogramFinish(GlHistogram* h);
void GLPROC __glHistogramPrint(const GlHistogram* h, FILE* stream, float threshold);
void GLPROC __glHistogramDestroy(GlContext* gc, GlHistogram* h);
}
