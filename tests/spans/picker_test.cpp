// The triangle picker's choice of family through the public calls: for a
// table of states on each DIB format, the stage that ends the chain is the
// store table's entry for the store index, the generic store of the format,
// the direct stage, or the empty stage.

#include <functional>
#include "gldib.h"
#include "trianglepath.h"
#include "raster/chain.h"

namespace {

// Whether a stage sits in one of the slots the picker links.
bool chainHolds(const GlContext* gc, GlSpanProc stage) {
    const GlContextProcs* p = &gc->procs;
    if (p->fillTriangle == stage || p->afterStencilUpdate == stage || p->bufferStore == stage) return true;
    for (GlSpanProc s : p->spanChain)
        if (s == stage) return true;
    return false;
}

enum End { STORE, GENERIC, DIRECT, NOTHING };

TEST(ChainPicker, StoreIndexAndFamilyFollowTheState) {
    const struct {
        const char* name;
        int format;  // gltestDibFormats entry
        std::function<void()> set;
        End end;
        int index;  // store index, or colour index of a direct stage
    } cases[] = {
        {"copy, 32-bit", 0, [] {}, DIRECT, 0},
        {"copy, 5-6-5 dithered", 2, [] { glEnable(GL_DITHER); }, DIRECT, 1},
        {"copy, 8-bit smooth", 4, [] { glShadeModel(GL_SMOOTH); }, DIRECT, 2},
        {"blend src alpha, 5-6-5", 2, [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); },
         STORE, 99},
        {"blend src alpha dithered, 5-6-5", 2,
         [] { glEnable(GL_DITHER), glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA); }, STORE,
         115},
        {"blend saturate, 8-bit", 4, [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA_SATURATE, GL_ONE); }, STORE,
         105},
        {"blend one minus src alpha, 32-bit", 0,
         [] { glEnable(GL_BLEND), glBlendFunc(GL_ONE_MINUS_SRC_ALPHA, GL_SRC_ALPHA); }, STORE, 102},
        {"blend one one", 2, [] { glEnable(GL_BLEND), glBlendFunc(GL_ONE, GL_ONE); }, GENERIC, 0},
        {"blend src alpha dst colour", 3, [] { glEnable(GL_BLEND), glBlendFunc(GL_SRC_ALPHA, GL_DST_COLOR); },
         GENERIC, 0},
        // The logic op takes the place of blending, which then asks for no alpha.
        {"xor over blending", 2,
         [] { glEnable(GL_BLEND), glEnable(GL_COLOR_LOGIC_OP), glLogicOp(GL_XOR); }, STORE, 6},
        {"xor dithered", 4, [] { glEnable(GL_DITHER), glEnable(GL_COLOR_LOGIC_OP), glLogicOp(GL_XOR); }, STORE,
         6 + 16},
        {"alpha test", 0, [] { glEnable(GL_ALPHA_TEST); }, STORE, 3 + 64},
        {"green masked", 2, [] { glColorMask(1, 1, 0, 1); }, GENERIC, 0},
        // Without alpha bits a masked alpha changes nothing.
        {"alpha masked", 2, [] { glColorMask(1, 1, 1, 0); }, DIRECT, 0},
        {"all masked", 2, [] { glColorMask(0, 0, 0, 0); }, NOTHING, 0},
        {"draw buffer none", 0, [] { glDrawBuffer(GL_NONE); }, NOTHING, 0},
        {"24-bit", 1, [] {}, GENERIC, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const GltestDibFormat& f = gltestDibFormats[c.format];
        GltestTrianglePath fast(false);
        GltestDibContext ctx(8, 8, f.bits, false, 32, true, f.masks);
        glDisable(GL_DITHER);
        glShadeModel(GL_FLAT);
        c.set();
        glBegin(GL_TRIANGLES);
        glVertex2f(0, 0), glVertex2f(8, 0), glVertex2f(0, 8);
        glEnd();
        const GlContext* gc = __glCurrentContext();
        const GLuint code = gc->drawBuffer->formatCode;
        ASSERT_TRUE(gltestFastTriangles(gc));
        GlSpanProc want = __glNullSpanFill;
        switch (c.end) {
        case STORE: want = __glStoreProcTables[code][c.index]; break;
        case GENERIC: want = __glGenericStoreProcs[code]; break;
        case DIRECT: want = __glDirectProcTables[code][c.index]; break;
        case NOTHING: break;
        }
        ASSERT_NE(want, nullptr);
        EXPECT_TRUE(chainHolds(gc, want));
        // A store table's stages end chains only when that is the choice.
        for (int i = 0; i < GL_SPAN_STORE_STAGES && code != 7; i++) {
            const GlSpanProc stage = __glStoreProcTables[code][i];
            if (stage && stage != want) {
                EXPECT_FALSE(chainHolds(gc, stage)) << i;
            }
        }
        if (c.end != GENERIC) {
            EXPECT_FALSE(chainHolds(gc, __glGenericStoreProcs[code]));
        }
        // The 24-bit buffer colours with the table of code 10.
        if (code == 7) {
            EXPECT_TRUE(chainHolds(gc, __glShadeProcTables[10][0]));
        }
    }
}

}  // namespace
