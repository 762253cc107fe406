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
