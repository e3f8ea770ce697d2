#include "text/text.h"

#include <gtest/gtest.h>

namespace zendrel::text {
namespace {

TEST(Trim, RemovesSingleByteBlanksOnly) {
  EXPECT_EQ(TrimBoth(" \t\n\v\f\rabc \t\r\n"), "abc");
  EXPECT_EQ(TrimEnd("  abc  "), "  abc");
}

}  // namespace
}  // namespace zendrel::text
