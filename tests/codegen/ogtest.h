// Code-generator test fixture: a current software context, operand shorthands and
// a code buffer in the context's own executable cache memory.
#pragma once

#include <gtest/gtest.h>
#include <string>
#include <vector>
#include "gltest.h"
#include "codegen/codegen.h"

typedef std::vector<uint8_t> Bytes;

inline std::string hexBytes(const uint8_t* p, size_t n) {
    std::string s;
    char b[4];
    for (size_t i = 0; i < n; i++) {
        snprintf(b, sizeof b, "%02X ", p[i]);
        s += b;
    }
    return s;
}
inline std::string hexBytes(const Bytes& v) { return hexBytes(v.data(), v.size()); }

struct OgTest : ::testing::Test {
    GlContext* gc = nullptr;
    uint8_t* code = nullptr;  // 16 KB of executable memory: an entry of the span cache
    uint8_t* out = nullptr;   // end of what E wrote

    void SetUp() override {
        gc = gltestCreateCurrent();
        ASSERT_NE(gc, nullptr);
        __glOgResetArena(gc);
        code = gc->og.gen.caches[GL_OG_CACHE_SPAN].entries[0].code;
        out = code;
    }
    void TearDown() override {
        if (gc) gltestDestroyCurrent(gc);
    }

    GlOgNode* imm(GLint v) { return __glOgImm(gc, v); }
    GlOgNode* at(GlOgNode* base, GLint d) { return __glOgMemAt(gc, base, d); }  // [base + d]
    GlOgNode* at(GlOgNode* base) { return __glOgMemBase(gc, nullptr, base); }  // [base]
    GlOgNode* abs(uint32_t address) { return __glOgMemAbs(gc, (void*)(uintptr_t)address); }
    GlOgNode* sib(GlOgNode* base, GlOgNode* index, GLuint scale) { return __glOgMem(gc, nullptr, base, index, scale); }
    GlOgNode* sib(GlOgNode* base, GlOgNode* index, GLuint scale, GLint d) {
        return __glOgMem(gc, imm(d), base, index, scale);
    }

    void E(GlOgNode* n) { out = __glOgEncode(gc, out, n); }

    // Encodes the nodes in order at `out` and returns the bytes written.
    Bytes encode(uint8_t* out, std::initializer_list<GlOgNode*> nodes) {
        uint8_t* end = out;
        for (GlOgNode* n : nodes) end = __glOgEncode(gc, end, n);
        return Bytes(out, end);
    }
    Bytes encode(std::initializer_list<GlOgNode*> nodes) { return encode(code, nodes); }
};
