// Encodings of a table of instructions against byte sequences worked out from the
// processor's published instruction formats (opcode, ModRM, SIB, displacement, immediate).
#include "ogtest.h"

namespace {

struct Case {
    const char* text;
    GlOgNode* node;
    Bytes bytes;
};
#define C(expr, ...) Case{#expr, expr, Bytes __VA_ARGS__}

void expectEncodings(OgTest& t, const std::vector<Case>& cases) {
    for (const Case& c : cases) {
        const Bytes got = t.encode({c.node});
        EXPECT_EQ(hexBytes(got), hexBytes(c.bytes)) << c.text;
    }
}

}  // namespace

using OgEncoder = OgTest;

TEST_F(OgEncoder, MemoryOperandForms) {
    expectEncodings(*this, {
        C(__glOgMov(gc, OG_EAX, OG_EBX), {0x8B, 0xC3}),
        C(__glOgMov(gc, OG_EDX, at(OG_ESI)), {0x8B, 0x16}),
        C(__glOgMov(gc, at(OG_ESI), OG_EDX), {0x89, 0x16}),
        C(__glOgMov(gc, OG_EDX, at(OG_ESI, 8)), {0x8B, 0x56, 0x08}),
        C(__glOgMov(gc, OG_EDX, at(OG_ESI, 0)), {0x8B, 0x56, 0x00}),
        C(__glOgMov(gc, OG_EAX, at(OG_EBX, -127)), {0x8B, 0x43, 0x81}),
        C(__glOgMov(gc, OG_EAX, at(OG_EBX, -128)), {0x8B, 0x83, 0x80, 0xFF, 0xFF, 0xFF}),
        C(__glOgMov(gc, OG_EAX, at(OG_EBX, 127)), {0x8B, 0x43, 0x7F}),
        C(__glOgMov(gc, OG_EAX, at(OG_EBX, 128)), {0x8B, 0x83, 0x80, 0x00, 0x00, 0x00}),
        C(__glOgMov(gc, at(OG_EDI, 0x200), OG_EAX), {0x89, 0x87, 0x00, 0x02, 0x00, 0x00}),
        C(__glOgMov(gc, OG_EAX, at(OG_ESP, 4)), {0x8B, 0x44, 0x24, 0x04}),
        C(__glOgMov(gc, OG_EAX, at(OG_ESP, 0x100)), {0x8B, 0x84, 0x24, 0x00, 0x01, 0x00, 0x00}),
        C(__glOgMov(gc, OG_EAX, at(OG_ESP)), {0x8B, 0x04, 0x24}),
        C(__glOgMov(gc, OG_EAX, at(OG_ESP, 0)), {0x8B, 0x04, 0x24}),
        C(__glOgMov(gc, OG_ECX, at(OG_EBP, 8)), {0x8B, 0x4D, 0x08}),
        C(__glOgMov(gc, OG_ECX, at(OG_EBP)), {0x8B, 0x4D, 0x00}),
        C(__glOgMov(gc, OG_EAX, abs(0x1000)), {0x8B, 0x05, 0x00, 0x10, 0x00, 0x00}),
        C(__glOgMov(gc, OG_EAX, sib(OG_EBX, OG_ECX, 4)), {0x8B, 0x04, 0x8B}),
        C(__glOgMov(gc, OG_EAX, sib(OG_EBP, OG_ECX, 2)), {0x8B, 0x44, 0x4D, 0x00}),
        C(__glOgMov(gc, OG_EAX, sib(OG_EBX, OG_ECX, 8, 0x10)), {0x8B, 0x44, 0xCB, 0x10}),
        C(__glOgMov(gc, OG_EAX, sib(OG_EBX, OG_ECX, 1, -0x1000)), {0x8B, 0x84, 0x0B, 0x00, 0xF0, 0xFF, 0xFF}),
        C(__glOgMov(gc, OG_EAX, sib(nullptr, OG_ECX, 4, 0x100)), {0x8B, 0x04, 0x8D, 0x00, 0x01, 0x00, 0x00}),
        C(__glOgLea(gc, OG_EAX, sib(OG_EBX, OG_ECX, 2, 4)), {0x8D, 0x44, 0x4B, 0x04}),
    });
}

TEST_F(OgEncoder, IntegerInstructions) {
    expectEncodings(*this, {
        // moves
        C(__glOgMov(gc, OG_ECX, imm(0x12345678)), {0xB9, 0x78, 0x56, 0x34, 0x12}),
        C(__glOgMov(gc, at(OG_EDI), imm(5)), {0xC7, 0x07, 0x05, 0x00, 0x00, 0x00}),
        C(__glOgMov(gc, OG_R8(0), at(OG_ESI)), {0x8A, 0x06}),
        C(__glOgMov(gc, at(OG_EDI), OG_R8(4)), {0x88, 0x27}),
        C(__glOgMov(gc, OG_R8(1), imm(0x7F)), {0xB1, 0x7F}),
        C(__glOgMov(gc, at(OG_EDI), at(OG_ESI)), {}),
        C(__glOgMovzx8(gc, OG_EAX, at(OG_ESI)), {0x0F, 0xB6, 0x06}),
        C(__glOgMovsx8(gc, OG_ECX, OG_R8(3)), {0x0F, 0xBE, 0xCB}),
        C(__glOgMovzx16(gc, OG_EDX, at(OG_EAX, 2)), {0x0F, 0xB7, 0x50, 0x02}),
        C(__glOgMovsx16(gc, OG_EAX, at(OG_EBX)), {0x0F, 0xBF, 0x03}),
        // stack
        C(__glOgPush(gc, imm(0x10)), {0x68, 0x10, 0x00, 0x00, 0x00}),
        C(__glOgPush(gc, OG_ESI), {0x56}),
        C(__glOgPush(gc, at(OG_ESP, 8)), {0xFF, 0x74, 0x24, 0x08}),
        C(__glOgPop(gc, OG_EDI), {0x5F}),
        C(__glOgPop(gc, at(OG_EAX)), {0x8F, 0x00}),
        C(__glOgInc(gc, OG_EDX), {0x42}),
        C(__glOgDec(gc, OG_EBP), {0x4D}),
        C(__glOgInc(gc, at(OG_ESI)), {0xFF, 0x06}),
        C(__glOgDec(gc, at(OG_ESI, 4)), {0xFF, 0x4E, 0x04}),
        C(__glOgInc(gc, OG_R8(1)), {0xFE, 0xC1}),
        C(__glOgDec(gc, OG_R8(4)), {0xFE, 0xCC}),
        // ALU group: short cmp, 32-bit immediates, register and memory forms, 8-bit registers
        C(__glOgCmp(gc, OG_EAX, imm(127)), {0x83, 0xF8, 0x7F}),
        C(__glOgCmp(gc, OG_EAX, imm(-128)), {0x83, 0xF8, 0x80}),
        C(__glOgCmp(gc, OG_EAX, imm(128)), {0x81, 0xF8, 0x80, 0x00, 0x00, 0x00}),
        C(__glOgCmp(gc, at(OG_ESI), imm(1)), {0x83, 0x3E, 0x01}),
        C(__glOgCmp(gc, OG_ECX, at(OG_EDX, 4)), {0x3B, 0x4A, 0x04}),
        C(__glOgAdd(gc, OG_EAX, imm(1)), {0x81, 0xC0, 0x01, 0x00, 0x00, 0x00}),
        C(__glOgAdd(gc, OG_EAX, OG_EBX), {0x01, 0xD8}),
        C(__glOgAdd(gc, OG_ECX, at(OG_ESI, 4)), {0x03, 0x4E, 0x04}),
        C(__glOgAdd(gc, at(OG_EDI), OG_ECX), {0x01, 0x0F}),
        C(__glOgAdd(gc, OG_R8(0), OG_R8(3)), {0x00, 0xD8}),
        C(__glOgAdd(gc, OG_R8(0), imm(5)), {0x80, 0xC0, 0x05}),
        C(__glOgAdd(gc, OG_R8(1), at(OG_ESI)), {0x02, 0x0E}),
        C(__glOgAdc(gc, OG_EDX, imm(0)), {0x81, 0xD2, 0x00, 0x00, 0x00, 0x00}),
        C(__glOgSub(gc, OG_ESP, imm(16)), {0x81, 0xEC, 0x10, 0x00, 0x00, 0x00}),
        C(__glOgSbb(gc, OG_EAX, OG_EAX), {0x19, 0xC0}),
        C(__glOgAnd(gc, OG_ECX, imm(0xFF)), {0x81, 0xE1, 0xFF, 0x00, 0x00, 0x00}),
        C(__glOgOr(gc, at(OG_EBX, 8), OG_EAX), {0x09, 0x43, 0x08}),
        C(__glOgXor(gc, OG_EAX, OG_EAX), {0x31, 0xC0}),
        C(__glOgXor(gc, OG_EDX, at(OG_ESI)), {0x33, 0x16}),
        C(__glOgImul(gc, OG_EAX, imm(10)), {0x69, 0xC0, 0x0A, 0x00, 0x00, 0x00}),
        C(__glOgImul(gc, OG_ECX, OG_EDX), {0x0F, 0xAF, 0xCA}),
        C(__glOgImul(gc, OG_EAX, at(OG_ESI)), {0x0F, 0xAF, 0x06}),
        C(__glOgIdiv(gc, OG_ECX), {0xF7, 0xF9}),
        // shifts: register only, a count below 1 writes nothing
        C(__glOgRol(gc, OG_EAX, imm(8)), {0xC1, 0xC0, 0x08}),
        C(__glOgShl(gc, OG_EBX, imm(2)), {0xC1, 0xE3, 0x02}),
        C(__glOgShr(gc, OG_ECX, imm(16)), {0xC1, 0xE9, 0x10}),
        C(__glOgSar(gc, OG_EDX, imm(31)), {0xC1, 0xFA, 0x1F}),
        C(__glOgShl(gc, OG_EAX, imm(0)), {}),
        C(__glOgShr(gc, OG_EAX, imm(-3)), {}),
        // test
        C(__glOgTest(gc, OG_EDI, imm(7)), {0xF7, 0xC7, 0x07, 0x00, 0x00, 0x00}),
        C(__glOgTest(gc, OG_EAX, OG_EBX), {0x85, 0xD8}),
        C(__glOgTest(gc, OG_R8(0), imm(1)), {0xF6, 0xC0, 0x01}),
        C(__glOgTest(gc, OG_R8(1), OG_R8(2)), {0x84, 0xD1}),
        // control and single-byte instructions
        C(__glOgRet(gc), {0xC3}),
        C(__glOgRetN(gc, imm(8)), {0xC2, 0x08, 0x00}),
        C(__glOgCall(gc, OG_ECX), {0xFF, 0xD1}),
        C(__glOgCall(gc, at(OG_EAX, 4)), {0xFF, 0x50, 0x04}),
        C(__glOgJmpIndirect(gc, OG_EAX), {0xFF, 0xE0}),
        C(__glOgJmpIndirect(gc, abs(0x4000)), {0xFF, 0x25, 0x00, 0x40, 0x00, 0x00}),
        C(__glOgInt3(gc), {0xCC}),
        C(__glOgFwait(gc), {0x9B}),
        C(__glOgOperandSize(gc), {0x66}),
        C(__glOgRep(gc), {0xF3}),
        C(__glOgMovsd(gc), {0xA5}),
        C(__glOgNop(gc), {0x90}),
        C(__glOgRdtsc(gc), {0x0F, 0x31}),
        C(__glOgEmms(gc), {0x0F, 0x77}),
        // op 127 is neg: a real instruction once it has its operand
        C(__glOgInsn(gc, 127, OG_EAX, nullptr), {0xF7, 0xD8}),
        C(__glOgInsn(gc, 127, at(OG_ESI), nullptr), {0xF7, 0x1E}),
        // no instruction: op 87, op codes past the table (even with operands), a block close
        // without a block
        C(__glOgInsn(gc, 87, OG_EAX, OG_EBX), {}),
        C(__glOgInsn(gc, GL_OG_OP_COUNT, OG_EAX, OG_EBX), {}),
        C(__glOgInsn(gc, GL_OG_OP_COUNT, OG_EAX, nullptr), {}),
        C(__glOgInsn(gc, GL_OG_OP_COUNT + 1, OG_EAX, nullptr), {}),
        C(__glOgInsn(gc, 255, at(OG_ESI), OG_EAX), {}),
        C(__glOgInsn(gc, 0xFFFFFFFFu, OG_EAX, OG_EBX), {}),
        C(__glOgEndBlock(gc), {}),
    });
}

TEST_F(OgEncoder, X87Instructions) {
    expectEncodings(*this, {
        C(__glOgFldS(gc, at(OG_ESI)), {0xD9, 0x06}),
        C(__glOgFldS(gc, OG_ST(3)), {0xD9, 0xC3}),
        C(__glOgFild32(gc, at(OG_ESP, 4)), {0xDB, 0x44, 0x24, 0x04}),
        C(__glOgFild64(gc, at(OG_EAX)), {0xDF, 0x28}),
        C(__glOgFxch(gc, OG_ST(1)), {0xD9, 0xC9}),
        C(__glOgFstS(gc, at(OG_EDI)), {0xD9, 0x17}),
        C(__glOgFstS(gc, OG_ST(2)), {0xDD, 0xD2}),
        C(__glOgFstpS(gc, at(OG_EDI, 4)), {0xD9, 0x5F, 0x04}),
        C(__glOgFstpS(gc, OG_ST(0)), {0xDD, 0xD8}),
        C(__glOgFstpD(gc, at(OG_EBX)), {0xDD, 0x1B}),
        C(__glOgFstD(gc, at(OG_EBX, 8)), {0xDD, 0x53, 0x08}),
        C(__glOgFistp32(gc, at(OG_ESP)), {0xDB, 0x1C, 0x24}),
        C(__glOgFist32(gc, at(OG_EAX)), {0xDB, 0x10}),
        C(__glOgFistp64(gc, at(OG_ECX)), {0xDF, 0x39}),
        C(__glOgFmulS(gc, abs(0x2000)), {0xD8, 0x0D, 0x00, 0x20, 0x00, 0x00}),
        C(__glOgFmulS(gc, OG_ST(1)), {0xD8, 0xC9}),
        C(__glOgFmulp(gc, OG_ST(1)), {0xDE, 0xC9}),
        C(__glOgFaddS(gc, at(OG_ESI)), {0xD8, 0x06}),
        C(__glOgFaddp(gc, OG_ST(2)), {0xDE, 0xC2}),
        C(__glOgFsubS(gc, at(OG_ESI)), {0xD8, 0x26}),
        C(__glOgFsubS(gc, OG_ST(1)), {0xD8, 0xE1}),
        C(__glOgFdivrS(gc, at(OG_ESI)), {0xD8, 0x3E}),
        C(__glOgFdivS(gc, at(OG_ESI)), {0xD8, 0x36}),
        C(__glOgFdivS(gc, OG_ST(2)), {0xD8, 0xF2}),
        C(__glOgFldpi(gc), {0xD9, 0xEB}),
        C(__glOgFabs(gc), {0xD9, 0xE1}),
        C(__glOgFchs(gc), {0xD9, 0xE0}),
        C(__glOgFldcw(gc, at(OG_ESP, 2)), {0xD9, 0x6C, 0x24, 0x02}),
        C(__glOgFnstcw(gc, at(OG_ESP)), {0xD9, 0x3C, 0x24}),
        C(__glOgFsubp(gc, OG_ST(1)), {0xDE, 0xE9}),
        C(__glOgFsubrp(gc, OG_ST(1)), {0xDE, 0xE1}),
        C(__glOgFldD(gc, at(OG_ESI)), {0xDD, 0x06}),
        C(__glOgFaddD(gc, at(OG_ESI, 8)), {0xDC, 0x46, 0x08}),
        // forms that do not exist write nothing
        C(__glOgFild32(gc, OG_ST(1)), {}),
        C(__glOgFxch(gc, at(OG_ESI)), {}),
    });
}

TEST_F(OgEncoder, MmxInstructions) {
    expectEncodings(*this, {
        C(__glOgMovd(gc, OG_MM(0), OG_EAX), {0x0F, 0x6E, 0xC0}),
        C(__glOgMovd(gc, OG_MM(1), at(OG_ESI)), {0x0F, 0x6E, 0x0E}),
        C(__glOgMovd(gc, OG_EAX, OG_MM(2)), {0x0F, 0x7E, 0xD0}),
        C(__glOgMovd(gc, at(OG_EDI), OG_MM(3)), {0x0F, 0x7E, 0x1F}),
        C(__glOgMovq(gc, OG_MM(0), at(OG_ESI)), {0x0F, 0x6F, 0x06}),
        C(__glOgMovq(gc, OG_MM(1), OG_MM(2)), {0x0F, 0x6F, 0xCA}),
        C(__glOgMovq(gc, at(OG_EDI, 8), OG_MM(4)), {0x0F, 0x7F, 0x67, 0x08}),
        C(__glOgMovq(gc, at(OG_ESP, 8), OG_MM(1)), {0x0F, 0x7F, 0x4C, 0x24, 0x08}),
        C(__glOgPackuswb(gc, OG_MM(0), OG_MM(1)), {0x0F, 0x67, 0xC1}),
        C(__glOgPackssdw(gc, OG_MM(2), at(OG_EAX)), {0x0F, 0x6B, 0x10}),
        C(__glOgPacksswb(gc, OG_MM(0), OG_MM(1)), {0x0F, 0x63, 0xC1}),
        C(__glOgPaddw(gc, OG_MM(0), OG_MM(1)), {0x0F, 0xFD, 0xC1}),
        C(__glOgPaddusb(gc, OG_MM(3), at(OG_ESI, 16)), {0x0F, 0xDC, 0x5E, 0x10}),
        C(__glOgPaddd(gc, OG_MM(5), OG_MM(6)), {0x0F, 0xFE, 0xEE}),
        C(__glOgPmullw(gc, OG_MM(1), OG_MM(2)), {0x0F, 0xD5, 0xCA}),
        C(__glOgPmulhw(gc, OG_MM(0), OG_MM(7)), {0x0F, 0xE5, 0xC7}),
        C(__glOgPmulhuw(gc, OG_MM(0), OG_MM(5)), {0x0F, 0xE4, 0xC5}),
        C(__glOgPminub(gc, OG_MM(2), OG_MM(1)), {0x0F, 0xDA, 0xD1}),
        C(__glOgPminsw(gc, OG_MM(3), at(OG_EAX)), {0x0F, 0xEA, 0x18}),
        C(__glOgPshufw0(gc, OG_MM(5), OG_MM(5)), {0x0F, 0x70, 0xED, 0x00}),
        C(__glOgPshufw1(gc, OG_MM(1), at(OG_ESI, 8)), {0x0F, 0x70, 0x4E, 0x08, 0x55}),
        C(__glOgPextrw0(gc, OG_EAX, OG_MM(0)), {0x0F, 0xC5, 0xC0, 0x00}),
        C(__glOgPextrw3(gc, OG_ECX, OG_MM(2)), {0x0F, 0xC5, 0xCA, 0x03}),
        C(__glOgShld16(gc, OG_EDI, OG_EBX), {0x0F, 0xA4, 0xDF, 0x10}),
        C(__glOgMaskmovq(gc, OG_MM(0), OG_MM(1)), {0x0F, 0xF7, 0xC1}),
        C(__glOgPmaddwd(gc, OG_MM(0), abs(0x3000)), {0x0F, 0xF5, 0x05, 0x00, 0x30, 0x00, 0x00}),
        C(__glOgPsrlw(gc, OG_MM(0), imm(8)), {0x0F, 0x71, 0xD0, 0x08}),
        C(__glOgPsllq(gc, OG_MM(1), imm(32)), {0x0F, 0x73, 0xF1, 0x20}),
        C(__glOgPsrad(gc, OG_MM(2), imm(3)), {0x0F, 0x72, 0xE2, 0x03}),
        C(__glOgPsraw(gc, OG_MM(3), imm(1)), {0x0F, 0x71, 0xE3, 0x01}),
        C(__glOgPsrlq(gc, OG_MM(4), imm(16)), {0x0F, 0x73, 0xD4, 0x10}),
        C(__glOgPsrlw(gc, OG_MM(0), OG_MM(1)), {0x0F, 0xD1, 0xC1}),
        C(__glOgPslld(gc, OG_MM(0), at(OG_ESI)), {0x0F, 0xF2, 0x06}),
        C(__glOgPunpcklbw(gc, OG_MM(0), OG_MM(7)), {0x0F, 0x60, 0xC7}),
        C(__glOgPunpckldq(gc, OG_MM(0), OG_MM(0)), {0x0F, 0x62, 0xC0}),
        C(__glOgPunpckhwd(gc, OG_MM(2), OG_MM(3)), {0x0F, 0x69, 0xD3}),
        C(__glOgPxor(gc, OG_MM(0), OG_MM(0)), {0x0F, 0xEF, 0xC0}),
        C(__glOgPandn(gc, OG_MM(1), OG_MM(0)), {0x0F, 0xDF, 0xC8}),
        C(__glOgPcmpgtw(gc, OG_MM(1), OG_MM(0)), {0x0F, 0x65, 0xC8}),
        C(__glOgPcmpeqd(gc, OG_MM(1), OG_MM(0)), {0x0F, 0x76, 0xC8}),
        C(__glOgPsubusw(gc, OG_MM(0), OG_MM(1)), {0x0F, 0xD9, 0xC1}),
        C(__glOgPsubd(gc, OG_MM(0), at(OG_EBX, -8)), {0x0F, 0xFA, 0x43, 0xF8}),
        C(__glOgPor(gc, OG_MM(6), OG_MM(7)), {0x0F, 0xEB, 0xF7}),
        // an MMX destination is required; a store of a shift result is not a form
        C(__glOgPaddw(gc, at(OG_ESI), OG_MM(1)), {}),
    });
}

// Shift fragments: a bit field moved between positions; equal positions emit nothing.
TEST_F(OgEncoder, AdjustFragments) {
    struct {
        int from, to;
        Bytes integer, mmx;
    } cases[] = {
        {3, 3, {}, {}},
        {0, 8, {0xC1, 0xE1, 0x08}, {0x0F, 0x71, 0xF1, 0x08}},
        {11, 5, {0xC1, 0xE9, 0x06}, {0x0F, 0x71, 0xD1, 0x06}},
    };
    for (auto& c : cases) {
        uint8_t* end = __glGenFragmentAdjust(gc, code, OG_ECX, c.from, c.to);
        EXPECT_EQ(hexBytes(Bytes(code, end)), hexBytes(c.integer)) << c.from << " -> " << c.to;
        end = __glOgEmitAdjust(gc, code, OG_MM(1), c.from, c.to);
        EXPECT_EQ(hexBytes(Bytes(code, end)), hexBytes(c.mmx)) << c.from << " -> " << c.to;
    }
}

TEST_F(OgEncoder, ArenaResetStartsOver) {
    for (int i = 0; i < 100; i++) __glOgImm(gc, i);
    __glOgResetArena(gc);
    EXPECT_EQ(__glOgNewLabel(gc), &gc->og.gen.arena[0]);
    EXPECT_EQ(__glOgImm(gc, 1), &gc->og.gen.arena[1]);
}
