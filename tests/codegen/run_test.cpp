// Generated routines run: integer arithmetic, a counted loop, x87 arithmetic under a
// control word the routine sets and restores, MMX arithmetic ended by emms, and the
// MMX fill routine, all built into the context's executable cache memory.
#include <string.h>
#include "ogtest.h"

using OgRun = OgTest;

namespace {
uint16_t controlWord() {
    uint16_t cw;
    __asm__ volatile("fnstcw %0" : "=m"(cw));
    return cw;
}
}  // namespace

// int f(int a, int b) = a + b, and a loop summing n..1 that skips n = 0 by a forward label.
TEST_F(OgRun, IntegerRoutinesAndLoops) {
    E(__glOgMov(gc, OG_EAX, at(OG_ESP, 4)));
    E(__glOgAdd(gc, OG_EAX, at(OG_ESP, 8)));
    E(__glOgRet(gc));
    auto add = (int (*)(int, int))code;

    uint8_t* sumEntry = out;
    GlOgNode* top = __glOgNewShortLabel(gc);
    GlOgNode* done = __glOgNewShortLabel(gc);
    E(__glOgMov(gc, OG_ECX, at(OG_ESP, 4)));
    E(__glOgXor(gc, OG_EAX, OG_EAX));
    E(__glOgTest(gc, OG_ECX, OG_ECX));
    E(__glOgJe(gc, done));
    out = __glOgPlaceLabel(gc, out, top);
    E(__glOgAdd(gc, OG_EAX, OG_ECX));
    E(__glOgDec(gc, OG_ECX));
    E(__glOgJne(gc, top));
    out = __glOgPlaceLabel(gc, out, done);
    E(__glOgRet(gc));
    auto sum = (int (*)(int))sumEntry;

    struct { int a, b; } adds[] = {{2, 3}, {-7, 7}, {0x7FFFFFFF, 1}};
    for (auto& c : adds) EXPECT_EQ(add(c.a, c.b), (int)((unsigned)c.a + (unsigned)c.b)) << c.a << "+" << c.b;
    struct { int n, total; } sums[] = {{0, 0}, {1, 1}, {10, 55}, {100, 5050}};
    for (auto& c : sums) EXPECT_EQ(sum(c.n), c.total) << c.n;
}

// int f(float a, float b): a * b rounded toward zero under a control word the routine
// sets, then the caller's control word restored.
TEST_F(OgRun, X87MultiplyUnderOwnControlWord) {
    E(__glOgSub(gc, OG_ESP, imm(8)));
    E(__glOgFnstcw(gc, at(OG_ESP)));
    E(__glOgMov(gc, OG_EAX, at(OG_ESP)));
    E(__glOgOr(gc, OG_EAX, imm(0xC00)));  // round toward zero
    E(__glOgMov(gc, at(OG_ESP, 4), OG_EAX));
    E(__glOgFldcw(gc, at(OG_ESP, 4)));
    E(__glOgFldS(gc, at(OG_ESP, 12)));
    E(__glOgFmulS(gc, at(OG_ESP, 16)));
    E(__glOgFistp32(gc, at(OG_ESP, 4)));
    E(__glOgFldcw(gc, at(OG_ESP)));
    E(__glOgMov(gc, OG_EAX, at(OG_ESP, 4)));
    E(__glOgAdd(gc, OG_ESP, imm(8)));
    E(__glOgRet(gc));
    auto mulTrunc = (int (*)(float, float))code;

    const uint16_t before = controlWord();
    struct { float a, b; int product; } cases[] = {
        {2.5f, 3.0f, 7}, {-2.5f, 3.0f, -7}, {1.9f, 1.0f, 1}, {0.75f, 2.0f, 1}, {100.0f, 0.5f, 50},
    };
    for (auto& c : cases) EXPECT_EQ(mulTrunc(c.a, c.b), c.product) << c.a << " * " << c.b;
    EXPECT_EQ(controlWord(), before);
}

// void f(const uint8_t* a, const uint8_t* b, uint8_t* out): unsigned saturating byte add,
// then 16-bit multiply, shift and pack, with emms before returning.
TEST_F(OgRun, MmxArithmeticEndsWithEmms) {
    E(__glOgMov(gc, OG_EAX, at(OG_ESP, 4)));
    E(__glOgMovq(gc, OG_MM(0), at(OG_EAX)));
    E(__glOgMov(gc, OG_EAX, at(OG_ESP, 8)));
    E(__glOgPaddusb(gc, OG_MM(0), at(OG_EAX)));
    E(__glOgMov(gc, OG_EAX, at(OG_ESP, 12)));
    E(__glOgMovq(gc, at(OG_EAX), OG_MM(0)));
    // Second half: bytes of a widened to words, times 2, >> 1, packed back: a again.
    E(__glOgMov(gc, OG_EAX, at(OG_ESP, 4)));
    E(__glOgPxor(gc, OG_MM(7), OG_MM(7)));
    E(__glOgMovq(gc, OG_MM(1), at(OG_EAX)));
    E(__glOgPunpcklbw(gc, OG_MM(1), OG_MM(7)));
    E(__glOgPmullw(gc, OG_MM(1), __glOgMmxConst(gc, 2, 2, 2, 2)));
    E(__glOgPsrlw(gc, OG_MM(1), imm(1)));
    E(__glOgPackuswb(gc, OG_MM(1), OG_MM(1)));
    E(__glOgMov(gc, OG_EAX, at(OG_ESP, 12)));
    E(__glOgMovd(gc, at(OG_EAX, 8), OG_MM(1)));
    E(__glOgEmms(gc));
    E(__glOgRet(gc));
    auto run = (void (*)(const uint8_t*, const uint8_t*, uint8_t*))code;

    const uint8_t a[8] = {0, 1, 100, 200, 255, 128, 17, 250};
    const uint8_t b[8] = {0, 2, 100, 100, 1, 127, 3, 10};
    uint8_t result[12];
    memset(result, 0xEE, sizeof result);
    run(a, b, result);
    for (int i = 0; i < 8; i++) EXPECT_EQ(result[i], std::min(255, a[i] + b[i])) << "lane " << i;
    for (int i = 0; i < 4; i++) EXPECT_EQ(result[8 + i], a[i]) << "packed lane " << i;
    // After emms the x87 unit works again.
    volatile float x = 1.5f;
    EXPECT_EQ((double)x * 2.0, 3.0);
}

// The fill routine stores eax ecx times from edi: a wrapper sets its registers and
// issues emms. Every case checks the doublewords around the run stay untouched.
TEST_F(OgRun, FillRoutineStoresExactlyCountWords) {
    uint8_t* fill = code;
    out = __glGenFragmentLoop(gc, fill);
    uint8_t* wrapper = out;
    GlOgNode* callee = __glOgNewLabel(gc);
    __glOgPlaceLabel(gc, fill, callee);
    E(__glOgPush(gc, OG_EBX));
    E(__glOgPush(gc, OG_EDI));
    E(__glOgMov(gc, OG_EDI, at(OG_ESP, 12)));
    E(__glOgMov(gc, OG_EAX, at(OG_ESP, 16)));
    E(__glOgMov(gc, OG_ECX, at(OG_ESP, 20)));
    E(__glOgCall(gc, callee));
    E(__glOgEmms(gc));
    E(__glOgMov(gc, OG_EAX, OG_EDI));
    E(__glOgPop(gc, OG_EDI));
    E(__glOgPop(gc, OG_EBX));
    E(__glOgRet(gc));
    auto run = (uint32_t* (*)(uint32_t*, uint32_t, uint32_t))wrapper;

    struct { int offsetWords, count; } cases[] = {
        {0, 1}, {1, 1}, {0, 0}, {1, 0}, {0, 2}, {1, 2}, {1, 5}, {0, 6}, {1, 64}, {0, 63},
        {0, 15}, {0, 16}, {1, 17}, {0, 17}, {1, 18}, {0, 32}, {1, 33}, {0, 34}, {1, 70},
    };
    alignas(8) uint32_t words[80];
    for (auto& c : cases) {
        for (uint32_t& w : words) w = 0x5A5A5A5A;
        uint32_t* start = words + 2 + c.offsetWords;
        uint32_t* end = run(start, 0xCAFEF00D, (uint32_t)c.count);
        EXPECT_EQ(end, start + c.count) << "offset " << c.offsetWords << " count " << c.count;
        for (int i = 0; i < 80; i++) {
            const bool inside = words + i >= start && words + i < start + c.count;
            ASSERT_EQ(words[i], inside ? 0xCAFEF00Du : 0x5A5A5A5Au)
                << "word " << i << ", offset " << c.offsetWords << " count " << c.count;
        }
    }
}
