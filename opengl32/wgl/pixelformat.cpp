// Pixel formats: 36 candidate descriptors filtered against the display format.

#include <string.h>
#include "pixelformat.h"
#include "drawable.h"

enum {
    SINGLE_FLAGS = PFD_DRAW_TO_WINDOW | PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI | PFD_SUPPORT_OPENGL |
                   PFD_GENERIC_FORMAT,
    DOUBLE_FLAGS = PFD_DOUBLEBUFFER | PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_GENERIC_FORMAT,
    REQUEST_FLAGS = 0x000007FF | PFD_DOUBLEBUFFER_DONTCARE | PFD_STEREO_DONTCARE,
};

// One group of candidates: four of them (single and double buffered, depth
// 32 and 16), only the two single-buffered ones for 4-bit colour.
struct CandidateGroup {
    BYTE type, colorBits;
    BYTE redBits, redShift, greenBits, greenShift, blueBits, blueShift;
    BYTE accumBits;
};

static const CandidateGroup groups[] = {
    {PFD_TYPE_RGBA, 32, 0, 0, 0, 0, 0, 0, 64},      {PFD_TYPE_COLORINDEX, 32, 0, 0, 0, 0, 0, 0, 0},
    {PFD_TYPE_RGBA, 24, 8, 16, 8, 8, 8, 0, 64},     {PFD_TYPE_COLORINDEX, 24, 0, 0, 0, 0, 0, 0, 0},
    {PFD_TYPE_RGBA, 16, 0, 0, 0, 0, 0, 0, 64},      {PFD_TYPE_COLORINDEX, 16, 0, 0, 0, 0, 0, 0, 0},
    {PFD_TYPE_RGBA, 8, 3, 5, 3, 2, 2, 0, 64},       {PFD_TYPE_COLORINDEX, 8, 0, 0, 0, 0, 0, 0, 0},
    {PFD_TYPE_RGBA, 4, 1, 0, 1, 1, 1, 2, 64},       {PFD_TYPE_COLORINDEX, 4, 0, 0, 0, 0, 0, 0, 0},
};

static PIXELFORMATDESCRIPTOR candidates[WGL_CANDIDATE_COUNT];
static const PIXELFORMATDESCRIPTOR* list[WGL_CANDIDATE_COUNT];
static int listCount;
static bool candidatesMade;

static void makeCandidates(void) {
    int n = 0;
    for (const CandidateGroup& g : groups) {
        const int variants = g.colorBits == 4 ? 2 : 4;
        for (int v = 0; v < variants; v++) {
            PIXELFORMATDESCRIPTOR* p = &candidates[n++];
            memset(p, 0, sizeof *p);
            p->nSize = sizeof(PIXELFORMATDESCRIPTOR);
            p->nVersion = 1;
            p->dwFlags = v < 2 ? SINGLE_FLAGS : DOUBLE_FLAGS;
            p->iPixelType = g.type;
            p->cColorBits = g.colorBits;
            p->cRedBits = g.redBits, p->cRedShift = g.redShift;
            p->cGreenBits = g.greenBits, p->cGreenShift = g.greenShift;
            p->cBlueBits = g.blueBits, p->cBlueShift = g.blueShift;
            if (g.accumBits) {
                p->cAccumBits = g.accumBits;
                p->cAccumRedBits = p->cAccumGreenBits = p->cAccumBlueBits = p->cAccumAlphaBits = 16;
            }
            p->cDepthBits = v % 2 == 0 ? 32 : 16;
            p->cStencilBits = 8;
            p->iLayerType = PFD_MAIN_PLANE;
        }
    }
    candidatesMade = true;
}

void __wglDisplayFormat(DWORD* bits, DWORD masks[3]) {
    *bits = 16;
    masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F;
}

// Bits and shift of the run of ones in a colour mask.
static void maskRun(DWORD mask, BYTE* bits, BYTE* shift) {
    *bits = *shift = 0;
    if (!mask) return;
    while (!(mask & 1)) mask >>= 1, ++*shift;
    while (mask & 1) mask >>= 1, ++*bits;
}

// Fits a candidate of colour depth C to the display of depth D; false rejects it.
static bool adjust(PIXELFORMATDESCRIPTOR* p, DWORD displayBits, const DWORD masks[3]) {
    const DWORD c = p->cColorBits;
    if (c == displayBits) p->dwFlags |= PFD_DRAW_TO_WINDOW;
    else p->dwFlags &= ~PFD_DRAW_TO_WINDOW;
    if (p->dwFlags & PFD_DOUBLEBUFFER) {
        p->dwFlags &= ~(PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI);
        if (!(p->dwFlags & PFD_DRAW_TO_WINDOW)) return false;
    } else {
        p->dwFlags |= PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI;
    }
    if (c == 8 && p->iPixelType == PFD_TYPE_RGBA) p->dwFlags |= PFD_NEED_PALETTE;
    else p->dwFlags &= ~(PFD_NEED_PALETTE | PFD_NEED_SYSTEM_PALETTE);
    if (c == 16 || c == 32) {
        maskRun(masks[0], &p->cRedBits, &p->cRedShift);
        maskRun(masks[1], &p->cGreenBits, &p->cGreenShift);
        maskRun(masks[2], &p->cBlueBits, &p->cBlueShift);
        p->cAlphaBits = p->cAlphaShift = 0;
    }
    if (displayBits > 8 && p->iPixelType == PFD_TYPE_COLORINDEX) {
        p->dwFlags &= ~PFD_DRAW_TO_WINDOW;
        if (!(p->dwFlags & PFD_DRAW_TO_BITMAP)) return false;
    }
    return true;
}

static void ownMasks(const PIXELFORMATDESCRIPTOR* p, DWORD masks[3]) {
    masks[0] = masks[1] = masks[2] = 0;
    if (p->iPixelType != PFD_TYPE_RGBA) return;
    switch (p->cColorBits) {
    case 8: masks[0] = 0xE0, masks[1] = 0x1C, masks[2] = 0x03; break;
    case 16: masks[0] = 0xF800, masks[1] = 0x07E0, masks[2] = 0x001F; break;
    case 24:
    case 32: masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF; break;
    }
}

static void rebuild(void) {
    if (!candidatesMade) makeCandidates();
    DWORD displayBits, displayMasks[3];
    __wglDisplayFormat(&displayBits, displayMasks);
    listCount = 0;
    for (PIXELFORMATDESCRIPTOR& p : candidates)
        if (p.cColorBits == displayBits && adjust(&p, displayBits, displayMasks)) list[listCount++] = &p;
    for (PIXELFORMATDESCRIPTOR& p : candidates) {
        if (p.cColorBits == displayBits) continue;
        DWORD masks[3];
        ownMasks(&p, masks);
        if (adjust(&p, displayBits, masks)) list[listCount++] = &p;
    }
}

void __wglRefreshPixelFormats(void) {
    if (candidatesMade && !__wglPixelFormatsStale) return;
    rebuild();
    __wglPixelFormatsStale = 0;
}

int __wglPixelFormatCount(void) {
    __wglRefreshPixelFormats();
    return listCount;
}

const PIXELFORMATDESCRIPTOR* __wglPixelFormat(int index) {
    __wglRefreshPixelFormats();
    return index >= 1 && index <= listCount ? list[index - 1] : nullptr;
}

// Whether q is a better match for the request r than the best so far, p.
static bool better(const PIXELFORMATDESCRIPTOR* q, const PIXELFORMATDESCRIPTOR* p,
                   const PIXELFORMATDESCRIPTOR* r) {
    const bool rgba = r->iPixelType == PFD_TYPE_RGBA;
    return (p->cColorBits < r->cColorBits && p->cColorBits < q->cColorBits) ||
           (q->cColorBits >= r->cColorBits && q->cColorBits < p->cColorBits) ||
           (rgba && r->cAlphaBits && q->cAlphaBits > p->cAlphaBits) ||
           (rgba && r->cAccumBits && q->cAccumBits > p->cAccumBits) ||
           (p->cDepthBits < r->cDepthBits && p->cDepthBits < q->cDepthBits) ||
           (q->cDepthBits >= r->cDepthBits && q->cDepthBits < p->cDepthBits) ||
           (r->cStencilBits && q->cStencilBits > p->cStencilBits) ||
           (r->cAuxBuffers && q->cAuxBuffers > p->cAuxBuffers);
}

static bool matches(const PIXELFORMATDESCRIPTOR* q, const PIXELFORMATDESCRIPTOR* r) {
    const DWORD required = r->dwFlags & (PFD_DRAW_TO_WINDOW | PFD_DRAW_TO_BITMAP | PFD_SUPPORT_GDI |
                                         PFD_SUPPORT_OPENGL);
    if (q->iPixelType != r->iPixelType || q->iLayerType != r->iLayerType) return false;
    if ((q->dwFlags & required) != required) return false;
    if (!(r->dwFlags & PFD_DOUBLEBUFFER_DONTCARE) &&
        ((q->dwFlags ^ r->dwFlags) & PFD_DOUBLEBUFFER))
        return false;
    if (!(r->dwFlags & PFD_STEREO_DONTCARE) && ((q->dwFlags ^ r->dwFlags) & PFD_STEREO)) return false;
    if (r->iPixelType == PFD_TYPE_RGBA) {
        if (r->cAlphaBits && !q->cAlphaBits) return false;
        if (r->cAccumBits && !q->cAccumBits) return false;
    }
    if (r->cDepthBits && !q->cDepthBits) return false;
    if (r->cStencilBits && !q->cStencilBits) return false;
    if (r->cAuxBuffers && !q->cAuxBuffers) return false;
    return true;
}

// Like every wgl entry, the pixel-format calls first attach the calling thread
// (its record and message hook); a thread that cannot be attached fails.
int WINAPI __wglChoosePixelFormat(HDC, const PIXELFORMATDESCRIPTOR* r) {
    if (!__wglGetCurrentContext()) return 0;
    __wglRefreshPixelFormats();
    if (!r || (r->dwFlags & ~(DWORD)REQUEST_FLAGS)) return 0;
    if (r->iPixelType != PFD_TYPE_RGBA && r->iPixelType != PFD_TYPE_COLORINDEX) return 0;
    if (r->iLayerType != 0 && r->iLayerType != 1) return 0;
    int best = 0;
    for (int i = 0; i < listCount; i++) {
        const PIXELFORMATDESCRIPTOR* q = list[i];
        if (!matches(q, r)) continue;
        if (!best || better(q, list[best - 1], r)) best = i + 1;
    }
    return best;
}

int WINAPI __wglDescribePixelFormat(HDC, int index, UINT bytes, PIXELFORMATDESCRIPTOR* out) {
    if (!__wglGetCurrentContext()) return 0;
    __wglRefreshPixelFormats();
    if (!out) return listCount;
    if (index < 1 || index > listCount) return 0;
    memcpy(out, list[index - 1], bytes < sizeof *out ? bytes : sizeof *out);
    return listCount;
}

static DWORD runMask(BYTE bits, BYTE shift) { return bits ? ((1u << bits) - 1) << shift : 0; }

GlPixelFormatInfo __wglBuildPixelFormatInfo(const PIXELFORMATDESCRIPTOR* p) {
    GlPixelFormatInfo f = {};
    f.rgba = p->iPixelType == PFD_TYPE_RGBA;
    f.colorIndex = p->iPixelType == PFD_TYPE_COLORINDEX;
    f.doubleBuffer = (p->dwFlags & PFD_DOUBLEBUFFER) != 0;
    f.stereo = (p->dwFlags & PFD_STEREO) != 0;
    f.accumPresent = p->cAccumBits != 0;
    f.depthPresent = p->cDepthBits != 0;
    f.stencilPresent = p->cStencilBits != 0;
    f.redBits = p->cRedBits, f.greenBits = p->cGreenBits, f.blueBits = p->cBlueBits;
    f.alphaBits = p->cAlphaBits;
    f.redMask = runMask(p->cRedBits, p->cRedShift);
    f.greenMask = runMask(p->cGreenBits, p->cGreenShift);
    f.blueMask = runMask(p->cBlueBits, p->cBlueShift);
    f.alphaMask = runMask(p->cAlphaBits, p->cAlphaShift);
    f.colorBits = p->cColorBits;
    f.accumRedBits = p->cAccumRedBits, f.accumGreenBits = p->cAccumGreenBits;
    f.accumBlueBits = p->cAccumBlueBits, f.accumAlphaBits = p->cAccumAlphaBits;
    f.depthBits = p->cDepthBits;
    f.stencilBits = p->cStencilBits;
    return f;
}

// The pixel format of the device context's drawable; 0 when it has none.
int WINAPI __wglGetPixelFormat(HDC dc) {
    if (!__wglGetCurrentContext()) return 0;
    WglDrawable* d = __wglFindDrawable(dc, WindowFromDC(dc));
    return d ? d->formatIndex : 0;
}

// Sets a drawable's pixel format once: a window DC needs a window format, a
// memory DC a bitmap format.
BOOL WINAPI __wglSetPixelFormat(HDC dc, int index, const PIXELFORMATDESCRIPTOR*) {
    if (!__wglGetCurrentContext()) return FALSE;
    HWND window = WindowFromDC(dc);
    const PIXELFORMATDESCRIPTOR* p = __wglPixelFormat(index);
    if (!p) return FALSE;
    DWORD needed;
    switch (GetObjectType(dc)) {
    case OBJ_DC: needed = PFD_DRAW_TO_WINDOW; break;
    case OBJ_MEMDC: needed = PFD_DRAW_TO_BITMAP; break;
    default: return FALSE;
    }
    if (!(p->dwFlags & needed)) return FALSE;
    __wglLock();
    WglDrawable* d = __wglFindDrawable(dc, window);
    if (!d) d = __wglCreateDrawable(dc, window);
    BOOL ok = d && !d->formatIndex;
    if (ok) d->formatIndex = index;
    __wglUnlock();
    return ok;
}
