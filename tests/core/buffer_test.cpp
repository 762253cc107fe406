// Framebuffer buffers bound to a drawable: storage the core allocates, resize,
// release, and the colour buffers' fragment and span stores and readers.
#include <gtest/gtest.h>
#include <string.h>
#include "gltest.h"
#include "standin/control.h"
#include "wgl/drawable.h"

namespace {

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

GlPixelFormatInfo format(uint32_t colorBits, bool rgba, bool doubleBuffer, bool depth) {
    GlPixelFormatInfo f = {};
    f.rgba = rgba;
    f.colorIndex = !rgba;
    f.doubleBuffer = doubleBuffer;
    f.colorBits = colorBits;
    if (rgba && colorBits == 16) f.redMask = 0xF800, f.greenMask = 0x07E0, f.blueMask = 0x001F;
    if (rgba && colorBits >= 24) f.redMask = 0xFF0000, f.greenMask = 0xFF00, f.blueMask = 0xFF;
    if (rgba && colorBits == 8) f.redMask = 0xE0, f.greenMask = 0x1C, f.blueMask = 0x03;
    f.depthPresent = depth;
    f.depthBits = depth ? 16 : 0;
    return f;
}

// A drawable whose storage the core allocates (as a window's front buffer),
// with a context current on it.
struct Allocated {
    WglDrawable* d;
    GlContext* gc = nullptr;
    GlCoreImports imports;
    Allocated(const GlPixelFormatInfo& f, int width, int height) {
        d = __wglCreateDrawable(nullptr, nullptr);
        *d->formatInfo = f;
        d->initialised = 1;
        d->width = width, d->height = height;
        for (int k = GL_DRAWABLE_FRONT; k <= GL_DRAWABLE_BACK; k++) d->buffers[k].bits = f.colorBits;
        boundDrawable = d;
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
    void resize(int width, int height) {
        d->width = width, d->height = height;
        __glUpdateDrawableSize(gc);
    }
    ~Allocated() {
        __glDetachBuffers(gc);
        __wglReleaseCurrent();
        gc->procs.destroyContext(gc);
        __wglDestroyDrawable(d);
    }
};

TEST(Buffers, AllocatedStorageHasASpareRowAndGrowsOnly) {
    const int blocks = StandinGlobalLiveBlocks();
    {
        Allocated a(format(16, true, false, true), 64, 48);
        const GlBufferObject& front = a.gc->fb.front.buf;
        const GlDrawableBuffer& desc = a.d->buffers[GL_DRAWABLE_FRONT];
        // Rows padded to 16 bytes: 64 two-byte pixels are 128 bytes already.
        EXPECT_EQ(front.width, 64);
        EXPECT_EQ(front.height, 49);
        EXPECT_EQ(front.stride, 128);
        EXPECT_EQ(front.capacity, 128u * 49u);
        EXPECT_EQ((uintptr_t)front.base % 32, 0u);
        EXPECT_EQ(desc.base, front.base);  // the drawable owns it from now on
        EXPECT_EQ(desc.free, __glFreeBufferStorage);
        const GlBufferObject& depth = a.gc->fb.depth.buf;
        EXPECT_EQ(depth.capacity, 2u * 64u * 49u);

        uint8_t* base = front.base;
        a.resize(32, 16);  // shrinking keeps the block
        EXPECT_EQ(front.base, base);
        EXPECT_EQ(front.width, 32);
        EXPECT_EQ(front.height, 17);
        a.resize(100, 100);  // growing takes a new one
        EXPECT_EQ(front.capacity, 208u * 101u);  // 100 pixels -> 104 (208 bytes)
        EXPECT_EQ(front.width, 104);
    }
    // The drawable's release freed what the core allocated.
    EXPECT_EQ(StandinGlobalLiveBlocks(), blocks);
}

TEST(Buffers, RowRoundingPerKind) {
    const struct {
        const char* what;
        GlPixelFormatInfo f;
        int width;
        int elements;  // allocated row length
    } cases[] = {
        {"8-bit index, rows of 4 bytes", format(8, false, false, false), 101, 104},
        {"16-bit index", format(16, false, false, false), 101, 102},
        {"8-bit RGBA, rows of 16 bytes", format(8, true, false, false), 101, 112},
        {"24-bit RGBA", format(24, true, false, false), 101, 102},
        {"32-bit RGBA", format(32, true, false, false), 101, 104},
    };
    for (const auto& c : cases) {
        Allocated a(c.f, c.width, 3);
        EXPECT_EQ(a.gc->fb.front.buf.width, c.elements) << c.what;
        EXPECT_EQ(a.gc->fb.front.buf.stride, c.elements * (int)a.gc->fb.front.buf.elementSize) << c.what;
    }
}

TEST(Buffers, SameSizeDoesNothingAndAFailedGrowthKeepsTheOldStorage) {
    Allocated a(format(32, true, true, false), 8, 8);
    GlBufferObject& back = a.gc->fb.back.buf;
    uint8_t* base = back.base;
    a.resize(8, 8);
    EXPECT_EQ(back.base, base);

    void* (*allocate)(size_t) = a.d->allocate;
    void* (*reallocate)(void*, size_t) = a.d->reallocate;
    a.d->allocate = [](size_t) -> void* { return nullptr; };
    a.d->reallocate = [](void*, size_t) -> void* { return nullptr; };
    a.resize(64, 64);
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    EXPECT_EQ(back.base, base);
    EXPECT_EQ(back.width, 8);  // never larger than its storage
    glClearColor(1, 1, 1, 1);
    glDrawBuffer(GL_FRONT_AND_BACK);
    glClear(GL_COLOR_BUFFER_BIT);  // clears what exists, nothing beyond
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    a.d->allocate = allocate;
    a.d->reallocate = reallocate;
}

// Sizes are reckoned in 64 bits: a buffer whose bytes pass 32 bits is refused
// without asking the allocator (its 32-bit product would be a short block).
size_t askedBytes;
void* recordAllocate(size_t bytes) {
    askedBytes = bytes;
    return nullptr;
}
void* recordReallocate(void*, size_t bytes) { return recordAllocate(bytes); }

TEST(Buffers, SizesPastThirtyTwoBitsAreRefused) {
    const struct {
        const char* what;
        int width, height;
    } cases[] = {
        {"40000 x 40000 (6.4e9 bytes)", 40000, 40000},
        {"65536 x 16384 (4 x 65536 x 16385: 256 KiB past 2^32)", 65536, 16384},
        {"32768 x 32767 (exactly 2^32)", 32768, 32767},
        {"2^29 x 1 (a row of 2^31 bytes)", 1 << 29, 1},
    };
    for (const auto& c : cases) {
        Allocated a(format(32, true, false, false), 8, 8);
        GlBufferObject& front = a.gc->fb.front.buf;
        uint8_t* base = front.base;
        void* (*allocate)(size_t) = a.d->allocate;
        void* (*reallocate)(void*, size_t) = a.d->reallocate;
        a.d->allocate = recordAllocate;
        a.d->reallocate = recordReallocate;
        askedBytes = 0;
        a.resize(c.width, c.height);
        EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY) << c.what;
        EXPECT_EQ(askedBytes, 0u) << c.what;
        EXPECT_EQ(front.base, base) << c.what;
        EXPECT_EQ(front.width, 8) << c.what;
        // Nothing is drawn into the drawable that has no storage.
        EXPECT_EQ(a.gc->span.clipBox[2] - a.gc->span.clipBox[0], 0) << c.what;
        a.d->allocate = allocate;
        a.d->reallocate = reallocate;
        a.resize(16, 16);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << c.what;
        EXPECT_EQ(front.width, 16) << c.what;
        EXPECT_EQ(a.gc->span.clipBox[2] - a.gc->span.clipBox[0], 16) << c.what;
    }
}

TEST(Buffers, SecondContextSharesTheDrawablesStorage) {
    Allocated a(format(16, true, false, false), 16, 8);
    uint8_t* base = a.gc->fb.front.buf.base;
    GlContext* other = __glCreateContext(&a.imports, a.d->formatInfo);
    ASSERT_TRUE(other);
    __wglReleaseCurrent();
    other->procs.makeCurrent(other);
    ASSERT_TRUE(__glInitBuffers(other));
    __glAttachDrawable(other);
    EXPECT_EQ(other->fb.front.buf.base, base);
    __glDetachBuffers(other);
    __wglReleaseCurrent();
    other->procs.destroyContext(other);
    a.gc->procs.makeCurrent(a.gc);
}

TEST(ColourStores, SpansHonourMasksCoverageAndLogicOp) {
    Allocated a(format(24, true, false, false), 40, 2);
    GlColorBuffer* cb = a.gc->fb.frontBuffer;
    const GLint bx = a.gc->limits.windowBiasX, by = a.gc->limits.windowBiasY;
    glDisable(GL_DITHER);
    glClearColor(0, 0x11 / 255.0f, 0, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    GLfloat colors[40 * 4];
    for (int i = 0; i < 40; i++) colors[4 * i] = 255, colors[4 * i + 1] = 255, colors[4 * i + 2] = 127.6f, colors[4 * i + 3] = 0;

    glColorMask(GL_TRUE, GL_FALSE, GL_TRUE, GL_TRUE);
    glClear(0);  // validates: picks the stores for the mask
    cb->storeSpanA(cb, bx, by, colors, 40);
    GLfloat px[4];
    for (int i = 0; i < 40; i += 13) {
        cb->readPixel(cb, bx + i, by, px);
        EXPECT_EQ(px[0], 255.0f);
        EXPECT_EQ(px[1], 17.0f);   // stored green kept
        EXPECT_EQ(px[2], 128.0f);  // rounded to nearest
        EXPECT_EQ(px[3], 255.0f);  // no alpha bits: the maximum
    }

    // Coverage: the second word's first pixel and the first word's last.
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClear(0);
    const GLuint coverage[2] = {0x00000001u, 0x80000000u};
    EXPECT_EQ(cb->storeSpanB(cb, bx, by + 1, colors, 40, coverage), 0u);
    for (int i = 0; i < 40; i++) {
        cb->readPixel(cb, bx + i, by + 1, px);
        EXPECT_EQ(px[1], (i == 31 || i == 32) ? 255.0f : 17.0f) << i;
    }

    // Logic op on the whole packed pixel: XOR with 0xFFFFFF inverts it.
    glEnable(GL_COLOR_LOGIC_OP);
    glLogicOp(GL_XOR);
    glClear(0);
    GlFragment f = {bx + 5, by, 0, {255, 255, 255, 0}};
    cb->storeFragment(cb, &f);
    cb->readPixel(cb, bx + 5, by, px);
    EXPECT_EQ(px[0], 0.0f);
    EXPECT_EQ(px[1], 255.0f - 17.0f);
    EXPECT_EQ(px[2], 255.0f - 128.0f);
}

TEST(ColourStores, FragmentRoundTripPerFormat) {
    const struct {
        const char* what;
        GlPixelFormatInfo f;
        GLfloat color[4];
    } cases[] = {
        {"R3G3B2", format(8, true, false, false), {7, 3, 2, 0}},
        {"R5G6B5", format(16, true, false, false), {31, 40, 1, 0}},
        {"R8G8B8", format(24, true, false, false), {200, 100, 50, 0}},
        {"x8R8G8B8", format(32, true, false, false), {1, 2, 3, 0}},
    };
    for (const auto& c : cases) {
        Allocated a(c.f, 4, 4);
        glDisable(GL_DITHER);
        glClear(0);
        GlColorBuffer* cb = a.gc->fb.frontBuffer;
        const GLint bx = a.gc->limits.windowBiasX, by = a.gc->limits.windowBiasY;
        GlFragment f = {bx + 3, by + 2, 0, {c.color[0], c.color[1], c.color[2], 0}};
        cb->storeFragment(cb, &f);
        GLfloat px[4];
        cb->readPixel(cb, bx + 3, by + 2, px);
        for (int k = 0; k < 3; k++) EXPECT_EQ(px[k], c.color[k]) << c.what << " " << k;
        cb->readPixel(cb, bx + 2, by + 2, px);
        EXPECT_EQ(px[0], 0.0f) << c.what;
    }
}

TEST(ColourStores, SixteenBitDirectSpansDitherOnlyWhenAsked) {
    const int matrix[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    Allocated a(format(16, true, false, false), 8, 4);
    GlColorBuffer* cb = a.gc->fb.frontBuffer;
    const GLint bx = a.gc->limits.windowBiasX, by = a.gc->limits.windowBiasY;
    GLfloat colors[8 * 4];
    for (int i = 0; i < 8; i++) colors[4 * i] = 0, colors[4 * i + 1] = 31.5f, colors[4 * i + 2] = 0, colors[4 * i + 3] = 0;
    for (bool dither : {true, false}) {
        if (dither) glEnable(GL_DITHER);
        else glDisable(GL_DITHER);
        glClear(0);
        for (int row = 0; row < 4; row++) cb->storeSpanA(cb, bx, by + row, colors, 8);
        GLfloat px[4];
        for (int row = 0; row < 4; row++)
            for (int x = 0; x < 8; x++) {
                cb->readPixel(cb, bx + x, by + row, px);
                const GLfloat green = dither ? (matrix[row][x & 3] >= 8 ? 32.0f : 31.0f) : 32.0f;
                EXPECT_EQ(px[1], green) << dither << " " << x << "," << row;
            }
    }
}

TEST(Buffers, UnsupportedFormatsBuildNothing) {
    const struct {
        uint32_t bits;
        bool rgba;
        bool supported;
    } cases[] = {{4, true, false}, {4, false, false}, {24, false, false}, {8, false, true},
                 {32, false, true}, {24, true, true},  {16, true, true}};
    for (const auto& c : cases) {
        GlPixelFormatInfo f = format(c.bits, c.rgba, false, false);
        EXPECT_EQ(__glColorBufferSupported(&f), (GLboolean)c.supported) << c.bits << " " << c.rgba;
    }
}

}  // namespace
