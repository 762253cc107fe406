// Random-call robustness of software contexts on DIB sections of every depth.
#include <gtest/gtest.h>
#include "gldib.h"
#include "randomcalls.h"

namespace {

// Formats a seed runs on: DIB depth, colour index, depth-buffer bits.
struct Surface {
    int bits;
    bool index;
    int depthBits;
};
const Surface kSurfaces[] = {{32, false, 32}, {16, false, 16}, {24, false, 24}, {8, true, 16}};

}  // namespace

// Bounded here; ROBUST_SEEDS and ROBUST_CALLS run more.
TEST(RandomCalls, NoSeedCrashesOrHangs) {
    randomCallsForSeeds(24, 5000, [](uint32_t seed, uint32_t calls, RandomCallsProgress* p) {
        const Surface& s = kSurfaces[seed % (sizeof kSurfaces / sizeof kSurfaces[0])];
        GltestDibContext c(64, 48, s.bits, s.index, s.depthBits);
        if (!c.rc) return 2;
        const int code = randomCallsOnContext(seed, calls, c.dib.dc, c.rc, 64, 48, p);
        c.rc = nullptr;  // deleted by the driver
        if (code) return code;
        return c.guardsIntact() ? 0 : 4;
    });
}

// The same with every n-th allocation failing, n by seed: no crash, no stray
// write, GL_OUT_OF_MEMORY only after a failed allocation; the contexts then
// delete cleanly.
TEST(RandomCalls, NoSeedCrashesWhileAllocationsFail) {
    static const uint32_t kEvery[] = {2, 3, 5, 13, 41, 127};
    randomCallsForSeeds(12, 3000, [](uint32_t seed, uint32_t calls, RandomCallsProgress* p) {
        const Surface& s = kSurfaces[seed % (sizeof kSurfaces / sizeof kSurfaces[0])];
        GltestDibContext c(64, 48, s.bits, s.index, s.depthBits);
        if (!c.rc) return 2;
        const uint32_t every = kEvery[seed % (sizeof kEvery / sizeof kEvery[0])];
        const int code = randomCallsOnContext(seed + 1000, calls, c.dib.dc, c.rc, 64, 48, p, every);
        c.rc = nullptr;  // deleted by the driver
        if (code) return code;
        return c.guardsIntact() ? 0 : 4;
    });
}
