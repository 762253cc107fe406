// The random-call robustness driver of the tests (randomcalls.cpp).
#pragma once

#include <stdint.h>
#include <functional>
#include <windows.h>

// The call in progress, left for the parent process.
struct RandomCallsProgress {
    uint32_t calls;
    int32_t slot;  // -1 when done, -2 in a context's make-current or delete
    uint32_t words[24];
    uint32_t wordCount;
};

// Runs `calls` calls of a seed on context rc, current on dc (width x height
// pixels), with a second context that shares its lists; then deletes both.
// With failEvery n, every n-th allocation of the calls fails (the stand-in's
// heaps), and glGetError may answer GL_OUT_OF_MEMORY only after such a
// failure. 0 when every call returned, else the code of the step that failed.
int randomCallsOnContext(uint32_t seed, uint32_t calls, HDC dc, HGLRC rc, int width, int height,
                         RandomCallsProgress* p, uint32_t failEvery = 0);

// Runs each seed in a child process and expects it to end with 0; run gets
// the seed, the calls and the progress record. ROBUST_SEEDS=first:count,
// ROBUST_CALLS=n and ROBUST_WATCHDOG=s (seconds before a seed counts as hung)
// replace the defaults. Prints the calls made.
void randomCallsForSeeds(uint32_t seeds, uint32_t calls,
                         const std::function<int(uint32_t seed, uint32_t calls, RandomCallsProgress* p)>& run);
