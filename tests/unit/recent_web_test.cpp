#include "dialog/recent_web.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace sorvane
