// Scheduled blocks: the order in which the instructions come out. Each case lists the
// block and the expected order (indexes into the block). Independent instructions fill
// the free half of a pair; nothing moves across a dependence through a register, the
// flags, memory, the x87 stack or a jump.
#include <string.h>
#include "ogtest.h"

using OgScheduler = OgTest;

namespace {
struct Block {
    const char* what;
    std::vector<GlOgNode*> insns;
    std::vector<int> order;
};
}  // namespace

TEST_F(OgScheduler, BlocksKeepDependencesAndFillPairs) {
    GlOgNode* away = __glOgNewLabel(gc);  // bound after the blocks
    const Block blocks[] = {
        {"two independent moves pair in order",
         {__glOgMov(gc, OG_EAX, OG_EBX), __glOgMov(gc, OG_ECX, OG_EDX)}, {0, 1}},
        {"a use stays after its definition",
         {__glOgAdd(gc, OG_EAX, imm(1)), __glOgMov(gc, OG_EBX, OG_EAX)}, {0, 1}},
        {"an independent move fills the pair of the definition",
         {__glOgAdd(gc, OG_EAX, imm(1)), __glOgMov(gc, OG_EBX, OG_EAX), __glOgMov(gc, OG_ECX, OG_EDX)},
         {0, 2, 1}},
        {"two MMX shifts never share a pair; the add pairs with the first",
         {__glOgPsllw(gc, OG_MM(0), imm(1)), __glOgPsrlw(gc, OG_MM(1), imm(1)), __glOgPaddw(gc, OG_MM(2), OG_MM(3))},
         {2, 0, 1}},
        {"a load stays after a store",
         {__glOgSar(gc, OG_EDX, imm(1)), __glOgMov(gc, at(OG_EDX), OG_EBX), __glOgMov(gc, OG_ECX, at(OG_ESI))},
         {0, 1, 2}},
        {"a store stays after a load",
         {__glOgSar(gc, OG_EDX, imm(1)), __glOgMov(gc, OG_ECX, at(OG_EDX)), __glOgMov(gc, at(OG_ESI), OG_EBX)},
         {0, 1, 2}},
        {"a flag writer stays out of an add-with-carry chain",
         {__glOgAdd(gc, OG_EAX, OG_EBX), __glOgAdc(gc, OG_EDX, OG_EAX), __glOgSub(gc, OG_ESI, imm(1))},
         {0, 1, 2}},
        {"a later write of a register stays after the earlier one",
         {__glOgSar(gc, OG_EDX, imm(1)), __glOgMov(gc, OG_EAX, OG_EDX), __glOgMov(gc, OG_EAX, imm(5))},
         {0, 1, 2}},
        {"nothing moves above a conditional jump",
         {__glOgSar(gc, OG_EDX, imm(1)), __glOgCmp(gc, OG_ECX, imm(1)), __glOgJne(gc, away),
          __glOgMov(gc, OG_EBX, OG_EAX)},
         {0, 1, 2, 3}},
        {"nothing moves below a conditional jump",
         {__glOgSar(gc, OG_EDX, imm(1)), __glOgMov(gc, OG_EAX, OG_EDX), __glOgJne(gc, away)}, {0, 1, 2}},
        {"a compare and its jump pair",
         {__glOgCmp(gc, OG_ECX, imm(1)), __glOgJne(gc, away), __glOgMov(gc, OG_EAX, OG_EBX)},
         {0, 1, 2}},
        {"a prefix stays glued to its instruction",
         {__glOgMov(gc, OG_ECX, imm(4)), __glOgRep(gc), __glOgMovsd(gc), __glOgMov(gc, OG_EAX, OG_EBX)},
         {0, 1, 2, 3}},
        {"x87 instructions keep their order around integer work",
         {__glOgFldS(gc, at(OG_ESI)), __glOgFmulS(gc, at(OG_EDI)), __glOgMov(gc, OG_EAX, OG_EBX),
          __glOgFstpS(gc, at(OG_EDX))},
         {0, 2, 1, 3}},
    };
    for (const Block& b : blocks) {
        // Expected: each instruction encoded alone, concatenated in the expected order.
        Bytes expected;
        for (int i : b.order) {
            Bytes one = encode(code, {b.insns[i]});
            expected.insert(expected.end(), one.begin(), one.end());
        }
        uint8_t* out = __glOgEncode(gc, code, __glOgBeginBlock(gc));
        ASSERT_EQ(out, code);
        for (GlOgNode* n : b.insns) ASSERT_EQ(__glOgEncode(gc, out, n), out) << "queued, not written";
        out = __glOgEncode(gc, out, __glOgEndBlock(gc));
        EXPECT_EQ(hexBytes(Bytes(code, out)), hexBytes(expected)) << b.what;
    }
    __glOgPlaceLabel(gc, code + 64, away);
}

TEST_F(OgScheduler, EmptyBlockWritesNothing) {
    const int live = gltestLiveBlocks();
    uint8_t* out = __glOgEncode(gc, code + 5, __glOgBeginBlock(gc));
    out = __glOgEncode(gc, out, __glOgInsn(gc, 87, nullptr, nullptr));
    EXPECT_EQ(__glOgEncode(gc, out, __glOgEndBlock(gc)), code + 5);
    EXPECT_EQ(gltestLiveBlocks(), live);
    // The block is closed again: the next instruction is written at once.
    EXPECT_EQ(encode({__glOgNop(gc)}), Bytes{0x90});
}

// A block longer than the slot array keeps its order instead of overrunning it.
TEST_F(OgScheduler, OverlongBlockIsEncodedInOrder) {
    const int count = 1200;
    E(__glOgBeginBlock(gc));
    for (int i = 0; i < count; i++) E(__glOgMov(gc, OG_ECX, imm(i)));
    E(__glOgEndBlock(gc));
    ASSERT_EQ(out - code, 5 * count);
    for (int i = 0; i < count; i++) {
        int32_t v;
        memcpy(&v, code + 5 * i + 1, 4);
        ASSERT_EQ(code[5 * i], 0xB9);
        ASSERT_EQ(v, i);
    }
}

// A scheduled routine computes what its instructions compute in order:
// int f(int* p) { p[1] = p[0] + 1; t = p[1] * 3; p[2] = t; return t + p[0]; } with
// independent register work interleaved.
TEST_F(OgScheduler, ScheduledRoutineComputesTheSame) {
    E(__glOgPush(gc, OG_EBX));
    E(__glOgPush(gc, OG_ESI));
    E(__glOgMov(gc, OG_ESI, at(OG_ESP, 12)));
    E(__glOgBeginBlock(gc));
    E(__glOgMov(gc, OG_EAX, at(OG_ESI)));
    E(__glOgMov(gc, OG_ECX, imm(7)));
    E(__glOgAdd(gc, OG_EAX, imm(1)));
    E(__glOgMov(gc, at(OG_ESI, 4), OG_EAX));
    E(__glOgMov(gc, OG_EDX, at(OG_ESI, 4)));
    E(__glOgImul(gc, OG_EDX, imm(3)));
    E(__glOgAdd(gc, OG_ECX, OG_ECX));
    E(__glOgMov(gc, at(OG_ESI, 8), OG_EDX));
    E(__glOgMov(gc, OG_EBX, at(OG_ESI)));
    E(__glOgMov(gc, OG_EAX, OG_EDX));
    E(__glOgAdd(gc, OG_EAX, OG_EBX));
    E(__glOgSub(gc, OG_EAX, OG_ECX));
    E(__glOgAdd(gc, OG_EAX, imm(14)));
    E(__glOgEndBlock(gc));
    E(__glOgPop(gc, OG_ESI));
    E(__glOgPop(gc, OG_EBX));
    E(__glOgRet(gc));
    auto run = (int (*)(int*))code;
    const int firsts[] = {0, 5, -9, 1000};
    for (int v : firsts) {
        int p[3] = {v, 0, 0};
        EXPECT_EQ(run(p), (v + 1) * 3 + v) << v;
        EXPECT_EQ(p[1], v + 1);
        EXPECT_EQ(p[2], (v + 1) * 3);
    }
}
