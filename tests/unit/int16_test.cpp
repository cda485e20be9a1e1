#include "common/int16.h"

#include <gtest/gtest.h>

#include <optional>

namespace sorvane {
namespace {

std::optional<std::int16_t> Narrowed(std::int64_t value) {
  try {
    return Narrow16(value);
  } catch (const HResultError& error) {
    EXPECT_EQ(error.code(), kDispEOverflow);
    return std::nullopt;
  }
}

TEST(Int16, NarrowsInsideTheRangeAndOverflowsOutside) {
  struct Case {
    std::int64_t value;
    std::optional<std::int16_t> narrowed;
  };
  for (const Case c : {Case{0, 0}, Case{32767, 32767}, Case{-32768, -32768}, Case{32768, {}},
                       Case{-32769, {}}, Case{65536 + 5, {}}, Case{std::int64_t{1} << 40, {}}}) {
    EXPECT_EQ(Narrowed(c.value), c.narrowed) << c.value;
  }
}

TEST(Int16, SumsOverflowInsteadOfWrapping) {
  EXPECT_EQ(Add16(32766, 1), 32767);
  EXPECT_EQ(Add16(-32767, -1), -32768);
  EXPECT_THROW(Add16(32767, 1), HResultError);
  EXPECT_THROW(Add16(-32768, -1), HResultError);
  static_assert(Add16(6, 1) == 7, "usable in constant expressions");
}

}  // namespace
}  // namespace sorvane
