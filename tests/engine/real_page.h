#pragma once

#include <gtest/gtest.h>

#include "tools/engine-runtime/chromium.h"

namespace quorvane::testing {

// A test of a real page in the engine: skipped (never passed) where Chromium is missing or the
// network is more than loopback.
class RealPage : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!engine::chromiumInstalled())
            GTEST_SKIP() << "Chromium is not installed (scripts/install-deps.sh installs it)";
        if (!engine::loopbackOnly())
            GTEST_SKIP() << "not inside a network namespace with only loopback "
                            "(scripts/test.sh runs the tests in one)";
    }
};

}  // namespace quorvane::testing
