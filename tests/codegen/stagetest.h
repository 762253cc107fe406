// Chain stages under test: a context made current whose chain slots record
// what the stages hand on, and a call that checks the register convention
// (mask in ECX, span in EDX; EBX, ESI, EDI and EBP kept).
#pragma once

#include <gtest/gtest.h>
#include <string.h>
#include <vector>
#include "gltest.h"
#include "codegen/codegen.h"
#include "codegen/rastergen.h"
#include "raster/chain.h"

struct StageCall {
    GLuint mask;
    int slot;  // 0..7 the chain slot, 8.. the stencil operations, 11 after the stencil update
};
extern std::vector<StageCall> gStageCalls;

// Calls the stage as generated code and C++ stages call each other; false
// when a register the convention keeps came back changed.
extern "C" int stagetestCall(GlSpanProc stage, GLuint mask, GlSpan* span);

struct StageTest : ::testing::Test {
    GlContext* gc = nullptr;
    GlSpan s;
    void SetUp() override;
    void TearDown() override;
    // Calls the stage with the convention checked; the calls it made.
    std::vector<StageCall> run(GlSpanProc stage, GLuint mask) {
        gStageCalls.clear();
        EXPECT_TRUE(stagetestCall(stage, mask, &s)) << "EBX, ESI, EDI or EBP changed";
        return gStageCalls;
    }
};

inline bool operator==(const StageCall& a, const StageCall& b) { return a.mask == b.mask && a.slot == b.slot; }
