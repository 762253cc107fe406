// A fixed-seed random-call driver: it calls every exported gl entry with
// arguments from pools of interesting values (zero, one, negatives, the
// integer limits, not-a-number, infinities, every enum of <GL/gl.h>),
// primitives between glBegin and glEnd, and makes two contexts that share
// lists current and deletes them in turn. Client sizes stay within the
// buffers it passes, since OpenGL reads as many client elements as the caller
// says; the buffers lie side by side, and now and then a pointer lands inside
// another one's bytes, so that arrays, images and results overlap each other.
// With every n-th allocation failing, GL_OUT_OF_MEMORY must come only after a
// failed allocation. A crash or hang of a seed is a failure that names the call.
#include "randomcalls.h"
#include <gtest/gtest.h>
#include <math.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>
#include <limits>
#include <random>
#include <string>
#include <type_traits>
#include <vector>
#include "gltest.h"
#include <GL/gl.h>
#include "core/gldispatch.h"
#include "standin/control.h"

namespace {

// ---- Value pools.

const int32_t kIntPool[] = {0, 1, 2, 3, 4, 7, 8, 16, 31, 32, 33, 64, 255, 256, 1023, 1024, 1025, 65535, 65536,
                            -1, -2, -255, -65536, INT32_MAX, INT32_MIN, INT32_MAX - 1, INT32_MIN + 1};
const float kInf = std::numeric_limits<float>::infinity();
const float kFloatPool[] = {0.0f, -0.0f, 1.0f, -1.0f, 0.5f, 2.0f, 3.0f, 64.0f, 255.0f, 1e-30f, -1e-30f,
                            1e30f, -1e30f, 3.4e38f, -3.4e38f, 2147483648.0f, -2147483648.0f, 1e-45f,
                            std::numeric_limits<float>::quiet_NaN(), kInf, -kInf};

// Every value #defined in <GL/gl.h>, read from the header itself.
std::vector<uint32_t> readEnums() {
    std::vector<uint32_t> out;
    FILE* f = fopen(GL_HEADER_FILE, "r");
    if (!f) return out;
    char line[512];
    while (fgets(line, sizeof line, f)) {
        char name[128];
        unsigned long value;
        if (sscanf(line, " #define GL_%127s 0x%lx", name, &value) == 2 ||
            sscanf(line, " #define GL_%127s %lu", name, &value) == 2)
            out.push_back((uint32_t)value);
    }
    fclose(f);
    return out;
}

const std::vector<uint32_t>& enums() {
    static const std::vector<uint32_t> e = readEnums();
    return e;
}

// ---- Client buffers.

// Reads come from kReadBytes of pool values (vertex arrays keep pointing
// here); writes go to the kWriteBytes after them; indices come from small
// values. A pointer moved by up to kOverlapBytes (whole words) stays inside
// the read and write bytes and the slack after them.
constexpr size_t kReadBytes = 4u << 20, kWriteBytes = 4u << 20, kIndexBytes = 64u << 10;
constexpr size_t kOverlapBytes = 64u << 10;
uint8_t* gRead;
uint8_t* gWrite;
uint8_t* gIndices;

struct Rng {
    std::mt19937 m;
    explicit Rng(uint32_t seed) : m(seed) {}
    uint32_t next() { return m(); }
    uint32_t below(uint32_t n) { return n ? next() % n : 0; }
    bool chance(uint32_t percent) { return below(100) < percent; }
};

uint32_t floatWord(float f) {
    uint32_t w;
    memcpy(&w, &f, 4);
    return w;
}

// Each seed favours a few enums and entries, so that the states they set
// meet the primitives they draw more often than uniform choice would let them.
std::vector<uint32_t> gFocusEnums;

uint32_t intWord(Rng& r) {
    if (r.chance(40) && !enums().empty()) {
        if (!gFocusEnums.empty() && r.chance(75)) return gFocusEnums[r.below((uint32_t)gFocusEnums.size())];
        return enums()[r.below((uint32_t)enums().size())];
    }
    if (r.chance(10)) return r.next();
    return (uint32_t)kIntPool[r.below(sizeof kIntPool / sizeof kIntPool[0])];
}
float poolFloat(Rng& r) {
    if (r.chance(15)) return (float)(int32_t)(r.next() % 200) - 100.0f + 0.25f * (float)(r.next() % 4);
    return kFloatPool[r.below(sizeof kFloatPool / sizeof kFloatPool[0])];
}

void fillBuffers(Rng& r) {
    // Words of pool values as floats and integers, and runs of small bytes.
    for (size_t i = 0; i < kReadBytes / 4; i++) {
        uint32_t w;
        switch (r.below(4)) {
        case 0: w = floatWord(poolFloat(r)); break;
        case 1: w = intWord(r); break;
        case 2: w = r.below(256) * 0x01010101u; break;
        default: w = floatWord((float)r.below(64) / 8.0f); break;
        }
        memcpy(gRead + 4 * i, &w, 4);
    }
    for (size_t i = 0; i < kIndexBytes; i++) gIndices[i] = (uint8_t)r.below(32) * ((i & 3) == 0);
}

// ---- Argument words of a call.

struct Arg {
    size_t word;  // first word of the argument
    bool pointer;
};

struct Call {
    std::vector<uint32_t> words;
    std::vector<Arg> args;
    int32_t i(size_t k) const { return (int32_t)words[args[k].word]; }
    void set(size_t k, uint32_t v) { words[args[k].word] = v; }
    float f(size_t k) const {
        float v;
        memcpy(&v, &words[args[k].word], 4);
        return v;
    }
};

// A pointer argument: reads at the read bytes, writes at the write bytes;
// one in five moves into the other's bytes or along its own, so that it
// overlaps what other arguments and the arrays read and write.
const uint8_t* clientPointer(Rng& r, bool reads) {
    const uint8_t* home = reads ? gRead : gWrite;
    if (!r.chance(20)) return home;
    const size_t shift = 4 * r.below((uint32_t)(kOverlapBytes / 4));
    return (r.chance(50) ? gRead : home) + shift;
}

template <class T>
void appendArg(Rng& r, Call& c) {
    c.args.push_back({c.words.size(), std::is_pointer_v<T>});
    if constexpr (std::is_pointer_v<T>) {
        using P = std::remove_pointer_t<T>;
        c.words.push_back((uint32_t)(uintptr_t)clientPointer(r, std::is_const_v<P>));
    } else if constexpr (std::is_same_v<T, double>) {
        const double d = r.chance(10) ? (double)r.next() * 1e300 : (double)poolFloat(r);
        uint32_t w[2];
        memcpy(w, &d, 8);
        c.words.push_back(w[0]), c.words.push_back(w[1]);
    } else if constexpr (std::is_same_v<T, float>) {
        c.words.push_back(floatWord(poolFloat(r)));
    } else if constexpr (sizeof(T) == 4) {
        c.words.push_back(intWord(r));
    } else {
        static const uint32_t small[] = {0, 1, 2, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF};
        c.words.push_back(r.chance(50) ? small[r.below(9)] : r.next());
    }
}

template <class F>
struct Signature;
template <class R, class... A>
struct Signature<R(A...)> {
    static Call make(Rng& r) {
        Call c;
        (appendArg<A>(r, c), ...);
        return c;
    }
};

// Keeps a count within [.., cap]: larger values below `huge` wrap into the
// range, values from `huge` on stay (the library must refuse them unread).
void cap(Call& c, size_t k, int32_t most, int32_t huge = 0x10000) {
    const int32_t v = c.i(k);
    if (v > most && (huge == 0 || v < huge)) c.set(k, (uint32_t)(v % (most + 1)));
}
void capAlways(Call& c, size_t k, int32_t most) { cap(c, k, most, 0); }
// Within [-most, most]: grid indexes ask for that many evaluations either way.
void capMagnitude(Call& c, size_t k, int32_t most) {
    const int32_t v = c.i(k);
    if (v > most || v < -most) c.set(k, (uint32_t)(v % (most + 1)));
}
// Within [0, most]: an element index reads from the array's start on.
void capIndex(Call& c, size_t k, int32_t most) { c.set(k, (uint32_t)c.i(k) % (uint32_t)(most + 1)); }

bool isStoreLength(uint32_t pname) {
    switch (pname) {
    case GL_UNPACK_ROW_LENGTH: case GL_UNPACK_SKIP_ROWS: case GL_UNPACK_SKIP_PIXELS:
    case GL_PACK_ROW_LENGTH: case GL_PACK_SKIP_ROWS: case GL_PACK_SKIP_PIXELS: return true;
    }
    return false;
}

// The capabilities of glEnable and glDisable, which the driver favours there.
const uint32_t kCapabilities[] = {
    GL_ALPHA_TEST, GL_AUTO_NORMAL, GL_BLEND, GL_CLIP_PLANE0, GL_CLIP_PLANE5, GL_COLOR_LOGIC_OP, GL_COLOR_MATERIAL,
    GL_CULL_FACE, GL_DEPTH_TEST, GL_DITHER, GL_FOG, GL_INDEX_LOGIC_OP, GL_LIGHT0, GL_LIGHT1, GL_LIGHTING,
    GL_LINE_SMOOTH, GL_LINE_STIPPLE, GL_MAP1_VERTEX_3, GL_MAP2_VERTEX_4, GL_MAP2_TEXTURE_COORD_2, GL_NORMALIZE,
    GL_POINT_SMOOTH, GL_POLYGON_OFFSET_FILL, GL_POLYGON_OFFSET_LINE, GL_POLYGON_OFFSET_POINT, GL_POLYGON_SMOOTH,
    GL_POLYGON_STIPPLE, GL_SCISSOR_TEST, GL_STENCIL_TEST, GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_GEN_S,
    GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_Q, GL_VERTEX_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY,
};

// Client sizes within the buffers: per entry, the arguments that say how
// much client memory the call reads or writes (and capabilities favoured).
void limitClientSizes(Rng& r, const char* name, Call& c) {
    const std::string n = name + 2;  // without "gl"
    if ((n == "Enable" || n == "Disable" || n == "EnableClientState") && r.chance(80))
        c.set(0, kCapabilities[r.below(sizeof kCapabilities / sizeof kCapabilities[0])]);
    if (n == "DrawPixels") capAlways(c, 0, 256), capAlways(c, 1, 256);
    else if (n == "ReadPixels") capAlways(c, 2, 256), capAlways(c, 3, 256);
    else if (n == "Bitmap") capAlways(c, 0, 1024), capAlways(c, 1, 1024);
    else if (n == "TexImage1D") cap(c, 3, 258);
    else if (n == "TexImage2D") cap(c, 3, 258), cap(c, 4, 258);
    else if (n == "TexSubImage1D") capAlways(c, 3, 258);
    else if (n == "TexSubImage2D") capAlways(c, 4, 258), capAlways(c, 5, 258);
    else if (n == "CopyTexImage1D") cap(c, 5, 258);
    else if (n == "CopyTexImage2D") cap(c, 5, 258), cap(c, 6, 258);
    else if (n == "CallLists") capAlways(c, 0, 4096);
    else if (n == "GenTextures" || n == "DeleteTextures" || n == "AreTexturesResident" || n == "PrioritizeTextures")
        capAlways(c, 0, 4096);
    else if (n == "FeedbackBuffer") capAlways(c, 0, (int32_t)(kWriteBytes / 4));
    else if (n == "SelectBuffer") capAlways(c, 0, (int32_t)(kWriteBytes / 4));
    else if (n == "Map1f" || n == "Map1d") capAlways(c, 3, 64);
    else if (n == "Map2f" || n == "Map2d") capAlways(c, 3, 64), capAlways(c, 7, 64);
    else if (n == "VertexPointer" || n == "ColorPointer" || n == "TexCoordPointer") capAlways(c, 2, 256);
    else if (n == "NormalPointer" || n == "IndexPointer") capAlways(c, 1, 256);
    else if (n == "EdgeFlagPointer" || n == "InterleavedArrays") capAlways(c, 0 + (n == "InterleavedArrays"), 256);
    else if (n == "DrawArrays") capIndex(c, 1, 4096), capAlways(c, 2, 4096);
    else if (n == "DrawElements") capAlways(c, 1, 4096), c.set(3, (uint32_t)(uintptr_t)gIndices);
    else if (n == "ArrayElement") capIndex(c, 0, 4096);
    else if (n == "EvalMesh1") capMagnitude(c, 1, 64), capMagnitude(c, 2, 64);
    else if (n == "EvalMesh2") for (size_t k = 1; k < 5; k++) capMagnitude(c, k, 64);
    else if (n == "PixelStorei" && isStoreLength((uint32_t)c.i(0))) capAlways(c, 1, 64);
    else if (n == "PixelStoref" && isStoreLength((uint32_t)c.i(0))) {
        const float v = c.f(1);
        if (!(v >= -64.0f && v <= 64.0f)) c.set(1, floatWord(16.0f));
    }
    // Negative counts and widths stay: the library must refuse them.
}

struct Entry {
    int slot;
    const char* name;
    const void* entry;
    int argBytes;
    int cls;  // 1: legal between glBegin and glEnd
    Call (*make)(Rng& r);
};

// The exported entries: the extension slots (170-184, 215-221) are reached
// through wglGetProcAddress only.
const std::vector<Entry>& entries() {
    static const std::vector<Entry> all = [] {
        std::vector<Entry> v = {
#define GL_SLOT(slot, name, ret, params, args, bytes, cls, act) \
    {slot, "gl" #name, (const void*)gl##name, bytes, cls, Signature<ret params>::make},
#include "core/glslots.inc"
#undef GL_SLOT
        };
        std::vector<Entry> exported;
        for (const Entry& e : v)
            if (!(e.slot >= 170 && e.slot <= 184) && !(e.slot >= 215 && e.slot <= 221)) exported.push_back(e);
        return exported;
    }();
    return all;
}

// ---- One seed in a child process.


const Entry* entryNamed(const char* name) {
    for (const Entry& e : entries())
        if (!strcmp(e.name, name)) return &e;
    return nullptr;
}

// The injected allocation failures when each context last answered
// glGetError: an answer of GL_OUT_OF_MEMORY needs one since.
uint32_t gErrorMark[2];
int gCurrent;
// The answer of glGetError was sound.
bool errorAnswerSound(const Entry& e, uint32_t result) {
    if (strcmp(e.name, "glGetError")) return true;
    const uint32_t injected = StandinInjectedAllocFailures();
    const bool sound = result != GL_OUT_OF_MEMORY || injected != gErrorMark[gCurrent];
    gErrorMark[gCurrent] = injected;
    return sound;
}

// Calls one entry with its words, noting it for the parent first.
bool callEntry(const Entry& e, Call& call, RandomCallsProgress* p) {
    p->slot = e.slot, p->wordCount = (uint32_t)call.words.size();
    memcpy(p->words, call.words.data(), 4 * call.words.size());
    p->calls++;
    uint32_t result = 0;
    if (gltestCallEntry(e.entry, e.argBytes, call.words.data(), &result) != 0) return false;
    if (errorAnswerSound(e, result)) return true;
    fprintf(stderr, "GL_OUT_OF_MEMORY without a failed allocation\n");
    return false;
}

bool callRandom(Rng& r, const Entry& e, RandomCallsProgress* p) {
    Call call = e.make(r);
    limitClientSizes(r, e.name, call);
    return callEntry(e, call, p);
}

// A call with the given words (numbers only).
bool callWith(const char* name, std::initializer_list<uint32_t> words, RandomCallsProgress* p) {
    const Entry* e = entryNamed(name);
    Call call;
    call.words = words;
    return e && callEntry(*e, call, p);
}

// Now and then the view is reset so that primitives land in the window.
bool resetView(int width, int height, RandomCallsProgress* p) {
    bool ok = callWith("glViewport", {0, 0, (uint32_t)width, (uint32_t)height}, p);
    for (uint32_t m : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW})
        ok = ok && callWith("glMatrixMode", {m}, p) && callWith("glLoadIdentity", {}, p);
    return ok;
}

// glBegin with a mode (mostly a valid one), calls legal inside it (half of
// them vertices), glEnd.
bool primitive(Rng& r, const std::vector<const Entry*>& inside, const std::vector<const Entry*>& vertices,
               RandomCallsProgress* p) {
    if (!callWith("glBegin", {r.below(12)}, p)) return false;
    for (uint32_t k = 1 + r.below(12); k > 0; k--) {
        const auto& from = r.chance(50) ? vertices : inside;
        if (!callRandom(r, *from[r.below((uint32_t)from.size())], p)) return false;
    }
    return callWith("glEnd", {}, p);
}

// Two contexts on the DIB share lists and texture objects; now and then the
// other one becomes current, or one is deleted (the current one too) and a
// new one made to share with the survivor.
struct Sharing {
    HDC dc;
    HGLRC rc[2];
    int current = 0;
    uint32_t failEvery = 0;  // the seed's allocation failures: every n-th, 0 none
    // A window-system call that may fail for want of memory: tried again
    // without failures when it did.
    template <class F>
    bool withoutFailuresIfNeeded(F call) {
        if (call()) return true;
        if (!failEvery) return false;
        StandinFailEveryNthAlloc(0);
        const bool ok = call();
        StandinFailEveryNthAlloc(failEvery);
        return ok;
    }
    bool makeCurrent(int k) {
        current = gCurrent = k;
        return withoutFailuresIfNeeded([&] { return wglMakeCurrent(dc, rc[k]) != FALSE; });
    }
    // Lose-current is refused inside glBegin and in feedback or selection mode.
    static void leaveBeginAndRenderModes() {
        glEnd();
        glRenderMode(GL_RENDER);
    }
    bool lifeEvent(Rng& r, RandomCallsProgress* p) {
        p->slot = -2, p->wordCount = 0, p->calls++;
        leaveBeginAndRenderModes();
        const int other = 1 - current;
        if (r.chance(50)) return makeCurrent(other);
        const int victim = r.chance(50) ? current : other;
        if (!wglDeleteContext(rc[victim])) return false;
        if (!withoutFailuresIfNeeded([&] { return (rc[victim] = wglCreateContext(dc)) != nullptr; }) ||
            !withoutFailuresIfNeeded([&] { return wglShareLists(rc[1 - victim], rc[victim]) != FALSE; }))
            return false;
        gErrorMark[victim] = StandinInjectedAllocFailures();
        return makeCurrent(r.chance(50) ? victim : 1 - victim);
    }
};

std::string describe(const RandomCallsProgress& p) {
    char text[64];
    std::string out;
    out = p.slot == -2 ? "a context's make-current or delete" : "";
    for (const Entry& e : entries())
        if (e.slot == p.slot) out = e.name;
    snprintf(text, sizeof text, " at call %u (", p.calls);
    out += text;
    for (uint32_t k = 0; k < p.wordCount && k < 24; k++) {
        snprintf(text, sizeof text, "%s0x%X", k ? ", " : "", p.words[k]);
        out += text;
    }
    return out + ")";
}

uint32_t envNumber(const char* name, uint32_t fallback, const char* after = nullptr) {
    const char* v = getenv(name);
    if (!v) return fallback;
    if (after) {
        v = strchr(v, ':');
        if (!v) return fallback;
        v++;
    }
    return (uint32_t)strtoul(v, nullptr, 10);
}

// Client buffers of the driver: read bytes, write bytes and slack in one.
alignas(16) uint8_t gClientBuffer[kReadBytes + kWriteBytes + kOverlapBytes];
alignas(16) uint8_t gIndexBuffer[kIndexBytes];

}  // namespace

int randomCallsOnContext(uint32_t seed, uint32_t calls, HDC dc, HGLRC rc, int width, int height,
                         RandomCallsProgress* p, uint32_t failEvery) {
    gRead = gClientBuffer, gWrite = gClientBuffer + kReadBytes, gIndices = gIndexBuffer;
    Rng r(seed);
    fillBuffers(r);
    Sharing share = {dc, {rc, wglCreateContext(dc)}};
    if (!share.rc[1] || !wglShareLists(share.rc[0], share.rc[1])) return 2;
    gCurrent = 0;
    gErrorMark[0] = gErrorMark[1] = StandinInjectedAllocFailures();
    share.failEvery = failEvery;
    StandinFailEveryNthAlloc(failEvery);
    const std::vector<Entry>& list = entries();
    gFocusEnums.clear();
    for (int k = 0; k < 16; k++) gFocusEnums.push_back(enums()[r.below((uint32_t)enums().size())]);
    std::vector<const Entry*> focus;
    for (int k = 0; k < 32; k++) focus.push_back(&list[r.below((uint32_t)list.size())]);
    std::vector<const Entry*> inside, vertices;
    for (const Entry& e : list) {
        if (e.cls == 1) inside.push_back(&e);
        if (!strncmp(e.name, "glVertex", 8) && strcmp(e.name, "glVertexPointer")) vertices.push_back(&e);
    }
    while (p->calls < calls) {
        const uint32_t roll = r.below(100);
        bool ok;
        if (roll < 1 && r.chance(50)) ok = resetView(width, height, p);
        else if (roll < 1) ok = share.lifeEvent(r, p);
        else if (roll < 20) ok = primitive(r, inside, vertices, p);
        else if (roll < 70) ok = callRandom(r, *focus[r.below((uint32_t)focus.size())], p);
        else ok = callRandom(r, list[r.below((uint32_t)list.size())], p);
        if (!ok) return 3;
    }
    p->slot = -1;
    StandinFailEveryNthAlloc(0);
    // The contexts go with whatever state the calls left (lists open, feedback on).
    Sharing::leaveBeginAndRenderModes();
    if (!wglMakeCurrent(nullptr, nullptr)) return 5;
    for (HGLRC h : share.rc)
        if (!wglDeleteContext(h)) return 5;
    return 0;
}

void randomCallsForSeeds(uint32_t seeds, uint32_t calls,
                         const std::function<int(uint32_t seed, uint32_t calls, RandomCallsProgress* p)>& run) {
    ASSERT_GT(enums().size(), 500u) << "enums of " << GL_HEADER_FILE;
    const uint32_t first = envNumber("ROBUST_SEEDS", 1), count = envNumber("ROBUST_SEEDS", seeds, ":");
    calls = envNumber("ROBUST_CALLS", calls);
    const unsigned watchdog = envNumber("ROBUST_WATCHDOG", 300);
    auto* p = (RandomCallsProgress*)mmap(nullptr, sizeof(RandomCallsProgress), PROT_READ | PROT_WRITE,
                                         MAP_SHARED | MAP_ANONYMOUS, -1, 0);
    ASSERT_NE(p, MAP_FAILED);
    uint64_t total = 0;
    for (uint32_t seed = first; seed < first + count; seed++) {
        memset(p, 0, sizeof *p);
        std::string err;
        const int code = gltestInChild(
            [&] {
                alarm(watchdog);  // a hang ends the child; far beyond any run
                return run(seed, calls, p);
            },
            &err);
        total += p->calls;
        EXPECT_EQ(code, 0) << "seed " << seed << ": "
                           << (code == 128 + SIGALRM ? "hang" : "exit/signal " + std::to_string(code)) << " in "
                           << describe(*p) << "\n"
                           << err.substr(0, 2000);
    }
    printf("random calls: %llu calls over seeds %u..%u\n", (unsigned long long)total, first, first + count - 1);
    munmap(p, sizeof *p);
}
