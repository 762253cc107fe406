// Textures on the board: the same textured scenes drawn by the board and by a
// software context on a 640x480 5-6-5 DIB agree at interior pixels; level-0
// geometry, level matching and the texel layouts the board receives.

#include <functional>
#include <vector>
#include "hw_env.h"
#include "wgl/wgl.h"

namespace {

// ---- One scene, drawn the same way in either kind of context.

struct Scene {
    const char* name;
    GLint internalFormat;  // GL_COLOR_INDEX8_EXT: paletted
    int paletteEntries;
    int width, height;     // level 0
    bool mipmaps;          // every level given, each its own pattern
    GLenum minFilter, magFilter, wrap, env;
    bool perspective, blend;
    float s1, t1;          // texture coordinates of the far corner (the near one is 0, 0)
    int quad;              // side of the quad in pixels, at (8, 8)
    int tolerance;         // per 8-bit channel
};

void PrintTo(const Scene& s, std::ostream* os) { *os << s.name; }

// Level texels: a smooth ramp for linear filtering, distinct neighbours
// otherwise (in blocks of 4 x 4 texels for the mip-maps, which are drawn at
// about a pixel a texel, and differ from level to level).
std::vector<uint8_t> levelTexels(const Scene& s, int level, int w, int h) {
    std::vector<uint8_t> v((size_t)w * h * 4);
    const bool smooth = s.magFilter == GL_LINEAR;
    const int block = s.mipmaps ? 2 : 0;
    for (int j0 = 0; j0 < h; j0++)
        for (int i0 = 0; i0 < w; i0++) {
            const int i = i0 >> block, j = j0 >> block;
            uint8_t* t = &v[((size_t)j0 * w + i0) * 4];
            if (s.internalFormat == GL_COLOR_INDEX8_EXT) {
                t[0] = (uint8_t)((i * 5 + j * 3 + level * 7) % s.paletteEntries);
                continue;
            }
            if (smooth) {
                t[0] = (uint8_t)(w > 1 ? i * 255 / (w - 1) : 128), t[1] = (uint8_t)(h > 1 ? j * 255 / (h - 1) : 64);
                t[2] = (uint8_t)(255 - t[0]), t[3] = (uint8_t)((t[0] + t[1]) / 2);
            } else {
                t[0] = (uint8_t)(i * 73 + level * 41), t[1] = (uint8_t)(j * 51 + 30 + level * 90);
                t[2] = (uint8_t)((i ^ j) * 29 + level * 60), t[3] = (uint8_t)((i + j) * 37 + 64);
            }
        }
    return v;
}

void drawScene(const Scene& s) {
    const PFNGLCOLORTABLEEXTPROC colorTable = (PFNGLCOLORTABLEEXTPROC)(void*)wglGetProcAddress("glColorTableEXT");
    gltestPixelViewport(0, 0, 64, 64);
    glDisable(GL_DITHER);
    glClearColor(0.2f, 0.3f, 0.9f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const bool index = s.internalFormat == GL_COLOR_INDEX8_EXT;
    for (int level = 0, w = s.width, h = s.height;; level++, w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) {
        const std::vector<uint8_t> texels = levelTexels(s, level, w, h);
        if (index) {
            std::vector<uint8_t> indices((size_t)w * h);
            for (size_t k = 0; k < indices.size(); k++) indices[k] = texels[4 * k];
            glTexImage2D(GL_TEXTURE_2D, level, s.internalFormat, w, h, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE,
                         indices.data());
        } else {
            glTexImage2D(GL_TEXTURE_2D, level, s.internalFormat, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        }
        if (!s.mipmaps || (w == 1 && h == 1)) break;
    }
    if (index) {
        std::vector<uint8_t> palette((size_t)s.paletteEntries * 3);
        for (size_t k = 0; k < palette.size(); k++) palette[k] = (uint8_t)(k * 67 + 13);
        colorTable(GL_TEXTURE_2D, GL_RGB, s.paletteEntries, GL_RGB, GL_UNSIGNED_BYTE, palette.data());
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, s.minFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, s.magFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, s.wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, s.wrap);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, s.env);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_TEXTURE_2D);
    if (s.blend) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    }
    glColor4f(0.9f, 0.7f, 0.5f, 0.6f);
    if (s.perspective) {
        // A floor going away: the far edge four times as far as the near one.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glFrustum(-1, 1, -1, 1, 1, 10);
        glMatrixMode(GL_MODELVIEW);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex3f(-1.5f, -1.2f, -1.5f);
        glTexCoord2f(s.s1, 0), glVertex3f(1.5f, -1.2f, -1.5f);
        glTexCoord2f(s.s1, s.t1), glVertex3f(6.0f, 4.0f, -6.0f);
        glTexCoord2f(0, s.t1), glVertex3f(-6.0f, 4.0f, -6.0f);
        glEnd();
    } else {
        hwtestTexturedQuad(8, 8, (float)(8 + s.quad), (float)(8 + s.quad), 0, 0, s.s1, s.t1);
    }
    glFinish();
}

std::vector<HwRgb> boardImage(const Scene& s) {
    HwContext hw(false, 64);
    drawScene(s);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(rvSimErrorCount(), 0u) << rvSimLastError();
    std::vector<HwRgb> out;
    for (int y = 0; y < 64; y++)
        for (int x = 0; x < 64; x++) out.push_back(hwtestPixel(RV_BUFFER_FRONT, x, y));
    return out;
}

std::vector<HwRgb> softwareImage(const Scene& s) {
    const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
    __wglHardware = 0;
    std::vector<HwRgb> out;
    {
        GltestDibContext c(640, 480, 16, false, 16, true, masks);
        drawScene(s);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        for (int y = 0; y < 64; y++)
            for (int x = 0; x < 64; x++) out.push_back(hwtestExpand565((uint16_t)c.pixel(x, y)));
    }
    __wglHardware = 1;
    return out;
}

int channelDifference(const HwRgb& a, const HwRgb& b) {
    const int d[3] = {abs(a.r - b.r), abs(a.g - b.g), abs(a.b - b.b)};
    return d[0] > d[1] ? (d[0] > d[2] ? d[0] : d[2]) : (d[1] > d[2] ? d[1] : d[2]);
}

const Scene kScenes[] = {
    // name, format, entries, w, h, mipmaps, min, mag, wrap, env, perspective, blend, s1, t1, quad, tolerance
    {"rgb nearest replace", GL_RGB, 0, 8, 8, false, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, false, false,
     1, 1, 48, 12},
    {"rgb linear modulate", GL_RGB8, 0, 8, 8, false, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_MODULATE, false, false,
     1, 1, 48, 12},
    {"rgb repeat twice", GL_RGB, 0, 8, 4, false, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, false, false,
     2, 3, 48, 12},
    {"rgb clamp", GL_RGB, 0, 4, 8, false, GL_NEAREST, GL_NEAREST, GL_CLAMP, GL_REPLACE, false, false, 1.5f, 1.5f,
     48, 12},
    {"rgba modulate blended", GL_RGBA, 0, 8, 8, false, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, false, true,
     1, 1, 48, 26},
    {"rgba decal", GL_RGBA8, 0, 8, 8, false, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_DECAL, false, false, 1, 1, 48,
     26},
    {"rgba replace blended", GL_RGB5_A1, 0, 16, 16, false, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_REPLACE, false,
     true, 1, 1, 48, 26},
    {"rgb decal", GL_RGB, 0, 8, 8, false, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_DECAL, false, false, 1, 1, 48, 12},
    {"luminance modulate", GL_LUMINANCE, 0, 8, 8, false, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, false,
     false, 1, 1, 48, 12},
    {"luminance alpha replace", GL_LUMINANCE8_ALPHA8, 0, 8, 8, false, GL_NEAREST, GL_NEAREST, GL_REPEAT,
     GL_REPLACE, false, true, 1, 1, 48, 12},
    {"alpha modulate", GL_ALPHA8, 0, 8, 8, false, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_MODULATE, false, true, 1, 1,
     48, 12},
    {"intensity modulate", GL_INTENSITY, 0, 8, 8, false, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_MODULATE, false,
     true, 1, 1, 48, 12},
    {"paletted 16", GL_COLOR_INDEX8_EXT, 16, 8, 8, false, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, false,
     false, 1, 1, 48, 12},
    {"paletted 256 modulate", GL_COLOR_INDEX8_EXT, 256, 16, 16, false, GL_NEAREST, GL_NEAREST, GL_REPEAT,
     GL_MODULATE, false, false, 1, 1, 48, 12},
    // A 64x64 mip-mapped texture on 16 pixels: exactly level 2; on 32 pixels, level 1.
    {"mipmap nearest level 2", GL_RGB, 0, 64, 64, true, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT,
     GL_REPLACE, false, false, 1, 1, 16, 12},
    {"mipmap linear level 1", GL_RGB, 0, 64, 32, true, GL_LINEAR_MIPMAP_NEAREST, GL_NEAREST, GL_REPEAT,
     GL_REPLACE, false, false, 1, 1, 32, 12},
    {"mipmap paletted level 2", GL_COLOR_INDEX8_EXT, 16, 64, 64, true, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST,
     GL_REPEAT, GL_REPLACE, false, false, 1, 1, 16, 12},
    {"perspective nearest", GL_RGB, 0, 8, 8, false, GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPLACE, true, false, 2,
     2, 0, 12},
    {"perspective linear modulate", GL_RGB, 0, 16, 16, false, GL_LINEAR, GL_LINEAR, GL_REPEAT, GL_MODULATE, true,
     false, 1, 1, 0, 12},
};

class HwTextureScenes : public ::testing::TestWithParam<Scene> {};

// Interior pixels: neither on an edge of the primitive nor on a texel edge of
// the software image (where a sixteenth of a pixel picks another texel).
TEST_P(HwTextureScenes, BoardAndSoftwareAgree) {
    const Scene& s = GetParam();
    const std::vector<HwRgb> board = boardImage(s), soft = softwareImage(s);
    const HwRgb background = soft[0];
    int compared = 0, textured = 0;
    for (int y = 1; y < 63; y++)
        for (int x = 1; x < 63; x++) {
            const HwRgb& c = soft[(size_t)y * 64 + x];
            bool interior = true;
            const int nx[4] = {x - 1, x + 1, x, x}, ny[4] = {y, y, y - 1, y + 1};
            for (int k = 0; k < 4 && interior; k++) {
                const HwRgb& n = soft[(size_t)ny[k] * 64 + nx[k]];
                interior = channelDifference(c, n) <= 40 && (channelDifference(n, background) != 0) ==
                                                                  (channelDifference(c, background) != 0);
            }
            if (!interior) continue;
            compared++;
            if (channelDifference(c, background) != 0) textured++;
            const HwRgb& b = board[(size_t)y * 64 + x];
            ASSERT_LE(channelDifference(b, c), s.tolerance)
                << "pixel " << x << "," << y << ": board " << b.r << " " << b.g << " " << b.b << ", software " << c.r
                << " " << c.g << " " << c.b;
        }
    const int area = s.perspective ? 400 : s.quad * s.quad / 10;
    EXPECT_GE(textured, area) << "too few interior pixels compared (" << compared << ")";
}

INSTANTIATE_TEST_SUITE_P(Scenes, HwTextureScenes, ::testing::ValuesIn(kScenes), [](const auto& info) {
    std::string n = info.param.name;
    for (char& ch : n)
        if (ch == ' ') ch = '_';
    return n;
});

}  // namespace

namespace {

// The board's 256 palette words when a table of `entries` RGB triples is in force.
std::vector<uint32_t> boardWords(const std::vector<uint8_t>& rgb) {
    const size_t entries = rgb.size() / 3;
    std::vector<uint32_t> w(256);
    for (size_t i = 0; i < 256; i++) {
        const uint8_t* e = &rgb[(i % entries) * 3];
        w[i] = (uint32_t)e[0] << 16 | (uint32_t)e[1] << 8 | e[2];
    }
    return w;
}
std::vector<uint32_t> boardPalette() { return std::vector<uint32_t>(rvSimPalette(), rvSimPalette() + 256); }

TEST(HwSharedPalette, DefinitionsReachTheBoardAndTheEnableChoosesTheTable) {
    HwContext hw;
    const PFNGLCOLORTABLEEXTPROC colorTable = (PFNGLCOLORTABLEEXTPROC)(void*)wglGetProcAddress("glColorTableEXT");
    ASSERT_NE(colorTable, nullptr);
    const std::vector<uint8_t> shared = {255, 0, 0, 0, 255, 0, 10, 20, 30, 40, 50, 60};
    const std::vector<uint8_t> own = {0, 0, 255, 0, 0, 255};
    const uint8_t indices[8] = {};  // rows of 2 bytes, 4 apart (the unpack alignment)
    glTexImage2D(GL_TEXTURE_2D, 0, GL_COLOR_INDEX8_EXT, 2, 2, 0, GL_COLOR_INDEX, GL_UNSIGNED_BYTE, indices);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);

    struct Step {
        const char* what;
        std::function<void()> call;
        int downloads;                        // rvTexDownloadTable calls it makes
        const std::vector<uint8_t>* palette;  // the board's table after it
    };
    const Step steps[] = {
        {"the shared palette defined",
         [&] { colorTable(GL_SHARED_TEXTURE_PALETTE_EXT, GL_RGB, 4, GL_RGB, GL_UNSIGNED_BYTE, shared.data()); }, 1,
         &shared},
        {"the texture's own table defined",
         [&] { colorTable(GL_TEXTURE_2D, GL_RGB, 2, GL_RGB, GL_UNSIGNED_BYTE, own.data()); }, 1, &own},
        {"a shared table that is not a power of two changes nothing",
         [&] { colorTable(GL_SHARED_TEXTURE_PALETTE_EXT, GL_RGB, 3, GL_RGB, GL_UNSIGNED_BYTE, shared.data()); }, 0,
         &own},
        {"a proxy reaches no board",
         [&] { colorTable(GL_PROXY_TEXTURE_2D, GL_RGB, 4, GL_RGB, GL_UNSIGNED_BYTE, shared.data()); }, 0, &own},
        {"drawn with the shared palette enabled",
         [&] {
             glEnable(GL_SHARED_TEXTURE_PALETTE_EXT);
             glEnable(GL_TEXTURE_2D);
             hwtestTexturedQuad(0, 0, 32, 32);
         },
         1, &shared},
        {"drawn with it disabled", [&] {
             glDisable(GL_SHARED_TEXTURE_PALETTE_EXT);
             hwtestTexturedQuad(0, 0, 32, 32);
         },
         1, &own},
    };
    for (const Step& s : steps) {
        rvLogClear();
        s.call();
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << s.what;
        EXPECT_EQ(hwtestCalls("rvTexDownloadTable").size(), (size_t)s.downloads) << s.what;
        EXPECT_EQ(boardPalette(), boardWords(*s.palette)) << s.what;
        if (s.palette == &shared && s.downloads && hwtestCalls("rvDrawTriangle").size()) {
            const HwRgb c = hwtestPixel(RV_BUFFER_BACK, 5, 5);
            EXPECT_TRUE(c.r >= 240 && c.g <= 8 && c.b <= 8) << s.what << ": " << c.r << " " << c.g << " " << c.b;
        }
    }
}

}  // namespace
