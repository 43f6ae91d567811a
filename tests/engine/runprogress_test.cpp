#include "runprogress.h"

#include <gtest/gtest.h>

namespace ws {
namespace {

TEST(RunProgress, DueFromTheFifthSecondWithTheWrappedText) {
  for (int second : {58, 59, 0, 1, 2}) EXPECT_FALSE(ProgressDue(58, second, "site.bld")) << second;
  EXPECT_EQ(ProgressDue(58, 3, "site.bld"), "Weftsmith running:site.bld");
  EXPECT_EQ(ProgressDue(10, 15, "a.bld"), "Weftsmith running: a.bld");
  EXPECT_FALSE(ProgressDue(10, 14, "a.bld"));
}

}  // namespace
}  // namespace ws
