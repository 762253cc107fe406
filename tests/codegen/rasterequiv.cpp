#include "rasterequiv.h"
#include <optional>
#include <random>
#include "codegen/rasterwalk.h"
#include "core/glcontext.h"
#include "raster/chain.h"

static const DWORD kMasks565[3] = {0xF800, 0x07E0, 0x001F};
const RasterFormat kRasterFormats[6] = {
    {"x8r8g8b8", 32, false, nullptr}, {"r8g8b8", 24, false, nullptr}, {"r5g6b5", 16, false, kMasks565},
    {"x1r5g5b5", 16, false, nullptr}, {"r3g3b2", 8, false, nullptr},  {"index8", 8, true, nullptr},
};

std::vector<RasterVertex> rasterRandomTriangles(unsigned seed, int count, int width, int height) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<float> px(-10.0f, width + 10.0f), py(-10.0f, height + 10.0f), pz(-0.9f, 0.9f),
        pc(0.3f, 1.0f), pa(0.0f, 1.0f), pt(-2.0f, 3.0f), pq(0.5f, 2.0f);
    std::vector<RasterVertex> v;
    for (int t = 0; t < count; ++t)
        for (int k = 0; k < 3; ++k) {
            const float q = pq(rng);
            v.push_back({px(rng), py(rng), pz(rng), {pc(rng), pc(rng), pc(rng), pa(rng)}, pt(rng) * q, pt(rng) * q, q});
        }
    return v;
}

RasterImage rasterRender(const RasterFormat& f, const RasterScene& sc, RasterPath path, bool mmx) {
    GltestTrianglePath choice(false);
    __glFastPathSwitches.disableOg = path != PATH_GENERATED && path != PATH_TWIN;
    __glOgMmxTwin = path == PATH_TWIN;
    const GLint savedMmx = __glOgHasMmx;
    __glOgHasMmx = mmx;
    __glOgRasterDisabled = path == PATH_CPP;
    RasterImage im;
    {
        std::optional<GltestDibContext> dib;
        std::optional<GltestWindowContext> window;
        if (sc.bothBuffers) window.emplace("rasterequiv", sc.width, sc.height, f.bits, sc.depthBits);
        else dib.emplace(sc.width, sc.height, f.bits, f.index, sc.depthBits, false, f.masks);
        if (window ? window->rc != nullptr : dib->rc != nullptr) {
            glClearColor(0.2f, 0.3f, 0.4f, 0.0f);
            glClearIndex(3);
            glClearDepth(1.0);
            glClearStencil(0);
            if (sc.bothBuffers) glDrawBuffer(GL_FRONT_AND_BACK);
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
            glPixelStorei(GL_PACK_ALIGNMENT, 1);
            const auto colour = [&] {
                if (dib) return std::vector<uint8_t>(dib->dib.bits, dib->dib.bits + dib->dib.stride * sc.height);
                std::vector<uint8_t> v(2 * 4 * sc.width * sc.height);
                for (int b = 0; b < 2; b++) {
                    glReadBuffer(b ? GL_BACK : GL_FRONT);
                    glReadPixels(0, 0, sc.width, sc.height, GL_RGBA, GL_UNSIGNED_BYTE, &v[b * 4 * sc.width * sc.height]);
                }
                return v;
            };
            const std::vector<uint8_t> before = colour();
            glEnable(GL_DEPTH_TEST);
            if (sc.state) sc.state();
            for (int pass = 0; pass < (sc.between ? 2 : 1); ++pass) {
                if (pass) sc.between();
                glBegin(GL_TRIANGLES);
                for (const RasterVertex& q : sc.vertices) {
                    if (f.index) glIndexf(8.0f + 180.0f * (q.c[pass] - 0.3f) / 0.7f);
                    else glColor4f(q.c[pass], q.c[1 - pass], q.c[2], q.c[3]);
                    if (sc.texCoords) glTexCoord4f(q.s, q.t, 0.0f, q.q);
                    glVertex3f(q.x, q.y, q.z);
                }
                glEnd();
            }
            glFinish();
            const GlContext* gc = __glCurrentContext();
            const GlOgCache* setups = &gc->og.gen.caches[GL_OG_CACHE_SETUP];
            const uint8_t* proc = (const uint8_t*)gc->procs.renderTriangle;
            im.generatedSetup = proc >= setups->code && proc < setups->code + setups->entryCount * setups->codeBytes;
            const GlOgRasterKey* walker =
                (const GlOgRasterKey*)__glOgRecordOf(gc, GL_OG_CACHE_SPAN, (const void*)gc->procs.spanRoutine);
            im.wholeFill = walker && walker->mode == 0;
            im.mmxFill = im.wholeFill && __glOgMmxBodyTakes(walker);
            if (im.mmxFill) {
                EXPECT_EQ(walker->fill[FILL_TWIN], (GLuint)(path == PATH_TWIN));
            }
            im.generatedTexture = __glOgRecordOf(gc, GL_OG_CACHE_TEXSPAN, (const void*)gc->procs.spanTextured) != nullptr;
            im.color = colour();
            im.drawn = im.color != before;
            im.cleared = before;
            im.depth.resize(sc.width * sc.height);
            im.stencil.resize(sc.width * sc.height);
            glDisable(GL_SCISSOR_TEST);
            glReadPixels(0, 0, sc.width, sc.height, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, im.depth.data());
            const GlBufferObject* db = &gc->fb.depth.buf;
            for (int y = 0; db->base && y < sc.height; y++)
                for (int x = 0; x < sc.width; x++) {
                    const uint8_t* p = db->base + y * db->stride + x * (GLint)db->elementSize;
                    im.stored.push_back(db->elementSize == 2 ? *(const uint16_t*)p : *(const uint32_t*)p);
                }
            glReadPixels(0, 0, sc.width, sc.height, GL_STENCIL_INDEX, GL_UNSIGNED_BYTE, im.stencil.data());
            EXPECT_EQ((GLenum)GL_NO_ERROR, glGetError());
            im.guards = !dib || dib->guardsIntact();
        }
    }
    __glOgRasterDisabled = 0;
    __glOgMmxTwin = 0;
    __glOgHasMmx = savedMmx;
    return im;
}

void rasterStoreDepthWords(const std::function<GLuint(int x, int y)>& value) {
    GlContext* gc = __glCurrentContext();
    const GlBufferObject* db = &gc->fb.depth.buf;
    for (int y = 0; y < db->height; y++)
        for (int x = 0; x < db->width; x++) {
            uint8_t* p = db->base + y * db->stride + x * (GLint)db->elementSize;
            if (db->elementSize == 2) *(uint16_t*)p = (uint16_t)value(x, y);
            else *(uint32_t*)p = value(x, y);
        }
}

// The first difference of the depth buffers, read back and as stored.
static std::string depthDifference(const RasterImage& a, const RasterImage& b, int width) {
    char text[160];
    for (size_t i = 0; i < a.depth.size(); i++)
        if (a.depth[i] != b.depth[i]) {
            snprintf(text, sizeof text, "depth at (%d, %d): %08x vs %08x", (int)(i % width), (int)(i / width),
                     a.depth[i], b.depth[i]);
            return text;
        }
    if (a.stored.size() != b.stored.size()) return "depth buffers of different sizes";
    for (size_t i = 0; i < a.stored.size(); i++)
        if (a.stored[i] != b.stored[i]) {
            snprintf(text, sizeof text, "stored depth word %d of row %d: %08x vs %08x", (int)(i % width),
                     (int)(i / width), a.stored[i], b.stored[i]);
            return text;
        }
    return "";
}

std::string rasterDifference(const RasterImage& a, const RasterImage& b, int width, int bytesPerPixel) {
    char text[160];
    if (a.color.size() != b.color.size()) return "colour buffers of different sizes";
    for (size_t i = 0; i < a.color.size(); i++)
        if (a.color[i] != b.color[i]) {
            const int stride = (int)(a.color.size() / (a.depth.size() / width));
            snprintf(text, sizeof text, "colour byte %zu (row %d, pixel %d): %02x vs %02x", i, (int)(i / stride),
                     (int)(i % stride) / bytesPerPixel, a.color[i], b.color[i]);
            return text;
        }
    const std::string depth = depthDifference(a, b, width);
    if (!depth.empty()) return depth;
    for (size_t i = 0; i < a.stencil.size(); i++)
        if (a.stencil[i] != b.stencil[i]) {
            snprintf(text, sizeof text, "stencil at (%d, %d): %d vs %d", (int)(i % width), (int)(i / width),
                     a.stencil[i], b.stencil[i]);
            return text;
        }
    return "";
}

RasterFields rasterFields(const RasterFormat& f) {
    switch (f.bits) {
    case 8: return {{3, 3, 2}, {5, 2, 0}, 1};
    case 16: return f.masks ? RasterFields{{5, 6, 5}, {11, 5, 0}, 2} : RasterFields{{5, 5, 5}, {10, 5, 0}, 2};
    default: return {{8, 8, 8}, {16, 8, 0}, f.bits / 8};
    }
}

GLuint rasterPixel(const RasterImage& im, const RasterFormat& f, int width, int x, int y) {
    const int bytes = rasterFields(f).bytes, rows = (int)(im.depth.size() / width);
    const size_t at = (size_t)y * (im.color.size() / rows) + (size_t)x * bytes;
    GLuint v = 0;
    for (int i = 0; i < bytes; i++) v |= (GLuint)im.color[at + i] << 8 * i;
    return v;
}

std::string rasterNearby(const RasterImage& a, const RasterImage& b, const RasterFormat& f, int width, int bound,
                         int* worst) {
    char text[200];
    *worst = 0;
    if (a.color.size() != b.color.size() || a.cleared.size() != a.color.size()) return "colour buffers of different sizes";
    const std::string depth = depthDifference(a, b, width);
    if (!depth.empty()) return depth;
    if (a.stencil != b.stencil) return "stencil buffers differ";
    const int rows = (int)(a.depth.size() / width);
    const RasterFields fields = rasterFields(f);
    const int* bits = fields.bits, *pos = fields.pos;
    RasterImage cleared = a;
    cleared.color = a.cleared;
    std::string first;
    for (int y = 0; y < rows; y++)
        for (int x = 0; x < width; x++) {
            const GLuint pa = rasterPixel(a, f, width, x, y), pb = rasterPixel(b, f, width, x, y);
            const GLuint pc = rasterPixel(cleared, f, width, x, y);
            int d = 0;
            for (int c = 0; c < 3; c++) {
                const int m = (1 << bits[c]) - 1;
                const int e = abs((int)((pa >> pos[c]) & m) - (int)((pb >> pos[c]) & m));
                d = e > d ? e : d;
            }
            if (bound < 0 || !first.empty()) continue;
            *worst = d > *worst ? d : *worst;
            if ((pa != pc) != (pb != pc) && d > bound) {
                snprintf(text, sizeof text, "pixel (%d, %d) drawn on one side only: %04x vs %04x", x, y, pa, pb);
                first = text;
            } else if (d > bound) {
                snprintf(text, sizeof text, "pixel (%d, %d): %04x vs %04x", x, y, pa, pb);
                first = text;
            }
        }
    return first;
}

int rasterFieldBound(const RasterFormat& f, int bound) { return f.bits == 32 && bound >= 0 ? 2 * bound + 1 : bound; }

void rasterExpectGenerated(const RasterFormat& f, const RasterScene& sc, const RasterImage& gen, const RasterImage& cpp,
                           bool mmx, int bound) {
    const int bytes = (f.bits + 7) / 8;
    if (!gen.mmxFill) {
        EXPECT_EQ(rasterDifference(gen, cpp, sc.width, bytes), "") << "generated vs C++";
        return;
    }
    const RasterImage twin = rasterRender(f, sc, PATH_TWIN, mmx);
    EXPECT_TRUE(twin.mmxFill);
    EXPECT_EQ(rasterDifference(gen, twin, sc.width, bytes), "") << "MMX fill vs its twin";
    int worst = 0;
    bound = rasterFieldBound(f, bound);
    EXPECT_EQ(rasterNearby(gen, cpp, f, sc.width, bound, &worst), "") << "MMX fill vs C++ within " << bound;
    if (getenv("RASTER_WORST")) printf("worst %d\n", worst);
}
