// Every entry point is callable in every thread state and pops exactly its arguments.
#include <gtest/gtest.h>
#include <thread>
#include "gltest.h"
#include "slot_cases.h"

namespace {

// Calls every entry; returns the first slot that unbalanced the stack or
// returned non-zero (when zero is required), or 0.
int firstBadSlot(bool requireZero) {
    for (const SlotCase& c : allSlots()) {
        uint32_t result = 0xDEADBEEF;
        int moved = gltestCallEntry(c.entry, c.argBytes, c.args.data(), &result);
        if (moved != 0 || (requireZero && result != 0)) return c.slot;
    }
    return 0;
}

TEST(Entries, ThreadWithoutRecordDoesNothingAndReturnsZero) {
    int bad = -1;
    std::thread t([&] {
        EXPECT_EQ(__glThreadStateOrNull(), nullptr);
        bad = firstBadSlot(true);
        EXPECT_EQ(__glThreadStateOrNull(), nullptr);
    });
    t.join();
    EXPECT_EQ(bad, 0);
}

TEST(Entries, NullTableDoesNothingAndReturnsZero) {
    int bad = -1;
    std::thread t([&] {
        ASSERT_EQ(__wglGetCurrentContext(), __wglNullContext);
        bad = firstBadSlot(true);
        EXPECT_EQ(glGetError(), 0u);
        __wglDetachThread();
    });
    t.join();
    EXPECT_EQ(bad, 0);
}

TEST(Entries, EveryEntryBalancedWithContextCurrent) {
    GlContext* gc = gltestCreateCurrent();
    ASSERT_NE(gc, nullptr);
    EXPECT_EQ(firstBadSlot(false), 0);
    if (__glThreadState()->beginState == GL_BEGIN_INSIDE) glEnd();
    glRenderMode(GL_RENDER);
    gltestDestroyCurrent(gc);
}

TEST(Entries, NullTableMatchesArgumentSizes) {
    for (const SlotCase& c : allSlots()) {
        GlEntryProc p = __glNullDispatchTable.entry[c.slot - GL_FIRST_SLOT];
        uint32_t result = 1;
        EXPECT_EQ(gltestCallEntry((const void*)p, c.argBytes, c.args.data(), &result), 0) << c.name;
        EXPECT_EQ(result, 0u) << c.name;
    }
    EXPECT_EQ(__glNullDispatchTable.entry[358], nullptr);
    EXPECT_EQ(__glNullDispatchTable.entry[359], nullptr);
}

TEST(Entries, CompileTableActsAtOnceInExactlyTheMarkedSlots) {
    int acting = 0;
    for (const SlotCase& c : allSlots()) {
        int i = c.slot - GL_FIRST_SLOT;
        bool same = __glCompileDispatch.entry[i] == __glImmediateDispatch.entry[i];
        EXPECT_EQ(same, c.act == 1) << c.name;
        EXPECT_EQ(__glHwCompileDispatch.entry[i], __glCompileDispatch.entry[i]) << c.name;
        acting += same;
    }
    EXPECT_EQ(acting, 73);
}

TEST(Entries, HardwareTableReplacesThirtyEightSlots) {
    int replaced = 0;
    for (int i = 0; i < GL_SLOT_COUNT; i++)
        replaced += __glHwImmediateDispatch.entry[i] != __glImmediateDispatch.entry[i];
    EXPECT_EQ(replaced, 38);
    EXPECT_NE(__glHwImmediateDispatch.entry[GL_SLOT_Clear - 2], __glImmediateDispatch.entry[GL_SLOT_Clear - 2]);
    EXPECT_EQ(__glHwImmediateDispatch.entry[GL_SLOT_Vertex3f - 2], __glImmediateDispatch.entry[GL_SLOT_Vertex3f - 2]);
}

TEST(Entries, SlotNamesNullExactlyForExtensions) {
    int named = 0;
    for (const SlotCase& c : allSlots()) {
        const char* n = __glSlotNames[c.slot - GL_FIRST_SLOT];
        if (__glIsExtensionSlot(c.slot)) {
            EXPECT_EQ(n, nullptr) << c.name;
        } else {
            ASSERT_NE(n, nullptr) << c.name;
            EXPECT_STREQ(n, c.name);
            named++;
        }
    }
    EXPECT_EQ(named, GL_EXPORTED_COUNT);
}

}  // namespace
