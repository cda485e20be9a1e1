// What the user types and what the host's values already hold, through the
// real module: the values written and the web opened, or the message box
// and nothing written.

#include <string>
#include <vector>

#include "addin_fixture.h"
#include "support/stored_value_cases.h"

namespace sorvane::testing_support {
namespace {

using standin::HostValue;

struct TypedCase {
  const char* name;
  std::u16string typed;
  std::optional<std::u16string> web1;  // none: the Open fails with a message box
  std::u16string opened_server;
  std::u16string opened_web;
};
void PrintTo(const TypedCase& c, std::ostream* os) {
  *os << c.name;
}

class BadInput : public AddInEndToEnd, public testing::WithParamInterface<TypedCase> {};

TEST_P(BadInput, GivesItsResultOrTheMessageBox) {
  const TypedCase& c = GetParam();
  ASSERT_EQ(Load(), S_OK);
  Click();
  const HWND dialog = FindDialog();
  ASSERT_NE(dialog, nullptr);
  Type(dialog, ToWide(c.typed));
  MessageBoxWatcher watcher;
  PressEnter(dialog);
  const auto web1 = Web1();
  const auto value = Mru();
  if (!c.web1) {
    ASSERT_EQ(watcher.texts.size(), 1U);
    EXPECT_EQ(watcher.texts[0].rfind(u"The web could not be opened.", 0), 0U);
    EXPECT_EQ(web1, std::nullopt) << "nothing written";
    EXPECT_EQ(value, std::nullopt) << "nothing written";
    EXPECT_TRUE(model_.opened().empty());
    EXPECT_EQ(FindDialog(), dialog);
    return;
  }
  EXPECT_TRUE(watcher.texts.empty());
  EXPECT_EQ(web1, c.web1);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->back(), u' ');
  ASSERT_EQ(model_.opened().size(), 1U);
  EXPECT_EQ(model_.opened()[0].server, c.opened_server);
  EXPECT_EQ(model_.opened()[0].web, c.opened_web);
  EXPECT_EQ(FindDialog(), nullptr);
}

// Braces here would pick the initializer-list constructor: two characters.
std::u16string Repeat(char16_t c, std::size_t n) {
  return std::u16string(n, c);  // NOLINT(modernize-return-braced-init-list)
}

INSTANTIATE_TEST_SUITE_P(
    Texts, BadInput,
    testing::Values(TypedCase{"Empty", u"", u"http://,,/,fpuser,-1,<Root Web>", u"http://", u""},
                    TypedCase{"CommasAndSpaces", u"my server,x/we b,c",
                              u"http://my server,x,,/we b,c,fpuser,-1,we b,c",
                              u"http://my server,x", u"we b,c"},
                    TypedCase{"Tabs", u"srv\t/web\t", u"http://srv\t,,/web\t,fpuser,-1,web\t",
                              u"http://srv\t", u"web\t"},
                    TypedCase{"ControlCharacters", u"s\x01\x1F/w\x7F",
                              u"http://s\x01\x1F,,/w\x7F,fpuser,-1,w\x7F", u"http://s\x01\x1F",
                              u"w\x7F"},
                    TypedCase{"DiskPath", u"c:\\webs\\site", u",,/,fpuser,-1,<Root Web>", u"", u""},
                    TypedCase{"UncPath", u"\\\\srv\\webs",
                              u"http://\\\\srv\\webs,,/,fpuser,-1,<Root Web>",
                              u"http://\\\\srv\\webs", u""},
                    TypedCase{"Https", u"https://secure/x", u"https://secure,,/x,fpuser,-1,x",
                              u"https://secure", u"x"},
                    TypedCase{"HostOf32760", Repeat(u'h', 32760) + u"/w",
                              u"http://" + Repeat(u'h', 32760) + u",,/w,fpuser,-1,w",
                              u"http://" + Repeat(u'h', 32760), u"w"},
                    TypedCase{"HostOf32761", Repeat(u'h', 32761) + u"/w", std::nullopt, u"", u""},
                    TypedCase{"OneMebibyteNoSlash", Repeat(u'm', 1 << 20),
                              u"http://" + Repeat(u'm', 1 << 20) + u",,/,fpuser,-1,<Root Web>",
                              u"http://" + Repeat(u'm', 1 << 20), u""}),
    [](const testing::TestParamInfo<TypedCase>& info) { return std::string(info.param.name); });

// The add-in passes the text without its NUL; the system's ANSI function
// counts the NUL that follows it in memory (as Windows NT does) and stores it.
TEST_F(AddInEndToEnd, TheValuesAreStoredAsStringsOfExactlyTheText) {
  ASSERT_EQ(Load(), S_OK);
  OpenWith(L"myserver/sales");
  const auto web1 = standin::ReadHostValue(HostValue::kWeb1);
  ASSERT_TRUE(web1);
  EXPECT_EQ(web1->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(web1->text, u"http://myserver,,/sales,fpuser,-1,sales");
  EXPECT_EQ(web1->bytes, (39U + 1) * 2) << "39 characters and the system's NUL, in UTF-16";
  const auto value = standin::ReadHostValue(HostValue::kFileNameMru);
  ASSERT_TRUE(value);
  EXPECT_EQ(value->type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(value->text, u"http://myserver/sales ");
}

// A character the system's code page lacks would reach the registry as a
// look-alike or "?", and the host would open a web nobody typed: the Open is
// refused before anything is written, and the user is told which character.
TEST_F(AddInEndToEnd, AnAddressTheCodePageCannotStoreIsRefused) {
  ASSERT_EQ(Load(), S_OK);
  ASSERT_EQ(::GetACP(), 1252U) << "the test locale's code page";
  MessageBoxWatcher watcher;
  const HWND dialog = OpenWith(L"\u0441\u0435\u0440\u0432\u0435\u0440/\u03A9");
  ASSERT_EQ(watcher.texts.size(), 1U);
  EXPECT_EQ(watcher.texts[0],
            u"The web could not be opened.\n\nThe address contains a character that this "
            u"system's code page cannot store: \u0441");
  EXPECT_EQ(Web1(), std::nullopt) << "nothing written";
  EXPECT_EQ(Mru(), std::nullopt);
  EXPECT_TRUE(model_.opened().empty()) << "nothing executed";
  EXPECT_EQ(FindDialog(), dialog) << "the dialog stays";
  EXPECT_EQ(standin::PointerOver(dialog), 0);
}

// The previous "Value" in the states whose reading an Open shows.
std::vector<StoredValueCase> ThroughTheModule() {
  std::vector<StoredValueCase> cases;
  for (const StoredValueCase& c : StoredValueCases()) {
    if (c.through_the_module) {
      cases.push_back(c);
    }
  }
  return cases;
}

class PreviousValue : public AddInEndToEnd, public testing::WithParamInterface<StoredValueCase> {};

TEST_P(PreviousValue, IsReadAsItCanBe) {
  const StoredValueCase& c = GetParam();
  if (c.type) {
    standin::StoreHostValueBytes(HostValue::kFileNameMru, *c.type, c.bytes);
  } else {
    standin::CreateHostValueKey(HostValue::kFileNameMru);
  }
  ASSERT_EQ(Load(), S_OK);
  OpenWith(L"myserver/sales");
  EXPECT_EQ(Mru(), u"http://myserver/sales " + c.read.value_or(u""));
  EXPECT_EQ(model_.opened().size(), 1U);
}

INSTANTIATE_TEST_SUITE_P(States, PreviousValue, testing::ValuesIn(ThroughTheModule()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(AddInEndToEnd, PreviousValueUnderAMissingKeyCountsAsEmpty) {
  ASSERT_EQ(Load(), S_OK);
  OpenWith(L"myserver/sales");
  EXPECT_EQ(Mru(), u"http://myserver/sales ");
}

}  // namespace
}  // namespace sorvane::testing_support
