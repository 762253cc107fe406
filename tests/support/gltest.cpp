#include "gltest.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>
#include "standin/control.h"
#include <gtest/gtest.h>

static int liveBlocks;
static int allocationsBeforeFailure = -1;

static bool allocationAllowed() {
    if (allocationsBeforeFailure < 0) return true;
    if (allocationsBeforeFailure == 0) return false;
    allocationsBeforeFailure--;
    return true;
}

static void* GLPROC countingAlloc(GlContext*, size_t bytes) {
    if (!bytes || !allocationAllowed()) return nullptr;
    void* p = calloc(1, bytes);
    if (p) liveBlocks++;
    return p;
}

static void* GLPROC countingCalloc(GlContext*, size_t count, size_t size) {
    if (!count || !size || !allocationAllowed()) return nullptr;
    void* p = calloc(count, size);
    if (p) liveBlocks++;
    return p;
}

static void* GLPROC countingRealloc(GlContext*, void* block, size_t bytes) {
    if (!bytes) {
        if (block) liveBlocks--;
        free(block);
        return nullptr;
    }
    if (!allocationAllowed()) return nullptr;
    void* p = realloc(block, bytes);
    if (p && !block) liveBlocks++;
    return p;
}

static void GLPROC countingFree(GlContext*, void* block) {
    if (block) liveBlocks--;
    free(block);
}

static void GLPROC testWarning(GlContext*, const char* text) { fprintf(stderr, "warning: %s\n", text); }
static void GLPROC testFatal(GlContext*, const char* text) {
    fprintf(stderr, "fatal: %s\n", text);
    abort();
}
static WglDrawable* GLPROC noDrawable(GlContext*) { return nullptr; }
static void GLPROC drawableSize(GlContext*, GLint* w, GLint* h) { *w = 64, *h = 48; }

static const GlCoreImports imports = {countingAlloc, countingCalloc, countingRealloc, countingFree,
                                      testWarning,   testFatal,      noDrawable,      drawableSize,
                                      nullptr};

const GlCoreImports* gltestImports() { return &imports; }
int gltestLiveBlocks() { return liveBlocks; }
void gltestFailAllocationAfter(int n) { allocationsBeforeFailure = n; }

GlPixelFormatInfo gltestRgbaFormat(bool doubleBuffer) {
    GlPixelFormatInfo f = {};
    f.rgba = 1;
    f.doubleBuffer = doubleBuffer;
    f.depthPresent = 1;
    f.redBits = f.greenBits = f.blueBits = 8;
    f.redMask = 0xFF0000, f.greenMask = 0xFF00, f.blueMask = 0xFF;
    f.colorBits = 24;
    f.depthBits = 16;
    return f;
}

static HINSTANCE libraryInstance() {
    static HMODULE module = StandinRegisterModule("OPENGL32.dll", nullptr);
    return (HINSTANCE)module;
}

bool gltestLoad() { return __wglDllEntry(libraryInstance(), DLL_PROCESS_ATTACH); }
bool gltestUnload() { return __wglDllEntry(libraryInstance(), DLL_PROCESS_DETACH); }

int gltestInChild(const std::function<int()>& fn, std::string* err) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return -1;
    fflush(stdout);
    fflush(stderr);
    pid_t pid = fork();
    if (pid == 0) {
        close(pipeFds[0]);
        dup2(pipeFds[1], 2);
        int code = fn();
        fflush(stdout);
        fflush(stderr);
        _exit(code);
    }
    close(pipeFds[1]);
    std::string text;
    char buf[512];
    ssize_t n;
    while ((n = read(pipeFds[0], buf, sizeof buf)) > 0) text.append(buf, (size_t)n);
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    if (err) *err = text;
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

GlContext* gltestCreateCurrent(bool doubleBuffer) {
    GlPixelFormatInfo f = gltestRgbaFormat(doubleBuffer);
    GlContext* gc = __glCreateContext(gltestImports(), &f);
    if (!gc) return nullptr;
    __wglGetCurrentContext();  // attaches the thread when it has no record yet
    gc->procs.makeCurrent(gc);
    return gc;
}

void gltestDestroyCurrent(GlContext* gc) {
    __wglReleaseCurrent();
    gc->procs.destroyContext(gc);
}

std::string gltestReadFile(const char* path) {
    std::string text;
    FILE* f = fopen(path, "rb");
    if (!f) return text;
    char buf[512];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) text.append(buf, n);
    fclose(f);
    return text;
}

// cdecl (entry, argBytes, args, result): pushes the argument words, calls the
// entry and measures how far the stack pointer moved.
__asm__(".text\n.globl gltestCallEntry\n.type gltestCallEntry, @function\n"
        "gltestCallEntry:\n"
        "\tpushl %ebp\n\tmovl %esp, %ebp\n"
        "\tpushl %ebx\n\tpushl %esi\n\tpushl %edi\n"
        "\tmovl 16(%ebp), %esi\n"
        "\tmovl 12(%ebp), %ecx\n\tshrl $2, %ecx\n"
        "\tmovl %esp, %edi\n"
        "1:\ttestl %ecx, %ecx\n\tjz 2f\n\tdecl %ecx\n\tpushl (%esi,%ecx,4)\n\tjmp 1b\n"
        "2:\tmovl %edi, %ebx\n"
        "\tcall *8(%ebp)\n"
        "\tmovl 20(%ebp), %ecx\n\ttestl %ecx, %ecx\n\tjz 3f\n\tmovl %eax, (%ecx)\n"
        "3:\tmovl %esp, %eax\n\tsubl %ebx, %eax\n"
        "\tmovl %ebx, %esp\n"
        "\tpopl %edi\n\tpopl %esi\n\tpopl %ebx\n\tpopl %ebp\n\tret\n");

GltestDib::GltestDib(int w, int h, int bitCount, bool topDown, const DWORD* masks)
    : width(w), height(h), stride(((w * bitCount + 31) / 32) * 4) {
    dc = CreateCompatibleDC(nullptr);
    if (bitCount == 0) {
        bitmap = CreateCompatibleBitmap(dc, w, h);
    } else {
        // The masks or, up to 8 bits a pixel, the full colour table (black) follow the header.
        struct {
            BITMAPINFOHEADER h;
            union {
                DWORD masks[3];
                RGBQUAD colours[256];
            };
        } info = {};
        info.h.biSize = sizeof info.h;
        info.h.biWidth = w;
        info.h.biHeight = topDown ? -h : h;
        info.h.biPlanes = 1;
        info.h.biBitCount = (WORD)bitCount;
        info.h.biCompression = masks ? BI_BITFIELDS : BI_RGB;
        if (masks) memcpy(info.masks, masks, sizeof info.masks);
        void* p = nullptr;
        bitmap = CreateDIBSection(dc, (BITMAPINFO*)&info, DIB_RGB_COLORS, &p, nullptr, 0);
        bits = (uint8_t*)p;
    }
    old = SelectObject(dc, bitmap);
}

GltestDib::~GltestDib() {
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

uint32_t GltestDib::at(int x, int row, int bytes) const {
    uint32_t v = 0;
    for (int i = 0; i < bytes; i++) v |= (uint32_t)bits[row * stride + x * bytes + i] << (8 * i);
    return v;
}

namespace {
struct LoadedLibrary : ::testing::Environment {
    void SetUp() override {
        setenv("QRB_USESW", "1", 1);
        ASSERT_TRUE(gltestLoad());
    }
    void TearDown() override { gltestUnload(); }
};
}  // namespace

void gltestLoadForAllTests() { ::testing::AddGlobalTestEnvironment(new LoadedLibrary); }
