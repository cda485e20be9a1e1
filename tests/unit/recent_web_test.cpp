#include "dialog/recent_web.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <vector>

namespace sorvane {
namespace {

struct EntryCase {
  std::u16string server;
  std::u16string web;
  std::u16string entry;
  std::u16string mru_from_nothing;
  std::u16string mru_after_old;
};

void PrintTo(const EntryCase& c, std::ostream* os) {
  *os << std::string(c.entry.begin(), c.entry.end());
}

class RecentWebTable : public testing::TestWithParam<EntryCase> {};

TEST_P(RecentWebTable, Compose) {
  const EntryCase& c = GetParam();
  const WebAddress web{c.server, c.web};
  EXPECT_EQ(RecentWebEntry(web), c.entry);
  EXPECT_EQ(MruValue(web, u""), c.mru_from_nothing);
  EXPECT_EQ(MruValue(web, u"http://old/web"), c.mru_after_old);
}

INSTANTIATE_TEST_SUITE_P(
    WorkedExamples, RecentWebTable,
    testing::Values(
        EntryCase{u"http://myserver", u"sales", u"http://myserver,,/sales,fpuser,-1,sales",
                  u"http://myserver/sales ", u"http://myserver/sales http://old/web"},
        EntryCase{u"http://myserver", u"", u"http://myserver,,/,fpuser,-1,<Root Web>",
                  u"http://myserver/ ", u"http://myserver/ http://old/web"},
        EntryCase{u"HTTP://MyServer", u"Sales/Sub",
                  u"HTTP://MyServer,,/Sales/Sub,fpuser,-1,Sales/Sub", u"HTTP://MyServer/Sales/Sub ",
                  u"HTTP://MyServer/Sales/Sub http://old/web"},
        EntryCase{u"http://myserver:8080", u"sub", u"http://myserver:8080,,/sub,fpuser,-1,sub",
                  u"http://myserver:8080/sub ", u"http://myserver:8080/sub http://old/web"},
        EntryCase{u"http://", u"", u"http://,,/,fpuser,-1,<Root Web>", u"http:/// ",
                  u"http:/// http://old/web"},
        // Disk paths leave both parts empty; a comma in the web goes in unchanged.
        EntryCase{u"", u"", u",,/,fpuser,-1,<Root Web>", u"/ ", u"/ http://old/web"},
        EntryCase{u"http://s", u"a,b", u"http://s,,/a,b,fpuser,-1,a,b", u"http://s/a,b ",
                  u"http://s/a,b http://old/web"}));

struct TypedCase {
  const char* name;
  std::u16string value;
  std::vector<std::u16string_view> offered;
};

class TypedAddressesTable : public testing::TestWithParam<TypedCase> {};

TEST_P(TypedAddressesTable, NewestFirstEachOnce) {
  EXPECT_EQ(TypedAddresses(GetParam().value), GetParam().offered);
}

INSTANTIATE_TEST_SUITE_P(
    Values, TypedAddressesTable,
    testing::Values(
        TypedCase{"Empty", u"", {}}, TypedCase{"OnlyBlanks", u"    ", {}},
        TypedCase{"AsOpensLeaveIt",
                  u"http://srv/new http://srv/old ",
                  {u"http://srv/new", u"http://srv/old"}},
        TypedCase{"RepeatsKeepTheNewest",
                  u"http://a/x http://b/y http://a/x http://b/y http://c/z ",
                  {u"http://a/x", u"http://b/y", u"http://c/z"}},
        TypedCase{
            "LetterCaseMakesAnother", u"http://A/x http://a/x ", {u"http://A/x", u"http://a/x"}},
        TypedCase{"BlankRunsAndNoEndingBlank",
                  u"  http://a/x   /  http://b/y",
                  {u"http://a/x", u"/", u"http://b/y"}},
        TypedCase{"CommasAndOtherScripts",
                  u"http://s/a,b http://sérveur/vêntes http://サーバー/営業部 ",
                  {u"http://s/a,b", u"http://sérveur/vêntes", u"http://サーバー/営業部"}},
        TypedCase{"TabsAreNotSeparators", u"a\tb c ", {u"a\tb", u"c"}}),
    [](const testing::TestParamInfo<TypedCase>& info) { return info.param.name; });

TEST(TypedAddresses, BoundedInCountAndLength) {
  // 1 MiB of distinct addresses: the newest thousand are offered.
  std::u16string value;
  while (value.size() < (1U << 20)) {
    const std::string address = "http://server/web" + std::to_string(value.size()) + " ";
    value.append(address.begin(), address.end());
  }
  const std::vector<std::u16string_view> offered = TypedAddresses(value);
  ASSERT_EQ(offered.size(), kMostTypedAddresses);
  EXPECT_EQ(offered.front(), u"http://server/web0");
  EXPECT_EQ(TypedAddresses(value, 2).size(), 2U);

  // The longest address the system handles is offered; one more character is not.
  const std::u16string longest(kLongestTypedAddress, u'a');
  const std::u16string overlong(kLongestTypedAddress + 1, u'b');
  EXPECT_EQ(TypedAddresses(overlong + u" " + longest + u" x"),
            (std::vector<std::u16string_view>{longest, u"x"}));

  // One address repeated over 1 MiB is one suggestion.
  std::u16string repeated;
  while (repeated.size() < (1U << 20)) {
    repeated += u"http://same/web ";
  }
  EXPECT_EQ(TypedAddresses(repeated).size(), 1U);
}

}  // namespace
}  // namespace sorvane
