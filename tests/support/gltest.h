// Test support: counting allocator imports, library load, child processes,
// software contexts made current, and raw entry calls.
#pragma once

#include <string>
#include <functional>
#include "core/glcontext.h"
#include "wgl/wgl.h"

// GlCoreImports whose allocations are counted.
const GlCoreImports* gltestImports();
int gltestLiveBlocks();
void gltestFailAllocationAfter(int n);  // the n+1-th allocation from now fails; -1: never

// An RGBA pixel format: 8 bits a channel, 0x00RRGGBB, 16-bit depth.
GlPixelFormatInfo gltestRgbaFormat(bool doubleBuffer);

// Library load and unload, as the loader runs them.
bool gltestLoad();
bool gltestUnload();

// Runs fn in a forked child; returns its exit code, or 128 + signal number.
// Its standard error is captured in *err when err is given.
int gltestInChild(const std::function<int()>& fn, std::string* err = nullptr);

// A software context created through the core with counted imports and made
// current on the calling thread.
GlContext* gltestCreateCurrent(bool doubleBuffer = true);
void gltestDestroyCurrent(GlContext* gc);

// Calls an entry with argBytes of argument words; returns the change of the
// stack pointer across the call (0 when the callee popped exactly its
// arguments) and stores the result word in *result.
extern "C" int gltestCallEntry(const void* entry, int argBytes, const uint32_t* args, uint32_t* result);

std::string gltestReadFile(const char* path);

// A DIB section of the given depth selected into a memory DC; masks (red,
// green, blue) make it BI_BITFIELDS, bitCount 0 a device-dependent bitmap.
struct GltestDib {
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    uint8_t* bits = nullptr;
    int width, height, stride;
    GltestDib(int w, int h, int bitCount, bool topDown = true, const DWORD* masks = nullptr);
    ~GltestDib();
    // Little-endian value of `bytes` bytes at pixel x of memory row `row`.
    uint32_t at(int x, int row, int bytes) const;
};

// Loads the library (software contexts only) once around all tests of a program.
void gltestLoadForAllTests();
