#pragma once
// A step of a test's set-up whose failure would make the rest meaningless: it must succeed.
#include <gtest/gtest.h>

#include "winenv/status.h"

namespace varnel::test {

inline void ExpectOk(const Status& status) { EXPECT_TRUE(status.ok()) << status.message; }

}  // namespace varnel::test
