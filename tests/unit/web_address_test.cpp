#include "dialog/web_address.h"

#include <gtest/gtest.h>

#include <string>

#include "common/hresult.h"

namespace sorvane {
namespace {

struct SplitCase {
  std::u16string typed;
  std::u16string text_afterwards;
  std::u16string server;
  std::u16string web;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
  *os << "typed \"" << std::string(c.typed.begin(), c.typed.end()) << '"';
}

class SplitTable : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitTable, NormalisesAndSplits) {
  const SplitCase& c = GetParam();
  const NormalisedAddress normalised = NormaliseWebAddress(c.typed);
  EXPECT_EQ(normalised.text, c.text_afterwards);
  EXPECT_EQ(normalised.prefixed, c.text_afterwards != c.typed);
  const WebAddress parts = SplitWebAddress(normalised.text);
  EXPECT_EQ(parts.WebServer, c.server);
  EXPECT_EQ(parts.WebName, c.web);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, SplitTable,
    testing::Values(SplitCase{u"myserver/sales", u"http://myserver/sales", u"http://myserver",
                              u"sales"},
                    SplitCase{u"myserver", u"http://myserver", u"http://myserver", u""},
                    SplitCase{u"http://myserver", u"http://myserver", u"http://myserver", u""},
                    SplitCase{u"http://myserver/", u"http://myserver/", u"http://myserver", u""},
                    SplitCase{u"HTTP://MyServer/Sales/Sub", u"HTTP://MyServer/Sales/Sub",
                              u"HTTP://MyServer", u"Sales/Sub"},
                    SplitCase{u"Http://MyServer", u"Http://MyServer", u"http://MyServer", u""},
                    SplitCase{u"myserver:8080/sub", u"http://myserver:8080/sub",
                              u"http://myserver:8080", u"sub"},
                    SplitCase{u"http://myserver//sales", u"http://myserver//sales",
                              u"http://myserver", u"/sales"},
                    SplitCase{u"", u"http://", u"http://", u""}));

INSTANTIATE_TEST_SUITE_P(
    Prefixes, SplitTable,
    testing::Values(
        // The third character "\" exempts drive paths only.
        SplitCase{u"c:\\webs\\site", u"c:\\webs\\site", u"", u""},
        SplitCase{u"c:\\webs/site", u"c:\\webs/site", u"", u""},
        SplitCase{u"\\\\srv\\webs", u"http://\\\\srv\\webs", u"http://\\\\srv\\webs", u""},
        SplitCase{u"ab", u"http://ab", u"http://ab", u""},
        SplitCase{u"http:/", u"http://http:/", u"http://http:", u""},
        SplitCase{u"hTtP://x/y", u"hTtP://x/y", u"hTtP://x", u"y"},
        // "https://" is recognised like "http://", and split after its longer prefix.
        SplitCase{u"https://secure/x", u"https://secure/x", u"https://secure", u"x"},
        SplitCase{u"HTTPS://Secure/X/Y", u"HTTPS://Secure/X/Y", u"HTTPS://Secure", u"X/Y"},
        SplitCase{u"HttpS://Secure", u"HttpS://Secure", u"https://Secure", u""},
        SplitCase{u"https://", u"https://", u"https://", u""},
        SplitCase{u"https:/x", u"http://https:/x", u"http://https:", u"x"},
        SplitCase{u"ftp://host/web", u"http://ftp://host/web", u"http://ftp:", u"/host/web"},
        // Characters that upper-case to ASCII letters are not the prefix.
        SplitCase{u"http\u017F://x", u"http://http\u017F://x", u"http://http\u017F:", u"/x"},
        SplitCase{u"myserver/a/b/", u"http://myserver/a/b/", u"http://myserver", u"a/b/"},
        SplitCase{u"my server,x/we b", u"http://my server,x/we b", u"http://my server,x",
                  u"we b"}));

// An exempted text (third character "\") whose first "/" stands at `slash_at`.
std::u16string Exempt(std::size_t slash_at, std::u16string_view after) {
  std::u16string text = u"c:\\";
  text.append(slash_at - 1 - text.size(), u'a');
  text.append(u"/").append(after);
  return text;
}
std::u16string Host(std::u16string_view scheme, std::size_t length, std::u16string_view after) {
  std::u16string text(scheme);
  text.append(length, u'h');
  text.append(after);
  return text;
}

struct LimitCase {
  const char* name;
  std::u16string address;
  bool overflows;
};
void PrintTo(const LimitCase& c, std::ostream* os) {
  *os << c.name;
}

class SplitLimits : public testing::TestWithParam<LimitCase> {};

TEST_P(SplitLimits, OverflowExactlyBeyondSixteenBits) {
  const LimitCase& c = GetParam();
  if (c.overflows) {
    try {
      SplitWebAddress(c.address);
      FAIL() << "no overflow";
    } catch (const HResultError& e) {
      EXPECT_EQ(e.code(), kDispEOverflow);
    }
  } else {
    EXPECT_NO_THROW(SplitWebAddress(c.address));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, SplitLimits,
    testing::Values(LimitCase{"HostOf32760ThenSlash", Host(u"http://", 32760, u"/web"), false},
                    LimitCase{"HostOf32761ThenSlash", Host(u"http://", 32761, u"/web"), true},
                    LimitCase{"HostOf70000NoSlash", Host(u"http://", 70000, u""), false},
                    LimitCase{"HttpsHostOf32759ThenSlash", Host(u"https://", 32759, u"/w"), false},
                    LimitCase{"HttpsHostOf32760ThenSlash", Host(u"https://", 32760, u"/w"), true},
                    LimitCase{"FirstSlashAt32766Single", Exempt(32766, u"x"), false},
                    LimitCase{"FirstSlashAt32766Double", Exempt(32766, u"/x"), true},
                    LimitCase{"FirstSlashAt32765Double", Exempt(32765, u"/x"), false},
                    LimitCase{"FirstSlashAt32767", Exempt(32767, u"x"), true},
                    LimitCase{"FirstSlashAt40000", Exempt(40000, u"x"), true},
                    LimitCase{"ExemptNoSlashLong",
                              std::u16string(u"c:\\") + std::u16string(90000, u'a'), false}),
    [](const testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

TEST(SplitLimits, LongestServerKeepsEveryCharacter) {
  const WebAddress parts = SplitWebAddress(Host(u"http://", 32760, u"/web"));
  EXPECT_EQ(parts.WebServer.size(), 7U + 32760U);
  EXPECT_EQ(parts.WebName, u"web");
}

}  // namespace
}  // namespace sorvane
