// The geometry tests run with the library loaded once, software contexts only.
#include <gtest/gtest.h>
#include <stdlib.h>
#include "gltest.h"

namespace {
struct LoadedLibrary : ::testing::Environment {
    void SetUp() override {
        setenv("QRB_USESW", "1", 1);
        ASSERT_TRUE(gltestLoad());
    }
    void TearDown() override { gltestUnload(); }
};
const auto* env = ::testing::AddGlobalTestEnvironment(new LoadedLibrary);
}  // namespace
