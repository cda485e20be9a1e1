#include "win32_utf8.h"

#include <gtest/gtest.h>

namespace sorvane::standin {
namespace {

TEST(StandInUtf8, BothWays) {
  const std::u16string text = u"Sorvane \u00E9 \u30B5\u30FC\u30D0\u30FC \U0001F600";
  const std::string utf8 = ToUtf8(text);
  EXPECT_EQ(utf8,
            "Sorvane \xC3\xA9 \xE3\x82\xB5\xE3\x83\xBC\xE3\x83\x90\xE3\x83\xBC \xF0\x9F\x98\x80");
  EXPECT_EQ(FromUtf8(utf8), text);
  EXPECT_EQ(ToUtf8(u""), "");
  EXPECT_EQ(FromUtf8(""), u"");
}

}  // namespace
}  // namespace sorvane::standin
