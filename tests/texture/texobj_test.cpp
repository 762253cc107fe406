// Texture names and objects: generation, binding, deletion, the default
// objects, priorities, residency, sharing between contexts and the texture
// attribute group.
#include <sys/mman.h>
#include <unistd.h>
#include <functional>
#include <vector>
#include "textest.h"
#include "core/names.h"
#include "core/services.h"

namespace {

using Textures = TextureContext;

TEST_F(Textures, EachTargetStartsWithItsDefaultObject) {
    EXPECT_FALSE(glIsTexture(0));
    for (GLenum target : {GL_TEXTURE_1D, GL_TEXTURE_2D}) {
        SCOPED_TRACE(target);
        EXPECT_EQ(binding(target), 0);
        EXPECT_EQ(texi(target, GL_TEXTURE_WRAP_S), GL_REPEAT);
        EXPECT_EQ(texi(target, GL_TEXTURE_WRAP_T), GL_REPEAT);
        EXPECT_EQ(texi(target, GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
        EXPECT_EQ(texi(target, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
        EXPECT_EQ(texi(target, GL_TEXTURE_RESIDENT), 0);
        GLfloat f[4] = {9, 9, 9, 9};
        glGetTexParameterfv(target, GL_TEXTURE_BORDER_COLOR, f);
        for (GLfloat c : f) EXPECT_EQ(c, 0.0f);
        glGetTexParameterfv(target, GL_TEXTURE_PRIORITY, f);
        EXPECT_EQ(f[0], 1.0f);
    }
    // Four distinct defaults, proxies included, each with its level array.
    for (int t = 0; t < GL_TEX_TARGETS; t++) {
        EXPECT_EQ(bound(t), &gc->textureObjects.defaults[t]);
        EXPECT_EQ(bound(t)->params.dimensions, t % 2 + 1);
        ASSERT_NE(bound(t)->params.levels, nullptr);
        EXPECT_EQ(bound(t)->params.levels[gc->limits.textureLevels - 1].internalFormat, 1);
    }
}

TEST_F(Textures, NamesAreReservedThenGetObjectsWhenFirstBound) {
    GLuint a[3] = {}, b = 0;
    glGenTextures(3, a);
    glGenTextures(1, &b);
    EXPECT_EQ(a[0], 1u);
    EXPECT_EQ(a[1], 2u);
    EXPECT_EQ(a[2], 3u);
    EXPECT_EQ(b, 4u);
    for (GLuint n : a) EXPECT_FALSE(glIsTexture(n)) << n;

    glBindTexture(GL_TEXTURE_2D, 2);
    glBindTexture(GL_TEXTURE_1D, 9);  // never generated: bound all the same
    EXPECT_TRUE(glIsTexture(2));
    EXPECT_TRUE(glIsTexture(9));
    EXPECT_FALSE(glIsTexture(1));
    EXPECT_EQ(binding(GL_TEXTURE_2D), 2);
    EXPECT_EQ(binding(GL_TEXTURE_1D), 9);
    EXPECT_EQ(bound(GL_TEX_2D)->refCount, 2);  // the table's and the binding's

    // Deleted names are handed out again.
    const GLuint gone[] = {2, 3};
    glDeleteTextures(2, gone);
    EXPECT_FALSE(glIsTexture(2));
    GLuint c[2] = {};
    glGenTextures(2, c);
    EXPECT_EQ(c[0], 2u);
    EXPECT_EQ(c[1], 3u);
}

TEST_F(Textures, ABoundNameKeepsItsFirstTarget) {
    glBindTexture(GL_TEXTURE_2D, 5);
    GlTextureObject* five = bound(GL_TEX_2D);
    glBindTexture(GL_TEXTURE_1D, 5);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    EXPECT_EQ(binding(GL_TEXTURE_1D), 0);
    EXPECT_EQ(bound(GL_TEX_1D), &gc->textureObjects.defaults[GL_TEX_1D]);
    EXPECT_EQ(five->refCount, 2);
    // Binding the bound object again changes no count.
    glBindTexture(GL_TEXTURE_2D, 5);
    EXPECT_EQ(five->refCount, 2);
}

TEST_F(Textures, ParametersTravelWithTheirObject) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);  // the default object's
    glBindTexture(GL_TEXTURE_2D, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, 0.25f);
    glBindTexture(GL_TEXTURE_2D, 2);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
    glBindTexture(GL_TEXTURE_2D, 1);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
    GLfloat p = 0;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, &p);
    EXPECT_EQ(p, 0.25f);
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
}

TEST_F(Textures, DeletingBoundTexturesRebindsTheDefaults) {
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);  // default 2D object
    glBindTexture(GL_TEXTURE_1D, 3);
    glBindTexture(GL_TEXTURE_2D, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    __glThreadState()->beginState = GL_BEGIN_OUTSIDE;
    const GLuint names[] = {3, 0, 4};  // the 0 is skipped, the others deleted
    glDeleteTextures(3, names);
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_NEEDS_VALIDATE);
    EXPECT_FALSE(glIsTexture(3));
    EXPECT_FALSE(glIsTexture(4));
    EXPECT_EQ(binding(GL_TEXTURE_1D), 0);
    EXPECT_EQ(binding(GL_TEXTURE_2D), 0);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_CLAMP);
    for (int t = 0; t < 2; t++) EXPECT_EQ(bound(t), &gc->textureObjects.defaults[t]);
    // The name is free: binding it again makes a fresh object.
    glBindTexture(GL_TEXTURE_2D, 4);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_REPEAT);
}

int releases;
void GLPROC countingFree(GlContext* gc, GlTextureObject* o) {
    releases++;
    __glFreeTextureObject(gc, o);
}

// The last reference frees the object through its own procedure, with the
// memory of its levels (the fixture checks that nothing is left).
TEST_F(Textures, TheLastReferenceFreesTheObjectAndItsLevels) {
    glBindTexture(GL_TEXTURE_2D, 8);
    GlTextureObject* o = bound(GL_TEX_2D);
    o->free = countingFree;
    for (int i = 0; i < 3; i++) o->params.levels[i].data = (uint8_t*)gc->imports.alloc(gc, 64);
    o->params.levels[0].converted = (uint8_t*)gc->imports.alloc(gc, 64);
    o->params.palette.data = (uint8_t*)gc->imports.alloc(gc, 16);
    releases = 0;
    const GLuint name = 8;
    glDeleteTextures(1, &name);  // the binding's and the table's references go
    EXPECT_EQ(releases, 1);
}

TEST_F(Textures, AContextDestroyedWithBoundTexturesFreesThem) {
    glBindTexture(GL_TEXTURE_1D, 1);
    glBindTexture(GL_TEXTURE_2D, 2);
    bound(GL_TEX_2D)->params.levels[0].data = (uint8_t*)gc->imports.alloc(gc, 64);
}

// A bind that runs out of memory at any of its allocations records
// GL_OUT_OF_MEMORY and leaves the binding and the names as they were.
TEST_F(Textures, BindOutOfMemoryChangesNothing) {
    glBindTexture(GL_TEXTURE_2D, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP);
    int failures = 0;
    for (int n = 0; n < 16; n++) {
        gltestFailAllocationAfter(n);
        glBindTexture(GL_TEXTURE_2D, 1000);
        gltestFailAllocationAfter(-1);
        const GLenum error = glGetError();
        if (error == GL_NO_ERROR) break;
        failures++;
        EXPECT_EQ(error, (GLenum)GL_OUT_OF_MEMORY) << n;
        EXPECT_EQ(binding(GL_TEXTURE_2D), 1) << n;
        EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S), GL_CLAMP) << n;
        EXPECT_FALSE(glIsTexture(1000)) << n;
    }
    EXPECT_GE(failures, 2);  // the object and its level array
    EXPECT_EQ(binding(GL_TEXTURE_2D), 1000);
    EXPECT_EQ(bound(GL_TEX_2D)->refCount, 2);
}

TEST_F(Textures, GenerationThatFailsHandsOutZeros) {
    GlNameTable* t = gc->textureObjects.names;
    ASSERT_EQ(__glNameGen(gc, t, 0x7FFFFFFF), 1u);
    ASSERT_EQ(__glNameGen(gc, t, 0x7FFFFFFF), 0x80000000u);  // only 0xFFFFFFFF is left
    GLuint two[2] = {77, 78};
    glGenTextures(2, two);
    EXPECT_EQ(two[0], 0u);
    EXPECT_EQ(two[1], 0u);
    GLuint one = 0;
    glGenTextures(1, &one);
    EXPECT_EQ(one, 0xFFFFFFFFu);
    glGetError();
}

TEST_F(Textures, PrioritiesAreClampedAndFollowedByTheBoundTarget) {
    const GLuint names[] = {1, 2, 3, 0, 99};
    for (GLuint n : {1u, 2u, 3u}) glBindTexture(GL_TEXTURE_2D, n);  // 3 stays bound
    const GLclampf given[] = {1.5f, -2.0f, 0.25f, 0.5f, 0.5f};      // 0 and 99: skipped
    glPrioritizeTextures(5, names, given);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    GLfloat p = -1;
    glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, &p);
    EXPECT_EQ(p, 0.25f);
    const GLfloat expected[] = {1.0f, 0.0f};
    for (int i = 0; i < 2; i++) {
        glBindTexture(GL_TEXTURE_2D, names[i]);
        glGetTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_PRIORITY, &p);
        EXPECT_EQ(p, expected[i]) << names[i];
    }
}

TEST_F(Textures, ResidencyNeedsCompleteImagesInMemory) {
    glBindTexture(GL_TEXTURE_2D, 1);
    glBindTexture(GL_TEXTURE_2D, 2);
    const GLuint names[] = {1, 2};
    GLboolean r[2] = {9, 9};
    EXPECT_FALSE(glAreTexturesResident(2, names, r));  // no images yet
    EXPECT_EQ(r[0], GL_FALSE);
    EXPECT_EQ(r[1], GL_FALSE);

    const GLuint withUnknown[] = {1, 50, 2};
    GLboolean s[3] = {9, 9, 9};
    EXPECT_FALSE(glAreTexturesResident(3, withUnknown, s));
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_VALUE);
    EXPECT_EQ(s[0], GL_FALSE);  // written before the unknown name
    EXPECT_EQ(s[2], 9);

    bound(GL_TEX_2D)->resident = 1;
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_RESIDENT), 1);
}

// OpenGL 1.1: the residences are left alone when every texture is resident.
TEST_F(Textures, ResidencesAreWrittenOnlyWhenSomeAreNot) {
    const uint8_t texels[16] = {1, 2, 3, 4};
    for (GLuint name = 1; name <= 3; name++) {
        glBindTexture(GL_TEXTURE_2D, name);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 2, 2, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels);
        if (name < 3) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    }
    const GLuint names[] = {1, 2, 3};
    GLboolean r[3] = {9, 9, 9};
    EXPECT_TRUE(glAreTexturesResident(2, names, r));
    EXPECT_EQ(r[0], 9);
    EXPECT_EQ(r[1], 9);
    EXPECT_FALSE(glAreTexturesResident(3, names, r));  // 3 is mip-mapped without its levels
    EXPECT_EQ(r[0], GL_TRUE);
    EXPECT_EQ(r[1], GL_TRUE);
    EXPECT_EQ(r[2], GL_FALSE);
}

// The names and the residences may share client memory: each name is read
// once, before any residence is written. The names fill the end of a page and
// the residences its last bytes, over the top bytes of the last names; the
// page after it is inaccessible. Two names (1 and 0x7fffffff), and 600 of
// them alternating, more than the answers kept on the stack.
TEST_F(Textures, ResidencesOverlappingTheNamesTakeEachNameOnce) {
    const GLuint kNames[2] = {1, 0x7fffffff};
    const struct {
        int count;
        bool image[2];  // a complete image for each of the two names
        GLboolean answer;
    } cases[] = {
        {2, {false, false}, GL_FALSE}, {2, {true, false}, GL_FALSE},   {2, {false, true}, GL_FALSE},
        {2, {true, true}, GL_TRUE},    {600, {true, false}, GL_FALSE}, {600, {false, true}, GL_FALSE},
        {600, {true, true}, GL_TRUE},
    };
    const size_t page = (size_t)sysconf(_SC_PAGESIZE);
    uint8_t* block = (uint8_t*)mmap(nullptr, 2 * page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(block, MAP_FAILED);
    ASSERT_EQ(mprotect(block + page, page, PROT_NONE), 0);
    const uint8_t texels[16] = {1, 2, 3, 4};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.count << " names, images " << c.image[0] << c.image[1]);
        for (int i = 0; i < 2; i++) {
            glBindTexture(GL_TEXTURE_2D, kNames[i]);
            glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, c.image[i] ? 2 : 0, c.image[i] ? 2 : 0, 0, GL_RGBA,
                         GL_UNSIGNED_BYTE, texels);
        }
        GLuint* names = (GLuint*)(block + page - 4 * (size_t)c.count);
        GLboolean* residences = block + page - c.count;
        for (int i = 0; i < c.count; i++) names[i] = kNames[i % 2];
        std::vector<uint8_t> before(residences, residences + c.count);
        EXPECT_EQ(glAreTexturesResident(c.count, names, residences), c.answer);
        EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
        for (int i = 0; i < c.count; i++) {
            // All resident: untouched, the last names' top bytes.
            const uint8_t want = c.answer ? before[i] : (uint8_t)c.image[i % 2];
            ASSERT_EQ(residences[i], want) << i;
        }
        EXPECT_EQ(names[0], 1u);
    }
    // No memory for the answers of many names: GL_OUT_OF_MEMORY, nothing written.
    GLuint* names = (GLuint*)(block + page - 4 * 600);
    GLboolean* residences = block + page - 600;
    for (int i = 0; i < 600; i++) names[i] = 1;
    gltestFailAllocationAfter(0);
    EXPECT_EQ(glAreTexturesResident(600, names, residences), GL_FALSE);
    gltestFailAllocationAfter(-1);
    EXPECT_EQ(glGetError(), (GLenum)GL_OUT_OF_MEMORY);
    for (int i = 0; i < 600; i++) ASSERT_EQ(names[i], 1u) << i;
    glBindTexture(GL_TEXTURE_2D, 0);
    glDeleteTextures(2, kNames);
    munmap(block, 2 * page);
}

// Which levels must have memory: the first only without mip-maps, else the
// chain down to a 1x1 level or to the last level.
TEST_F(Textures, LevelMemoryFollowsTheMinificationFilter) {
    struct Case {
        const char* name;
        GLenum minFilter;
        int levelsWithData;  // levels 0 .. n-1 get memory
        int oneByOneLevel;   // level of size 1x1, -1 none
        bool expected;
    };
    const int all = 11;
    const Case cases[] = {
        {"linear, level 0", GL_LINEAR, 1, -1, true},
        {"nearest, no memory", GL_NEAREST, 0, -1, false},
        {"mip-mapped, level 0 only", GL_NEAREST_MIPMAP_LINEAR, 1, -1, false},
        {"mip-mapped to 1x1", GL_LINEAR_MIPMAP_NEAREST, 3, 2, true},
        {"mip-mapped, gap before 1x1", GL_LINEAR_MIPMAP_LINEAR, 2, 3, false},
        {"mip-mapped, every level", GL_NEAREST_MIPMAP_NEAREST, all, -1, true},
    };
    static uint8_t texels[4];
    ASSERT_EQ(gc->limits.textureLevels, all);
    for (const Case& c : cases) {
        GlTextureParams p = bound(GL_TEX_2D)->params;  // a copy: its levels are not freed
        GlMipmapLevel levels[all] = {};
        p.levels = levels;
        p.state.minFilter = c.minFilter;
        for (int i = 0; i < all; i++) {
            levels[i].width = levels[i].height = i == c.oneByOneLevel ? 1 : 4;
            levels[i].data = i < c.levelsWithData ? texels : nullptr;
        }
        EXPECT_EQ(__glTexLevelsHaveMemory(gc, &p) != 0, c.expected) << c.name;
    }
}

TEST_F(Textures, CountsAndTargetsAreChecked) {
    GLuint name = 1;
    GLboolean r = 0;
    GLclampf p = 1;
    struct Case {
        const char* name;
        std::function<void()> call;
        GLenum error;
    };
    const Case cases[] = {
        {"bind proxy 2D", [] { glBindTexture(GL_PROXY_TEXTURE_2D, 1); }, GL_INVALID_ENUM},
        {"bind proxy 1D", [] { glBindTexture(GL_PROXY_TEXTURE_1D, 1); }, GL_INVALID_ENUM},
        {"bind env", [] { glBindTexture(GL_TEXTURE_ENV, 1); }, GL_INVALID_ENUM},
        {"gen -1", [&] { glGenTextures(-1, &name); }, GL_INVALID_VALUE},
        {"delete -1", [&] { glDeleteTextures(-1, &name); }, GL_INVALID_VALUE},
        {"prioritize -1", [&] { glPrioritizeTextures(-1, &name, &p); }, GL_INVALID_VALUE},
        {"resident -1", [&] { EXPECT_FALSE(glAreTexturesResident(-1, &name, &r)); }, GL_INVALID_VALUE},
        {"resident 0 count", [&] { EXPECT_FALSE(glAreTexturesResident(0, &name, &r)); }, GL_NO_ERROR},
        {"resident name 0", [&] {
             const GLuint zero = 0;
             EXPECT_FALSE(glAreTexturesResident(1, &zero, &r));
         }, GL_INVALID_VALUE},
    };
    for (const Case& c : cases) {
        c.call();
        EXPECT_EQ(glGetError(), c.error) << c.name;
    }
    EXPECT_EQ(name, 1u);
    EXPECT_FALSE(glIsTexture(1));  // the refused binds made nothing
}

int validations;
void GLPROC countingValidate(GlContext*) { validations++; }

TEST_F(Textures, BindRunsPendingValidationFirst) {
    void (GLPROC* validate)(GlContext*) = gc->procs.validate;
    gc->procs.validate = countingValidate;
    validations = 0;
    __glThreadState()->beginState = GL_BEGIN_NEEDS_VALIDATE;
    glBindTexture(GL_TEXTURE_2D, 1);
    EXPECT_EQ(validations, 1);
    EXPECT_EQ(__glThreadState()->beginState, GL_BEGIN_NEEDS_VALIDATE);  // the bind's own change
    glBindTexture(GL_TEXTURE_2D, 2);
    EXPECT_EQ(validations, 2);
    gc->procs.validate = validate;
}

// ---- two contexts sharing their texture names

struct SharedTextures : TextureContext {
    GlContext* other = nullptr;
    void makeCurrent(GlContext* c) {
        __wglReleaseCurrent();
        c->procs.makeCurrent(c);
    }
    void TearDown() override {
        if (other) {
            makeCurrent(other);
            EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
            gltestDestroyCurrent(other);
            other = nullptr;
            gc->procs.makeCurrent(gc);
        }
        TextureContext::TearDown();
    }
};

TEST_F(SharedTextures, NamesSurviveTheContextThatMadeThem) {
    glBindTexture(GL_TEXTURE_2D, 3);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    GlContext* first = gc;

    other = gltestCreateCurrent();
    ASSERT_NE(other, nullptr);
    EXPECT_FALSE(glIsTexture(3));
    ASSERT_TRUE(other->procs.shareLists(other, first));
    EXPECT_TRUE(glIsTexture(3));
    glBindTexture(GL_TEXTURE_2D, 3);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);

    // Bound in both: neither may change its parameters.
    makeCurrent(first);
    glBindTexture(GL_TEXTURE_2D, 3);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    EXPECT_EQ(glGetError(), (GLenum)GL_INVALID_OPERATION);
    glBindTexture(GL_TEXTURE_2D, 0);

    // The first context goes; the shared names and objects stay.
    gltestDestroyCurrent(first);
    gc = other;
    other = nullptr;
    gc->procs.makeCurrent(gc);
    EXPECT_TRUE(glIsTexture(3));
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);  // bound only here now
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    GLuint n = 0;
    glGenTextures(1, &n);
    EXPECT_NE(n, 3u);
}

TEST_F(SharedTextures, DeletedInOneContextTheObjectLivesWhileBoundInTheOther) {
    GlContext* first = gc;
    other = gltestCreateCurrent();
    ASSERT_NE(other, nullptr);
    ASSERT_TRUE(other->procs.shareLists(other, first));
    glBindTexture(GL_TEXTURE_2D, 6);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP);
    GlTextureObject* six = other->textureObjects.bound[GL_TEX_2D];

    makeCurrent(first);
    const GLuint name = 6;
    glDeleteTextures(1, &name);
    EXPECT_FALSE(glIsTexture(6));
    EXPECT_EQ(six->refCount, 1);  // the other context's binding

    makeCurrent(other);
    EXPECT_EQ(binding(GL_TEXTURE_2D), 6);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T), GL_CLAMP);
    glBindTexture(GL_TEXTURE_2D, 0);  // the last reference: freed (the fixture counts)
    makeCurrent(first);
}

// ---- the texture attribute group

TEST_F(Textures, PopRebindsTheSavedNamesAndRestoresTheirParameters) {
    glBindTexture(GL_TEXTURE_2D, 5);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_DECAL);
    glEnable(GL_TEXTURE_2D);
    glPushAttrib(GL_TEXTURE_BIT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_BLEND);
    glTexGeni(GL_Q, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glDisable(GL_TEXTURE_2D);
    glEnable(GL_TEXTURE_GEN_S);
    glBindTexture(GL_TEXTURE_2D, 6);
    glBindTexture(GL_TEXTURE_1D, 7);
    glPopAttrib();

    EXPECT_EQ(binding(GL_TEXTURE_2D), 5);
    EXPECT_EQ(binding(GL_TEXTURE_1D), 0);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    GLint v = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &v);
    EXPECT_EQ(v, GL_DECAL);
    glGetTexGeniv(GL_Q, GL_TEXTURE_GEN_MODE, &v);
    EXPECT_EQ(v, GL_EYE_LINEAR);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    // The object itself got the restored parameters, not only the target.
    EXPECT_EQ(bound(GL_TEX_2D)->params.state.minFilter, (GLenum)GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    glBindTexture(GL_TEXTURE_2D, 5);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    // The objects bound in between kept what they had.
    glBindTexture(GL_TEXTURE_2D, 6);
    EXPECT_EQ(texi(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_LINEAR);
}

TEST_F(Textures, PopKeepsTheLiveBindingWhenTheSavedNameChangedTarget) {
    glBindTexture(GL_TEXTURE_2D, 4);
    glPushAttrib(GL_TEXTURE_BIT);
    const GLuint name = 4;
    glDeleteTextures(1, &name);
    glBindTexture(GL_TEXTURE_1D, 4);  // the name now makes a 1D texture
    glPopAttrib();
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
    EXPECT_EQ(binding(GL_TEXTURE_2D), 0);
    EXPECT_EQ(bound(GL_TEX_2D), &gc->textureObjects.defaults[GL_TEX_2D]);
    EXPECT_EQ(binding(GL_TEXTURE_1D), 0);  // the saved 1D binding
    EXPECT_TRUE(glIsTexture(4));
}

TEST_F(Textures, EnableGroupRestoresTheTextureEnables) {
    glEnable(GL_TEXTURE_1D);
    glPushAttrib(GL_ENABLE_BIT);
    glDisable(GL_TEXTURE_1D);
    glEnable(GL_TEXTURE_2D);
    for (GLenum g : {GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q}) glEnable(g);
    glPushAttrib(GL_TEXTURE_BIT);
    glDisable(GL_TEXTURE_GEN_T);
    glPopAttrib();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
    glPopAttrib();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_1D));
    for (GLenum g : {GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q})
        EXPECT_FALSE(glIsEnabled(g)) << g;
}

}  // namespace
