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

// A dependent chain takes a pair of slots for each instruction: a long one still
// fits and computes its sum.
TEST_F(OgScheduler, LongDependentChainComputesTheSame) {
    const int count = 900;
    E(__glOgMov(gc, OG_EAX, imm(0)));
    E(__glOgBeginBlock(gc));
    for (int i = 0; i < count; i++) E(__glOgAdd(gc, OG_EAX, imm(i)));
    E(__glOgEndBlock(gc));
    E(__glOgRet(gc));
    EXPECT_EQ(((int (*)(void))code)(), count * (count - 1) / 2);
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

namespace {
// Each written instruction's pairing view, in the order written.
std::vector<GlOgPairInfo>* pairRun;
void notePair(GlContext*, const uint8_t*, const uint8_t*, GLuint op, const GlOgNode* first, const GlOgNode* second) {
    GlOgPairInfo info;
    __glOgPairInfo(op, first, second, &info);
    pairRun->push_back(info);
}
}  // namespace

// A scheduled block takes the pairs the pairing rules allow: written in
// order its instructions pair where neighbours happen to be independent;
// scheduled, independent work fills the other half of each pair, while a
// chain of dependences, two MMX shifts or x87 instructions stay unpaired.
TEST_F(OgScheduler, ScheduledBlocksTakeThePairsTheRulesAllow) {
    struct Case {
        const char* what;
        std::vector<GlOgNode*> insns;
        GLuint inOrder, scheduled;  // pairs
    };
    const Case cases[] = {
        {"two MMX chains written one after the other interleave",
         {__glOgPaddw(gc, OG_MM(0), OG_MM(1)), __glOgPsubw(gc, OG_MM(0), OG_MM(2)), __glOgPand(gc, OG_MM(0), OG_MM(3)),
          __glOgPor(gc, OG_MM(0), OG_MM(1)), __glOgPaddw(gc, OG_MM(4), OG_MM(5)), __glOgPsubw(gc, OG_MM(4), OG_MM(6)),
          __glOgPand(gc, OG_MM(4), OG_MM(7)), __glOgPor(gc, OG_MM(4), OG_MM(5))},
         1, 4},
        {"a chain and independent moves",
         {__glOgPaddw(gc, OG_MM(0), OG_MM(1)), __glOgPmullw(gc, OG_MM(0), OG_MM(2)), __glOgPsubw(gc, OG_MM(0), OG_MM(3)),
          __glOgMov(gc, OG_EAX, at(OG_ESI, 4)), __glOgMov(gc, OG_EBX, at(OG_ESI, 8)), __glOgMov(gc, OG_ECX, OG_EDX)},
         2, 3},
        {"independent moves in order pair as they are",
         {__glOgMov(gc, OG_EAX, OG_EBX), __glOgMov(gc, OG_ECX, OG_EDX), __glOgMov(gc, OG_ESI, at(OG_EDI, 4)),
          __glOgMov(gc, OG_EBP, at(OG_EDI, 8))},
         2, 2},
        {"one chain: no pair", {__glOgPaddw(gc, OG_MM(0), OG_MM(1)), __glOgPsubw(gc, OG_MM(0), OG_MM(2)),
                                __glOgPand(gc, OG_MM(0), OG_MM(3))}, 0, 0},
        {"shifts pair with adds, never with each other",
         {__glOgPsllw(gc, OG_MM(0), imm(1)), __glOgPsrlw(gc, OG_MM(1), imm(2)), __glOgPaddw(gc, OG_MM(2), OG_MM(3)),
          __glOgPaddw(gc, OG_MM(4), OG_MM(5))},
         1, 2},
        {"a load after a store stays unpaired with it",
         {__glOgMov(gc, at(OG_ESI), OG_EAX), __glOgMov(gc, OG_EBX, at(OG_EDI))}, 0, 0},
        {"x87 instructions do not pair",
         {__glOgFldS(gc, at(OG_ESI)), __glOgFmulS(gc, at(OG_EDI)), __glOgFstpS(gc, at(OG_EDX))}, 0, 0},
    };
    std::vector<GlOgPairInfo> run;
    pairRun = &run;
    for (const Case& c : cases)
        for (bool scheduled : {false, true}) {
            run.clear();
            __glOgEncodeHook = notePair;
            uint8_t* o = code;
            if (scheduled) o = __glOgEncode(gc, o, __glOgBeginBlock(gc));
            for (GlOgNode* n : c.insns) o = __glOgEncode(gc, o, n);
            if (scheduled) o = __glOgEncode(gc, o, __glOgEndBlock(gc));
            __glOgEncodeHook = nullptr;
            ASSERT_EQ(run.size(), c.insns.size()) << c.what;
            EXPECT_EQ(__glOgCountPairs(run.data(), (GLuint)run.size()), scheduled ? c.scheduled : c.inOrder)
                << c.what << (scheduled ? ", scheduled" : ", in order");
        }
    pairRun = nullptr;
}

namespace {
std::vector<GlOgPairInfo>* noted;
void noteWritten(GlContext*, const uint8_t*, const uint8_t*, GLuint op, const GlOgNode* first,
                 const GlOgNode* second) {
    GlOgPairInfo info;
    __glOgPairInfo(op, first, second, &info);
    noted->push_back(info);
}
}  // namespace

// The processor pairs greedily in code order: a scheduled block never issues fewer
// pairs than the same block written in order (random MMX colour-packing work, loads,
// stores, shifts and integer steps).
TEST_F(OgScheduler, ScheduledBlockIssuesAtLeastThePairsOfItsWrittenOrder) {
    std::vector<GlOgPairInfo> out;
    noted = &out;
    unsigned seed = 7;
    auto next = [&](unsigned n) { return ((seed = seed * 1103515245u + 12345u) >> 16 & 0x7FFF) % n; };
    int improved = 0;
    for (int round = 0; round < 300; round++) {
        __glOgResetArena(gc);
        std::vector<GlOgNode*> block;
        for (int i = 0; i < 14; i++) {
            GlOgNode* a = OG_MM(next(8));
            GlOgNode* b = OG_MM(next(8));
            GlOgNode* m = at(OG_ESI, 8 * (GLint)next(4));
            switch (next(8)) {
            case 0: block.push_back(__glOgMovq(gc, a, b)); break;
            case 1: block.push_back(__glOgPand(gc, a, m)); break;
            case 2: block.push_back(__glOgPsrlw(gc, a, imm(1 + (GLint)next(10)))); break;
            case 3: block.push_back(__glOgPor(gc, a, b)); break;
            case 4: block.push_back(__glOgMovq(gc, at(OG_EDI, 8 * (GLint)next(4)), a)); break;
            case 5: block.push_back(__glOgPaddw(gc, a, m)); break;
            case 6: block.push_back(__glOgAdd(gc, OG_EBX, imm(1))); break;
            default: block.push_back(__glOgMov(gc, OG_EAX, OG_ECX)); break;
            }
        }
        std::vector<GlOgPairInfo> in;
        for (GlOgNode* n : block) {
            GlOgPairInfo info;
            __glOgPairInfo(n->insn.op, n->insn.first, n->insn.second, &info);
            in.push_back(info);
        }
        out.clear();
        __glOgEncodeHook = noteWritten;
        uint8_t* p = __glOgEncode(gc, code, __glOgBeginBlock(gc));
        for (GlOgNode* n : block) p = __glOgEncode(gc, p, n);
        __glOgEncode(gc, p, __glOgEndBlock(gc));
        __glOgEncodeHook = nullptr;
        ASSERT_EQ(out.size(), in.size());
        const GLuint written = __glOgCountPairs(in.data(), (GLuint)in.size());
        const GLuint scheduled = __glOgCountPairs(out.data(), (GLuint)out.size());
        EXPECT_GE(scheduled, written) << "round " << round;
        improved += scheduled > written;
    }
    noted = nullptr;
    EXPECT_GT(improved, 0) << "the scheduler pairs more in some blocks";
}
