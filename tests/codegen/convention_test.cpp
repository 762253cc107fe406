// What generated rasterization leaves to the code around it: the caller's
// x87 control word, an empty x87 register stack after the MMX fill (every
// span ends with emms), and the registers C++ callers keep.

#include <stdint.h>
#include "rasterequiv.h"
#include "raster/chain.h"
#include "codegen/rastergen.h"

namespace {

uint16_t controlWord() {
    uint16_t cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}
void setControlWord(uint16_t cw) { __asm__ volatile("fldcw %0" : : "m"(cw)); }
// The x87 tag word: 0xFFFF when every register is empty (no MMX state left).
uint16_t tagWord() {
    uint32_t env[7];
    __asm__ volatile("fnstenv %0" : "=m"(env));
    __asm__ volatile("fldenv %0" : : "m"(env));
    return (uint16_t)env[2];
}

TEST(RasterConvention, ControlWordAndMmxStateAsTheCallerHadThem) {
    const struct {
        const char* name;
        bool texture, perspective, mmx;
    } cases[] = {
        {"MMX fill", false, false, true},
        {"x86 fill", false, false, false},
        {"chain with a perspective textured stage", true, true, true},
        {"chain with an affine textured stage", true, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        GltestTrianglePath choice(false);
        const GLint savedMmx = __glOgHasMmx;
        __glOgHasMmx = c.mmx;
        {
            GltestDibContext ctx(40, 32, 16, false, 16, false, kRasterFormats[2].masks);
            ASSERT_TRUE(ctx.rc);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            glEnable(GL_DEPTH_TEST);
            glDepthFunc(GL_LEQUAL);
            if (c.texture) {
                std::vector<GLubyte> img = gltestNoise(16 * 16 * 3, 4u);
                glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 16, 16, 0, GL_RGB, GL_UNSIGNED_BYTE, img.data());
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
                glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
                glHint(GL_PERSPECTIVE_CORRECTION_HINT, c.perspective ? GL_NICEST : GL_FASTEST);
                glEnable(GL_TEXTURE_2D);
            }
            const uint16_t saved = controlWord();
            // Extended precision, rounding toward zero: neither the word the
            // generated code works under nor the platform default.
            const uint16_t odd = 0x0F7F;
            for (int pass = 0; pass < 2; pass++) {
                setControlWord(odd);
                glBegin(GL_TRIANGLES);
                glColor3f(1, 0.5f, 0.25f), glTexCoord4f(0, 0, 0, 1), glVertex2f(1, 1);
                glColor3f(0.2f, 1, 0.5f), glTexCoord4f(2, 0, 0, 2), glVertex2f(39, 3);
                glColor3f(0.5f, 0.3f, 1), glTexCoord4f(0, 1, 0, 1), glVertex2f(12, 31);
                glEnd();
                EXPECT_EQ(controlWord(), odd);
                EXPECT_EQ(tagWord(), 0xFFFF) << "the x87 registers are empty";
            }
            setControlWord(saved);
            const GlContext* gc = __glCurrentContext();
            EXPECT_TRUE(gltestFastTriangles(gc));
            EXPECT_TRUE(__glOgRecordOf(gc, GL_OG_CACHE_SETUP, (const void*)gc->procs.renderTriangle));
            EXPECT_NE(ctx.pixel(12, 12), 0u);
        }
        __glOgHasMmx = savedMmx;
    }
}

}  // namespace
