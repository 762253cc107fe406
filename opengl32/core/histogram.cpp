#include "histogram.h"

extern "C" GlHistogram* GLPROC __glHistogramCreate(GlContext* gc, GLuint binCount, GLuint latency) {
    GlHistogram* h = (GlHistogram*)gc->imports.calloc(gc, 1, sizeof(GlHistogram));
    if (!h) return nullptr;
    h->bins = (GLuint*)gc->imports.calloc(gc, binCount, sizeof(GLuint));
    if (!h->bins) {
        gc->imports.free(gc, h);
        return nullptr;
    }
    h->binCount = binCount;
    h->latency = latency;
    h->minBin = h->maxBin = -1;
    return h;
}

extern "C" void GLPROC __glHistogramAddSample(GlHistogram* h, GLuint clocks) {
    if (!h) return;
    h->totalSamples++;
    GLuint bin = clocks - h->latency;
    if (bin < h->binCount) {
        h->bins[bin]++;
        h->acceptedSamples++;
    }
}

extern "C" uint64_t GLPROC __glReadTimeStamp(void) {
    uint32_t lo, hi;
    __asm__ __volatile__("rdtsc" : "=a"(lo), "=d"(hi));
    return ((uint64_t)hi << 32) | lo;
}

extern "C" void GLPROC __glHistogramFinish(GlHistogram* h) {
    if (!h || h->acceptedSamples == 0) return;
    double weighted = 0;
    h->minBin = h->maxBin = -1;
    h->mode = 0;
    for (GLuint i = 0; i < h->binCount; i++) {
        GLuint n = h->bins[i];
        if (!n) continue;
        if (h->minBin < 0) h->minBin = (GLint)i;
        h->maxBin = (GLint)i;
        if (n > h->bins[h->mode]) h->mode = (GLint)i;
        weighted += (double)n * i;
    }
    h->mean = (GLfloat)(weighted / h->acceptedSamples);
}

extern "C" void GLPROC __glHistogramPrint(const GlHistogram* h, FILE* f, float threshold) {
    if (!h) {
        fprintf(f, "__glHistogramPrint() -- h == NULL\n");
        return;
    }
    if (h->totalSamples == 0) return;
    fprintf(f, "latency:          %d\n", (int)h->latency);
    fprintf(f, "total samples:    %d\n", (int)h->totalSamples);
    fprintf(f, "accepted samples: %d\n", (int)h->acceptedSamples);
    fprintf(f, "min:              %d\n", h->minBin);
    fprintf(f, "max:              %d\n", h->maxBin);
    fprintf(f, "max allowable:    %d\n", (int)h->binCount);
    fprintf(f, "median:           %d\n", h->minBin + (h->maxBin - h->minBin) / 2);
    fprintf(f, "mode:             %d\n", h->mode);
    fprintf(f, "mean:             %.2f\n", h->mean);
    fprintf(f, "\nclocks            %%\n");
    if (h->minBin < 0) return;  // samples taken, none accepted: no rows
    for (GLint i = h->minBin; i <= h->maxBin; i++) {
        float share = (float)h->bins[i] / (float)h->totalSamples;
        if (share > threshold) fprintf(f, "%-4d              %.2f\n", i, share * 100.0f);
    }
}

extern "C" void GLPROC __glHistogramDestroy(GlContext* gc, GlHistogram* h) {
    if (!h) return;
    gc->imports.free(gc, h->bins);
    gc->imports.free(gc, h);
}
