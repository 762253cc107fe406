// Random-call robustness of hardware contexts on the simulated board.
#include "hw_env.h"
#include "randomcalls.h"

// Bounded here; ROBUST_SEEDS and ROBUST_CALLS run more.
TEST(HwRandomCalls, NoSeedCrashesOrHangs) {
    randomCallsForSeeds(8, 3000, [](uint32_t seed, uint32_t calls, RandomCallsProgress* p) {
        HwContext hw((seed & 1) != 0);
        if (!hw.rc) return 2;
        const int code = randomCallsOnContext(seed, calls, hw.dc, hw.rc, 640, 480, p);
        hw.rc = nullptr;  // deleted by the driver
        if (code) return code;
        // Nothing the board refused as a bad call.
        if (rvSimErrorCount() == 0) return 0;
        fprintf(stderr, "board: %s\n", rvSimLastError());
        return 6;
    });
}
