// Labels: backward jumps take the shortest form that reaches; forward jumps leave a
// placeholder and a fix-up that binding patches; one label collects many fix-ups.
#include <string.h>
#include "ogtest.h"

using OgLabels = OgTest;

namespace {
int32_t read32(const uint8_t* p) {
    int32_t v;
    memcpy(&v, p, 4);
    return v;
}
}  // namespace

// A bound label `distance` bytes behind the jump.
TEST_F(OgLabels, BackwardJumpsPickTheShortestForm) {
    struct {
        bool conditional;
        int distance;
        Bytes bytes;
    } cases[] = {
        {true, 0, {0x74, 0xFE}},
        {true, 126, {0x74, 0x80}},                             // at most 126 bytes back: 2 bytes
        {true, 127, {0x0F, 0x84, 0x7B, 0xFF, 0xFF, 0xFF}},     // -(127 + 6)
        {true, 400, {0x0F, 0x84, 0x6A, 0xFE, 0xFF, 0xFF}},     // -(400 + 6)
        {false, 126, {0xEB, 0x80}},                            // displacement -128
        {false, 127, {0xE9, 0x7C, 0xFF, 0xFF, 0xFF}},          // -(127 + 5)
        {false, 1000, {0xE9, 0x13, 0xFC, 0xFF, 0xFF}},         // -(1000 + 5)
    };
    for (auto& c : cases) {
        __glOgResetArena(gc);
        GlOgNode* label = __glOgNewLabel(gc);
        __glOgPlaceLabel(gc, code, label);
        uint8_t* from = code + c.distance;
        GlOgNode* jump = c.conditional ? __glOgJe(gc, label) : __glOgJmp(gc, label);
        EXPECT_EQ(hexBytes(encode(from, {jump})), hexBytes(c.bytes))
            << (c.conditional ? "je" : "jmp") << " back " << c.distance;
    }
}

// Forward jumps: the label's width decides the conditional form; jmp and call are always 32-bit.
TEST_F(OgLabels, ForwardJumpsArePatchedWhenTheLabelIsBound) {
    struct {
        bool shortLabel;
        int op;
        int gap;  // bytes between the jump's end and the label
        Bytes bytes;
    } cases[] = {
        {true, GL_OG_Jne, 10, {0x75, 0x0A}},
        {true, GL_OG_Jb, 127, {0x72, 0x7F}},
        {false, GL_OG_Jne, 10, {0x0F, 0x85, 0x0A, 0x00, 0x00, 0x00}},
        {false, GL_OG_Jg, 300, {0x0F, 0x8F, 0x2C, 0x01, 0x00, 0x00}},
        {true, GL_OG_Jmp, 10, {0xE9, 0x0A, 0x00, 0x00, 0x00}},
        {false, GL_OG_Jmp, 0, {0xE9, 0x00, 0x00, 0x00, 0x00}},
        {false, GL_OG_Call, 20, {0xE8, 0x14, 0x00, 0x00, 0x00}},
    };
    for (auto& c : cases) {
        __glOgResetArena(gc);
        GlOgNode* label = c.shortLabel ? __glOgNewShortLabel(gc) : __glOgNewLabel(gc);
        uint8_t* end = __glOgEncode(gc, code, __glOgInsn(gc, c.op, label, nullptr));
        ASSERT_EQ(end - code, (ptrdiff_t)c.bytes.size()) << "placeholder of op " << c.op;
        __glOgPlaceLabel(gc, end + c.gap, label);
        EXPECT_EQ(hexBytes(code, c.bytes.size()), hexBytes(c.bytes)) << "op " << c.op << " gap " << c.gap;
    }
}

// Several forward references of mixed forms to one label, then a jump after binding.
TEST_F(OgLabels, FixupChainPatchesEveryReference) {
    GlOgNode* target = __glOgNewLabel(gc);
    GlOgNode* shortTarget = __glOgNewShortLabel(gc);
    uint8_t* out = code;
    uint8_t* fields[5];
    size_t widths[5];
    int n = 0;
    auto refer = [&](GlOgNode* insn, size_t width) {
        uint8_t* end = __glOgEncode(gc, out, insn);
        fields[n] = end - width;
        widths[n++] = width;
        out = __glOgEncode(gc, end, __glOgNop(gc));
    };
    refer(__glOgJe(gc, target), 4);
    refer(__glOgJmp(gc, target), 4);
    refer(__glOgCall(gc, target), 4);
    refer(__glOgJs(gc, shortTarget), 1);
    refer(__glOgJne(gc, shortTarget), 1);
    uint8_t* bound = out + 7;
    __glOgPlaceLabel(gc, bound, target);
    __glOgPlaceLabel(gc, bound, shortTarget);
    for (int i = 0; i < n; i++) {
        const int32_t d = widths[i] == 4 ? read32(fields[i]) : (int8_t)fields[i][0];
        EXPECT_EQ(fields[i] + widths[i] + d, bound) << "reference " << i;
    }
    // After binding, a jump from behind the label resolves at once, in its short form.
    EXPECT_EQ(hexBytes(encode(bound + 3, {__glOgJmp(gc, target)})), hexBytes({0xEB, 0xFB}));
}
