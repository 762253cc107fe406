// glClear into the colour buffer of a DIB section: packed values per format,
// both orientations, dither, scissor, masks, colour index, clip lists, errors.
#include <gtest/gtest.h>
#include <string.h>
#include <vector>
#include "gltest.h"
#include "wgl/drawable.h"

namespace {

using Dib = GltestDib;

GlPixelFormatInfo rgbaFormat(uint32_t colorBits, uint32_t r, uint32_t g, uint32_t b, bool doubleBuffer = false) {
    GlPixelFormatInfo f = {};
    f.rgba = 1;
    f.doubleBuffer = doubleBuffer;
    f.redMask = r, f.greenMask = g, f.blueMask = b;
    auto count = [](uint32_t m) {
        int n = 0;
        for (; m; m &= m - 1) n++;
        return (uint32_t)n;
    };
    f.redBits = count(r), f.greenBits = count(g), f.blueBits = count(b);
    f.colorBits = colorBits;
    return f;
}

GlPixelFormatInfo indexFormat(uint32_t colorBits) {
    GlPixelFormatInfo f = {};
    f.colorIndex = 1;
    f.colorBits = colorBits;
    return f;
}

WglDrawable* boundDrawable;
WglDrawable* GLPROC drawableOf(GlContext*) { return boundDrawable; }
void GLPROC sizeOf(GlContext*, GLint* w, GLint* h) {
    *w = boundDrawable->width;
    *h = boundDrawable->height;
}
void GLPROC validateAndPick(GlContext* gc) {
    __glGenericValidate(gc);
    __glPickColorBuffers(gc);
}

// A software context current on a DIB's drawable, buffers bound.
struct Bound {
    GlContext* gc = nullptr;
    WglDrawable* drawable = nullptr;
    GlCoreImports imports;
    Bound(const Dib& dib, const GlPixelFormatInfo& f) {
        int failure = -1;
        drawable = __wglFindOrCreateDrawable(dib.dc, nullptr, &f, 0, &failure);
        EXPECT_EQ(failure, WGL_DRAWABLE_OK);
        if (!drawable) return;
        boundDrawable = drawable;
        imports = *gltestImports();
        imports.getDrawableBuffer = drawableOf;
        imports.getDrawableSize = sizeOf;
        gc = __glCreateContext(&imports, &f);
        __wglGetCurrentContext();
        gc->procs.makeCurrent(gc);
        EXPECT_TRUE(__glInitBuffers(gc));
        __glAttachDrawable(gc);
        gc->procs.validate = validateAndPick;
        glGetError();
    }
    ~Bound() {
        if (gc) {
            __glDetachBuffers(gc);
            __wglReleaseCurrent();
            gc->procs.destroyContext(gc);
        }
        if (drawable) __wglDestroyDrawable(drawable);
    }
};

const DWORD masks565[3] = {0xF800, 0x07E0, 0x001F};

struct FormatCase {
    const char* what;
    int bitCount;
    const DWORD* dibMasks;
    GlPixelFormatInfo format;
    uint32_t code;
    uint32_t expected;  // (1.0, 0.5, 0.25) with dither off
};

const FormatCase formatCases[] = {
    {"R3G3B2", 8, nullptr, rgbaFormat(8, 0xE0, 0x1C, 0x03), GL_FORMAT_332, 0xF1},
    {"x1R5G5B5", 16, nullptr, rgbaFormat(16, 0xF800, 0x07E0, 0x001F), GL_FORMAT_555, 0x7E08},
    {"R5G6B5", 16, masks565, rgbaFormat(16, 0xF800, 0x07E0, 0x001F), GL_FORMAT_565, 0xFC08},
    {"R8G8B8", 24, nullptr, rgbaFormat(24, 0xFF0000, 0xFF00, 0xFF), GL_FORMAT_888, 0xFF8040},
    {"x8R8G8B8", 32, nullptr, rgbaFormat(32, 0xFF0000, 0xFF00, 0xFF), GL_FORMAT_X888, 0x00FF8040},
};

TEST(Clear, EveryFormatAndOrientationGetsThePackedClearColour) {
    for (const auto& c : formatCases) {
        for (bool topDown : {true, false}) {
            Dib dib(5, 3, c.bitCount, topDown, c.dibMasks);
            memset(dib.bits, 0x5A, (size_t)dib.stride * dib.height);
            Bound b(dib, c.format);
            ASSERT_TRUE(b.gc) << c.what;
            EXPECT_EQ(b.gc->fb.front.formatCode, c.code) << c.what;
            EXPECT_EQ(b.drawable->topDown, topDown ? 1 : 0) << c.what;
            glDisable(GL_DITHER);
            glClearColor(1.0f, 0.5f, 0.25f, 1.0f);
            glClear(GL_COLOR_BUFFER_BIT);
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
            const int bytes = c.bitCount / 8;
            for (int y = 0; y < dib.height; y++)
                for (int x = 0; x < dib.width; x++)
                    ASSERT_EQ(dib.at(x, y, bytes), c.expected) << c.what << " topDown " << topDown << " at " << x
                                                               << "," << y;
            // Row padding past the last pixel is not written.
            if (dib.stride > dib.width * bytes) {
                EXPECT_EQ(dib.bits[dib.width * bytes], 0x5A) << c.what;
            }
        }
    }
}

TEST(Clear, RedOnTopDown565WithDitherOnIsExact) {
    Dib dib(4, 4, 16, true, masks565);
    Bound b(dib, rgbaFormat(16, 0xF800, 0x07E0, 0x001F));
    glClearColor(1.0f, 0.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) EXPECT_EQ(dib.at(x, y, 2), 0xF800u);
}

TEST(Clear, DitherOnWritesTheFourByFourPattern) {
    // Green 0.5 of 63 is 31.5: pixels whose matrix entry is 8 or more round up.
    const int matrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    Dib dib(6, 5, 16, false, masks565);
    Bound b(dib, rgbaFormat(16, 0xF800, 0x07E0, 0x001F));
    glEnable(GL_DITHER);
    glClearColor(0.0f, 0.5f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    for (int y = 0; y < dib.height; y++)
        for (int x = 0; x < dib.width; x++) {
            const uint32_t green = matrix[y & 3][x & 3] >= 8 ? 32 : 31;
            ASSERT_EQ(dib.at(x, y, 2), green << 5) << x << "," << y;
        }
    glDisable(GL_DITHER);
    glClear(GL_COLOR_BUFFER_BIT);
    for (int y = 0; y < dib.height; y++)
        for (int x = 0; x < dib.width; x++) ASSERT_EQ(dib.at(x, y, 2), 32u << 5);
}

TEST(Clear, ScissorBoxFollowsTheOrientation) {
    // GL row 0 is the bottom: the last memory row of a top-down DIB, the first of a bottom-up one.
    for (bool topDown : {true, false}) {
        Dib dib(4, 3, 32, topDown);
        Bound b(dib, rgbaFormat(32, 0xFF0000, 0xFF00, 0xFF));
        glEnable(GL_SCISSOR_TEST);
        glScissor(1, 0, 2, 1);
        glClearColor(0.0f, 0.0f, 1.0f, 0.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        const int row = topDown ? 2 : 0;
        for (int y = 0; y < 3; y++)
            for (int x = 0; x < 4; x++) {
                const bool inside = y == row && x >= 1 && x < 3;
                EXPECT_EQ(dib.at(x, y, 4), inside ? 0xFFu : 0u) << topDown << " " << x << "," << y;
            }
        // A box wholly outside the drawable clears nothing.
        glScissor(10, 10, 2, 2);
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        EXPECT_EQ(dib.at(0, 0, 4), 0u);
    }
}

TEST(Clear, ColourMaskKeepsTheMaskedComponents) {
    Dib dib(3, 2, 24, true);
    memset(dib.bits, 0x11, (size_t)dib.stride * dib.height);
    Bound b(dib, rgbaFormat(24, 0xFF0000, 0xFF00, 0xFF));
    glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    for (int y = 0; y < 2; y++)
        for (int x = 0; x < 3; x++) EXPECT_EQ(dib.at(x, y, 3), 0xFF11FFu);
    // All components masked: nothing changes.
    glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(dib.at(2, 1, 3), 0xFF11FFu);
}

TEST(Clear, ColourIndexValuesMasksAndDither) {
    const struct {
        const char* what;
        GLfloat index;
        GLuint writeMask;
        bool dither;
        uint8_t before;
        uint8_t expected[2][4];  // rows 0 and 1, x = 0..3
    } cases[] = {
        {"plain", 5.0f, 0xFF, false, 0x00, {{5, 5, 5, 5}, {5, 5, 5, 5}}},
        {"masked", 5.0f, 0x0F, false, 0xA0, {{0xA5, 0xA5, 0xA5, 0xA5}, {0xA5, 0xA5, 0xA5, 0xA5}}},
        {"dithered 5.5", 5.5f, 0xFF, true, 0x00, {{5, 6, 5, 6}, {6, 5, 6, 5}}},
        {"masked dither", 5.5f, 0x0F, true, 0xF0, {{0xF5, 0xF6, 0xF5, 0xF6}, {0xF6, 0xF5, 0xF6, 0xF5}}},
    };
    for (const auto& c : cases) {
        Dib dib(4, 2, 8, true);
        memset(dib.bits, c.before, (size_t)dib.stride * dib.height);
        Bound b(dib, indexFormat(8));
        ASSERT_TRUE(b.gc);
        EXPECT_EQ(b.gc->fb.front.formatCode, (GLuint)GL_FORMAT_INDEX8);
        if (c.dither) glEnable(GL_DITHER);
        else glDisable(GL_DITHER);
        glIndexMask(c.writeMask);
        glClearIndex(c.index);
        glClear(GL_COLOR_BUFFER_BIT);
        for (int y = 0; y < 2; y++)
            for (int x = 0; x < 4; x++) EXPECT_EQ(dib.at(x, y, 1), c.expected[y][x]) << c.what << " " << x << "," << y;
    }
}

TEST(Clear, InvalidBitsBackOfSingleBufferAndOtherModesClearNothing) {
    Dib dib(2, 2, 32, true);
    Bound b(dib, rgbaFormat(32, 0xFF0000, 0xFF00, 0xFF));
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | 0x1);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    EXPECT_EQ(dib.at(0, 0, 4), 0u);

    b.gc->colorBuffer.drawBuffer = GL_BACK;  // no back buffer in a single-buffered format
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(dib.at(0, 0, 4), 0u);
    b.gc->colorBuffer.drawBuffer = GL_FRONT;

    b.gc->renderMode = GL_SELECT;
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(dib.at(0, 0, 4), 0u);
    b.gc->renderMode = GL_RENDER;

    glClear(GL_DEPTH_BUFFER_BIT);  // no depth buffer: nothing, no error
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(dib.at(1, 1, 4), 0xFFFFFFu);
}

int validations;
void GLPROC countingValidate(GlContext* gc) {
    validations++;
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_NEEDS_VALIDATE);
    validateAndPick(gc);
}

TEST(Clear, ValidatesOnceAfterAStateChangeThenClears) {
    Dib dib(2, 2, 32, true);
    Bound b(dib, rgbaFormat(32, 0xFF0000, 0xFF00, 0xFF));
    b.gc->procs.validate = countingValidate;
    validations = 0;
    glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_FALSE);
    glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(validations, 1);
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_OUTSIDE);
    EXPECT_EQ(dib.at(1, 1, 4), 0x00FF00u);  // cleared with the mask the validation picked
    glClear(GL_COLOR_BUFFER_BIT);
    EXPECT_EQ(validations, 1);
}

TEST(Clear, ClipListConfinesTheClear) {
    Dib dib(4, 4, 8, true);
    Bound b(dib, indexFormat(8));
    RECT rects[2] = {{0, 0, 1, 1}, {2, 2, 4, 3}};
    b.drawable->clipRects = rects;
    b.drawable->clipRectCount = 2;
    glDisable(GL_DITHER);  // re-picks with the list in use
    glClearIndex(9.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const uint8_t expected[4][4] = {{9, 0, 0, 0}, {0, 0, 0, 0}, {0, 0, 9, 9}, {0, 0, 0, 0}};
    for (int y = 0; y < 4; y++)
        for (int x = 0; x < 4; x++) EXPECT_EQ(dib.at(x, y, 1), expected[y][x]) << x << "," << y;
    b.drawable->clipRectCount = 0;
    b.drawable->clipRects = nullptr;
}

}  // namespace
